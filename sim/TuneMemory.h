#pragma once

#include "sim/VentrixMemory.h"
#include "tunefile/Tune.h"

// The unit's memory as a tune and back. A tune's four tables and twenty
// registers are the unit's C, O, L and H and its registers 00 to 13; the
// transfer function and the stage code are the unit's own and no tune
// carries them.
namespace sim_tune {

// Writes the tune's entries into the memory; every entry the tune lacks, the
// transfer function and the stage code stay as they were.
void PutTune(VentrixMemory& memory, const tunefile::Tune& tune);

// The memory's whole tune: all 1044 entries.
tunefile::Tune TuneOf(const VentrixMemory& memory);

} // namespace sim_tune
