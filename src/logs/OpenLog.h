#pragma once

#include <QString>

class QMdiArea;
class frmLogViewer;

namespace logs {

// The file dialog of File > Open Log...
inline const QString OpenLogTitle = QStringLiteral("Open Log");

// Reads a data log and shows it in a new window in the area. A file that
// cannot be read or is not a data log is refused with a message; nothing
// opens then and the result is null.
frmLogViewer* OpenLogWindow(QMdiArea& area, const QString& path);

// Asks for a log file, then opens it as above; null when the user cancels.
frmLogViewer* AskAndOpenLog(QMdiArea& area);

} // namespace logs
