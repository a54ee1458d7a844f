// The main window against simulated devices where several slots meet: the
// menus follow the selected slot while another one runs, and a device
// identified again and again offers its auto test's mode once.
#include "apptest.h"

#include "panel/runstate.h"
#include "sim/devsim.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>

#include <map>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// The menu entries that follow a run, each with the number of times its
// enabled state changed since the last reset.
class RunEntries : public QObject {
public:
    explicit RunEntries(ql::frmMain& w)
    {
        for (ql::MenuId id : ql::kRunMenus) {
            QAction* a = inside(w).action(id);
            EXPECT_TRUE(a) << ql::MenuName(id);
            if (!a)
                continue;
            Entry& e = entries_[a];
            e.enabled = a->isEnabled();
            connect(a, &QAction::changed, this, [this, a] {
                Entry& e = entries_[a];
                if (a->isEnabled() != e.enabled)
                    ++e.flips;
                e.enabled = a->isEnabled();
            });
        }
    }
    void resetFlips()
    {
        for (auto& [a, e] : entries_)
            e.flips = 0;
    }
    // Every shown entry is enabled as wanted (the parameter-file entries
    // as wantFiles) and none changed since the last reset.
    void expectHeld(bool want, bool wantFiles, const char* when) const
    {
        for (const auto& [a, e] : entries_) {
            const QString name = a->objectName();
            EXPECT_EQ(e.flips, 0) << name.toStdString() << " " << when;
            if (!a->isVisible())
                continue;
            const bool files = name == "menuOpenCfg" || name == "menuSaveCfg";
            EXPECT_EQ(a->isEnabled(), files ? wantFiles : want) << name.toStdString() << " " << when;
        }
    }

private:
    struct Entry {
        bool enabled = false;
        int flips = 0;
    };
    std::map<QAction*, Entry> entries_;
};

// Replies each device has sent so far.
int Replies(const DeviceSim& d) { return int(d.sent().size() / 19); }

} // namespace

// Slot 0's device reports a run going; slot 1's device is connected and
// idle. The frames of both keep coming, and the entries hold the state of
// the selected slot over dozens of them; switching tabs switches them.
TEST_F(DeviceAppTest, MenusHoldTheSelectedSlotsRunStateWhileAnotherSlotRuns)
{
    DeviceSim busy(11, 300), idle(11, 300);
    ASSERT_TRUE(busy.plug(portsDir(), 3));
    ASSERT_TRUE(idle.plug(portsDir(), 6));
    busy.reportRun(0, 0, 100, 300);
    busy.start(10);
    idle.start(10);
    auto w = makeWindow();
    w->show();
    inside(w).action(ql::MenuId::menuAddDev)->trigger();
    connectDevice(*w, 0, busy, 3);
    connectDevice(*w, 1, idle, 6);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    QTabBar* tabs = inside(w).tabs();
    ASSERT_TRUE(tabs);
    RunEntries entries(*w);

    // A stretch of frames from both devices, with one tab selected.
    const auto overFrames = [&](int index, bool want, bool wantFiles, const char* when) {
        tabs->setCurrentIndex(index);
        ASSERT_EQ(inside(w).link().CurDev, index);
        entries.resetFlips();
        entries.expectHeld(want, wantFiles, when);
        const int a = Replies(busy), b = Replies(idle);
        ASSERT_TRUE(waitFor([&] { return Replies(busy) >= a + 30 && Replies(idle) >= b + 30; }));
        entries.expectHeld(want, wantFiles, when);
        // The panels follow their own slots all along.
        EXPECT_TRUE(inside(w).slot(0).Panel->StopEnable());
        EXPECT_FALSE(inside(w).slot(0).Panel->RunEnable());
        EXPECT_TRUE(inside(w).slot(1).Panel->RunEnable());
        EXPECT_FALSE(inside(w).slot(1).Panel->StopEnable());
    };
    overFrames(1, true, true, "idle slot selected");
    overFrames(0, false, false, "running slot selected");
    overFrames(1, true, true, "idle slot selected again");
    closeWindow(*w);
}

// The auto test's mode list after the same device was connected and
// identified three times: "D-CC" once.
TEST_F(DeviceAppTest, AutoTestModeListHoldsTheModeOnceOverReconnects)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 3));
    dev.start(10);
    auto w = makeWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    for (int round = 0; round < 3; ++round) {
        connectDevice(*w, 0, dev, 3);
        p->ui().cmdConn->click();  // disconnect
        ASSERT_FALSE(p->Conn());
        ASSERT_TRUE(waitFor([&] { return !dev.connected(); }));
    }
    connectDevice(*w, 0, dev, 3);
    const QComboBox* modes = p->ui().cmbModeAuto;
    ASSERT_EQ(modes->count(), 1);
    EXPECT_EQ(modes->itemText(0), "D-CC");
    EXPECT_EQ(modes->currentText(), "D-CC");
    closeWindow(*w);
}
