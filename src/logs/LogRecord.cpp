#include "logs/LogRecord.h"

namespace logs::record {

namespace {
// More fields than this in a line is junk, whatever the columns.
constexpr int MaximumFields = 1000;
} // namespace

bool splitRecord(QByteArrayView line, std::vector<QByteArrayView>& fields)
{
    fields.clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        if (static_cast<int>(fields.size()) >= MaximumFields)
            return false;
        if (i < n && line[i] == '"') {
            const qsizetype start = ++i;
            while (true) {
                if (i >= n)
                    return false;
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            fields.push_back(line.sliced(start, i - start));
            ++i;
            if (i == n)
                return true;
            if (line[i] != ',')
                return false;
            ++i;
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != ',')
                ++i;
            fields.push_back(line.sliced(start, i - start));
            if (i == n)
                return true;
            ++i;
        }
    }
}

namespace {
bool twoDigits(QByteArrayView text, qsizetype at, int& value)
{
    if (at + 2 > text.size())
        return false;
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return false;
    value = (a - '0') * 10 + (b - '0');
    return true;
}
} // namespace

int secondsOfDay(QByteArrayView text)
{
    int h = 0, m = 0, s = 0;
    if (text.size() != 8 || text[2] != ':' || text[5] != ':' || !twoDigits(text, 0, h) || !twoDigits(text, 3, m)
        || !twoDigits(text, 6, s) || h > 23 || m > 59 || s > 59)
        return -1;
    return h * 3600 + m * 60 + s;
}

QDate dateOf(QByteArrayView text)
{
    int month = 0, day = 0, century = 0, year = 0;
    if (text.size() != 10 || text[2] != '-' || text[5] != '-' || !twoDigits(text, 0, month) || !twoDigits(text, 3, day)
        || !twoDigits(text, 6, century) || !twoDigits(text, 8, year))
        return {};
    return QDate(century * 100 + year, month, day);
}

int thousandthsOf(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 3)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace logs::record
