// kestrel-cli's commands against simulated units in the same process.
#include "CliFixture.h"

#include "link/Frame.h"
#include "support/FakePorts.h"

namespace {

class CliRunnerTest : public CliFixture { };

TEST_F(CliRunnerTest, ProbeAndInfoDescribeTheUnitAndTuneTwoNeedsAPlusUnit)
{
    device.setFirmware(2, 7);
    EXPECT_EQ(run({"probe"}), exit_status::Done);
    EXPECT_TRUE(out.contains("Firmware: 2.07")) << out.toStdString();
    EXPECT_TRUE(out.contains("Port:     1 ("));

    EXPECT_EQ(run({"info"}), exit_status::Done);
    EXPECT_TRUE(out.contains("VentrixTM Config.             STAGE2(PLUS)\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("TPS WOT Breakpoint            2.500 [v]\n"));
    EXPECT_TRUE(out.contains("Ignition Type                 WASTE-SPARK (4/6/8 Cyl.)\n"));

    // Tune 2's tables on a unit that is no plus: refused before they are read.
    device.memory().setStageCode(1);
    EXPECT_EQ(run({"read", "H", "1000"}), exit_status::BadInput);
    EXPECT_TRUE(err.contains("exist only on a STAGE2(PLUS) unit")) << err.toStdString();
    EXPECT_TRUE(heard(device).filter(QRegularExpression("^RH")).isEmpty());
}

TEST_F(CliRunnerTest, PortsListsEveryPortAndTellsHowToMendAPermissionRefusal)
{
    port.setExistingPorts({1, 2, 3, 5});
    port.setClaimedPorts({2});
    port.setPermissionDeniedPorts({3});
    EXPECT_EQ(run({"ports", "--simulate"}), exit_status::Done);
    EXPECT_EQ(out,
              QStringLiteral("Port 1  simulated port 1  free\n"
                             "Port 2  simulated port 2  busy\n"
                             "Port 3  simulated port 3  permission denied\n"
                             "Port 4  -               missing\n"
                             "Port 5  simulated port 5  free\n"
                             "Port 6  -               missing\n"));
    EXPECT_TRUE(err.startsWith(QStringLiteral("You may not open simulated port 3 (permission denied).")))
        << err.toStdString();
    EXPECT_TRUE(device.payloadLog().isEmpty()); // nothing is sent to any unit
}

// Every command's bad input: status 2 and the reason, before the unit is
// asked anything (files are checked first) and with no file written.
TEST_F(CliRunnerTest, BadInputIsRefusedBeforeAnythingIsSent)
{
    const QString mangled = writeFile("mangled.tun", "&M110901\r\nstamp\r\nC0000\r\nC0G00\r\n");
    const QString in = writeFile("in.tun", tune_test::ExpectedFile(device.memory(), Stamp));
    const QString partial = writeFile("partial.tun", "&M110901\r\n12-07-2026-10:00:00\r\nO0805\r\n\r\n");
    const QString log = writeFile("run.txt",
                                  "\"12-05-2026\",\"10:00:00\"\r\n" + LogColumns
                                      + "\"10:00:00\",\"2.500\",\"2.500\",\"0.0\",\"185\",\"185\",\"0.0\","
                                        "\"12.0\",\"1.000\",\"0.0\",\"3,480\"\r\n");
    const QString out = dir.filePath("out.tun");
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"read", "X", "100"}, "TABLE is O, C, H, L or F"},
        {{"read", "O", "10201"}, "RPM must be less than or equal to 10,200."},
        {{"write", "O", "3000", "101", "--yes"}, "Correction is limited to +/- 100%"},
        {{"write", "O", "3000"}, "write needs TABLE POSITION VALUE"},
        {{"fill", "F", "0", "100", "1", "--yes"}, "correction tables only"},
        {{"fill", "C", "-40", "100", "1", "--yes"}, "Start RPM must be >= 0"},
        {{"import", mangled, "--yes"}, "Illegal File Format. Tune Import aborted.\nLine 4: \"C0G00\""},
        {{"read", "O", "nan"}, "POSITION must be a number"},
        {{"write", "O", "3000", "1e999", "--yes"}, "POSITION and VALUE must be numbers"},
        {{"fill", "C", "0", "inf", "1", "--yes"}, "START, STOP and PERCENT must be numbers"},
        {{"backups", "extra"}, "backups takes no arguments"},
        {{"diff", in}, "diff needs two tunes"},
        {{"diff", "unit", "unit"}, "there is one unit"},
        {{"diff", mangled, "unit"}, "Illegal File Format.\n" + mangled + "\nLine 4: \"C0G00\""},
        {{"autotune", log, "--tune", in}, "autotune needs -o OUT.tun"},
        {{"autotune", "--tune", in, "-o", out}, "autotune needs at least one data log"},
        {{"autotune", log, "--tune", in, "-o", out, "--table", "F"}, "--table is O, C, H or L"},
        {{"autotune", log, "--tune", in, "-o", out, "--target", "25"}, "--target needs a number from 10 to 20"},
        {{"autotune", log, "--tune", in, "-o", out, "--lock", "25"}, "--lock takes cell numbers 0 to 24"},
        {{"autotune", log, "--tune", in, "-o", out, "--lag=-0.1"}, "--lag needs a number from 0 to 3"},
        {{"autotune", log, "--tune", partial, "-o", out},
         "names 1 of the 1044 entries of a tune; autotune needs a complete one"},
        {{"autotune", dir.filePath("missing.txt"), "--tune", in, "-o", out}, "Cannot open \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run(c.args), exit_status::BadInput);
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        EXPECT_TRUE(this->out.isEmpty()) << this->out.toStdString();
        EXPECT_EQ(device.requestsHeard(), 0);
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(CliRunnerTest, WritesAskOnATerminalAndAreConfirmedByTheirEcho)
{
    // No terminal and no --yes: the unit is looked at but never written.
    EXPECT_EQ(run({"write", "O", "3000", "-5"}), exit_status::BadInput);
    EXPECT_TRUE(err.contains("give --yes")) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 0);

    terminal = true;
    answer = "n";
    EXPECT_EQ(run({"fill", "O", "0", "400", "9"}), exit_status::BadInput);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(err.contains("Set cells 00 to 0A of table O to 09? [y/N]")) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 0);

    answer = "y";
    EXPECT_EQ(run({"write", "O", "3000", "-5"}), exit_status::Done);
    EXPECT_EQ(writesIn(heard(device)), 1);
    EXPECT_EQ(device.memory().cell('O', 0x4B), 0xFB);
    EXPECT_TRUE(out.contains("O 4B  3000 rpm  -5 %  (byte FB)  written")) << out.toStdString();

    terminal = false;
    EXPECT_EQ(run({"fill", "C", "2000", "3000", "4", "-y"}), exit_status::Done);
    for (int address = 0x31; address <= 0x4C; ++address)
        EXPECT_EQ(device.memory().cell('C', address), address == 0x31 || address == 0x4C ? 0 : 4) << address;

    EXPECT_EQ(run({"read", "O", "3000"}), exit_status::Done);
    EXPECT_EQ(out, "O 4B  3000 rpm  -5 %  (byte FB)\n");

    // A wrong echo is the fault matrix's; a negative reply to the write:
    device.faults().negativeCommands = {"W"};
    EXPECT_EQ(run({"write", "O", "3000", "7", "--yes"}), exit_status::UnitFailed);
    EXPECT_TRUE(err.contains("Write operation failed. Please try again.")) << err.toStdString();
}

TEST_F(CliRunnerTest, ListPrintsTheTableAndSavesIt)
{
    device.memory().setCell('O', 0x4B, 0xFB);
    device.memory().setCell('O', 0x4C, 0x07);
    EXPECT_EQ(run({"list", "o"}), exit_status::Done);
    EXPECT_TRUE(out.startsWith("12-05-2026 - 07:41:09\r\n\r\nOPEN-LOOP TABLE 1\r\nMAF_IN[v]: 0.000, Change[%]: "))
        << out.left(200).toStdString();
    EXPECT_TRUE(out.contains("\r\nMAF_IN[v]: 1.471, Change[%]: -5(LEAN)\r\nMAF_IN[v]: 1.490, Change[%]: 7(RICH)\r\n"));
    EXPECT_EQ(out.count("\r\n"), 3 + 256);
    const QString shown = out;
    const QString path = dir.filePath("LO_Table.txt");
    EXPECT_EQ(run({"list", "O", "-o", path}), exit_status::Done);
    EXPECT_EQ(contents(path), (shown + "\r\n").toLatin1());
}

// As in the memory window: one calibration, N / 19, for every transfer
// function command, N being --injectors or the installed size the
// configuration load read (register 04), never the load's open-loop ratio.
TEST_F(CliRunnerTest, TheTransferFunctionUsesTheCalibrationItsHeadingNames)
{
    device.memory().setRegister(0x02, 24); // installed, open loop
    device.memory().setRegister(0x03, 19); // EEC, open loop: the load's ratio is 19/24
    device.memory().setRegister(0x04, 24); // installed, closed loop
    device.memory().setCell('F', 160, 0x64);
    struct Case {
        QStringList args;
        const char *heading, *line; // in the output
    } const cases[] = {
        // 100 x 2 x 24/19
        {{"list", "F"}, "MAF TRANSFER FUNCTION: 24lb/hr Calibration.", "Output[v]: 3.125, Flow[kg/hr]: 253\r\n"},
        {{"list", "F", "--injectors", "30"},
         "MAF TRANSFER FUNCTION: 30lb/hr Calibration.",
         "Output[v]: 3.125, Flow[kg/hr]: 316\r\n"},
        {{"read", "F", "3.125"}, "", "  253 kg/hr  (byte 64)"},
        {{"read", "F", "3.125", "--injectors", "16"}, "", "  168 kg/hr  (byte 64)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run(c.args), exit_status::Done);
        EXPECT_TRUE(out.contains(QString::fromLatin1(c.heading)) && out.contains(QString::fromLatin1(c.line)))
            << out.left(400).toStdString();
    }
    // 8 kg/hr at 0 V is 8 x 19 / 24 = 6.3, byte 06.
    heard(device);
    EXPECT_EQ(run({"write", "F", "0", "8", "--yes"}), exit_status::Done);
    EXPECT_TRUE(heard(device).contains("WF0006"));
}

TEST_F(CliRunnerTest, CtrlCStopsAfterTheEntryInFlightAndWritesNoPartialFile)
{
    tune_test::FillTune(device.memory(), 1);
    const QString path = dir.filePath("backup.tun");
    // Ctrl-C once the unit has heard the probe and 99 reads.
    interruptWhen = [this] { return device.requestsHeard() >= 100; };
    EXPECT_EQ(run({"export", path}), exit_status::Interrupted);
    EXPECT_TRUE(err.contains("Interrupted.\nStopped before \"RC63\" (99 of 1044 entries read); no file was written."))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(device.requestsHeard(), 100);

    interruptWhen = {};
    ASSERT_EQ(run({"export", path}), exit_status::Done);
    tune_test::FillTune(device.memory(), 2);
    device.clearLog();
    // From here the export is the tune last seen on the port: each session
    // first reads its twenty registers to compare them.
    interruptWhen = [this] { return device.requestsHeard() >= 121; };
    EXPECT_EQ(run({"import", path, "--yes", "--no-backup"}), exit_status::Interrupted);
    EXPECT_TRUE(err.contains("Interrupted.\nStopped at line 103 (\"C64")) << err.toStdString();
    EXPECT_TRUE(err.contains("which was not sent; 100 entries were written before it.")) << err.toStdString();
    EXPECT_EQ(writesIn(heard(device)), 100);

    const QString listing = dir.filePath("LO_Table.txt");
    // The probe, the registers compared (20), the configuration (15 reads) and 40 cells.
    device.clearLog();
    interruptWhen = [this] { return device.requestsHeard() >= 76; };
    EXPECT_EQ(run({"list", "O", "-o", listing}), exit_status::Interrupted);
    EXPECT_TRUE(err.contains("Stopped after cell 27 (40 of 256 cells read); no listing was written."))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(listing));
}

} // namespace

namespace {

class CliMonitorTest : public CliRunnerTest { };

TEST_F(CliMonitorTest, InterruptEndsItCleanlyAndAPulledCableNeverBackEndsItWithEveryLineKept)
{
    const QString path = dir.filePath("run.txt");
    int asked = 0;
    interruptWhen = [&] { return ++asked > 8; };
    EXPECT_EQ(run({"monitor", "--log", path}), exit_status::Done);
    EXPECT_EQ(contents(path).count("\r\n"), 2 + 8);

    int samples = 0;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("UU01M") && ++samples == 5)
            device.vanishNow();
    });
    // Ctrl-C while the unit is looked for.
    interruptWhen = [&] { return device.vanished() && clock.nowMs() > 1'000'000 + 120'000; };
    EXPECT_EQ(run({"monitor", "--log", path}), exit_status::UnitFailed);
    EXPECT_EQ(err.count("Link lost, reconnecting..."), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("Lost Connection to VentrixTM!")) << err.toStdString();
    EXPECT_EQ(contents(path).count("\r\n"), 2 + 5 + 1);
    EXPECT_TRUE(contents(path).endsWith("\",\"link lost\"\r\n"));
}

// The unit's port, with the live sample replaced by a known one; every
// other request goes to the unit.
class KnownSamplePort final : public ForwardingPort {
public:
    KnownSamplePort(SerialPort& inner, QByteArray sample) : ForwardingPort(inner), sample_(std::move(sample)) { }
    PortError write(const QByteArray& bytes) override
    {
        if (bytes != frame::Build(QStringLiteral("M")))
            return inner_.write(bytes);
        queued_ += "uu01" + sample_ + '$';
        return PortError::None;
    }
    PortError readAll(QByteArray& received) override
    {
        const PortError error = inner_.readAll(received);
        received.prepend(queued_);
        queued_.clear();
        return error;
    }
    bool waitForData(int ms) override { return !queued_.isEmpty() || inner_.waitForData(ms); }

private:
    QByteArray sample_;
    QByteArray queued_;
};

// The unit as it comes from the factory (bank 1 injectors 24, 19, 30 and 21
// lb/hr: a register taken for another changes the flows), with every logged
// field worked out by hand.
TEST_F(CliMonitorTest, EveryLoggedFieldIsTheSampleWorkedOutByHand)
{
    // Throttle closed at 0.5 V at power-up: reported as byte 26, 0.508 V.
    device.setKeyOnVolts(0.6, 0.5);
    EXPECT_EQ(run({"info"}), exit_status::Done);
    EXPECT_TRUE(out.contains("Installed Injector Size (OL)     24    19 [lb/hr]\n"
                             "EEC Injector Size (OL)           19    19 [lb/hr]\n"
                             "Installed Injector Size (CL)     30    19 [lb/hr]\n"
                             "EEC Injector Size (CL)           21    19 [lb/hr]\n"))
        << out.toStdString();

    // Counts: MAF in 01E0 (480), out 01A4 (420), TPS 00A4 (164); wideband 80
    // (128); flows 00B9 (185) and 00A0 (160) raw; speed 57 (87).
    KnownSamplePort known(port, "m01E001A400A48000B900A0570001");
    services::installPort(&known);
    const QString path = dir.filePath("run.txt");
    EXPECT_EQ(run({"monitor", "--seconds", "0.1", "--log", path}), exit_status::Done) << err.toStdString();
    services::installPort(&port);
    EXPECT_EQ(out.toLatin1(), contents(path)); // standard output carries the same lines

    // Vin 480 / 1023 x 5 = 2.346; Vout 420 / 1023 x 5 = 2.053; change
    // (420 - 480) / 480 = -12.5 %. Flows scaled by the closed-loop installed
    // size (register 04, 30 lb/hr) over 19: 185 x 30 / 19 = 292.1 and
    // 160 x 30 / 19 = 252.6; change (160 - 185) / 185 = -13.5 %. Wideband
    // 128 / 255 x 5 = 2.510 V, on the default sensor 20 - 2 x 2.510 = 14.98.
    // TPS 164 / 1023 x 5 = 0.802 V, angle (0.8016 - 26 / 256 x 5) x 25.04
    // = 7.36 degrees. Speed 87 x 40 = 3480 rpm.
    const QByteArray sample = "\"07:41:09\",\"2.346\",\"2.053\",\"-12.5\",\"292\",\"253\",\"-13.5\",\"15.0\","
                              "\"0.802\",\"7.4\",\"3,480\"\r\n";
    EXPECT_EQ(contents(path), "\"12-05-2026\",\"07:41:09\"\r\n" + LogColumns + sample + sample);
}

} // namespace
