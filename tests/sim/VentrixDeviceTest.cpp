#include "SimTestSupport.h"

#include "link/Commands.h"

#include <gtest/gtest.h>

namespace {

const QByteArray Negative = QByteArrayLiteral("uu01$");

// The power-up values on the 256-step scale, the top of it held at FF.
TEST(VentrixDevice, PowerUpValuesFitTheirByte)
{
    VentrixDevice device;
    device.setKeyOnVolts(0.996, 5.0);
    const QString y = Data(Ask(device, QStringLiteral("Y")));
    EXPECT_EQ(cmd::Text(y, cmd::reply::MafKeyOn) + cmd::Text(y, cmd::reply::TpsKeyOn), QStringLiteral("33FF"));
}

TEST(VentrixDevice, RefusesMalformedAndUnknownRequestsAndChangesNothing)
{
    const QByteArray frames[] = {
        "UU01ZBC$",                 // checksum off by one
        FrameWithLength("02", "Z"), // length says 2, payload has 1
        FrameWithLength("00", ""),  // empty payload
        "UU0GZBB$",                 // length not hexadecimal
        frame::Build("Q"),          // unknown command
        frame::Build("ZZ"),         // a bare command with an argument
        frame::Build("RT14"),       // no register 14
        frame::Build("WT13"),       // no value
        frame::Build("WT13F"),      // half a value
        frame::Build("RX00"),       // no table X
        frame::Build("Ro00"),       // table letters are upper case
        frame::Build("WO0G11"),     // address not hexadecimal
        frame::Build("WO00+1"),     // value not hexadecimal
        frame::Build("SC4B3204"),   // start after stop
        frame::Build("SC324B0"),    // short block
    };
    for (const QByteArray& request : frames) {
        SCOPED_TRACE(request.constData());
        VentrixDevice device;
        const VentrixMemory before = device.memory();
        QByteArray reply;
        for (const SimChunk& chunk : device.receive(request, 0))
            reply += chunk.bytes;
        EXPECT_EQ(reply, Negative);
        EXPECT_EQ(device.memory(), before);
    }
}

TEST(VentrixDevice, SkipsCharactersOutsideFramesAndResynchronises)
{
    VentrixDevice device;
    // The monitor's bare stop, noise, a frame cut short by the next one, and
    // a frame split over two writes.
    QByteArray replies;
    for (const SimChunk& chunk : device.receive("X#U" + QByteArray("UU01Z") + frame::Build("Z") + "UU04R", 0))
        replies += chunk.bytes;
    for (const SimChunk& chunk : device.receive("T006A$", 0))
        replies += chunk.bytes;
    EXPECT_EQ(replies, QByteArrayLiteral("uu0103$uu01rt0002$"));
    EXPECT_EQ(device.rawStopCount(), 1);
    EXPECT_EQ(device.requestCount(QStringLiteral("Z")), 1);
    EXPECT_EQ(device.requestCount(QStringLiteral("RT")), 1);
    EXPECT_EQ(device.payloadLog(), (QList<QByteArray>{"Z", "RT00"}));
}

TEST(VentrixDevice, SelfTestTakesItsTimeAndSoftResetRestartsTheProbeCount)
{
    VentrixDevice device;
    device.setSelfTestMs(1500);
    const QList<SimChunk> test = device.receive(frame::Build("T"), 10'000);
    ASSERT_EQ(test.size(), 1);
    EXPECT_EQ(test[0].dueMs, 11'500);

    device.faults().busyProbes = 1;
    QStringList statuses;
    for (const char* payload : {"Z", "Z", "K", "Z", "Z"}) {
        const QString data = Data(Ask(device, QString::fromLatin1(payload), 20'000));
        if (QLatin1String(payload) == QLatin1String("Z"))
            statuses << data;
    }
    EXPECT_EQ(statuses, (QStringList{"02", "03", "02", "03"}));
}

} // namespace
