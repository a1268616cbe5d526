#include "sim/OffLineUnit.h"

#include "sim/TuneMemory.h"

OffLineUnit::OffLineUnit()
{
    device_.setFrameListener([this](const QByteArray&, const QByteArray&) { requestHeard(); });
    open(tunefile::Tune());
}

void OffLineUnit::open(const tunefile::Tune& fileTune)
{
    VentrixMemory memory;
    memory.setStageCode(VentrixMemory::PlusStageCode);
    sim_tune::PutTune(memory, fileTune);
    device_.memory() = memory;
    file_ = fileTune;
    baseline_ = sim_tune::TuneOf(memory);
    const bool was = modified_;
    modified_ = false;
    if (was && listener_)
        listener_(false);
}

tunefile::Tune OffLineUnit::tuneToSave() const
{
    tunefile::Tune tune = file_;
    const tunefile::Tune now = sim_tune::TuneOf(device_.memory());
    for (int i = 0; i < tunefile::DataLineCount; ++i) {
        const tunefile::Entry& entry = tunefile::TuneOrder().at(i);
        if (tune.has(entry) || now.valueAt(i) != baseline_.valueAt(i))
            tune.setValue(entry, *now.valueAt(i));
    }
    return tune;
}

bool OffLineUnit::modified() const
{
    return !sim_tune::TuneOf(device_.memory()).sameEntries(baseline_);
}

void OffLineUnit::markSaved()
{
    file_ = tuneToSave();
    baseline_ = sim_tune::TuneOf(device_.memory());
    requestHeard();
}

void OffLineUnit::requestHeard()
{
    const bool now = modified();
    if (now == modified_)
        return;
    modified_ = now;
    if (listener_)
        listener_(now);
}
