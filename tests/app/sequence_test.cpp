// The auto test and the step test driven through the real panels of the
// main window against a simulated device on a pseudo-terminal.
#include "apptest.h"

#include "../sim/devsim.h"
#include "controls/flexgrid.h"
#include "panel/stepedit.h"
#include "platform/services.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <iostream>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// Start (0x01), set (0x07) and stop (0x02) frames as "op:value" texts, in
// the order the device received them.
QStringList runFrames(const DeviceSim& dev)
{
    QStringList out;
    for (const QByteArray& f : dev.received()) {
        const int op = opOf(f);
        if (op == 0x01 || op == 0x07)
            out << QStringLiteral("%1:%2").arg(op == 0x01 ? "start" : "set").arg(pairAt(f, 2));
        else if (op == 0x02)
            out << QStringLiteral("stop");
    }
    return out;
}

class Sequences : public DeviceAppTest {
protected:
    // Gives the cycle page's one-second tick n times by hand; its timer must
    // be on.
    static void tickSteps(ql::DevCtrl& p, int n)
    {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(p.ui().tmrStep->isActive());
            emit p.StepTmrOn(0);
        }
    }
};

} // namespace

// An auto test of three steps of one second each: the device is started at
// the first value, set to each later one (exactly, on a type-5 charger that
// resolves 1 mA) and stopped after the last; the panel's set field shows
// each value as it is sent; the result list has a row per step, opens full
// size once the test is over, and is saved where the user says.
TEST_F(Sequences, AutoTestStepsTheLoadAndSavesItsResults)
{
    struct Case {
        int type, port;
        const char *from, *to, *step;
        QStringList sent;   // the start's and the sets' values, in device units
        QStringList shown;  // the set field and the result rows
        int entries;        // the first value's list: 0.1 .. 10.0 A for the load
    } cases[] = {
        {11, 3, "1.0", "2.0", "0.5", {"start:100", "set:150", "set:200", "stop"}, {"1.00", "1.50", "2.00"}, 100},
        {5, 8, "0.125", "0.155", "0.015", {"start:125", "set:140", "set:155", "stop"}, {"0.125", "0.140", "0.155"}, -1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        DeviceSim dev(k.type, 300);
        auto w = connectedWindow(dev, k.port, 10);
        ASSERT_TRUE(w);
        ql::SlotView& s = inside(w).slot(0);
        ql::DevCtrl* p = s.Panel;
        const auto& u = p->ui();

        // The page was filled for the model when it was identified.
        if (k.entries > 0) {
            EXPECT_EQ(u.cmbC1Auto->count(), k.entries);
        }
        EXPECT_EQ(p->tAutoMode(), "D-CC");
        fillAutoTest(*p, k.from, k.to, k.step, "1", "2.50");
        QStringList shown;  // what the set field shows from the start on
        QObject::connect(u.txtSval, &QLineEdit::textChanged, u.txtSval, [&](const QString& t) { shown << t; });
        dev.clearRecorded();
        // The page's one-second tick is given by hand, each once the
        // readouts show what the device was last sent: a step's row takes
        // the readings of its last tick.
        u.tmrAuto->setInterval(3600 * 1000);
        const ql::ChanState& c = inside(w).link().ch(0, 0);
        const auto tickWhenShowing = [&](const QString& amps) {
            ASSERT_TRUE(waitFor([&] { return c.Running && std::fabs(c.CurShown - amps.toFloat()) < 0.0005f; }))
                << c.CurShown << " " << runFrames(dev).join(' ').toStdString();
            ASSERT_TRUE(u.tmrAuto->isActive());
            emit p->AutoTmrOn(0);
        };
        u.cmdStartAuto->click();
        ASSERT_TRUE(inside(w).autoTest().at(0).AutoOn) << prompt.texts().join('|').toStdString();
        EXPECT_TRUE(inside(w).link().slot[0].AutoRunning);
        EXPECT_EQ(p->AutoCmd(), "Stop");
        ASSERT_TRUE(waitFor([&] { return dev.channel(0).running; }));
        EXPECT_EQ(dev.channel(0).lmtRaw, 250);
        tickWhenShowing(k.shown[0]);

        // While it runs the result list does not open full size.
        ASSERT_TRUE(waitFor([&] { return runFrames(dev).size() >= 2; })) << runFrames(dev).join(' ').toStdString();
        emit u.gridAutoRun->DblClick();
        EXPECT_FALSE(s.gridAutolist->isVisible());
        EXPECT_TRUE(p->isVisible());
        tickWhenShowing(k.shown[1]);
        tickWhenShowing(k.shown[2]);

        EXPECT_FALSE(inside(w).autoTest().at(0).AutoOn);
        EXPECT_FALSE(u.tmrAuto->isActive());
        EXPECT_FALSE(inside(w).link().slot[0].AutoRunning);
        EXPECT_EQ(p->AutoCmd(), "Start");
        ASSERT_TRUE(waitFor([&] { return !dev.channel(0).running && !inside(w).link().ch(0, 0).Running; }));

        // Start, the later steps, then stop; the value past the end is never sent.
        EXPECT_EQ(runFrames(dev), k.sent);
        shown.removeDuplicates();
        EXPECT_EQ(shown, k.shown);

        // One row per step with the readings of its last tick (the current
        // to 10 mA).
        ASSERT_GE(p->AutoRunCnt(), 4);
        for (int r = 1; r <= 3; ++r) {
            EXPECT_EQ(p->tAutoRun(r, 0), QString::number(r));
            EXPECT_NEAR(p->tAutoRun(r, 1).toDouble(), k.shown[r - 1].toDouble(), 0.0051) << r;
            const double v = p->tAutoRun(r, 2).toDouble();
            EXPECT_GT(v, 3.0);
            EXPECT_LT(v, 4.3);
            EXPECT_NEAR(p->tAutoRun(r, 3).toDouble(), v * k.shown[r - 1].toDouble(), 0.1) << r;
        }
        EXPECT_TRUE(p->tAutoRun(4, 1).isEmpty());

        // Full size after the test; a double click there goes back.
        emit u.gridAutoRun->DblClick();
        ASSERT_TRUE(s.gridAutolist->isVisible());
        EXPECT_FALSE(p->isVisible());
        EXPECT_FALSE(s.lstInfo->isVisible());
        for (int r = 0; r <= 3; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(s.gridAutolist->TextMatrix(r, c), p->tAutoRun(r, c)) << r << "," << c;
        EXPECT_TRUE(s.gridAutolist->TextMatrix(4, 1).isEmpty());
        emit s.gridAutolist->DblClick();
        EXPECT_FALSE(s.gridAutolist->isVisible());
        EXPECT_TRUE(p->isVisible());
        EXPECT_TRUE(s.lstInfo->isVisible());

        // Saved: the extension is added, the power column is left out.
        prompt.fileAnswer = home() + QStringLiteral("/result%1").arg(k.type);
        ASSERT_TRUE(u.cmdSave->isEnabled());
        u.cmdSave->click();
        ASSERT_TRUE(settleDisk());
        const QStringList lines = fileLines(prompt.fileAnswer + ".csv");
        ASSERT_EQ(lines.size(), 7) << lines.join('\n').toStdString();
        EXPECT_EQ(lines[0], "Device:" + inside(w).link().ch(0, 0).DevName);
        EXPECT_EQ(lines[1], "Mode:Auto Test");
        EXPECT_TRUE(lines[2].startsWith("----------"));
        for (int r = 0; r <= 3; ++r)
            EXPECT_EQ(lines[3 + r], QStringList({p->tAutoRun(r, 0), p->tAutoRun(r, 1), p->tAutoRun(r, 2)}).join(','));
        EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();

        closeWindow(*w);
        dev.stop();
        prompt.messages.clear();
    }
}

// A program of D-CC with a time limit, a wait, and D-CC again, written with
// the step editor, saved, cleared and opened again, then run: the device
// sees each start in order, each run stopped by the time limit, and the
// result list gets a row per step. The program counts the panel's
// one-second ticks; the test gives them.
TEST_F(Sequences, StepProgramFromTheEditorRunsStepByStep)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();

    // The editor: three steps, then OK.
    bool edited = false;
    editSteps(*w, [&](ql::frmSet& dlg) {
        // A second click while it is open opens no second editor (a second
        // one would wait here; it is closed after a while so the test ends).
        QTimer::singleShot(3000, &dlg, [] {
            for (QWidget* t : QApplication::topLevelWidgets())
                if (qobject_cast<ql::frmSet*>(t) && t->isVisible())
                    t->hide();
        });
        u.cmdSetStep->click();
        int open = 0;
        for (QWidget* t : QApplication::topLevelWidgets())
            open += qobject_cast<ql::frmSet*>(t) && t->isVisible() ? 1 : 0;
        if (open != 1 || !dlg.isVisible())
            return;
        const int wait = dlg.cmbMode->findText("Wait");
        edited = wait > 0 && enterStep(dlg, 0, "1.00", "2.50", "0.05") && enterStep(dlg, wait, "", "", "0.03") &&
                 enterStep(dlg, 0, "2.00", "2.50", "0.05");
    });
    ASSERT_TRUE(edited) << prompt.texts().join('|').toStdString();
    EXPECT_EQ(p->tStepSet(1, 1), "D-CC");
    EXPECT_EQ(p->tStepSet(2, 1), "Wait");
    EXPECT_EQ(p->tStepSet(3, 2), "2.00");
    EXPECT_EQ(p->tStepSet(4, 1), "");

    // Saved, cleared, opened again.
    reopenSteps(*w, "prog");
    ASSERT_EQ(p->tStepSet(1, 1), "D-CC");
    EXPECT_EQ(p->tStepSet(2, 4), "0.03");
    EXPECT_EQ(p->tStepSet(3, 2), "2.00");

    // The page's one-second tick is given by hand, each once the device has
    // answered what the last one sent.
    u.tmrStep->setInterval(3600 * 1000);
    const ql::ChanState& c = inside(w).link().ch(0, 0);
    const auto tick = [&](int n = 1) { tickSteps(*p, n); };
    const auto runReported = [&](bool on) {
        ASSERT_TRUE(waitFor([&] { return dev.channel(0).running == on && c.Running == on; }))
            << runFrames(dev).join(' ').toStdString();
    };
    dev.clearRecorded();
    u.cmdStartStep->click();
    ASSERT_TRUE(inside(w).stepTest().at(0).StepOn);
    EXPECT_EQ(p->StepCmd(), "Stop");
    EXPECT_FALSE(u.cmdSetStep->isEnabled());
    tick();  // step 1 starts
    runReported(true);
    EXPECT_EQ(dev.channel(0).setRaw, 100);
    dev.step(360);  // six minutes of device time: 0.1 Ah out in the first step
    ASSERT_TRUE(waitFor([&] { return c.Cap > 0.099f; }));
    tick(3);  // its time limit of three seconds stops it
    runReported(false);
    tick(2);  // recorded; the wait of two seconds begins
    tick(2);
    EXPECT_EQ(runFrames(dev), (QStringList{"start:100", "stop"}));
    tick(2);  // recorded; step 3 starts
    runReported(true);
    tick(3);
    runReported(false);
    tick();  // recorded: the program is over

    EXPECT_FALSE(inside(w).stepTest().at(0).StepOn);
    EXPECT_FALSE(u.tmrStep->isActive());
    EXPECT_EQ(p->StepCmd(), "Start");
    EXPECT_TRUE(u.cmdSetStep->isEnabled());
    EXPECT_FALSE(inside(w).link().slot[0].StepRunning);
    EXPECT_FALSE(dev.channel(0).running);
    EXPECT_EQ(runFrames(dev), (QStringList{"start:100", "stop", "start:200", "stop"}));

    // A row per step: pass-row, kind, capacity and energy.
    ASSERT_GE(p->StepListCnt(), 4);
    EXPECT_EQ(p->tStepList(1, 0), "1-1");
    EXPECT_EQ(p->tStepList(1, 1), "D-CC");
    EXPECT_NEAR(p->tStepList(1, 2).toDouble(), 0.1, 0.005);
    EXPECT_EQ(p->tStepList(2, 0), "1-2");
    EXPECT_EQ(p->tStepList(2, 1), "Wait");
    EXPECT_EQ(p->tStepList(2, 2), "0");
    EXPECT_EQ(p->tStepList(3, 0), "1-3");
    EXPECT_LT(p->tStepList(3, 2).toDouble(), 0.01);  // the device's counters restart with each run
    EXPECT_EQ(p->tStepList(3, 1), "D-CC");
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();

    closeWindow(*w);
    dev.stop();
}

// The step editor, the step file and the start frame agree on what the
// limit is. A type-5 charger is sent a cell count in its charge profiles:
// the editor asks for "Cells:" (a Li-Po pack's end voltage typed there is
// refused), the file keeps the count, and the device is started with it. A
// type-7 charger is sent volts in C-CV: the editor asks for volts, and the
// device gets them with the cut-off current. DC5V of a type-5 charger is
// started with a cut-off current as its third value and zeros for the set
// value and limit, whose fields are greyed. The step test sets no time limit
// of its own on any of these steps.
TEST_F(Sequences, StepEditorAsksForWhatTheStartFrameSends)
{
    struct Case {
        int type, port;
        const char* mode;
        bool third;           // the limit is asked for in the third field
        const char* caption;  // that field's caption and unit
        const char* unit;
        const char* typed;  // what a user reads off a Li-Po cell, typed there
        const char* shown;  // what the field shows once left
        bool refused;
        const char* set;    // then entered (set value and limit where enabled)
        const char* limit;
        const char* cutoff;
        const char* fileLine;    // the limit's line in the step file
        int modeIndex, a, b, c;  // the start frame: mode index, values A, B and C
    } cases[] = {
        // 0.50 A in mA; one cell; minutes.
        {5, 5, "C-LiPo", false, "Cells:", "", "4.20", "1", true, "0.50", "1", "0", "013:1", 4, 500, 1, 0},
        // 0.50 A in 10 mA; 4.20 V in 10 mV; a cut-off current of 0.10 A.
        {7, 6, "C-CV", false, "Volt:", "V", "4.20", "4.20", false, "0.50", "4.20", "0.10", "013:4.20", 2, 50, 420, 10},
        // 0.5 A in the milliamperes the model resolves, not minutes.
        {5, 7, "DC5V", true, "Cutoff:", "A", "0.5", "0.500", false, "", "", "0.500", "014:0.500", 8, 0, 0, 500},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        DeviceSim dev(k.type, 300);
        auto w = connectedWindow(dev, k.port);
        ASSERT_TRUE(w);
        ql::DevCtrl* p = inside(w).slot(0).Panel;
        const auto& u = p->ui();

        QString caption, unit, shown;
        bool greyed = false, set = false;
        editSteps(*w, [&](ql::frmSet& dlg) {
            dlg.cmbMode->setCurrentIndex(dlg.cmbMode->findText(k.mode));
            QLineEdit* field = k.third ? dlg.txtLmt2 : dlg.txtLmt;
            caption = (k.third ? dlg.lblLmt2 : dlg.lblLmt)->text();
            unit = (k.third ? dlg.lblLmt2t : dlg.lblLimit1t)->text();
            greyed = !dlg.txtSet->isEnabled() && !dlg.txtLmt->isEnabled();
            field->setText(k.typed);
            if (k.third)
                dlg.txtLmt2_LostFocus();
            else
                dlg.txtLmt_LostFocus();
            shown = field->text();
            set = enterStep(dlg, dlg.cmbMode->currentIndex(), k.set, k.limit, k.cutoff);
        });
        ASSERT_TRUE(set) << prompt.texts().join('|').toStdString();
        EXPECT_EQ(caption.toStdString(), k.caption);
        EXPECT_EQ(unit.toStdString(), k.unit);
        EXPECT_EQ(greyed, k.third);
        EXPECT_EQ(shown.toStdString(), k.shown);
        EXPECT_EQ(prompt.texts(), k.refused ? QStringList{"Setting value out of range!"} : QStringList{});
        EXPECT_EQ(p->tStepSet(1, k.third ? 4 : 3).toStdString(), k.third ? k.cutoff : k.limit);

        // Through the step file and back.
        const QString name = QStringLiteral("t%1").arg(k.port);
        reopenSteps(*w, name);
        const QStringList lines = fileLines(home() + "/" + name + ".stp");
        EXPECT_TRUE(lines.contains(QString::fromLatin1(k.fileLine))) << lines.join('|').toStdString();
        ASSERT_EQ(p->tStepSet(1, 1).toStdString(), k.mode);

        // Run: the start frame carries what the editor asked for. The
        // page's first tick, given by hand, starts the step.
        u.tmrStep->setInterval(3600 * 1000);
        dev.clearRecorded();
        u.cmdStartStep->click();
        ASSERT_TRUE(u.tmrStep->isActive());
        emit p->StepTmrOn(0);
        ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x01).isEmpty(); }));
        const QByteArray start = framesOf(dev, 0x01).first();
        EXPECT_EQ((uint8_t(start[1]) >> 4) % 10, k.modeIndex);
        EXPECT_EQ(pairAt(start, 2), k.a);
        EXPECT_EQ(pairAt(start, 4), k.b);
        EXPECT_EQ(pairAt(start, 6), k.c);
        EXPECT_EQ(inside(w).stepTest().at(0).StepLimit, 0);

        if (inside(w).stepTest().at(0).StepOn)
            u.cmdStartStep->click();
        closeWindow(*w);
        dev.stop();
        prompt.messages.clear();
    }
}

// A step test started while a single test runs takes that run as row 1:
// no step is loaded, the run goes on until the device ends it, whatever
// limit and kind of step the program before ended with (here a wait of two
// seconds), row 1's result gets the run's capacity, and the test goes on
// with row 2.
TEST_F(Sequences, StepTestStartedOnARunningChannelLetsTheDeviceEndTheRun)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 4);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    bool edited = false;
    editSteps(*w, [&](ql::frmSet& dlg) {
        const int wait = dlg.cmbMode->findText("Wait");
        edited = wait > 0 && enterStep(dlg, wait, "", "", "0.03") && enterStep(dlg, wait, "", "", "0.03");
    });
    ASSERT_TRUE(edited) << prompt.texts().join('|').toStdString();

    u.tmrStep->setInterval(3600 * 1000);
    const auto tick = [&](int n = 1) { tickSteps(*p, n); };
    // The program once through: two waits, then it stops by itself.
    u.cmdStartStep->click();
    for (int i = 0; i < 20 && inside(w).stepTest().at(0).StepOn; ++i)
        tick();
    ASSERT_FALSE(inside(w).stepTest().at(0).StepOn);
    ASSERT_EQ(p->tStepList(2, 1), "Wait");

    startRun(*w, "0.50", "2.50");
    dev.clearRecorded();
    u.cmdStartStep->click();
    ASSERT_TRUE(inside(w).stepTest().at(0).StepOn);
    tick(5);  // longer than the last wait
    const qsizetype replies = dev.sent().size();
    ASSERT_TRUE(waitFor([&] { return dev.sent().size() >= replies + 3 * 19; }));  // three more replies
    EXPECT_TRUE(p->StopEnable());
    EXPECT_EQ(runFrames(dev), QStringList{}) << runFrames(dev).join(' ').toStdString();
    ASSERT_TRUE(dev.channel(0).running);

    // The device ends the run when the cell is empty.
    dev.step(5 * 3600);
    const ql::ChanState& c = inside(w).link().ch(0, 0);
    ASSERT_TRUE(waitFor([&] { return !c.Running && c.Cap > 2.0f; }));
    tick();  // row 1 recorded
    EXPECT_NEAR(p->tStepList(1, 2).toDouble(), 2.5, 0.05);
    tick();  // row 2 loaded
    EXPECT_EQ(p->tStepList(2, 0), "1-2");
    EXPECT_EQ(p->tStepList(2, 1), "Wait");
    EXPECT_TRUE(inside(w).stepTest().at(0).StepOn);
    EXPECT_EQ(runFrames(dev), QStringList{});
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();

    u.cmdStartStep->click();
    closeWindow(*w);
    dev.stop();
}

// Under German and French locales (set up in this process as QApplication
// sets one up from the environment) the user types numbers with a decimal
// comma: a step of "0,1" min runs six seconds, its stop going out with the
// sixth tick; the auto test shows its set values with a point; and the
// automatic data file of the auto test's run has the same Mode line as
// under C.
TEST_F(Sequences, StepTimeSetValuesAndDataFileTheSameInEveryLocale)
{
    writeIni("[AUTO]\r\nSAVE=True\r\n");
    struct Case {
        const char* name;
        QChar mark;
        int port;
    } cases[] = {{"C.UTF-8", u'.', 3}, {"de_DE.UTF-8", u',', 4}, {"fr_FR.UTF-8", u',', 5}};
    QString cMode;  // the data file's Mode line under C
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        QL_UNDER_LOCALE(locale, QString::fromLatin1(k.name));
        const auto typed = [&](QString point) { return point.replace(u'.', k.mark); };
        DeviceSim dev(11, 300);
        auto w = connectedWindow(dev, k.port, 10);
        ASSERT_TRUE(w);
        ql::DevCtrl* p = inside(w).slot(0).Panel;
        const auto& u = p->ui();
        const ql::ChanState& c = inside(w).link().ch(0, 0);

        bool edited = false;
        editSteps(*w, [&](ql::frmSet& dlg) { edited = enterStep(dlg, 0, typed("1.00"), typed("2.50"), typed("0.1")); });
        ASSERT_TRUE(edited) << prompt.texts().join('|').toStdString();
        EXPECT_EQ(p->tStepSet(1, 2), "1.00");
        EXPECT_EQ(p->tStepSet(1, 4), "0.1");
        u.tmrStep->setInterval(3600 * 1000);
        dev.clearRecorded();
        u.cmdStartStep->click();
        tickSteps(*p, 1);  // the step starts
        ASSERT_TRUE(waitFor([&] { return dev.channel(0).running && c.Running; }));
        EXPECT_EQ(inside(w).stepTest().at(0).StepLimit, 6);
        tickSteps(*p, 5);
        EXPECT_EQ(inside(w).stepTest().at(0).StepSecs, 5);
        tickSteps(*p, 1);
        ASSERT_TRUE(waitFor([&] {
            return runFrames(dev) == QStringList({"start:100", "stop"});
        })) << runFrames(dev).join(' ').toStdString();
        ASSERT_TRUE(waitFor([&] { return !c.Running; }));
        tickSteps(*p, 1);  // recorded: the program is over
        EXPECT_FALSE(inside(w).stepTest().at(0).StepOn);

        // The step's data file goes: the auto test's may take its name (named by the second).
        ASSERT_TRUE(settleDisk());
        QDir data(home() + "/Data");
        for (const QString& f : data.entryList(QDir::Files))
            ASSERT_TRUE(data.remove(f));
        fillAutoTest(*p, "0.1", "0.3", "0.1", "1", typed("2.50"));
        QStringList shown;
        QObject::connect(u.txtSval, &QLineEdit::textChanged, u.txtSval, [&](const QString& t) { shown << t; });
        u.tmrAuto->setInterval(3600 * 1000);
        dev.clearRecorded();
        u.cmdStartAuto->click();
        ASSERT_TRUE(inside(w).autoTest().at(0).AutoOn) << prompt.texts().join('|').toStdString();
        for (const char* amps : {"0.10", "0.20", "0.30"}) {
            ASSERT_TRUE(
                waitFor([&] { return c.Running && std::fabs(c.CurShown - QString(amps).toFloat()) < 0.0005f; }));
            emit p->AutoTmrOn(0);
        }
        ASSERT_TRUE(waitFor([&] { return !c.Running; }));
        shown.removeDuplicates();
        EXPECT_EQ(shown, (QStringList{"0.10", "0.20", "0.30"}));
        EXPECT_EQ(p->tSlmt(0), "2.50");

        ASSERT_TRUE(settleDisk());
        const QStringList made = data.entryList(QDir::Files);
        ASSERT_EQ(made.size(), 1) << made.join(' ').toStdString();
        const QStringList lines = fileLines(data.filePath(made[0]));
        const QString mode = lines.filter(QRegularExpression("^Mode:")).value(0);
        EXPECT_FALSE(mode.contains(u','));
        if (cMode.isEmpty())
            cMode = mode;
        EXPECT_EQ(mode, cMode);
        EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();
        closeWindow(*w);
        dev.stop();
        prompt.messages.clear();
    }
    EXPECT_EQ(cMode, "Mode:D-CC  0.30A  2.50V");
}
