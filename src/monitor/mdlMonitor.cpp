#include "monitor/mdlMonitor.h"

#include "config/frmIgnitionConfig.h"
#include "link/SettingsStore.h"
#include "link/Unit.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QMainWindow>

namespace mdlMonitor {

namespace {
constexpr int WasteSparkOption = 1;
constexpr int FjoLimit = 10;
} // namespace

std::optional<QString> RequestLiveSample()
{
    std::optional<QString> sample = unit::LiveSample(unit::Use::MonitorSample);
    if (!sample)
        mdlPublicVars::Connected = false;
    return sample;
}

SampleRequest RequestLiveSampleStepwise(const std::function<bool(int nextAttempt)>& betweenAttempts, QString& sample)
{
    using namespace mdlPublicVars;
    // The attempts stay one exchange of the link, so a reply that comes late
    // to one attempt still answers the request instead of being thrown away
    // as a straggler before the next.
    int nextAttempt = 1;
    bool givenUp = false;
    const std::optional<QString> answered = unit::LiveSample(unit::Use::MonitorSample, [&] {
        ++nextAttempt;
        givenUp = betweenAttempts && !betweenAttempts(nextAttempt);
        return !givenUp;
    });
    sample = answered.value_or(QString());
    if (answered)
        return SampleRequest::Answered;
    if (givenUp)
        return SampleRequest::GivenUp;
    Connected = false;
    return SampleRequest::Unanswered;
}

QString RetryingText(int attempt)
{
    return QStringLiteral("No reply from the unit - retrying, %1 of %2").arg(attempt).arg(SampleAttempts);
}

bool IgnitionIsWasteSpark()
{
    QMainWindow* main = mdlMain::MainWindow();
    if (!main)
        return false;
    const auto* ignition = main->findChild<frmIgnitionConfig*>();
    return ignition && ignition->SelectedIgnitionType() == WasteSparkOption;
}

DecodeContext CurrentDecodeContext()
{
    using namespace mdlPublicVars;
    DecodeContext context;
    context.tpsKeyOnVolts = TpsKeyOnVolts;
    context.wotBreakpointVolts = WotBreakpointVolts;
    context.installedInjectorSize = InstalledInjectorSize;
    context.widebandModel = WidebandModel;
    context.fjoCalibration = FJOCalibration;
    context.wasteSpark = IgnitionIsWasteSpark();
    return context;
}

qint16 ParseFjoCalibration(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= -FjoLimit && value <= FjoLimit ? static_cast<qint16>(value) : 0;
}

qint16 StoredFjoCalibration()
{
    return ParseFjoCalibration(startup_settings::Read(startup_settings::FjoCalibration, QStringLiteral("0")));
}

} // namespace mdlMonitor
