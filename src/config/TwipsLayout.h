#pragma once

#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// Controls placed the way the window layouts are drawn: object name, text,
// and left/top/width/height in twips. A width or height of 0 leaves the
// control its natural size in that direction.
namespace twips_layout {

QLabel* Label(QWidget* parent, const QString& name, const QString& text, int left, int top, int width = 0,
              int height = 0);
QLineEdit* TextBox(QWidget* parent, const QString& name, const QString& text, int left, int top, int width,
                   int height = 285);
QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                    int height);
QRadioButton* Option(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height = 300);
// A rectangular indicator; its colour is set with colours::SetBackground.
QFrame* Indicator(QWidget* parent, const QString& name, int left, int top, int width, int height);
// A separator line across the window.
QFrame* HorizontalLine(QWidget* parent, const QString& name, int left, int top, int width);

// Fixes a window's client area at a size in twips. Inside the main window's
// area its frame grows and shrinks with it.
void SetFixedClientSize(QWidget* window, int width, int height);

} // namespace twips_layout
