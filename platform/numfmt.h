#pragma once
// Number parsing and formatting shared by the whole program.
//
// Format() writes a number by a pattern: "0", "00", "0.0", "0.00", "0.000",
// "0.0000", "00.00", "00.000", "000.0", "0000", "0%", "0.0%", "0.00%" and
// "hh:mm:ss". A "0" is a digit always written, "#" a digit written only when
// significant; the count of digits after "." is the number of decimals; "%"
// multiplies by 100. Other characters are copied as they are. The value is
// rounded half away from zero on its decimal value (a float 12.345f is
// 12.345, written "12.35"), and the decimal point is always ".".
// A value that rounds to zero is written without a minus sign.
#include <QString>

#include <concepts>

namespace ql {

QString Format(double value, const QString& pattern);
QString Format(float value, const QString& pattern);
template <std::integral T>
QString Format(T value, const QString& pattern)
{
    return Format(static_cast<double>(value), pattern);
}

// Seconds as "hh:mm:ss" (hours not wrapped: 100 hours are "100:00:00").
// Fractional seconds are rounded half away from zero; negative values get
// a leading "-".
QString FormatSeconds(double seconds);

// Leading-number parse: blanks are ignored, then an optional sign, digits,
// one decimal point and an exponent part (E or D, optional sign, digits) are
// read up to the first character that cannot continue the number. A text
// without a number gives 0. Val("12:30") is 12, Val("-1.5E+03") is -1500.
double Val(const QString& text);

// Sign (-1, 0 or 1) of a + b - c, reckoned exactly on the shortest decimal
// that reads back as each number: 0.6 + 0.1 equals 0.7, which a sum in
// binary floating point misses. Bounds typed as decimals compare as typed.
int DecimalSumCompare(double a, double b, double c);
int DecimalSumCompare(float a, float b, float c);

} // namespace ql
