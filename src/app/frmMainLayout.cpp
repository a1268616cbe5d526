// The main window's toolbar and menus.
#include "app/frmMain.h"

#include "app/AccuracyTest.h"
#include "app/OffLineTune.h"
#include "app/ToolbarIcons.h"
#include "app/frmAirFuelCalculator.h"
#include "config/ConfigurationLoad.h"
#include "config/frmConfigure.h"
#include "config/frmIgnitionConfig.h"
#include "config/frmWidebandConfig.h"
#include "link/ConfigurationRead.h"
#include "memory/ReadWriteByte.h"
#include "monitor/frmMONITOR.h"
#include "app/Version.h"
#include "app/frmAutodetect.h"
#include "app/mdlMain.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/Transaction.h"
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
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QCloseEvent>
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

// --- layout ----------------------------------------------------------------

void frmMain::buildToolbar()
{
    auto* strip = new QToolBar(this);
    strip->setObjectName(QStringLiteral("toolbar"));
    strip->setMovable(false);
    strip->setFloatable(false);
    strip->toggleViewAction()->setVisible(false);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->layout()->setContentsMargins(0, 0, 0, 0);

    auto* picture1 = new QWidget(strip);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setFixedHeight(Twips(675, this));
    picture1->setMinimumWidth(Twips(7200, this));
    picture1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    strip->addWidget(picture1);
    addToolBar(Qt::TopToolBarArea, strip);

    auto* picture2 = new QWidget(this);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setFixedHeight(0);

    // Each button shows one command: Connect and Disconnect have no menu
    // item, the others show their menu item's action.
    auto* connect = new QAction(QStringLiteral("Connect"), this);
    QObject::connect(connect, &QAction::triggered, this, &frmMain::cmdConnect_Click);
    auto* disconnect = new QAction(QStringLiteral("Disconnect"), this);
    QObject::connect(disconnect, &QAction::triggered, this, &frmMain::cmdDisconnect_Click);
    const auto menuItem = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };

    toolbarStrip_ = picture1;
    pictureButton("cmdConnect", toolbar_icons::Connect(), 0, QStringLiteral("Connect"), connect);
    pictureButton("cmdDisconnect", toolbar_icons::Disconnect(), 600, QStringLiteral("Disconnect"), disconnect);
    pictureButton("cmdGraphicalTune", toolbar_icons::GraphicalTune(), 1200, QStringLiteral("Graphical Tuner"),
                  menuItem("mnuGraphicalTunerItem"));
    pictureButton("cmdVentrixRun", toolbar_icons::VentrixRun(), 1800, QStringLiteral("Run the live monitor"),
                  menuItem("mnuVentrixRunItem"));
    pictureButton("cmdMemoryModify", toolbar_icons::MemoryModify(), 2400, QStringLiteral("Memory Modify"),
                  menuItem("mnuMemoryModifyItem"));
    textButton("cmdAccuracyTest", QStringLiteral("TEST"), 3000, QStringLiteral("Accuracy Test"),
               menuItem("mnuAccuracyTestItem"));
    textButton("cmdAbout", QStringLiteral("?"), 3600, QStringLiteral("About"), menuItem("mnuAboutItem"));
    pictureButton("cmdAirFuelCalculator", toolbar_icons::AirFuelCalculator(), 4200,
                  QStringLiteral("Air/Fuel Calculator"), menuItem("Calculator"));

    txtConnected = new QLineEdit(picture1);
    txtConnected->setObjectName(QStringLiteral("txtConnected"));
    txtConnected->setReadOnly(true);
    txtConnected->setFocusPolicy(Qt::NoFocus);
    txtConnected->setAlignment(Qt::AlignCenter);
    txtConnected->setGeometry(Twips(5160, this), Twips(130, this), Twips(795, this), Twips(360, this));
    colours::SetButtonFace(txtConnected);

    auto* label = new QLabel(QStringLiteral("CONNECTED"), picture1);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(Twips(6120, this), Twips(210, this));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->adjustSize();
}

void frmMain::pictureButton(const char* name, const QIcon& icon, int left, const QString& tip, QAction* command)
{
    auto* button = new QToolButton(toolbarStrip_);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(icon);
    button->setToolTip(tip);
    button->setGeometry(Twips(left, this), Twips(30, this), Twips(615, this), Twips(615, this));
    button->setIconSize(QSize(Twips(615, this) - 10, Twips(615, this) - 10));
    mdlMain::ShowCommand(button, command);
}

void frmMain::textButton(const char* name, const QString& caption, int left, const QString& tip, QAction* command)
{
    auto* button = new QPushButton(caption, toolbarStrip_);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setGeometry(Twips(left, this), Twips(30, this), Twips(615, this), Twips(615, this));
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    mdlMain::ShowCommand(button, command);
}

QAction* frmMain::item(QMenu* menu, const char* name, const QString& caption, void (frmMain::*handler)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, this, handler);
    return action;
}

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
        return m;
    };

    QMenu* file = menu("mnuFile", QStringLiteral("&File"));
    item(file, "mnuOpenLogItem", QStringLiteral("&Open Log..."), &frmMain::mnuOpenLogItem_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    item(file, "mnuOpenTuneOffLineItem", QStringLiteral("Open &Tune Off Line..."),
         &frmMain::mnuOpenTuneOffLineItem_Click);
    // Saving is there for a tune opened off line only.
    QAction* save = item(file, "mnuSaveTuneItem", QStringLiteral("&Save Tune"), &frmMain::mnuSaveTuneItem_Click);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setEnabled(false);
    item(file, "mnuSaveTuneAsItem", QStringLiteral("Save Tune &As..."), &frmMain::mnuSaveTuneAsItem_Click)
        ->setEnabled(false);
    item(file, "mnuExitItem", QStringLiteral("E&xit"), &frmMain::mnuExitItem_Click);

    QMenu* diagnostics = menu("mnuDiagnostics", QStringLiteral("&Diagnostics"));
    item(diagnostics, "mnuAccuracyTestItem", QStringLiteral("&Accuracy Test"), &frmMain::mnuAccuracyTestItem_Click);

    QMenu* ventrix = menu("mnuVentrix", QStringLiteral("Ven&trix"));
    item(ventrix, "mnuVentrixRunItem", QStringLiteral("&Run"), &frmMain::mnuVentrixRunItem_Click);
    item(ventrix, "mnuResetItem", QStringLiteral("R&eset"), &frmMain::mnuResetItem_Click);
    item(ventrix, "mnuIgnitionConfigItem", QStringLiteral("&Ignition Config"), &frmMain::mnuIgnitionConfigItem_Click);
    item(ventrix, "mnuStartupValuesItem", QStringLiteral("&Startup Values"), &frmMain::mnuStartupValuesItem_Click);

    QMenu* tune = menu("mnuMemory", QStringLiteral("&Tune"));
    item(tune, "mnuGraphicalTunerItem", QStringLiteral("&Graphical Tuner"), &frmMain::mnuGraphicalTunerItem_Click);
    item(tune, "mnuExportTuneItem", QStringLiteral("&Export Tune"), &frmMain::mnuExportTuneItem_Click);
    item(tune, "mnuImportTuneItem", QStringLiteral("&Import Tune"), &frmMain::mnuImportTuneItem_Click);
    item(tune, "mnuCompareTunesItem", QStringLiteral("&Compare Tunes..."), &frmMain::mnuCompareTunesItem_Click);
    item(tune, "mnuRestoreBackupItem", QStringLiteral("&Restore Backup..."), &frmMain::mnuRestoreBackupItem_Click);
    item(tune, "mnuTuneHistoryItem", QStringLiteral("&History..."), &frmMain::mnuTuneHistoryItem_Click);
    item(tune, "mnuMemoryModifyItem", QStringLiteral("&Memory Modify"), &frmMain::mnuMemoryModifyItem_Click);

    QMenu* wideband = menu("mnuWideband", QStringLiteral("&Wideband"));
    item(wideband, "mnuConfig", QStringLiteral("&WBO2 Config"), &frmMain::mnuConfig_Click);

    QMenu* help = menu("mnuHelp", QStringLiteral("&Help"));
    item(help, "mnuAboutItem", QStringLiteral("&About"), &frmMain::mnuAboutItem_Click);
    item(help, "Calculator", QStringLiteral("&Calculator"), &frmMain::cmdAirFuelCalculator_Click);
    help->addAction(QStringLiteral("&Keyboard"), [] { ShowKeyboardPage(); })->setObjectName("mnuKeyboardItem");

    for (QMenu* m : {file, diagnostics, ventrix, tune, wideband, help})
        m->setToolTipsVisible(true);
}
