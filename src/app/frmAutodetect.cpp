#include "app/frmAutodetect.h"

#include "platform/Twips.h"

#include <QGroupBox>
#include <QLabel>

frmAutodetect::frmAutodetect(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAutodetect"));
    setWindowTitle(QStringLiteral("Comm Port Autodetect in Progress"));
    setFixedSize(Twips(4200, this), Twips(1500, this));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(Twips(120), Twips(60), Twips(3960), Twips(1320));

    auto* label = new QLabel(QStringLiteral("Autodetecting Comm Port"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(Twips(360), Twips(480));
    QFont font = label->font();
    font.setPointSize(11);
    label->setFont(font);
    label->adjustSize();

    lblCommPort = new QLabel(frame);
    lblCommPort->setObjectName(QStringLiteral("lblCommPort"));
    lblCommPort->setGeometry(Twips(3120), Twips(480), Twips(600), label->height());
    QFont bold = font;
    bold.setBold(true);
    lblCommPort->setFont(bold);
}

void frmAutodetect::showPort(int portNumber)
{
    lblCommPort->setText(QString::number(portNumber));
}
