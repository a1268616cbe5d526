#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// Shown while the port is searched and the configuration read; a key press
// or a click closes it early.
class frmSplash final : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    void Form_Load();
    void Frame1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label(const char* name, const QString& text, int left, int top);

    QFrame* Frame1;
    QLabel* lblProductName;
    QLabel* lblVersion;
};
