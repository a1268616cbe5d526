#include "memory/mdlReadWriteByte.h"

#include "memory/ReadWriteByte.h"

namespace mdlReadWriteByte {

void DisableReadWriteByte()
{
    if (ReadWriteByte* window = ReadWriteByte::Instance())
        window->DisableControls();
}

} // namespace mdlReadWriteByte
