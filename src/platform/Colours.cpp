#include "platform/Colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace colours {

void SetBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetButtonFace(QWidget* widget)
{
    SetBackground(widget, QApplication::palette().color(QPalette::Button));
}

QColor Background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace colours
