#include "sim/MafErrorCurve.h"

#include <QStringList>

bool MafErrorCurve::parse(const QString& text, QString* error)
{
    std::vector<std::pair<double, double>> points;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList pair = part.trimmed().split(QLatin1Char(':'));
        bool voltsOk = false;
        bool percentOk = false;
        const double volts = pair.value(0).toDouble(&voltsOk);
        const double percent = pair.value(1).toDouble(&percentOk);
        if (pair.size() != 2 || !voltsOk || !percentOk || volts < 0 || volts > 5 || percent < -50 || percent > 50)
            return fail(QStringLiteral("\"%1\" is not VOLTS:PERCENT (volts 0 to 5, percent -50 to +50)").arg(part));
        if (!points.empty() && volts <= points.back().first)
            return fail(QStringLiteral("the volts must rise from point to point"));
        points.emplace_back(volts, percent);
    }
    if (points.empty())
        return fail(QStringLiteral("no points given"));
    points_ = std::move(points);
    return true;
}

double MafErrorCurve::percentAt(double volts) const
{
    if (points_.empty())
        return 0;
    if (volts <= points_.front().first)
        return points_.front().second;
    for (std::size_t i = 1; i < points_.size(); ++i) {
        const auto& [v1, p1] = points_[i];
        if (volts <= v1) {
            const auto& [v0, p0] = points_[i - 1];
            return p0 + (p1 - p0) * (volts - v0) / (v1 - v0);
        }
    }
    return points_.back().second;
}
