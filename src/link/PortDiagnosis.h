#pragma once

#include "link/PortNames.h"

#include <QList>
#include <QString>
#include <QStringList>

class SerialPort;

// What stands behind the port numbers 1 to 6 and whether each can be opened
// now: the answer to "why is my unit not found" that the search itself cannot
// give.
namespace port_diagnosis {

enum class Access { Free, Busy, PermissionDenied, Missing };

struct PortReport {
    int number = 0;
    QString device; // the system's name for it ("/dev/ttyUSB0"); empty when none
    Access access = Access::Missing;
    QString holder;   // the process that has it open, when the system tells ("ModemManager (pid 812)")
    QString hardware; // what is plugged in behind it, when known
};

// What the system says of one device. The real one asks the operating system
// and Qt; tests give their own.
class DeviceInspector {
public:
    virtual ~DeviceInspector() = default;
    virtual QString location(const QString& device) const = 0; // the full path
    virtual Access access(const QString& device) const = 0;
    virtual QString holder(const QString& device) const = 0;
    virtual QString hardware(const QString& device) const = 0;
};

const DeviceInspector& SystemInspector();

// Ports 1 to 6 as the search would try them.
QList<PortReport> Diagnose(const port_names::Assignments& explicitAssignments, const DeviceInspector& inspector);

// The same learnt by opening each port through the program's own port, for a
// port that is not the system's (the simulated one). The port is left closed.
QList<PortReport> DiagnoseThroughPort(SerialPort& port);

QString AccessText(Access access);

// One port as a line: number, device, access, and what is known besides.
QString ReportLine(const PortReport& report);

// What a user refused a port for lack of permission can do about it.
QString PermissionHint(const QStringList& devices);

// Ports the search found held by another program (number, device, and the
// holder when the system tells): which, who, and what to do.
QString BusyHint(const QList<PortReport>& busyPorts);

} // namespace port_diagnosis
