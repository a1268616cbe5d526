#include "logs/DataLog.h"

#include <algorithm>
#include <cmath>

namespace logs {

const ChannelInfo& Info(Channel channel)
{
    static const std::array<ChannelInfo, ChannelCount> infos = {{
        {QStringLiteral("Vin(v)"), QStringLiteral("MAF in"), QStringLiteral("V"), 3},
        {QStringLiteral("Vout(v)"), QStringLiteral("MAF out"), QStringLiteral("V"), 3},
        {QStringLiteral("Vdelta(%)"), QStringLiteral("Voltage change"), QStringLiteral("%"), 1},
        {QStringLiteral("Fin(kg/hr)"), QStringLiteral("Measured flow"), QStringLiteral("kg/hr"), 0},
        {QStringLiteral("Fout(kg/hr)"), QStringLiteral("Corrected flow"), QStringLiteral("kg/hr"), 0},
        {QStringLiteral("Fdelta(%)"), QStringLiteral("Flow change"), QStringLiteral("%"), 1},
        {QStringLiteral("A/F"), QStringLiteral("A/F"), QStringLiteral(":1"), 1},
        {QStringLiteral("Vtps(v)"), QStringLiteral("TPS"), QStringLiteral("V"), 3},
        {QStringLiteral("TPAngle(deg)"), QStringLiteral("Throttle angle"), QStringLiteral("deg"), 1},
        {QStringLiteral("RPM"), QStringLiteral("Engine speed"), QStringLiteral("rpm"), 0},
    }};
    return infos[static_cast<int>(channel)];
}

std::array<Channel, ChannelCount> AllChannels()
{
    std::array<Channel, ChannelCount> all{};
    for (int i = 0; i < ChannelCount; ++i)
        all[i] = static_cast<Channel>(i);
    return all;
}

std::size_t DataLog::firstSampleFrom(double at) const
{
    return static_cast<std::size_t>(std::lower_bound(seconds.begin(), seconds.end(), at) - seconds.begin());
}

std::size_t DataLog::nearestSample(double at) const
{
    if (seconds.empty())
        return 0;
    const std::size_t after = firstSampleFrom(at);
    if (after == 0)
        return 0;
    if (after >= seconds.size())
        return seconds.size() - 1;
    return at - seconds[after - 1] <= seconds[after] - at ? after - 1 : after;
}

QString DataLog::timeOfDay(double at, bool tenths) const
{
    const double ofDay = origin.msecsSinceStartOfDay() / 1000.0 + at;
    const double wrapped = ofDay - 86400.0 * std::floor(ofDay / 86400.0);
    const long long tenthsOfDay = std::llround(std::floor(wrapped * 10.0 + 1e-6));
    const long long whole = tenthsOfDay / 10 % 86400;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(whole / 3600, 2, 10, QLatin1Char('0'))
                       .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole % 60, 2, 10, QLatin1Char('0'));
    if (tenths)
        text += QStringLiteral(".%1").arg(tenthsOfDay % 10);
    return text;
}

QString Counted(long long count, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

} // namespace logs
