// Panel buttons, menu entries and calibration buttons following the run
// state.
#include "panel/runstate.h"

#include "link/state.h"
#include "menunames.h"
#include "panel/devctrl.h"

#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace ql;

namespace {

// The states each menu entry was last switched to.
struct FakeMenus : MenuEnableIf {
    std::map<MenuId, bool> enabled;
    int visibleCalls = 0;
    void setMenuEnabled(MenuId id, bool on) override { enabled[id] = on; }
    void setMenuVisible(MenuId, bool) override { ++visibleCalls; }
};

struct FakeAdj : AdjButtonsIf {
    std::map<QString, bool> enabled;
    void setAdjButtonEnabled(const QString& name, bool on) override { enabled[name] = on; }
};

class RunStateTest : public ::testing::Test {
protected:
    static constexpr int kSlot = 1;
    void SetUp() override
    {
        st.CurDev = kSlot;  // the selected slot
        // Idle, connected, everything off as after a disconnect.
        panel.setConn(true);
        for (auto set : {&DevCtrl::setRunEnable, &DevCtrl::setStopEnable, &DevCtrl::setContEnable,
                         &DevCtrl::setSetEnable, &DevCtrl::setModeEnable, &DevCtrl::setMonitorEnable})
            (panel.*set)(false);
    }
    LinkState st;
    DevCtrl panel{kSlot};
    FakeMenus menus;
};

bool IsParameterFileEntry(MenuId id) { return id == MenuId::menuOpenCfg || id == MenuId::menuSaveCfg; }

// The panel's buttons and the selected slot's run menus in each run state,
// whatever they showed before and with or without a main window: a run
// offers Stop and takes the file, curve and tool entries away (calibration
// and add-device stay); idle gives Start, Continue, mode, monitor and the
// entries back, the parameter-file ones only with a connected panel;
// between the steps of a step test mode, monitor and entries stay off. A
// slot selected afresh shows the same entries.
TEST_F(RunStateTest, ButtonsAndMenusFollowTheRunState)
{
    enum Menus { None, AllButFiles, All };
    const struct Case {
        const char* name;
        std::vector<bool> idles;  // one SetRunState call each
        bool stepBusy, conn;
        bool run, stop, mode;  // Continue follows Start, monitor the mode
        Menus menus;
    } cases[] = {
        {"running", {false}, false, true, false, true, false, None},
        {"running unconnected", {false}, false, false, false, true, false, None},
        {"step running", {false}, true, true, false, true, false, None},
        {"idle", {true}, false, true, true, false, true, All},
        {"idle unconnected", {true}, false, false, true, false, true, AllButFiles},
        {"between steps", {false, true}, true, true, true, false, false, None},
        {"between steps unconnected", {false, true}, true, false, true, false, false, None},
    };
    const auto menusShow = [](const FakeMenus& m, Menus want) {
        for (MenuId id : kRunMenus)
            EXPECT_EQ(m.enabled.at(id), want == All || (want == AllButFiles && !IsParameterFileEntry(id)))
                << qltest::MenuName(id);
    };
    for (const Case& c : cases) {
        for (int pass = 0; pass < 3; ++pass) {
            SCOPED_TRACE(std::string(c.name) + " pass " + std::to_string(pass));
            const bool before = pass > 0;
            for (auto set : {&DevCtrl::setRunEnable, &DevCtrl::setStopEnable, &DevCtrl::setContEnable,
                             &DevCtrl::setSetEnable, &DevCtrl::setModeEnable, &DevCtrl::setMonitorEnable})
                (panel.*set)(before);
            panel.setConn(c.conn);
            st.slot[kSlot].StepRunning = c.stepBusy;
            FakeMenus window;
            for (const bool idle : c.idles)
                SetRunState(idle, kSlot, panel, st, pass == 2 ? nullptr : &window);
            EXPECT_EQ(panel.RunEnable(), c.run);
            EXPECT_EQ(panel.ContEnable(), c.run);
            EXPECT_EQ(panel.StopEnable(), c.stop);
            EXPECT_EQ(panel.ModeEnable(), c.mode);
            EXPECT_EQ(panel.MonitorEnable(), c.mode);
            if (c.run) {
                EXPECT_FALSE(panel.SetEnable());
            }
            if (pass < 2) {
                menusShow(window, c.menus);
                EXPECT_EQ(window.enabled.size(), kRunMenus.size());
                for (MenuId id : {MenuId::menuAdj, MenuId::menuAddDev, MenuId::menuUsb, MenuId::menuTemp})
                    EXPECT_EQ(window.enabled.count(id), 0u) << qltest::MenuName(id);
                EXPECT_EQ(window.visibleCalls, 0);
            }
            FakeMenus selected;
            ShowSlotMenus(st, selected);
            menusShow(selected, c.menus);
        }
    }
    // An idle call between steps takes nothing away either.
    panel.setConn(true);
    st.slot[kSlot].StepRunning = false;
    SetRunState(true, kSlot, panel, st, &menus);
    st.slot[kSlot].StepRunning = true;
    FakeMenus window;
    SetRunState(true, kSlot, panel, st, &window);
    menusShow(window, All);
}

// Adjusting a running test is offered in the first mode only, of the
// channel the option picks, and never while a step test holds the slot.
TEST_F(RunStateTest, AdjustFollowsTheSelectedChannelsMode)
{
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_TRUE(panel.SetEnable());
    panel.setSetEnable(false);
    st.ch(kSlot, 0).ChnMode = 1;
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_FALSE(panel.SetEnable());  // left as it was

    // Two channels: the option picks the channel whose mode counts.
    panel.setDev2S(true);
    panel.setSetEnable(false);
    st.ch(kSlot, 1).ChnMode = 0;
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_FALSE(panel.SetEnable());
    panel.ui().optChn1->setChecked(true);
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_TRUE(panel.SetEnable());

    // A step test holding the slot never offers it.
    panel.setSetEnable(false);
    st.slot[kSlot].StepRunning = true;
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_FALSE(panel.SetEnable());
}

// One slot runs while the selected one is idle: the frames of both keep
// asking for their states, and the menus hold the selected slot's
// throughout; the other slot's panel follows its own run. Selecting the
// running slot shows its state, selecting back the idle one's.
TEST_F(RunStateTest, TheMenusFollowTheSelectedSlotWhateverAnotherSlotDoes)
{
    constexpr int kOther = kSlot + 1;
    DevCtrl other{kOther};
    other.setConn(true);
    const auto all = [&](bool on) {
        for (MenuId id : kRunMenus)
            if (menus.enabled.count(id) == 0 || menus.enabled.at(id) != on)
                return false;
        return true;
    };
    for (int frame = 0; frame < 20; ++frame) {
        SetRunState(false, kOther, other, st, &menus);
        ASSERT_TRUE(frame == 0 || all(true)) << frame;
        SetRunState(true, kSlot, panel, st, &menus);
        ASSERT_TRUE(all(true)) << frame;
    }
    EXPECT_TRUE(other.StopEnable());
    EXPECT_FALSE(other.RunEnable());
    EXPECT_TRUE(panel.RunEnable());

    st.CurDev = kOther;
    ShowSlotMenus(st, menus);
    EXPECT_TRUE(all(false));
    SetRunState(true, kSlot, panel, st, &menus);  // a frame of the idle slot
    EXPECT_TRUE(all(false));

    // The run ends while the idle slot is selected again: the menus stay
    // its own, and the ended run's state shows once its slot is selected.
    st.CurDev = kSlot;
    ShowSlotMenus(st, menus);
    EXPECT_TRUE(all(true));
    st.ch(kOther, 0).Running = false;
    other.setConn(false);
    SetRunState(true, kOther, other, st, &menus);
    SetSlotMenu(st, kOther, MenuId::menuQc, false, &menus);  // its device was disconnected
    EXPECT_TRUE(all(true));
    st.CurDev = kOther;
    ShowSlotMenus(st, menus);
    for (MenuId id : kRunMenus)
        EXPECT_EQ(menus.enabled.at(id), !IsParameterFileEntry(id) && id != MenuId::menuQc) << qltest::MenuName(id);

    // An entry that follows no slot is switched at once.
    SetSlotMenu(st, kSlot, MenuId::menuAddDev, false, &menus);
    EXPECT_FALSE(menus.enabled.at(MenuId::menuAddDev));
}

TEST(AdjButtons, VoltagePointsWhileIdleCurrentPointsWhileRunning)
{
    FakeAdj adj;
    SetAdjButtons(true, adj);
    EXPECT_EQ(adj.enabled, (std::map<QString, bool>{{"cmdVL", true}, {"cmdVH", true}, {"cmdCL", false}, {"cmdCH", false}}));
    SetAdjButtons(false, adj);
    EXPECT_EQ(adj.enabled, (std::map<QString, bool>{{"cmdVL", false}, {"cmdVH", false}, {"cmdCL", true}, {"cmdCH", true}}));
}

} // namespace
