#pragma once

#include "platform/OptionParser.h"
#include "sim/SimFaults.h"
#include "sim/VentrixDevice.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class SimulatedPort;

// How a simulated unit is set up, shared by "kestrel --simulate" and the
// ventrix-sim program. Each field names its command-line option.
struct SimOptions {
    std::optional<int> stageCode;                            // --sim-stage plus|base|CODE (plus is 2, base 1);
                                                             //   unset: as the memory has it (plus when new)
    QString memoryFile;                                      // --sim-memory FILE: loaded at start if it exists,
                                                             //   saved at the end
    bool pace = false;                                       // --sim-pace: replies take their time at 57600 bit/s
    int turnaroundUs = VentrixDevice::DefaultTurnaroundUs;   // --sim-turnaround MS (e.g. 0.2)
    int unitPort = 1;                                        // --sim-port N: the port number the unit is on
    QList<int> existingPorts{1, 2, 3, 4, 5, 6};              // --sim-ports N,N,...
    SimFaults faults;                                        // --sim-fault NAME[=VALUE], repeatable
    int firmwareMajor = VentrixDevice::DefaultFirmwareMajor; // --sim-firmware M.NN
    int firmwareMinor = VentrixDevice::DefaultFirmwareMinor;
    QMap<int, int> registers;                                   // --sim-register RR=VV (hex), repeatable; applied
                                                                //   over the loaded memory
    double mafKeyOnVolts = VentrixDevice::DefaultMafKeyOnVolts; // --sim-maf-key-on VOLTS
    double tpsKeyOnVolts = VentrixDevice::DefaultTpsKeyOnVolts; // --sim-tps-key-on VOLTS
    int activeTune = 1;                                         // --sim-tune 1|2
    int selfTestMs = VentrixDevice::DefaultSelfTestMs;          // --sim-self-test-ms MS
    int latencyTimerMs = 0;                                     // --sim-latency-ms MS: the in-process port's adapter
                                                                //   holds replies for its latency timer
    bool grantsLowLatency = true;                               // --sim-no-low-latency: it refuses to shorten it
    SimulatedEngine engine; // --sim-drive, --sim-maf-error, --sim-injectors, --sim-seed,
                            //   --sim-wideband-delay, --sim-wideband-lag
};

// The --sim-... options, for the parser of a program that offers them;
// withBareNames: also without their "sim-" prefix ("--stage plus"), for
// ventrix-sim, whose every option is about the simulated unit.
QList<OptionDefinition> SimOptionDefinitions(bool withBareNames = false);

// Reads them out of a parsed command line into options. False, with *error
// naming the option and what it expected, when a value makes no sense.
bool ReadSimOptions(const OptionParser& parser, SimOptions& options, QString* error);

// The options, one per line, for a --help text.
QString SimOptionsHelp();

// ventrix-sim's command line: the options above, --quiet and --help.
struct SimCommandLine {
    SimOptions options;
    bool quiet = false; // --quiet: no frame logged
    QString linkPath;   // --link PATH: a symbolic link kept pointing at the terminal
    bool help = false;
    QString error; // set when the arguments make no sense
};
SimCommandLine ParseSimCommandLine(const QStringList& args);

// ventrix-sim's --help.
QString SimUsage();

// Puts the options into a unit: the memory file first (if it exists), then
// stage, registers, firmware, power-up values, tune, pacing and faults.
// Fails, leaving the unit's memory as it was, when the file cannot be read.
bool SetUpDevice(VentrixDevice& device, const SimOptions& options, QString* error);

// Which port numbers exist and which one the unit is on.
void SetUpPort(SimulatedPort& port, const SimOptions& options);

// Saves the unit's memory to the options' memory file, if one was named.
bool SaveDeviceMemory(const VentrixDevice& device, const SimOptions& options, QString* error);
