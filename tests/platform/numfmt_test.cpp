#include "platform/numfmt.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <limits>

using ql::Format;
using ql::FormatSeconds;
using ql::Val;

TEST(NumFmt, FixedDecimalsAndIntegerDigits)
{
    EXPECT_EQ(Format(0.0, "0.00"), "0.00");
    EXPECT_EQ(Format(3.0, "0.00"), "3.00");
    EXPECT_EQ(Format(5.5, "00.00"), "05.50");
    EXPECT_EQ(Format(12.3456, "00.000"), "12.346");
    EXPECT_EQ(Format(7.25, "000.0"), "007.3");
    EXPECT_EQ(Format(42.0, "0000"), "0042");
    EXPECT_EQ(Format(12345.0, "00"), "12345");  // never cut
    EXPECT_EQ(Format(0.5, "0"), "1");
    EXPECT_EQ(Format(1.23456, "0.0000"), "1.2346");
    EXPECT_EQ(Format(0.04, "0.0"), "0.0");
    EXPECT_EQ(Format(0.05, "0.0"), "0.1");
    EXPECT_EQ(Format(9.999, "0.00"), "10.00");  // carry through every digit
    EXPECT_EQ(Format(99.96, "00.0"), "100.0");
    EXPECT_EQ(Format(0.0001, "0.000"), "0.000");
}

TEST(NumFmt, TiesRoundAwayFromZeroOnTheDecimalValue)
{
    EXPECT_EQ(Format(0.125, "0.00"), "0.13");
    EXPECT_EQ(Format(12.345f, "0.00"), "12.35");  // the float's decimal text is 12.345
    EXPECT_EQ(Format(2.675, "0.00"), "2.68");     // binary 2.67499999..., decimal 2.675
    EXPECT_EQ(Format(1.005, "0.00"), "1.01");
    EXPECT_EQ(Format(2.5, "0"), "3");
    EXPECT_EQ(Format(3.5, "0"), "4");
    EXPECT_EQ(Format(-2.5, "0"), "-3");
    EXPECT_EQ(Format(-0.125, "0.00"), "-0.13");
    EXPECT_EQ(Format(0.35f, "0.0"), "0.4");
    EXPECT_EQ(Format(4.45f, "0.0"), "4.5");
}

TEST(NumFmt, NegativeAndLargeNumbers)
{
    EXPECT_EQ(Format(-3.2, "0.00"), "-3.20");
    EXPECT_EQ(Format(-5.5, "00.00"), "-05.50");
    EXPECT_EQ(Format(-0.001, "0.00"), "0.00");  // rounds to zero: no minus sign
    EXPECT_EQ(Format(-0.0, "0.0"), "0.0");
    EXPECT_EQ(Format(1e20, "0.00"), "100000000000000000000.00");
    EXPECT_EQ(Format(123456789.125, "0.00"), "123456789.13");
    EXPECT_EQ(Format(-9876543210.0, "0"), "-9876543210");
    EXPECT_EQ(Format(1.5e-7, "0.000"), "0.000");
    EXPECT_EQ(Format(65535, "0"), "65535");  // integers go through the same rules
    EXPECT_EQ(Format(-7, "000"), "-007");
}

TEST(NumFmt, PercentMultipliesByHundred)
{
    EXPECT_EQ(Format(0.25, "0%"), "25%");
    EXPECT_EQ(Format(0.125, "0%"), "13%");
    EXPECT_EQ(Format(0.12345, "0.0%"), "12.3%");
    EXPECT_EQ(Format(0.123456, "0.00%"), "12.35%");
    EXPECT_EQ(Format(1.0, "0%"), "100%");
    EXPECT_EQ(Format(0.0, "0.00%"), "0.00%");
    EXPECT_EQ(Format(-0.5, "0%"), "-50%");
}

TEST(NumFmt, LiteralsAndGeneralForm)
{
    EXPECT_EQ(Format(12.0, "0 mAh"), "12 mAh");
    EXPECT_EQ(Format(0.5, "#.00"), ".50");
    EXPECT_EQ(Format(1.5, ""), "1.5");
    EXPECT_EQ(Format(1e-5, ""), "0.00001");
    EXPECT_EQ(Format(-250.0, ""), "-250");
}

TEST(NumFmt, TimeOfSeconds)
{
    EXPECT_EQ(Format(0.0, "hh:mm:ss"), "00:00:00");
    EXPECT_EQ(Format(3723.0, "hh:mm:ss"), "01:02:03");
    EXPECT_EQ(Format(59.5, "hh:mm:ss"), "00:01:00");
    EXPECT_EQ(FormatSeconds(360000), "100:00:00");  // hours are not wrapped
    EXPECT_EQ(FormatSeconds(86399), "23:59:59");
    EXPECT_EQ(FormatSeconds(-61), "-00:01:01");
    EXPECT_EQ(FormatSeconds(1e20).right(3), ":40");  // no overflow: 10^20 s is ...:40
}

TEST(NumFmt, NonFiniteValuesAreNamed)
{
    EXPECT_EQ(Format(std::numeric_limits<double>::quiet_NaN(), "0.00"), "NaN");
    EXPECT_EQ(Format(-std::numeric_limits<double>::infinity(), "0.00"), "-Inf");
    EXPECT_EQ(FormatSeconds(std::numeric_limits<double>::infinity()), "Inf");
}

TEST(NumFmt, DecimalSumsCompareAsWritten)
{
    using ql::DecimalSumCompare;
    EXPECT_EQ(DecimalSumCompare(0.6, 0.1, 0.7), 0);  // 0.6 + 0.1 is 0.7000000000000001 in binary
    EXPECT_EQ(DecimalSumCompare(0.6f, 0.1f, 0.7f), 0);  // 0.70000005 in single precision
    EXPECT_EQ(DecimalSumCompare(8.1, 0.1, 8.2), 0);
    EXPECT_EQ(DecimalSumCompare(1.2, 0.1, 1.3), 0);
    EXPECT_EQ(DecimalSumCompare(0.1, 0.2, 0.3), 0);
    EXPECT_EQ(DecimalSumCompare(0.6, 0.1, 0.71), -1);
    EXPECT_EQ(DecimalSumCompare(0.6, 0.1, 0.69), 1);
    EXPECT_EQ(DecimalSumCompare(0.0, 0.1, 0.1), 0);
    EXPECT_EQ(DecimalSumCompare(0.0, 0.1, 0.05), 1);
    EXPECT_EQ(DecimalSumCompare(-0.0, 0.0, 0.0), 0);
    EXPECT_EQ(DecimalSumCompare(-1.5, 0.25, -1.25), 0);
    EXPECT_EQ(DecimalSumCompare(-1.5, 0.1, 1.0), -1);
    EXPECT_EQ(DecimalSumCompare(59990.0, 10.0, 60000.0), 0);
    EXPECT_EQ(DecimalSumCompare(1e-300, 0.0, 0.0), 1);  // far apart exponents stay exact
    EXPECT_EQ(DecimalSumCompare(1e300, 1e-300, 1e300), 1);
    EXPECT_EQ(DecimalSumCompare(123456.789, 0.001, 123456.79), 0);
    EXPECT_EQ(DecimalSumCompare(std::numeric_limits<double>::infinity(), 0.0, 1.0), 1);
}

TEST(NumFmt, ValReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Val("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(Val("  -3.2V"), -3.2);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123.0);  // blanks are skipped
    EXPECT_DOUBLE_EQ(Val("12:30"), 12.0);
    EXPECT_DOUBLE_EQ(Val("-1.5E+03"), -1500.0);
    EXPECT_DOUBLE_EQ(Val("1.5E-3"), 0.0015);
    EXPECT_DOUBLE_EQ(Val("2D2"), 200.0);
    EXPECT_DOUBLE_EQ(Val("1E"), 1.0);
    EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("+7"), 7.0);
    EXPECT_EQ(Val("-"), 0.0);
    EXPECT_EQ(Val("abc"), 0.0);
    EXPECT_EQ(Val(""), 0.0);
    EXPECT_FALSE(Val("-0") < 0);
}

TEST(NumFmt, ValPastTheRangeOfADouble)
{
    EXPECT_EQ(Val("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("1e-999"), 0.0);
    EXPECT_DOUBLE_EQ(Val("5."), 5.0);
}

// Numbers the program reads and writes: the point form only; typed values
// also in the user's form, which C has not.
TEST(NumFmt, ReadersOfFilesFieldsAndTypedValues)
{
    QL_UNDER_LOCALE(locale, QStringLiteral("C.UTF-8"));
    using ql::FileNumberText;
    using ql::ParseNumber;
    using ql::PointForm;
    using ql::ReadNumber;
    EXPECT_EQ(ReadNumber(" 2.15 "), 2.15);
    EXPECT_EQ(ReadNumber("-1e3"), -1000.0);
    for (const char* no : {"", "2,15", "1,000", "1.2.3", "2.15V", "inf", "nan"})
        EXPECT_FALSE(ReadNumber(no)) << no;
    EXPECT_EQ(ParseNumber("1.5"), 1.5);
    EXPECT_EQ(ParseNumber(" 2 "), 2.0);
    for (const char* no : {"", "abc", "1.5V", "inf", "nan", "1e400", "1,5"})
        EXPECT_FALSE(ParseNumber(no)) << no;
    EXPECT_EQ(PointForm("1,5"), "1,5");  // no number here: left for the check to refuse
    EXPECT_EQ(PointForm("1.50"), "1.50");
    // A file an earlier build wrote under a decimal comma reads with its value everywhere.
    EXPECT_EQ(FileNumberText("0,30"), "0.30");
    EXPECT_EQ(FileNumberText("0.30"), "0.30");
    for (const char* no : {"1,000.5", "0,3,0", "abc", ",", ""})
        EXPECT_FALSE(FileNumberText(no)) << no;
}

// Under a locale with a decimal comma, set up as QApplication sets it up
// (the C library's strtod then reads "0.1" as 0), numbers read and write as
// under C, and the user may type the comma.
TEST(NumFmt, NumbersUnderADecimalCommaLocale)
{
    using ql::FileNumberText;
    using ql::ParseNumber;
    using ql::PointForm;
    using ql::ReadNumber;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8"}) {
        SCOPED_TRACE(name);
        QL_UNDER_LOCALE(locale, QString::fromLatin1(name));
        ASSERT_EQ(std::strtod("0.1", nullptr), 0.0);  // the C library reads a decimal comma now
        EXPECT_DOUBLE_EQ(Val("0.1"), 0.1);
        EXPECT_DOUBLE_EQ(Val("-1.5E+03"), -1500.0);
        EXPECT_DOUBLE_EQ(Val("2.15"), 2.15);
        EXPECT_DOUBLE_EQ(Val("0,1"), 0.0);
        EXPECT_EQ(Format(0.3, "0.00"), "0.30");
        EXPECT_EQ(ReadNumber("2.15"), 2.15);
        EXPECT_FALSE(ReadNumber("2,15"));
        EXPECT_EQ(ParseNumber("1,5"), 1.5);
        EXPECT_EQ(ParseNumber("1.5"), 1.5);
        EXPECT_FALSE(ParseNumber("1.500,5"));  // no group separators
        EXPECT_EQ(PointForm("1,5"), "1.5");
        EXPECT_EQ(PointForm("0,30"), "0.30");
        EXPECT_EQ(PointForm("-2,5"), "-2.5");
        EXPECT_EQ(PointForm("1.5"), "1.5");
        EXPECT_EQ(PointForm("abc"), "abc");
        EXPECT_EQ(FileNumberText("0,30"), "0.30");
        // Nothing depends on the C library's locale staying as it was set.
        std::setlocale(LC_NUMERIC, "C");
        EXPECT_EQ(ParseNumber("1,5"), 1.5);
        EXPECT_DOUBLE_EQ(Val("0.1"), 0.1);
    }
}
