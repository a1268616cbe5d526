#pragma once

#include <QIcon>

// The toolbar's pictures, drawn rather than shipped so they stay sharp at
// any screen resolution.
namespace toolbar_icons {
QIcon Connect();
QIcon Disconnect();
QIcon GraphicalTune();
QIcon VentrixRun();
QIcon MemoryModify();
QIcon AirFuelCalculator();
} // namespace toolbar_icons
