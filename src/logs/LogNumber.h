#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Numbers as a data log holds them: the shown texts of the machine that
// wrote the file, in its locale. The decimal separator is whatever that
// machine used; thousands separators may be a comma, a period, a space, a
// no-break space (also the narrow and thin ones) or an apostrophe, whichever
// is not the decimal separator.
namespace log_number {

// The decimal separator of a fixed-decimal volts text such as "2.500",
// "2,50" or "0,000": what stands between the whole volts and the last two or
// three digits. Empty when the text is not such a number.
QByteArray DecimalSeparatorOf(QByteArrayView voltsText);

// The number a field holds: an optional sign, digits with thousands
// separators between groups of three, then the decimal separator and more
// digits. Surrounding spaces are ignored. Nothing when the text is anything
// else, so that a misread separator never turns into a wrong value.
std::optional<double> Parse(QByteArrayView text, QByteArrayView decimalSeparator);

} // namespace log_number
