#include "link/RegisterMap.h"

namespace register_map {

std::optional<int> ParseByte(const QString& text)
{
    if (text.size() != 2)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

double KeyOnVolts(int byte)
{
    return byte / 256.0 * 5.0;
}

int BreakpointCount(int high, int low)
{
    return high * 256 + low;
}

double BreakpointVolts(int count)
{
    return count / 1024.0 * 5.0;
}

Stage StageOf(int code)
{
    switch (code) {
    case 0:
    case 2:
        return Stage::Plus;
    case 1:
    case 3:
        return Stage::Base;
    default:
        return Stage::Unknown;
    }
}

QString StageText(Stage stage)
{
    switch (stage) {
    case Stage::Plus:
        return QStringLiteral("STAGE2(PLUS)");
    case Stage::Base:
        return QStringLiteral("STAGE1(BASE)");
    case Stage::Unknown:
        break;
    }
    return {};
}

int IgnitionIndexOf(int code)
{
    for (int i = 0; i < IgnitionTypeCount; ++i) {
        if (IgnitionCodes[i] == code)
            return i;
    }
    return -1;
}

int IgnitionCodeOf(int index)
{
    return index >= 0 && index < IgnitionTypeCount ? IgnitionCodes[index] : -1;
}

int RpmModeIndexOf(int mode)
{
    if (mode == RpmOnlyMode)
        return 0;
    if (mode == RpmAndWotMode)
        return 1;
    return -1;
}

int RpmModeOf(int index)
{
    if (index == 0)
        return RpmOnlyMode;
    if (index == 1)
        return RpmAndWotMode;
    return -1;
}

int RpmFromSteps(int steps)
{
    return steps * RpmPerStep;
}

QString IgnitionCaption(int index)
{
    static const char* const captions[IgnitionTypeCount] = {"COIL-ON-PLUG (Multispark)", "WASTE-SPARK (4/6/8 Cyl.)",
                                                            "POINTS/PIP (4 Cylinder)", "POINTS/PIP (8 Cylinder)",
                                                            "POINTS/PIP (6 Cylinder)"};
    return index >= 0 && index < IgnitionTypeCount ? QString::fromLatin1(captions[index]) : QString();
}

QString RpmModeCaption(int index)
{
    static const char* const captions[RpmModeCount] = {"RPM ONLY (SHIFT LIGHT)", "RPM & W.O.T. (NITROUS)"};
    return index >= 0 && index < RpmModeCount ? QString::fromLatin1(captions[index]) : QString();
}

int Bank2InjectorSize(int registerValue)
{
    return registerValue == 0 ? DefaultInjectorSize : registerValue;
}

double InjectorRatio(double eecSize, double installedSize)
{
    if (installedSize == 0.0)
        return 1.0;
    return eecSize / installedSize;
}

} // namespace register_map
