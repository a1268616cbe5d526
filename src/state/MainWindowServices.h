#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QMainWindow;
class QProgressBar;
class QWidget;

// The three windows that hold a conversation with the unit. While one is
// open, the main-window commands that could start a second conversation are
// disabled; the window gives them back when it quits.
enum class DeviceWindow { GraphicalTuner, LiveMonitor, MemoryModify };

// What the main window does for the other windows. The main window installs
// its own when it is made (mdlMain::RegisterMainWindow); a test may install a
// stand-in. Controls are addressed by their object names ("cmdConnect",
// "mnuDiagnostics", ...): buttons, text boxes and menu actions alike.
class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    virtual QMainWindow* window() const = 0;
    virtual void setControlsEnabled(const QStringList& objectNames, bool enabled) = 0;
    virtual bool isControlEnabled(const QString& objectName) const = 0;
    // Enables again the commands `window` disabled while it was open.
    virtual void giveBackCommands(DeviceWindow window) = 0;
    virtual void setBusyPointer(bool busy) = 0;
    virtual void setTitle(const QString& title) = 0;
    // ProgressBar1, or null.
    virtual QProgressBar* progressBar() const = 0;
    // The connection indicator blank, in the button face colour.
    virtual void clearConnectedIndicator() = 0;
    // The connection indicator while a lost link is looked for again: yellow,
    // "Link lost" with `text` as its tooltip; or green with "Com N" once the
    // unit answers again.
    virtual void showReconnecting(const QString& text) { (void)text; }
    virtual void showReconnected(int portNumber) { (void)portNumber; }
    // A unit found again after a lost link: checked as at Connect.
    virtual void checkUnitFoundAgain() { }
};

// What the other windows may do to the main window. Without an installed main
// window (a window tested on its own) the calls change nothing but still tell
// the user.
namespace mdlMain {

// Null: no main window.
void InstallServices(MainWindowServices* services);

QMainWindow* MainWindow();

// Enables or disables the named main-window controls.
void SetControlsEnabled(const QStringList& objectNames, bool enabled);
bool IsControlEnabled(const QString& objectName);

// A device window's QUIT: the main-window commands it shut out are enabled
// again; Connect and Disconnect among them follow the connection.
void GiveBackCommands(DeviceWindow window);

// The hourglass while a device command runs, the arrow afterwards.
void SetBusyPointer(bool busy);

// The main window's title. While a tune is open off line the title is
// always the off-line one, whatever caption is asked for.
void SetCaption(const QString& caption);

// "Off line: FILE.tun", with the mark that shows unsaved changes ("[*]").
QString OffLineCaption(const QString& path);

// A line in the main window's status area (what was just read, a warning
// the user need not answer); nothing without a main window.
void ShowStatus(const QString& text);
// The same with a link after it ("lblStatusLink" in the status bar): a
// click on `linkText` runs `onClick`. The next line shown replaces both.
void ShowStatusLink(const QString& text, const QString& linkText, std::function<void()> onClick);

// The main window's ProgressBar1, or null without a main window.
QProgressBar* ProgressBar();

// Title "Not Connected", arrow pointer, Disconnect off, Connect on, the
// indicator cleared: the main window as it looks when no unit is connected.
void ShowNotConnected();

// What the windows and the indicator say while a lost link is looked for.
inline const QString ReconnectingText = QStringLiteral("Link lost, reconnecting...");
// The indicator says the link is being looked for again, or that it is back on `portNumber`.
void ShowReconnecting();
void ShowReconnected(int portNumber);
// The unit was found again after a lost link (by a new search, while no
// sampling runs): its registers against the tune last seen on its port, as
// at Connect.
void CheckUnitFoundAgain();

// A child window's QUIT: HideChild hides it and keeps it (and its values);
// UnloadChild closes it for good, its sub-window in the main window too.
void HideChild(QWidget* child);
void UnloadChild(QWidget* child);

// Returns true when a unit is connected. Otherwise puts the main window into
// its not-connected look and tells the user "Not connected to Ventrix.
// Please connect and try again.", and returns false.
bool ConnectionGuard();

} // namespace mdlMain
