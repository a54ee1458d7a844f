// The tool windows of the main window against simulated devices: what they
// send and what they show when more than one device is connected.
#include "apptest.h"

#include "../sim/devsim.h"
#include "tools/frmres.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

class DeviceTools : public DeviceAppTest {};

} // namespace

// A load in slot 1 measures a cell of 50 mOhm at 1 A while a USB tester in
// slot 2 reports 0.6 V on D+ in the same reply field, and reports it more
// often: the result is the load's, 50.0 mOhm.
TEST_F(DeviceTools, ResistanceIsTakenFromTheTestedDeviceOnly)
{
    DeviceSim load(11, 300);
    DeviceSim tester(26, 300);
    tester.setAuxVolts(0.6, 0.6);
    ASSERT_TRUE(plug(load, 3, 500) && plug(tester, 4));
    auto w = startWindow();
    w->menuAddDev_Click();
    // The tester first; the load's tab offers the resistance test.
    connectDevice(*w, 1, tester, 4);
    connectDevice(*w, 0, load, 3);
    inside(w).tabs()->setCurrentIndex(0);
    ASSERT_EQ(w->CurDev(), 0);

    QString shownResult;
    bool tested = false;
    QTimer::singleShot(0, w.get(), [&] {
        ql::frmRes* res = shownWindow<ql::frmRes>();
        if (!res)
            return;
        res->Timer1->setInterval(300);
        load.clearRecorded();
        tested = res->cmdTest_Click();
        // The result, or the fourth tick without one.
        waitFor([&] { return !res->Timer1->isActive(); });
        shownResult = res->txtRes->text();
        res->close();
    });
    QAction* menuRes = inside(w).action(ql::MenuId::menuRes);
    ASSERT_TRUE(menuRes->isVisible() && menuRes->isEnabled());
    menuRes->trigger();  // returns once the window is closed
    ASSERT_TRUE(tested) << prompt.texts().join('|').toStdString();
    EXPECT_EQ(shownResult.toStdString(), "50.0");
    // The test frame went to the load: 1000 mA in its 10 mA units.
    ASSERT_FALSE(load.received().isEmpty());
    EXPECT_EQ(load.received().first().toHex(' '), QByteArray("fa 09 00 64 00 00 00 00 6d f8"));
    EXPECT_EQ(inside(w).link().ResVolt, 0.0f);

    closeWindow(*w);
    load.stop();
    tester.stop();
}
