#pragma once

#include "link/PortNames.h"
#include "platform/OptionParser.h"
#include "sim/SimOptions.h"

#include <QString>
#include <QStringList>

// What the user asked for on the command line.
struct CommandLine {
    bool simulate = false;
    bool showHelp = false;
    bool showVersion = false;
    port_names::Assignments ports; // from --port and KESTREL_PORTS
    SimOptions sim;                // the --sim-... options, for the simulated unit
    QString logPath;               // --log FILE: a data log to open at start-up
    QString tunePath;              // --tune FILE: a tune file to open off line
    QString error;                 // set when the arguments make no sense
};

// args: the arguments without the program name. portsFromEnvironment: the
// value of KESTREL_PORTS (may be empty); --port entries win over it.
CommandLine ParseCommandLine(const QStringList& args, const QString& portsFromEnvironment);

// The options kestrel-cli shares with kestrel: --port, --simulate and the
// simulated unit's --sim-... options, which need --simulate.
QList<OptionDefinition> SharedOptionDefinitions();

// Reads them out of a parsed command line into line; false with line.error set.
bool ReadSharedOptions(const OptionParser& parser, const QString& portsFromEnvironment, CommandLine& line);

// The text of --help; simulatorHelp describes the --sim- options.
QString CommandLineHelp(const QString& simulatorHelp);
