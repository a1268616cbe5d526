#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

const QByteArray Negative = QByteArrayLiteral("uu01$");

// Replies to a run of payloads from one unit with the given faults.
QList<QByteArray> Replies(const QString& faultList, const QStringList& payloads, VentrixDevice* keep = nullptr)
{
    VentrixDevice local;
    VentrixDevice& device = keep ? *keep : local;
    for (const QString& fault : faultList.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString error;
        EXPECT_TRUE(device.faults().apply(fault, &error)) << qPrintable(error);
    }
    QList<QByteArray> replies;
    for (const QString& payload : payloads)
        replies.append(Ask(device, payload));
    return replies;
}

TEST(SimFaults, EachFaultChangesTheRepliesAsNamed)
{
    const struct {
        const char* faults;
        QStringList payloads;
        QList<QByteArray> replies;
    } cases[] = {
        {"", {"Z", "RT06"}, {"uu0103$", "uu01rt0681$"}},
        {"silent", {"Z", "WO0101"}, {"", ""}},
        {"drop-every=3",
         {"Z", "Z", "Z", "Z", "Z", "Z", "Z"},
         {"uu0103$", "uu0103$", "", "uu0103$", "uu0103$", "", "uu0103$"}},
        {"negative", {"Z", "V"}, {Negative, Negative}},
        {"negative=RT,W", {"Z", "RT00", "WO0001", "RO00"}, {"uu0103$", Negative, Negative, "uu01ro0000$"}},
        {"stray", {"Z"}, {"~uu0103$"}},
        {"stray=U", {"Z"}, {"Uuu0103$"}},
        {"junk=xy", {"Z"}, {"uu0103$xy"}},
        {"busy-probes=2", {"Z", "Z", "Z"}, {"uu0102$", "uu0102$", "uu0103$"}},
        {"refuse-writes", {"WO0001", "WT1301", "SO000101", "RO00"}, {Negative, Negative, Negative, "uu01ro0000$"}},
        {"wrong-echo", {"WO0010", "RO00", "WT0680"}, {"uu01wo0011$", "uu01ro0011$", "uu01wt0681$"}},
        {"self-test=fail", {"T"}, {"uu01tf$"}},
        {"self-test=silent", {"T", "Z"}, {"", "uu0103$"}},
        {"vanish=2", {"Z", "Z", "Z", "Z"}, {"uu0103$", "uu0103$", "", ""}},
        {"other-address",
         {"RO00", "WO0007", "SC101203", "RT02", "Z"},
         {"uu01ro0100$", "uu01wo0100$", "uu01sc111303$", "uu01rt0218$", "uu0103$"}},
        {"short", {"Z", "RT02", "RO00", "V"}, {"uu010$", "uu01r$", "uu01r$", "uu01v$"}},
        {"short=RT,V", {"RT02", "RO00", "V"}, {"uu01r$", "uu01ro0000$", "uu01v$"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        EXPECT_EQ(Replies(QString::fromLatin1(c.faults), c.payloads), c.replies);
    }
}

TEST(SimFaults, SplitDelayedAndLateRepliesComeWhenDue)
{
    const struct {
        const char* faults;
        QStringList payloads;
        QList<qint64> due;
        QList<QByteArray> pieces;
    } cases[] = {
        {"split", {"RO00"}, {5000, 5001, 5002}, {"uu0", "1ro0", "000$"}},
        {"delay=1500", {"Z"}, {6500}, {"uu0103$"}},
        // The unit answers one request at a time: the third waits for the late second.
        {"late=2:2500", {"Z", "RT02", "RT03"}, {5000, 7500, 7500}, {"uu0103$", "uu01rt0218$", "uu01rt0313$"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        VentrixDevice device;
        ASSERT_TRUE(device.faults().apply(QString::fromLatin1(c.faults), nullptr));
        QList<qint64> due;
        QList<QByteArray> pieces;
        for (const QString& payload : c.payloads) {
            for (const SimChunk& chunk : device.receive(frame::Build(payload), 5000)) {
                due << chunk.dueMs;
                pieces << chunk.bytes;
            }
        }
        EXPECT_EQ(due, c.due);
        EXPECT_EQ(pieces, c.pieces);
    }
}

TEST(SimFaults, LostAndRefusedWritesLeaveMemoryAlone)
{
    for (const char* fault : {"silent", "refuse-writes", "negative=W,S", "drop-every=1"}) {
        SCOPED_TRACE(fault);
        VentrixDevice device;
        Replies(QString::fromLatin1(fault), {"WO0001", "SO000101"}, &device);
        EXPECT_EQ(device.memory(), VentrixMemory());
    }
}

TEST(SimFaults, NamesAndValuesAreChecked)
{
    const char* bad[] = {"nosuch",  "silent=1",        "drop-every", "drop-every=0", "delay=-5",
                         "split=x", "self-test=maybe", "negative=Q", "stray=",       "vanish=-1",
                         "late",    "late=0",          "late=x",     "late=3:",      "late=3:5:6",
                         "short=Q", "other-address=1", "unplug",     "unplug=3:x",   "replug-port=0"};
    for (const char* text : bad) {
        SimFaults faults;
        QString error;
        EXPECT_FALSE(faults.apply(QString::fromLatin1(text), &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    SimFaults faults;
    for (const char* text :
         {"split", "busy-probes", "vanish", "delay=250", "vanish-port-error", "unplug=40:8000", "replug-port=3"})
        ASSERT_TRUE(faults.apply(QString::fromLatin1(text), nullptr)) << text;
    EXPECT_EQ(
        std::tuple(faults.splitInto, faults.busyProbes, faults.vanishAfter, faults.delayMs, faults.vanishPortError),
        std::tuple(3, 1, 0, 250, true));
    EXPECT_EQ(std::tuple(faults.unplugAfter, faults.unplugMs, faults.replugPort), std::tuple(40, 8000, 3));
}

} // namespace
