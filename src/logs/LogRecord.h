#pragma once

#include <QByteArrayView>
#include <QDate>

#include <vector>

// The text of a data log cut into what its reader reads: lines, the quoted,
// comma-separated fields of a record, and the dates, times of day and
// thousandths of a second written in them.
namespace logs::record {

// One line of the file, without its line end.
struct Line {
    QByteArrayView text;
    int number; // 1-based
};

class LineCursor {
public:
    explicit LineCursor(QByteArrayView bytes) : bytes_(bytes)
    {
        if (bytes_.startsWith(QByteArrayView("\xEF\xBB\xBF")))
            pos_ = 3;
    }
    bool next(Line& line)
    {
        if (pos_ >= bytes_.size())
            return false;
        qsizetype end = bytes_.indexOf('\n', pos_);
        const qsizetype after = end < 0 ? bytes_.size() : end + 1;
        if (end < 0)
            end = bytes_.size();
        if (end > pos_ && bytes_[end - 1] == '\r')
            --end;
        line = {bytes_.sliced(pos_, end - pos_), ++number_};
        pos_ = after;
        return true;
    }
    qsizetype position() const { return pos_; }

private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    int number_ = 0;
};

// Splits a record into its fields: quoted ("" inside standing for one quote,
// left as it is) or bare. False when a quote is not closed or text follows one.
bool splitRecord(QByteArrayView line, std::vector<QByteArrayView>& fields);

// "07:41:09" as seconds of the day; -1 when it is not a time of day.
int secondsOfDay(QByteArrayView text);

// "12-05-2026" (month first); invalid when it is not a date.
QDate dateOf(QByteArrayView text);

// The thousandths of a second of a fast log's last column: 0 to 999, one to
// three digits; -1 when it is not.
int thousandthsOf(QByteArrayView text);

} // namespace logs::record
