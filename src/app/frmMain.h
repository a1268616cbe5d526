#pragma once

#include "app/AboutBox.h"
#include "app/DeviceWindows.h"
#include "app/LastTuneCheck.h"
#include "link/Autodetect.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QProgressBar;
class OffLineTune;
class SerialPort;
class frmAutodetect;

// The main window: toolbar, menus, the connection indicator and the area in
// which every other window opens. It owns the one serial port.
class frmMain final : public QMainWindow, public ConnectionView {
    Q_OBJECT
public:
    explicit frmMain(std::unique_ptr<SerialPort> port, QWidget* parent = nullptr);
    ~frmMain() override;

    SerialPort& MSComm1() { return *port_; }
    QMdiArea* mdiArea() const { return mdi_; }

    // Opens a child window in the main window's area once: the instance is
    // reused while it exists. Guarded windows need a connection, open at the
    // top left and shut out the commands that would conflict with them.
    QWidget* ShowChild(QPointer<QWidget>& slot, const std::function<QWidget*()>& create);
    QWidget* OpenGuarded(DeviceWindow window, QPointer<QWidget>& slot, const std::function<QWidget*()>& create);

    // Shows a data log in a window of its own (kestrel --log FILE).
    void OpenLog(const QString& path);

    // Puts a tune file into the off-line unit, which takes the cable's place
    // (kestrel --tune FILE; the start-up search then finds it). False, with
    // the user told why, when the file is no tune.
    bool LoadTuneOffLine(const QString& path);
    OffLineTune& offLineTune() { return *offLine_; }

    // Handlers, one per command. Each command is one action, shown by its
    // menu item and, for the toolbar's commands, by a button.
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void mnuOpenLogItem_Click();
    void mnuOpenTuneOffLineItem_Click();
    void mnuSaveTuneItem_Click();
    void mnuSaveTuneAsItem_Click();
    void mnuExitItem_Click();
    void cmdAirFuelCalculator_Click();
    void mnuAccuracyTestItem_Click();
    void mnuVentrixRunItem_Click();
    void mnuResetItem_Click();
    void mnuIgnitionConfigItem_Click();
    void mnuStartupValuesItem_Click();
    void mnuGraphicalTunerItem_Click();
    void mnuExportTuneItem_Click();
    void mnuImportTuneItem_Click();
    void mnuCompareTunesItem_Click();
    void mnuRestoreBackupItem_Click();
    void mnuTuneHistoryItem_Click();
    void mnuMemoryModifyItem_Click();
    void mnuConfig_Click();
    void mnuAboutItem_Click();

    // ConnectionView: how the port search shows itself here.
    void setBusyPointer(bool busy) override;
    void showAutodetectWindow() override;
    void showCandidatePort(int portNumber) override;
    void unloadAutodetectWindow() override;
    void showConnectedIndicator(int portNumber) override;
    void showSearchFailed() override;
    void showConnectedTitle() override;
    void showDisconnected() override;
    void searchStarted() override;
    void searchEnded() override;
    bool searchAbandoned() const override { return exiting_; }

    // Creates the two configuration windows hidden and fills them from the
    // unit. Returns whether every value was read.
    bool LoadConfigurationAtStartup();

    // Once a unit is connected and its configuration loaded (not off line):
    // its registers against the tune last seen on its port, told in the
    // status line, with a link to Compare Tunes when they differ (also when
    // a lost link is found again).
    void CheckAgainstLastTune();

    // The About box's text for the current connection.
    static QString AboutText() { return about_box::Text(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildToolbar();
    void buildMenus();
    // A toolbar button that shows `command`.
    void pictureButton(const char* name, const QIcon& icon, int left, const QString& tip, QAction* command);
    void textButton(const char* name, const QString& caption, int left, const QString& tip, QAction* command);
    QAction* item(QMenu* menu, const char* name, const QString& caption, void (frmMain::*handler)());

    void replacePort(std::unique_ptr<SerialPort> port);

    // Before the port: the off-line unit outlives the port that reaches it.
    std::unique_ptr<OffLineTune> offLine_;
    std::unique_ptr<SerialPort> port_;
    LastTuneCheck lastTune_;
    QMdiArea* mdi_ = nullptr;
    QWidget* toolbarStrip_ = nullptr;
    QLineEdit* txtConnected = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPointer<frmAutodetect> autodetect_;
    bool exiting_ = false;
    // The unit's configuration has been read in full since the program started.
    bool configurationLoaded_ = false;
    // Controls' enabled states from before the port search shut them out.
    QMap<QString, bool> beforeSearch_;

    // The single instance of each child window.
    QPointer<QWidget> memoryModify_;
    QPointer<QWidget> monitor_;
    QPointer<QWidget> tuner_;
    QPointer<QWidget> configure_;
    QPointer<QWidget> ignition_;
    QPointer<QWidget> wideband_;
    QPointer<QWidget> calculator_;
    QPointer<QWidget> compare_;
};
