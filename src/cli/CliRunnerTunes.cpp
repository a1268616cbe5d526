// kestrel-cli's whole-tune, monitor and data-log commands.
#include "cli/CliRun.h"
#include "cli/CliRunner.h"

#include "cli/CliArguments.h"
#include "cli/CliAutotune.h"
#include "cli/CliDiff.h"
#include "cli/CliBackups.h"
#include "cli/Console.h"
#include "tunefile/TuneFile.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/ConfigurationRead.h"
#include "link/Frame.h"
#include "link/PortDiagnosis.h"
#include "link/PortNames.h"
#include "link/RegisterMap.h"
#include "memory/CellAccess.h"
#include "memory/CellConversions.h"
#include "memory/CellEntry.h"
#include "memory/TableListing.h"
#include "monitor/Datalog.h"
#include "monitor/LiveSample.h"
#include "monitor/MonitorSampling.h"
#include "monitor/mdlMonitor.h"
#include "link/Reconnect.h"
#include "state/MainWindowServices.h"
#include "platform/Clock.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "platform/TextFileSave.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/TuneHistory.h"
#include "link/SerialPort.h"
#include "link/Unit.h"
#include "logs/CellSummary.h"
#include "logs/LogCsv.h"
#include "logs/LogReader.h"

#include <QDir>

#include <optional>

using namespace exit_status;

namespace cli_run {

int Run::exportTune()
{
    if (!operandCount(1))
        return usage(QStringLiteral("export needs FILE"));
    const QString path = a_.operands.at(0);
    if (!connect())
        return UnitFailed;

    ProgressLine progress(c_, QStringLiteral("Exporting"));
    QString stoppedBefore;
    const tunefile::ExportResult read =
        tunefile::ReadTune(interruptible(stoppedBefore), services::clock().currentDateTime(),
                           [&](int handled) { progress.show(tunefile::ProgressPercent(handled)); });
    progress.finish();
    if (!stoppedBefore.isEmpty())
        return interrupted(QStringLiteral("Stopped before \"%1\" (%2 of %3 entries read); no file was written.")
                               .arg(stoppedBefore)
                               .arg(read.failedEntry)
                               .arg(tunefile::DataLineCount));
    if (!read.complete) {
        const tunefile::Entry entry = tunefile::TuneOrder().at(read.failedEntry);
        return unitFailed(
            cells::messages::TableReadFailed,
            QStringLiteral("No usable answer to \"%1\"; no file was written.").arg(tunefile::ReadRequest(entry)));
    }
    QString error;
    if (!SaveTextFile(path, read.text, &error))
        return refuse(tunefile::ExportWriteFailureText(path, error));
    c_.out << "Exported " << tunefile::DataLineCount << " entries to " << shownPath(path) << Qt::endl;
    tune_history::Remember(tune_history::Source::Export, QString::number(mdlPublicVars::CommPortNumber), read.tune,
                           services::clock().currentDateTime());
    c_.out << "Fingerprint " << tune_history::Fingerprint(read.tune) << Qt::endl;
    return Done;
}

int Run::importTune()
{
    if (!operandCount(1))
        return usage(QStringLiteral("import needs FILE"));
    return cli_backups::Import(a_, c_, a_.operands.at(0), unitAccess());
}

cli_backups::UnitAccess Run::unitAccess()
{
    return {[this] { return connect(); },
            [this](const QString& question) {
                const Consent consent = ask(question);
                return consent == Consent::Given ? Done : notGiven(consent);
            },
            [this](QString& stoppedBefore) { return interruptible(stoppedBefore); }};
}

int Run::monitor()
{
    if (!operandCount(0))
        return usage(QStringLiteral("monitor takes no arguments"));
    if (!connect() || !loadConfiguration())
        return UnitFailed;
    mdlPublicVars::FJOCalibration = mdlMonitor::StoredFjoCalibration();
    DecodeContext context = mdlMonitor::CurrentDecodeContext();
    // Without the ignition window, the unit's own setting tells waste spark.
    context.wasteSpark = register_map::IgnitionIndexOf(configuration_.ignitionCode.value_or(-1)) == 1;

    Clock& clock = services::clock();
    // Above 20 samples a second each line carries the thousandths of its second.
    sample_rate::Pace pace(a_.rate);
    const bool fine = sample_rate::FineTimes(a_.rate);
    const QStringList columns = fine ? datalog::FineColumns(datalog::ColumnNames()) : datalog::ColumnNames();
    datalog::DatalogFile log;
    if (!a_.logPath.isEmpty() && !log.create(a_.logPath, clock.currentDateTime(), columns))
        return refuse(QStringLiteral("File: ") + shownPath(a_.logPath) + QStringLiteral(" could not be created."),
                      log.error());
    c_.out << datalog::Header(clock.currentDateTime(), columns) << Qt::flush;

    const qint64 start = clock.nowMs();
    const qint64 end = a_.seconds > 0 ? start + static_cast<qint64>(a_.seconds * 1000) : -1;
    int multisparkCounter = 0;
    int samples = 0;
    int status = Done;
    const auto refuseLine = [&] {
        log.close();
        status = refuse(QStringLiteral("File: ") + shownPath(a_.logPath)
                            + QStringLiteral(" could not be written.\r\nData logging has stopped."),
                        log.error());
    };
    const auto note = [&](const QString& text) {
        const QString line = datalog::NoteLine(clock.currentDateTime().time(), text);
        c_.out << line << Qt::flush;
        if (!log.isOpen() || log.append(line))
            return true;
        refuseLine();
        return false;
    };
    for (qint64 next = start; !c_.interrupted() && (end < 0 || clock.nowMs() < end);) {
        // A unit silent for 3 s is said lost at once, its attempts going on.
        const qint64 asked = clock.nowMs();
        bool said = false, noted = true;
        const auto sayLost = [&] {
            said = true;
            c_.err << mdlMain::ReconnectingText << Qt::endl;
            noted = note(datalog::LinkLostNote);
        };
        QString data;
        const mdlMonitor::SampleRequest outcome = mdlMonitor::RequestLiveSampleStepwise(
            [&](int) {
                if (!said && clock.nowMs() - asked >= SilenceReportMs)
                    sayLost();
                return noted && !c_.interrupted();
            },
            data);
        if (!noted || outcome == mdlMonitor::SampleRequest::GivenUp)
            break;
        if (pace.exchange(clock.nowMs() - asked))
            c_.err << sample_rate::FallBackText << Qt::endl;
        const std::optional<QString> sample =
            outcome == mdlMonitor::SampleRequest::Answered ? std::optional<QString>(data) : std::nullopt;
        if (sample && said) {
            c_.err << "Link back on port " << mdlPublicVars::CommPortNumber << "." << Qt::endl;
            if (!note(datalog::LinkBackNote))
                break;
        }
        if (!sample) {
            // Said once; the unit is looked for until it answers, the run's
            // time is up or Ctrl-C. The log notes the gap and carries on.
            SerialPort& port = services::port();
            if (port.isOpen())
                port.close();
            if (!said)
                sayLost();
            if (!noted)
                break;
            reconnect::Reconnector reconnector(mdlPublicVars::CommPortNumber);
            if (!reconnect::Run(reconnector, [&] { return !c_.interrupted() && (end < 0 || clock.nowMs() < end); })) {
                status = unitFailed(mdlMonitor::LostConnectionText);
                break;
            }
            c_.err << "Link back on port " << reconnector.portNumber() << "." << Qt::endl;
            if (!note(datalog::LinkBackNote))
                break;
            next = clock.nowMs();
            continue;
        }
        const LiveSample s = DecodeLiveSample(*sample, context, multisparkCounter);
        const QString line = datalog::DataLine(clock.currentDateTime().time(), datalog::ShownValues(s), fine);
        c_.out << line << Qt::flush;
        ++samples;
        if (log.isOpen() && !log.append(line)) {
            refuseLine();
            break;
        }
        next += pace.intervalMs();
        const qint64 wait = next - clock.nowMs();
        clock.waitProcessingEvents(static_cast<int>(qMax<qint64>(wait, 0)));
    }
    // A unit that answered 03 streams until told to stop with the bare stop character.
    SerialPort& port = services::port();
    if (mdlPublicVars::ProbeStatus == 3 && mdlPublicVars::Connected && port.isOpen())
        unit::WriteRawStop();
    if (log.isOpen()) {
        log.close();
        c_.err << "File: " << shownPath(a_.logPath) << " successfully written." << Qt::endl;
    }
    c_.err << samples << " samples." << Qt::endl;
    return status;
}

// --- data logs: files only, no unit ------------------------------------------

int Run::logFile()
{
    const QString what = a_.operands.value(0);
    if (what != QLatin1String("summary") && what != QLatin1String("csv"))
        return usage(QStringLiteral("log needs summary or csv"));
    if (!operandCount(2))
        return usage(QStringLiteral("log %1 needs FILE").arg(what));
    if (what == QLatin1String("summary") && !a_.output.isEmpty())
        return usage(QStringLiteral("log summary prints to standard output; -o is for log csv"));

    const logs::ReadResult read = logs::ReadDataLog(a_.operands.at(1));
    if (!read.log)
        return refuse(read.error);
    const logs::DataLog& log = *read.log;
    if (!log.rejected.empty()) {
        c_.err << logs::Counted(static_cast<long long>(log.rejected.size()), QStringLiteral("line"),
                                QStringLiteral("lines"))
               << " of " << shownPath(a_.operands.at(1)) << " could not be read and skipped:" << Qt::endl;
        for (const QString& line : logs::SkippedLinesList(log.rejected))
            c_.err << "  " << line << Qt::endl;
    }

    if (what == QLatin1String("summary")) {
        c_.out << logs::CellSummaryText(logs::ComputeCellTable(log, logs::OpeningFilter())) << Qt::flush;
        return Done;
    }
    const QString csv = logs::CsvText(log);
    if (a_.output.isEmpty()) {
        c_.out << csv << Qt::flush;
        return Done;
    }
    QString error;
    if (!SaveTextFile(a_.output, csv, &error))
        return refuse(QStringLiteral("The CSV file could not be saved to %1: %2").arg(shownPath(a_.output), error));
    c_.out << "Saved " << shownPath(a_.output) << " ("
           << logs::Counted(static_cast<long long>(log.size()), QStringLiteral("sample"), QStringLiteral("samples"))
           << ")" << Qt::endl;
    return Done;
}

// --- two tunes compared ------------------------------------------------------

int Run::diff()
{
    QString stoppedBefore;
    return cli_diff::RunDiff(
        a_.operands, c_,
        {[this] { return connect(); }, interruptible(stoppedBefore), [&stoppedBefore] { return stoppedBefore; }});
}

} // namespace cli_run
