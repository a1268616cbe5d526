#include "SimTestSupport.h"

#include "correction/CorrectionCells.h"
#include "sim/EngineModel.h"

#include <gtest/gtest.h>

#include <QSet>

#include <algorithm>

namespace {

// The raw fields of an "M" reply, by their positions in the reply data.
struct Sample {
    int mafIn, mafOut, tps, wideband, flowIn, flowOut, speed, multispark, flipChip;
};

Sample Decode(const QString& data)
{
    const auto hex = [&](int position, int width) { return data.mid(position - 1, width).toInt(nullptr, 16); };
    return {hex(2, 4), hex(6, 4), hex(10, 4), hex(14, 2), hex(16, 4), hex(20, 4), hex(24, 2), hex(26, 2), hex(28, 2)};
}

Sample SampleAt(VentrixDevice& device, qint64 ms)
{
    return Decode(QString::fromLatin1(device.liveSampleData(ms)));
}

TEST(LiveSample, EngineCyclesThroughIdleCruiseWideOpenAndDeceleration)
{
    VentrixDevice device;
    device.setEngineStart(0);
    Sample low{1023, 0, 1023, 255, 9999, 0, 255, 0, 0};
    Sample high{};
    QList<EngineState::Phase> phases;
    for (qint64 ms = 0; ms < EngineModel::CycleMs; ms += 100) {
        const QByteArray data = device.liveSampleData(ms);
        ASSERT_EQ(data.size(), 29);
        const Sample s = Decode(QString::fromLatin1(data));
        // Zero corrections and offset: the output is the input.
        EXPECT_EQ(s.mafOut, s.mafIn);
        EXPECT_EQ(s.flowOut, s.flowIn);
        for (int Sample::*field : {&Sample::mafIn, &Sample::tps, &Sample::wideband, &Sample::flowIn, &Sample::speed}) {
            low.*field = std::min(low.*field, s.*field);
            high.*field = std::max(high.*field, s.*field);
        }
        const EngineState::Phase phase = EngineModel::At(ms).phase;
        if (phases.isEmpty() || phases.last() != phase)
            phases.append(phase);
    }
    using P = EngineState::Phase;
    EXPECT_EQ(phases, (QList<P>{P::Idle, P::Cruise, P::WideOpen, P::Deceleration, P::Idle}));
    EXPECT_NEAR(low.tps, 164, 1); // the closed-throttle TPS is the key-on voltage
    EXPECT_GT(high.tps, 512);     // past the 2.5 V breakpoint
    EXPECT_LE(low.speed, 20);     // 800 rpm or less
    EXPECT_GE(high.speed, 150);   // 6000 rpm or more
    EXPECT_LT(low.flowIn, 25);
    EXPECT_GT(high.flowIn, 500);
    EXPECT_GT(high.wideband - low.wideband, 80);
    EXPECT_EQ(SampleAt(device, 0).multispark, 0); // waste spark
    device.memory().setRegister(0x06, 0x80);
    EXPECT_NE(SampleAt(device, 0).multispark, 0);
}

// Idle (closed throttle) uses the closed-loop table, the pull the open-loop
// one, of the tune the flip-chip selects; the cell follows the MAF voltage.
TEST(LiveSample, OutputIsTheInputCorrectedByTheCellInUse)
{
    struct Case {
        int tune;
        char closedLoop, openLoop;
    } const cases[] = {{1, 'C', 'O'}, {2, 'L', 'H'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tune);
        VentrixDevice device;
        device.setEngineStart(0);
        device.setActiveTune(c.tune);
        for (int address = 0; address < 256; ++address) {
            device.memory().setCell(c.closedLoop, address, 10);
            device.memory().setCell(c.openLoop, address, -20 & 0xFF);
        }
        const Sample idle = SampleAt(device, 3000);
        const Sample pull = SampleAt(device, 21'000);
        EXPECT_NEAR(idle.mafOut, idle.mafIn * 1.10, 1.0);
        EXPECT_GT(idle.flowOut, idle.flowIn);
        EXPECT_NEAR(pull.mafOut, pull.mafIn * 0.80, 1.0);
        EXPECT_LT(pull.flowOut, pull.flowIn);
        EXPECT_EQ(idle.flipChip, c.tune == 2 ? 0 : 1);
    }

    // Only the cell under the MAF voltage matters.
    VentrixDevice device;
    device.setEngineStart(0);
    const Sample plain = SampleAt(device, 3000);
    const int cell = static_cast<int>(std::lround(plain.mafIn * 255.0 / 1023.0));
    device.memory().setCell('C', cell + 2, 50);
    EXPECT_EQ(SampleAt(device, 3000).mafOut, plain.mafIn);
    device.memory().setCell('C', cell, 50);
    EXPECT_NEAR(SampleAt(device, 3000).mafOut, plain.mafIn * 1.5, 1.0);

    // The voltage offset register is signed.
    device.memory().setCell('C', cell, 0);
    device.memory().setRegister(0x13, 0xF6);
    EXPECT_EQ(SampleAt(device, 3000).mafOut, plain.mafIn - 10);
}

// Sampled as the tuner does, every 50 ms.
TEST(LiveSample, EachCycleSweepsTheWholeMafRange)
{
    VentrixDevice device;
    device.setEngineStart(0);
    QSet<int> cells;
    for (qint64 ms = 0; ms < EngineModel::CycleMs; ms += 50)
        cells.insert(tuner::ActiveCell(SampleAt(device, ms).mafIn * 5.0 / 1023.0));
    EXPECT_EQ(cells.size(), 25); // the cells run 0 to 24, so the ends are in
}

} // namespace
