#pragma once

// kestrel-cli's commands share one runner: the arguments, the console, the
// link and the answers to questions. Its commands stand in two files: the
// unit's cells and configuration (CliRunner.cpp), and whole tunes, the
// monitor and data logs (CliRunnerTunes.cpp).
#include "cli/CliArguments.h"
#include "cli/CliBackups.h"
#include "cli/Console.h"
#include "link/Autodetect.h"
#include "link/ConfigurationRead.h"
#include "tunefile/TuneFile.h"

#include <QDir>
#include <QString>

#include <optional>

namespace cli_run {

inline QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

class Run {
public:
    Run(const CliArguments& arguments, Console& console) : a_(arguments), c_(console) { }
    ~Run()
    {
        // As the windowed program does on exit: the port is let go and the
        // port that answered is kept for the next search.
        if (searched_)
            CloseLinkForExit();
    }

    int dispatch();

private:
    int probe();
    int ports();
    int info();
    int read();
    int write();
    int fill();
    int list();
    int exportTune();
    int importTune();
    cli_backups::UnitAccess unitAccess();
    int monitor();
    int logFile();
    int diff();

    int usage(const QString& problem) const;
    int refuse(const QString& message, const QString& detail = {}) const;
    int unitFailed(const QString& message, const QString& detail = {}) const;
    bool operandCount(int count) const { return a_.operands.size() == count; }
    std::optional<char> table(const QString& text, bool correctionOnly) const;
    std::optional<double> number(const QString& text) const;

    bool connect();
    bool loadConfiguration();
    bool stageHasTable(char table) const;
    void useInjectorCalibration() const;
    enum class Consent { Given, Declined, CannotAsk };
    Consent ask(const QString& question) const;
    int notGiven(Consent consent) const;
    // The link's transactions, refusing to start another request once Ctrl-C
    // was pressed: the request in flight ends, the next is not sent and its
    // payload is kept in stoppedBefore.
    tunefile::Transact interruptible(QString& stoppedBefore) const;
    int interrupted(const QString& where) const;

    const CliArguments& a_;
    Console& c_;
    bool searched_ = false;
    UnitConfiguration configuration_;
};

} // namespace cli_run
