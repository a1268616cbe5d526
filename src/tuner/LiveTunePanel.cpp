#include "tuner/LiveTunePanel.h"

#include "config/TwipsLayout.h"
#include "monitor/LiveReadout.h"
#include "monitor/LiveSample.h"
#include "monitor/mdlMonitor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/PublicVars.h"
#include "tuner/AutoTuneHandOff.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerSession.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <limits>

using namespace tuner;

namespace {

// Fuel metered this soon after an application is not credited to the cells
// it moved: the wideband is still on its way to the new mixture.
constexpr double HoldOffSeconds = 0.5;
constexpr int RowTop = 8580;

double rounded(double value, double step)
{
    return std::round(value / step) * step;
}

QSpinBox* spin(QWidget* area, const char* name, const char* caption, int left, int captionWidth, int low, int high,
               int value)
{
    twips_layout::Label(area, QStringLiteral("Label_") + QLatin1String(name), QLatin1String(caption), left, RowTop + 90,
                        captionWidth, 255);
    auto* box = new QSpinBox(area);
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setValue(value);
    box->setGeometry(Twips(left + captionWidth, area), Twips(RowTop + 45, area), Twips(720, area), Twips(345, area));
    return box;
}

// Driving, the throttle moves at the end of every pull: a reading credited
// just before that may already show the overrun when the delay is a little
// short, so the live analysis holds off before a transient as after it.
autotune::Settings withHoldOff(autotune::Settings settings)
{
    settings.beforeTransientSeconds = settings.transientSeconds;
    return settings;
}

} // namespace

LiveTunePanel::LiveTunePanel(GraphicalTuneControls& controls, TunerCells& cells, TunerSession& session,
                             AutoTuneHandOff& autoTune, QWidget* area, Hooks hooks)
    : QObject(area), c_(controls), cells_(cells), session_(session), autoTune_(autoTune), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("LiveTunePanel"));
    cmdLiveAutoTune_ = twips_layout::Button(area, QStringLiteral("cmdLiveAutoTune"), QStringLiteral("LIVE AUTO-TUNE"),
                                            120, RowTop, 1980, 435);
    cmdLiveAutoTune_->setCheckable(true);
    cmdLiveAutoTune_->setToolTip(QStringLiteral("On line: apply the ready cells' suggestions as you drive"));
    cmdResetLive_ =
        twips_layout::Button(area, QStringLiteral("cmdResetLive"), QStringLiteral("RESET"), 2220, RowTop, 930, 435);
    cmdResetLive_->setToolTip(QStringLiteral("Clear the live statistics"));
    spnLiveInterval_ = spin(area, "spnLiveInterval", "EVERY [s]", 3270, 900, 5, 600, limits_.intervalSeconds);
    spnLiveCap_ = spin(area, "spnLiveCap", "STEP [%]", 5010, 840, 1, 10, limits_.capPoints);
    spnLiveAuthority_ = spin(area, "spnLiveAuthority", "LIMIT [+-%]", 6690, 1080, 1, 100, limits_.authority);
    lblLiveSamples_ = twips_layout::Label(area, QStringLiteral("lblLiveSamples"), QStringLiteral("ACCEPTED: 0"), 8610,
                                          RowTop + 90, 1500, 255);
    lblLiveStatus_ =
        twips_layout::Label(area, QStringLiteral("lblLiveStatus"), QString(), 10200, RowTop + 90, 4080, 255);
    lblLiveStatus_->setTextFormat(Qt::PlainText);

    connect(cmdLiveAutoTune_, &QPushButton::clicked, this, [this](bool on) { setRunning(on); });
    connect(cmdResetLive_, &QPushButton::clicked, this, &LiveTunePanel::cmdResetLive_Click);
    connect(spnLiveInterval_, &QSpinBox::valueChanged, this, [this](int v) { limits_.intervalSeconds = v; });
    connect(spnLiveCap_, &QSpinBox::valueChanged, this, [this](int v) { limits_.capPoints = v; });
    connect(spnLiveAuthority_, &QSpinBox::valueChanged, this, [this](int v) { limits_.authority = v; });
    connect(&autoTune, &AutoTuneHandOff::settingsChosen, this, &LiveTunePanel::useSettings);
    analysis_.setSettings(defaults(hooks_.tableLetter()));
}

autotune::Settings LiveTunePanel::defaults(char table) const
{
    autotune::Settings settings;
    settings.table = table;
    settings.target = autotune::DefaultTarget(table);
    settings.breakpointVolts = mdlPublicVars::WotBreakpointVolts;
    settings.eecInjectorSize = static_cast<int>(mdlPublicVars::EecInjectorSize);
    return withHoldOff(settings);
}

void LiveTunePanel::useSettings(const autotune::Settings& settings)
{
    chosen_ = true;
    analysis_.setSettings(withHoldOff(settings));
    showCells();
}

void LiveTunePanel::setRunning(bool on)
{
    if (on && !running_) {
        if (!session_.live()) {
            stop(QStringLiteral("LIVE AUTO-TUNE works on line."));
            return;
        }
        // The analysis groups samples by the cells as they sit without an offset.
        if (cells_.offset() != 0 && !hooks_.resetOffset()) {
            stop(QStringLiteral("LIVE AUTO-TUNE needs the slider offset at 0."));
            return;
        }
        anchor_ = autotune::CellValuesOf(cells_.table());
        lastApplied_ = services::clock().nowMs() / 1000.0;
        applications_ = 0;
        running_ = true;
        lblLiveStatus_->setText(QStringLiteral("LIVE AUTO-TUNE on: table %1").arg(QLatin1Char(hooks_.tableLetter())));
    } else if (!on && running_) {
        stop(QStringLiteral("LIVE AUTO-TUNE off."));
        return;
    }
    cmdLiveAutoTune_->setChecked(running_);
}

void LiveTunePanel::stop(const QString& why)
{
    running_ = false;
    cmdLiveAutoTune_->setChecked(false);
    lblLiveStatus_->setText(why);
}

void LiveTunePanel::linkLost()
{
    if (running_)
        stop(QStringLiteral("LIVE AUTO-TUNE stopped: the link was lost."));
    showCells();
}

void LiveTunePanel::wentOffLine()
{
    if (running_)
        stop(QStringLiteral("LIVE AUTO-TUNE off: the tuner went off line."));
    showCells();
}

void LiveTunePanel::cmdResetLive_Click()
{
    analysis_.reset();
    showCells();
}

void LiveTunePanel::take(const QString& sampleData)
{
    const char table = hooks_.tableLetter();
    if (table != analysis_.settings().table) {
        // Another table: its own defaults, and nothing applied to it unasked.
        chosen_ = false;
        analysis_.setSettings(defaults(table));
        if (running_)
            stop(QStringLiteral("LIVE AUTO-TUNE stopped: another table is shown."));
    } else if (!chosen_) {
        // The defaults follow the unit's breakpoint and EEC injector size as
        // the tuner reads and sets them.
        const autotune::Settings now = defaults(table);
        if (now.breakpointVolts != analysis_.settings().breakpointVolts
            || now.eecInjectorSize != analysis_.settings().eecInjectorSize)
            analysis_.setSettings(now);
    }
    int multispark = 0;
    const LiveSample s = DecodeLiveSample(sampleData, mdlMonitor::CurrentDecodeContext(), multispark);
    // As the tuner shows (and logs) them, so that the live analysis and one
    // of the tuner's log agree.
    autotune::LiveValues values;
    const double now = services::clock().nowMs() / 1000.0;
    values.seconds = now;
    values.mafVolts = rounded(s.MAFInputVoltage, 0.01);
    values.tpsVolts = rounded(s.TPSVoltage, 0.001);
    values.throttleAngle = rounded(s.ThrottleAngle, 0.1);
    values.rpm = std::round(s.EngineSpeed);
    values.airFuel = live_display::AirFuelText(s.AirFuelRatio).text == QLatin1String("XXX")
        ? std::numeric_limits<double>::quiet_NaN()
        : rounded(s.AirFuelRatio, 0.1);
    analysis_.add(values);
    if (running_ && now - lastApplied_ >= limits_.intervalSeconds)
        apply(now);
    else if (!captions_.take(services::clock().nowMs(), session_.timer()->interval()))
        return;
    showCells();
}

void LiveTunePanel::apply(double now)
{
    lastApplied_ = now;
    if (session_.lost()) {
        linkLost();
        return;
    }
    // Not while the AUTO-TUNE dialog shows its suggestion for the cells as they are.
    if (!session_.live() || cells_.editRunning() || !cells_.armed() || cells_.offset() != 0 || autoTune_.dialog())
        return;
    const autotune::CellValues current = autotune::CellValuesOf(cells_.table());
    const CellAmounts amounts =
        LiveStepAmounts(analysis_.result(current), current, anchor_, limits_, analysis_.settings().locked);
    if (std::all_of(amounts.begin(), amounts.end(), [](int a) { return a == 0; }))
        return;
    QString refusal;
    const bool done = cells_.moveCells(
        amounts, [&](const EntryWrite& beyond) { refusal = EntryBeyondText(beyond.address, beyond.value); },
        QStringLiteral("LIVE AUTO-TUNE"));
    // Whatever was written, the samples under the old values no longer
    // describe the cells it touched.
    analysis_.restartCells(CellsTouched(amounts), HoldOffSeconds);
    if (session_.lost()) {
        linkLost();
        return;
    }
    if (!done) {
        stop(QStringLiteral("LIVE AUTO-TUNE stopped: ")
             + (refusal.isEmpty() ? QStringLiteral("the unit refused a write.") : refusal));
        return;
    }
    ++applications_;
    int moved = 0;
    for (const int a : amounts)
        moved += a != 0;
    lblLiveStatus_->setText(QStringLiteral("LIVE AUTO-TUNE: step %1 moved %2 %3")
                                .arg(applications_)
                                .arg(moved)
                                .arg(moved == 1 ? QStringLiteral("cell") : QStringLiteral("cells")));
}

void LiveTunePanel::showCells()
{
    const autotune::Result result = analysis_.result(autotune::CellValuesOf(cells_.table()));
    for (int i = 0; i < CellCount; ++i) {
        const LiveCaption caption = LiveCaptionOf(result.cells[i], analysis_.settings().minimumSamples);
        QLabel* label = c_.captions_[i];
        label->setToolTip(caption.tip);
        // The cell in use keeps its dark text on red.
        if (i != cells_.activeCell())
            colours::SetTextColour(label, caption.colour);
    }
    lblLiveSamples_->setText(QStringLiteral("ACCEPTED: %1").arg(analysis_.accepted()));
    captions_.drawHeld(services::clock().nowMs());
}
