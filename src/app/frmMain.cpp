#include "app/frmMain.h"

#include "app/AboutBox.h"
#include "app/AccuracyTest.h"
#include "app/OffLineTune.h"
#include "app/ToolbarIcons.h"
#include "app/frmAirFuelCalculator.h"
#include "config/ConfigurationLoad.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "config/frmWidebandConfig.h"
#include "memory/ReadWriteByte.h"
#include "monitor/frmMONITOR.h"
#include "app/frmAutodetect.h"
#include "app/mdlMain.h"
#include "link/SerialPort.h"
#include "logs/OpenLog.h"
#include "platform/Colours.h"
#include "platform/Dialogs.h"
#include "platform/KeepDisabled.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/PublicVars.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/frmCompareTunes.h"
#include "tunefile/frmRestoreBackup.h"
#include "tunefile/frmTuneHistory.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString StartCaption = QStringLiteral("HALDEN RACING \"KESTREL\" - VentrixTM Tuning Software");
const QString ConnectedCaption = QStringLiteral("Connected - VentrixTM Communcations Software");
const QString NotConnectedCaption = QStringLiteral("Not Connected");

} // namespace

frmMain::frmMain(std::unique_ptr<SerialPort> port, QWidget* parent)
    : QMainWindow(parent),
      offLine_(std::make_unique<OffLineTune>([this](std::unique_ptr<SerialPort> p) { replacePort(std::move(p)); })),
      port_(std::move(port)),
      lastTune_([this](const tunefile::Tune& seen) {
          mnuCompareTunesItem_Click();
          if (auto* compare = qobject_cast<frmCompareTunes*>(compare_.data())) {
              compare->setTune(1, seen);
              compare->cmdReadUnit_Click(0);
          }
      })
{
    setObjectName(QStringLiteral("frmMain"));
    mdlMain::RegisterMainWindow(this);
    mdlMain::SetCaption(StartCaption);
    services::installPort(port_.get());

    // The menus make the commands' actions, which the toolbar shows too.
    buildMenus();
    buildToolbar();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mdi_ = new QMdiArea(central);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    mdi_->setBackground(QColor(128, 128, 128));
    // A child window larger than the area (a small screen, a large scale
    // factor) can still be seen whole by scrolling.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(mdi_, 1);
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(Twips(255, this));
    layout->addWidget(ProgressBar1);
    setCentralWidget(central);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 0.8);
}

frmMain::~frmMain()
{
    services::installPort(nullptr);
}

// --- child windows ---------------------------------------------------------

QWidget* frmMain::ShowChild(QPointer<QWidget>& slot, const std::function<QWidget*()>& create)
{
    if (!slot) {
        QWidget* child = create();
        QMdiSubWindow* frame = mdi_->addSubWindow(child);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowTitle(child->windowTitle());
        slot = child;
    }
    QWidget* frame = slot->parentWidget() ? slot->parentWidget() : slot.data();
    frame->show();
    slot->show();
    frame->raise();
    frame->activateWindow();
    return slot;
}

QWidget* frmMain::OpenGuarded(DeviceWindow window, QPointer<QWidget>& slot, const std::function<QWidget*()>& create)
{
    if (!mdlMain::ConnectionGuard())
        return nullptr;
    const bool fresh = !slot;
    QWidget* child = ShowChild(slot, create);
    auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    if (fresh && frame) {
        // Only the window's own QUIT closes it: it must give back the
        // commands it shuts out.
        frame->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::CustomizeWindowHint
                              | Qt::WindowMinimizeButtonHint);
        frame->adjustSize();
    }
    if (frame) {
        frame->move(0, 0);
        frame->show();
    }
    mdlMain::SetControlsEnabled(ControlsDisabledFor(window), false);
    return child;
}

// --- connection ------------------------------------------------------------

void frmMain::cmdConnect_Click()
{
    ConnectToUnit(*this);
    // A unit found now whose configuration was never read in full (none
    // answered at start-up, or the load stopped part-way) is read as at
    // start-up: the windows and the stage must be this unit's.
    if (mdlPublicVars::Connected && !configurationLoaded_)
        LoadConfigurationAtStartup();
    CheckAgainstLastTune();
}

void frmMain::cmdDisconnect_Click()
{
    DisconnectFromUnit(*this);
}

// A data log needs no unit: it opens whether one is connected or not.
void frmMain::mnuOpenLogItem_Click()
{
    logs::AskAndOpenLog(*mdi_);
}

void frmMain::OpenLog(const QString& path)
{
    logs::OpenLogWindow(*mdi_, path);
}

// --- a tune opened off line ----------------------------------------------------

void frmMain::replacePort(std::unique_ptr<SerialPort> port)
{
    if (mdlPublicVars::Connected)
        DisconnectFromUnit(*this);
    else if (port_->isOpen())
        port_->close();
    port_ = std::move(port);
    services::installPort(port_.get());
}

bool frmMain::LoadTuneOffLine(const QString& path)
{
    if (!offLine_->open(path))
        return false;
    mdlMain::SetControlsEnabled({QStringLiteral("mnuSaveTuneItem"), QStringLiteral("mnuSaveTuneAsItem")}, true);
    return true;
}

void frmMain::mnuOpenTuneOffLineItem_Click()
{
    // The unit is replaced under every window that talks to it, and under
    // a port search.
    if (SearchRunning() || mdlPublicVars::ConfigLoading)
        return;
    if (tuner_ || monitor_ || memoryModify_) {
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Open Tune Off Line"),
                                    QStringLiteral("Close the Graphical Tuner, the monitor and Memory Modify "
                                                   "before opening a tune off line."));
        return;
    }
    if (!offLine_->mayLeave())
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("OPEN TUNE OFF LINE");
    request.filter = QStringLiteral("Ventrix Tune Files (*.tun)");
    const QString path = services::dialogs().openFileName(request);
    if (path.isEmpty() || !LoadTuneOffLine(path))
        return;
    // The windows, the stage and the settings are read from the tune as
    // from any unit found.
    ConnectToUnit(*this);
    if (mdlPublicVars::Connected)
        LoadConfigurationAtStartup();
}

void frmMain::mnuSaveTuneItem_Click()
{
    offLine_->save();
}

void frmMain::mnuSaveTuneAsItem_Click()
{
    // The indicator names the file the tune is saved to from now on.
    if (offLine_->saveAs() && mdlPublicVars::Connected)
        showConnectedIndicator(mdlPublicVars::CommPortNumber);
}

void frmMain::mnuExitItem_Click()
{
    if (exiting_ || !offLine_->mayLeave())
        return;
    exiting_ = true;
    CloseLinkForExit();
    mdi_->closeAllSubWindows();
    close();
    QApplication::quit();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Closing the window by its frame is the same as File > Exit.
    if (!exiting_) {
        if (!offLine_->mayLeave()) {
            event->ignore();
            return;
        }
        exiting_ = true;
        CloseLinkForExit();
        mdi_->closeAllSubWindows();
    }
    event->accept();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A child window closing in the work area clears the title's mark of
    // unsaved changes (the sub-window does so on its way out, maximized or
    // not); the mark follows the off-line tune alone.
    if (event->type() == QEvent::ModifiedChange && !mdlPublicVars::OffLineTunePath.isEmpty()
        && isWindowModified() != mdlPublicVars::OffLineTuneModified)
        setWindowModified(mdlPublicVars::OffLineTuneModified);
}

void frmMain::setBusyPointer(bool busy)
{
    mdlMain::SetBusyPointer(busy);
}

void frmMain::showAutodetectWindow()
{
    if (!autodetect_) {
        autodetect_ = new frmAutodetect(this);
        autodetect_->setAttribute(Qt::WA_DeleteOnClose);
    }
    autodetect_->show();
    autodetect_->move(geometry().center() - autodetect_->rect().center());
    autodetect_->raise();
}

void frmMain::showCandidatePort(int portNumber)
{
    if (autodetect_)
        autodetect_->showPort(portNumber);
}

void frmMain::unloadAutodetectWindow()
{
    if (autodetect_)
        autodetect_->close();
}

void frmMain::showConnectedIndicator(int portNumber)
{
    txtConnected->setEnabled(true);
    // A tune open off line is no car on a cable: the box says OFF LINE, not
    // green, and the label beside it names the file instead of CONNECTED.
    const QString& offLine = mdlPublicVars::OffLineTunePath;
    auto* label = findChild<QLabel*>(QStringLiteral("Label1"));
    if (offLine.isEmpty()) {
        colours::SetBackground(txtConnected, colours::Green);
        txtConnected->setText(QStringLiteral("Com %1").arg(portNumber));
        label->setText(QStringLiteral("CONNECTED"));
    } else {
        colours::SetButtonFace(txtConnected);
        txtConnected->setText(QStringLiteral("OFF LINE"));
        label->setText(QFileInfo(offLine).fileName());
    }
    txtConnected->setToolTip(QDir::toNativeSeparators(offLine));
    label->setToolTip(txtConnected->toolTip());
    // The box as wide as its text needs, the label after it.
    const int width =
        std::max(Twips(795, this),
                 txtConnected->fontMetrics().horizontalAdvance(txtConnected->text()) + txtConnected->height() / 2);
    txtConnected->resize(width, txtConnected->height());
    label->move(txtConnected->geometry().right() + Twips(165, this), label->y());
    label->adjustSize();
    mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, false);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
}

void frmMain::showSearchFailed()
{
    mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, true);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, false);
}

void frmMain::searchStarted()
{
    beforeSearch_.clear();
    for (const QString& name : ControlsDisabledWhileSearching())
        beforeSearch_.insert(name, mdlMain::IsControlEnabled(name));
    mdlMain::SetControlsEnabled(ControlsDisabledWhileSearching(), false);
}

void frmMain::searchEnded()
{
    // Connect and Disconnect follow the outcome; the rest are as they were.
    for (auto it = beforeSearch_.cbegin(); it != beforeSearch_.cend(); ++it)
        if (it.key() != QLatin1String("cmdConnect") && it.key() != QLatin1String("cmdDisconnect"))
            mdlMain::SetControlsEnabled({it.key()}, it.value());
    beforeSearch_.clear();
    mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, !mdlPublicVars::Connected);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, mdlPublicVars::Connected);
}

void frmMain::showConnectedTitle()
{
    mdlMain::SetCaption(ConnectedCaption);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, false);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
}

void frmMain::showDisconnected()
{
    mdlMain::SetCaption(NotConnectedCaption);
    colours::SetButtonFace(txtConnected);
    txtConnected->clear();
    mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, false);
    mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, true);
}

// --- windows and commands of the other parts of the program ------------------

void frmMain::cmdAirFuelCalculator_Click()
{
    const bool fresh = !calculator_;
    auto* window = static_cast<frmAirFuelCalculator*>(ShowChild(calculator_, [] { return new frmAirFuelCalculator; }));
    if (fresh)
        window->Form_Load();
}

void frmMain::mnuConfig_Click()
{
    const bool fresh = !wideband_;
    auto* window = static_cast<frmWidebandConfig*>(ShowChild(wideband_, [] { return new frmWidebandConfig; }));
    if (fresh)
        window->Form_Load();
}

void frmMain::mnuStartupValuesItem_Click()
{
    ShowChild(configure_, [] { return new frmConfigure; });
}

void frmMain::mnuIgnitionConfigItem_Click()
{
    ShowChild(ignition_, [] { return new frmIgnitionConfig; });
}

void frmMain::mnuAccuracyTestItem_Click()
{
    RunAccuracyTest();
}

void frmMain::mnuResetItem_Click()
{
    RunSoftReset();
}

void frmMain::mnuMemoryModifyItem_Click()
{
    const bool fresh = !memoryModify_;
    QWidget* window = OpenGuarded(DeviceWindow::MemoryModify, memoryModify_, [] { return new ReadWriteByte; });
    if (window && fresh)
        static_cast<ReadWriteByte*>(window)->Form_Load();
}

void frmMain::mnuVentrixRunItem_Click()
{
    const bool fresh = !monitor_;
    QWidget* window = OpenGuarded(DeviceWindow::LiveMonitor, monitor_, [] { return new frmMONITOR; });
    if (window && fresh)
        static_cast<frmMONITOR*>(window)->Form_Load();
}

void frmMain::mnuGraphicalTunerItem_Click()
{
    const bool fresh = !tuner_;
    QWidget* window = OpenGuarded(DeviceWindow::GraphicalTuner, tuner_, [] { return new frmGraphicalTune; });
    if (!window || !fresh)
        return;
    if (offLine_->isOpen())
        KeepDisabled(window->findChild<QWidget*>(QStringLiteral("cmdONLINE")), offline::NoLiveTuningTip);
    static_cast<frmGraphicalTune*>(window)->Form_Load();
}

void frmMain::mnuExportTuneItem_Click()
{
    tunefile::ExportTune();
}
void frmMain::mnuImportTuneItem_Click()
{
    tunefile::ImportTune();
}
void frmMain::mnuTuneHistoryItem_Click()
{
    ShowTuneHistory();
}

void frmMain::mnuRestoreBackupItem_Click()
{
    ShowRestoreBackup();
}

// Two tune files compare without a unit: the window opens whether one is
// connected or not, and asks for the unit only when told to read it.
void frmMain::mnuCompareTunesItem_Click()
{
    const bool fresh = !compare_;
    QWidget* window = ShowChild(compare_, [] { return new frmCompareTunes; });
    // Graphs and lists want room: as large as the area allows, at its top left.
    if (fresh && window->parentWidget())
        window->parentWidget()->setGeometry(
            QRect(QPoint(0, 0), mdi_->viewport()->size().expandedTo(window->parentWidget()->minimumSizeHint())));
}

// The two configuration windows are made hidden, so that the load fills their
// controls, and kept: their QUIT only hides them.
bool frmMain::LoadConfigurationAtStartup()
{
    for (QPointer<QWidget>* slot : {&configure_, &ignition_}) {
        if (*slot)
            continue;
        QWidget* child = slot == &configure_ ? static_cast<QWidget*>(new frmConfigure)
                                             : static_cast<QWidget*>(new frmIgnitionConfig);
        QMdiSubWindow* frame = mdi_->addSubWindow(child);
        frame->hide();
        *slot = child;
    }
    configurationLoaded_ = LoadConfiguration(*static_cast<frmConfigure*>(configure_.data()),
                                             *static_cast<frmIgnitionConfig*>(ignition_.data()))
        == 1;
    return configurationLoaded_;
}

void frmMain::CheckAgainstLastTune()
{
    if (configurationLoaded_)
        lastTune_.run();
}

// --- About -----------------------------------------------------------------

void frmMain::mnuAboutItem_Click()
{
    about_box::Show();
}
