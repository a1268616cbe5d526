#pragma once

#include <QString>
#include <QStringList>

class QMainWindow;
class QProgressBar;
class QWidget;

// What the other windows may do to the main window. Controls are addressed by
// their object names ("cmdConnect", "mnuDiagnostics", ...): buttons, text
// boxes and menu actions alike. Without a registered main window (a window
// tested on its own) the calls change nothing but still tell the user.
namespace mdlMain {

void RegisterMainWindow(QMainWindow* window);
QMainWindow* MainWindow();

// A control whose window is not in this build: it stays disabled, with a
// tooltip saying why, whatever SetControlsEnabled is asked later.
void MarkUnavailable(const QString& objectName, const QString& why);

// Enables or disables the named main-window controls.
void SetControlsEnabled(const QStringList& objectNames, bool enabled);
bool IsControlEnabled(const QString& objectName);

// The hourglass while a device command runs, the arrow afterwards.
void SetBusyPointer(bool busy);

// The main window's title. While a tune is open off line the title is
// always the off-line one, whatever caption is asked for.
void SetCaption(const QString& caption);

// "Off line: FILE.tun", with the mark that shows unsaved changes ("[*]").
QString OffLineCaption(const QString& path);
// Shows or clears that mark.
void ShowTuneModified(bool modified);

// The main window's ProgressBar1, or null without a main window.
QProgressBar* ProgressBar();

// Title "Not Connected", arrow pointer, Disconnect off, Connect on, the
// indicator cleared: the main window as it looks when no unit is connected.
void ShowNotConnected();

// A child window's QUIT: HideChild hides it and keeps it (and its values);
// UnloadChild closes it for good, its sub-window in the main window too.
void HideChild(QWidget* child);
void UnloadChild(QWidget* child);

// Returns true when a unit is connected. Otherwise puts the main window into
// its not-connected look and tells the user "Not connected to Ventrix.
// Please connect and try again.", and returns false.
bool ConnectionGuard();

} // namespace mdlMain
