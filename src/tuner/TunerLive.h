#pragma once

#include "monitor/LiveSample.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>

// What the tuner makes of a live sample beyond the monitor's decode: the
// active tune, its rich/lean verdict, the RPM switch output, and its data
// log's lines. (The cell the engine is working in: tuner::ActiveCell.)
namespace tuner {

// The sample's flag at characters 28-29: 0 means the unit runs tune 2.
struct ActiveTune {
    QString text;  // "TUNE 1" or "TUNE 2"
    QColor colour; // green for tune 1, red for tune 2
};
ActiveTune ActiveTuneOf(const QString& sampleData);

// The rich/lean box: the flow change rounded to one decimal (halves to even)
// before the monitor's rule, so 0.54 shows "NONE" and 0.56 "RICH".
live_display::RichLean TunerRichOrLean(double flowChange);

// Whether the RPM switch output box is lit: the engine at or above the on
// point and below the off point on a plus-stage unit, with the switch in
// shift-light mode or an open-loop table shown.
bool WindowSwitchLit(double engineSpeed, double switchOn, double switchOff, bool plusStage, bool shiftLightMode,
                     bool openLoopTable);

// The tuner's data log: the monitor's record format, its own columns (no
// voltage change) and default name.
inline const QString DatalogDefaultName = QStringLiteral("GTU_datalog.txt");
QStringList DatalogColumns();
// A sample's line in that log after the time, as the tuner shows it: MAF and
// PCM volts, flows, flow change, air/fuel, TPS volts, throttle angle, RPM.
QStringList ShownValues(const LiveSample& sample);
// "USER TIMESTAMP:" and the time of day, for the space bar.
QString UserTimestampLine(const QTime& time);

// Display patterns the tuner uses beyond the monitor's.
QString MafVolts(double volts); // "0.00"

} // namespace tuner
