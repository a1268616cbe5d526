#pragma once

#include "correction/CorrectionCells.h"

#include <functional>

// "SAVE TABLE"'s write of a whole table and its companion settings into the
// tune the user chose.
namespace tuner {

struct MapSettings {
    double wotBreakpointVolts = 0;
    double installedInjectorSize = 0; // lb/hr
    double eecInjectorSize = 0;
    double switchOnRpm = 0;
    double switchOffRpm = 0;
};

enum class MapWriteResult {
    Written,
    Failed,          // an entry, the breakpoint or an injector size
    SwitchOnFailed,  // register 07: its own message, then the caller's
    SwitchOffFailed, // register 08 likewise
};

inline const QString SwitchOnFailedText = QStringLiteral("Failed to Update RPM Switch Activation.");
inline const QString SwitchOffFailedText = QStringLiteral("Failed to Update RPM Switch Deactivation.");

// One write of the map, in the order sent: a table's entry, or a register
// (table RegisterLetter 'T').
struct MapEntryWrite {
    char table;
    int address;
    int byte;
};
QList<MapEntryWrite> MapWrites(char letter, const Table& table, const MapSettings& settings);

// Entries 0 to 255, the breakpoint (WT00, WT01), the table's installed and
// EEC injector sizes, the switch points (WT07, WT08), each confirmed by its
// echo; the first refused write ends it. progress(j) is told before entry j.
MapWriteResult WriteWholeMap(char letter, const Table& table, const MapSettings& settings,
                             const std::function<void(int entry)>& progress);

} // namespace tuner
