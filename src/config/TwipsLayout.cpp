#include "config/TwipsLayout.h"

#include "platform/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>

namespace twips_layout {

namespace {

void place(QWidget* control, const QString& name, int left, int top, int width, int height)
{
    control->setObjectName(name);
    control->adjustSize();
    const int w = width > 0 ? Twips(width, control) : control->width();
    const int h = height > 0 ? Twips(height, control) : control->height();
    control->setGeometry(Twips(left, control), Twips(top, control), w, h);
}

} // namespace

QLabel* Label(QWidget* parent, const QString& name, const QString& text, int left, int top, int width, int height)
{
    auto* label = new QLabel(text, parent);
    place(label, name, left, top, width, height);
    return label;
}

QLineEdit* TextBox(QWidget* parent, const QString& name, const QString& text, int left, int top, int width, int height)
{
    auto* box = new QLineEdit(text, parent);
    place(box, name, left, top, width, height);
    return box;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                    int height)
{
    auto* button = new QPushButton(caption, parent);
    place(button, name, left, top, width, height);
    return button;
}

QRadioButton* Option(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height)
{
    auto* option = new QRadioButton(caption, parent);
    place(option, name, left, top, width, height);
    return option;
}

QFrame* Indicator(QWidget* parent, const QString& name, int left, int top, int width, int height)
{
    auto* shape = new QFrame(parent);
    shape->setFrameShape(QFrame::Box);
    shape->setFrameShadow(QFrame::Plain);
    place(shape, name, left, top, width, height);
    return shape;
}

QFrame* HorizontalLine(QWidget* parent, const QString& name, int left, int top, int width)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    place(line, name, left, top, width, 30);
    return line;
}

void SetFixedClientSize(QWidget* window, int width, int height)
{
    const QSize before = window->size();
    window->setFixedSize(Twips(width, window), Twips(height, window));
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        frame->resize(frame->size() + (window->size() - before));
}

} // namespace twips_layout
