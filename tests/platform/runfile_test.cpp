// The layout of a run's files: header lines, column titles and the rows of
// the live record and of the data file.
#include "platform/runfile.h"

#include <gtest/gtest.h>

using namespace ql;

TEST(RunFile, HeaderLinesAndColumnTitles)
{
    EXPECT_EQ(HeaderLine(colBeginVolt, QStringLiteral("4.200V")), QStringLiteral("Begin Volt:4.200V"));
    EXPECT_EQ(HeaderLine(colTitle, QString()), QStringLiteral("Title:"));
    EXPECT_EQ(HeaderKeyText(kRunCells - 1), QStringLiteral("Avg Volt"));  // the run grid's last cell
    EXPECT_EQ(ColumnTitles(false, false).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(A)|Vol(V)"));
    EXPECT_EQ(ColumnTitles(false, true).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(mA)|Vol(V)"));
    EXPECT_EQ(ColumnTitles(true, true).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(A)|Vol(V)|Temp(C)"));
    EXPECT_EQ(ColumnTitles(true, false).size(), rowTemp + 1);
}

TEST(RunFile, RecordAndDataFileRows)
{
    // The record pads the current to two digits before the point with a
    // current factor of 100; the data file does not.
    EXPECT_EQ(FormatRow(RecordRowLayout(100, false), 75, 1.5f, 3.7f, 0), QStringLiteral("75\t01.50\t3.700"));
    EXPECT_EQ(FormatRow(RecordRowLayout(1000, false), 0, 1.5f, 3.7f, 0), QStringLiteral("0\t1.500\t3.700"));
    EXPECT_EQ(FormatRow(RecordRowLayout(100, true), 3600, 12.345f, 12.3456f, 25.25f),
              QStringLiteral("3600\t12.35\t12.346\t25.3"));
    EXPECT_EQ(FormatRow(DataFileRowLayout(true, 100, false), 75, 1.5f, 3.7f, 0), QStringLiteral("75,1.50,3.700"));
    EXPECT_EQ(FormatRow(DataFileRowLayout(false, 1000, true), 2, 0.25f, 12.0f, 30.04f),
              QStringLiteral("2\t0.250\t12.000\t30.0"));
}
