// kestrel-cli monitor against the simulated unit as it comes from the
// factory (bank 1 injectors 24, 19, 30 and 21 lb/hr: a register taken for
// another changes the flows), with every logged field worked out by hand.
#include "CliFixture.h"

#include "link/Frame.h"
#include "support/FakePorts.h"

namespace {

// The unit's port, with the live sample replaced by a known one; every
// other request goes to the unit.
class KnownSamplePort final : public ForwardingPort {
public:
    KnownSamplePort(SerialPort& inner, QByteArray sample) : ForwardingPort(inner), sample_(std::move(sample)) {}
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

class MonitorValuesTest : public CliFixture {};

TEST_F(MonitorValuesTest, EveryLoggedFieldIsTheSampleWorkedOutByHand)
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

    // Vin 480 / 1023 x 5 = 2.346; Vout 420 / 1023 x 5 = 2.053; change
    // (420 - 480) / 480 = -12.5 %. Flows scaled by the closed-loop installed
    // size (register 04, 30 lb/hr) over 19: 185 x 30 / 19 = 292.1 and
    // 160 x 30 / 19 = 252.6; change (160 - 185) / 185 = -13.5 %. Wideband
    // 128 / 255 x 5 = 2.510 V, on the default sensor 20 - 2 x 2.510 = 14.98.
    // TPS 164 / 1023 x 5 = 0.802 V, angle (0.8016 - 26 / 256 x 5) x 25.04
    // = 7.36 degrees. Speed 87 x 40 = 3480 rpm.
    const QByteArray sample = "\"07:41:09\",\"2.346\",\"2.053\",\"-12.5\",\"292\",\"253\",\"-13.5\",\"15.0\","
                              "\"0.802\",\"7.4\",\"3,480\"\r\n";
    EXPECT_EQ(contents(path), "\"12-05-2026\",\"07:41:09\"\r\n"
                              "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Vdelta(%)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\","
                              "\"Fdelta(%)\",\"A/F\",\"Vtps(v)\",\"TPAngle(deg)\",\"RPM\"\r\n"
                                  + sample + sample);
}

} // namespace
