#include "platform/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgAnswer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    default:
        return MsgAnswer::Ok;
    }
}

} // namespace

int WindowWidthForTitle(const QString& title)
{
    // Title bars draw their text in a bold face about the size of the
    // program's own; the icon, the buttons and the margins take about as
    // much as ten average characters more.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(title) + 10 * metrics.averageCharWidth() + 48;
}

MsgAnswer WidgetDialogs::message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons)
{
    return show(icon, title, text, buttons, false);
}

MsgAnswer WidgetDialogs::askBeforeWriting(MsgIcon icon, const QString& title, const QString& text)
{
    return show(icon, title, text, MsgButtons::YesNo, true);
}

MsgAnswer WidgetDialogs::show(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons,
                              bool noIsDefault)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), parent_);
    // Closing the box with Escape or the title bar counts as its cancelling answer.
    if (buttons == MsgButtons::YesNo)
        box.setEscapeButton(QMessageBox::No);
    if (noIsDefault)
        box.setDefaultButton(QMessageBox::No);
    // A message box sizes itself to its text; a long title would be cut off
    // in the title bar. The layout is given a row as wide as the title needs.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(WindowWidthForTitle(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
