// The auto-test and cycle-test pages of the main window against a simulated
// device on a pseudo-terminal: what their fields say is what the device is
// sent, and their runs end with the slot's port.
#include "apptest.h"

#include "../sim/devsim.h"
#include "panel/stepedit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

int opOf(const QByteArray& f) { return uint8_t(f.at(1)) & 0x0F; }
int pairAt(const QByteArray& f, int pos) { return ql::sim::Pair(reinterpret_cast<const uint8_t*>(f.constData()) + pos); }

QList<QByteArray> framesOf(const DeviceSim& dev, int op)
{
    QList<QByteArray> out;
    for (const QByteArray& f : dev.received())
        if (opOf(f) == op)
            out << f;
    return out;
}

class TestPages : public DeviceAppTest {};

} // namespace

// DC5V of a type-5 charger is started with a cut-off current as its third
// value and zeros for the set value and limit. The step editor asks for
// exactly that current, the step file keeps it, and the device is started
// with it; the cycle test sets no time limit of its own on such a step.
TEST_F(TestPages, DC5VStepIsStartedWithTheCutOffCurrentTheEditorAskedFor)
{
    DeviceSim dev(5, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 7));
    dev.start(50);
    auto w = startWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    connectDevice(*w, 0, dev, 7);

    QString caption, unit, shown;
    bool setGreyed = false, limitGreyed = false, set = false;
    QTimer::singleShot(0, w.get(), [&] {
        ql::frmSet* dlg = shownWindow<ql::frmSet>();
        if (!dlg)
            return;
        dlg->cmbMode->setCurrentIndex(dlg->cmbMode->findText("DC5V"));
        caption = dlg->lblLmt2->text();
        unit = dlg->lblLmt2t->text();
        setGreyed = !dlg->txtSet->isEnabled();
        limitGreyed = !dlg->txtLmt->isEnabled();
        dlg->txtLmt2->setText("0.5");
        dlg->txtLmt2_LostFocus();
        shown = dlg->txtLmt2->text();
        set = dlg->cmdSet_Click();
        dlg->cmdOK->click();
    });
    u.cmdSetStep->click();  // returns once the editor is hidden
    ASSERT_TRUE(set) << prompt.texts().join('|').toStdString();
    EXPECT_EQ(caption, "Cutoff:");
    EXPECT_EQ(unit, "A");
    EXPECT_TRUE(setGreyed);
    EXPECT_TRUE(limitGreyed);
    EXPECT_EQ(shown, "0.500");  // the milliamperes the model resolves
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();

    // Through the step file and back.
    prompt.fileAnswer = home() + "/dc5v";
    u.cmdSaveStep->click();
    const QStringList lines = fileLines(home() + "/dc5v.stp");
    EXPECT_TRUE(lines.contains("011:8")) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains("014:0.500")) << lines.join('|').toStdString();
    u.cmdClearStep->click();
    prompt.fileAnswer = home() + "/dc5v.stp";
    u.cmdOpenStep->click();
    ASSERT_EQ(p->tStepSet(1, 1), "DC5V");

    u.tmrStep->setInterval(200);
    dev.clearRecorded();
    u.cmdStartStep->click();
    ASSERT_TRUE(inside(w).stepTest().at(0).StepOn) << prompt.texts().join('|').toStdString();
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x01).isEmpty(); }));
    const QByteArray start = framesOf(dev, 0x01).first();
    EXPECT_EQ((uint8_t(start[1]) >> 4) % 10, 8);
    EXPECT_EQ(pairAt(start, 2), 0);
    EXPECT_EQ(pairAt(start, 4), 0);
    EXPECT_EQ(pairAt(start, 6), 500);  // 0.5 A in milliamperes, not minutes
    EXPECT_EQ(inside(w).stepTest().at(0).StepLimit, 0);

    if (inside(w).stepTest().at(0).StepOn)
        u.cmdStartStep->click();
    closeWindow(*w);
    dev.stop();
}

// A type-5 charger resolves 1 mA. The auto test steps 0.125 A to 0.155 A by
// 15 mA: the device is started and set to each value exactly, and the
// panel's set field shows each value as it is sent.
TEST_F(TestPages, AutoTestOnAMilliampereModelSendsAndShowsEachValue)
{
    DeviceSim dev(5, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 8));
    dev.start(50);
    auto w = startWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    connectDevice(*w, 0, dev, 8);

    chooseText(u.cmbC1Auto, "0.125");
    chooseText(u.cmbC2Auto, "0.155");
    chooseText(u.cmbStepAuto, "0.015");
    chooseText(u.cmbTimeAuto, "1");
    u.optAutoSec->setChecked(true);
    typeInto(u.txtVolAuto, "2.50");
    u.tmrAuto->setInterval(200);
    QStringList shown;  // what the set field shows from the start on
    QObject::connect(u.txtSval, &QLineEdit::textChanged, u.txtSval, [&](const QString& t) { shown << t; });
    dev.clearRecorded();
    u.cmdStartAuto->click();
    ASSERT_TRUE(inside(w).autoTest().at(0).AutoOn) << prompt.texts().join('|').toStdString();
    ASSERT_TRUE(waitFor([&] { return !inside(w).autoTest().at(0).AutoOn; }, 15000));
    // The stop past the end is the last frame on the line: once the device
    // has it, it has every frame before it.
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x02).isEmpty(); }));

    const QList<QByteArray> starts = framesOf(dev, 0x01);
    ASSERT_EQ(starts.size(), 1);
    QStringList sent{QString::number(pairAt(starts[0], 2))};
    for (const QByteArray& f : framesOf(dev, 0x07))
        sent << QString::number(pairAt(f, 2));
    sent.removeDuplicates();  // a step's value may go out again on its first tick
    EXPECT_EQ(sent, (QStringList{"125", "140", "155"}));
    shown.removeDuplicates();
    EXPECT_EQ(shown, (QStringList{"0.125", "0.140", "0.155"}));
    EXPECT_EQ(framesOf(dev, 0x02).size(), 1);  // one stop
    EXPECT_TRUE(prompt.messages.empty()) << prompt.texts().join('|').toStdString();

    closeWindow(*w);
    dev.stop();
}

// A cycle test whose device is lost mid-step ends with the port: the page is
// back at "Start" with its buttons free, and when the adapter is plugged in
// again and connected, the program sends the device no start of its own.
TEST_F(TestPages, CycleTestEndsWhenTheAdapterIsLost)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 3));
    dev.start(50);
    auto w = startWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    connectDevice(*w, 0, dev, 3);

    // Two long D-CC steps.
    ql::StepTable& steps = inside(w).link().slot[0].Steps;
    for (int r = 1; r <= 2; ++r) {
        steps.at(r, 1) = "D-CC";
        steps.at(r, 2) = "1.00";
        steps.at(r, 3) = "2.50";
        steps.at(r, 4) = "60";
    }
    p->ShowSteps(steps);
    u.tmrStep->setInterval(100);
    u.cmdStartStep->click();
    ASSERT_TRUE(inside(w).stepTest().at(0).StepOn);
    ASSERT_TRUE(waitFor([&] { return dev.channel(0).running && inside(w).link().ch(0, 0).Running; }));

    dev.unplug();
    ASSERT_TRUE(waitFor([&] { return !p->Conn(); }));
    EXPECT_FALSE(inside(w).stepTest().at(0).StepOn);
    EXPECT_FALSE(inside(w).link().slot[0].StepRunning);
    EXPECT_FALSE(u.tmrStep->isActive());
    EXPECT_EQ(p->StepCmd(), "Start");
    EXPECT_TRUE(u.cmdSetStep->isEnabled());

    // The device ran on; plugged in again and connected, the run is taken
    // up from its record and no step of the old program starts.
    ASSERT_TRUE(dev.plug(portsDir(), 3));
    dev.start(50);
    dev.clearRecorded();
    u.cmdConn->click();
    ASSERT_TRUE(p->Conn());
    ASSERT_TRUE(waitFor([&] { return framesOf(dev, 0x08).size() == 1; }));  // the continue
    EXPECT_TRUE(framesOf(dev, 0x01).isEmpty());
    EXPECT_FALSE(inside(w).stepTest().at(0).StepOn);

    closeWindow(*w);
    dev.stop();
}

// Disconnecting a device whose auto test runs, leaving the run on the
// device: the auto test ends with the port, at once, and its page is back
// at "Start".
TEST_F(TestPages, AutoTestEndsWithADisconnect)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 4));
    dev.start(50);
    auto w = startWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    connectDevice(*w, 0, dev, 4);

    chooseText(u.cmbC1Auto, "1.0");
    chooseText(u.cmbC2Auto, "2.0");
    chooseText(u.cmbStepAuto, "0.5");
    chooseText(u.cmbTimeAuto, "100");
    typeInto(u.txtVolAuto, "2.50");
    u.cmdStartAuto->click();
    ASSERT_TRUE(inside(w).autoTest().at(0).AutoOn);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));

    prompt.answers = {ql::Prompter::IdCancel};  // "Stop running?": the device runs on
    u.cmdConn->click();
    ASSERT_FALSE(p->Conn());
    EXPECT_EQ(prompt.texts(), QStringList{"Stop running?"});
    EXPECT_FALSE(inside(w).autoTest().at(0).AutoOn);
    EXPECT_FALSE(inside(w).link().slot[0].AutoRunning);
    EXPECT_FALSE(u.tmrAuto->isActive());
    EXPECT_EQ(p->AutoCmd(), "Start");
    EXPECT_TRUE(dev.channel(0).running);
    EXPECT_TRUE(framesOf(dev, 0x02).isEmpty());

    closeWindow(*w);
    dev.stop();
}
