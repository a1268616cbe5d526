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
    SetBackground(widget, ButtonFace());
}

QColor ButtonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QColor Background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace colours
