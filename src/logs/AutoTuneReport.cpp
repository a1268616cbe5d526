#include "logs/AutoTune.h"

#include "correction/AirFuelFormula.h"
#include "logs/DataLog.h"
#include "platform/NumberFormat.h"

#include <QTextStream>

// The words of the auto-tune analysis: its reasons, notes and report.
namespace autotune {

QString RejectionText(Rejection reason)
{
    switch (reason) {
    case Rejection::NoAirFuel:
        return QStringLiteral("A/F missing (XXX)");
    case Rejection::BeforeLog:
        return QStringLiteral("fuel metered before the log began");
    case Rejection::OtherTable:
        return QStringLiteral("other table");
    case Rejection::ClosedLoop:
        return QStringLiteral("closed loop");
    case Rejection::LowRpm:
        return QStringLiteral("engine speed too low");
    case Rejection::ThrottleMoving:
        return QStringLiteral("throttle moving");
    case Rejection::AfterTransient:
        return QStringLiteral("after a throttle transient");
    case Rejection::MafChanging:
        return QStringLiteral("MAF voltage changing");
    }
    return {};
}

QString AssumptionText(const Settings& settings)
{
    const QString table(QLatin1Char(settings.table));
    if (!settings.splitByThrottle)
        return QStringLiteral("Assumed: every sample tuned table %1 (split by throttle off).").arg(table);
    return QStringLiteral("Assumed: samples with the TPS above %1 V (the wide-open-throttle breakpoint) tuned the "
                          "open-loop table, the others the closed-loop table; table %2 takes the %3 ones.")
        .arg(number_format::Format(settings.breakpointVolts, QStringLiteral("0.000")), table,
             IsOpenLoopTable(settings.table) ? QStringLiteral("above") : QStringLiteral("other"));
}

QString CellNote(const CellResult& cell)
{
    switch (cell.outcome) {
    case CellOutcome::TooFew:
        return QStringLiteral("too few samples");
    case CellOutcome::Locked:
        return QStringLiteral("locked");
    case CellOutcome::AtLimit:
        return QStringLiteral("at its limit");
    case CellOutcome::Settled:
        return QStringLiteral("settled");
    case CellOutcome::Suggested:
        break;
    }
    if (cell.rail == Rail::None)
        return {};
    return QStringLiteral("at the %1 rail (%2)")
        .arg(cell.rail == Rail::Rich ? QStringLiteral("rich") : QStringLiteral("lean"),
             logs::Counted(cell.railSamples, QStringLiteral("sample"), QStringLiteral("samples")));
}

QString LagText(const Lag& lag)
{
    const auto seconds = [](double value) { return number_format::Format(value, QStringLiteral("#0.00")) + " s"; };
    const QString events =
        logs::Counted(lag.events, QStringLiteral("throttle event"), QStringLiteral("throttle events"));
    QString text = QStringLiteral("Wideband delay %1").arg(seconds(lag.seconds));
    switch (lag.source) {
    case Lag::Source::Estimated:
        return text + QStringLiteral(", timed from %1.").arg(events);
    case Lag::Source::Given:
        text += QStringLiteral(", as given");
        if (lag.events == 0)
            return text + QLatin1Char('.');
        return text + QStringLiteral(" (the logs' %1 say %2).").arg(events, seconds(lag.estimate));
    case Lag::Source::Default:
        text += QStringLiteral(", the default");
        break;
    }
    if (lag.events == 0)
        return text + QStringLiteral(": the logs have no throttle event to time it by.");
    if (lag.events < MinimumLagEvents)
        return text
            + QStringLiteral(": the logs have only %1 to time it by, fewer than %2.").arg(events).arg(MinimumLagEvents);
    if (lag.estimate < 0)
        return text + QStringLiteral(": the logs' %1 put it at %2, below 0 s.").arg(events, seconds(lag.estimate));
    if (lag.estimate > MaximumLagSeconds)
        return text + QStringLiteral(": the logs' %1 put it at %2, above 3 s.").arg(events, seconds(lag.estimate));
    return text + QLatin1Char('.');
}

QString ReportText(const Result& result, const Settings& settings)
{
    QString text;
    QTextStream out(&text);
    const auto fixed = [](double value, const char* pattern) {
        return number_format::Format(value, QLatin1String(pattern));
    };
    out << "Table " << settings.table << ", target A/F " << fixed(settings.target, "#0.0") << ":1, EEC injectors "
        << fixed(air_fuel::ScalingInjectorSize(settings.eecInjectorSize), "#0") << " lb/hr, cap " << settings.capPoints
        << " points per pass" << Qt::endl;
    out << AssumptionText(settings) << Qt::endl;
    out << LagText(result.lag) << Qt::endl;
    if (!IsOpenLoopTable(settings.table) && !settings.useClosedLoop)
        out << "Closed-loop samples are not used: the engine computer's trims pull them to 14.7." << Qt::endl;
    out << Qt::endl;
    out << "Cell  Volts  Samples  Median A/F  Error %  Current  Change  Suggested" << Qt::endl;
    for (int i = 0; i < tuner_cells::CellCount; ++i) {
        const CellResult& cell = result.cells[i];
        out << QString::number(i).rightJustified(4) << "  "
            << fixed(tuner_cells::CellCaptionVolts(i), "0.00").rightJustified(5) << "  "
            << QString::number(cell.samples).rightJustified(7) << "  "
            << (cell.samples ? fixed(cell.measured, "#0.00") : QStringLiteral("-")).rightJustified(10) << "  "
            << (cell.samples ? fixed(cell.errorPercent, "##0.0") : QStringLiteral("-")).rightJustified(7) << "  "
            << QString::number(cell.current).rightJustified(7) << "  ";
        if (cell.outcome == CellOutcome::Suggested)
            out << (cell.change > 0 ? QStringLiteral("+%1").arg(cell.change) : QString::number(cell.change))
                       .rightJustified(6);
        else
            out << "     -";
        out << "  " << QString::number(cell.suggested).rightJustified(9);
        const QString note = CellNote(cell);
        if (!note.isEmpty())
            out << "  " << note;
        out << Qt::endl;
    }
    out << Qt::endl;
    out << result.samples << " samples: " << result.accepted << " used, " << result.rejectedTotal() << " rejected"
        << Qt::endl;
    for (int r = 0; r < RejectionCount; ++r)
        if (result.rejected[r] > 0)
            out << "  " << RejectionText(static_cast<Rejection>(r)) << ": " << result.rejected[r] << Qt::endl;
    return text;
}

} // namespace autotune
