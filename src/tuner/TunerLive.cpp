#include "tuner/TunerLive.h"

#include "monitor/Datalog.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"

namespace tuner {

ActiveTune ActiveTuneOf(const QString& sampleData)
{
    if (live_sample::FieldValue(sampleData, live_sample::FlipChipField) == 0)
        return {QStringLiteral("TUNE 2"), colours::Red};
    return {QStringLiteral("TUNE 1"), colours::Green};
}

live_display::RichLean TunerRichOrLean(double flowChange)
{
    return live_display::RichOrLean(number_format::RoundHalfEven(flowChange * 10.0) / 10.0);
}

bool WindowSwitchLit(double engineSpeed, double switchOn, double switchOff, bool plusStage, bool shiftLightMode,
                     bool openLoopTable)
{
    const bool inRange = engineSpeed >= switchOn && engineSpeed < switchOff && plusStage;
    return inRange && (shiftLightMode || openLoopTable);
}

QStringList DatalogColumns()
{
    QStringList columns = datalog::ColumnNames();
    columns.removeAll(QStringLiteral("Vdelta(%)"));
    return columns;
}

QStringList ShownValues(const LiveSample& s)
{
    using namespace live_display;
    return {MafVolts(s.MAFInputVoltage), MafVolts(s.OutputVoltage), Flow(s.InputFlow),
            Flow(s.OutputFlow),          Percent(s.FlowChange),     AirFuelText(s.AirFuelRatio).text,
            Volts(s.TPSVoltage),         Angle(s.ThrottleAngle),    Rpm(s.EngineSpeed)};
}

QString UserTimestampLine(const QTime& time)
{
    return datalog::Record({QStringLiteral("USER TIMESTAMP:"), datalog::TimeText(time)});
}

QString MafVolts(double volts)
{
    return number_format::Format(volts, QStringLiteral("0.00"));
}

} // namespace tuner
