#pragma once

#include <QString>

// Numbers as the user sees and types them.
namespace number_format {

// Formats value by a display pattern: "0" a required digit, "#" an optional
// one, "," the locale's thousands separator, "." the locale's decimal point.
// Rounds to the decimals shown, halves away from zero ("#0.000", "##,##0").
QString Format(double value, const QString& pattern);

// The nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Used for every conversion to a cell address or a byte.
long long RoundHalfEven(double value);

// The number a text entry starts with ("12.5 V" -> 12.5, "-3x" -> -3);
// text that does not start with a number reads as 0.
double LeadingNumber(const QString& text);

} // namespace number_format
