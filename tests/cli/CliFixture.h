#pragma once

// kestrel-cli's commands against a simulated unit in the same process, on
// the manual clock: one run() is one process start.
#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "support/ReadFile.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneTestSupport.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>

inline const QDateTime ExportTime(QDate(2026, 12, 5), QTime(7, 41, 9));
inline constexpr char Stamp[] = "12-05-2026-07:41:09";
// The second line of a monitor log: its columns.
inline const QByteArray LogColumns = "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\","
                                     "\"Fdelta(%)\",\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n";

class CliFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The terminal's program runs in the system's locale, not the windows' tests' one.
        QLocale::setDefault(QLocale::c());
        clock.setDateTime(ExportTime);
        services::install(&port, &clock, &dialogs, &world.settings);
        previousBackupFolder = tunefile::BackupFolder();
        tunefile::SetBackupFolder(dir.filePath("backups"));
    }
    void TearDown() override { tunefile::SetBackupFolder(previousBackupFolder); }

    // One run of kestrel-cli, as a fresh process would start it.
    int run(const QStringList& args)
    {
        mdlPublicVars::Reset();
        outStream.flush();
        errStream.flush();
        out.clear();
        err.clear();
        outStream.seek(0);
        errStream.seek(0);
        const CliArguments arguments = ParseCliArguments(args, {});
        EXPECT_TRUE(arguments.error.isEmpty()) << arguments.error.toStdString();
        Console console(outStream, errStream);
        console.canAsk = terminal;
        if (interruptWhen)
            console.interrupted = interruptWhen;
        console.readAnswer = [this] {
            ++questions;
            return answers.isEmpty() ? answer : answers.takeFirst();
        };
        const int status = RunCli(arguments, console);
        outStream.flush();
        errStream.flush();
        return status;
    }

    QStringList heard(VentrixDevice& unit)
    {
        QStringList payloads;
        for (const QByteArray& payload : unit.payloadLog())
            payloads << QString::fromLatin1(payload);
        unit.clearLog();
        return payloads;
    }
    static int writesIn(const QStringList& payloads)
    {
        return static_cast<int>(std::count_if(payloads.begin(), payloads.end(),
                                              [](const QString& p) { return p.startsWith('W') || p.startsWith('S'); }));
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QByteArray contents(const QString& path) { return ReadFile(path); }

    // The simulated unit on the manual clock, settings in memory and a
    // scratch folder; the boxes are kestrel-cli's lines on standard error.
    SimulatedWorld world;
    ManualClock& clock = world.clock;
    VentrixDevice& device = world.device;
    SimulatedPort& port = world.simulated;
    QTemporaryDir& dir = world.dir;
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    ConsoleDialogs dialogs{errStream};
    bool terminal = false;
    std::function<bool()> interruptWhen; // Ctrl-C, as the run sees it
    QString answer;
    QStringList answers; // answered in turn before `answer`
    int questions = 0;
    QString previousBackupFolder;

    // After the unit answered a request containing `request`, it falls silent.
    void silentAfter(VentrixDevice& unit, const QByteArray& request)
    {
        unit.setFrameListener([&unit, request](const QByteArray& frame, const QByteArray&) {
            if (frame.contains(request))
                unit.faults().silent = true;
        });
    }
    void answerAgain(VentrixDevice& unit)
    {
        unit.setFrameListener({});
        unit.faults() = SimFaults{};
    }
};
