#include "link/PortNames.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace port_names {

namespace {

constexpr int HighestSearchedPort = 6;

// Sort key: adapters before built-in ports, then the device's own number.
struct DeviceKey {
    int family = 0;
    int number = 0;
};

bool keyFor(const QString& name, DeviceKey& key)
{
    static const QRegularExpression pattern(QStringLiteral("^(?:/dev/)?tty(USB|ACM|S)(\\d+)$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return false;
    const QString family = match.captured(1);
    key.family = family == QLatin1String("USB") ? 0 : family == QLatin1String("ACM") ? 1 : 2;
    key.number = match.captured(2).toInt();
    return true;
}

QString withDevPrefix(const QString& name)
{
    return name.startsWith(QLatin1String("/dev/")) ? name : QStringLiteral("/dev/") + name;
}

} // namespace

bool ParseAssignments(const QString& text, Assignments& into, QString* error)
{
    const QStringList entries = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& raw : entries) {
        const QString entry = raw.trimmed();
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        bool numeric = false;
        const int number = eq > 0 ? entry.left(eq).trimmed().toInt(&numeric) : 0;
        const QString device = eq > 0 ? entry.mid(eq + 1).trimmed() : QString();
        if (!numeric || number < 1 || device.isEmpty()) {
            if (error)
                *error = QStringLiteral("'%1' is not NUMBER=DEVICE").arg(entry);
            return false;
        }
        into.insert(number, device);
    }
    return true;
}

Assignments NumberLinuxDevices(const QStringList& deviceNames)
{
    QList<std::pair<DeviceKey, QString>> devices;
    for (const QString& name : deviceNames) {
        DeviceKey key;
        if (keyFor(name, key))
            devices.append({key, withDevPrefix(name)});
    }
    std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.family, a.first.number) < std::tie(b.first.family, b.first.number);
    });
    Assignments numbered;
    for (int i = 0; i < devices.size() && i < HighestSearchedPort; ++i)
        numbered.insert(i + 1, devices[i].second);
    return numbered;
}

QString DeviceFor(int portNumber, const Assignments& explicitAssignments)
{
    if (!explicitAssignments.isEmpty())
        return explicitAssignments.value(portNumber);
#ifdef Q_OS_WIN
    return portNumber >= 1 ? QStringLiteral("COM%1").arg(portNumber) : QString();
#else
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    return NumberLinuxDevices(names).value(portNumber);
#endif
}

} // namespace port_names
