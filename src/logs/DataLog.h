#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <vector>

// A data log as read from its file: one column of numbers per channel, the
// time of every sample, the user's time stamps and the lines that could not
// be read. The monitor and the graphical tuner write the same kind of file
// with slightly different columns; this holds either.
namespace logs {

enum class Channel {
    MafIn,         // "Vin(v)"
    MafOut,        // "Vout(v)"
    VoltageChange, // "Vdelta(%)", the monitor's logs only
    FlowIn,        // "Fin(kg/hr)"
    FlowOut,       // "Fout(kg/hr)"
    FlowChange,    // "Fdelta(%)"
    AirFuel,       // "A/F"; no reading ("XXX") is NaN
    TpsVolts,      // "Vtps(v)"
    ThrottleAngle, // "TPAngle(deg)"
    Rpm,           // "RPM"
};
inline constexpr int ChannelCount = 10;

struct ChannelInfo {
    QString header; // the column name in the file
    QString name;   // as the viewer labels it
    QString unit;
    int decimals; // as the unit's values are shown
    // What the channel can read at all; a logged value outside is no reading.
    double lowest;
    double highest;
};
const ChannelInfo& Info(Channel channel);
std::array<Channel, ChannelCount> AllChannels();

enum class LogKind {
    Monitor, // has the voltage change column
    Tuner,
};

// The user pressed the space bar in the tuner while it logged.
struct UserStamp {
    double seconds;   // on the samples' time scale
    QString timeText; // as written, hh:mm:ss
    int line;         // 1-based line in the file
};

struct RejectedLine {
    int line; // 1-based
    QString reason;
};
// Skipped lines listed by number before "and N more".
inline constexpr int SkippedLinesListed = 40;
// Skipped lines kept with their reasons; the rest are only counted, so a
// file of junk takes no more memory than a log.
inline constexpr int SkippedLinesKept = 300;
static_assert(SkippedLinesKept >= SkippedLinesListed);

// The lines a log's reader skipped: size() counts them all, the first
// SkippedLinesKept are kept (indexing and iteration reach those only).
class RejectedLines {
public:
    void push_back(RejectedLine line)
    {
        if (keepsMore())
            kept_.push_back(std::move(line));
        ++count_;
    }
    // Whether another line would be kept, or only counted (countOne).
    bool keepsMore() const { return kept_.size() < static_cast<std::size_t>(SkippedLinesKept); }
    void countOne() { ++count_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const RejectedLine& operator[](std::size_t i) const { return kept_[i]; }
    const std::vector<RejectedLine>& kept() const { return kept_; }
    std::vector<RejectedLine>::const_iterator begin() const { return kept_.begin(); }
    std::vector<RejectedLine>::const_iterator end() const { return kept_.end(); }

private:
    std::vector<RejectedLine> kept_;
    std::size_t count_ = 0;
};

// The skipped lines as listed to the user: "line N: reason" for the first
// SkippedLinesListed, then "and N more" when there are more.
QStringList SkippedLinesList(const RejectedLines& rejected);

struct DataLog {
    LogKind kind = LogKind::Monitor;
    // When the file was opened (its first line); invalid when that line is missing.
    QDateTime opened;
    // The time of day of the first sample's second: seconds 0 on the time scale.
    QTime origin;
    // Seconds from the origin, one per sample, never decreasing. A log
    // written fast holds the thousandths of each sample's second; otherwise
    // the file holds whole seconds and the samples within one second are
    // spread evenly through it. A log that runs past midnight keeps counting.
    std::vector<double> seconds;
    // Per channel one value per sample, or empty when the file has no such column.
    std::array<std::vector<double>, ChannelCount> values;
    std::vector<UserStamp> stamps;
    RejectedLines rejected;
    // The decimal separator of the machine that wrote the file, and the
    // decimals each column was written with.
    QString decimalSeparator = QStringLiteral(".");
    std::array<int, ChannelCount> decimals{};

    std::size_t size() const { return seconds.size(); }
    bool has(Channel c) const { return !values[static_cast<int>(c)].empty(); }
    const std::vector<double>& column(Channel c) const { return values[static_cast<int>(c)]; }
    double value(Channel c, std::size_t sample) const { return values[static_cast<int>(c)][sample]; }

    // The sample nearest in time to `seconds` (the earlier one on a tie); 0 for an empty log.
    std::size_t nearestSample(double at) const;
    // The first sample at or after `at`.
    std::size_t firstSampleFrom(double at) const;
    // The time of day at a point of the time scale, "hh:mm:ss" (with tenths when asked).
    QString timeOfDay(double at, bool tenths = false) const;
};

// "1 sample", "2 samples": a count with its noun.
QString Counted(long long count, const QString& one, const QString& many);

} // namespace logs
