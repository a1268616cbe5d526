#include "logs/LogSuggestion.h"

#include "logs/TunerCells.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace autotune {

logs::DataLog Stretch(const logs::DataLog& log, std::size_t first, std::size_t end)
{
    end = std::min(end, log.size());
    first = std::min(first, end);
    logs::DataLog part;
    part.kind = log.kind;
    part.opened = log.opened;
    part.origin = log.origin;
    part.decimalSeparator = log.decimalSeparator;
    part.decimals = log.decimals;
    const auto from = static_cast<std::ptrdiff_t>(first);
    const auto to = static_cast<std::ptrdiff_t>(end);
    part.seconds.assign(log.seconds.begin() + from, log.seconds.begin() + to);
    for (std::size_t c = 0; c < log.values.size(); ++c)
        if (!log.values[c].empty())
            part.values[c].assign(log.values[c].begin() + from, log.values[c].begin() + to);
    return part;
}

std::vector<SuggestionPoint> SuggestionPoints(const Result& result)
{
    std::vector<SuggestionPoint> points;
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const CellResult& r = result.cells[cell];
        if (r.outcome == CellOutcome::Suggested || r.outcome == CellOutcome::Settled)
            points.push_back({cell, tuner_cells::CellCaptionVolts(cell), r.measured, r.change});
    }
    return points;
}

QString SuggestionSummary(const Result& result, const Settings& settings)
{
    const QString head = QStringLiteral("Table %1 to %2:1")
                             .arg(QLatin1Char(settings.table))
                             .arg(number_format::Format(settings.target, QStringLiteral("#0.0")));
    const std::vector<SuggestionPoint> points = SuggestionPoints(result);
    const QString used = QStringLiteral("%1 of %2 samples used")
                             .arg(number_format::Format(result.accepted, QStringLiteral("##,##0")),
                                  number_format::Format(result.samples, QStringLiteral("##,##0")));
    const QString lag = QLatin1Char(' ') + LagText(result.lag);
    if (points.empty())
        return head + QStringLiteral(": no cell has %1 samples to go by (%2).").arg(settings.minimumSamples).arg(used)
            + lag;
    QStringList changes;
    for (const SuggestionPoint& p : points)
        changes << QStringLiteral("%1 V %2").arg(number_format::Format(p.volts, QStringLiteral("0.00")),
                                                 result.cells[p.cell].outcome == CellOutcome::Settled
                                                     ? QStringLiteral("settled")
                                                     : p.change > 0 ? QStringLiteral("+%1").arg(p.change)
                                                                    : QString::number(p.change));
    return head + QStringLiteral(": ") + changes.join(QStringLiteral(", ")) + QStringLiteral(" (") + used
        + QStringLiteral(").") + lag;
}

} // namespace autotune
