#pragma once

#include <QProcess>
#include <QStringList>

// Starts ventrix-sim (its path given by the test's build) on a fresh
// pseudo-terminal and returns the terminal's device, or an empty string
// when the simulator did not start.
inline QString StartSimulator(QProcess& simulator, const QString& program, const QStringList& options = {})
{
    simulator.start(program, QStringList{QStringLiteral("--quiet")} + options);
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000))
        return {};
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
    return device.startsWith(QLatin1String("/dev/")) ? device : QString();
}
