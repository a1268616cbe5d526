#pragma once

#include <QString>

#include <array>
#include <optional>

// The unit's power-up values and configuration registers, read in the order
// the unit is asked for them. Each field is set once its read succeeded; the
// first failed read ends the reading, so what comes after it stays unset.
struct UnitConfiguration {
    // Which readings a failed step casts doubt on: the power-up reply both
    // windows show, the ignition and switch settings, or the rest.
    enum class Blame { Both, Ignition, Configure };

    struct PowerUp {
        double mafKeyOnVolts = 0;
        double tpsKeyOnVolts = 0;
        int stageCode = 0;
    };

    std::optional<PowerUp> powerUp;
    std::optional<double> wotBreakpointVolts;
    std::optional<int> installedOL, eecOL; // bank 1, open loop (lb/hr)
    std::optional<int> installedCL, eecCL; // bank 1, closed loop: the sizes the program works with
    std::optional<int> ignitionCode;
    std::optional<int> rpmSwitchOn, rpmSwitchOff; // rpm
    bool rpmSwitchModeRead = false;
    std::optional<int> rpmSwitchMode; // unset when the reply was not two hexadecimal digits
    // Bank 2 in register order: installed OL, EEC OL, installed CL, EEC CL;
    // an unset register already taken as the default size.
    std::array<std::optional<int>, 4> bank2;

    bool complete = false;
    std::optional<Blame> failure; // set when a read failed
    QString failedRequest;        // the request that went unanswered ("RT05")
};

// What the user is told when the reading stops part-way.
inline const QString ConfigurationFailedText =
    QStringLiteral("Failed to load configuration data from Ventrix. Please try manual load.");

// Reads everything through the unit API (the port must be open). Touches no
// window and no program-wide state but the receive buffer.
UnitConfiguration ReadUnitConfiguration();

// Puts what was read into the program-wide state (key-on voltages, stage,
// breakpoint, injector sizes and ratios, switch points); unset fields leave
// their state as it was.
void ApplyToProgramState(const UnitConfiguration& configuration);

// The firmware revision ("1.23": the reply's major digit, a point, the two
// minor digits), or nothing when the unit did not answer.
std::optional<QString> ReadFirmwareRevision();
