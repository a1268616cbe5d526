#include "platform/NumberFormat.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace number_format {

namespace {

struct Pattern {
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouped = false;
};

Pattern parse(const QString& pattern)
{
    Pattern p;
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QString integerPart = point < 0 ? pattern : pattern.left(point);
    const QString decimalPart = point < 0 ? QString() : pattern.mid(point + 1);
    p.minIntegerDigits = static_cast<int>(integerPart.count(QLatin1Char('0')));
    p.grouped = integerPart.contains(QLatin1Char(','));
    for (const QChar c : decimalPart) {
        if (c == QLatin1Char('0') || c == QLatin1Char('#'))
            ++p.maxDecimals;
        if (c == QLatin1Char('0'))
            p.minDecimals = p.maxDecimals;
    }
    return p;
}

QString groupDigits(const QString& digits, const QString& separator)
{
    QString grouped;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped += separator;
        grouped += digits.at(i);
    }
    return grouped;
}

} // namespace

QString Format(double value, const QString& pattern)
{
    const Pattern p = parse(pattern);
    const QLocale locale;
    const double scale = std::pow(10.0, p.maxDecimals);
    // Round half away from zero on the scaled magnitude; the small nudge keeps
    // values such as 2.4945 (stored as 2.49449999...) from rounding down.
    const double magnitude = std::fabs(value);
    const double scaled = std::floor(magnitude * scale + 0.5 + 1e-9 * std::max(1.0, magnitude * scale));
    const bool negative = value < 0 && scaled > 0;

    QString digits = QString::number(scaled, 'f', 0);
    while (digits.size() <= p.maxDecimals)
        digits.prepend(QLatin1Char('0'));
    QString integerDigits = digits.left(digits.size() - p.maxDecimals);
    QString decimals = digits.right(p.maxDecimals);
    while (decimals.size() > p.minDecimals && decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);

    qsizetype leadingZeros = 0;
    while (leadingZeros < integerDigits.size() && integerDigits.at(leadingZeros) == QLatin1Char('0'))
        ++leadingZeros;
    integerDigits.remove(0, leadingZeros);
    while (integerDigits.size() < p.minIntegerDigits)
        integerDigits.prepend(QLatin1Char('0'));
    if (p.grouped)
        integerDigits = groupDigits(integerDigits, locale.groupSeparator());

    QString text = negative ? QStringLiteral("-") : QString();
    text += integerDigits;
    if (!decimals.isEmpty())
        text += locale.decimalPoint() + decimals;
    return text;
}

long long RoundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    long long result = static_cast<long long>(lower);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

double LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when digits follow it.
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('-') || text.at(j) == QLatin1Char('+')))
            ++j;
        if (j < n && text.at(j).isDigit()) {
            while (j < n && text.at(j).isDigit())
                ++j;
            i = j;
        }
    }
    return QStringView(text).mid(start, i - start).toString().toDouble();
}

} // namespace number_format
