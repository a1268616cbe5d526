#pragma once

// Shared routines of the memory-modify window.
namespace mdlReadWriteByte {

// The open memory-modify window loses its link: its three lamps turn red and
// its cell, table and block controls are disabled (the table options 2 to 4,
// QUIT and the layout buttons stay usable). Does nothing without the window.
void DisableReadWriteByte();

} // namespace mdlReadWriteByte
