// The device panel as a user and the main window meet it: layouts, pages,
// events raised by real clicks, focus changes and timer ticks, and the
// members the host reads and writes.
#include "panel/devctrl.h"

#include "controls/flexgrid.h"
#include "controls/lcdisp.h"
#include "link/encode.h"
#include "link/frames.h"
#include "link/runtrack.h"
#include "link/state.h"
#include "recordvalues.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <stdexcept>

using namespace ql;

namespace {

constexpr int kSlot = 3;

// One shown panel per test, with the window active so focus moves.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = std::make_unique<DevCtrl>(kSlot);
        bind(links->slot[kSlot]);
        panel->show();
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    const DevCtrl::Controls& u() const { return panel->ui(); }

    // Shows a host's record from now on.
    void bind(SlotState& r)
    {
        panel->setRecord(r);
        bound = &r;
    }
    // The model's modes as the reply decoder writes them, shown.
    void showModes(const QStringList& modes)
    {
        bound->ModeList = modes;
        panel->ShowModeList();
    }

    // The args of every emission of a signal spy, as ints.
    static std::vector<std::vector<int>> calls(const QSignalSpy& spy)
    {
        std::vector<std::vector<int>> out;
        for (const auto& args : spy) {
            std::vector<int> row;
            for (const auto& a : args)
                row.push_back(a.toInt());
            out.push_back(row);
        }
        return out;
    }

    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    // Clicks the tab whose key is given.
    void clickTab(int index)
    {
        QTabBar* t = u().tabDev;
        QTest::mouseClick(t, Qt::LeftButton, {}, t->tabRect(index).center());
    }

    // The pages, by key, in tab order.
    void tabs(const std::vector<const char*>& keys)
    {
        panel->TabClear();
        int position = 1;
        for (const char* key : keys)
            panel->TabAdd(position++, QString::fromLatin1(key));
    }

    // A two-channel panel as the host sets one up for a two-channel model.
    void makeTwoChannel()
    {
        panel->setDev2S(true);
        showModes({QStringLiteral("D-CC"), QStringLiteral("D-CP")});
        tabs({"key1", "key2"});
    }

    std::unique_ptr<LinkState> links = std::make_unique<LinkState>();  // outlives the panel
    SlotState* bound = nullptr;
    std::unique_ptr<DevCtrl> panel;
};

using Calls = std::vector<std::vector<int>>;

// A new panel offers a connect and the single test; nothing else answers a
// click, no timer ticks, and the fields take what is typed.
TEST_F(PanelTest, ANewPanelOffersOnlyConnectAndTakesTypedValues)
{
    EXPECT_EQ(u().tabDev->count(), 1);
    EXPECT_EQ(panel->Test(), 1);
    EXPECT_TRUE(u().frmRun->isVisible());
    EXPECT_FALSE(u().frmRun2S->isVisible());

    QSignalSpy conn(panel.get(), &DevCtrl::ConnClick);
    std::vector<std::unique_ptr<QSignalSpy>> others;
    for (auto sig : {&DevCtrl::RunClick, &DevCtrl::StopClick, &DevCtrl::ContClick, &DevCtrl::SetClick,
                     &DevCtrl::MonitorClick, &DevCtrl::TmrCurveOn, &DevCtrl::TmrShowOn})
        others.push_back(std::make_unique<QSignalSpy>(panel.get(), sig));
    QSignalSpy autoTick(panel.get(), &DevCtrl::AutoTmrOn), stepTick(panel.get(), &DevCtrl::StepTmrOn);
    for (QPushButton* b : {u().cmdRun, u().cmdStop, u().cmdCont, u().cmdSet, u().cmdMonitor, u().cmdConn})
        click(b);
    EXPECT_EQ(calls(conn), (Calls{{kSlot}}));

    click(u().txtSval);
    QTest::keyClicks(u().txtSval, "1.25");
    EXPECT_EQ(panel->tSval(0), QStringLiteral("1.25"));
    EXPECT_EQ(panel->tSval(1), QStringLiteral("1.25"));  // one set of fields for both channels
    EXPECT_EQ(panel->record().chn[0].SvalText, QStringLiteral("1.25"));

    // Nothing ticks meanwhile: a timer of our own fires a few times first.
    QTimer probe;
    int probes = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] { ++probes; });
    probe.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probes >= 5; }, 5000));
    for (const auto& spy : others)
        EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(autoTick.count() + stepTick.count(), 0);
}

// The panel shows its slot's record and keeps it: what the program sets,
// what the user types or chooses and what each layout shows when it comes
// to the front.
TEST_F(PanelTest, TheRecordHoldsWhatThePanelShowsAndTakes)
{
    auto st = std::make_unique<LinkState>();
    SlotState& rec = st->slot[kSlot];
    panel->setTSval(0, QStringLiteral("0.75"));
    bind(rec);
    EXPECT_EQ(rec.chn[0].SvalText, QStringLiteral("0.75"));  // taken from the panel
    EXPECT_FALSE(rec.Dev2S);

    click(u().txtSlmt);
    QTest::keyClicks(u().txtSlmt, "4.2");
    EXPECT_EQ(rec.chn[0].SlmtText, QStringLiteral("4.2"));
    panel->setTStim(1, QStringLiteral("30"));  // channel 1 on the single layout: the one field
    EXPECT_EQ(rec.chn[0].StimText, QStringLiteral("30"));
    EXPECT_EQ(u().txtStim->text(), QStringLiteral("30"));
    rec.chn[0].SvalText = QStringLiteral("2.00");  // written by the link, then shown
    panel->ShowFields(0);
    EXPECT_EQ(u().txtSval->text(), QStringLiteral("2.00"));

    panel->setRunEnable(true);
    EXPECT_TRUE(rec.RunEnable);
    panel->setTmrCurveEnable(1, true);
    EXPECT_TRUE(rec.chn[1].CurveOn);
    EXPECT_TRUE(u().tmrCurve[1]->isActive());
    panel->setTmrCurveEnable(1, false);

    makeTwoChannel();
    EXPECT_TRUE(rec.Dev2S);
    EXPECT_FALSE(rec.RunEnable);                // the two-channel Start button is off
    EXPECT_EQ(rec.chn[0].SvalText, QString());  // the two-channel fields are their own
    click(u().txtSval2S[1]);
    QTest::keyClicks(u().txtSval2S[1], "0.5");
    EXPECT_EQ(rec.chn[1].SvalText, QStringLiteral("0.5"));
    EXPECT_EQ(rec.chn[0].SvalText, QString());
    click(u().optChn1);
    EXPECT_EQ(rec.ChnSel, 1);
    click(u().optChn2);
    EXPECT_EQ(rec.ChnSel, 0);
    panel->setTMode(QStringLiteral("D-CP"));
    EXPECT_EQ(rec.ModeText, QStringLiteral("D-CP"));
    panel->setTMode(QString());
    EXPECT_EQ(rec.ModeText, QString());
    panel->setLSvalt(1, QStringLiteral("W"));
    EXPECT_EQ(rec.chn[1].SvalUnit, QStringLiteral("W"));
    EXPECT_EQ(u().lblSval2St[1]->text(), QStringLiteral("W"));

    // Back to one channel: the single layout's fields as it left them.
    panel->setDev2S(false);
    EXPECT_FALSE(rec.Dev2S);
    EXPECT_EQ(rec.ChnSel, 0);
    EXPECT_EQ(rec.chn[0].SvalText, QStringLiteral("2.00"));
    EXPECT_EQ(rec.chn[0].SlmtText, QStringLiteral("4.2"));
    EXPECT_EQ(rec.ModeText, QString());
    EXPECT_TRUE(rec.RunEnable);
    panel.reset();  // the panel goes before the record
}

// The step program's grid numbers its ten rows, fits its columns without a
// scroll bar, and a clear keeps header, numbering and row count.
// Properties of the panel that the program itself does not set today, used
// as a form using the panel would: the run flag per channel, the limit's unit
// caption, the connect button's state and the logo picture.
TEST_F(PanelTest, RunFlagUnitCaptionConnectStateAndLogoAsAFormSetsThem)
{
    panel->setRun(1, true);
    EXPECT_TRUE(panel->Run(1));
    EXPECT_FALSE(panel->Run(0));
    EXPECT_THROW(panel->setRun(2, true), std::out_of_range);
    panel->setDev2S(true);
    panel->setLSlmtt(1, QStringLiteral("Cells"));
    EXPECT_EQ(u().lblSlmt2St[1]->text(), QStringLiteral("Cells"));
    EXPECT_EQ(bound->chn[1].SlmtUnit, QStringLiteral("Cells"));
    EXPECT_EQ(panel->lSlmtt(1), QStringLiteral("Cells"));
    panel->setConnEnable(false);
    EXPECT_FALSE(u().cmdConn->isEnabled());
    EXPECT_FALSE(panel->ConnEnable());
    panel->setConnEnable(true);
    EXPECT_TRUE(u().cmdConn->isEnabled());

    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("logo.png"));
    QImage red(40, 20, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(logo));
    const qint64 before = u().imgLogo->pixmap().cacheKey();
    EXPECT_FALSE(panel->setImageLogo(dir.filePath(QStringLiteral("missing.png"))));
    EXPECT_EQ(u().imgLogo->pixmap().cacheKey(), before);
    ASSERT_TRUE(panel->setImageLogo(logo));
    const QImage shown = u().imgLogo->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
}

TEST_F(PanelTest, StepGridClearKeepsHeaderAndNumbering)
{
    EXPECT_EQ(u().gridStepSet->Rows(), 11);
    for (int r = 1; r <= 10; ++r)
        EXPECT_EQ(panel->tStepSet(r, 0), QString::number(r));
    EXPECT_EQ(u().gridStepSet->width(), u().gridStepSet->contentWidth());

    // Clearing the step program keeps header, numbering and row count.
    panel->StepSetAdd();
    panel->setTStepSet(3, 1, QStringLiteral("D-CC"));
    panel->setTStepSet(11, 0, QStringLiteral("11"));
    panel->StepSetClr();
    EXPECT_EQ(u().gridStepSet->Rows(), 12);
    EXPECT_EQ(panel->tStepSet(3, 1), QString());
    EXPECT_EQ(panel->tStepSet(11, 0), QString());
    EXPECT_EQ(panel->tStepSet(10, 0), QStringLiteral("10"));
    EXPECT_EQ(panel->tStepSet(0, 1), QStringLiteral("Mode"));

    EXPECT_THROW(panel->tStepSet(12, 0), std::out_of_range);
    EXPECT_THROW(panel->tAutoRun(0, 4), std::out_of_range);
}

TEST_F(PanelTest, AutoAndStepListsGrowAsRowsAreAdded)
{
    // The current row is numbered by each write.
    panel->AutoListAdd();
    panel->AutoListAdd();
    EXPECT_EQ(panel->AutoRow(), 3);
    panel->setTAutoList(2, QStringLiteral("1.234"));
    EXPECT_EQ(panel->tAutoRun(3, 2), QStringLiteral("1.234"));
    EXPECT_EQ(panel->tAutoRun(3, 0), QStringLiteral("3"));
    EXPECT_EQ(panel->tAutoList(2), QStringLiteral("1.234"));

    panel->AutoListClr();
    EXPECT_EQ(panel->AutoRow(), 1);
    EXPECT_EQ(panel->tAutoRun(3, 2), QString());
    EXPECT_EQ(panel->tAutoRun(0, 1), QStringLiteral("Curr(A)"));
    for (int i = 0; i < 11; ++i)
        panel->AutoListAdd();
    EXPECT_EQ(panel->AutoRow(), 12);
    EXPECT_EQ(panel->AutoRunCnt(), 13);
    panel->setTAutoList(1, QStringLiteral("9.9"));  // the newest row exists
    EXPECT_EQ(panel->tAutoRun(12, 0), QStringLiteral("12"));

    panel->StepListClr();
    for (int i = 0; i < 5; ++i)
        panel->StepListAdd();
    EXPECT_EQ(panel->StepRow(), 6);
    EXPECT_EQ(panel->StepListCnt(), 9);
    panel->StepListAdd();
    EXPECT_EQ(panel->StepListCnt(), 10);
    panel->setTStepList(3, QStringLiteral("1.5Wh"));
    EXPECT_EQ(panel->tStepList(7, 3), QStringLiteral("1.5Wh"));
    panel->StepListClr();
    EXPECT_EQ(panel->StepListCnt(), 9);
    EXPECT_EQ(panel->StepRow(), 1);

    // A step's colour marks column 0 of its row and makes it current.
    panel->setStepColor(4, 0x0000FF00);
    EXPECT_EQ(u().gridStepSet->CellBackColor(4, 0), 0x0000FF00);
    EXPECT_EQ(u().gridStepSet->Row(), 4);
    EXPECT_EQ(u().gridStepSet->Col(), 0);
}

// Each tab's key chooses its page: "key2" the auto test, "key3" the cycle
// test, anything else the single test; Test() tells the kind in front, a
// key that names no page counting as the third.
TEST_F(PanelTest, TabKeysChooseThePages)
{
    panel->TabClear();
    EXPECT_EQ(u().tabDev->count(), 0);
    const struct {
        std::vector<const char*> keys;
        int tab, test, page;
    } cases[] = {{{"key1", "key3"}, 0, 1, 0},        {{"key1", "key3"}, 1, 3, 2},
                 {{"key1", "key2", "key3"}, 1, 2, 1}, {{"key1", "key2", "key3"}, 2, 3, 2},
                 {{"key1", "other"}, 1, 3, 0}};
    const std::map<QString, QString> captions{{"key2", "Auto Test"}, {"key3", "Cycle Test"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys.at(size_t(c.tab)));
        tabs(c.keys);
        ASSERT_EQ(u().tabDev->count(), int(c.keys.size()));
        for (size_t i = 0; i < c.keys.size(); ++i) {
            if (const auto it = captions.find(c.keys[i]); it != captions.end()) {
                EXPECT_EQ(u().tabDev->tabText(int(i)), it->second);
            }
        }
        clickTab(c.tab);
        EXPECT_EQ(panel->Test(), c.test);
        for (int page = 0; page < 3; ++page)
            EXPECT_EQ(u().frmDev[size_t(page)]->isVisible(), page == c.page) << page;
    }

    EXPECT_THROW(panel->TabAdd(5, QStringLiteral("key3")), std::out_of_range);
    EXPECT_THROW(panel->TabAdd(1, QStringLiteral("key1")), std::invalid_argument);
}

TEST_F(PanelTest, LayoutSwitchKeepsEachVariantsTexts)
{
    panel->setTSval(0, QStringLiteral("1.50"));
    panel->setTSlmt(1, QStringLiteral("3.00"));  // chn is ignored in the single layout
    EXPECT_EQ(panel->tSlmt(0), QStringLiteral("3.00"));
    EXPECT_EQ(panel->tSval(1), QStringLiteral("1.50"));
    panel->setLSvalt(0, QStringLiteral("W"));

    panel->setDev2S(true);
    EXPECT_TRUE(u().frmRun2S->isVisible());
    EXPECT_TRUE(u().frmCtrl2S->isVisible());
    EXPECT_FALSE(u().frmRun->isVisible());
    EXPECT_FALSE(u().frmCtrl->isVisible());
    // The two-channel fields are their own, one per channel.
    EXPECT_EQ(panel->tSval(0), QString());
    panel->setTSval(0, QStringLiteral("0.50"));
    panel->setTSval(1, QStringLiteral("0.70"));
    EXPECT_EQ(panel->tSval(0), QStringLiteral("0.50"));
    EXPECT_EQ(panel->tSval(1), QStringLiteral("0.70"));
    // Captions of channel 1 read back what was written for it; the visible
    // column keeps channel 0's.
    const QString caption0 = panel->lSlmt(0);
    panel->setLSlmt(1, QStringLiteral("Cutoff V:"));
    EXPECT_EQ(panel->lSlmt(1), QStringLiteral("Cutoff V:"));
    EXPECT_EQ(panel->lSlmt(0), caption0);
    EXPECT_NE(caption0, QStringLiteral("Cutoff V:"));
    EXPECT_THROW(panel->tSval(2), std::out_of_range);
    EXPECT_THROW(panel->setLSval(-1, QString()), std::out_of_range);
    EXPECT_THROW(panel->Run(2), std::out_of_range);

    // Readouts in the two-channel layout are plain texts, time unchanged.
    panel->setTTime(1, QStringLiteral("01:02:03"));
    EXPECT_EQ(u().txtTime2S[1]->text(), QStringLiteral("01:02:03"));
    panel->setTCur(1, QStringLiteral("2.50"));
    EXPECT_EQ(panel->tCur(1), QStringLiteral("2.50"));

    panel->setDev2S(false);
    EXPECT_TRUE(u().frmRun->isVisible());
    EXPECT_EQ(panel->tSval(0), QStringLiteral("1.50"));
    EXPECT_EQ(panel->lSvalt(0), QStringLiteral("W"));
}

TEST_F(PanelTest, SingleLayoutReadoutsAndColours)
{
    panel->setTTime(0, QStringLiteral("12:34:56"));
    EXPECT_EQ(u().lcdTime->Value(), QStringLiteral("12:34E+56"));
    EXPECT_EQ(panel->tTime(0), QStringLiteral("12:34:56"));
    panel->setTVol(0, QStringLiteral("12.34"));
    EXPECT_EQ(u().lcdVol->Value(), QStringLiteral("12.34"));
    EXPECT_EQ(panel->tVol(1), QStringLiteral("12.34"));

    panel->setVolColor(0x00123456);
    EXPECT_EQ(panel->VolColor(), 0x00123456u);
    EXPECT_EQ(u().lcdVol->SegmentLitColor(), 0x00123456u);
    EXPECT_EQ(u().lcdVol->SegmentLitColorNeg(), 0x00123456u);
    panel->setTimeColor(0x00000080);
    EXPECT_EQ(panel->TimeColor(), 0x00000080u);

    // In the two-channel layout the colour writes change nothing.
    panel->setDev2S(true);
    panel->setVolColor(0x00FFFFFF);
    panel->setCurColor(0x00FFFFFF);
    panel->setTimeColor(0x00FFFFFF);
    EXPECT_EQ(panel->VolColor(), 0x00123456u);
    EXPECT_EQ(panel->CurColor(), 0x000000FFu);
    EXPECT_EQ(panel->TimeColor(), 0x00000080u);
}

TEST_F(PanelTest, ListsAndChoices)
{
    panel->PortAdd(QStringLiteral("COM3"));
    panel->PortAdd(QStringLiteral("COM7"));
    EXPECT_EQ(panel->PortCnt(), 2);
    EXPECT_EQ(panel->PortList(1), QStringLiteral("COM7"));
    EXPECT_EQ(panel->tPort(), QString());  // adding chooses nothing
    panel->setTPort(QStringLiteral("COM7"));
    EXPECT_EQ(panel->tPort(), QStringLiteral("COM7"));
    panel->setTPort(QStringLiteral("COM12"));  // not listed: kept as typed
    EXPECT_EQ(panel->tPort(), QStringLiteral("COM12"));
    EXPECT_THROW(panel->PortList(2), std::out_of_range);
    panel->PortClr();
    EXPECT_EQ(panel->PortCnt(), 0);

    // The mode box shows the record's mode list, in the visible variant's
    // box only: "No Device" alone until a model's modes are there.
    EXPECT_EQ(panel->ModeCnt(), 1);
    EXPECT_EQ(panel->ModeTxt(0), QStringLiteral("No Device"));
    EXPECT_EQ(u().cmbMode->itemText(0), QStringLiteral("No Device"));
    QSignalSpy mode(panel.get(), &DevCtrl::ModeClick);
    showModes({QStringLiteral("D-CC"), QStringLiteral("D-CP")});
    EXPECT_EQ(panel->ModeIdx(), -1);
    EXPECT_EQ(u().cmbMode->count(), 2);
    EXPECT_EQ(panel->ModeTxt(1), QStringLiteral("D-CP"));
    EXPECT_THROW(panel->ModeTxt(2), std::out_of_range);
    EXPECT_EQ(u().cmbMode2S->count(), 0);
    // Choosing by program raises the mode click when the choice changes.
    panel->setTMode(QStringLiteral("D-CP"));
    EXPECT_EQ(panel->ModeIdx(), 1);
    EXPECT_EQ(panel->tMode(), QStringLiteral("D-CP"));
    panel->setTMode(QStringLiteral("D-CP"));
    panel->setTMode(QStringLiteral("Meter"));  // not in the list: nothing
    EXPECT_EQ(calls(mode), (Calls{{kSlot}}));
    EXPECT_EQ(panel->ModeIdx(), 1);
    // The count and entries are those of the box in front: the two-channel
    // box was never filled, and each box keeps its list through a switch.
    panel->setDev2S(true);
    EXPECT_EQ(panel->ModeCnt(), 0);
    EXPECT_THROW(panel->ModeTxt(0), std::out_of_range);
    showModes({QStringLiteral("D-CC")});
    EXPECT_EQ(u().cmbMode2S->count(), 1);
    EXPECT_EQ(panel->ModeCnt(), 1);
    EXPECT_EQ(u().cmbMode->count(), 2);
    panel->setDev2S(false);
    EXPECT_EQ(panel->ModeCnt(), 2);
    EXPECT_EQ(panel->ModeTxt(1), QStringLiteral("D-CP"));
    panel->setDev2S(true);

    // The auto page: its time list clears, its mode box stays hidden, and
    // minutes chosen by the program show as the minutes option.
    panel->AutoTimeAdd(QStringLiteral("10"));
    panel->AutoTimeClr();
    EXPECT_EQ(u().cmbTimeAuto->count(), 0);
    panel->AutoModeAdd(QStringLiteral("D-CC"));
    EXPECT_FALSE(u().cmbModeAuto->isVisible());
    panel->setAutoOptSec(false);
    EXPECT_TRUE(u().optAutoMin->isChecked());
    panel->setStepCmd(QStringLiteral("Stop"));
    EXPECT_EQ(u().cmdStartStep->text(), QStringLiteral("Stop"));

    panel->setConn(true);
    EXPECT_EQ(u().cmdConn->text(), QStringLiteral("Disconn"));
    panel->setRun(1, true);
    EXPECT_TRUE(panel->Run(1));
}

// The run buttons raise their events for the chosen channel: channel 0 in
// the single layout whatever the option says; in the two-channel layout the
// option's channel, "All Channel" both; a disabled button raises nothing.
TEST_F(PanelTest, RunButtonsRaiseTheirEventsForTheChosenChannel)
{
    using Sig = void (DevCtrl::*)(int, int);
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (Sig sig : {&DevCtrl::RunClick, &DevCtrl::StopClick, &DevCtrl::ContClick, &DevCtrl::SetClick,
                    &DevCtrl::MonitorClick})
        spies.push_back(std::make_unique<QSignalSpy>(panel.get(), sig));
    const auto press = [&](std::initializer_list<QPushButton*> buttons, const Calls& want) {
        for (QPushButton* b : buttons)
            click(b);
        for (auto& spy : spies) {
            EXPECT_EQ(calls(*spy), want) << spy->signal().toStdString();
            spy->clear();
        }
    };
    const auto enableAll = [&](bool on) {
        for (auto set : {&DevCtrl::setRunEnable, &DevCtrl::setStopEnable, &DevCtrl::setContEnable,
                         &DevCtrl::setSetEnable, &DevCtrl::setMonitorEnable})
            (panel.get()->*set)(on);
    };

    enableAll(true);
    u().optChn1->setChecked(true);
    EXPECT_EQ(panel->ChnIndex(), 0);
    press({u().cmdRun, u().cmdStop, u().cmdCont, u().cmdSet, u().cmdMonitor}, Calls{{kSlot, 0}});
    enableAll(false);
    press({u().cmdRun, u().cmdStop, u().cmdCont, u().cmdSet, u().cmdMonitor}, Calls{});

    makeTwoChannel();
    enableAll(true);
    EXPECT_FALSE(u().cmdRun->isEnabled());
    const struct {
        QRadioButton* option;
        QString chn;
        Calls want;
    } options[] = {{u().optChn0, "0", {{kSlot, 0}}}, {u().optChn1, "1", {{kSlot, 1}}},
                   {u().optChn2, "0", {{kSlot, 0}, {kSlot, 1}}}};
    for (const auto& o : options) {
        click(o.option);
        EXPECT_EQ(panel->chn(), o.chn);
        EXPECT_EQ(panel->AllChn(), o.want.size() == 2);
        press({u().cmdRun2S, u().cmdStop2S, u().cmdCont2S, u().cmdSet2S, u().cmdMonitor2S}, o.want);
    }

    panel->setChnEnable(false);
    for (QRadioButton* o : {u().optChn0, u().optChn1, u().optChn2})
        EXPECT_FALSE(o->isEnabled());
    panel->setChnEnable(true);
    EXPECT_TRUE(u().optChn2->isEnabled());
}

// "All Channel": channel 0 is handled, then what was queued runs, then
// channel 1.
TEST_F(PanelTest, AllChannelsLetQueuedWorkRunBetweenTheTwoHalves)
{
    makeTwoChannel();
    panel->setRunEnable(true);
    click(u().optChn2);
    std::vector<QString> order;
    QObject::connect(panel.get(), &DevCtrl::RunClick, panel.get(), [&](int slot, int chn) {
        EXPECT_EQ(slot, kSlot);
        order.push_back(QStringLiteral("run%1").arg(chn));
        if (chn == 0)
            QTimer::singleShot(0, panel.get(), [&] { order.push_back(QStringLiteral("queued")); });
    });
    click(u().cmdRun2S);
    EXPECT_EQ(order, (std::vector<QString>{"run0", "queued", "run1"}));
}

TEST_F(PanelTest, ModeChoiceByTheUserRaisesModeClick)
{
    showModes({QStringLiteral("D-CC"), QStringLiteral("D-CP")});
    QSignalSpy mode(panel.get(), &DevCtrl::ModeClick);
    QComboBox* c = u().cmbMode;
    c->setFocus();
    QTest::keyClick(c, Qt::Key_Down);  // chooses the next entry
    EXPECT_EQ(panel->ModeIdx(), 0);
    QTest::keyClick(c, Qt::Key_Down);
    EXPECT_EQ(panel->ModeIdx(), 1);
    EXPECT_EQ(calls(mode), (Calls{{kSlot}, {kSlot}}));

    makeTwoChannel();
    QTest::keyClick(u().cmbMode2S, Qt::Key_Down);
    EXPECT_EQ(mode.count(), 3);
    EXPECT_EQ(panel->tMode(), QStringLiteral("D-CC"));
}

// Leaving a field raises its event with the field's channel.
TEST_F(PanelTest, LeavingAFieldRaisesItsLostFocusEvent)
{
    QSignalSpy sval(panel.get(), &DevCtrl::SvalLostFocus);
    QSignalSpy slmt(panel.get(), &DevCtrl::SlmtLostFocus);
    QSignalSpy stim(panel.get(), &DevCtrl::StimLostFocus);
    QSignalSpy autoVol(panel.get(), &DevCtrl::AutoVolLostFocus);

    click(u().txtSval);
    EXPECT_TRUE(u().txtSval->hasFocus());
    QTest::keyClicks(u().txtSval, "1.5");
    click(u().txtSlmt);  // leaves the set value
    click(u().txtStim);  // leaves the limit
    QTest::keyClick(u().txtStim, Qt::Key_Tab);
    EXPECT_EQ(calls(sval), (Calls{{kSlot, 0}}));
    EXPECT_EQ(calls(slmt), (Calls{{kSlot, 0}}));
    EXPECT_EQ(calls(stim), (Calls{{kSlot, 0}}));
    EXPECT_EQ(panel->tSval(0), QStringLiteral("1.5"));

    // The host's handler sees the typed text when the event arrives.
    makeTwoChannel();
    QString seen;
    QObject::connect(panel.get(), &DevCtrl::SlmtLostFocus, panel.get(), [&](int, int c) { seen = panel->tSlmt(c); });
    click(u().txtSval2S[1]);
    click(u().txtSlmt2S[1]);
    QTest::keyClicks(u().txtSlmt2S[1], "4.2");
    click(u().txtStim2S[0]);
    click(u().txtSval2S[0]);
    EXPECT_EQ(calls(sval), (Calls{{kSlot, 0}, {kSlot, 1}}));
    EXPECT_EQ(calls(slmt), (Calls{{kSlot, 0}, {kSlot, 1}}));
    EXPECT_EQ(calls(stim), (Calls{{kSlot, 0}, {kSlot, 0}}));
    EXPECT_EQ(seen, QStringLiteral("4.2"));

    clickTab(1);  // the auto page
    click(u().txtVolAuto);
    click(u().cmbC2Auto);
    EXPECT_EQ(calls(autoVol), (Calls{{kSlot}}));
}

TEST_F(PanelTest, PageButtonsAndTheResultListRaiseTheirEvents)
{
    tabs({"key1", "key2", "key3"});

    QSignalSpy autoTest(panel.get(), &DevCtrl::AutoTestClick);
    QSignalSpy autoSave(panel.get(), &DevCtrl::AutoSaveClick);
    QSignalSpy autoList(panel.get(), &DevCtrl::AutoListClick);
    QSignalSpy stepTest(panel.get(), &DevCtrl::StepTestClick);
    QSignalSpy stepSet(panel.get(), &DevCtrl::StepSetClick);
    QSignalSpy stepSave(panel.get(), &DevCtrl::StepSaveClick);
    QSignalSpy stepClr(panel.get(), &DevCtrl::StepClrClick);
    QSignalSpy stepOpen(panel.get(), &DevCtrl::StepOpenClick);

    clickTab(1);
    click(u().cmdStartAuto);
    click(u().cmdSave);
    QWidget* vp = u().gridAutoRun->viewport();
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(20, 30));
    clickTab(2);
    click(u().cmdStartStep);
    click(u().cmdSetStep);
    click(u().cmdSaveStep);
    click(u().cmdClearStep);
    click(u().cmdOpenStep);

    for (const QSignalSpy* s : {&autoTest, &autoSave, &autoList, &stepTest, &stepSet, &stepSave, &stepClr, &stepOpen})
        EXPECT_EQ(calls(*s), (Calls{{kSlot}}));

    // The step buttons switch together; the step start button stays.
    panel->setStepEnable(false);
    for (QPushButton* b : {u().cmdSaveStep, u().cmdOpenStep, u().cmdClearStep, u().cmdSetStep})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(u().cmdStartStep->isEnabled());
    click(u().cmdSaveStep);
    EXPECT_EQ(stepSave.count(), 1);
}

// The six timers tick once a second whichever page is in front.
TEST_F(PanelTest, TimersRaiseTheirEventsWhileEnabled)
{
    // A panel on 20 ms timers; the program's panels tick every second.
    panel = std::make_unique<DevCtrl>(kSlot, nullptr, std::chrono::milliseconds(20));
    QSignalSpy curve(panel.get(), &DevCtrl::TmrCurveOn);
    QSignalSpy show(panel.get(), &DevCtrl::TmrShowOn);
    QSignalSpy autoTick(panel.get(), &DevCtrl::AutoTmrOn);
    QSignalSpy stepTick(panel.get(), &DevCtrl::StepTmrOn);

    panel->TabAdd(2, QStringLiteral("key3"));
    clickTab(1);  // page 0 is not in front
    panel->setTmrCurveEnable(1, true);
    panel->setTmrShowEnable(0, true);
    panel->setTmrShowEnable(1, true);
    panel->setAutoTmrEnable(true);
    panel->setStepTmrEnable(true);
    EXPECT_TRUE(panel->TmrCurveEnable(1));
    EXPECT_FALSE(panel->TmrCurveEnable(0));

    // Every enabled timer ticks with its slot and channel; the curve timer
    // of channel 0 stays silent.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return curve.count() >= 3 && show.count() >= 6 && autoTick.count() >= 3 && stepTick.count() >= 3;
    }, 8000));
    for (const auto& c : calls(curve))
        EXPECT_EQ(c, (std::vector<int>{kSlot, 1}));
    int showCh0 = 0, showCh1 = 0;
    for (const auto& c : calls(show)) {
        ASSERT_EQ(c.size(), 2u);
        EXPECT_EQ(c[0], kSlot);
        (c[1] == 0 ? showCh0 : showCh1) += 1;
    }
    EXPECT_GE(showCh0, 1);
    EXPECT_GE(showCh1, 1);
    EXPECT_EQ(showCh0 + showCh1, show.count());
    EXPECT_EQ(calls(autoTick)[0], std::vector<int>{kSlot});
    EXPECT_EQ(calls(stepTick)[0], std::vector<int>{kSlot});

    // Disabled, they fall silent: while curve 0 alone ticks three times no
    // other event comes.
    panel->setTmrCurveEnable(1, false);
    panel->setTmrShowEnable(0, false);
    panel->setTmrShowEnable(1, false);
    panel->setAutoTmrEnable(false);
    panel->setStepTmrEnable(false);
    EXPECT_FALSE(panel->AutoTmrEnable());
    const qsizetype others = show.count() + autoTick.count() + stepTick.count();
    curve.clear();
    panel->setTmrCurveEnable(0, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return curve.count() >= 3; }, 8000));
    for (const auto& c : calls(curve))
        EXPECT_EQ(c, (std::vector<int>{kSlot, 0}));
    EXPECT_EQ(show.count() + autoTick.count() + stepTick.count(), others);
    EXPECT_THROW(panel->setTmrShowEnable(2, true), std::out_of_range);
}

// What a user types reaches the start command unchanged.
TEST_F(PanelTest, StartFrameFromThePanelsFields)
{
    auto st = std::make_unique<LinkState>();
    SlotState& s = st->slot[kSlot];
    bind(s);
    s.DevType = 11;
    s.CurFactor = 100;
    s.VolFactor = 100;
    s.PwrFactor = 1;
    s.CvMode = 4;

    click(u().txtSval);
    QTest::keyClicks(u().txtSval, "1.5");
    click(u().txtSlmt);
    QTest::keyClicks(u().txtSlmt, "3");
    click(u().txtStim);
    QTest::keyClicks(u().txtStim, "0");
    const Encoded e = EncodeStart(s, 0, 1, RecordValues(s, 0));
    ASSERT_TRUE(e.frame) << e.error.toStdString();
    EXPECT_EQ(FrameBytes(*e.frame).toHex(' '), QByteArray("fa 01 00 96 01 3c 00 00 aa f8"));

    // Channel 1 of a two-channel panel: its own fields.
    makeTwoChannel();
    s.DevType = 17;
    panel->setTSval(1, QStringLiteral("0.125"));
    panel->setTSlmt(1, QStringLiteral("0.375"));
    panel->setTStim(1, QStringLiteral("2.5"));
    panel->setTSval(0, QStringLiteral("9"));
    EXPECT_EQ(EncodeStart(s, 1, 1, RecordValues(s, 1)).SetRaw, 12);
    panel.reset();
}

// The three pages and the two-channel layout as a person sees them, filled
// as during a run.
TEST_F(PanelTest, Pictures)
{
    const auto readouts = [&](int c, const char* vol, const char* cur, const char* pwr, const char* time) {
        panel->setTSval(c, QStringLiteral("1.00"));
        panel->setTSlmt(c, QStringLiteral("3.00"));
        panel->setTStim(c, QStringLiteral("0"));
        panel->setTVol(c, QString::fromLatin1(vol));
        panel->setTCur(c, QString::fromLatin1(cur));
        panel->setTPwr(c, QString::fromLatin1(pwr));
        panel->setTTime(c, QString::fromLatin1(time));
    };
    const auto offerRun = [&] {
        panel->setRunEnable(true);
        panel->setContEnable(true);
        panel->setMonitorEnable(true);
    };
    panel->PortAdd(QStringLiteral("COM3"));
    panel->setTPort(QStringLiteral("COM3"));
    panel->setConn(true);
    panel->setLedRecv(true);
    tabs({"key1", "key2", "key3"});
    showModes({"D-CC", "C-NiMh", "C-NiCD", "C-Liion", "C-LiFe", "C-VRLA", "C-CV"});
    panel->setTMode(QStringLiteral("D-CC"));
    readouts(0, "12.34", "01.00", "012.3", "01:23:45");
    offerRun();
    qltest::savePicture(panel.get(), QStringLiteral("panel-single"));

    clickTab(1);
    panel->setTAutoC1(QStringLiteral("0.10"));
    panel->setTAutoC2(QStringLiteral("1.00"));
    panel->setTAutoStep(QStringLiteral("0.10"));
    panel->setTAutoTime(QStringLiteral("10"));
    for (int i = 1; i <= 3; ++i) {
        panel->setTAutoList(1, QString::number(0.1 * i, 'f', 3));
        panel->setTAutoList(2, QString::number(12.0 - 0.05 * i, 'f', 3));
        panel->setTAutoList(3, QString::number(1.2 * i, 'f', 3));
        panel->AutoListAdd();
    }
    qltest::savePicture(panel.get(), QStringLiteral("panel-auto"));

    clickTab(2);
    const QStringList cells[] = {{"D-CC", "1.00", "3.00", "0"}, {"Wait", "60"}};
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= cells[r - 1].size(); ++c)
            panel->setTStepSet(r, c, cells[r - 1][c - 1]);
    panel->setStepColor(1, 0x0000FF00);
    qltest::savePicture(panel.get(), QStringLiteral("panel-cycle"));

    clickTab(0);
    makeTwoChannel();
    panel->setTMode(QStringLiteral("D-CC"));
    for (int c = 0; c < 2; ++c) {
        panel->setLSval(c, QStringLiteral("Test Val:"));
        panel->setLSlmt(c, QStringLiteral("Cutoff V:"));
        panel->setLStim(c, QStringLiteral("Time:"));
        panel->setLStimt(c, QStringLiteral("M"));
        readouts(c, "3.71", "1.00", "3.7", "00:12:05");
    }
    offerRun();
    EXPECT_TRUE(QFile::exists(qltest::savePicture(panel.get(), QStringLiteral("panel-two-channel"))));
}

} // namespace
