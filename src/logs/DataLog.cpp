#include "logs/DataLog.h"

#include <algorithm>
#include <cmath>

namespace logs {

const ChannelInfo& Info(Channel channel)
{
    static const std::array<ChannelInfo, ChannelCount> infos = {{
        // Volts: 0 to 1023 counts of a 5 V converter.
        {QStringLiteral("Vin(v)"), QStringLiteral("MAF in"), QStringLiteral("V"), 3, 0, 5},
        {QStringLiteral("Vout(v)"), QStringLiteral("MAF out"), QStringLiteral("V"), 3, 0, 5},
        // From an output of 0 V to 5 V out of one count (5/1023 V) in.
        {QStringLiteral("Vdelta(%)"), QStringLiteral("Voltage change"), QStringLiteral("%"), 1, -100, 102200},
        // A signed 16-bit count times the installed injector size (at most
        // 255 lb/hr) over 19: 32768 x 255 / 19 = 439,781.
        {QStringLiteral("Fin(kg/hr)"), QStringLiteral("Measured flow"), QStringLiteral("kg/hr"), 0, -439782, 439782},
        {QStringLiteral("Fout(kg/hr)"), QStringLiteral("Corrected flow"), QStringLiteral("kg/hr"), 0, -439782, 439782},
        // Two such flows, one a single count: 100 x 65535.
        {QStringLiteral("Fdelta(%)"), QStringLiteral("Flow change"), QStringLiteral("%"), 1, -6553500, 6553500},
        // The widebands the program knows read from 8.0:1 (UEGO1000/2000 at
        // 0 V) to 21.3:1 (ZEITRONIX ZT-2 at 3.27 V).
        {QStringLiteral("A/F"), QStringLiteral("A/F"), QStringLiteral(":1"), 1, 8.0, 21.3},
        {QStringLiteral("Vtps(v)"), QStringLiteral("TPS"), QStringLiteral("V"), 3, 0, 5},
        {QStringLiteral("TPAngle(deg)"), QStringLiteral("Throttle angle"), QStringLiteral("deg"), 1, 0, 90},
        // No engine the unit serves turns 20,000 rpm.
        {QStringLiteral("RPM"), QStringLiteral("Engine speed"), QStringLiteral("rpm"), 0, 0, 20000},
    }};
    return infos[static_cast<int>(channel)];
}

QStringList SkippedLinesList(const RejectedLines& rejected)
{
    QStringList lines;
    const std::size_t listed = std::min<std::size_t>(rejected.size(), SkippedLinesListed);
    for (std::size_t i = 0; i < listed; ++i)
        lines << QStringLiteral("line %1: %2").arg(rejected[i].line).arg(rejected[i].reason);
    if (rejected.size() > listed)
        lines << QStringLiteral("and %1 more").arg(rejected.size() - listed);
    return lines;
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
