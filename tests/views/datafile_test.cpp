// The data file writer: its lines for both separators, two-channel devices,
// the step-result form, and writing and naming the file.
#include "link/run_fakes.h"
#include "platform/settings.h"
#include "views/datafile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace ql;

namespace {

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChanState& c = st->ch(0, 0);
        c.DevName = QStringLiteral("QL-K01");
        c.ModeCell = QStringLiteral("D-CC  1.00A  3.00V");
        c.BeginCell = QStringLiteral("4.200V");
        c.CutoffCell = QStringLiteral("3.000V");
        c.CapCell = QStringLiteral("850mAh");
        c.EnergyCell = QStringLiteral("3100mWh");
        c.AvgCell = QStringLiteral("3.65V");
        // Two points before the run, three of the run.
        qltest::SetCurve(*st, 0, 0, {{0, 4.3}, {1, 4.29}, {10.7, 4.2}, {11.2, 4.1}, {3610.9, 3.0}});
        qltest::SetCurve(*st, 0, 1, {{0, 0}, {1, 0}, {10.7, 1.5}, {11.2, 1.49}, {3610.9, 1.5}});
        qltest::SetCurve(*st, 0, 2, {{0, 20}, {1, 20}, {10.7, 25.04}, {11.2, 25.06}, {3610.9, 30}});
        opt.runStartPt = 2;
        opt.title = QStringLiteral("Chart");
    }
    QStringList lines() const { return DataFileLines(st->ch(0, opt.chn), opt); }

    std::unique_ptr<LinkState> st = std::make_unique<LinkState>();
    DataFileOptions opt;
};

} // namespace

TEST_F(DataFileTest, CommaSeparatedSummaryForm)
{
    const QStringList lines = this->lines();
    EXPECT_EQ(lines, QStringList({"-----------QL Tester Software-----------",
                                  "Device:QL-K01",
                                  "Mode:D-CC  1.00A  3.00V",
                                  "Begin Volt:4.200V",
                                  "Cutoff Volt:3.000V",
                                  "Capacity:850mAh",
                                  "Energy:3100mWh",
                                  "Avg Volt:3.65V",
                                  "Title:Chart",
                                  "------------www.qltester.example--------------",
                                  "Time(S),Cur(A),Vol(V)",
                                  "0,1.50,4.200",
                                  "1,1.49,4.100",
                                  "3600,1.50,3.000"}));
    EXPECT_EQ(lines[0].size(), 40);
}

TEST_F(DataFileTest, TabSeparatedWithTemperatureAndThreeDecimalCurrent)
{
    opt.csv = false;
    opt.withTemp = true;
    opt.curFactor = 1000;
    opt.devType = 40;
    const QStringList lines = this->lines();
    EXPECT_EQ(lines[10], QStringLiteral("Time(S)\tCur(A)\tVol(V)\tTemp(C)"));
    EXPECT_EQ(lines[11], QStringLiteral("0\t1.500\t4.200\t25.0"));
    EXPECT_EQ(lines[12], QStringLiteral("1\t1.490\t4.100\t25.1"));
    opt.withTemp = false;
    EXPECT_EQ(this->lines()[10], QStringLiteral("Time(S)\tCur(mA)\tVol(V)"));
}

TEST_F(DataFileTest, TwoChannelDeviceWritesTheChannelsOwnCurvesAndCells)
{
    st->ch(0, 1).DevName = QStringLiteral("QL-2CH");
    st->ch(0, 1).AvgCell = QStringLiteral("12.10V");
    qltest::SetCurve(*st, 0, 5, {{4, 12.1}, {5.5, 12.0}});
    qltest::SetCurve(*st, 0, 6, {{4, 2.0}, {5.5, 2.5}});
    opt.chn = 1;
    opt.runStartPt = 0;
    const QStringList lines = this->lines();
    EXPECT_EQ(lines[1], QStringLiteral("Device:QL-2CH"));
    EXPECT_EQ(lines[7], QStringLiteral("Avg Volt:12.10V"));
    EXPECT_EQ(lines.mid(11), QStringList({"0,2.00,12.100", "1,2.50,12.000"}));
}

TEST_F(DataFileTest, NoRowsWithoutPointsOfTheRun)
{
    opt.runStartPt = 5;  // the run has no point yet
    QStringList lines = this->lines();
    EXPECT_EQ(lines.size(), 11);
    EXPECT_EQ(lines.last(), QStringLiteral("Time(S),Cur(A),Vol(V)"));
    st->slot[0].ClearCurves();
    opt.runStartPt = 0;
    EXPECT_EQ(this->lines().size(), 11);
}

TEST_F(DataFileTest, StepResultForm)
{
    opt.stepRows = {{"Step", "Mode", "Capacity", "Energy"},
                    {"1", "D-CC", "850mAh", "3100mWh"},
                    {"2", "", "", ""},
                    {"3", "C-CV", "1.20Ah", "5.00Wh"}};
    EXPECT_EQ(lines().mid(0, 5), QStringList({"-----------QL Tester Software-----------", "*Step,Mode,Capacity,Energy",
                                              "*1,D-CC,850mAh,3100mWh", "*3,C-CV,1.20Ah,5.00Wh", "Title:Chart"}));
    // Without step results the summary is written.
    opt.stepRows.clear();
    EXPECT_EQ(lines()[1], QStringLiteral("Device:QL-K01"));
}

TEST_F(DataFileTest, WritesCrLfAndReplacesOnlyWithACompleteFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    ASSERT_TRUE(WriteDataFile(path, {QStringLiteral("a"), QStringLiteral("b,\u00b0")}));
    EXPECT_EQ(qltest::readAll(path).toUtf8(), QByteArray("a\r\nb,\xc2\xb0\r\n"));

    const QString log = qltest::errLogPath();
    const QString bad = dir.filePath(QStringLiteral("missing/run.csv"));
    EXPECT_FALSE(WriteDataFile(bad, {QStringLiteral("a")}));
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrSaveData]") + bad));
}

TEST_F(DataFileTest, SaveFromTheSlotsRecordsAndSettings)
{
    const Settings saved = settings();
    settings().SaveCsv = false;
    st->slot[0].CurFactor = 100;
    st->slot[0].TempOk = true;
    st->slot[0].chn[0].RunStartPt = 3;
    st->slot[0].TitleText = QStringLiteral("Cell 9");
    DataFileOptions o = DataFileOptionsOf(st->slot[0], 0, false);
    settings() = saved;
    EXPECT_FALSE(o.csv);
    EXPECT_FALSE(o.withTemp);  // the temperature menu is not checked
    EXPECT_TRUE(DataFileOptionsOf(st->slot[0], 0, true).withTemp);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    ASSERT_TRUE(WriteDataFile(path, DataFileLines(st->ch(0, o.chn), o)));
    const QString text = qltest::readAll(path);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nBegin Volt:4.200V\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nTitle:Cell 9\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("Time(S)\tCur(A)\tVol(V)\r\n0\t1.49\t4.100\r\n3599\t1.50\t3.000\r\n")));
}

TEST(DataFileNames, ProposedNameTitleAndExtension)
{
    const QDateTime when(QDate(2026, 3, 8), QTime(14, 5, 9));
    EXPECT_EQ(ProposedDataFileName(when, QStringLiteral("QL-K01"), 0, 0, false), QStringLiteral("2026-3-8-14-5-9-QL-K01-1-1"));
    EXPECT_EQ(ProposedDataFileName(when, QStringLiteral("QL-2CH"), 2, 1, true), QStringLiteral("2026-3-8-14-5-9-QL-2CH-3-2-2"));
    // A device cell filled from a record holds no path: the name proposed
    // stays a name.
    EXPECT_EQ(ProposedDataFileName(when, QStringLiteral("../x/y\\z"), 0, 0, false), QStringLiteral("2026-3-8-14-5-9-..xyz-1-1"));
    EXPECT_EQ(SaveDataTitle(0, 0, false), QStringLiteral("Save Data--Device1"));
    EXPECT_EQ(SaveDataTitle(1, 1, true), QStringLiteral("Save Data--Device2-Channel2"));
    EXPECT_EQ(DataFileFilter(false), QStringLiteral("data file(*.dat)|*.dat"));
    EXPECT_EQ(WithDataExtension(QStringLiteral("/d/run"), true), QStringLiteral("/d/run.csv"));
    EXPECT_EQ(WithDataExtension(QStringLiteral("/d/run.csv"), true), QStringLiteral("/d/run.csv"));
    EXPECT_EQ(WithDataExtension(QStringLiteral("/d/run.CSV"), true), QStringLiteral("/d/run.CSV.csv"));
    EXPECT_EQ(WithDataExtension(QStringLiteral("/d/rundat"), false), QStringLiteral("/d/rundat"));
}
