// The main window with the keyboard alone: Tab through the panel and its
// grids, Escape in every dialog.
#include "apptest.h"

#include "controls/flexgrid.h"
#include "link/state.h"
#include "panel/devctrl.h"
#include "panel/devctrlparts.h"
#include "panel/stepedit.h"
#include "sim/devsim.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

using namespace qltest;

namespace {

QWidget* focused() { return QApplication::focusWidget(); }

void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* at = focused();
    ASSERT_TRUE(at) << "nothing has the focus";
    QTest::keyClick(at, Qt::Key(key), mods);
}

// Presses Tab (or Shift+Tab) until the focus is on target; the widgets the
// focus passed, in order. Stops after 40 presses.
std::vector<QWidget*> tabTo(QWidget* target, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    std::vector<QWidget*> passed;
    for (int i = 0; i < 40 && focused() != target; ++i) {
        passed.push_back(focused());
        press(Qt::Key_Tab, mods);
    }
    return passed;
}

} // namespace

TEST_F(DeviceAppTest, TabLeavesTheRunGridBothWaysAndReachesStopOfARunStartedWithSpace)
{
    ql::sim::DeviceSim dev(11, 20);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const auto& u = inside(w).slot(0).Panel->ui();
    ql::FlexGrid* grid = inside(w).slot(0).gridRun;
    typeInto(u.txtSval, "1.00");
    typeInto(u.txtSlmt, "3.00");

    // Start with the keyboard: the focus falls on to the next button.
    u.cmdRun->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(focused(), u.cmdRun);
    press(Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running && u.cmdStop->isEnabled(); }));

    // Tab walks on through the run grid and round to Stop.
    const std::vector<QWidget*> passed = tabTo(u.cmdStop);
    ASSERT_EQ(focused(), u.cmdStop) << "Stop not reached by Tab";
    EXPECT_NE(std::find(passed.begin(), passed.end(), grid), passed.end()) << "the grid is on the way";

    // Into the grid and out again, by Tab, Shift+Tab and Ctrl+Tab.
    for (const auto mods :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)}) {
        grid->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focused(), grid);
        press(Qt::Key_Tab, mods);
        EXPECT_NE(focused(), grid) << "modifiers " << int(mods);
    }
    // Shift+Tab goes back to where Tab came from.
    grid->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    QWidget* after = focused();
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), grid);
    EXPECT_NE(after, grid);

    u.cmdStop->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    EXPECT_TRUE(waitFor([&] { return !inside(w).link().ch(0, 0).Running; }));
    closeWindow(*w);
}

TEST_F(DeviceAppTest, TheStepEditorsGridTakesTabBetweenCellsAndCtrlTabLeavesIt)
{
    auto w = startWindow();
    QModelIndex first, next;
    // Where Ctrl+Tab and Ctrl+Shift+Tab put the focus (the editor is gone
    // after the edit).
    QString afterCtrlTab, afterCtrlShiftTab;
    bool sameNeighbour = true;
    editSteps(*w, [&](ql::frmSet& dlg) {
        // Keys go to the editor's focus widget, active or not.
        const auto key = [&](Qt::KeyboardModifiers mods) { QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab, mods); };
        dlg.gridSet->setFocus(Qt::TabFocusReason);
        dlg.gridSet->setCurrentCell(1, 1);
        first = dlg.gridSet->currentIndex();
        key(Qt::NoModifier);
        if (dlg.focusWidget() == dlg.gridSet)
            next = dlg.gridSet->currentIndex();
        key(Qt::ControlModifier);
        QWidget* forward = dlg.focusWidget();
        afterCtrlTab = forward ? forward->objectName() + forward->metaObject()->className() : "";
        dlg.gridSet->setFocus(Qt::TabFocusReason);
        key(Qt::ControlModifier | Qt::ShiftModifier);
        afterCtrlShiftTab =
            dlg.focusWidget() ? dlg.focusWidget()->objectName() + dlg.focusWidget()->metaObject()->className() : "";
        sameNeighbour = dlg.focusWidget() == forward;
    });
    EXPECT_EQ(first.row(), 1);
    EXPECT_EQ(first.column(), 1);
    ASSERT_TRUE(next.isValid()) << "Tab left the step grid";
    EXPECT_EQ(next.row(), 1);
    EXPECT_EQ(next.column(), 2);
    // Ctrl+Tab and Ctrl+Shift+Tab leave the grid, to different neighbours.
    EXPECT_FALSE(sameNeighbour);
    for (const QString& f : {afterCtrlTab, afterCtrlShiftTab})
        EXPECT_TRUE(!f.isEmpty() && !f.contains("FlexGrid")) << f.toStdString();
    closeWindow(*w);
}

TEST_F(AppTest, EscapeClosesEveryDialogAsItsCancelWouldButNotTheViewer)
{
    auto w = makeWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // Escape is pressed in each listed window as soon as it shows and is
    // active; each class is noted once per window.
    struct {
        QStringList seen;
        QSet<QWidget*> pressed;
    } esc;
    qltest::WindowWatcher watcher({"frmCurve", "frmShow", "frmRes", "frmUpdate", "frmQC", "frmUSB", "frmAdj"},
                                  [&](QWidget* w, const QString& cls) {
                                      w->activateWindow();
                                      if (!w->isActiveWindow())
                                          return;  // again at the next sweep
                                      if (esc.seen.isEmpty() || esc.seen.back() != cls || !esc.pressed.contains(w))
                                          esc.seen << cls;
                                      esc.pressed.insert(w);
                                      QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Escape);
                                  });

    // Waited-for windows: the handler returns once Escape has closed them.
    inside(w).action("menuCurve")->trigger();
    inside(w).action("menuShow")->trigger();
    inside(w).action("menuUpdate")->trigger();
    inside(w).link().slot[0].DevType = 5;
    inside(w).action("menuRes")->setVisible(true);
    inside(w).action("menuRes")->setEnabled(true);
    inside(w).action("menuRes")->trigger();
    EXPECT_EQ(esc.seen, (QStringList{"frmCurve", "frmShow", "frmUpdate", "frmRes"}));
    EXPECT_EQ(inside(w).link().ResSlot, -1);
    EXPECT_TRUE(inside(w).tabs()->isEnabled());

    esc.seen.clear();
    for (const char* name : {"menuQc", "menuUsb", "menuAdj"}) {
        QAction* a = inside(w).action(QString::fromLatin1(name));
        a->setVisible(true);
        a->setEnabled(true);
        a->trigger();
        ASSERT_TRUE(waitFor([&] {
            return !esc.seen.isEmpty() && !inside(w).link().UsbOpen && !inside(w).link().AdjOpen;
        })) << name;
        esc.seen.clear();
    }
    // The calibration gave the tabs back as its Cancel does.
    EXPECT_TRUE(inside(w).tabs()->isEnabled());
    for (const char* cls : {"frmQC", "frmUSB", "frmAdj"}) {
        QWidget* other = inside(w).otherWindow(QString::fromLatin1(cls));
        EXPECT_TRUE(!other || !other->isVisible()) << cls;
    }

    // The viewer stays open on Escape.
    inside(w).action("menuOpenData")->trigger();
    QWidget* viewer = nullptr;
    ASSERT_TRUE(waitFor([&] { return (viewer = inside(w).otherWindow("frmData")) && viewer->isVisible(); }));
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    QTest::keyClick(viewer->focusWidget() ? viewer->focusWidget() : viewer, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(viewer->isVisible());
    viewer->close();
    closeWindow(*w);
}
