#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgAnswer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: return MsgAnswer::Ok;
    }
}

} // namespace

MsgAnswer WidgetDialogs::message(MsgIcon icon, const QString& title, const QString& text,
                                 MsgButtons buttons)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), parent_);
    // Closing the box with Escape or the title bar counts as its cancelling answer.
    if (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo)
        box.setEscapeButton(QMessageBox::No);
    if (buttons == MsgButtons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    return fromQt(box.exec());
}

QString WidgetDialogs::openFileName(const FileDialogRequest& request)
{
    return QFileDialog::getOpenFileName(parent_, request.title, request.defaultName, request.filter);
}

QString WidgetDialogs::saveFileName(const FileDialogRequest& request)
{
    return QFileDialog::getSaveFileName(parent_, request.title, request.defaultName, request.filter);
}
