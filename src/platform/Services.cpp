#include "platform/Services.h"

#include <cstdio>
#include <cstdlib>

namespace {
SerialPort* thePort = nullptr;
Clock* theClock = nullptr;
Dialogs* theDialogs = nullptr;
SettingsStore* theSettings = nullptr;

template <typename T>
T& required(T* service, const char* name)
{
    if (!service) {
        std::fprintf(stderr, "internal error: no %s installed\n", name);
        std::abort();
    }
    return *service;
}
} // namespace

namespace services {

void install(SerialPort* port, Clock* clock, Dialogs* dialogs, SettingsStore* settings)
{
    thePort = port;
    theClock = clock;
    theDialogs = dialogs;
    theSettings = settings;
}

void installPort(SerialPort* port)
{
    thePort = port;
}

SerialPort& port()
{
    return required(thePort, "serial port");
}
Clock& clock()
{
    return required(theClock, "clock");
}
Dialogs& dialogs()
{
    return required(theDialogs, "dialogs");
}
SettingsStore& settings()
{
    return required(theSettings, "settings store");
}

} // namespace services
