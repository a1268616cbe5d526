#include "sim/TuneMemory.h"

namespace sim_tune {

using tunefile::Entry;
using tunefile::RegisterLetter;

void PutTune(VentrixMemory& memory, const tunefile::Tune& tune)
{
    for (const Entry& entry : tunefile::TuneOrder()) {
        const std::optional<int> value = tune.value(entry);
        if (!value)
            continue;
        if (entry.table == RegisterLetter)
            memory.setRegister(entry.address, *value);
        else
            memory.setCell(entry.table, entry.address, *value);
    }
}

tunefile::Tune TuneOf(const VentrixMemory& memory)
{
    tunefile::Tune tune;
    for (const Entry& entry : tunefile::TuneOrder())
        tune.setValue(entry,
                      entry.table == RegisterLetter ? memory.registerValue(entry.address)
                                                    : memory.cell(entry.table, entry.address));
    return tune;
}

} // namespace sim_tune
