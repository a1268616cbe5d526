#pragma once

#include "memory/ReadWriteByte.h"

// Where the memory window's controls stand, shared by its layout and its
// handlers (which option is which table).
namespace read_write_byte_layout {

// The client area is this wide; its height is the window's less the frame.
inline constexpr int ClientWidth = 6915;
inline constexpr int FrameHeight = ReadWriteByte::CompactHeight - 4470;

struct TableOption {
    const char* caption;
    char letter;
    int top;
};
inline constexpr TableOption TableOptions[5] = {
    {"Open-Loop Table 2", 'H', 3540},   {"Closed-Loop Table 2", 'L', 3780},         {"Open-Loop Table 1", 'O', 3060},
    {"Closed-Loop Table 1", 'C', 3300}, {"MAF Transfer Function Table", 'F', 4020},
};
inline constexpr int TransferFunctionOption = 4;

} // namespace read_write_byte_layout
