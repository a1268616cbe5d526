#include "link/ConfigurationRead.h"

#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "link/Unit.h"
#include "state/PublicVars.h"

namespace {

using Blame = UnitConfiguration::Blame;

class Reader {
public:
    explicit Reader(UnitConfiguration& out) : out_(out) { }

    // Whether the read succeeded; the first that fails is noted.
    template <typename T>
    bool got(const std::optional<T>& read, const QString& payload, Blame blame)
    {
        if (read)
            return true;
        out_.failure = blame;
        out_.failedRequest = payload;
        return false;
    }

    bool readRegister(int reg, std::optional<int>& into, Blame blame = Blame::Configure)
    {
        into = unit::ReadRegister(unit::Use::ConfigurationLoad, reg);
        return got(into, cmd::ReadRegister(reg), blame);
    }

private:
    UnitConfiguration& out_;
};

bool readAll(UnitConfiguration& c)
{
    namespace rm = register_map;
    Reader r(c);

    const std::optional<unit::PowerUp> powerUp = unit::PowerUpValues(unit::Use::ConfigurationLoad);
    if (!r.got(powerUp, cmd::PowerUpValues(), Blame::Both))
        return false;
    c.powerUp = UnitConfiguration::PowerUp{rm::KeyOnVolts(powerUp->mafByte), rm::KeyOnVolts(powerUp->tpsByte),
                                           powerUp->stageCode};

    // The W.O.T. breakpoint, high byte first.
    std::optional<int> high, low;
    if (!r.readRegister(cmd::WotBreakpointHigh, high) || !r.readRegister(cmd::WotBreakpointLow, low))
        return false;
    c.wotBreakpointVolts = rm::BreakpointVolts(rm::BreakpointCount(*high, *low));

    if (!r.readRegister(cmd::InjectorsOL, c.installedOL) || !r.readRegister(cmd::EecInjectorsOL, c.eecOL)
        || !r.readRegister(cmd::Injectors, c.installedCL) || !r.readRegister(cmd::EecInjectors, c.eecCL)
        || !r.readRegister(cmd::IgnitionType, c.ignitionCode, Blame::Ignition))
        return false;

    std::optional<int> on, off;
    if (!r.readRegister(cmd::RpmSwitchOnPoint, on))
        return false;
    c.rpmSwitchOn = rm::RpmFromSteps(*on);
    if (!r.readRegister(cmd::RpmSwitchOffPoint, off))
        return false;
    c.rpmSwitchOff = rm::RpmFromSteps(*off);

    // A value other than 00 and 01 selects no mode.
    if (!r.readRegister(cmd::RpmSwitchMode, c.rpmSwitchMode, Blame::Ignition))
        return false;
    c.rpmSwitchModeRead = true;

    const int bank2Registers[4] = {cmd::InjectorsOLBank2, cmd::EecInjectorsOLBank2, cmd::InjectorsBank2,
                                   cmd::EecInjectorsBank2};
    for (int i = 0; i < 4; ++i) {
        std::optional<int> value;
        if (!r.readRegister(bank2Registers[i], value))
            return false;
        c.bank2[i] = rm::Bank2InjectorSize(*value);
    }
    return true;
}

} // namespace

UnitConfiguration ReadUnitConfiguration()
{
    UnitConfiguration configuration;
    configuration.complete = readAll(configuration);
    return configuration;
}

void ApplyToProgramState(const UnitConfiguration& c)
{
    using namespace mdlPublicVars;
    namespace rm = register_map;
    if (c.powerUp) {
        MafKeyOnVolts = c.powerUp->mafKeyOnVolts;
        TpsKeyOnVolts = c.powerUp->tpsKeyOnVolts;
        StageCode = static_cast<qint16>(c.powerUp->stageCode);
        // An unknown code leaves the stage as it was.
        const rm::Stage stage = rm::StageOf(StageCode);
        if (stage != rm::Stage::Unknown)
            IsPlusStage = stage == rm::Stage::Plus;
    }
    if (c.wotBreakpointVolts)
        WotBreakpointVolts = *c.wotBreakpointVolts;
    if (c.eecOL)
        InjectorRatioOL = rm::InjectorRatio(*c.eecOL, *c.installedOL);
    if (c.installedCL)
        InstalledInjectorSize = *c.installedCL;
    if (c.eecCL) {
        EecInjectorSize = *c.eecCL;
        InjectorRatioCL = rm::InjectorRatio(*c.eecCL, *c.installedCL);
    }
    if (c.rpmSwitchOn)
        RpmSwitchOn = *c.rpmSwitchOn;
    if (c.rpmSwitchOff)
        RpmSwitchOff = static_cast<qint16>(*c.rpmSwitchOff);
    if (c.bank2[1])
        InjectorRatioOLBank2 = rm::InjectorRatio(*c.bank2[1], *c.bank2[0]);
    if (c.bank2[3])
        InjectorRatioCLBank2 = rm::InjectorRatio(*c.bank2[3], *c.bank2[2]);
}

std::optional<QString> ReadFirmwareRevision()
{
    return unit::FirmwareRevision(unit::Use::About);
}
