#include "memory/CellConversions.h"
#include "memory/CellEntry.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

using namespace cells;

const QString RpmTooHigh = QStringLiteral("RPM must be less than or equal to 10,200.");
const QString RpmNegative = QStringLiteral("RPM must be greater than zero.");
const QString VoltsTooHigh = QStringLiteral("Voltage must be less than or equal to 4.995v.");
const QString VoltsNegative = QStringLiteral("Voltage must be greater than zero.");

TEST(CellAddressTest, EngineSpeedAndVoltageGiveTheirCell)
{
    const std::pair<double, int> rpms[] = {{0, 0x00},   {20, 0x00},   {60, 0x02},   {500, 0x0C},
                                           {540, 0x0E}, {2000, 0x32}, {3000, 0x4B}, {10200, 0xFF}};
    for (const auto& [rpm, address] : rpms)
        EXPECT_EQ(RpmToAddress(rpm), address) << rpm;

    const std::pair<double, int> volts[] = {
        {0.0, 0x00},         {2.5, 0x80},         {3.125, 0xA0}, {10.0 / 1024, 0x00}, // 0.5 goes to 0
        {30.0 / 1024, 0x02},                                                          // 1.5 goes to 2
        {4.98, 0xFF},        {4.990234375, 0xFF}, {4.995, 0xFF}};                     // 255.5 and more stay in FF
    for (const auto& [v, address] : volts)
        EXPECT_EQ(VoltsToAddress(v), address) << v;
}

TEST(CellAddressTest, PositionsOutsideTheTableAreRefused)
{
    struct Case {
        char table;
        double position;
        QString message; // empty: accepted
    } const cases[] = {
        {'C', 0, {}},
        {'O', 10200, {}},
        {'L', -1, RpmNegative},
        {'F', 0, {}},
        {'F', 4.995, {}},
        {'F', 4.996, VoltsTooHigh},
        {'F', -0.001, VoltsNegative},
        {'C', std::numeric_limits<double>::quiet_NaN(), RpmTooHigh},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PositionError(c.table, c.position).value_or(QString()), c.message) << c.table << " " << c.position;
}

TEST(CorrectionByteTest, SignedPercentagesRoundTrip)
{
    const std::pair<int, int> decoded[] = {{0xFB, -5}, {0x0C, 12}, {0x80, -128}, {0x7F, 127}, {0x00, 0}, {0xFF, -1}};
    for (const auto& [byte, percent] : decoded)
        EXPECT_EQ(DecodeCorrection(byte), percent) << byte;

    const std::pair<double, int> encoded[] = {{-5, 0xFB},  {12.5, 0x0C}, {-0.4, 0x00}, {-100, 0x9C},
                                              {100, 0x64}, {13.5, 0x0E}, {-0.5, 0x00}, {4, 0x04}};
    for (const auto& [percent, byte] : encoded)
        EXPECT_EQ(EncodeCorrection(percent), byte) << percent;

    for (const auto& [percent, refused] :
         {std::pair{-100.0, false}, {100.0, false}, {101.0, true}, {-100.5, true}, {100.01, true}})
        EXPECT_EQ(CorrectionError(percent).has_value(), refused) << percent;
}

TEST(TransferFlowTest, ScaleGrowsAlongTheTable)
{
    struct Flow {
        int address, byte;
        double ratio;
        long long flow;
    } const flows[] = {
        {160, 0x64, 1.0, 200},
        {255, 0xFF, 1.0, 1020},
        {150, 0xFF, 1.0, 255},
        {151, 0xFF, 1.0, 510},
        {200, 0xFF, 1.0, 510},
        {201, 0xFF, 1.0, 1020},
        {10, 3, 0.5, 2}, // 1.5 goes to 2
        {10, 5, 0.5, 2}, // 2.5 goes to 2
        {10, 7, std::numeric_limits<double>::infinity(), 0},
    };
    for (const Flow& f : flows) {
        EXPECT_EQ(DecodeFlow(f.address, f.byte, f.ratio), f.flow) << f.address << " " << f.byte;
        if (f.ratio == 1.0) {
            EXPECT_EQ(EncodeFlow(f.address, static_cast<double>(f.flow), f.ratio), f.byte) << f.address;
        }
    }

    EXPECT_EQ(FlowLimit(1.0), 1020);
    EXPECT_EQ(FlowLimit(19.0 / 24.0), 808);             // 807.5 goes to the even 808
    EXPECT_EQ(EncodeFlow(100, 256, 1.0), std::nullopt); // a byte of 256 has no two-digit form
    EXPECT_EQ(EncodeFlow(100, 10, 0.0), std::nullopt);
    EXPECT_EQ(EncodeFlow(100, 0, std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(TransferFlowTest, FlowEntriesStayWithinLAndTheCellsByte)
{
    struct Case {
        int address;
        double flow, ratio;
        QString message;
    } const cases[] = {
        {255, 1020, 1.0, {}},
        {255, 1021, 1.0, QStringLiteral("Mass-air Flow Rate must be less than  1020kg/hr.")},
        {255, 1530, 1.5, {}},
        {255, 1531, 1.5, QStringLiteral("Mass-air Flow Rate must be less than  1530kg/hr.")},
        {255, -1, 1.0, QStringLiteral("Mass-air Flow Rate must be positive.")},
        {150, 255, 1.0, {}},
        {150, 256, 1.0, QStringLiteral("Mass-air Flow Rate at this voltage must be less than or equal to 255 kg/hr.")},
        {200, 511, 1.0, QStringLiteral("Mass-air Flow Rate at this voltage must be less than or equal to 510 kg/hr.")},
        {50, 0, 0.0,
         QStringLiteral("The injector calibration is not known. Please select the installed injector size.")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlowError(c.address, c.flow, c.ratio).value_or(QString()), c.message) << c.address << " " << c.flow;
    // Every flow that passes has a byte.
    for (int address = 0; address < CellCount; ++address)
        for (const double ratio : {16.0 / 19, 1.0, 93.0 / 19})
            EXPECT_TRUE(EncodeFlow(address, static_cast<double>(CellFlowLimit(address, ratio)), ratio))
                << address << " " << ratio;
}

TEST(BlockEntryTest, ChecksInOrderAndNamesTheFields)
{
    struct Case {
        double start, stop, percent;
        const char* message; // null: accepted
        int fields;
    } const cases[] = {
        {0, 10200, 4, nullptr, 0},
        {3000, 3000, -100, nullptr, 0},
        {10201, -1, 0, "Start RPM must be <= 10,200", BlockStart},
        {0, -1, 500, "Stop RPM must be >= 0", BlockStop},
        {2000, 3000, 101, "Correction is limited to +/- 100%", BlockValue},
    };
    for (const Case& c : cases) {
        const auto error = BlockError(c.start, c.stop, c.percent);
        ASSERT_EQ(error.has_value(), c.message != nullptr) << c.start << " " << c.stop;
        if (error) {
            EXPECT_EQ(error->message, QString::fromLatin1(c.message));
            EXPECT_EQ(error->fields, c.fields) << c.message;
        }
    }
}

} // namespace
