#pragma once

#include "state/MainWindowServices.h"

class QAbstractButton;
class QAction;

// The main window's side of mdlMain: its services, found by object name
// among the children of a QMainWindow (the program's main window, or a test's
// stand-in holding controls of the same names).
namespace mdlMain {

// Installs the services of `window` for every other window; null: none.
void RegisterMainWindow(QMainWindow* window);

// A control whose window is not in this build: it stays disabled, with a
// tooltip saying why, whatever SetControlsEnabled is asked later.
void MarkUnavailable(const QString& objectName, const QString& why);

// Shows or clears the title's mark of unsaved changes.
void ShowTuneModified(bool modified);

// A button that shows one of the main window's commands (the action its menu
// item shows too): a click triggers the command, the button is enabled
// exactly when the command is, and the calls above that name the button
// switch the command itself.
void ShowCommand(QAbstractButton* button, QAction* command);

} // namespace mdlMain
