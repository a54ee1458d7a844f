// The auto test and the step test run against a real panel and a fake main
// window that plays the device; the step file, the result file and the step
// editor.
#include "controls/flexgrid.h"
#include "link/encode.h"
#include "link/modeltable.h"
#include "panel/autotest.h"
#include "panel/devctrl.h"
#include "panel/seqfiles.h"
#include "panel/seqpanel.h"
#include "panel/stepedit.h"
#include "panel/steptest.h"
#include "platform/settings.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

#include "modelcodes.h"
#include "recordvalues.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ql;

namespace {

constexpr int kSlot = 2;

// The main window and the device: a start is taken up (the channel runs)
// unless refuseStarts is set; a stop ends the run; RemoteSet changes the
// set value.
struct FakeHost : SeqHostIf, RunCommandsIf {
    FakeHost(LinkState& st, DevCtrl& panel) : st(st), panel(panel) {}
    LinkState& st;
    DevCtrl& panel;  // the pages, fields and the run state's buttons
    bool refuseStarts = false;
    bool monitoring = false;
    int runs = 0, stops = 0, tmrStops = 0, clears = 0;
    std::vector<float> sets;
    std::vector<RunCaller> callers;

    AutoPageIf* autoPage(int) override { return &panel; }
    StepPageIf* stepPage(int) override { return &panel; }
    RunFieldsIf* fields(int) override { return &panel; }
    RunCommandsIf& Commands() override { return *this; }
    bool DevCtrl_RunClick(int slot, int chn, RunCaller caller) override
    {
        ++runs;
        callers.push_back(caller);
        if (!refuseStarts) {
            st.ch(slot, chn).Running = true;
            panel.setStopEnable(true);
        }
        return !refuseStarts;
    }
    void DevCtrl_StopClick(int slot, int chn) override
    {
        ++stops;
        st.ch(slot, chn).Running = false;
        panel.setStopEnable(false);
    }
    void RemoteSet(int, int chn, float value) override
    {
        sets.push_back(value);
        panel.setTSval(chn, QString::number(double(value), 'f', 2));
    }
    void RemoteQC(int, int) override {}
    void RemotePE(int, int) override {}
    void TmrStop(int, int) override { ++tmrStops; }
    void ChartClearAll(int) override { ++clears; }
    void ChartYStep(int, bool) override {}
    QString DevName(int, int chn) const override { return QStringLiteral("QL-%1").arg(chn); }
    bool Monitoring(int, int) const override { return monitoring; }
};

class SeqTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SlotState& s = st.slot[kSlot];
        s.DevType = 17;
        s.MinCur = 0.1f;
        s.MaxCur = 5.0f;
        s.MinVol = 0.5f;
        s.MaxVol = 30.0f;
        s.LastDisMode = 1;
        s.CvMode = 3;
        s.CvCutCur = true;
        s.ModeList = QStringList{"D-CC", "D-CP", "C-Liion", "C-CV", "DC5V"};
        panel.setRecord(s);
        panel.setRunEnable(true);
        panel.setStopEnable(false);
    }
    ChanState& ch() { return st.ch(kSlot, 0); }
    // A row of the slot's step program, shown on the panel.
    void setRow(int r, const QStringList& cells)
    {
        StepTable& steps = st.slot[kSlot].Steps;
        for (int c = 1; c <= 4; ++c)
            steps.at(r, c) = cells.value(c - 1);
        panel.ShowSteps(steps);
    }
    // A cell of the slot's step program; the panel's grid shows the same.
    QString step(int r, int c)
    {
        const QString v = st.slot[kSlot].Steps.at(r, c);
        EXPECT_EQ(panel.tStepSet(r, c), v) << r << "," << c;
        return v;
    }
    // The auto test's start, end, increment and cut-off fields.
    void autoFields(const char* c1, const char* c2, const char* inc, const char* vol)
    {
        panel.setTAutoC1(c1);
        panel.setTAutoC2(c2);
        panel.setTAutoStep(inc);
        panel.setTAutoVol(vol);
    }
    // The slot identified as the given model, its modes on the panel.
    void identify(int type, const QStringList& modes)
    {
        SlotState& s = st.slot[kSlot];
        s.DevType = int16_t(type);
        ApplyModelRow(s, 0);
        s.ModeList = modes;
        panel.ShowModeList();
    }
    // The device's readouts: the current follows the set value.
    void autoTick()
    {
        ch().CurShown = float(panel.tSval(0).toDouble());
        ch().VoltShown = 3.0f;
        autoTest.OnTimer(kSlot);
    }

    void TearDown() override { settings().SaveCsv = csvBefore; }

    qltest::ScriptedPrompter ask;
    const bool csvBefore = settings().SaveCsv;
    LinkState st;
    DevCtrl panel{kSlot};
    FakeHost host{st, panel};
    AutoTest autoTest{st, host};
    StepTest stepTest{st, host};
};

TEST_F(SeqTest, AutoTestStepsUpLogsARowPerStepAndStopsPastTheEnd)
{
    autoTest.Init(kSlot);
    EXPECT_EQ(panel.tAutoC1(), "0.1");
    EXPECT_EQ(panel.tAutoTime(), "2");
    autoFields("1.0", "2.0", "0.5", "2.50");
    autoTest.Click(kSlot);
    ASSERT_EQ(host.runs, 1);
    EXPECT_EQ(host.callers, std::vector<RunCaller>{RunCaller::Program});  // a refusal is logged, not shown
    EXPECT_EQ(panel.tSval(0), "1.00");
    EXPECT_EQ(panel.tSlmt(0), "2.50");
    EXPECT_TRUE(st.slot[kSlot].AutoRunning);
    EXPECT_TRUE(panel.AutoTmrEnable());
    EXPECT_EQ(panel.AutoCmd(), "Stop");

    for (int t = 0; t < 6 && autoTest.at(kSlot).AutoOn; ++t)
        autoTick();
    EXPECT_FALSE(autoTest.at(kSlot).AutoOn);
    EXPECT_EQ(host.sets, (std::vector<float>{1.5f, 2.0f}));  // 2.5 passed the end and is never sent
    EXPECT_EQ(host.stops, 1);
    EXPECT_FALSE(st.slot[kSlot].AutoRunning);
    EXPECT_FALSE(panel.AutoTmrEnable());
    EXPECT_EQ(panel.AutoCmd(), "Start");
    const QStringList want[] = {{"1", "1.00", "3.00", "3.0"}, {"2", "1.50", "3.00", "4.5"}, {"3", "2.00", "3.00", "6.0"}};
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(panel.tAutoRun(r, c), want[r - 1][c]) << r << "," << c;
    EXPECT_EQ(panel.tAutoRun(4, 1), "");

    // Full-size rows: header and the three results of the slot's record,
    // also when the list was drawn otherwise since.
    panel.ui().gridAutoRun->setTextMatrix(2, 1, "9.99");
    panel.ui().gridAutoRun->setTextMatrix(4, 1, "2.50");
    const auto rows = autoTest.ListClick(kSlot);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 4);
    EXPECT_EQ(rows->at(0), (QStringList{"Index", "Curr(A)", "Volt(V)", "Pwr(W)"}));
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(rows->at(r), want[r - 1]) << r;
}

TEST_F(SeqTest, AutoTestDownwardDeviceStopAndRefusedStart)
{
    autoTest.Init(kSlot);
    autoFields("2.0", "1.0", "0.5", "2.50");
    autoTest.Click(kSlot);
    EXPECT_FALSE(autoTest.ListClick(kSlot));  // busy: no full-size view
    for (int t = 0; t < 3; ++t)
        autoTick();
    EXPECT_EQ(host.sets, (std::vector<float>{1.5f}));
    // The device ends the run by itself: no stop command, idle page.
    ch().Running = false;
    autoTick();
    EXPECT_FALSE(autoTest.at(kSlot).AutoOn);
    EXPECT_EQ(host.stops, 0);
    EXPECT_EQ(panel.AutoCmd(), "Start");

    // Minutes: "2" gives 120 ticks per step.
    panel.setAutoOptSec(false);
    autoTest.Click(kSlot);
    EXPECT_EQ(autoTest.at(kSlot).AutoDwell, 120);
    autoTest.Click(kSlot);  // the stop click
    EXPECT_EQ(host.stops, 1);
    EXPECT_FALSE(st.slot[kSlot].AutoRunning);

    // An end current beyond the model, a zero increment, a bad cut-off: refused before anything is sent.
    host.runs = 0;
    for (auto [c2, inc, vol] : {std::tuple{"9.0", "0.5", "2.50"}, {"2.0", "0", "2.50"}, {"2.0", "0.5", "99"},
                                {"2.0", "x", "2.50"}}) {
        autoFields("2.0", c2, inc, vol);
        autoTest.Click(kSlot);
        EXPECT_FALSE(autoTest.at(kSlot).AutoOn) << c2 << " " << inc << " " << vol;
    }
    EXPECT_EQ(host.runs, 0);
    EXPECT_EQ(ask.texts(), QStringList({"Setting value out of range!", "Setting value out of range!",
                                          "Setting value out of range!", "Invalid value!"}));
}

// Increments finer than the 10 mA margin of the end check: every current
// sent, in the device's units, lies between start and end, the end itself
// is reached, and the test stops instead of sending the value past it.
TEST_F(SeqTest, AutoTestNeverSendsACurrentBeyondTheEnd)
{
    SlotState& s = st.slot[kSlot];
    const auto units = [&](double amps) { return std::nearbyint(amps * s.CurFactor); };
    struct Case {
        int32_t factor;
        const char *c1, *c2, *inc;
        std::vector<double> want;  // in amperes
    };
    const Case cases[] = {
        {1000, "1.000", "1.020", "0.004", {1.004, 1.008, 1.012, 1.016, 1.020}},
        {1000, "1.020", "1.000", "0.004", {1.016, 1.012, 1.008, 1.004, 1.000}},
        {1000, "1.000", "1.000", "0.005", {}},
        {100, "1.00", "1.00", "0.004", {1.00}},  // 1.004 goes out as 1.00; 1.008 would be 1.01
        {100, "0.10", "1.00", "0.1", {0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.c1) + " to " + c.c2 + " by " + c.inc);
        s.CurFactor = c.factor;
        host.sets.clear();
        host.stops = 0;
        autoTest.Init(kSlot);
        autoFields(c.c1, c.c2, c.inc, "2.50");
        autoTest.Click(kSlot);
        ASSERT_TRUE(autoTest.at(kSlot).AutoOn);
        for (int t = 0; t < 100 && autoTest.at(kSlot).AutoOn; ++t) {
            ch().CurShown = autoTest.at(kSlot).AutoCur;  // the device follows every set
            ch().VoltShown = 3.0f;
            autoTest.OnTimer(kSlot);
        }
        EXPECT_FALSE(autoTest.at(kSlot).AutoOn);
        EXPECT_EQ(host.stops, 1);
        ASSERT_EQ(host.sets.size(), c.want.size());
        for (size_t i = 0; i < c.want.size(); ++i)
            EXPECT_EQ(units(host.sets[i]), units(c.want[i])) << i;
        EXPECT_EQ(int(panel.AutoRows().size()), int(c.want.size()) + 2);  // header, start, one row per set
    }
}

TEST_F(SeqTest, ResultFileForBothSeparatorsAndAFailedWrite)
{
    QTemporaryDir dir;
    autoTest.Init(kSlot);
    // Twelve results grow the list beyond its first ten rows.
    for (int r = 1; r <= 12; ++r) {
        if (r > 1)
            panel.AutoListAdd();
        panel.setTAutoList(1, QStringLiteral("%1.00").arg(r));
        panel.setTAutoList(2, QStringLiteral("3.00"));
        panel.setTAutoList(3, QStringLiteral("9.9"));
    }
    ask.fileAnswer = dir.filePath("res");
    settings().SaveCsv = false;
    autoTest.SaveClick(kSlot, nullptr);
    ASSERT_TRUE(qltest::settleDisk());
    const QByteArray dat = qltest::fileBytes(dir.filePath("res.dat"));
    const QList<QByteArray> lines = dat.split('\n');
    ASSERT_EQ(lines.size(), 3 + 1 + 12 + 1);
    EXPECT_EQ(lines[0], "Device:QL-0\r");
    EXPECT_EQ(lines[1], "Mode:Auto Test\r");
    EXPECT_EQ(lines[2], "----------www.qltester.example--------------\r");
    EXPECT_EQ(lines[3], "Index\tCurr(A)\tVolt(V)\r");
    EXPECT_EQ(lines[15], "12\t12.00\t3.00\r");

    settings().SaveCsv = true;
    ask.fileAnswer = dir.filePath("res.csv");
    panel.AutoListClr();
    autoTest.SaveClick(kSlot, nullptr);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(qltest::fileBytes(dir.filePath("res.csv")),
              "Device:QL-0\r\nMode:Auto Test\r\n----------www.qltester.example--------------\r\n"
              "Index,Curr(A),Volt(V)\r\n");

    ask.fileAnswer = dir.filePath("missing/res.csv");
    autoTest.SaveClick(kSlot, nullptr);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ask.texts(), QStringList{"Cannot save file!"});

    // On a full disk the earlier result file stays as it was.
    ask.messages.clear();
    panel.setTAutoList(1, QStringLiteral("1.00"));
    const QByteArray earlier = qltest::fileBytes(dir.filePath("res.csv"));
    ask.fileAnswer = dir.filePath("res.csv");
    {
        qltest::FileSizeLimit full(64);
        autoTest.SaveClick(kSlot, nullptr);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(ask.texts(), QStringList{"Cannot save file!"});
    EXPECT_EQ(qltest::fileBytes(dir.filePath("res.csv")), earlier);
}

TEST_F(SeqTest, StepProgramRunsModeWaitAndCycleStepsWithTimeLimits)
{
    setRow(1, {"D-CC", "1.00", "3.00", "1"});
    setRow(2, {"Wait", "0.00", "0.00", "1"});
    setRow(3, {"Cycle", "0.00", "0.00", "2"});
    setRow(4, {"D-CC", "1.00", "3.00", "0"});  // below the Cycle row: never runs
    ch().Cap = 9.5f;
    ch().Energy = 12.345f;
    stepTest.StartStop(kSlot);
    ASSERT_TRUE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(panel.StepCmd(), "Stop");
    EXPECT_EQ(host.clears, 1);

    int ticks = 0;
    while (stepTest.at(kSlot).StepOn && ticks < 1000) {
        stepTest.OnTimer(kSlot);
        ++ticks;
        if (ticks == 1) {
            EXPECT_TRUE(st.slot[kSlot].StepRunning);
        }
    }
    // Per pass: load + 60 running ticks + record, load + 60 waiting + record.
    EXPECT_EQ(ticks, 2 * (62 + 62));
    EXPECT_EQ(host.runs, 2);
    EXPECT_EQ(host.stops, 2);  // the time limits; the stop click sends none (Stop is disabled)
    EXPECT_EQ(host.tmrStops, 1);  // the curve's counter stops with the program
    EXPECT_FALSE(st.slot[kSlot].StepRunning);
    EXPECT_EQ(panel.StepCmd(), "Start");
    const QStringList want[] = {{"1-1", "D-CC", "9.500", "12.35"},
                                {"1-2", "Wait", "0", "0"},
                                {"2-1", "D-CC", "9.500", "12.35"},
                                {"2-2", "Wait", "0", "0"}};
    for (int r = 1; r <= 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(panel.tStepList(r, c), want[r - 1][c]) << r << "," << c;
    EXPECT_EQ(panel.tStepList(5, 0), "");
}

// A step's time limit stops its run while the slot's record offers Stop,
// also when the Stop button has been drawn greyed since.
TEST_F(SeqTest, StepTimeLimitStopsTheRunTheRecordOffersToStop)
{
    setRow(1, {"D-CC", "1.00", "3.00", "0.05"});  // three seconds
    stepTest.StartStop(kSlot);
    stepTest.OnTimer(kSlot);
    ASSERT_EQ(host.runs, 1);
    ASSERT_TRUE(st.slot[kSlot].StopEnable);
    panel.ui().cmdStop->setEnabled(false);
    for (int i = 0; i < 3; ++i)
        stepTest.OnTimer(kSlot);
    EXPECT_EQ(host.stops, 1);
    EXPECT_FALSE(ch().Running);
}

TEST_F(SeqTest, StepStartRetriesCutOffModeAndRefusedPrograms)
{
    // A start the device never takes up: five attempts, then the step is recorded and passed.
    setRow(1, {"D-CC", "1.00", "3.00", "0"});
    host.refuseStarts = true;
    stepTest.StartStop(kSlot);
    for (int t = 0; t < 20 && stepTest.at(kSlot).StepOn; ++t)
        stepTest.OnTimer(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(host.runs, 5);
    EXPECT_EQ(panel.tStepList(1, 0), "1-1");

    // The constant-voltage mode's column 4 is a cut-off current: no time limit from here.
    host.refuseStarts = false;
    setRow(1, {"C-CV", "1.00", "4.20", "0.10"});
    stepTest.StartStop(kSlot);
    for (int t = 0; t < 200; ++t)
        stepTest.OnTimer(kSlot);
    EXPECT_EQ(stepTest.at(kSlot).StepLimit, 0);
    EXPECT_TRUE(ch().Running);
    ch().Running = false;  // the device ends it
    stepTest.OnTimer(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);

    // Values the device may not be sent: the program does not start.
    host.runs = 0;
    for (const QStringList& bad : {QStringList{"D-CC", "9.00", "3.00", "0"}, QStringList{"D-CC", "1.00", "x", "0"},
                                   QStringList{"Cycle", "", "", "2"}, QStringList{"D-XX", "1.00", "3.00", "0"}}) {
        setRow(1, bad);
        stepTest.StartStop(kSlot);
        EXPECT_FALSE(stepTest.at(kSlot).StepOn) << bad.join(" ").toStdString();
    }
    EXPECT_EQ(host.runs, 0);
    EXPECT_EQ(ask.texts().size(), 4);

    // An empty first row: nothing happens.
    stepTest.ClearClick(kSlot);
    stepTest.StartStop(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(ask.texts().size(), 4);

    // A stop while the channel is monitored keeps its curve and counter going.
    setRow(1, {"D-CC", "1.00", "3.00", "0"});
    stepTest.StartStop(kSlot);
    ASSERT_TRUE(stepTest.at(kSlot).StepOn);
    panel.setTmrCurveEnable(0, true);
    host.monitoring = true;
    const int counterStops = host.tmrStops;
    stepTest.StartStop(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(host.tmrStops, counterStops);
    EXPECT_TRUE(panel.TmrCurveEnable(0));
    host.monitoring = false;
    stepTest.StartStop(kSlot);
    stepTest.StartStop(kSlot);
    EXPECT_EQ(host.tmrStops, counterStops + 1);
    EXPECT_FALSE(panel.TmrCurveEnable(0));
}

TEST_F(SeqTest, StepFileRoundTripAndDamagedFiles)
{
    QTemporaryDir dir;
    // The user opens a step file of these bytes.
    const auto open = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ask.fileAnswer = f.fileName();
        stepTest.OpenClick(kSlot);
    };
    setRow(1, {"D-CC", "1.00", "3.00", "10"});
    setRow(2, {"Wait", "0.00", "0.00", "1"});
    setRow(3, {"Cycle", "0.00", "0.00", "2"});
    setRow(10, {"D-CP", "5", "3.00", "0"});  // beyond the first empty row: not saved
    const StepTable saved = st.slot[kSlot].Steps;

    ask.fileAnswer = dir.filePath("prog");
    // On a full disk nothing is left behind and the user is told.
    {
        qltest::FileSizeLimit full(16);
        stepTest.SaveClick(kSlot, nullptr);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(ask.texts(), QStringList{"Cannot save file!"});
    EXPECT_FALSE(QFile::exists(dir.filePath("prog.stp")));
    ask.messages.clear();
    stepTest.SaveClick(kSlot, nullptr);
    ASSERT_TRUE(qltest::settleDisk());
    const QByteArray bytes = qltest::fileBytes(dir.filePath("prog.stp"));
    EXPECT_TRUE(bytes.startsWith("----------www.qltester.example--------------\r\nDEV:17\r\n011:0\r\n012:1.00\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n021:5\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n031:6\r\n032:0.00\r\n033:0.00\r\n034:2\r\n"));

    stepTest.ClearClick(kSlot);
    ask.fileAnswer = dir.filePath("prog.stp");
    stepTest.OpenClick(kSlot);
    StepTable expect = saved;
    expect.at(10, 1) = expect.at(10, 2) = expect.at(10, 3) = expect.at(10, 4) = QString();
    EXPECT_EQ(st.slot[kSlot].Steps, expect);
    EXPECT_TRUE(ask.texts().isEmpty());

    // Line ends of CR alone read as well as CR LF and LF.
    stepTest.ClearClick(kSlot);
    open("cr.stp", QByteArray(bytes).replace("\r\n", "\r"));
    EXPECT_EQ(st.slot[kSlot].Steps, expect);
    EXPECT_TRUE(ask.texts().isEmpty());

    // A damaged line is skipped and reported once per file; the rest loads.
    const QByteArray head = "----------www.qltester.example--------------\r\nDEV:17\r\n";
    const QByteArray tail = "013:3.00\r\n014:0\r\n021:5\r\n024:1\r\n";
    struct Case {
        QByteArray lines;
        QString mode, set;
        int messages;
    };
    const Case cases[] = {
        {"011:0\r\n0a2:1.00\r\n012:1.50\r\n", "D-CC", "1.50", 1},   // no cell line
        {"011:x\r\n01a:0\r\n012:1.00\r\n", "", "1.00", 1},           // mode code and column: one message
        {"001:0\r\n010:1\r\n011:1\r\n012:2\r\n", "D-CP", "2", 1},  // row or column 0
        {"011:0\r\n012:\xff\r\n", "D-CC", "", 1},                     // bytes that are no text
        {"011:0\r\n012:1.00\r\n", "D-CC", "1.00", 0}};                 // nothing damaged
    for (const Case& c : cases) {
        ask.messages.clear();
        open("bad.stp", head + c.lines + tail);
        EXPECT_EQ(step(1, 1), c.mode) << c.lines.toStdString();
        EXPECT_EQ(step(1, 2), c.set) << c.lines.toStdString();
        EXPECT_EQ(step(1, 3), "3.00") << c.lines.toStdString();
        EXPECT_EQ(step(2, 1), "Wait") << c.lines.toStdString();
        EXPECT_EQ(ask.texts(), QStringList(c.messages, "Damaged lines of the file were skipped!"))
            << c.lines.toStdString();
    }

    // Values load as the file holds them, also beyond the device's bounds;
    // the start refuses to send them.
    ask.messages.clear();
    open("big.stp", head + "011:0\r\n012:9.00\r\n013:3.00\r\n014:0\r\n");
    EXPECT_EQ(step(1, 2), "9.00");
    EXPECT_TRUE(ask.texts().isEmpty());
    stepTest.StartStop(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(ask.texts(), QStringList{"Setting value out of range!"});

    ask.fileAnswer = dir.filePath("none.stp");
    stepTest.OpenClick(kSlot);
    EXPECT_EQ(ask.texts().last(), "Cannot open file!");
    EXPECT_EQ(step(1, 2), "9.00");

    // Ignored cells (row 11, column 5), any order, LF line ends.
    open("odd.stp", "x\nDEV:17\n014:0\n111:0\n115:x\n013:3.00\n011:1\n012:5\n");
    EXPECT_EQ(step(1, 1), "D-CP");
    EXPECT_EQ(step(1, 2), "5");
    EXPECT_EQ(step(2, 1), "");

    // Values an earlier build wrote with a decimal comma read with their values.
    open("comma.stp", head + "011:0\r\n012:1,50\r\n013:3,00\r\n014:0,1\r\n021:5\r\n022:1,2,3\r\n");
    EXPECT_EQ(step(1, 2), "1.50");
    EXPECT_EQ(step(1, 3), "3.00");
    EXPECT_EQ(step(1, 4), "0.1");
    EXPECT_EQ(step(2, 2), "1,2,3");  // no number: left for the start to refuse

    // Another device type empties the program; a name not ending in "stp" is not read.
    open("other.stp", QByteArray(head).replace("DEV:17", "DEV:18") + "011:0\r\n");
    EXPECT_EQ(step(1, 1), "");
    setRow(1, {"D-CC", "1.00", "3.00", "10"});
    open("prog.txt", head + "011:1\r\n012:5\r\n013:3.00\r\n014:0\r\n");
    EXPECT_EQ(step(1, 1), "D-CC");
}

TEST_F(SeqTest, EditorChecksValuesAndAppliesOnlyOnOk)
{
    {
        frmSet dlg(st, kSlot, host);
        ASSERT_EQ(dlg.cmbFlow->count(), 1);  // empty program: "Step1" only
        dlg.cmbMode->setCurrentIndex(0);     // D-CC
        dlg.txtSet->setText("0.05");
        EXPECT_FALSE(dlg.cmdSet_Click());
        EXPECT_EQ(ask.texts().last(), "Setting value out of range!");
        EXPECT_EQ(dlg.gridSet->TextMatrix(1, 1), "");
        dlg.txtSet_LostFocus();
        EXPECT_EQ(dlg.txtSet->text(), "0.10");  // reset to the least current

        dlg.txtSet->setText("1.00");
        dlg.txtLmt->setText("3.00");
        ASSERT_TRUE(dlg.cmdSet_Click());
        EXPECT_EQ(dlg.cmbFlow->count(), 2);
        EXPECT_EQ(dlg.cmbFlow->currentText(), "Step2");

        dlg.cmbMode->setCurrentIndex(5);  // Wait
        EXPECT_FALSE(dlg.txtSet->isEnabled());
        dlg.txtLmt2->setText("10000");
        EXPECT_FALSE(dlg.cmdSet_Click());
        dlg.txtLmt2->setText("1");
        ASSERT_TRUE(dlg.cmdSet_Click());
        dlg.cmbMode->setCurrentIndex(6);  // Cycle
        EXPECT_EQ(dlg.lblLmt2->text(), "Cycle:");
        dlg.txtLmt2->setText("3");
        ASSERT_TRUE(dlg.cmdSet_Click());
        dlg.cmbMode->setCurrentIndex(0);
        ASSERT_TRUE(dlg.cmdSet_Click());  // step 4, below the Cycle
        dlg.cmdCancel_Click();
        EXPECT_EQ(step(1, 1), "");  // Cancel applies nothing

        dlg.cmdOK_Click();  // OK copies steps 1 to 3 only
        EXPECT_EQ(step(1, 1), "D-CC");
        EXPECT_EQ(step(2, 1), "Wait");
        EXPECT_EQ(step(3, 4), "3");
        EXPECT_EQ(step(4, 1), "");
    }
    {
        // Reopened: the program is listed, step 1's values in the fields.
        frmSet dlg(st, kSlot, host);
        EXPECT_EQ(dlg.cmbFlow->count(), 4);
        EXPECT_EQ(dlg.txtLmt->text(), "3.00");
        dlg.cmdClear_Click();
        EXPECT_EQ(dlg.cmbFlow->count(), 1);
        EXPECT_EQ(dlg.gridSet->TextMatrix(3, 1), "");
    }
    {
        // A cell count above 12 is refused and the field shows 1.
        SlotState& s = st.slot[kSlot];
        s.DevType = 2;
        s.LastDisMode = 0;
        stepTest.ClearClick(kSlot);
        frmSet dlg(st, kSlot, host);
        dlg.cmbMode->setCurrentIndex(1);
        EXPECT_EQ(dlg.lblLmt->text(), "Cells:");
        dlg.txtLmt->setText("13");
        dlg.txtLmt_LostFocus();
        EXPECT_EQ(dlg.txtLmt->text(), "1");
        EXPECT_EQ(ask.texts().last(), "Setting value out of range!");
    }
}

// On a type-5 charger the charge profiles are sent a cell count and C-CV a
// voltage: the editor asks for exactly that, checks a cell count as a whole
// number within the profile's bounds, and the step check refuses a voltage
// left in a cell column (a program loaded from a file never passed the
// editor).
TEST_F(SeqTest, EditorAsksForCellsWhereTheDeviceIsSentCells)
{
    const QStringList modes = qltest::ModeListFor(5);
    identify(5, modes);
    frmSet dlg(st, kSlot, host);
    const int lipo = dlg.cmbMode->findText("C-LiPo");
    ASSERT_EQ(lipo, 4);
    dlg.cmbMode->setCurrentIndex(lipo);
    EXPECT_EQ(dlg.lblLmt->text(), "Cells:");
    EXPECT_EQ(dlg.lblLimit1t->text(), "");
    EXPECT_EQ(dlg.txtLmt->text(), "1");
    // The pack's end voltage typed as the limit is refused.
    dlg.txtLmt->setText("4.20");
    dlg.txtLmt_LostFocus();
    EXPECT_EQ(dlg.txtLmt->text(), "1");
    EXPECT_EQ(ask.texts().last(), "Setting value out of range!");
    dlg.txtLmt->setText("4.20");
    EXPECT_FALSE(dlg.cmdSet_Click());
    EXPECT_EQ(dlg.gridSet->TextMatrix(1, 1), "");
    // Up to four Li-Po cells, whole.
    dlg.txtLmt->setText("5");
    EXPECT_FALSE(dlg.cmdSet_Click());
    dlg.txtLmt->setText("4");
    dlg.txtLmt_LostFocus();
    EXPECT_EQ(dlg.txtLmt->text(), "4");
    ASSERT_TRUE(dlg.cmdSet_Click());
    EXPECT_EQ(dlg.gridSet->TextMatrix(1, 3), "4");
    // Every profile asks for cells; C-CV for volts; D-CC for a cut-off voltage.
    for (int k = 2; k <= 6; ++k) {
        dlg.cmbMode->setCurrentIndex(k);
        EXPECT_EQ(dlg.lblLmt->text(), "Cells:") << k;
    }
    dlg.cmbMode->setCurrentIndex(modes.indexOf("C-CV"));
    EXPECT_EQ(dlg.lblLmt->text(), "Volt:");
    EXPECT_EQ(dlg.lblLimit1t->text(), "V");
    EXPECT_EQ(dlg.txtLmt->text(), "1.00");
    dlg.txtLmt->setText("4.20");
    dlg.txtLmt_LostFocus();
    EXPECT_EQ(dlg.txtLmt->text(), "4.20");
    dlg.cmbMode->setCurrentIndex(0);
    EXPECT_EQ(dlg.lblLmt->text(), "Volt:");

    // The start of a step program checks what each row would send.
    setRow(1, {"C-LiPo", "1.00", "4.20", "0"});
    ask.messages.clear();
    stepTest.StartStop(kSlot);
    EXPECT_FALSE(stepTest.at(kSlot).StepOn);
    EXPECT_EQ(ask.texts(), QStringList{"Setting value out of range!"});
    setRow(1, {"C-LiPo", "1.00", "1", "0"});
    stepTest.StartStop(kSlot);
    EXPECT_TRUE(stepTest.at(kSlot).StepOn);
    stepTest.OnTimer(kSlot);
    EXPECT_EQ(host.runs, 1);
    EXPECT_EQ(panel.tSlmt(0), "1");
}

// Every model with a cycle test, in every mode of its list: what the editor
// asks for is what the start frame sends. A set value asked in watts goes
// out as a power, in amperes as a current; a limit asked as cells as a cell
// count, in volts as a voltage; a third value in amperes as a cut-off
// current, in minutes as minutes; a greyed field goes out as zeros.
TEST_F(SeqTest, EditorAsksForWhatTheStartFrameSends)
{
    SlotState& s = st.slot[kSlot];
    int checked = 0;
    for (int type = 1; type <= kMaxTypeCode; ++type) {
        const SetupBranch b = SetupBranchFor(type, 0);
        if (std::none_of(b.tabs.begin(), b.tabs.end(), [](const TestTab& t) { return t.key == "key3"; }))
            continue;
        identify(type, b.modes);
        for (int k = 0; k < b.modes.size(); ++k) {
            SCOPED_TRACE(QStringLiteral("type %1 %2").arg(type).arg(b.modes[k]).toStdString());
            frmSet dlg(st, kSlot, host);
            dlg.cmbMode->setCurrentIndex(k);
            if (dlg.txtSet->isEnabled())
                dlg.txtSet->setText("7");
            if (dlg.txtLmt->isEnabled())
                dlg.txtLmt->setText("3");
            dlg.txtLmt2->setText("2");
            ChanState& c = s.chn[0];
            c.ChnMode = int16_t(k);
            c.SvalText = dlg.txtSet->text();
            c.SlmtText = dlg.txtLmt->text();
            c.StimText = dlg.txtLmt2->text();
            const auto frame = EncodeStart(s, 0, 1, RecordValues(s, 0)).frame;
            ASSERT_TRUE(frame.has_value());
            const auto pair = [&](int i) { return (*frame)[size_t(i)] * 240 + (*frame)[size_t(i + 1)]; };

            if (!dlg.txtSet->isEnabled())
                EXPECT_EQ(pair(2), 0);
            else if (dlg.lblSett->text() == "W")
                EXPECT_EQ(pair(2), 7 * s.PwrFactor);
            else
                EXPECT_EQ(pair(2), 7 * s.CurFactor) << dlg.lblSett->text().toStdString();
            if (!dlg.txtLmt->isEnabled()) {
                EXPECT_EQ(pair(4), 0);
            } else if (dlg.lblLmt->text() == "Cells:") {
                EXPECT_EQ((*frame)[4], 0);
                EXPECT_EQ((*frame)[5], 3);
            } else {
                EXPECT_EQ(dlg.lblLimit1t->text(), "V");
                EXPECT_EQ(pair(4), 3 * s.VolFactor);
            }
            if (dlg.lblLmt2t->text() == "A")
                EXPECT_EQ(pair(6), 2 * s.CurFactor);
            else
                EXPECT_EQ(pair(6), 2) << dlg.lblLmt2t->text().toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 30);

    // Type 28 sends its C-CV set value in whole watts: half a watt, which
    // would go out as nothing, is refused.
    s.DevType = 28;
    ApplyModelRow(s, 0);
    EXPECT_EQ(CheckStepRow(s, 0, 1, 2, "0.5", "14.40", "0.50"), "Setting value out of range!");
    EXPECT_EQ(CheckStepRow(s, 0, 1, 2, "5", "14.40", "0.50"), "");
}

} // namespace

// DC5V on a type-5 charger (mode 8) is sent a cut-off current and no set
// value or limit: the editor asks for a current in amperes, checks it as one
// and greys the other two fields; the step test gives such a step no time
// limit of its own. A "Wait" whose code is 8 (type 6 lists eight modes)
// still waits its minutes.
TEST_F(SeqTest, EditorAsksForTheCutOffCurrentThatDC5VIsSent)
{
    identify(5, qltest::ModeListFor(5));
    {
        frmSet dlg(st, kSlot, host);
        const int dc5v = dlg.cmbMode->findText("DC5V");
        ASSERT_EQ(dc5v, 8);
        dlg.cmbMode->setCurrentIndex(dc5v);
        EXPECT_FALSE(dlg.txtSet->isEnabled());
        EXPECT_FALSE(dlg.txtLmt->isEnabled());
        EXPECT_TRUE(dlg.txtLmt2->isEnabled());
        EXPECT_EQ(dlg.lblLmt2->text(), "Cutoff:");
        EXPECT_EQ(dlg.lblLmt2t->text(), "A");
        EXPECT_EQ(dlg.txtLmt2->text(), "0.060");  // the least current, in milliamperes
        // Thirty (minutes) is no current the device takes.
        dlg.txtLmt2->setText("30");
        dlg.txtLmt2_LostFocus();
        EXPECT_EQ(dlg.txtLmt2->text(), "0.060");
        EXPECT_EQ(ask.texts().last(), "Setting value out of range!");
        dlg.txtLmt2->setText("30");
        EXPECT_FALSE(dlg.cmdSet_Click());
        dlg.txtLmt2->setText("0.5");
        dlg.txtLmt2_LostFocus();
        EXPECT_EQ(dlg.txtLmt2->text(), "0.500");
        ASSERT_TRUE(dlg.cmdSet_Click());
        EXPECT_EQ(dlg.gridSet->TextMatrix(1, 1), "DC5V");
        EXPECT_EQ(dlg.gridSet->TextMatrix(1, 4), "0.500");
        // Reopening the step keeps its captions.
        dlg.cmbMode->setCurrentIndex(0);
        dlg.cmbFlow->setCurrentIndex(0);
        EXPECT_EQ(dlg.lblLmt2t->text(), "A");
        EXPECT_FALSE(dlg.txtSet->isEnabled());
        dlg.cmdOK_Click();
    }
    EXPECT_EQ(step(1, 1), "DC5V");
    ask.messages.clear();
    stepTest.StartStop(kSlot);
    ASSERT_TRUE(stepTest.at(kSlot).StepOn) << ask.texts().join('|').toStdString();
    stepTest.OnTimer(kSlot);
    EXPECT_EQ(host.runs, 1);
    EXPECT_EQ(panel.tStim(0), "0.500");
    EXPECT_EQ(stepTest.at(kSlot).StepLimit, 0);
    stepTest.StartStop(kSlot);

    // Type 6: "Wait" has the code 8 and waits one minute.
    identify(6, qltest::ModeListFor(6));
    stepTest.ClearClick(kSlot);
    setRow(1, {"Wait", "0.00", "0.00", "1"});
    stepTest.StartStop(kSlot);
    ASSERT_TRUE(stepTest.at(kSlot).StepOn);
    stepTest.OnTimer(kSlot);
    EXPECT_EQ(stepTest.at(kSlot).StepMode, 8);
    EXPECT_EQ(stepTest.at(kSlot).StepLimit, 60);
    stepTest.StartStop(kSlot);
}

// A two-channel load resolves 1 mA and 1 mV: the auto test's start value and
// cut-off voltage stand in the panel's fields as the device is sent them,
// not rounded to 10 mA or 10 mV.
TEST_F(SeqTest, AutoTestFieldsKeepTheModelsResolution)
{
    SlotState& s = st.slot[kSlot];
    s.CurFactor = 1000;
    s.VolFactor = 1000;
    panel.setTAutoVol("2.125");
    autoTest.Init(kSlot);
    EXPECT_EQ(panel.tAutoVol(), "2.125");
    autoFields("1.125", "1.325", "0.1", "2.125");
    autoTest.Click(kSlot);
    ASSERT_TRUE(autoTest.at(kSlot).AutoOn) << ask.texts().join('|').toStdString();
    EXPECT_EQ(panel.tSval(0), "1.125");
    EXPECT_EQ(panel.tSlmt(0), "2.125");
    autoTest.Click(kSlot);  // the stop click puts the step's value back
    EXPECT_EQ(panel.tSval(0), "1.125");
}
