#include "link/PortDiagnosis.h"

#include "link/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace port_diagnosis {

namespace {

constexpr int FirstPort = 1;
constexpr int LastPort = 6;

class SystemDeviceInspector final : public DeviceInspector {
public:
    QString location(const QString& device) const override
    {
        if (device.contains(QLatin1Char('/')))
            return device;
        const QSerialPortInfo info(device);
        return info.systemLocation().isEmpty() ? device : info.systemLocation();
    }

    Access access(const QString& device) const override
    {
        const QString path = location(device);
#if defined(Q_OS_UNIX)
        const QByteArray native = QFile::encodeName(path);
        if (!QFileInfo::exists(path))
            return Access::Missing;
        if (!holder(device).isEmpty())
            return Access::Busy;
        const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return errno == EACCES || errno == EPERM ? Access::PermissionDenied : Access::Busy;
        ::close(fd);
        return Access::Free;
#else
        // Elsewhere the only test is to open it.
        QSerialPort port(device);
        if (port.open(QIODevice::ReadWrite)) {
            port.close();
            return Access::Free;
        }
        return port.error() == QSerialPort::DeviceNotFoundError ? Access::Missing : Access::Busy;
#endif
    }

    QString holder(const QString& device) const override
    {
#if defined(Q_OS_LINUX)
        // Every process that has it open (a pseudo-terminal's server among
        // them); those whose files we may not look into are skipped.
        const QString target = QFileInfo(location(device)).canonicalFilePath();
        if (target.isEmpty())
            return {};
        const QString self = QString::number(ownPid());
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QStringList holders;
        for (const QString& pid : pids) {
            if (pid == self || pid.toInt() <= 0)
                continue;
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
            for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
                if (QFile::symLinkTarget(fds.filePath(fd)) != target)
                    continue;
                QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
                const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                                                    : QStringLiteral("a process");
                holders << QStringLiteral("%1 (pid %2)").arg(name, pid);
                break;
            }
        }
        return holders.join(QStringLiteral(", "));
#else
        Q_UNUSED(device);
#endif
        return {};
    }

    QString hardware(const QString& device) const override
    {
        const QSerialPortInfo info(location(device));
        QStringList parts;
        const QString name = QStringList{info.manufacturer(), info.description()}.join(QLatin1Char(' ')).trimmed();
        if (!name.isEmpty())
            parts << name;
        QStringList ids;
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            ids << QStringLiteral("USB %1:%2")
                       .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                       .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        if (!info.serialNumber().isEmpty())
            ids << QStringLiteral("serial %1").arg(info.serialNumber());
        if (!ids.isEmpty())
            parts << QStringLiteral("(%1)").arg(ids.join(QStringLiteral(", ")));
        return parts.join(QLatin1Char(' '));
    }

private:
    static qint64 ownPid()
    {
#if defined(Q_OS_UNIX)
        return ::getpid();
#else
        return 0;
#endif
    }
};

} // namespace

const DeviceInspector& SystemInspector()
{
    static const SystemDeviceInspector inspector;
    return inspector;
}

QList<PortReport> Diagnose(const port_names::Assignments& explicitAssignments, const DeviceInspector& inspector)
{
    QList<PortReport> reports;
    for (int number = FirstPort; number <= LastPort; ++number) {
        PortReport report;
        report.number = number;
        const QString device = port_names::DeviceFor(number, explicitAssignments);
        if (!device.isEmpty()) {
            report.device = inspector.location(device);
            report.access = inspector.access(device);
            if (report.access == Access::Busy)
                report.holder = inspector.holder(device);
            if (report.access != Access::Missing)
                report.hardware = inspector.hardware(device);
        }
        reports << report;
    }
    return reports;
}

QList<PortReport> DiagnoseThroughPort(SerialPort& port)
{
    if (port.isOpen())
        port.close();
    QList<PortReport> reports;
    for (int number = FirstPort; number <= LastPort; ++number) {
        PortReport report;
        report.number = number;
        port.setPortNumber(number);
        report.device = port.deviceName();
        switch (port.open()) {
        case PortError::None:
            report.access = Access::Free;
            port.close();
            break;
        case PortError::PortAlreadyOpen:
            report.access = port.permissionRefusedDevice().isEmpty() ? Access::Busy : Access::PermissionDenied;
            break;
        case PortError::InvalidPortNumber:
            report.access = Access::Missing;
            break;
        default:
            report.access = report.device.isEmpty() ? Access::Missing : Access::Busy;
            break;
        }
        reports << report;
    }
    return reports;
}

QString AccessText(Access access)
{
    switch (access) {
    case Access::Free:
        return QStringLiteral("free");
    case Access::Busy:
        return QStringLiteral("busy");
    case Access::PermissionDenied:
        return QStringLiteral("permission denied");
    case Access::Missing:
        return QStringLiteral("missing");
    }
    return {};
}

QString ReportLine(const PortReport& report)
{
    QString access = AccessText(report.access);
    if (!report.holder.isEmpty())
        access += QStringLiteral(" (held by %1)").arg(report.holder);
    QString line = QStringLiteral("Port %1  %2  %3")
                       .arg(report.number)
                       .arg((report.device.isEmpty() ? QStringLiteral("-") : report.device), -14)
                       .arg(access);
    if (!report.hardware.isEmpty())
        line += QStringLiteral("  ") + report.hardware;
    return line;
}

QString PermissionHint(const QStringList& devices)
{
    if (devices.isEmpty())
        return {};
    QString text = QStringLiteral("You may not open %1 (permission denied).").arg(devices.join(QStringLiteral(", ")));
#if defined(Q_OS_LINUX)
    text += QStringLiteral("\nSerial ports belong to the dialout group. Add yourself to it with\n"
                           "    sudo usermod -aG dialout $USER\n"
                           "then log out and in again, and try once more.");
#else
    text += QStringLiteral("\nAsk the computer's administrator for access to the port, then press Connect.");
#endif
    return text;
}

QString BusyHint(const QList<PortReport>& busyPorts)
{
    QStringList lines;
    for (const PortReport& report : busyPorts) {
        const QString port = report.device.isEmpty()
            ? QStringLiteral("Port %1").arg(report.number)
            : QStringLiteral("Port %1 (%2)").arg(report.number).arg(report.device);
        lines << port
                + (report.holder.isEmpty() ? QStringLiteral(" is busy (another program has it open).")
                                           : QStringLiteral(" is busy (held by %1).").arg(report.holder));
    }
    if (lines.isEmpty())
        return {};
    lines << QStringLiteral(
        "A unit behind a busy port cannot be reached. Close the program that holds it, then try again.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace port_diagnosis
