#include "app/frmAutodetect.h"

#include "platform/Dialogs.h"
#include "platform/Twips.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

frmAutodetect::frmAutodetect(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAutodetect"));
    setWindowTitle(QStringLiteral("Comm Port Autodetect in Progress"));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));

    auto* label = new QLabel(QStringLiteral("Autodetecting Comm Port"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(Twips(360), Twips(480));
    QFont font = label->font();
    font.setPointSize(11);
    label->setFont(font);
    label->adjustSize();

    // The port number follows the label's text at a space's distance,
    // however wide the font draws the text; frame and window grow to fit.
    lblCommPort = new QLabel(frame);
    lblCommPort->setObjectName(QStringLiteral("lblCommPort"));
    QFont bold = font;
    bold.setBold(true);
    lblCommPort->setFont(bold);
    const int numberWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("00"));
    const int gap = QFontMetrics(font).horizontalAdvance(QLatin1Char(' '));
    lblCommPort->setGeometry(label->geometry().right() + 1 + gap, label->y(), numberWidth, label->height());

    // Wide enough for the title, too: a window manager cuts a long one short.
    const int frameWidth = std::max({Twips(3960), lblCommPort->geometry().right() + 1 + Twips(360),
                                     WindowWidthForTitle(windowTitle()) - 2 * Twips(120)});
    frame->setGeometry(Twips(120), Twips(60), frameWidth, Twips(1320));
    setFixedSize(frameWidth + 2 * Twips(120), Twips(1500, this));
}

void frmAutodetect::showPort(int portNumber)
{
    lblCommPort->setText(QString::number(portNumber));
}
