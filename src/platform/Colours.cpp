#include "platform/Colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

void Indicate(QWidget* square, bool on)
{
    if (on)
        SetBackground(square, Green);
    else
        SetButtonFace(square);
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

namespace {

// The relative luminance of a colour as displays show it (sRGB).
double luminance(const QColor& colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableTextOn(const QColor& background)
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

void SetReadout(QWidget* widget, const QColor& colour)
{
    SetBackground(widget, colour);
    SetTextColour(widget, ReadableTextOn(colour));
}

QColor Background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace colours
