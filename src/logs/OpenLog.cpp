#include "logs/OpenLog.h"

#include "logs/LogReader.h"
#include "logs/frmLogViewer.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace logs {

frmLogViewer* OpenLogWindow(QMdiArea& area, const QString& path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ReadResult read = ReadDataLog(path);
    QApplication::restoreOverrideCursor();
    if (!read.log) {
        services::dialogs().message(MsgIcon::Exclamation, OpenLogTitle, read.error);
        return nullptr;
    }
    auto* window = new frmLogViewer(std::move(*read.log), path);
    QMdiSubWindow* frame = area.addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(window->windowTitle());
    // As large as the area allows, at its top left.
    frame->show();
    window->show();
    frame->setGeometry(QRect(QPoint(0, 0), area.viewport()->size().expandedTo(frame->minimumSizeHint())));
    return window;
}

frmLogViewer* AskAndOpenLog(QMdiArea& area)
{
    FileDialogRequest request;
    request.title = OpenLogTitle;
    request.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    const QString path = services::dialogs().openFileName(request);
    if (path.isEmpty())
        return nullptr;
    return OpenLogWindow(area, path);
}

} // namespace logs
