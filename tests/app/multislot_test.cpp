// The main window against simulated devices where several slots meet: the
// menus follow the selected slot (its device's entries, its run state, its
// connection) while other slots run, answer or go, and a device identified
// again and again offers its auto test's mode once.
#include "apptest.h"
#include "menunames.h"

#include "panel/runstate.h"
#include "sim/devsim.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>

#include <map>
#include <ostream>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// Every menu and toolbar entry of a window, each with the number of times
// it changed (enabled, shown, checked, text) since the last reset.
class MenuWatch : public QObject {
public:
    explicit MenuWatch(ql::frmMain& w) : w_(w)
    {
        for (QAction* a : w.findChildren<QAction*>())
            connect(a, &QAction::changed, this, [this, a] { ++changes_[a]; });
    }
    void reset() { changes_.clear(); }
    // No entry changed since the last reset, and every shown entry that
    // follows a run is enabled as wanted (the parameter-file entries as
    // wantFiles).
    void expectHeld(bool want, bool wantFiles, const char* when) const
    {
        for (const auto& [a, n] : changes_)
            EXPECT_EQ(n, 0) << a->objectName().toStdString() << " " << when;
        for (ql::MenuId id : ql::kRunMenus) {
            QAction* a = inside(w_).action(id);
            if (!a->isVisible())
                continue;
            const bool files = id == ql::MenuId::menuOpenCfg || id == ql::MenuId::menuSaveCfg;
            EXPECT_EQ(a->isEnabled(), files ? wantFiles : want) << qltest::MenuName(id) << " " << when;
        }
    }

private:
    ql::frmMain& w_;
    std::map<QAction*, int> changes_;
};

// Replies each device has sent so far.
int Replies(const DeviceSim& d) { return int(d.sent().size() / 19); }

// What the menus offer of the entries that depend on a slot's device.
struct SlotEntries {
    bool res = false;     // "Resistance Test" shown and enabled
    bool usb = false;     // "Quick Charger Test" shown
    bool temp = false;    // "Temprature Data" shown
    bool adj = false;     // "Parameter Calibration" enabled
    bool update = false;  // "Firmware Update" enabled
    bool files = false;   // "Open Parameter" and "Save Parameter" enabled
    bool operator==(const SlotEntries&) const = default;
};

[[maybe_unused]] void PrintTo(const SlotEntries& e, std::ostream* os)
{
    *os << "{res " << e.res << ", usb " << e.usb << ", temp " << e.temp << ", adj " << e.adj << ", update "
        << e.update << ", files " << e.files << "}";
}

SlotEntries Offered(ql::frmMain& w)
{
    const auto a = [&](ql::MenuId id) { return inside(w).action(id); };
    const auto on = [&](ql::MenuId id) { return a(id)->isVisible() && a(id)->isEnabled(); };
    QAction* update = inside(w).action(QStringLiteral("menuUpdate"));
    return {on(ql::MenuId::menuRes),
            a(ql::MenuId::menuUsb)->isVisible(),
            a(ql::MenuId::menuTemp)->isVisible(),
            on(ql::MenuId::menuAdj),
            update->isVisible() && update->isEnabled(),
            on(ql::MenuId::menuOpenCfg) && on(ql::MenuId::menuSaveCfg)};
}

} // namespace

// A load (type 11: resistance test, temperature) on slot 0 and a USB tester
// (type 26: trigger window, no resistance test) on slot 1, identified in
// that order, and an empty slot 2. Each tab offers what its own slot's
// device has and its connection allows, whichever slot answered or went
// last.
TEST_F(DeviceAppTest, DeviceEntriesFollowTheSelectedSlotsDevice)
{
    DeviceSim load(11, 300), usb(26, 300);
    ASSERT_TRUE(plug(load, 3, 10) && plug(usb, 4, 10));
    auto w = startWindow();
    w->menuAddDev_Click();
    w->menuAddDev_Click();
    QTabBar* tabs = inside(w).tabs();
    ASSERT_TRUE(tabs);
    const SlotEntries loadSlot{true, false, true, true, false, true};
    const SlotEntries usbSlot{false, true, false, true, false, true};
    const SlotEntries emptySlot{false, false, false, false, true, false};

    connectDevice(*w, 0, load, 3);
    connectDevice(*w, 1, usb, 4);
    ASSERT_EQ(inside(w).link().CurDev, 0);
    // Both keep answering; the entries stay the selected slot's.
    const int a = Replies(load), b = Replies(usb);
    ASSERT_TRUE(waitFor([&] { return Replies(load) >= a + 10 && Replies(usb) >= b + 10; }));
    EXPECT_EQ(Offered(*w), loadSlot) << "the load's tab after the USB tester was identified";
    tabs->setCurrentIndex(1);
    EXPECT_EQ(Offered(*w), usbSlot);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(Offered(*w), emptySlot);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(Offered(*w), loadSlot);

    // The USB tester goes while the load's tab is selected: that tab keeps
    // its entries; the USB tester's tab offers the update and no longer
    // the calibration, and keeps its device's entries until a new device
    // answers.
    inside(w).slot(1).Panel->ui().cmdConn->click();
    ASSERT_TRUE(waitFor([&] { return !usb.connected(); }));
    EXPECT_EQ(Offered(*w), loadSlot) << "the load's tab after the USB tester's disconnect";
    tabs->setCurrentIndex(1);
    EXPECT_EQ(Offered(*w), (SlotEntries{false, true, false, false, true, false}));

    // Connected while its own tab is selected, the slot's entries follow
    // at once; the load's tab is untouched.
    connectDevice(*w, 1, usb, 4);
    EXPECT_EQ(Offered(*w), usbSlot);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(Offered(*w), loadSlot);
    closeWindow(*w);
}

// A running device is disconnected (the user answers OK or Cancel to
// "Stop running?") or its adapter is unplugged. Each way the slot neither
// runs nor holds a port afterwards: the parameter files, which need a
// connected panel, are not offered, the entries the run took away are
// offered again, and the slot's record says the same as the menus.
TEST_F(DeviceAppTest, AGoneRunningDeviceLeavesNoParameterFileEntries)
{
    enum class Gone { StopOk, StopCancel, Unplugged };
    for (const Gone gone : {Gone::StopOk, Gone::StopCancel, Gone::Unplugged}) {
        SCOPED_TRACE(int(gone));
        const int port = 3 + int(gone);
        DeviceSim dev(11, 300);
        dev.reportRun(0, 0, 100, 300);
        auto w = connectedWindow(dev, port, 10);
        ASSERT_TRUE(w);
        ql::DevCtrl* p = inside(w).slot(0).Panel;
        ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running && p->StopEnable(); }));
        EXPECT_FALSE(inside(w).action(ql::MenuId::menuOpenData)->isEnabled());

        if (gone == Gone::Unplugged) {
            dev.unplug();
        } else {
            prompt.messages.clear();
            prompt.answers = {gone == Gone::StopOk ? ql::Prompter::IdOk : ql::Prompter::IdCancel};
            p->ui().cmdConn->click();
            EXPECT_EQ(prompt.texts(), QStringList{"Stop running?"});
        }
        ASSERT_TRUE(waitFor([&] { return !p->Conn(); }));
        EXPECT_EQ(Offered(*w), (SlotEntries{false, false, true, false, true, false}));
        const ql::RunMenus& kept = inside(w).link().slot[0].RunMenusOn;
        for (size_t i = 0; i < ql::kRunMenus.size(); ++i) {
            const ql::MenuId id = ql::kRunMenus[i];
            const bool files = id == ql::MenuId::menuOpenCfg || id == ql::MenuId::menuSaveCfg;
            const bool tool = id == ql::MenuId::menuRes || id == ql::MenuId::menuQc;
            EXPECT_EQ(kept[i], !files && !tool) << qltest::MenuName(id);
            if (inside(w).action(id)->isVisible()) {
                EXPECT_EQ(inside(w).action(id)->isEnabled(), kept[i]) << qltest::MenuName(id);
            }
        }
        closeWindow(*w);
    }
}

// Running devices reply many times a second. Slot 0's device reports a run
// going, slot 1's device is connected and idle, slot 2's runs both its
// channels. The frames of all keep coming, and no menu or toolbar entry
// changes over dozens of them: the entries hold the state of the selected
// slot; switching tabs switches them.
TEST_F(DeviceAppTest, MenusHoldTheSelectedSlotsRunStateWhileOtherSlotsRun)
{
    DeviceSim busy(11, 300), idle(11, 300), two(18, 300);
    busy.reportRun(0, 0, 100, 300);
    two.reportRun(0, 0, 1000, 3000);
    two.reportRun(1, 0, 500, 3000);
    ASSERT_TRUE(plug(busy, 3, 10) && plug(idle, 6, 10) && plug(two, 7, 10));
    auto w = startWindow();
    inside(w).action(ql::MenuId::menuAddDev)->trigger();
    inside(w).action(ql::MenuId::menuAddDev)->trigger();
    connectDevice(*w, 0, busy, 3);
    connectDevice(*w, 1, idle, 6);
    connectDevice(*w, 2, two, 7);
    const ql::LinkState& link = inside(w).link();
    ASSERT_TRUE(waitFor([&] { return link.ch(0, 0).Running && link.ch(2, 0).Running && link.ch(2, 1).Running; }));
    QTabBar* tabs = inside(w).tabs();
    ASSERT_TRUE(tabs);
    MenuWatch entries(*w);

    // A stretch of frames from every device, with one tab selected.
    const auto overFrames = [&](int index, bool want, bool wantFiles, const char* when) {
        tabs->setCurrentIndex(index);
        ASSERT_EQ(link.CurDev, index);
        entries.reset();
        entries.expectHeld(want, wantFiles, when);
        const int a = Replies(busy), b = Replies(idle), c = Replies(two);
        ASSERT_TRUE(
            waitFor([&] { return Replies(busy) >= a + 30 && Replies(idle) >= b + 30 && Replies(two) >= c + 30; },
                    30000));
        entries.expectHeld(want, wantFiles, when);
        // The panels follow their own slots all along.
        for (int n : {0, 2}) {
            EXPECT_TRUE(inside(w).slot(n).Panel->StopEnable()) << n;
            EXPECT_FALSE(inside(w).slot(n).Panel->RunEnable()) << n;
        }
        EXPECT_TRUE(inside(w).slot(1).Panel->RunEnable());
        EXPECT_FALSE(inside(w).slot(1).Panel->StopEnable());
        EXPECT_TRUE(link.ch(2, 0).Running && link.ch(2, 1).Running);
    };
    overFrames(1, true, true, "idle slot selected");
    overFrames(0, false, false, "running slot selected");
    overFrames(2, false, false, "two-channel slot selected");
    overFrames(1, true, true, "idle slot selected again");
    closeWindow(*w);
}

// The auto test's mode list after the same device was connected and
// identified three times: "D-CC" once.
TEST_F(DeviceAppTest, AutoTestModeListHoldsTheModeOnceOverReconnects)
{
    DeviceSim dev(11, 300);
    ASSERT_TRUE(plug(dev, 3, 10));
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
