#pragma once

#include "sim/VentrixDevice.h"
#include "tunefile/Tune.h"

#include <functional>

// A tune file opened without the unit: a simulated plus unit (so both tunes
// can be edited) holding the file's tune over the factory contents, with the
// simulator's transfer function. The program talks to it through a port like
// any unit; this keeps track of what has changed since the file was opened
// or last saved, and of what the file must then hold.
class OffLineUnit {
public:
    OffLineUnit();

    // Starts again from the factory contents with the file's tune in them.
    void open(const tunefile::Tune& fileTune);

    VentrixDevice& device() { return device_; }
    const VentrixDevice& device() const { return device_; }

    // What the file must hold now: the entries it named, with the unit's
    // values, and any other entry the unit has changed since. An entry the
    // file never named and nobody changed stays out, so a file that names
    // one table still names only that table (an import of it must not
    // overwrite the rest of a unit with this unit's factory contents).
    tunefile::Tune tuneToSave() const;

    // Whether the unit holds anything the file does not.
    bool modified() const;
    // The file now holds tuneToSave().
    void markSaved();

    // Called after a request the unit heard changed whether it is modified.
    void setModifiedListener(std::function<void(bool modified)> listener) { listener_ = std::move(listener); }

private:
    void requestHeard();

    VentrixDevice device_;
    tunefile::Tune file_;     // the file's entries, as opened or last saved
    tunefile::Tune baseline_; // the unit's whole tune at that moment
    bool modified_ = false;
    std::function<void(bool)> listener_;
};
