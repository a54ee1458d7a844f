// Reading data files back: files made by the writer (both separators, two
// channels), damaged and foreign files, and the arithmetic of the summary
// cells and axis ranges.
#include "link/run_fakes.h"
#include "views/datafile.h"
#include "views/datareader.h"
#include "scratchfile.h"

#include <QBuffer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ql;
using qltest::writeBytes;

namespace {


} // namespace

TEST(DataReader, ReadsWhatTheWriterWroteForBothSeparatorsAndBothChannels)
{
    QTemporaryDir dir;
    auto st = std::make_unique<LinkState>();
    st->ch(0, 0).DevName = QStringLiteral("QL-2CH");
    st->ch(0, 0).ModeCell = QStringLiteral("D-CC  1.00A  3.00V");
    st->ch(0, 0).CapCell = QStringLiteral("850mAh");
    st->ch(0, 1).DevName = QStringLiteral("QL-2CH");
    st->ch(0, 1).ModeCell = QString::fromUtf8("充电 C-Liion");  // not Latin-1: must survive the trip
    qltest::SetCurve(*st, 0, 0, {{0, 4.2}, {1, 4.1}, {2, 4.0}});
    qltest::SetCurve(*st, 0, 1, {{0, 1.5}, {1, 1.49}, {2, 1.5}});
    qltest::SetCurve(*st, 0, 2, {{0, 25}, {1, 25.5}, {2, 26}});
    qltest::SetCurve(*st, 0, 5, {{0, 3.3}, {10, 3.2}});
    qltest::SetCurve(*st, 0, 6, {{0, -0.75}, {10, -0.8}});

    for (bool csv : {true, false}) {
        for (int chn : {0, 1}) {
            DataFileOptions o;
            o.csv = csv;
            o.chn = chn;
            o.withTemp = chn == 0;  // the temperature column is passed over
            o.title = QStringLiteral("Cell 7");
            const QString path = dir.filePath(QStringLiteral("f%1%2.%3").arg(csv).arg(chn).arg(csv ? "csv" : "dat"));
            ASSERT_TRUE(WriteDataFile(path, DataFileLines(st->ch(0, chn), o)));
            ASSERT_EQ(DataFileSeparator(path), csv ? ',' : '\t');

            const DataFileRead r = ReadDataFile(path, DataFileSeparator(path));
            SCOPED_TRACE(path.toStdString());
            ASSERT_TRUE(r.opened);
            EXPECT_EQ(r.badRows, 0);
            EXPECT_EQ(r.cells[colDevice], QStringLiteral("QL-2CH"));
            EXPECT_EQ(r.cells[colTitle], QStringLiteral("Cell 7"));
            // Empty cells ("Energy:") are too short to be taken.
            EXPECT_FALSE(r.has[colEnergy]);
            if (chn == 0) {
                EXPECT_EQ(r.cells[colMode], QStringLiteral("D-CC  1.00A  3.00V"));
                EXPECT_EQ(r.cells[colCapacity], QStringLiteral("850mAh"));
                ASSERT_EQ(r.rows.size(), 3u);
                EXPECT_FLOAT_EQ(r.rows[1].t, 1);
                EXPECT_FLOAT_EQ(r.rows[1].I, 1.49f);
                EXPECT_FLOAT_EQ(r.rows[1].V, 4.1f);
            } else {
                EXPECT_EQ(r.cells[colMode], QString::fromUtf8("充电 C-Liion"));
                ASSERT_EQ(r.rows.size(), 2u);
                EXPECT_FLOAT_EQ(r.rows[1].t, 10);
                EXPECT_FLOAT_EQ(r.rows[1].I, -0.8f);
                EXPECT_FLOAT_EQ(r.rows[1].V, 3.2f);
            }
        }
    }
    // Only "csv" and "CSV" mean commas.
    EXPECT_EQ(DataFileSeparator(QStringLiteral("a.Csv")), '\t');
    EXPECT_EQ(DataFileSeparator(QStringLiteral("a.CSV")), ',');
    EXPECT_EQ(DataFileSeparator(QStringLiteral("a.txt")), '\t');
}

TEST(DataReader, DamagedRowsAreSkippedAndCountedNeverInvented)
{
    QTemporaryDir dir;
    const QByteArray text =
        "-----------QL Tester Software-----------\r\n"
        "Mode:a\r\n"               // one-character value: passed over
        "Device:QL-R35\r\n"
        "*Step,Mode,Capacity,Energy\r\n"
        "Time(S),Cur(A),Vol(V)\r\n"
        "0,1.00,4.000\r\n"          // good
        "12,,0.5,3.7\r\n"           // doubled separator before the current: good
        "13,0.5,,3.7\r\n"           // empty voltage: bad
        "14\r\n"                    // no separator: bad
        "15,0.5\r\n"                // two fields: bad
        "16,abc,3.7\r\n"            // letters: bad
        "17,inf,3.7\r\n"            // not finite: bad
        "18,0.5,3.7x\r\n"           // trailing junk: bad
        "19,1e30,3.7\r\n"           // absurd: bad
        "\r\n"
        "20,0.5,3.6,25.0\n"         // LF only, temperature ignored: good
        "21,0.5,3.5\r"              // lone CR: good
        "22,0.4,3.4\r\n"
        "23,0.4,3.";                // truncated mid-row at the end: still a number, good
    const DataFileRead r = ReadDataFile(writeBytes(dir, "d.csv", text), ',');
    ASSERT_TRUE(r.opened);
    EXPECT_FALSE(r.has[colMode]);
    EXPECT_EQ(r.cells[colDevice], QStringLiteral("QL-R35"));
    EXPECT_EQ(r.badRows, 7);
    EXPECT_EQ(r.firstBadLine, 8);
    ASSERT_EQ(r.rows.size(), 6u);
    EXPECT_FLOAT_EQ(r.rows[1].t, 12);
    EXPECT_FLOAT_EQ(r.rows[1].I, 0.5f);
    EXPECT_FLOAT_EQ(r.rows[1].V, 3.7f);
    EXPECT_FLOAT_EQ(r.rows[2].V, 3.6f);
    EXPECT_FLOAT_EQ(r.rows[3].V, 3.5f);
    EXPECT_FLOAT_EQ(r.rows[5].V, 3.0f);

    // A TAB file under a .csv name has no valid row at all.
    const DataFileRead tab = ReadDataFile(writeBytes(dir, "t.csv", "0\t1.0\t4.0\r\n1\t1.0\t4.0\r\n"), ',');
    EXPECT_TRUE(tab.rows.empty());
    EXPECT_EQ(tab.badRows, 2);

    // Foreign bytes: random binary with an over-long line and NULs.
    QByteArray junk(300000, '7');
    junk[5] = ',';
    junk[100] = '\0';
    junk += QByteArray("\n\xff\xfe\x00garbage\n1,2,3\n", 18);
    const DataFileRead bin = ReadDataFile(writeBytes(dir, "b.dat", junk), ',');
    EXPECT_EQ(bin.badRows, 1);
    ASSERT_EQ(bin.rows.size(), 1u);
    EXPECT_FLOAT_EQ(bin.rows[0].V, 3);

    const DataFileRead missing = ReadDataFile(dir.filePath("nothing.csv"), ',');
    EXPECT_FALSE(missing.opened);
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST(DataReader, HeaderTextWrittenInGb18030OnChineseWindowsReads)
{
    // A header written in GB18030 reads as the same Chinese text; UTF-8 too.
    QTemporaryDir dir;
    const QString mode = QString::fromUtf8("\xE6\x94\xBE\xE7\x94\xB5 1.00A");  // discharge, in Chinese
    QStringEncoder gb("GB18030");
    ASSERT_TRUE(gb.isValid());
    for (const QByteArray& encoded : {QByteArray(gb.encode(mode)), mode.toUtf8()}) {
        const QByteArray text = "Mode:" + encoded + "\r\n0,1.00,4.000\r\n";
        const DataFileRead r = ReadDataFile(writeBytes(dir, "c.csv", text), ',');
        EXPECT_EQ(r.cells[colMode], mode);
        EXPECT_EQ(r.rows.size(), 1u);
    }
}

TEST(DataReader, SummaryCellsFromTheRows)
{
    // 1 A for 3600 s at an average of 3.70 V.
    RunIntegrator run;
    run.add({3600, 1.0f, 3.6f});
    run.add({3600, 1.0f, 3.8f});
    EXPECT_FLOAT_EQ(run.cap.mas, 3600000);
    std::array<QString, kViewerCols> cells;
    FillSummaryCells(cells, run);
    EXPECT_EQ(cells[colAvgVolt], QStringLiteral("3.7V"));
    EXPECT_EQ(cells[colCapacity], QStringLiteral("1000mAh"));
    EXPECT_EQ(cells[colEnergy], QStringLiteral("3700mWh"));

    // The header's capacity decides the energy; given cells stay.
    std::array<QString, kViewerCols> given;
    given[colCapacity] = QStringLiteral("2500mAh");
    FillSummaryCells(given, run);
    EXPECT_EQ(given[colEnergy], QStringLiteral("9250mWh"));
    given[colEnergy].clear();
    given[colCapacity] = QStringLiteral("2.5Ah");
    FillSummaryCells(given, run);
    EXPECT_EQ(given[colEnergy], QStringLiteral("9.25Wh"));
    given[colEnergy].clear();
    given[colCapacity] = QStringLiteral("lotsmAh");  // no number: energy stays empty
    FillSummaryCells(given, run);
    EXPECT_TRUE(given[colEnergy].isEmpty());

    // 9999 mAh and 10000 mAh.
    for (auto [secs, want] : {std::pair{15999.0f, "9999mAh"}, std::pair{16000.0f, "10.00Ah"}}) {
        RunIntegrator r;
        r.add({secs, 2.25f, 4.0f});
        std::array<QString, kViewerCols> c;
        FillSummaryCells(c, r);
        EXPECT_EQ(c[colCapacity], QString::fromLatin1(want));
    }

    // A charging current makes the capacity fall; rows in file order.
    RunIntegrator charge;
    charge.add({10, -1.0f, 4.0f});
    charge.add({5, 1.0f, 4.0f});
    EXPECT_FLOAT_EQ(charge.cap.mas, -10000 - 5000);
}

TEST(DataReader, AxisRangesCoverEveryFileInWholeDivisions)
{
    ViewerBounds b;
    b.add(100, 4.2f, 1.0f);
    b.add(200.5f, 3.0f, 1.5f);
    EXPECT_EQ(b.MaxXVal, 200);  // halves to even
    EXPECT_FLOAT_EQ(b.VolHi, 4.3f);
    EXPECT_FLOAT_EQ(b.VolLo, 2.9f);
    // 1.4 V is 28 divisions of 0.05 V: both ends move out by 2 x 0.025 V.
    const AxisRange v = VoltageAxisRange(b);
    EXPECT_NEAR(v.lo, 2.85, 1e-5);
    EXPECT_NEAR(v.hi, 4.35, 1e-5);
    // Current 0.9..1.6: 0.7 A is 14 divisions of 0.05 A; the low end is
    // above 0.5 A, so both ends move out by 6 x 0.025 A.
    const AxisRange c = CurrentAxisRange(b, false);
    EXPECT_NEAR(c.lo, 0.75, 1e-5);
    EXPECT_NEAR(c.hi, 1.75, 1e-5);
    // Fine current: 0.7 A is 140 divisions of 0.005 A: already whole.
    const AxisRange f = CurrentAxisRange(b, true);
    EXPECT_NEAR(f.lo, 0.9, 1e-5);
    EXPECT_NEAR(f.hi, 1.6, 1e-5);

    // A low end at or below the unit moves only the top.
    ViewerBounds low;
    low.add(1, 0.05f, 0.05f);
    EXPECT_FLOAT_EQ(low.VolLo, 0);
    const AxisRange lv = VoltageAxisRange(low);  // 0..0.2: 4 divisions, top up by 6 x 0.05
    EXPECT_NEAR(lv.lo, 0, 1e-6);
    EXPECT_NEAR(lv.hi, 0.5, 1e-5);
}

TEST(DataReader, RowsReadTheSameWhereverTheReadsEnd)
{
    // Rows with all three line ends, a header line, an over-long row and a
    // last row without a line end, read whole and a few bytes at a time, so
    // that reads end inside rows, inside a CR LF and inside the long row.
    QByteArray text = "Device:QL-K01\r\n";
    int lines = 1, badLine = 0;
    std::vector<DataRow> want;
    const char* ends[3] = {"\r\n", "\n", "\r"};
    const auto row = [&](const char* end) {
        const int i = int(want.size());
        want.push_back({float(i), float(1 + (i % 7) * 0.125), float(3 + (i % 11) * 0.01)});
        text += QByteArray::number(i) + ',' + QByteArray::number(want.back().I, 'f', 3) + ',' +
                QByteArray::number(want.back().V, 'f', 2) + end;
        ++lines;
    };
    for (int k = 0; k < 150; ++k) {
        row(ends[k % 3]);
        if (k == 60) {
            text += QByteArray(70000, '9') + "\r\n";  // over-long: bad
            badLine = ++lines;
        } else if (k == 90) {
            text += "Title:Cell 7\r\n";
            ++lines;
        }
    }
    row("");
    for (qsizetype chunk : {qsizetype(1) << 20, qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7),
                            qsizetype(64), qsizetype(4096)}) {
        QBuffer in(&text);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const DataFileRead r = ReadDataStream(in, ',', chunk);
        SCOPED_TRACE(chunk);
        EXPECT_EQ(r.cells[colDevice], QStringLiteral("QL-K01"));
        EXPECT_EQ(r.cells[colTitle], QStringLiteral("Cell 7"));
        EXPECT_EQ(r.badRows, 1);
        EXPECT_EQ(r.firstBadLine, badLine);
        ASSERT_EQ(r.rows.size(), want.size());
        for (size_t k = 0; k < want.size(); ++k) {
            ASSERT_EQ(r.rows[k].t, want[k].t) << k;
            ASSERT_EQ(r.rows[k].I, want[k].I) << k;
            ASSERT_EQ(r.rows[k].V, want[k].V) << k;
        }
    }
}

// Each end widens to the value plus or minus 0.1 as its one-decimal text:
// halves away from zero on the shortest decimal form (3.75 - 0.1 is 3.65,
// shown 3.7 although the double lies below 3.65), a low end at or below 0.1
// drops to 0, and later values only widen.
TEST(DataReader, BoundsRoundLikeTheirOneDecimalTexts)
{
    struct Case {
        std::vector<float> values;
        float hi, lo;
    };
    const Case cases[] = {
        {{3.75f}, 3.9f, 3.7f},          {{3.75f, 3.0f}, 3.9f, 2.9f}, {{3.75f, 4.0f, 3.0f}, 4.1f, 2.9f},
        {{3.65f}, 3.8f, 3.6f},          {{3.749f}, 3.8f, 3.6f},      {{3.751f}, 3.9f, 3.7f},
        {{9.95f}, 10.0f, 9.8f},         {{0.15f}, 0.3f, 0.1f},       {{0.05f}, 0.2f, 0},
        {{12345.65f}, 12345.8f, 12345.6f}, {{1.0f, -1.0f}, 1.1f, 0},  {{-0.04f}, 0.1f, 0},
        {{-0.05f}, 0, 0},               {{-0.15f}, -0.1f, 0},        {{-2.35f}, -2.2f, 0},
    };
    for (const Case& c : cases) {
        ViewerBounds b;
        for (float v : c.values)
            b.add(1, v, v);
        SCOPED_TRACE(c.values.back());
        EXPECT_EQ(b.VolHi, c.hi);
        EXPECT_EQ(b.VolLo, c.lo);
        EXPECT_EQ(b.CurHi, c.hi);
        EXPECT_EQ(b.CurLo, c.lo);
        EXPECT_EQ(std::signbit(b.CurHi), std::signbit(c.hi));  // no "-0"
    }
}
