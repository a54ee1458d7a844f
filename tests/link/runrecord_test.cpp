// The live run record: names, header, rows, and reading it back.
#include "link/runrecord.h"

#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ql;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

RunRecord::Header header()
{
    RunRecord::Header h;
    h.device = QStringLiteral("QL-K01");
    h.mode = QStringLiteral("D-CC  1.00A  3.00V");
    h.begin = QStringLiteral("4.125V");
    h.columns = RunRecord::ColumnTitles(false, 11);
    return h;
}

} // namespace

TEST(RunRecord, NamesCarryDevicePortSlotAndChannel)
{
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("D"), QStringLiteral("COM3"), 0, 0),
              QStringLiteral("/p/ql-D-COM3-1-1"));
    EXPECT_EQ(RunRecord::PathOf(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("QL-2"), QStringLiteral("COM7"), 4, 1)),
              QStringLiteral("/p/ql-QL-2-COM7-5-2.bak"));
    // Whatever the texts hold, the record stays in the program folder.
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("QL-K01"), QStringLiteral("COM3/../../x"), 0, 0),
              QStringLiteral("/p/ql-QL-K01-COM3x-1-1"));
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("../a\\b/c\n"), QStringLiteral("COM 4"), 1, 0),
              QStringLiteral("/p/ql-..abc-COM4-2-1"));
}

TEST(RunRecord, ColumnTitlesByTemperatureAndModel)
{
    EXPECT_EQ(RunRecord::ColumnTitles(false, 11).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(A)|Vol(V)"));
    EXPECT_EQ(RunRecord::ColumnTitles(false, 40).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(mA)|Vol(V)"));
    EXPECT_EQ(RunRecord::ColumnTitles(true, 40).join(QLatin1Char('|')), QStringLiteral("Time(S)|Cur(A)|Vol(V)|Temp(C)"));
}

TEST(RunRecord, RowFormats)
{
    EXPECT_EQ(RunRecord::FormatRow(75, 1.5f, 3.7f, 0, 100, false), QStringLiteral("75\t01.50\t3.700"));
    EXPECT_EQ(RunRecord::FormatRow(0, 1.5f, 3.7f, 0, 1000, false), QStringLiteral("0\t1.500\t3.700"));
    EXPECT_EQ(RunRecord::FormatRow(3600, 12.345f, 12.3456f, 25.25f, 100, true),
              QStringLiteral("3600\t12.35\t12.346\t25.3"));
}

TEST(RunRecord, FileIsWrittenLineForLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ql-QL-K01-COM3-1-1.bak"));
    ASSERT_TRUE(RunRecord::Create(path, header()));
    ASSERT_TRUE(RunRecord::AppendRow(path, RunRecord::FormatRow(1, 1.5f, 3.7f, 0, 100, false)));
    ASSERT_TRUE(RunRecord::AppendRow(path, RunRecord::FormatRow(2, 1.5f, 3.69f, 0, 100, false)));
    EXPECT_EQ(bytesOf(path), QByteArray("-----------QL Tester Software------------\r\n"
                                        "Device:QL-K01\r\n"
                                        "Mode:D-CC  1.00A  3.00V\r\n"
                                        "Begin Volt:4.125V\r\n"
                                        "------------www.qltester.example--------------\r\n"
                                        "Time(S)\tCur(A)\tVol(V)\r\n"
                                        "1\t01.50\t3.700\r\n"
                                        "2\t01.50\t3.690\r\n"));
    EXPECT_EQ(RecordBanner().size(), 11 + 18 + 12);
    EXPECT_TRUE(FileTrailer().startsWith(QString(12, QLatin1Char('-'))));
    EXPECT_TRUE(FileTrailer().endsWith(QString(14, QLatin1Char('-'))));
}

TEST(RunRecord, CreateReplacesAnEarlierRecordWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    writeBytes(path, "old\r\n1\t01.00\t3.000\r\n");
    ASSERT_TRUE(RunRecord::Create(path, header()));
    EXPECT_FALSE(bytesOf(path).contains("old"));
    EXPECT_TRUE(bytesOf(path).endsWith("Time(S)\tCur(A)\tVol(V)\r\n"));
}

TEST(RunRecord, FailuresReportAndLeaveNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/r.bak"));
    QString error;
    EXPECT_FALSE(RunRecord::Create(path, header(), &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(RunRecord::AppendRow(path, QStringLiteral("1\t01.00\t3.000"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(RunRecord, AFragmentLeftByACrashNeverBecomesARow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    // 12.345 V cut off after its first digit by a crash.
    writeBytes(path, "Time(S)\tCur(A)\tVol(V)\r\n5\t01.00\t12.345\r\n6\t01.00\t1");
    ASSERT_TRUE(RunRecord::AppendRow(path, QStringLiteral("7\t01.00\t12.300")));
    EXPECT_EQ(bytesOf(path), QByteArray("Time(S)\tCur(A)\tVol(V)\r\n5\t01.00\t12.345\r\n7\t01.00\t12.300\r\n"));
    // A fragment longer than one read block, and a file of nothing but a fragment.
    writeBytes(path, "1\t01.00\t3.000\r\n" + QByteArray(9000, '9'));
    ASSERT_TRUE(RunRecord::AppendRow(path, QStringLiteral("2\t01.00\t3.000")));
    EXPECT_EQ(bytesOf(path), QByteArray("1\t01.00\t3.000\r\n2\t01.00\t3.000\r\n"));
    writeBytes(path, "3\t01.0");
    ASSERT_TRUE(RunRecord::AppendRow(path, QStringLiteral("4\t01.00\t3.000")));
    EXPECT_EQ(bytesOf(path), QByteArray("4\t01.00\t3.000\r\n"));
}

TEST(RunRecord, ValuesNoDeviceCanReportAreSkipped)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    writeBytes(path, "1\t1e30\t3.700\r\n"
                     "2\tinf\t3.700\r\n"
                     "3\t01.00\tnan\r\n"
                     "4\t-0.50\t3.700\r\n"
                     "5\t01.00\t700.000\r\n"
                     "6\t614.55\t286.870\r\n"  // the largest a reply carries
                     "7\t00.00\t0.000\r\n");
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    QList<int32_t> times;
    for (const auto& r : c.rows)
        times << r.t;
    EXPECT_EQ(times, (QList<int32_t>{6, 7}));
    EXPECT_EQ(c.skipped.size(), 5);
}

TEST(RunRecord, AFullDiskKeepsTheEarlierRecordAndLeavesNoFragment)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    ASSERT_TRUE(RunRecord::Create(path, header()));
    const QByteArray earlier = bytesOf(path);
    const long limit = earlier.size() + 5;  // room for part of one row

    RunRecord::Header bigger = header();
    bigger.mode = QString(400, QLatin1Char('M'));
    EXPECT_EQ(qltest::withFileSizeLimit(limit, [&] { return RunRecord::Create(path, bigger) ? 1 : 0; }), 0);
    EXPECT_EQ(bytesOf(path), earlier);

    // A row that does not fit is reported; part of it may reach the disk...
    EXPECT_EQ(qltest::withFileSizeLimit(limit, [&] {
                  return RunRecord::AppendRow(path, QStringLiteral("1\t01.00\t12.345")) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(bytesOf(path).size(), limit);
    // ...but never becomes a row once the disk has room again.
    ASSERT_TRUE(RunRecord::AppendRow(path, QStringLiteral("2\t01.00\t12.300")));
    EXPECT_EQ(bytesOf(path), earlier + "2\t01.00\t12.300\r\n");
}

TEST(RunRecord, ReadBackRestoresHeaderAndRows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    ASSERT_TRUE(RunRecord::Create(path, header()));
    for (int t : {0, 10, 20})
        ASSERT_TRUE(RunRecord::AppendRow(path, RunRecord::FormatRow(t, 1.0f, 4.0f, 25, 100, true)));
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    EXPECT_TRUE(c.hasDevice && c.hasMode && c.hasBegin);
    EXPECT_EQ(c.device, QStringLiteral("QL-K01"));
    EXPECT_EQ(c.mode, QStringLiteral("D-CC  1.00A  3.00V"));
    EXPECT_EQ(c.begin, QStringLiteral("4.125V"));
    ASSERT_EQ(c.rows.size(), 3);
    EXPECT_EQ(c.rows[2].t, 20);
    EXPECT_FLOAT_EQ(c.rows[2].cur, 1.0f);
    EXPECT_FLOAT_EQ(c.rows[2].volt, 4.0f);
    EXPECT_TRUE(c.skipped.isEmpty());
}

TEST(RunRecord, DamagedAndTruncatedRowsAreSkippedTheRestRestored)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    writeBytes(path, "-----------QL Tester Software------------\r\n"
                     "Device:QL-K01\r\n"
                     "Time(S)\tCur(A)\tVol(V)\r\n"
                     "1\t01.00\t3.700\r\n"
                     "2\t01.00\r\n"          // a field missing
                     "3x\t01.00\t3.600\r\n"  // not a whole number
                     "4\tab\t3.600\r\n"      // current not a number
                     "5\t01.00\t3.500\n"     // LF alone still ends a line
                     "2\t01.00\t3.400\r\n"   // time goes back
                     "6\t01.00\t3.400\r\n"
                     "7\t01.00\t3.3");       // cut off by a crash
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    QList<int32_t> times;
    for (const auto& r : c.rows)
        times << r.t;
    EXPECT_EQ(times, (QList<int32_t>{1, 5, 6}));
    EXPECT_EQ(c.skipped.size(), 5);
    EXPECT_TRUE(c.hasDevice);
    EXPECT_FALSE(c.hasMode);
}

TEST(RunRecord, MissingRecord)
{
    RunRecord::Contents c;
    EXPECT_EQ(RunRecord::Read(QStringLiteral("/nonexistent/x.bak"), &c), RunRecord::ReadStatus::Missing);
}
