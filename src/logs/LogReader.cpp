#include "logs/LogReader.h"

#include "logs/LogNumber.h"
#include "logs/LogRecord.h"
#include "monitor/Datalog.h"
#include "platform/PrintableText.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace logs {

namespace {

using namespace record;

constexpr int SecondsPerDay = 86400;
// A step back in the time of day larger than this is the clock passing
// midnight; a smaller one is the clock being set back, and is held.
constexpr int MidnightStepBack = SecondsPerDay / 2;
// The column names are looked for in this much of the file's start.
constexpr qsizetype HeaderSearchBytes = 64 * 1024;

const QByteArrayView NoReading("XXX");

QString notADataLog(const QString& name)
{
    QStringList columns;
    for (const Channel c : AllChannels())
        columns << QLatin1Char('"') + Info(c).header + QLatin1Char('"');
    return QStringLiteral("\"%1\" is not a data log. Expected the monitor's or the graphical tuner's "
                          "data log: a line of column names beginning with \"Time\" (of %2), then one "
                          "line of values per sample.")
        .arg(name, columns.join(QStringLiteral(", ")));
}

// A field as a reason quotes it: cut short, and never a control character.
QString shown(QByteArrayView field)
{
    constexpr qsizetype Longest = 24;
    QString text = PrintableText(QString::fromUtf8(field.first(std::min(field.size(), Longest))));
    if (field.size() > Longest)
        text += QStringLiteral("...");
    return text;
}

QString noSamples(const QString& name, const DataLog& log, bool emptyFile)
{
    const QString text = QStringLiteral("\"%1\" holds no samples: ").arg(name);
    if (emptyFile)
        return text + QStringLiteral("the file is empty.");
    if (log.rejected.empty())
        return text + QStringLiteral("nothing follows the column names.");
    return text
        + QStringLiteral("%1 could not be read (line %2: %3).")
              .arg(
                  Counted(static_cast<long long>(log.rejected.size()), QStringLiteral("line"), QStringLiteral("lines")))
              .arg(log.rejected[0].line)
              .arg(log.rejected[0].reason);
}

int decimalsIn(QByteArrayView field, QByteArrayView decimal)
{
    const qsizetype at = decimal.isEmpty() ? -1 : field.indexOf(decimal);
    return at < 0 ? 0 : static_cast<int>(field.size() - at - decimal.size());
}

// Samples and user stamps in file order, with the whole second each was written in.
struct Event {
    qint64 second; // seconds of the first day, counting on past midnight
    bool stamp;
    int ms; // the thousandths of the second, when the log has them (else -1)
};

class Reader {
public:
    Reader(QByteArrayView bytes, const QString& name) : bytes_(bytes), name_(name) { }

    ReadResult read()
    {
        ReadResult result;
        if (bytes_.trimmed().isEmpty()) {
            result.error = noSamples(name_, log_, true);
            return result;
        }
        LineCursor cursor(bytes_);
        if (!findHeader(cursor)) {
            result.error = notADataLog(name_);
            return result;
        }
        findDecimalSeparator(cursor);
        Line line;
        while (cursor.next(line))
            readLine(line);
        spreadTimes();
        if (log_.size() == 0)
            result.error = noSamples(name_, log_, false);
        else
            result.log = std::move(log_);
        return result;
    }

private:
    // The reason is put into words only for the lines that are kept.
    template <typename Reason>
    void reject(int line, Reason&& reason)
    {
        if (log_.rejected.keepsMore())
            log_.rejected.push_back({line, reason()});
        else
            log_.rejected.countOne();
    }

    bool findHeader(LineCursor& cursor)
    {
        Line line;
        std::vector<Line> before;
        while (before.size() < static_cast<std::size_t>(HeaderSearchLines) && cursor.position() < HeaderSearchBytes
               && cursor.next(line)) {
            if (splitRecord(line.text, fields_) && isHeader()) {
                takeColumns();
                for (const Line& early : before)
                    readEarlyLine(early);
                return true;
            }
            before.push_back(line);
        }
        return false;
    }

    bool isHeader() const
    {
        if (fields_.empty() || fields_[0] != QByteArrayView("Time"))
            return false;
        for (const QByteArrayView field : fields_) {
            for (const Channel c : AllChannels()) {
                if (field == Info(c).header.toLatin1())
                    return true;
            }
        }
        return false;
    }

    void takeColumns()
    {
        columnCount_ = static_cast<int>(fields_.size());
        columnOf_.fill(-1);
        const QByteArray fineTimeColumn = datalog::FineTimeColumn.toLatin1();
        for (int i = 1; i < columnCount_; ++i) {
            if (fields_[i] == fineTimeColumn)
                msColumn_ = i;
            for (const Channel c : AllChannels()) {
                int& column = columnOf_[static_cast<int>(c)];
                if (column < 0 && fields_[i] == Info(c).header.toLatin1())
                    column = i;
            }
        }
        for (const Channel c : AllChannels()) {
            if (columnOf_[static_cast<int>(c)] >= 0)
                log_.values[static_cast<int>(c)].reserve(static_cast<std::size_t>(bytes_.size() / 64));
        }
        log_.kind = columnOf_[static_cast<int>(Channel::VoltageChange)] >= 0 ? LogKind::Monitor : LogKind::Tuner;
    }

    // Lines before the column names: the date and time the file was opened, or junk.
    void readEarlyLine(const Line& line)
    {
        if (line.text.trimmed().isEmpty())
            return;
        if (splitRecord(line.text, fields_) && fields_.size() == 2) {
            const QDate date = dateOf(fields_[0]);
            const int second = secondsOfDay(fields_[1]);
            if (date.isValid() && second >= 0) {
                log_.opened = QDateTime(date, QTime(0, 0).addSecs(second));
                return;
            }
        }
        reject(line.number, [] { return QStringLiteral("before the column names"); });
    }

    // The first volts text of the samples tells the writer's decimal separator.
    void findDecimalSeparator(const LineCursor& from)
    {
        LineCursor cursor = from;
        Line line;
        while (cursor.next(line)) {
            if (!splitRecord(line.text, fields_) || static_cast<int>(fields_.size()) != columnCount_)
                continue;
            for (const Channel c : {Channel::MafIn, Channel::MafOut, Channel::TpsVolts}) {
                const int column = columnOf_[static_cast<int>(c)];
                if (column < 0)
                    continue;
                const QByteArray separator = log_number::DecimalSeparatorOf(fields_[column]);
                if (!separator.isEmpty()) {
                    decimal_ = separator;
                    log_.decimalSeparator = QString::fromUtf8(separator);
                    return;
                }
            }
        }
    }

    void readLine(const Line& line)
    {
        if (line.text.isEmpty())
            return;
        if (!splitRecord(line.text, fields_)) {
            reject(line.number, [] { return QStringLiteral("a quote is not closed, or text follows one"); });
            return;
        }
        if (fields_[0] == QByteArrayView(UserStampField)) {
            readStamp(line);
            return;
        }
        if (static_cast<int>(fields_.size()) != columnCount_) {
            reject(line.number, [&] {
                return QStringLiteral("%1 where the column names have %2")
                    .arg(Counted(static_cast<long long>(fields_.size()), QStringLiteral("field"),
                                 QStringLiteral("fields")))
                    .arg(columnCount_);
            });
            return;
        }
        const int second = secondsOfDay(fields_[0]);
        if (second < 0) {
            reject(line.number, [&] { return QStringLiteral("\"%1\" is not a time of day").arg(shown(fields_[0])); });
            return;
        }
        const int ms = msColumn_ < 0 ? -1 : thousandthsOf(fields_[msColumn_]);
        if (msColumn_ >= 0 && ms < 0) {
            reject(line.number, [&] {
                return QStringLiteral("\"%1\" in column \"%2\" is not the thousandths of a second")
                    .arg(shown(fields_[msColumn_]), datalog::FineTimeColumn);
            });
            return;
        }
        std::array<double, ChannelCount> values{};
        for (const Channel c : AllChannels()) {
            const int column = columnOf_[static_cast<int>(c)];
            if (column < 0)
                continue;
            const QByteArrayView field = fields_[column];
            if (c == Channel::AirFuel && field == NoReading) {
                values[static_cast<int>(c)] = std::numeric_limits<double>::quiet_NaN();
                continue;
            }
            const std::optional<double> value = log_number::Parse(field, decimal_);
            if (!value) {
                reject(line.number, [&] {
                    return QStringLiteral("\"%1\" in column \"%2\" is not a number").arg(shown(field), Info(c).header);
                });
                return;
            }
            if (*value < Info(c).lowest || *value > Info(c).highest) {
                reject(line.number, [&] {
                    return QStringLiteral("\"%1\" in column \"%2\" is outside what it reads, %3 to %4")
                        .arg(shown(field), Info(c).header, QString::number(Info(c).lowest),
                             QString::number(Info(c).highest));
                });
                return;
            }
            values[static_cast<int>(c)] = *value;
        }
        if (log_.seconds.empty())
            takeDecimals();
        for (const Channel c : AllChannels()) {
            if (columnOf_[static_cast<int>(c)] >= 0)
                log_.values[static_cast<int>(c)].push_back(values[static_cast<int>(c)]);
        }
        log_.seconds.push_back(0);
        addEvent(second, false, ms);
    }

    void readStamp(const Line& line)
    {
        // A third field is the program's note on the mark ("link lost").
        const int second = fields_.size() == 2 || fields_.size() == 3 ? secondsOfDay(fields_[1]) : -1;
        if (second < 0) {
            reject(line.number, [] { return QStringLiteral("a user time stamp without a time of day"); });
            return;
        }
        log_.stamps.push_back({0, QString::fromLatin1(fields_[1]), line.number});
        addEvent(second, true, -1);
    }

    void takeDecimals()
    {
        for (const Channel c : AllChannels()) {
            const int column = columnOf_[static_cast<int>(c)];
            log_.decimals[static_cast<int>(c)] =
                column < 0 || fields_[column] == NoReading ? Info(c).decimals : decimalsIn(fields_[column], decimal_);
        }
    }

    void addEvent(int secondOfDay, bool stamp, int ms)
    {
        qint64 second = secondOfDay + dayOffset_ * qint64(SecondsPerDay);
        if (!events_.empty() && second < events_.back().second) {
            if (events_.back().second - second > MidnightStepBack) {
                ++dayOffset_;
                second += SecondsPerDay;
            } else {
                second = events_.back().second;
            }
        }
        if (events_.empty())
            log_.origin = QTime(0, 0).addSecs(secondOfDay);
        events_.push_back({second, stamp, ms});
    }

    // The events written within one second are spread evenly through it;
    // in a log with the thousandths of each sample's second, the samples are
    // where those put them and a user stamp comes with the sample before it.
    void spreadTimes()
    {
        if (events_.empty())
            return;
        const qint64 origin = events_.front().second;
        if (msColumn_ >= 0) {
            double last = 0;
            std::size_t sample = 0;
            std::size_t stamp = 0;
            for (const Event& event : events_) {
                const double whole = static_cast<double>(event.second - origin);
                last = std::max(last, event.stamp ? whole : whole + event.ms / 1000.0);
                (event.stamp ? log_.stamps[stamp++].seconds : log_.seconds[sample++]) = last;
            }
            return;
        }
        std::size_t sample = 0;
        std::size_t stamp = 0;
        for (std::size_t first = 0; first < events_.size();) {
            std::size_t end = first;
            while (end < events_.size() && events_[end].second == events_[first].second)
                ++end;
            const double count = static_cast<double>(end - first);
            for (std::size_t i = first; i < end; ++i) {
                const double at = static_cast<double>(events_[i].second - origin) + (i - first) / count;
                if (events_[i].stamp)
                    log_.stamps[stamp++].seconds = at;
                else
                    log_.seconds[sample++] = at;
            }
            first = end;
        }
    }

    QByteArrayView bytes_;
    QString name_;
    DataLog log_;
    std::vector<QByteArrayView> fields_;
    int columnCount_ = 0;
    int msColumn_ = -1;
    std::array<int, ChannelCount> columnOf_{};
    QByteArray decimal_ = ".";
    std::vector<Event> events_;
    qint64 dayOffset_ = 0;
};

} // namespace

ReadResult ParseDataLog(QByteArrayView bytes, const QString& name)
{
    return Reader(bytes, name).read();
}

ReadResult ReadDataLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("Cannot open \"%1\": %2.").arg(path, file.errorString())};
    // A mapped file is read in place: a long log is not copied first. A pipe
    // (or anything else without a size to map) is read to its end.
    const qint64 size = file.isSequential() ? 0 : file.size();
    if (size > 0) {
        if (uchar* mapped = file.map(0, size))
            return ParseDataLog(QByteArrayView(reinterpret_cast<const char*>(mapped), size), path);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("Cannot read \"%1\": %2.").arg(path, file.errorString())};
    return ParseDataLog(bytes, path);
}

} // namespace logs
