#include "cli/CliDiff.h"

#include "cli/CliArguments.h"
#include "cli/CliRunner.h"
#include "cli/Console.h"
#include "link/Autodetect.h"
#include "memory/CellAccess.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/TuneDifferences.h"
#include "tunefile/TuneTransfer.h"

#include <optional>

namespace cli_diff {

namespace {

// The unit's whole tune, read as the export reads it; nullopt after saying
// why (status in `status`).
std::optional<tunefile::Tune> readUnit(Console& console, const UnitAccess& unit, int& status)
{
    if (!unit.connect()) {
        status = Trouble;
        return std::nullopt;
    }
    ProgressLine progress(console, QStringLiteral("Reading the unit"));
    const tunefile::ExportResult read =
        tunefile::ReadTune(unit.transact, services::clock().currentDateTime(),
                           [&](int handled) { progress.show(tunefile::ProgressPercent(handled)); });
    progress.finish();
    if (!unit.stoppedBefore().isEmpty()) {
        console.err << "Interrupted." << Qt::endl
                    << QStringLiteral("Stopped before \"%1\" (%2 of %3 entries read); nothing was compared.")
                           .arg(unit.stoppedBefore())
                           .arg(read.failedEntry)
                           .arg(tunefile::DataLineCount)
                    << Qt::endl;
        status = exit_status::Interrupted;
        return std::nullopt;
    }
    if (!read.complete) {
        console.err << cells::messages::TableReadFailed << Qt::endl
                    << QStringLiteral("No usable answer to \"%1\"; nothing was compared.")
                           .arg(tunefile::ReadRequest(tunefile::TuneOrder().at(read.failedEntry)))
                    << Qt::endl;
        status = Trouble;
        return std::nullopt;
    }
    tunefile::Tune tune = read.tune;
    tune.origin = {tunefile::TuneOrigin::Kind::Unit,
                   {},
                   QString::number(mdlPublicVars::CommPortNumber),
                   services::clock().currentDateTime()};
    return tune;
}

} // namespace

int RunDiff(const QStringList& operands, Console& console, const UnitAccess& unit)
{
    if (operands.size() != 2) {
        console.err << "kestrel-cli: diff needs two tunes, each a FILE.tun or " << UnitOperand << Qt::endl
                    << CliHelp(QStringLiteral("diff"), {});
        return Trouble;
    }
    if (operands.at(0) == UnitOperand && operands.at(1) == UnitOperand) {
        console.err << "kestrel-cli: there is one unit; compare it with a file." << Qt::endl;
        return Trouble;
    }

    // The files are read and checked before the unit is asked anything.
    std::optional<tunefile::Tune> sides[2];
    for (int i = 0; i < 2; ++i) {
        if (operands.at(i) == UnitOperand)
            continue;
        const tunefile::LoadedTune loaded = tunefile::LoadTuneFile(operands.at(i));
        if (!loaded.tune) {
            console.err << loaded.error << Qt::endl;
            return Trouble;
        }
        sides[i] = loaded.tune;
    }
    for (int i = 0; i < 2; ++i) {
        if (sides[i])
            continue;
        int status = Trouble;
        sides[i] = readUnit(console, unit, status);
        if (!sides[i])
            return status;
    }

    const QList<tunefile::DifferenceRow> rows = tunefile::DifferenceRows(*sides[0], *sides[1]);
    for (const tunefile::DifferenceRow& row : rows)
        console.out << tunefile::DifferenceLine(row) << Qt::endl;
    if (rows.isEmpty()) {
        console.err << "The tunes hold the same entries." << Qt::endl;
        return Same;
    }
    console.err << rows.size() << (rows.size() == 1 ? " entry differs." : " entries differ.") << Qt::endl;
    return Differ;
}

} // namespace cli_diff
