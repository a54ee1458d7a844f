// The auto-test and cycle-test pages of the main window against a simulated
// device on a pseudo-terminal: their runs end with the slot's port.
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

class TestPages : public DeviceAppTest {};

} // namespace

// A cycle test whose device is lost mid-step ends with the port: the page is
// back at "Start" with its buttons free, and when the adapter is plugged in
// again and connected, the program sends the device no start of its own.
TEST_F(TestPages, CycleTestEndsWhenTheAdapterIsLost)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3, 50);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();

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
    // up from its record and no step of the earlier step program starts.
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
    auto w = connectedWindow(dev, 4, 50);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    fillAutoTest(*p, "1.0", "2.0", "0.5", "100", "2.50");
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
