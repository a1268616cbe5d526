#include "CliFixture.h"

namespace {

class CliReconnectTest : public CliFixture { };

// kestrel-cli monitor with the cable pulled for 5 s mid-run: said once on
// the standard error, the unit found again (on its port, or back as port 3),
// the gap noted in the log and on standard output, the run carried on.
TEST_F(CliReconnectTest, APulledCableIsFoundAgainAndTheLogNotesTheGap)
{
    struct Case {
        const char* what;
        int replugPort;
        const char* back;
    };
    for (const Case c :
         {Case{"back on its port", 0, "Link back on port 1."}, Case{"back as port 3", 3, "Link back on port 3."}}) {
        SCOPED_TRACE(c.what);
        port.setUnitPort(1);
        port.setExistingPorts({1, 2, 3, 4, 5, 6});
        const QString path = dir.filePath("run.txt");
        int samples = 0;
        device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
            if (frame.contains("UU01M") && ++samples == 5) {
                device.faults().unplugAfter = device.requestsHeard();
                device.faults().unplugMs = 5000;
                device.faults().replugPort = c.replugPort;
            }
        });
        EXPECT_EQ(run({"monitor", "--log", path, "--seconds", "10"}), exit_status::Done) << err.toStdString();
        EXPECT_EQ(err.count("Link lost, reconnecting..."), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(c.back)) << err.toStdString();
        QStringList lines = QString::fromLatin1(ReadFile(path)).split("\r\n", Qt::SkipEmptyParts);
        ASSERT_GT(lines.size(), 2 + 4 + 2);
        // Four samples (the fifth's reply went with the cable), the gap, then
        // samples again. Back 5 s after the loss; a try each second, one
        // that searches the five other ports taking 1.25 s.
        const auto timeOf = [](const QString& line) {
            return QTime::fromString(line.section('"', line.startsWith("\"USER") ? 3 : 1).left(8), "hh:mm:ss");
        };
        EXPECT_TRUE(lines[6].startsWith("\"USER TIMESTAMP:\"") && lines[6].endsWith("\",\"link lost\""));
        EXPECT_TRUE(lines[7].startsWith("\"USER TIMESTAMP:\"") && lines[7].endsWith("\",\"link back\""));
        EXPECT_EQ(timeOf(lines[6]), timeOf(lines[5]));
        const int gap = timeOf(lines[6]).secsTo(timeOf(lines[7]));
        EXPECT_TRUE(gap >= 5 && gap <= 7) << gap;
        EXPECT_LE(timeOf(lines[7]).secsTo(timeOf(lines[8])), 1); // a sample at once
        EXPECT_EQ(out.toLatin1(), ReadFile(path));
    }
}

// A unit silent for five seconds mid-run, within one sample's attempts: said
// lost after three, back when it answers, the gap in the log; nothing searched.
TEST_F(CliReconnectTest, ASilentUnitIsSaidLostAfterThreeSecondsAndBackWhenItAnswers)
{
    const QString path = dir.filePath("silent.txt");
    int samples = 0;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        // The unit has chosen its answer when the listener runs: samples 6 to 10 go unanswered.
        if (frame.contains("UU01M") && ++samples == 5)
            device.faults().silent = true;
        if (samples == 10)
            device.faults().silent = false;
    });
    EXPECT_EQ(run({"monitor", "--log", path, "--seconds", "8"}), exit_status::Done) << err.toStdString();
    EXPECT_EQ(err.count("Link lost, reconnecting...\nLink back on port 1.\n"), 1) << err.toStdString();
    EXPECT_EQ(heard(device).count("Z"), 1); // the connect's probe only
    const QStringList lines = QString::fromLatin1(ReadFile(path)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 9);
    EXPECT_TRUE(lines[7].endsWith("\",\"link lost\"")) << lines[7].toStdString();
    EXPECT_TRUE(lines[8].endsWith("\",\"link back\"")) << lines[8].toStdString();
    EXPECT_EQ(out.toLatin1(), ReadFile(path));
}

} // namespace
