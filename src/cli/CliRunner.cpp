#include "cli/CliRunner.h"
#include "cli/CliRun.h"

#include "cli/CliArguments.h"
#include "cli/CliAutotune.h"
#include "cli/CliDiff.h"
#include "cli/CliBackups.h"
#include "cli/CliHistory.h"
#include "cli/Console.h"
#include "tunefile/ConnectCheck.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/ConfigurationRead.h"
#include "link/Frame.h"
#include "link/PortDiagnosis.h"
#include "link/PortNames.h"
#include "link/RegisterMap.h"
#include "link/Unit.h"
#include "memory/CellAccess.h"
#include "memory/CellConversions.h"
#include "memory/CellEntry.h"
#include "memory/TableListing.h"
#include "monitor/Datalog.h"
#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "platform/TextFileSave.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneTransfer.h"
#include "link/SerialPort.h"
#include "logs/CellSummary.h"
#include "logs/LogCsv.h"
#include "logs/LogReader.h"

#include <QDir>

#include <optional>

using namespace exit_status;

namespace cli_run {

// --- the arguments ---------------------------------------------------------

int Run::usage(const QString& problem) const
{
    c_.err << "kestrel-cli: " << problem << Qt::endl << CliHelp(a_.command, {});
    return BadInput;
}

int Run::refuse(const QString& message, const QString& detail) const
{
    c_.err << message << Qt::endl;
    if (!detail.isEmpty())
        c_.err << detail << Qt::endl;
    return BadInput;
}

int Run::unitFailed(const QString& message, const QString& detail) const
{
    c_.err << message << Qt::endl;
    if (!detail.isEmpty())
        c_.err << detail << Qt::endl;
    return UnitFailed;
}

std::optional<char> Run::table(const QString& text, bool correctionOnly) const
{
    const QString letter = text.toUpper();
    const QString allowed = correctionOnly ? QStringLiteral("OCHL") : QStringLiteral("OCHLF");
    if (letter.size() != 1 || !allowed.contains(letter))
        return std::nullopt;
    return letter.at(0).toLatin1();
}

std::optional<double> Run::number(const QString& text) const
{
    return FiniteNumber(text);
}

// --- the unit --------------------------------------------------------------

bool Run::connect()
{
    searched_ = true;
    ConsoleConnectionView view(c_.err);
    AutodetectPort(view);
    if (!mdlPublicVars::Connected)
        return false;
    // A unit changed since the last whole tune seen on its port (reset, or
    // written by another tool) is said on stderr; its twenty registers are
    // read only when there is such a tune.
    if (mdlPublicVars::OffLineTunePath.isEmpty())
        if (const auto check = connect_check::Run(QString::number(mdlPublicVars::CommPortNumber));
            check && !check->outcome.differing.isEmpty())
            c_.err << check->outcome.text << Qt::endl;
    return true;
}

bool Run::loadConfiguration()
{
    configuration_ = ReadUnitConfiguration();
    ApplyToProgramState(configuration_);
    if (configuration_.complete)
        return true;
    unitFailed(ConfigurationFailedText, QStringLiteral("No answer to \"%1\".").arg(configuration_.failedRequest));
    return false;
}

bool Run::stageHasTable(char table) const
{
    if ((table != 'H' && table != 'L') || mdlPublicVars::IsPlusStage)
        return true;
    refuse(QStringLiteral("Tables H and L (tune 2) exist only on a %1 unit; this one is %2.")
               .arg(register_map::StageText(register_map::Stage::Plus),
                    register_map::StageText(register_map::Stage::Base)));
    return false;
}

// The transfer function's calibration, as the memory window uses it: the
// size --injectors gives (set program-wide, as the window's list does), or
// the installed size the configuration load left, or 19.
void Run::useInjectorCalibration() const
{
    if (a_.injectors)
        mdlPublicVars::InstalledInjectorSize = *a_.injectors;
    const double size = cells::TransferCalibrationSize(
        a_.injectors ? std::optional<double>(*a_.injectors) : std::nullopt, mdlPublicVars::InstalledInjectorSize);
    mdlPublicVars::InjectorRatioOL = cells::TransferCalibrationRatio(size);
}

Run::Consent Run::ask(const QString& question) const
{
    if (a_.yes)
        return Consent::Given;
    if (!c_.canAsk || !c_.readAnswer)
        return Consent::CannotAsk;
    c_.err << question << " [y/N] " << Qt::flush;
    const QString answer = c_.readAnswer().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes") ? Consent::Given : Consent::Declined;
}

int Run::notGiven(Consent consent) const
{
    if (consent == Consent::CannotAsk)
        return refuse(QStringLiteral("kestrel-cli: this overwrites the unit's memory; without a terminal to "
                                     "confirm on, give --yes."),
                      QStringLiteral("Nothing was written."));
    return refuse(QStringLiteral("Nothing was written."));
}

tunefile::Transact Run::interruptible(QString& stoppedBefore) const
{
    return [this, &stoppedBefore, send = unit::TransactOnLink()](const QString& payload, int attempts, int timeoutMs,
                                                                 QString& reply) {
        if (!stoppedBefore.isEmpty() || c_.interrupted()) {
            if (stoppedBefore.isEmpty())
                stoppedBefore = payload;
            reply.clear();
            return false;
        }
        return send(payload, attempts, timeoutMs, reply);
    };
}

int Run::interrupted(const QString& where) const
{
    c_.err << "Interrupted." << Qt::endl << where << Qt::endl;
    return Interrupted;
}

// --- the commands ----------------------------------------------------------

int Run::dispatch()
{
    const QString& command = a_.command;
    if (command == QLatin1String("probe"))
        return probe();
    if (command == QLatin1String("ports"))
        return ports();
    if (command == QLatin1String("info"))
        return info();
    if (command == QLatin1String("read"))
        return read();
    if (command == QLatin1String("write"))
        return write();
    if (command == QLatin1String("fill"))
        return fill();
    if (command == QLatin1String("list"))
        return list();
    if (command == QLatin1String("export"))
        return exportTune();
    if (command == QLatin1String("import"))
        return importTune();
    if (command == QLatin1String("restore"))
        return cli_backups::Restore(a_, c_, unitAccess());
    if (command == QLatin1String("backups"))
        return cli_backups::List(a_, c_);
    if (command == QLatin1String("history"))
        return cli_history::Run(a_, c_, unitAccess());
    if (command == QLatin1String("monitor"))
        return monitor();
    if (command == QLatin1String("log"))
        return logFile();
    if (command == QLatin1String("diff"))
        return diff();
    if (command == QLatin1String("autotune"))
        return cli_autotune::Run(a_, c_);
    return usage(QStringLiteral("unknown command '%1'").arg(command));
}

int Run::probe()
{
    if (!operandCount(0))
        return usage(QStringLiteral("probe takes no arguments"));
    if (!connect())
        return UnitFailed;
    const int number = mdlPublicVars::CommPortNumber;
    const QString device =
        a_.common.simulate ? QStringLiteral("simulated Ventrix") : port_names::DeviceFor(number, a_.common.ports);
    c_.out << "Port:     " << number << " (" << device << ")" << Qt::endl;
    c_.out << "Status:   " << mdlPublicVars::ProbeStatus << " (ready)" << Qt::endl;
    const std::optional<QString> revision = ReadFirmwareRevision();
    c_.out << "Firmware: " << (revision ? *revision : QStringLiteral("Not detected.")) << Qt::endl;
    return Done;
}

int Run::ports()
{
    if (!operandCount(0))
        return usage(QStringLiteral("ports takes no arguments"));
    // The simulated ports are not the system's: ask them by opening each.
    const QList<port_diagnosis::PortReport> reports = a_.common.simulate
        ? port_diagnosis::DiagnoseThroughPort(services::port())
        : port_diagnosis::Diagnose(a_.common.ports, port_diagnosis::SystemInspector());
    QStringList refused;
    for (const port_diagnosis::PortReport& report : reports) {
        c_.out << port_diagnosis::ReportLine(report) << Qt::endl;
        if (report.access == port_diagnosis::Access::PermissionDenied)
            refused << report.device;
    }
    if (!refused.isEmpty())
        c_.err << port_diagnosis::PermissionHint(refused) << Qt::endl;
    return Done;
}

int Run::info()
{
    if (!operandCount(0))
        return usage(QStringLiteral("info takes no arguments"));
    if (!connect() || !loadConfiguration())
        return UnitFailed;
    using namespace mdlPublicVars;
    namespace rm = register_map;
    const auto volts = [](double v) { return number_format::Format(v, QStringLiteral("0.000")); };
    const auto size = [](double s) { return number_format::Format(s, QStringLiteral("#0")).rightJustified(5); };
    const auto row = [this](const QString& label, const QString& value) {
        c_.out << label.leftJustified(30) << value << Qt::endl;
    };
    const rm::Stage stage = rm::StageOf(StageCode);
    row(QStringLiteral("MAF Voltage @ Key On"), volts(MafKeyOnVolts) + QStringLiteral(" [v]"));
    row(QStringLiteral("TPS Voltage @ Key On"), volts(TpsKeyOnVolts) + QStringLiteral(" [v]"));
    row(QStringLiteral("TPS WOT Breakpoint"), volts(WotBreakpointVolts) + QStringLiteral(" [v]"));
    row(QStringLiteral("VentrixTM Config."),
        stage == rm::Stage::Unknown ? QStringLiteral("unknown (code %1)").arg(StageCode) : rm::StageText(stage));
    row({}, QStringLiteral("BANK1 BANK2"));
    const UnitConfiguration& c = configuration_;
    const std::optional<int>* bank1[4] = {&c.installedOL, &c.eecOL, &c.installedCL, &c.eecCL};
    const char* const labels[4] = {"Installed Injector Size (OL)", "EEC Injector Size (OL)",
                                   "Installed Injector Size (CL)", "EEC Injector Size (CL)"};
    for (int i = 0; i < 4; ++i)
        row(QString::fromLatin1(labels[i]),
            size(bank1[i]->value_or(0)) + QLatin1Char(' ') + size(c.bank2[i].value_or(0)) + QStringLiteral(" [lb/hr]"));
    const int ignition = rm::IgnitionIndexOf(c.ignitionCode.value_or(-1));
    row(QStringLiteral("Ignition Type"),
        ignition >= 0 ? rm::IgnitionCaption(ignition)
                      : QStringLiteral("unknown (code %1)").arg(frame::HexByte(c.ignitionCode.value_or(0))));
    const int mode = c.rpmSwitchMode ? rm::RpmModeIndexOf(*c.rpmSwitchMode) : -1;
    if (IsPlusStage)
        row(QStringLiteral("RPM Switch Config"), mode >= 0 ? rm::RpmModeCaption(mode) : QStringLiteral("unknown"));
    row(QStringLiteral("RPM Switch On / Off"),
        QStringLiteral("%1 / %2 rpm")
            .arg(number_format::Format(RpmSwitchOn, QStringLiteral("###0")),
                 number_format::Format(RpmSwitchOff, QStringLiteral("###0"))));
    return Done;
}

// The cell as the user named it and what it holds.
QString cellText(char table, int address, int byte)
{
    const QString position = table == 'F'
        ? number_format::Format(address * 20 / 1024.0, QStringLiteral("0.000")) + QStringLiteral(" V")
        : QString::number(address * static_cast<int>(cells::RpmPerCell)) + QStringLiteral(" rpm");
    const long long value = cells::ValueOf(table, address, byte, mdlPublicVars::InjectorRatioOL);
    const QString unit = table == 'F' ? QStringLiteral(" kg/hr") : QStringLiteral(" %");
    return QStringLiteral("%1 %2  %3  %4%5  (byte %6)")
        .arg(QString(QLatin1Char(table)), frame::HexByte(address), position, QString::number(value), unit,
             frame::HexByte(byte));
}

int Run::read()
{
    if (!operandCount(2))
        return usage(QStringLiteral("read needs TABLE POSITION"));
    const std::optional<char> letter = table(a_.operands.at(0), false);
    const std::optional<double> position = number(a_.operands.at(1));
    if (!letter)
        return usage(QStringLiteral("TABLE is O, C, H, L or F"));
    if (!position)
        return usage(QStringLiteral("POSITION must be a number"));
    const cells::AddressOrError at = cells::AddressFor(*letter, *position);
    if (!at.error.isEmpty())
        return refuse(at.error);

    if (!connect() || !loadConfiguration())
        return UnitFailed;
    if (!stageHasTable(*letter))
        return BadInput;
    useInjectorCalibration();
    const std::optional<int> byte = cells::ReadCellByte(*letter, at.address);
    if (!byte)
        return unitFailed(cells::messages::ReadFailed,
                          QStringLiteral("No answer to \"%1\".").arg(cmd::ReadCell(*letter, at.address)));
    c_.out << cellText(*letter, at.address, *byte) << Qt::endl;
    return Done;
}

int Run::write()
{
    if (!operandCount(3))
        return usage(QStringLiteral("write needs TABLE POSITION VALUE"));
    const std::optional<char> letter = table(a_.operands.at(0), false);
    const std::optional<double> position = number(a_.operands.at(1));
    const std::optional<double> value = number(a_.operands.at(2));
    if (!letter)
        return usage(QStringLiteral("TABLE is O, C, H, L or F"));
    if (!position || !value)
        return usage(QStringLiteral("POSITION and VALUE must be numbers"));
    const cells::AddressOrError at = cells::AddressFor(*letter, *position);
    if (!at.error.isEmpty())
        return refuse(at.error);
    // A correction is checked before the unit is asked anything; a flow
    // needs the injector ratio, which comes with the configuration.
    if (*letter != 'F') {
        if (const auto error = cells::CorrectionError(*value))
            return refuse(*error);
    }

    if (!connect() || !loadConfiguration())
        return UnitFailed;
    if (!stageHasTable(*letter))
        return BadInput;
    useInjectorCalibration();
    const cells::ByteOrError byte = cells::ByteFor(*letter, at.address, *value, mdlPublicVars::InjectorRatioOL);
    if (!byte.error.isEmpty())
        return refuse(byte.error);

    const Consent consent =
        ask(QStringLiteral("Write %1 to cell %2 of table %3?")
                .arg(frame::HexByte(byte.byte), frame::HexByte(at.address), QString(QLatin1Char(*letter))));
    if (consent != Consent::Given)
        return notGiven(consent);
    switch (cells::WriteCellByte(*letter, at.address, byte.byte)) {
    case cells::WriteOutcome::NotAnswered:
        return unitFailed(cells::messages::WriteNotAnswered,
                          QStringLiteral("No answer to \"%1\".").arg(cmd::WriteCell(*letter, at.address, byte.byte)));
    case cells::WriteOutcome::NotConfirmed:
        return unitFailed(cells::messages::WriteNotConfirmed,
                          QStringLiteral("Sent \"%1\"; the unit echoed \"%2\".")
                              .arg(cmd::WriteCell(*letter, at.address, byte.byte), unit::LastReply()));
    case cells::WriteOutcome::Refused:
        return refuse(cells::messages::TransferFunctionRefused);
    case cells::WriteOutcome::Confirmed:
        break;
    }
    c_.out << cellText(*letter, at.address, byte.byte) << "  written" << Qt::endl;
    return Done;
}

int Run::fill()
{
    if (!operandCount(4))
        return usage(QStringLiteral("fill needs TABLE START STOP PERCENT"));
    const std::optional<char> letter = table(a_.operands.at(0), true);
    if (!letter)
        return usage(QStringLiteral("the block write fills correction tables only: TABLE is O, C, H or L"));
    const std::optional<double> start = number(a_.operands.at(1));
    const std::optional<double> stop = number(a_.operands.at(2));
    const std::optional<double> percent = number(a_.operands.at(3));
    if (!start || !stop || !percent)
        return usage(QStringLiteral("START, STOP and PERCENT must be numbers"));
    if (const auto error = cells::BlockError(*start, *stop, *percent))
        return refuse(error->message);
    const int first = cells::RpmToAddress(*start);
    const int last = cells::RpmToAddress(*stop);
    const int byte = cells::EncodeCorrection(*percent);

    if (!connect() || !loadConfiguration())
        return UnitFailed;
    if (!stageHasTable(*letter))
        return BadInput;
    const Consent consent =
        ask(QStringLiteral("Set cells %1 to %2 of table %3 to %4?")
                .arg(frame::HexByte(first), frame::HexByte(last), QString(QLatin1Char(*letter)), frame::HexByte(byte)));
    if (consent != Consent::Given)
        return notGiven(consent);
    switch (cells::FillCellBytes(*letter, first, last, byte)) {
    case cells::WriteOutcome::NotAnswered:
        return unitFailed(cells::messages::FillNotAnswered,
                          QStringLiteral("No answer to \"%1\".").arg(cmd::FillCells(*letter, first, last, byte)));
    case cells::WriteOutcome::NotConfirmed:
        return unitFailed(cells::messages::FillNotConfirmed,
                          QStringLiteral("Sent \"%1\"; the unit echoed \"%2\".")
                              .arg(cmd::FillCells(*letter, first, last, byte), unit::LastReply()));
    case cells::WriteOutcome::Refused:
        return refuse(cells::messages::TransferFunctionRefused);
    case cells::WriteOutcome::Confirmed:
        break;
    }
    c_.out << QStringLiteral("%1 %2-%3  %4-%5 rpm  %6 %  (byte %7)  written")
                  .arg(QString(QLatin1Char(*letter)), frame::HexByte(first), frame::HexByte(last))
                  .arg(first * static_cast<int>(cells::RpmPerCell))
                  .arg(last * static_cast<int>(cells::RpmPerCell))
                  .arg(cells::DecodeCorrection(byte))
                  .arg(frame::HexByte(byte))
           << Qt::endl;
    return Done;
}

int Run::list()
{
    if (!operandCount(1))
        return usage(QStringLiteral("list needs TABLE"));
    const std::optional<char> letter = table(a_.operands.at(0), false);
    if (!letter)
        return usage(QStringLiteral("TABLE is O, C, H, L or F"));

    if (!connect() || !loadConfiguration())
        return UnitFailed;
    if (!stageHasTable(*letter))
        return BadInput;
    useInjectorCalibration();
    const QDateTime when = services::clock().currentDateTime();
    QList<int> bytes;
    ProgressLine progress(c_, QStringLiteral("Reading table %1").arg(QString(QLatin1Char(*letter))));
    bool stopped = false;
    const int read = cells::ReadTableBytes(*letter, [&](int cell, int byte) {
        bytes.append(byte);
        progress.show((cell + 1) * 100 / cells::CellCount);
        stopped = c_.interrupted();
        return !stopped;
    });
    progress.finish();
    if (stopped && read < cells::CellCount)
        return interrupted(QStringLiteral("Stopped after cell %1 (%2 of %3 cells read); no listing was written.")
                               .arg(frame::HexByte(read - 1))
                               .arg(read)
                               .arg(cells::CellCount));
    if (read < cells::CellCount)
        return unitFailed(cells::messages::TableReadFailed,
                          QStringLiteral("No answer at cell %1 (\"%2\"); no listing was written.")
                              .arg(frame::HexByte(read), cmd::ReadCell(*letter, read)));

    const QString listing = cells::TableListing(
        *letter, when,
        cells::CalibrationCaption(cells::TransferCalibrationSize(std::nullopt, mdlPublicVars::InstalledInjectorSize)),
        bytes, mdlPublicVars::InjectorRatioOL);
    if (a_.output.isEmpty()) {
        c_.out << listing << Qt::flush;
        return Done;
    }
    // The file the table viewer's Save writes: the listing and one line end.
    QString error;
    if (!SaveTextFile(a_.output, listing + cells::LineEnd, &error))
        return refuse(QStringLiteral("The listing could not be saved to %1: %2").arg(shownPath(a_.output), error));
    c_.out << "Saved " << shownPath(a_.output) << Qt::endl;
    return Done;
}

} // namespace cli_run

int RunCli(const CliArguments& arguments, Console& console)
{
    // A history that cannot be used is told once; the command goes on.
    tune_history::SetFailureReporter(
        [&console](const QString& text) { console.err << "kestrel-cli: " << text << Qt::endl; });
    const int status = cli_run::Run(arguments, console).dispatch();
    tune_history::SetFailureReporter({});
    return status;
}
