#include "monitor/LinkStatusLine.h"

#include "config/TwipsLayout.h"
#include "platform/Colours.h"

#include <QLabel>
#include <QPushButton>

LinkStatusLine::LinkStatusLine(QWidget* parent, const Place& place)
    : label_(twips_layout::Label(parent, QStringLiteral("lblLinkStatus"), QString(), place.left, place.top, place.width,
                                 place.height)),
      cancel_(twips_layout::Button(parent, QStringLiteral("cmdCancelReconnect"), QStringLiteral("Cancel"),
                                   place.cancelLeft, place.cancelTop, place.cancelWidth, place.cancelHeight))
{
    label_->setTextFormat(Qt::PlainText);
    if (place.emphasised) {
        label_->setAlignment(Qt::AlignCenter);
        QFont bold = label_->font();
        bold.setBold(true);
        label_->setFont(bold);
    }
    colours::SetReadout(label_, colours::Yellow);
    label_->hide();
    cancel_->hide();
}
