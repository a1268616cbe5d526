#include "logs/LogNumber.h"

#include <array>
#include <charconv>

namespace log_number {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The byte length of a thousands separator starting at text[i], or 0.
qsizetype thousandsSeparatorAt(QByteArrayView text, qsizetype i, QByteArrayView decimal)
{
    // UTF-8 no-break space, narrow no-break space, thin space, right single
    // quotation mark (the apostrophe some locales group with); the no-break
    // space and the quotation mark alone for files written in Latin-1.
    static const std::array<QByteArrayView, 6> wide = {QByteArrayView("\xC2\xA0"),     QByteArrayView("\xE2\x80\xAF"),
                                                       QByteArrayView("\xE2\x80\x89"), QByteArrayView("\xE2\x80\x99"),
                                                       QByteArrayView("\xA0"),         QByteArrayView("\x92")};
    const QByteArrayView rest = text.sliced(i);
    if (!decimal.isEmpty() && rest.startsWith(decimal))
        return 0;
    const char c = text[i];
    if (c == ',' || c == '.' || c == ' ' || c == '\'')
        return 1;
    for (const QByteArrayView separator : wide) {
        if (rest.startsWith(separator))
            return separator.size();
    }
    return 0;
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

QByteArray DecimalSeparatorOf(QByteArrayView voltsText)
{
    const QByteArrayView text = trimmed(voltsText);
    qsizetype end = text.size();
    qsizetype decimals = 0;
    while (end > 0 && isDigit(text[end - 1])) {
        --end;
        ++decimals;
    }
    if (decimals < 2 || decimals > 3)
        return {};
    qsizetype begin = 0;
    if (begin < end && (text[begin] == '-' || text[begin] == '+'))
        ++begin;
    qsizetype whole = begin;
    while (whole < end && isDigit(text[whole]))
        ++whole;
    // At least one digit before the separator; the separator a short run of non-digits.
    if (whole == begin || whole == end || end - whole > 4)
        return {};
    for (qsizetype i = whole; i < end; ++i) {
        if (isDigit(text[i]))
            return {};
    }
    return text.sliced(whole, end - whole).toByteArray();
}

std::optional<double> Parse(QByteArrayView field, QByteArrayView decimal)
{
    const QByteArrayView text = trimmed(field);
    // The digits in the form from_chars reads: sign, digits, '.', digits.
    std::array<char, 64> plain{};
    std::size_t n = 0;
    auto put = [&](char c) {
        if (n >= plain.size())
            return false;
        plain[n++] = c;
        return true;
    };

    qsizetype i = 0;
    const qsizetype size = text.size();
    if (i < size && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-')
            put('-');
        ++i;
    }
    int groupDigits = 0;  // digits since the start or the last separator
    bool grouped = false; // a thousands separator has been seen
    int wholeDigits = 0;
    while (i < size) {
        if (isDigit(text[i])) {
            if (!put(text[i]))
                return std::nullopt;
            ++groupDigits;
            ++wholeDigits;
            ++i;
            continue;
        }
        const qsizetype separator = thousandsSeparatorAt(text, i, decimal);
        if (separator == 0)
            break;
        // A separator needs digits before it, and a group of exactly three after the first.
        if (groupDigits == 0 || (grouped && groupDigits != 3) || (!grouped && groupDigits > 3))
            return std::nullopt;
        grouped = true;
        groupDigits = 0;
        i += separator;
    }
    if (wholeDigits == 0 || (grouped && groupDigits != 3))
        return std::nullopt;
    if (i < size) {
        if (decimal.isEmpty() || !text.sliced(i).startsWith(decimal))
            return std::nullopt;
        i += decimal.size();
        put('.');
        const qsizetype firstDecimal = i;
        while (i < size && isDigit(text[i])) {
            if (!put(text[i]))
                return std::nullopt;
            ++i;
        }
        if (i == firstDecimal || i != size)
            return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + n, value);
    if (result.ec != std::errc() || result.ptr != plain.data() + n)
        return std::nullopt;
    return value;
}

} // namespace log_number
