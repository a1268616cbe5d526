#pragma once

#include <QColor>
#include <QWidget>

// A round indicator lamp. Its colour is the widget's base colour, so
// colours::SetBackground and colours::Background work on it as on any
// indicator; only the circle is painted.
class Lamp final : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    void setColour(const QColor& colour);
    QColor colour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
