// The whole program against simulated devices: real panels, charts, grids,
// timers and files, serial traffic through pseudo-terminals.
#include "apptest.h"

#include "../sim/devsim.h"
#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "controls/lcdisp.h"
#include "link/runrecord.h"
#include "panel/stepedit.h"
#include "platform/services.h"
#include "testutil.h"
#include "ticking.h"
#include "views/readouts.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <iostream>
#include <functional>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// The number a readout or grid cell shows, units dropped.
double num(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("-?[0-9]+(\\.[0-9]+)?"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(0).toDouble() : std::nan("");
}

int countOf(const DeviceSim& dev, int op) { return int(framesOf(dev, op).size()); }

class EndToEnd : public DeviceAppTest {
protected:
    // Switches the automatic data file on in ql.ini.
    void autoSave() { writeIni("[AUTO]\r\nSAVE=True\r\n"); }

    QStringList dataFiles() const
    {
        return QDir(home() + "/Data").entryList(QDir::Files, QDir::Name);
    }

    // A window whose slot 0 runs dev at sval down to 3.00 V until the
    // record holds rows, then closes answering OK to "Close software?" and
    // stopAnswer to "Stop running?". Returns the rows recorded.
    int runThenClose(DeviceSim& dev, int port, const QString& sval, int stopAnswer, QString* record)
    {
        auto w = startWindow();
        connectDevice(*w, 0, dev, port);
        startRun(*w, sval, "3.00");
        *record = recordOf(*w);
        EXPECT_TRUE(waitFor([&] { return fileLines(*record).size() >= 6 + 3; }));  // six header lines, rows
        prompt.answers = {ql::Prompter::IdOk, stopAnswer};
        EXPECT_TRUE(w->close());
        EXPECT_EQ(prompt.texts(), (QStringList{"Close software?", "Stop running?"}));
        EXPECT_TRUE(waitFor([&] { return !dev.connected(); }));
        prompt.messages.clear();
        dev.clearRecorded();
        return int(fileLines(*record).size()) - 6;
    }
};

// Line-for-line check of an automatic data file against the run grid and
// chart it was written from; returns the number of rows.
int checkDataFile(const QString& path, ql::SlotView& s, int chn, const QString& device)
{
    const QStringList lines = fileLines(path);
    EXPECT_GE(lines.size(), 11);
    if (lines.size() < 11)
        return 0;
    EXPECT_EQ(lines[0], "-----------QL Tester Software-----------");
    const QStringList keys{"Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(lines[1 + c], keys[c] + ":" + s.gridRun->TextMatrix(chn + 1, c)) << c;
    EXPECT_EQ(lines[1], "Device:" + device);
    EXPECT_FALSE(s.gridRun->TextMatrix(chn + 1, 3).isEmpty());  // "Cutoff Volt" written at the end
    EXPECT_EQ(lines[8], "Title:QL Tester Software");
    EXPECT_EQ(lines[9], ql::FileTrailer());
    EXPECT_EQ(lines[10], "Time(S),Cur(A),Vol(V)");
    const int rows = int(lines.size()) - 11;
    EXPECT_EQ(rows, s.Chart->DpCnt(chn * 5));
    int prev = -1;
    for (int i = 0; i < rows && i < s.Chart->DpCnt(chn * 5); ++i) {
        const QStringList f = lines[11 + i].split(',');
        EXPECT_EQ(f.size(), 3) << lines[11 + i].toStdString();
        if (f.size() != 3)
            continue;
        const int t = f[0].toInt();
        EXPECT_GE(t, prev);
        prev = t;
        EXPECT_NEAR(f[2].toDouble(), s.Chart->DpY(chn * 5, i), 0.0006);
        EXPECT_NEAR(f[1].toDouble(), s.Chart->DpY(chn * 5 + 1, i), 0.006);
    }
    EXPECT_EQ(lines.value(11).split(',').value(0), "0");
    return rows;
}

// The live record: header of the run, then rows with rising run seconds
// whose current and voltage are the device's.
void checkRecord(const QString& path, const QString& device, const QString& mode, double amps)
{
    const QStringList lines = fileLines(path);
    ASSERT_GE(lines.size(), 8) << path.toStdString();  // six header lines, rows
    EXPECT_EQ(lines[0], ql::RecordBanner());
    EXPECT_EQ(lines[1], "Device:" + device);
    EXPECT_TRUE(lines[2].startsWith("Mode:" + mode)) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("Begin Volt:"));
    EXPECT_EQ(lines[4], ql::FileTrailer());
    EXPECT_EQ(lines[5], "Time(S)\tCur(A)\tVol(V)");
    int prev = -1;
    for (int i = 6; i < lines.size(); ++i) {
        const QStringList f = lines[i].split('\t');
        ASSERT_EQ(f.size(), 3) << lines[i].toStdString();
        EXPECT_GE(f[0].toInt(), prev);  // one row per sample
        prev = f[0].toInt();
        EXPECT_GT(f[2].toDouble(), 3.0);
        EXPECT_LT(f[2].toDouble(), 4.3);
        if (amps > 0 && i == 6) {
            EXPECT_NEAR(f[1].toDouble(), amps, 0.011);
        }
    }
}

} // namespace

TEST_F(EndToEnd, SingleChannelRunFromConnectToSavedData)
{
    DeviceSim dev(11, 300);
    autoSave();
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    const auto& u = p->ui();

    // Identified: single-channel layout, the model's modes and name.
    EXPECT_FALSE(p->Dev2S());
    ASSERT_EQ(p->ModeCnt(), 5);
    EXPECT_EQ(p->ModeTxt(0), "D-CC");
    EXPECT_EQ(p->ModeTxt(4), "D-CV");
    EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "QL-R11");
    EXPECT_TRUE(p->RunEnable());
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "COMM", "PORT1", ""), "3");

    // D-CC; a set current above the model's 10 A is refused and replaced.
    u.cmbMode->setCurrentIndex(0);
    emit u.cmbMode->activated(0);
    EXPECT_EQ(p->tMode(), "D-CC");
    prompt.messages.clear();
    typeInto(u.txtSval, "12");
    ASSERT_EQ(prompt.texts(), QStringList{"Setting value out of range!"});
    EXPECT_EQ(prompt.messages[0].title, "Prompt");
    EXPECT_EQ(prompt.messages[0].icon, ql::Prompter::Critical);
    EXPECT_EQ(p->tSval(0), "10.00");
    typeInto(u.txtSval, "1.00");
    typeInto(u.txtSlmt, "3.50");
    typeInto(u.txtStim, "0");
    EXPECT_EQ(prompt.messages.size(), 1u);

    // Start: the device runs what was typed; the panel follows it.
    u.cmdRun->click();
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).running; }));
    EXPECT_EQ(dev.channel(0).setRaw, 100);
    EXPECT_EQ(dev.channel(0).lmtRaw, 350);
    EXPECT_EQ(dev.channel(0).mode, 0);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    EXPECT_TRUE(p->StopEnable());
    EXPECT_FALSE(p->RunEnable());
    EXPECT_FALSE(inside(w).action("menuSaveData")->isEnabled());
    const QString record = recordOf(*w);
    EXPECT_EQ(record, home() + "/ql-QL-R11-COM3-1-1.bak");

    // Samples: readouts, grid and curve points follow the device.
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 3 && s.Chart->DpCnt(0) >= 3; }));
    EXPECT_NEAR(num(p->tCur(0)), 1.0, 0.011);
    EXPECT_NEAR(num(p->tVol(0)), dev.channel(0).volt, 0.02);
    EXPECT_EQ(s.gridRun->TextMatrix(1, 1), "D-CC  1.00A  3.50V");
    EXPECT_NEAR(num(s.gridRun->TextMatrix(1, 2)), 4.2, 0.2);  // begin volt
    const int last = s.Chart->DpCnt(0) - 1;
    EXPECT_NEAR(s.Chart->DpY(1, last), 1.0, 0.011);
    EXPECT_NEAR(s.Chart->DpY(0, last), dev.channel(0).volt, 0.02);
    EXPECT_FALSE(s.gridRun->TextMatrix(1, 4).isEmpty());  // capacity

    // Set 2 A while running.
    typeInto(u.txtSval, "2.00");
    ASSERT_TRUE(u.cmdSet->isEnabled());
    u.cmdSet->click();
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).setRaw == 200 && std::abs(num(p->tCur(0)) - 2.0) < 0.011; }));
    EXPECT_EQ(countOf(dev, 0x07), 1);
    ASSERT_TRUE(waitFor([&] { return std::abs(s.Chart->DpY(1, s.Chart->DpCnt(1) - 1) - 2.0) < 0.011; }));

    // Stop: the device's end report closes the run.
    stopRun(*w);
    EXPECT_FALSE(dev.channel(0).running);
    EXPECT_EQ(channelsOf(dev, 0x02), std::vector<int>{0});
    EXPECT_NEAR(num(s.gridRun->TextMatrix(1, 3)), dev.channel(0).volt, 0.02);
    EXPECT_TRUE(p->RunEnable());
    EXPECT_FALSE(p->StopEnable());
    EXPECT_TRUE(inside(w).action("menuSaveData")->isEnabled());

    ASSERT_TRUE(settleDisk());
    checkRecord(record, "QL-R11", "D-CC", 1.0);
    const QStringList files = dataFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith("-QL-R11-1-1.csv")) << files[0].toStdString();
    EXPECT_GE(checkDataFile(home() + "/Data/" + files[0], s, 0, "QL-R11"), 3);

    // "Save Data" from the menu: a proposed name, the extension added.
    prompt.fileAnswer = home() + "/mine";
    inside(w).action("menuSaveData")->trigger();
    ASSERT_EQ(prompt.fileNames.size(), 1);
    EXPECT_TRUE(prompt.fileNames[0].endsWith("-QL-R11-1-1")) << prompt.fileNames[0].toStdString();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(fileLines(home() + "/mine.csv"), fileLines(home() + "/Data/" + files[0]));

    closeWindow(*w);
    EXPECT_TRUE(waitFor([&] { return !dev.connected(); }));
    dev.stop();
}

TEST_F(EndToEnd, ChargerWithCutOffCurrentAndMonitorWithoutARun)
{
    DeviceSim dev(7, 300);  // D-CC, D-CP, C-CV; C-CV may stop on a cut-off current
    dev.setChargeMode(2);
    dev.setCell(0, 4.2, 3.0, 0.05, 2.0);
    auto w = connectedWindow(dev, 4);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    const auto& u = p->ui();
    ASSERT_EQ(p->ModeCnt(), 3);
    EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "QL-K07");

    // Monitor: readouts, the monitor line and curve points without a run.
    u.cmdMonitor->click();
    ASSERT_TRUE(waitFor([&] { return s.Chart->DpCnt(0) >= 2 && !s.lstInfo->item(3)->text().isEmpty(); }));
    EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
    EXPECT_FALSE(dev.channel(0).running);
    EXPECT_EQ(countOf(dev, 0x01), 0);
    EXPECT_EQ(dataFiles(), QStringList{});
    EXPECT_NEAR(s.Chart->DpY(0, s.Chart->DpCnt(0) - 1), dev.channel(0).volt, 0.02);
    EXPECT_NEAR(num(p->tVol(0)), dev.channel(0).volt, 0.02);

    // A short discharge first, so the full cell can take a charge.
    startRun(*w, "5.00", "1.00");
    dev.step(360);  // six minutes of device time: half an ampere-hour out
    stopRun(*w);

    // C-CV with a cut-off current in the third field.
    u.cmbMode->setCurrentIndex(2);
    emit u.cmbMode->activated(2);
    EXPECT_EQ(p->tMode(), "C-CV");
    typeInto(u.txtSval, "1.00");
    typeInto(u.txtSlmt, "4.50");  // above the full cell's voltage under charge
    typeInto(u.txtStim, "0.20");
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();
    u.cmdRun->click();
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).running && inside(w).link().ch(0, 0).Running; }));
    EXPECT_EQ(dev.channel(0).mode, 2);
    EXPECT_EQ(dev.channel(0).setRaw, 100);
    EXPECT_EQ(dev.channel(0).lmtRaw, 450);
    EXPECT_EQ(dev.channel(0).timRaw, 20);  // 0.20 A in units of 10 mA
    EXPECT_EQ(inside(w).link().ch(0, 0).ChnMode, 2);
    waitFor([&] { return s.gridRun->TextMatrix(1, 1).startsWith("C-CV") && num(p->tCur(0)) > 0.5; });
    EXPECT_TRUE(s.gridRun->TextMatrix(1, 1).startsWith("C-CV")) << s.gridRun->TextMatrix(1, 1).toStdString();
    EXPECT_NEAR(num(p->tCur(0)), 1.0, 0.011);

    stopRun(*w);
    EXPECT_TRUE(dataFiles().isEmpty());  // automatic save is off
    dev.stop();
    closeWindow(*w);
}

TEST_F(EndToEnd, TwoChannelDeviceRunsBothChannels)
{
    DeviceSim dev(18, 300);
    dev.setCell(1, 4.2, 3.0, 0.08, 2.0);
    autoSave();
    auto w = connectedWindow(dev, 5);
    ASSERT_TRUE(w);
    w->menuAddDev_Click();  // a second, empty slot for the picture
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    const auto& u = p->ui();

    EXPECT_TRUE(p->Dev2S());
    EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "QL-R18");
    EXPECT_EQ(s.gridRun->TextMatrix(2, 0), "QL-R18");
    EXPECT_EQ(s.Chart->CurveCount(), 10);
    ASSERT_EQ(u.cmbMode2S->count(), 2);

    u.cmbMode2S->setCurrentIndex(0);
    emit u.cmbMode2S->activated(0);
    typeInto(u.txtSval2S[0], "1.00");
    typeInto(u.txtSlmt2S[0], "3.50");
    typeInto(u.txtSval2S[1], "0.50");
    typeInto(u.txtSlmt2S[1], "3.20");
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();
    u.optChn2->setChecked(true);  // both channels
    u.cmdRun2S->click();
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).running && dev.channel(1).running; }));
    EXPECT_EQ(channelsOf(dev, 0x01), (std::vector<int>{0, 1}));
    EXPECT_EQ(dev.channel(0).setRaw, 1000);  // current factor 1000
    EXPECT_EQ(dev.channel(1).setRaw, 500);
    EXPECT_EQ(dev.channel(1).lmtRaw, 3200);
    ASSERT_TRUE(waitFor([&] {
        return inside(w).link().ch(0, 1).RunSecs.load() >= 2 && s.Chart->DpCnt(0) >= 2 && s.Chart->DpCnt(5) >= 2;
    }));
    EXPECT_NEAR(num(p->tCur(0)), 1.0, 0.002);
    EXPECT_NEAR(num(p->tCur(1)), 0.5, 0.002);
    EXPECT_NEAR(s.Chart->DpY(6, s.Chart->DpCnt(6) - 1), 0.5, 0.002);
    EXPECT_NEAR(s.Chart->DpY(5, s.Chart->DpCnt(5) - 1), dev.channel(1).volt, 0.02);
    EXPECT_NEAR(s.Chart->DpY(1, s.Chart->DpCnt(1) - 1), 1.0, 0.002);
    EXPECT_EQ(s.gridRun->TextMatrix(2, 1), "D-CC  0.500A  3.200V");  // as the device echoes them

    w->resize(1200, 760);
    ASSERT_TRUE(waitFor([&] { return w->size() == QSize(1200, 760); }));
    const QString pic = qltest::savePicture(w.get(), "mainwindow-two-channel-run");
    EXPECT_TRUE(QFileInfo::exists(pic));

    // Stop channel 2 only, then channel 1.
    u.optChn1->setChecked(true);
    u.cmdStop2S->click();
    ASSERT_TRUE(waitFor([&] { return !inside(w).link().ch(0, 1).Running; }));
    EXPECT_TRUE(inside(w).link().ch(0, 0).Running);
    EXPECT_TRUE(dev.channel(0).running);
    u.optChn0->setChecked(true);
    // The next reply of the running channel 1 offers Stop again.
    ASSERT_TRUE(waitFor([&] { return p->StopEnable(); }));
    u.cmdStop2S->click();
    ASSERT_TRUE(waitFor([&] { return !inside(w).link().ch(0, 0).Running; }));
    EXPECT_EQ(channelsOf(dev, 0x02), (std::vector<int>{1, 0}));
    EXPECT_FALSE(dev.channel(0).running);
    EXPECT_FALSE(s.gridRun->TextMatrix(2, 3).isEmpty());

    ASSERT_TRUE(settleDisk());
    const QStringList files = dataFiles();
    ASSERT_EQ(files.size(), 2) << files.join('|').toStdString();
    checkRecord(recordOf(*w, 0, 1), "QL-R18", "D-CC", 0.5);
    checkRecord(recordOf(*w, 0, 0), "QL-R18", "D-CC", 1.0);
    dev.stop();
    closeWindow(*w);
}

TEST_F(EndToEnd, ContinueInANewWindowAfterClosingMidRun)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(plug(dev, 3));
    QString record;
    // Closing: stop the device, then disconnect.
    const int recordedRows = runThenClose(dev, 3, "1.50", ql::Prompter::IdOk, &record);
    ASSERT_GE(recordedRows, 3);
    ASSERT_FALSE(dev.channel(0).running);

    auto w = startWindow();
    ql::SlotView& s = inside(w).slot(0);
    const auto& u = s.Panel->ui();
    connectDevice(*w, 0, dev, 3);
    typeInto(u.txtSval, "1.50");
    typeInto(u.txtSlmt, "3.00");
    ASSERT_TRUE(u.cmdCont->isEnabled());
    u.cmdCont->click();
    // The record's rows are the new chart's points, the counters go on from them.
    EXPECT_EQ(s.Chart->DpCnt(0), recordedRows);
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).running && inside(w).link().ch(0, 0).Running; }));
    EXPECT_EQ(countOf(dev, 0x08), 1);
    EXPECT_EQ(countOf(dev, 0x01), 0);
    EXPECT_EQ(dev.channel(0).setRaw, 150);
    EXPECT_GT(dev.channel(0).cap, 0.0);  // the device's counters went on
    const QStringList rows = fileLines(record);
    const int lastRecorded = rows.value(5 + recordedRows).split('\t').value(0).toInt();
    EXPECT_GE(inside(w).link().ch(0, 0).RunSecs.load(), lastRecorded);
    ASSERT_TRUE(waitFor([&] { return fileLines(record).size() > rows.size(); }));
    checkRecord(record, "QL-R11", "D-CC", 1.5);
    dev.stop();
    prompt.answers = {ql::Prompter::IdOk, ql::Prompter::IdOk};
    EXPECT_TRUE(w->close());
}

TEST_F(EndToEnd, ShutDownWithRunsReportedByTheDevices)
{
    DeviceSim one(11, 300), two(18, 300);
    one.reportRun(0, 0, 100, 300);
    two.reportRun(0, 0, 1000, 3000);
    two.reportRun(1, 0, 500, 3000);
    ASSERT_TRUE(plug(one, 3) && plug(two, 6));
    auto w = startWindow();
    w->menuAddDev_Click();
    w->menuAddDev_Click();
    connectDevice(*w, 0, one, 3);
    connectDevice(*w, 2, two, 6);
    // The device's reports mark the channels running.
    ASSERT_TRUE(waitFor([&] {
        return inside(w).link().ch(0, 0).Running && inside(w).link().ch(2, 0).Running &&
               inside(w).link().ch(2, 1).Running;
    }));
    EXPECT_TRUE(inside(w).slot(2).Panel->StopEnable());
    EXPECT_TRUE(qltest::TimerTicks(inside(w).ticker(), inside(w).link().ch(2, 1)));
    one.clearRecorded();
    two.clearRecorded();

    // Cancel on the first question keeps everything running.
    prompt.answers = {ql::Prompter::IdCancel};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(prompt.texts(), QStringList{"Close software?"});
    EXPECT_TRUE(qltest::TimerTicks(inside(w).ticker(), inside(w).link().ch(2, 1)));
    EXPECT_TRUE(inside(w).link().slot[0].hComm);

    // OK to both: the counters are stopped before the stop question comes.
    prompt.messages.clear();
    prompt.answers = {ql::Prompter::IdOk, ql::Prompter::IdOk};
    bool countersStoppedFirst = false;
    prompt.onMessage = [&] {
        if (prompt.messages.size() == 2)
            countersStoppedFirst = !qltest::TimerTicks(inside(w).ticker(), inside(w).link().ch(0, 0)) &&
                                   !qltest::TimerTicks(inside(w).ticker(), inside(w).link().ch(2, 1));
    };
    EXPECT_TRUE(w->close());
    prompt.onMessage = nullptr;
    EXPECT_EQ(prompt.texts(), (QStringList{"Close software?", "Stop running?"}));
    EXPECT_TRUE(countersStoppedFirst);
    EXPECT_FALSE(inside(w).link().slot[0].hComm);
    EXPECT_FALSE(inside(w).link().slot[2].hComm);

    // On the devices' side: stop per running channel in order, then disconnect.
    ASSERT_TRUE(waitFor([&] { return !one.connected() && !two.connected(); }));
    auto ops = [](const DeviceSim& d) {
        std::vector<int> out;
        for (const QByteArray& f : d.received())
            out.push_back(uint8_t(f.at(1)));
        return out;
    };
    EXPECT_EQ(ops(one), (std::vector<int>{0x02, 0x06}));
    EXPECT_EQ(ops(two), (std::vector<int>{0x02, 16 * 10 + 0x02, 0x06}));
    EXPECT_FALSE(one.channel(0).running);
    EXPECT_FALSE(two.channel(0).running);
    EXPECT_FALSE(two.channel(1).running);
}

// The buttons, list and timers of a second slot's test pages act on that
// slot: its steps are cleared and its result list opens, the first slot's
// stay; the file buttons ask for their files; the auto-test timer of a slot
// with no auto test running turns itself off.
TEST_F(EndToEnd, TestPageButtonsActOnTheirOwnSlot)
{
    auto w = makeWindow();
    w->menuAddDev_Click();
    ql::SlotView& s0 = inside(w).slot(0);
    ql::SlotView& s1 = inside(w).slot(1);
    ql::DevCtrl* p = s1.Panel;
    const auto& u = p->ui();
    inside(w).link().slot[0].Steps.at(1, 1) = "D-CV";
    inside(w).link().slot[1].Steps.at(1, 1) = "D-CC";
    for (QPushButton* b :
         {u.cmdStartAuto, u.cmdSave, u.cmdStartStep, u.cmdSetStep, u.cmdSaveStep, u.cmdClearStep, u.cmdOpenStep})
        b->setEnabled(true);

    // Without a device the step program cannot start: the user is told.
    u.cmdStartStep->click();
    EXPECT_FALSE(inside(w).stepTest().at(1).StepOn);
    EXPECT_EQ(prompt.messages.size(), 1u) << prompt.texts().join('|').toStdString();
    u.cmdStartAuto->click();
    EXPECT_FALSE(inside(w).autoTest().at(1).AutoOn);
    EXPECT_EQ(prompt.messages.size(), 2u) << prompt.texts().join('|').toStdString();

    prompt.fileAnswer.clear();  // every file dialog cancelled
    u.cmdSave->click();
    u.cmdSaveStep->click();
    u.cmdOpenStep->click();
    EXPECT_EQ(prompt.fileTitles, (QStringList{"Save Result", "Save Step", "Open Step"}));

    // The step editor opens for this slot and is waited for.
    QStringList editors;
    QTimer::singleShot(0, w.get(), [&] {
        if (ql::frmSet* d = shownWindow<ql::frmSet>()) {
            editors << d->gridSet->TextMatrix(1, 1);
            d->cmdCancel->click();
        }
    });
    u.cmdSetStep->click();  // returns once the editor is hidden
    EXPECT_EQ(editors, QStringList{"D-CC"});

    u.cmdClearStep->click();
    EXPECT_EQ(inside(w).link().slot[1].Steps, ql::StepTable{});
    EXPECT_EQ(inside(w).link().slot[0].Steps.at(1, 1), "D-CV");

    emit u.gridAutoRun->DblClick();
    EXPECT_TRUE(s1.gridAutolist->isVisibleTo(s1.frmDev));
    EXPECT_FALSE(p->isVisibleTo(s1.frmDev));
    EXPECT_FALSE(s0.gridAutolist->isVisibleTo(s0.frmDev));
    emit s1.gridAutolist->DblClick();
    EXPECT_FALSE(s1.gridAutolist->isVisibleTo(s1.frmDev));
    EXPECT_TRUE(p->isVisibleTo(s1.frmDev));

    p->setAutoTmrEnable(true);
    EXPECT_TRUE(waitFor([&] { return !p->AutoTmrEnable(); }));
    closeWindow(*w);
}

// An adapter pulled mid-run: the port is closed and logged once with its
// real cause, the record keeps every row, and the panel no longer looks like
// a running test: it says the device on its port is lost, the receive lamp
// is off, the button offers Connect and the readouts (the panel's and the
// floating one) show zero, while the run grid and the curves keep what the
// run reached. Plugged in again with the device
// still running, one Connect continues the run from its record instead of
// restarting its seconds in the same record. The adapter was gone for five
// minutes: the capacity shown is the device's own count, not the record's
// capacity added on top of it.
TEST_F(EndToEnd, UnpluggedMidRunThenReconnectedContinuesTheRecord)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    const auto& u = p->ui();
    startRun(*w, "5.00", "3.00");
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 4 && p->LedRecv(); }));
    const QString record = recordOf(*w);
    ql::settings().FloatDisp = true;
    w->showMinimized();
    ASSERT_TRUE(waitFor([&] { return inside(w).minDispShown(); }));
    const ql::frmDisp* disp = qltest::topWindow<ql::frmDisp>();
    ASSERT_TRUE(disp && disp->isVisible());
    ASSERT_TRUE(waitFor([&] { return std::fabs(num(disp->lcdCurM->Value()) - 5.0) < 0.011; }));
    EXPECT_NEAR(num(p->tCur(0)), 5.0, 0.011);
    QStringList runRow;
    for (int col = 0; col < 7; ++col)
        runRow << s.gridRun->TextMatrix(1, col);
    const int points = s.Chart->DpCnt(0);
    ASSERT_GT(points, 0);

    const int rowsBefore = int(fileLines(record).size());
    dev.unplug();
    ASSERT_TRUE(waitFor([&] { return !p->Conn(); }));
    for (const QString& shown :
         {p->tVol(0), p->tCur(0), p->tPwr(0), disp->lcdCurM->Value(), disp->lcdVolM->Value(), disp->lcdPwrM->Value()}) {
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_EQ(num(shown), 0.0) << shown.toStdString();
    }
    for (int col : {0, 1, 2})  // device, mode and begin voltage
        EXPECT_EQ(s.gridRun->TextMatrix(1, col), runRow[col]) << col;
    EXPECT_FALSE(s.gridRun->TextMatrix(1, 4).isEmpty());  // the capacity reached
    EXPECT_GE(s.Chart->DpCnt(0), points);
    w->showNormal();
    ASSERT_TRUE(waitFor([&] { return !inside(w).minDispShown(); }));
    EXPECT_FALSE(inside(w).link().slot[0].hComm);
    EXPECT_EQ(s.lstInfo->item(1)->text(), " Device1: COM3 lost");
    EXPECT_FALSE(p->LedRecv());
    EXPECT_FALSE(p->StopEnable());
    EXPECT_FALSE(p->SetEnable());
    EXPECT_FALSE(p->RunEnable());
    EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
    EXPECT_TRUE(u.cmbPort->isEnabled());
    EXPECT_EQ(p->tPort(), "COM3");
    const QStringList log = errorLog();
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].contains("COM3: device lost") &&
                (log[0].contains("hung up") || log[0].contains("is gone")))
        << log[0].toStdString();
    EXPECT_EQ(int(fileLines(record).size()), rowsBefore) << "no row lost or invented";
    const int lastSecond = fileLines(record).last().split('\t').first().toInt();

    // The device ran on meanwhile. Plug the adapter in again and connect.
    ASSERT_TRUE(dev.plug(portsDir(), 3));
    dev.step(300);  // five minutes at 5 A while nobody listens
    ASSERT_TRUE(dev.channel(0).running);
    dev.start(20);
    prompt.messages.clear();
    u.cmdConn->click();
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_TRUE(p->Conn());
    ASSERT_TRUE(waitFor([&] { return countOf(dev, 0x08) == 1; }));  // the continue frame
    ASSERT_TRUE(waitFor([&] { return int(fileLines(record).size()) >= rowsBefore + 2; }));
    EXPECT_EQ(countOf(dev, 0x08), 1);
    EXPECT_EQ(countOf(dev, 0x01), 1);  // the one start, before the unplug
    EXPECT_GE(inside(w).link().ch(0, 0).RunSecs.load(), lastSecond);
    EXPECT_TRUE(p->StopEnable());
    checkRecord(record, "QL-R11", "D-CC", 5.0);  // seconds never go back

    const ql::ChanState& c = inside(w).link().ch(0, 0);
    ASSERT_TRUE(waitFor([&] { return c.Running && !c.ContPend; }));
    dev.stop();
    dev.step(0);  // one more reply with the device's present count
    const double device = dev.channel(0).cap * 1000;  // mAh
    ASSERT_GT(device, 400);
    EXPECT_TRUE(waitFor([&] { return std::fabs(num(s.gridRun->TextMatrix(1, 4)) - device) <= 1.5; }))
        << s.gridRun->TextMatrix(1, 4).toStdString() << " shown, device " << device;
    EXPECT_EQ(c.CapOffset, 0);
    closeWindow(*w);
}

// A two-channel device with only its second channel running loses its
// adapter. Plugged in again, one Connect continues that channel once from
// its record; the idle first channel is neither started nor continued.
TEST_F(EndToEnd, TwoChannelDeviceUnpluggedWithOneChannelRunningContinuesThatChannelOnce)
{
    DeviceSim dev(18, 300);
    dev.setCell(1, 4.2, 3.0, 0.08, 2.0);
    auto w = connectedWindow(dev, 5);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    ASSERT_TRUE(p->Dev2S());
    u.cmbMode2S->setCurrentIndex(0);
    emit u.cmbMode2S->activated(0);
    typeInto(u.txtSval2S[1], "0.50");
    typeInto(u.txtSlmt2S[1], "3.20");
    u.optChn1->setChecked(true);  // the second channel alone
    u.cmdRun2S->click();
    ASSERT_TRUE(waitFor([&] { return dev.channel(1).running; }));
    ASSERT_FALSE(dev.channel(0).running);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 1).RunSecs.load() >= 3; }));
    const QString record = recordOf(*w, 0, 1);
    const int rowsBefore = int(fileLines(record).size());

    dev.unplug();
    ASSERT_TRUE(waitFor([&] { return !p->Conn(); }));
    EXPECT_EQ(int(fileLines(record).size()), rowsBefore);
    ASSERT_TRUE(dev.plug(portsDir(), 5));
    dev.step(60);
    dev.start(20);
    prompt.messages.clear();
    u.cmdConn->click();
    ASSERT_TRUE(p->Conn());
    ASSERT_TRUE(waitFor([&] { return countOf(dev, 0x08) >= 1; }));
    ASSERT_TRUE(waitFor([&] { return int(fileLines(record).size()) >= rowsBefore + 2; }));
    EXPECT_EQ(channelsOf(dev, 0x08), std::vector<int>{1});
    EXPECT_EQ(channelsOf(dev, 0x01), std::vector<int>{1});  // the one start, before the unplug
    EXPECT_FALSE(dev.channel(0).running);
    EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();
    checkRecord(record, "QL-R18", "D-CC", 0.5);
    dev.stop();
    closeWindow(*w);
}

// The program restarted while the device runs on: the device answers the
// connect with an info reply alone, which carries no set values. The
// continue waits for the first data reply, then goes out once with the
// device's own values.
TEST_F(EndToEnd, ReconnectToARunningDeviceWhoseFirstReplyIsAnInfoReply)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(plug(dev, 3));
    QString record;
    // Closing without the stop disconnects and keeps the run going on the device.
    const int recordedRows = runThenClose(dev, 3, "1.50", ql::Prompter::IdCancel, &record);
    ASSERT_GE(recordedRows, 3);
    ASSERT_TRUE(dev.channel(0).running);
    dev.setConnectInfoOnly(true);

    auto w = startWindow();
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    connectDevice(*w, 0, dev, 3);
    ASSERT_TRUE(waitFor([&] { return countOf(dev, 0x08) == 1; }));
    const QByteArray cont = framesOf(dev, 0x08).value(0);
    EXPECT_EQ(pairAt(cont, 2), 150);
    EXPECT_EQ(pairAt(cont, 4), 300);
    EXPECT_EQ(p->tSval(0), "1.50");
    EXPECT_EQ(p->tSlmt(0), "3.00");
    EXPECT_GE(s.Chart->DpCnt(0), recordedRows);
    // The record goes on; no second continue.
    const int rows = int(fileLines(record).size());
    ASSERT_TRUE(waitFor([&] { return int(fileLines(record).size()) >= rows + 2; }));
    EXPECT_EQ(countOf(dev, 0x08), 1);
    EXPECT_EQ(countOf(dev, 0x01), 0);
    const QString log = errorLog().join('\n');
    EXPECT_FALSE(log.contains("ErrStart")) << log.toStdString();
    checkRecord(record, "QL-R11", "D-CC", 1.5);
    closeWindow(*w);
    dev.stop();
}

// A one-mode model whose replies report mode 1: every reply is a sample,
// the mode box shows no entry, the run is followed to its end and saved,
// and the log has one line about it.
TEST_F(EndToEnd, ARunInAModeOutsideTheListRunsToItsEndWithItsDataFile)
{
    DeviceSim dev(24, 300);
    dev.setCell(0, 4.2, 3.0, 0.05, 0.0008);
    dev.forceMode(0, 1);
    autoSave();
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    ql::DevCtrl* p = s.Panel;
    const auto& u = p->ui();
    ASSERT_EQ(p->ModeCnt(), 1);
    EXPECT_EQ(p->ModeIdx(), -1);
    u.cmbMode->setCurrentIndex(0);
    emit u.cmbMode->activated(0);
    startRun(*w, "1.000", "3.00");
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 1; }));
    EXPECT_EQ(p->ModeIdx(), -1);
    EXPECT_NEAR(num(p->tCur(0)), 1.0, 0.011);
    const QString record = recordOf(*w);
    ASSERT_TRUE(waitFor([&] { return fileLines(record).size() >= 7; }));  // a row recorded
    dev.step(3.0);  // three seconds of device time at once: the cell runs out
    ASSERT_TRUE(waitFor([&] { return !dev.channel(0).running; }));
    ASSERT_TRUE(waitFor([&] { return !inside(w).link().ch(0, 0).Running && !dataFiles().isEmpty(); }));
    ASSERT_EQ(dataFiles().size(), 1);
    EXPECT_GE(checkDataFile(home() + "/Data/" + dataFiles()[0], s, 0, "QL-R24"), 1);
    EXPECT_GE(fileLines(record).size(), 7);
    const QStringList log = errorLog();
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].contains("[ErrComm]") && log[0].contains("mode 1")) << log[0].toStdString();
    closeWindow(*w);
    dev.stop();
}

// While connected the port field takes no input, and the record is named
// by the port that is open.
TEST_F(EndToEnd, ThePortFieldIsLockedWhileConnected)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    EXPECT_FALSE(u.cmbPort->isEnabled());
    u.cmbPort->setFocus();
    QTest::keyClicks(u.cmbPort, "/../../x");
    EXPECT_EQ(p->tPort(), "COM3");
    u.cmbPort->setEditText("COM3/../../x");  // even a text set behind its back
    startRun(*w, "1.00", "3.00");
    const QString record = recordOf(*w);
    EXPECT_EQ(record, home() + "/ql-QL-R11-COM3-1-1.bak");
    ASSERT_TRUE(settleDisk());  // named on the file queue
    EXPECT_TRUE(QFile::exists(record));
    stopRun(*w);
    u.cmdConn->click();
    EXPECT_FALSE(p->Conn());
    EXPECT_TRUE(u.cmbPort->isEnabled());
    closeWindow(*w);
    dev.stop();
}

// A run already going on the device when the program connects: the panel
// shows the values the device echoes, and the run is followed from there.
// On a load that resolves 1 mA the echoed set value keeps its last digit:
// Set without an edit sends exactly what the device has.
TEST_F(EndToEnd, RunFoundGoingAtConnectIsSetAsTheDeviceHasIt)
{
    DeviceSim dev(18, 300);
    dev.reportRun(0, 0, 125, 3000);  // 0.125 A, 3.000 V
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    // The device's first running reply is an info reply, without echoes.
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running && p->tSval(0) == "0.125"; }))
        << p->tSval(0).toStdString();
    EXPECT_EQ(p->tSlmt(0), "3.000");
    EXPECT_TRUE(p->StopEnable());

    dev.clearRecorded();
    u.optChn0->setChecked(true);
    ASSERT_TRUE(waitFor([&] { return u.cmdSet2S->isEnabled(); }));
    u.cmdSet2S->click();
    ASSERT_TRUE(waitFor([&] { return countOf(dev, 0x07) == 1; }));
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();
    EXPECT_EQ(dev.channel(0).setRaw, 125);
    EXPECT_EQ(dev.channel(0).lmtRaw, 3000);
    closeWindow(*w);
    dev.stop();
}

// A record that cannot be written (a folder stands in its place) never stops
// the run; the information list says so once, below its fixed lines.
TEST_F(EndToEnd, UnwritableRecordIsShownInTheInformationList)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    ASSERT_TRUE(QDir().mkpath(recordOf(*w)));
    const int fixed = s.lstInfo->count();
    startRun(*w, "1.00", "3.00");
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 3; }));
    ASSERT_TRUE(waitFor([&] { return s.lstInfo->count() > fixed; }));
    EXPECT_EQ(s.lstInfo->item(fixed)->text(), " Device1: Record write failed");
    // The record is tried again while the run goes on, and says so once.
    const int seconds = inside(w).link().ch(0, 0).RunSecs.load();
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= seconds + 3; }));
    EXPECT_EQ(s.lstInfo->count(), fixed + 1);
    EXPECT_TRUE(dev.channel(0).running);
    closeWindow(*w);
    dev.stop();
}
