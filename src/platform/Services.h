#pragma once

class Clock;
class Dialogs;
class SerialPort;
class SettingsStore;

// The outside world as the program sees it: the one serial port, the clock,
// the user's dialogs and the settings store. The entry point installs the
// real ones; tests install stand-ins. Nothing here owns what it points to.
namespace services {

void install(SerialPort* port, Clock* clock, Dialogs* dialogs, SettingsStore* settings);
void installPort(SerialPort* port);

SerialPort& port();
Clock& clock();
Dialogs& dialogs();
SettingsStore& settings();

} // namespace services
