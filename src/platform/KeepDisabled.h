#pragma once

#include <QString>

class QWidget;

// Keeps a control disabled, with a tooltip saying why, however often its
// window enables it later: for a command that cannot work at all in the
// present state of the program, which the window itself does not know of.
void KeepDisabled(QWidget* control, const QString& why);
