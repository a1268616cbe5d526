#include "logs/CellSummary.h"

#include <algorithm>
#include <vector>

namespace logs {

QStringList CellColumnNames()
{
    return {QStringLiteral("Cell"), QStringLiteral("Volts"), QStringLiteral("Samples"), QStringLiteral("Median"),
            QStringLiteral("Min"),  QStringLiteral("Max"),   QStringLiteral("XXX"),     QString()};
}

QStringList CellRowTexts(const CellTable& table, int cell)
{
    const CellStats& stats = table.cells[cell];
    const auto ratio = [&stats](double value) {
        return stats.samples == 0 ? QString() : QString::number(value, 'f', 2);
    };
    return {QString::number(cell),
            QString::number(tuner_cells::CellCaptionVolts(cell), 'f', 2),
            QString::number(stats.samples),
            ratio(stats.median),
            ratio(stats.minimum),
            ratio(stats.maximum),
            QString::number(stats.withoutReading),
            stats.tooFew() ? QStringLiteral("too few") : QString()};
}

QString CellTotalsText(const CellTable& table)
{
    return QStringLiteral("%1 samples taken; %2 without an A/F (\"XXX\"), counted apart. Fewer than %3 samples "
                          "with an A/F in a cell are too few.")
        .arg(table.samples)
        .arg(table.withoutReading)
        .arg(TooFewSamples);
}

QString CellSummaryText(const CellTable& table)
{
    std::vector<QStringList> rows{CellColumnNames()};
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell)
        rows.push_back(CellRowTexts(table, cell));
    const qsizetype columns = rows.front().size();
    std::vector<qsizetype> widths(columns, 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < columns; ++i)
            widths[i] = std::max(widths[i], row[i].size());

    // Numbers line up on the right; the mark after them reads from the left.
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i + 1 < columns; ++i)
            line += (i ? QStringLiteral("  ") : QString()) + row[i].rightJustified(widths[i]);
        if (!row.back().isEmpty())
            line += QStringLiteral("  ") + row.back();
        text += line + QLatin1Char('\n');
    }
    return text + CellTotalsText(table) + QLatin1Char('\n');
}

} // namespace logs
