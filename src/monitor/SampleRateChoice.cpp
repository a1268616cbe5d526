#include "monitor/SampleRateChoice.h"

#include "config/TwipsLayout.h"
#include "monitor/SampleRate.h"
#include "platform/Twips.h"

#include <QComboBox>

using sample_rate::Rate;

QComboBox* AddSampleRateChoice(QWidget* parent, int left, int top)
{
    twips_layout::Label(parent, QStringLiteral("Label38"), QStringLiteral("SAMPLE RATE"), left, top + 60, 1400, 285);
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("cmbSampleRate"));
    box->setGeometry(Twips(left + 1500, parent), Twips(top, parent), Twips(3300, parent), Twips(315, parent));
    box->setToolTip(QStringLiteral("How often a sample is asked for, from the next START"));
    const Rate stored = sample_rate::Stored();
    QList<Rate> rates{Rate{}, Rate{Rate::Kind::Fastest, 0}};
    if (!rates.contains(stored))
        rates << stored;
    for (const Rate& rate : rates)
        box->addItem(sample_rate::Caption(rate), sample_rate::Text(rate));
    box->setCurrentIndex(static_cast<int>(rates.indexOf(stored)));
    // Only the user's pick is stored, not the choice shown at the start.
    QObject::connect(box, &QComboBox::activated, box, [box](int index) {
        if (const std::optional<Rate> rate = sample_rate::Parse(box->itemData(index).toString()))
            sample_rate::Store(*rate);
    });
    return box;
}
