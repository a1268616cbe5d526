#pragma once

#include <QWidget>

class QLabel;

// "Comm Port Autodetect in Progress": shows which port the scan is trying.
class frmAutodetect final : public QWidget {
    Q_OBJECT
public:
    explicit frmAutodetect(QWidget* parent = nullptr);

    void showPort(int portNumber);
    QLabel* commPortLabel() const { return lblCommPort; }

private:
    QLabel* lblCommPort;
};
