#include "tunefile/TuneDifferences.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/RegisterMap.h"
#include "memory/CellConversions.h"
#include "memory/TableListing.h"
#include "monitor/VoltageOffset.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace tunefile {

namespace {

namespace rm = register_map;
using number_format::Format;

QString lbPerHour(int size)
{
    return QString::number(size) + QStringLiteral(" lb/hr");
}

// What a register's byte stands for, without the byte; empty when the
// program gives it no meaning.
QString valueMeaning(const Tune& tune, int reg, int byte)
{
    switch (reg) {
    case cmd::WotBreakpointHigh:
    case cmd::WotBreakpointLow: {
        const std::optional<int> high = tune.value({RegisterLetter, cmd::WotBreakpointHigh});
        const std::optional<int> low = tune.value({RegisterLetter, cmd::WotBreakpointLow});
        if (!high || !low)
            return {};
        return Format(rm::BreakpointVolts(rm::BreakpointCount(*high, *low)), QStringLiteral("0.000"))
            + QStringLiteral(" V");
    }
    case cmd::InjectorsOL:
    case cmd::EecInjectorsOL:
    case cmd::Injectors:
    case cmd::EecInjectors:
        return lbPerHour(byte);
    case cmd::InjectorsOLBank2:
    case cmd::EecInjectorsOLBank2:
    case cmd::InjectorsBank2:
    case cmd::EecInjectorsBank2:
        return lbPerHour(rm::Bank2InjectorSize(byte));
    case cmd::IgnitionType: {
        const int index = rm::IgnitionIndexOf(byte);
        return index >= 0 ? rm::IgnitionCaption(index) : QStringLiteral("unknown ignition type");
    }
    case cmd::RpmSwitchOnPoint:
    case cmd::RpmSwitchOffPoint:
        return Format(rm::RpmFromSteps(byte), QStringLiteral("##,##0")) + QStringLiteral(" rpm");
    case cmd::RpmSwitchMode: {
        const int index = rm::RpmModeIndexOf(byte);
        return index >= 0 ? rm::RpmModeCaption(index) : QStringLiteral("unknown mode");
    }
    case cmd::VoltageOffset:
        return voltage_offset::VoltsText(voltage_offset::FromRegisterByte(byte)) + QStringLiteral(" V");
    default:
        break;
    }
    return {};
}

} // namespace

QString RegisterMeaning(int reg)
{
    switch (reg) {
    case cmd::WotBreakpointHigh:
        return QStringLiteral("TPS W.O.T. breakpoint, high byte");
    case cmd::WotBreakpointLow:
        return QStringLiteral("TPS W.O.T. breakpoint, low byte");
    case cmd::InjectorsOL:
        return QStringLiteral("installed injector size, open loop, bank 1");
    case cmd::EecInjectorsOL:
        return QStringLiteral("EEC injector size, open loop, bank 1");
    case cmd::Injectors:
        return QStringLiteral("installed injector size, closed loop, bank 1");
    case cmd::EecInjectors:
        return QStringLiteral("EEC injector size, closed loop, bank 1");
    case cmd::IgnitionType:
        return QStringLiteral("ignition type");
    case cmd::RpmSwitchOnPoint:
        return QStringLiteral("RPM switch on point");
    case cmd::RpmSwitchOffPoint:
        return QStringLiteral("RPM switch off point");
    case cmd::RpmSwitchMode:
        return QStringLiteral("RPM switch mode");
    case cmd::InjectorsOLBank2:
        return QStringLiteral("installed injector size, open loop, bank 2");
    case cmd::EecInjectorsOLBank2:
        return QStringLiteral("EEC injector size, open loop, bank 2");
    case cmd::InjectorsBank2:
        return QStringLiteral("installed injector size, closed loop, bank 2");
    case cmd::EecInjectorsBank2:
        return QStringLiteral("EEC injector size, closed loop, bank 2");
    case cmd::VoltageOffset:
        return QStringLiteral("monitor MAF voltage offset");
    default:
        break;
    }
    return {};
}

QString RegisterValueText(const Tune& tune, int reg)
{
    const std::optional<int> byte = tune.value({RegisterLetter, reg});
    if (!byte)
        return AbsentText;
    const QString meaning = valueMeaning(tune, reg, *byte);
    return meaning.isEmpty() ? frame::HexByte(*byte)
                             : frame::HexByte(*byte) + QStringLiteral(" (") + meaning + QLatin1Char(')');
}

QString CellValueText(const std::optional<int>& byte)
{
    if (!byte)
        return AbsentText;
    return Format(cells::DecodeCorrection(*byte), QStringLiteral("##0")) + QStringLiteral(" %");
}

QList<DifferenceRow> DifferenceRows(const Tune& left, const Tune& right)
{
    QList<DifferenceRow> rows;
    for (const Difference& d : Differences(left, right)) {
        DifferenceRow row;
        row.entry = d.entry;
        row.table = QString(QLatin1Char(d.entry.table));
        row.address = frame::HexByte(d.entry.address);
        if (d.entry.table == RegisterLetter) {
            row.where = RegisterMeaning(d.entry.address);
            row.left = RegisterValueText(left, d.entry.address);
            row.right = RegisterValueText(right, d.entry.address);
        } else {
            row.where = cells::ListingVolts(d.entry.table, d.entry.address) + QStringLiteral(" V");
            row.left = CellValueText(d.left);
            row.right = CellValueText(d.right);
        }
        rows.append(row);
    }
    return rows;
}

QString DifferenceLine(const DifferenceRow& row)
{
    const QString where = row.where.isEmpty() ? QString() : row.where + QStringLiteral("  ");
    return row.table + QLatin1Char(' ') + row.address + QStringLiteral("  ") + where + row.left + QStringLiteral(" -> ")
        + row.right;
}

int TableDifferenceCount(const QList<Difference>& differences, char table)
{
    return static_cast<int>(std::count_if(differences.begin(), differences.end(),
                                          [table](const Difference& d) { return d.entry.table == table; }));
}

} // namespace tunefile
