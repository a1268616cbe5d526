#include "logs/LogCsv.h"

#include <cmath>
#include <vector>

namespace logs {

namespace {

std::vector<Channel> presentChannels(const DataLog& log)
{
    std::vector<Channel> present;
    for (const Channel channel : AllChannels())
        if (log.has(channel))
            present.push_back(channel);
    return present;
}

// QString::number never uses the locale; a reading that rounds to zero is
// written "0.0", not "-0.0".
QString plain(double value, int decimals)
{
    if (std::isnan(value))
        return {};
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0)
        text.remove(0, 1);
    return text;
}

} // namespace

QString CsvHeader(const DataLog& log)
{
    QStringList names{QStringLiteral("Time (s)")};
    for (const Channel channel : presentChannels(log))
        names << QStringLiteral("%1 (%2)").arg(Info(channel).name, Info(channel).unit);
    return names.join(QLatin1Char(','));
}

QString CsvText(const DataLog& log)
{
    const std::vector<Channel> channels = presentChannels(log);
    QString text = CsvHeader(log) + QLatin1Char('\n');
    text.reserve(static_cast<qsizetype>(log.size() * (8 + 8 * channels.size())));
    for (std::size_t sample = 0; sample < log.size(); ++sample) {
        text += plain(log.seconds[sample], 3);
        for (const Channel channel : channels) {
            text += QLatin1Char(',');
            text += plain(log.value(channel, sample), log.decimals[static_cast<int>(channel)]);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace logs
