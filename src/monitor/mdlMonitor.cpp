#include "monitor/mdlMonitor.h"

#include "app/mdlMain.h"
#include "config/frmIgnitionConfig.h"
#include "link/Commands.h"
#include "link/SettingsStore.h"
#include "link/Transaction.h"
#include "state/PublicVars.h"

#include <QMainWindow>

namespace mdlMonitor {

namespace {
constexpr int SampleAttempts = 50;
constexpr int SampleTimeoutMs = 1000;
constexpr int WasteSparkOption = 1;
constexpr int FjoLimit = 10;
} // namespace

bool RequestLiveSample()
{
    using namespace mdlPublicVars;
    RxBuffer.clear();
    if (SendFrame(cmd::LiveSample(), SampleAttempts, SampleTimeoutMs))
        return true;
    Connected = false;
    return false;
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
