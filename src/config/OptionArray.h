#pragma once

#include <QList>

class QRadioButton;

// An indexed array of option buttons, selected the way the program (not the
// user) selects them: setting the state raises no click, so a click handler
// connected to clicked() hears only the user.
namespace option_array {

// Selects the option at index; any index outside the array selects none,
// which a plain exclusive group cannot do on its own.
void Select(const QList<QRadioButton*>& options, int index);

// The index of the selected option, -1 when none is.
int Selected(const QList<QRadioButton*>& options);

} // namespace option_array
