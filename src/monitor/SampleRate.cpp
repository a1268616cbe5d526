#include "monitor/SampleRate.h"

#include "link/SettingsStore.h"

#include <cmath>

namespace sample_rate {

namespace {
const QString DefaultText = QStringLiteral("50 ms");
const QString FastestText = QStringLiteral("max");
// The default tick as samples a second.
constexpr double DefaultHertz = 1000.0 / DefaultTickMs;
} // namespace

std::optional<Rate> Parse(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t == DefaultText)
        return Rate{};
    if (t.compare(FastestText, Qt::CaseInsensitive) == 0)
        return Rate{Rate::Kind::Fastest, 0};
    bool ok = false;
    const double hertz = t.toDouble(&ok);
    if (!ok || !std::isfinite(hertz) || hertz <= 0)
        return std::nullopt;
    return Rate{Rate::Kind::Hertz, hertz};
}

QString Text(const Rate& rate)
{
    switch (rate.kind) {
    case Rate::Kind::Default:
        return DefaultText;
    case Rate::Kind::Fastest:
        return FastestText;
    case Rate::Kind::Hertz:
        break;
    }
    return QString::number(rate.hertz, 'g', 10);
}

QString Caption(const Rate& rate)
{
    if (rate.kind == Rate::Kind::Fastest)
        return QStringLiteral("as fast as the link answers");
    if (rate.kind == Rate::Kind::Hertz)
        return QStringLiteral("%1 a second").arg(Text(rate));
    return DefaultText;
}

int IntervalMs(const Rate& rate)
{
    switch (rate.kind) {
    case Rate::Kind::Default:
        return DefaultTickMs;
    case Rate::Kind::Fastest:
        return 0;
    case Rate::Kind::Hertz:
        break;
    }
    const double ms = std::round(1000.0 / rate.hertz);
    return ms >= LongestTickMs ? LongestTickMs : static_cast<int>(ms);
}

bool FineTimes(const Rate& rate)
{
    return rate.kind == Rate::Kind::Fastest || (rate.kind == Rate::Kind::Hertz && rate.hertz > DefaultHertz);
}

Rate Stored()
{
    return Parse(startup_settings::Read(startup_settings::SampleRate, DefaultText)).value_or(Rate{});
}

void Store(const Rate& rate)
{
    startup_settings::Write(startup_settings::SampleRate, Text(rate));
}

bool Pace::exchange(qint64 ms)
{
    if (fellBack_ || !FineTimes(rate_))
        return false;
    lateInARow_ = ms > DefaultTickMs ? lateInARow_ + 1 : 0;
    fellBack_ = lateInARow_ >= KeepUpMisses;
    return fellBack_;
}

bool Redraws::take(qint64 nowMs, int intervalMs)
{
    if (intervalMs < DefaultTickMs && drawn_ && nowMs - lastMs_ < DefaultTickMs) {
        holding_ = true;
        return false;
    }
    drawHeld(nowMs);
    return true;
}

void Redraws::drawHeld(qint64 nowMs)
{
    holding_ = false;
    drawn_ = true;
    lastMs_ = nowMs;
}

} // namespace sample_rate
