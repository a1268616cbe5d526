#include "config/OptionArray.h"

#include <QRadioButton>

namespace option_array {

void Select(const QList<QRadioButton*>& options, int index)
{
    if (index >= 0 && index < options.size()) {
        options[index]->setChecked(true);
        return;
    }
    for (QRadioButton* option : options) {
        // An exclusive option refuses to be cleared while it is the checked one.
        const bool exclusive = option->autoExclusive();
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(exclusive);
    }
}

int Selected(const QList<QRadioButton*>& options)
{
    for (int i = 0; i < options.size(); ++i) {
        if (options[i]->isChecked())
            return i;
    }
    return -1;
}

} // namespace option_array
