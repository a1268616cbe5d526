#include "link/LowLatency.h"

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace low_latency {

bool Request(qintptr handle)
{
#if defined(Q_OS_LINUX)
    if (handle < 0)
        return false;
    const int fd = static_cast<int>(handle);
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return false; // a pseudo-terminal or a driver without the request
    if (serial.flags & ASYNC_LOW_LATENCY)
        return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
#else
    // Elsewhere the adapter's latency timer is a driver setting the user makes.
    Q_UNUSED(handle);
    return false;
#endif
}

} // namespace low_latency
