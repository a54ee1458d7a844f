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
#include <optional>

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
// The decimal point is "." whatever the locale.
double Val(const QString& text);

// Every number the program writes, into files and fields alike, has the form
// Format gives it: "." as the decimal point, no group separators. The readers
// below never depend on the C library's locale.

// A number in that form: the whole text, blanks around it aside, is one
// finite number ("1.5", "-2", "1e3"); "", "1,5", "1,000" and "1.2.3" are not.
std::optional<double> ReadNumber(const QString& text);

// A number as the user types it: in the program's form, or in the number
// form of the user's locale ("1,5" under a German or French locale); no group
// separators. Nothing for empty, non-numeric or non-finite text. The user's
// locale is the one the environment names (LC_ALL, LC_NUMERIC, LANG), as Qt
// takes it.
std::optional<double> ParseNumber(const QString& text);

// A typed text in the program's form: a text ReadNumber takes stays as it
// is; a number in the user's form gets "." for its decimal mark ("1,5"
// becomes "1.5"); any other text stays as it is.
QString PointForm(const QString& text);

// A number of a file: the text when it has the program's form; the text with
// "." for its decimal comma when an earlier build wrote it under a locale
// with a decimal comma ("0,30" becomes "0.30"); otherwise nothing.
std::optional<QString> FileNumberText(const QString& text);

// Sign (-1, 0 or 1) of a + b - c, reckoned exactly on the shortest decimal
// that reads back as each number: 0.6 + 0.1 equals 0.7, which a sum in
// binary floating point misses. Bounds typed as decimals compare as typed.
int DecimalSumCompare(double a, double b, double c);
int DecimalSumCompare(float a, float b, float c);

} // namespace ql
