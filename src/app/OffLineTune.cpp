#include "app/OffLineTune.h"

#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/TextFileSave.h"
#include "sim/OffLineUnit.h"
#include "sim/SimulatedPort.h"
#include "state/PublicVars.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneHistory.h"
#include "tunefile/TuneTransfer.h"

#include <QDir>
#include <QFileInfo>

namespace offline {

namespace {

const QString Filter = QStringLiteral("Ventrix Tune Files (*.tun)");
// The number the program last found its unit on: the off-line unit sits
// there, so the search finds it at the first probe.
int unitPortNumber()
{
    bool ok = false;
    const int stored =
        startup_settings::Read(startup_settings::LastActiveCommPort, QStringLiteral("1")).trimmed().toInt(&ok);
    return ok && stored > 0 ? stored : 1;
}

void setModified(bool modified)
{
    mdlPublicVars::OffLineTuneModified = modified;
    mdlMain::ShowTuneModified(modified);
}

} // namespace

std::optional<tunefile::Tune> ReadTune(const QString& path, QString* why)
{
    const tunefile::LoadedTune loaded = tunefile::LoadTuneFile(path);
    if (!loaded.tune)
        *why = QStringLiteral("The tune was not opened.\n") + loaded.error;
    return loaded.tune;
}

QString UnsavedText(const QString& path)
{
    return QStringLiteral("The tune opened off line has changes that are not in %1.\nSave them?")
        .arg(QFileInfo(path).fileName());
}

} // namespace offline

OffLineTune::OffLineTune(std::function<void(std::unique_ptr<SerialPort>)> installPort)
    : installPort_(std::move(installPort))
{ }

OffLineTune::~OffLineTune() = default;

bool OffLineTune::open(const QString& path)
{
    QString why;
    const std::optional<tunefile::Tune> tune = offline::ReadTune(path, &why);
    if (!tune) {
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Open Failure"), why);
        return false;
    }
    if (!unit_) {
        unit_ = std::make_unique<OffLineUnit>();
        unit_->setModifiedListener(offline::setModified);
        auto port = std::make_unique<SimulatedPort>(unit_->device(), services::clock());
        port->setUnitPort(offline::unitPortNumber());
        port->setExistingPorts({port->unitPort()});
        installPort_(std::move(port));
        mdlMain::MarkUnavailable(QStringLiteral("cmdVentrixRun"), offline::NoEngineTip);
        mdlMain::MarkUnavailable(QStringLiteral("mnuVentrixRunItem"), offline::NoEngineTip);
        mdlMain::MarkUnavailable(QStringLiteral("cmdAccuracyTest"), offline::NoUnitToTestTip);
        mdlMain::MarkUnavailable(QStringLiteral("mnuAccuracyTestItem"), offline::NoUnitToTestTip);
        mdlMain::MarkUnavailable(QStringLiteral("mnuResetItem"), offline::NoUnitToResetTip);
    }
    unit_->open(*tune);
    // Saved later to the same file, whatever the working folder is then.
    mdlPublicVars::OffLineTunePath = QFileInfo(path).absoluteFilePath();
    offline::setModified(false);
    mdlMain::SetCaption(mdlMain::OffLineCaption(path));
    return true;
}

bool OffLineTune::save()
{
    return isOpen() && saveTo(mdlPublicVars::OffLineTunePath);
}

bool OffLineTune::saveAs()
{
    if (!isOpen())
        return false;
    FileDialogRequest request;
    request.title = QStringLiteral("SAVE TUNE AS");
    request.filter = offline::Filter;
    request.defaultName = QFileInfo(mdlPublicVars::OffLineTunePath).fileName();
    const QString path = services::dialogs().saveFileName(request);
    if (path.isEmpty() || !saveTo(path))
        return false;
    mdlPublicVars::OffLineTunePath = path;
    mdlMain::SetCaption(mdlMain::OffLineCaption(path));
    return true;
}

bool OffLineTune::saveTo(const QString& path)
{
    QString error;
    if (!SaveTextFile(path, tunefile::TuneText(unit_->tuneToSave()), &error)) {
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Save Failure"),
                                    QStringLiteral("The tune was not saved. The file could not be written:\n")
                                        + QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
        return false;
    }
    unit_->markSaved();
    tune_history::Remember(tune_history::Source::OffLineSave, QFileInfo(path).absoluteFilePath(), unit_->tuneToSave(),
                           services::clock().currentDateTime());
    return true;
}

bool OffLineTune::mayLeave()
{
    if (!isOpen() || !unit_->modified())
        return true;
    switch (services::dialogs().message(MsgIcon::Question, offline::UnsavedTitle,
                                        offline::UnsavedText(mdlPublicVars::OffLineTunePath),
                                        MsgButtons::YesNoCancel)) {
    case MsgAnswer::Yes:
        return save();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}
