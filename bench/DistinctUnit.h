#pragma once

// A simulated unit whose every cell and register holds a different byte, so
// a reply taken for the wrong request shows in what was read.
#include "sim/VentrixDevice.h"

inline void FillWithDistinctBytes(VentrixDevice& device)
{
    for (const char table : {'C', 'O', 'L', 'H'})
        for (int address = 0; address < 256; ++address)
            device.memory().setCell(table, address, (address * 7 + table) & 0xFF);
    for (int reg = 0; reg < 0x14; ++reg)
        device.memory().setRegister(reg, 0x40 + reg);
}
