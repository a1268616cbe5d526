#pragma once

#include <QColor>

class QWidget;

// The program's signal colours.
namespace colours {
inline const QColor Green(0, 255, 0);    // active, good
inline const QColor Yellow(255, 255, 0); // warning
inline const QColor Red(255, 0, 0);      // alarm, bad

// Paints a text box, label or indicator shape in a colour; ButtonFace
// returns it to the system's button-face colour.
void SetBackground(QWidget* widget, const QColor& colour);
void SetButtonFace(QWidget* widget);
QColor ButtonFace();
// An indicator square: green when on, button face when off.
void Indicate(QWidget* square, bool on);

// Colours the text of a text box or label.
void SetTextColour(QWidget* widget, const QColor& colour);

// How far apart two colours are to the eye: the ratio of their relative
// luminances (each + 0.05), 1 for equal colours, 21 for black on white.
// Text wants at least 4.5 against its background to be read at a glance.
double ContrastRatio(const QColor& a, const QColor& b);

// Black or white, whichever reads better on the background.
QColor ReadableTextOn(const QColor& background);

// A readout whose colour carries a meaning: the colour fills its background
// and its text is drawn in whichever of black and white reads better on it.
void SetReadout(QWidget* widget, const QColor& colour);

// The background a widget was given (for tests and for displays that test it).
QColor Background(const QWidget* widget);
} // namespace colours
