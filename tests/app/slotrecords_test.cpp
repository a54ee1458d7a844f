// What the main window decides from a slot's records while the panel only
// shows them: whether a disconnect asks to stop a run and stops it, the
// step results a data file holds, and the chart title the files and the
// title dialog take. Each case lets the screen disagree with
// the record (a button or a cell drawn otherwise) and expects the record to
// decide.
#include "apptest.h"

#include "../sim/devsim.h"
#include "app/slotview.h"
#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "link/counters.h"
#include "link/run_fakes.h"
#include "panel/devctrl.h"
#include "views/datafile.h"

#include <QFile>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

int stopsOf(const DeviceSim& dev) { return int(framesOf(dev, 0x02).size()); }

class SlotRecords : public DeviceAppTest {};

} // namespace

// A disconnect asks "Stop running?" while the record offers Stop: not for an
// idle panel whose Stop button is drawn enabled, and for a running one whose
// Stop button is drawn greyed; OK stops the run before the port closes.
TEST_F(SlotRecords, DisconnectAsksToStopWhileTheRecordOffersStop)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();

    u.cmdStop->setEnabled(true);
    prompt.messages.clear();
    u.cmdConn->click();
    ASSERT_FALSE(p->Conn());
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_EQ(stopsOf(dev), 0);

    connectDevice(*w, 0, dev, 3);
    startRun(*w, "1.00", "3.50");
    ASSERT_TRUE(inside(w).link().slot[0].StopEnable);
    u.cmdStop->setEnabled(false);
    prompt.messages.clear();
    prompt.answers = {ql::Prompter::IdOk};
    u.cmdConn->click();
    ASSERT_FALSE(p->Conn());
    EXPECT_EQ(prompt.texts(), QStringList{"Stop running?"});
    EXPECT_TRUE(waitFor([&] { return stopsOf(dev) == 1 && !dev.channel(0).running; }));
    EXPECT_FALSE(inside(w).link().slot[0].StopEnable);

    closeWindow(*w);
    dev.stop();
}

// "Save Data" on the cycle-test page writes the step results the slot's
// record holds, under the list's header row, whatever the result grid was
// drawn with since; an empty result list gives the run's summary lines.
TEST_F(SlotRecords, SaveDataWritesTheStepResultsOfTheRecord)
{
    DeviceSim dev(5, 300);
    auto w = connectedWindow(dev, 4);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    const int cycle = 2;
    ASSERT_EQ(u.tabDev->tabData(cycle).toString(), "key3");
    u.tabDev->setCurrentIndex(cycle);
    ASSERT_EQ(p->Test(), 3);

    prompt.fileAnswer = home() + "/empty.csv";
    inside(w).action("menuSaveData")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_TRUE(fileLines(home() + "/empty.csv").value(1).startsWith("Device:"));

    // Two results as the step test writes them.
    const QStringList first{"1-1", "D-CC", "0.025", "0.104"}, second{"1-2", "Wait", "0", "0"};
    p->StepListClr();
    for (int c = 0; c < 4; ++c)
        p->setTStepList(c, first[c]);
    p->StepListAdd();
    for (int c = 0; c < 4; ++c)
        p->setTStepList(c, second[c]);
    u.gridStepRun->setTextMatrix(1, 2, "9.999");  // drawn otherwise
    u.gridStepRun->setTextMatrix(3, 1, "C-CV");   // a row the program never wrote

    prompt.fileAnswer = home() + "/steps.csv";
    inside(w).action("menuSaveData")->trigger();
    ASSERT_TRUE(settleDisk());
    const QStringList lines = fileLines(home() + "/steps.csv");
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.mid(1, 4), (QStringList{"*Step,Mode,Capacity,Energy", "*1-1,D-CC,0.025,0.104", "*1-2,Wait,0,0",
                                            "Title:QL Tester Software"}));

    closeWindow(*w);
    dev.stop();
}

// The chart title is the slot's record: the title dialog offers the selected
// slot's and sets the double-clicked one's, a parameter file's "T:" line sets
// it, and Save Data and Save Parameter write it while the chart is drawn
// with another title. The chart draws what the dialog and the file set.
TEST_F(SlotRecords, TheChartTitleIsTheSlotsRecord)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(plug(dev, 5));
    auto w = startWindow();
    w->menuAddDev_Click();
    const ql::SlotState& zero = inside(w).link().slot[0];
    const ql::SlotState& one = inside(w).link().slot[1];
    ql::CurveGraph* chart0 = inside(w).slot(0).Chart;
    ql::CurveGraph* chart1 = inside(w).slot(1).Chart;
    EXPECT_EQ(one.TitleText, "QL Tester Software");
    EXPECT_EQ(chart1->TitleText(), "QL Tester Software");
    connectDevice(*w, 0, dev, 5);
    EXPECT_EQ(zero.TitleText, "QL Tester Software");

    // The dialog offers slot 0's record, not what its chart shows.
    inside(w).link().slot[0].TitleText = "zero";
    chart0->setTitleText("drawn");
    prompt.inputAnswer = "new";
    emit chart1->DblClick();
    EXPECT_EQ(prompt.inputDefault, "zero");
    EXPECT_EQ(one.TitleText, "new");
    EXPECT_EQ(chart1->TitleText(), "new");
    EXPECT_EQ(zero.TitleText, "zero");
    prompt.inputAnswer = "";  // an empty answer changes nothing
    inside(w).action("menuTitle")->trigger();
    EXPECT_EQ(zero.TitleText, "zero");

    // Open Parameter sets the record and the chart draws it.
    const QString device = inside(w).link().ch(0, 0).DevName;
    QFile cfg(home() + "/in.cfg");
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write(("b\r\nD:" + device + "\r\nT:From file\r\n").toUtf8());
    cfg.close();
    prompt.fileAnswer = cfg.fileName();
    inside(w).action("menuOpenCfg")->trigger();
    EXPECT_EQ(zero.TitleText, "From file");
    EXPECT_EQ(chart0->TitleText(), "From file");

    // Both files write the record while the chart shows something else.
    chart0->setTitleText("drawn only");
    prompt.fileAnswer = home() + "/data.csv";
    inside(w).action("menuSaveData")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(fileLines(home() + "/data.csv").value(8), "Title:From file");
    prompt.fileAnswer = home() + "/out.cfg";
    inside(w).action("menuSaveCfg")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(fileLines(home() + "/out.cfg").mid(1, 2), (QStringList{"D:" + device, "T:From file"}));

    closeWindow(*w);
    dev.stop();
}

namespace {

// The run code's host with no view for any slot, as for a slot the window
// has not made.
class NoViewHost final : public FakeHost {
public:
    using FakeHost::FakeHost;
    ql::RunViewIf& runView(int) override { return ql::NoSlotView::instance(); }
};

} // namespace

// Without a view the link still counts the run's points, averages them and
// writes them into the data file: its decisions read the channel's records.
TEST(SlotRecordsWithoutView, ARunIsCountedAveragedAndSavedFromItsRecord)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ql::Settings saved = ql::settings();
    ql::settings().AutoScale = true;
    auto st = std::make_unique<ql::LinkState>();
    ql::SecondTicker ticker{*st, ql::SecondTicker::Clock::duration::zero()};
    NoViewHost host{*st};
    ql::RunTracker tracker{*st, ticker, host, host};
    tracker.programDir = dir.path();
    ql::SlotState& s = st->slot[0];
    s.DevType = 11;
    s.MaxCur = 30;
    s.MinCur = 0.1f;
    s.MaxVol = 150;
    s.LastDisMode = 1;
    s.CvMode = 2;
    s.ModeText = QStringLiteral("D-CC");
    ql::ChanState& c = s.chn[0];
    c.DevName = QStringLiteral("QL-K01");
    c.SvalText = QStringLiteral("1.00");
    c.SlmtText = QStringLiteral("3.00");
    c.StimText = QStringLiteral("0");
    c.VoltText = QStringLiteral("4.20");
    c.VoltShown = 4.2f;
    ASSERT_TRUE(tracker.RunClick(0, 0));
    for (int t = 1; t <= 3; ++t) {
        ticker.SetCounters(0, 0, t, t);
        c.Volt = 4.0f;
        c.Cur = 1.0f;
        tracker.Track(0, 0, 1);
    }
    ql::settings() = saved;
    EXPECT_EQ(c.RunPoints(), 4);                    // the begin point and three samples
    EXPECT_EQ(c.AvgCell, QStringLiteral("4.07V"));  // over the points before the last sample
    ql::DataFileOptions o = ql::DataFileOptionsOf(s, 0, false);
    o.csv = true;
    const QStringList lines = ql::DataFileLines(c, o);
    EXPECT_EQ(lines.mid(11), QStringList({"0,1.00,4.200", "1,1.00,4.000", "2,1.00,4.000", "3,1.00,4.000"}));
}
