#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Which operating-system device a port number (1 to 6) means.
namespace port_names {

using Assignments = QMap<int, QString>;

// "1=/dev/ttyUSB0,3=/dev/pts/4" (also accepts one assignment alone). Returns
// false and says why when an entry is not NUMBER=DEVICE with NUMBER >= 1.
bool ParseAssignments(const QString& text, Assignments& into, QString* error = nullptr);

// Numbers the devices present: USB adapters (ttyUSB, ttyACM) first, then
// built-in ports (ttyS), each in numeric order, ports 1 to 6.
Assignments NumberLinuxDevices(const QStringList& deviceNames);

// The device for a port number: the explicit assignments if any were given,
// otherwise "COMn" on Windows and the numbered devices on Linux.
QString DeviceFor(int portNumber, const Assignments& explicitAssignments);

} // namespace port_names
