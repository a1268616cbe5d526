#pragma once

#include "link/RequestTable.h"
#include "monitor/LiveSample.h"

#include <functional>
#include <optional>

// The live sample as the windows fetch it from the unit.
namespace mdlMonitor {

// Asks the unit for one live sample ("M"): its text. On failure the link
// counts as lost (Connected false) and nothing is shown: the caller reacts.
std::optional<QString> RequestLiveSample();

// The same request made one attempt at a time, for a window that must stay
// alive while a silent unit runs out its attempts. betweenAttempts runs after
// every unanswered attempt but the last, with the number of the attempt about
// to go out (2 to 50); it returns false to give up. A port that reports an
// error fails every attempt alike and ends the request at once. When
// answered, `sample` holds the sample's text.
enum class SampleRequest { Answered, Unanswered, GivenUp };
inline constexpr int SampleAttempts = unit::PatienceOf(unit::Use::MonitorSample).attempts;
SampleRequest RequestLiveSampleStepwise(const std::function<bool(int nextAttempt)>& betweenAttempts, QString& sample);

// What the user is told while the attempts run ("No reply from the unit -
// retrying, 7 of 50").
QString RetryingText(int attempt);

// What the user is told when a sample goes unanswered.
inline const QString LostConnectionText =
    QStringLiteral("Lost Connection to VentrixTM!\r\nPlease check power to VentrixTM and serial cable connectivity.");

// The decode's inputs as they stand now: the configuration read at start-up,
// the wideband model and calibration, and whether the ignition window has
// waste spark selected.
DecodeContext CurrentDecodeContext();

// Whether the ignition configuration window has "WASTE-SPARK (4/6/8 Cyl.)"
// selected; false when there is no such window.
bool IgnitionIsWasteSpark();

// The FJO calibration the user last set, as stored under "FJOCAL": -10 to
// +10, 0 when absent or not a number in range.
qint16 StoredFjoCalibration();
qint16 ParseFjoCalibration(const QString& text);

} // namespace mdlMonitor
