#pragma once

#include <QColor>
#include <QString>

// The unit's live sample: what the "M" request answers, decoded into volts,
// flows, angle and speed, and how each value is shown. Plain functions; the
// monitor and the tuner's live display both use them.

struct LiveSample {
    double MAFInputVoltage = 0; // V
    double OutputVoltage = 0;   // V
    double VoltageChange = 0;   // %
    double TPSVoltage = 0;      // V
    double ThrottleAngle = 0;   // degrees, 0 to 90
    double InputFlow = 0;       // kg/hr, measured
    double OutputFlow = 0;      // kg/hr, corrected
    double FlowChange = 0;      // %
    double EngineSpeed = 0;     // rpm
    float WidebandVoltage = 0;  // V
    float AirFuelRatio = 0;     // x:1
    bool WOT = false;
    bool WasteSpark = false;
    int MultisparkRaw = 0;   // 0 to 255
    bool Multispark = false; // the debounced indicator
    bool FlipChip = false;
};

// What the decode needs besides the reply: the configuration read from the
// unit at start-up and the user's wideband choices.
struct DecodeContext {
    double tpsKeyOnVolts = 0;
    double wotBreakpointVolts = 0;
    double installedInjectorSize = 0; // lb/hr
    int widebandModel = 0;
    int fjoCalibration = 0;  // -10 to +10
    bool wasteSpark = false; // the ignition is set to waste spark
};

namespace live_sample {

// Where the fields sit in the reply data (1-based positions).
struct Field {
    int position;
    int width;
};
inline constexpr Field MafInput{2, 4};
inline constexpr Field MafOutput{6, 4};
inline constexpr Field Tps{10, 4};
inline constexpr Field Wideband{14, 2};
inline constexpr Field FlowIn{16, 4};
inline constexpr Field FlowOut{20, 4};
inline constexpr Field Speed{24, 2};
inline constexpr Field MultisparkField{26, 2};
inline constexpr Field FlipChipField{28, 2};

// A field as hexadecimal: the hex digits it starts with (fewer when the reply
// is cut short, none giving 0). Four-digit fields are signed 16-bit
// (8000..FFFF are -32768..-1); two-digit fields are 0 to 255.
int FieldValue(const QString& data, Field field);

// The debounced multispark counter: 1000 down for a sample without
// multispark (not below 0), 1000 up for one with it (not above 10000).
inline constexpr int MultisparkLimit = 10000;
inline constexpr int MultisparkStep = 1000;
inline constexpr int MultisparkOnAbove = 5000;
int NextMultisparkCounter(int counter, int multisparkRaw);
inline bool MultisparkOn(int counter)
{
    return counter > MultisparkOnAbove;
}

// The activity heartbeat: counts ticks 0 to 6; on the tick that finds 6 the
// indicator toggles and the count starts again. Returns whether to toggle.
inline constexpr int HeartbeatPeriod = 6;
bool HeartbeatTick(int& counter);
// Green becomes the button face, the button face green; others stay.
QColor ToggledHeartbeat(const QColor& current, const QColor& buttonFace);

// The wideband models, by index: 0 FJO WBO2 .. 8 INNOVATE LM-1.
inline constexpr int WidebandModelCount = 9;

} // namespace live_sample

// The air/fuel ratio a wideband model's voltage stands for; any model index
// outside 0..8 gives the voltage itself.
float WidebandToAirFuel(int model, float volts);

// Decodes the data of an "M" reply. multisparkCounter carries the debounce
// from sample to sample.
LiveSample DecodeLiveSample(const QString& data, const DecodeContext& context, int& multisparkCounter);

// How the values are shown.
namespace live_display {

struct RichLean {
    QString text;    // "LEAN", "NONE", "RICH"
    bool buttonFace; // the button-face colour rather than `colour`
    QColor colour;
};
RichLean RichOrLean(double flowChange);

struct AirFuel {
    QString text; // "XXX" for no reading, else "#0.0"
    QColor colour;
};
AirFuel AirFuelText(float airFuelRatio);

// The display patterns of the monitor's values.
QString Volts(double volts);     // "#0.000"
QString Percent(double percent); // "##0.0"
QString Flow(double kgPerHour);  // "###0"
QString Rpm(double rpm);         // "##,##0"
QString Angle(double degrees);   // "##0.0"

} // namespace live_display
