#pragma once

#include <QString>
#include <QStringList>

// The simulated unit's options that take no value; every other --sim-...
// option takes one, as "--sim-x=V" or as the next argument. Named once, for
// the simulator's own parser and for the programs that pass them on.
inline const QStringList SimulatorFlags = {QStringLiteral("--sim-pace"), QStringLiteral("--sim-no-low-latency")};

// Whether a --sim-... argument is followed by its value as the next argument.
inline bool SimulatorValueFollows(const QString& arg)
{
    return arg.startsWith(QLatin1String("--sim-")) && !arg.contains(QLatin1Char('=')) && !SimulatorFlags.contains(arg);
}
