// Panel buttons, menu entries and calibration buttons following the run
// state, and the transient message.
#include "panel/runstate.h"

#include "link/state.h"
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

struct FakeMsg : MessageWindowIf {
    QStringList shown;
    void ShowMessage(const QString& text) override { shown << text; }
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

// The menu entries a running slot takes away are the ones that read or
// change what the run uses: files, curves, axes, settings and the tools
// that load the cell. The calibration and add-device entries are not
// among them.
TEST(RunMenus, ARunTakesTheFileCurveAndToolEntriesAwayAndIdleGivesThemBack)
{
    for (const bool stepBusy : {false, true}) {
        for (const bool conn : {false, true}) {
            const auto running = RunMenuStates(false, stepBusy, conn);
            ASSERT_TRUE(running);
            EXPECT_EQ(std::count(running->begin(), running->end(), true), 0);
        }
    }
    for (const bool conn : {false, true}) {
        const auto idle = RunMenuStates(true, false, conn);
        ASSERT_TRUE(idle);
        for (size_t i = 0; i < kRunMenus.size(); ++i)
            EXPECT_EQ((*idle)[i], IsParameterFileEntry(kRunMenus[i]) ? conn : true) << MenuName(kRunMenus[i]);
    }
    // Between the steps of a step test nothing is handed back.
    EXPECT_FALSE(RunMenuStates(true, true, true));
    EXPECT_FALSE(RunMenuStates(true, true, false));
    for (MenuId id : {MenuId::menuAdj, MenuId::menuAddDev, MenuId::menuUsb, MenuId::menuTemp})
        EXPECT_EQ(std::count(kRunMenus.begin(), kRunMenus.end(), id), 0) << MenuName(id);
}

TEST_F(RunStateTest, RunningDisablesAllButStopAndAdjustInTheFirstMode)
{
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_FALSE(panel.RunEnable());
    EXPECT_FALSE(panel.ContEnable());
    EXPECT_TRUE(panel.StopEnable());
    EXPECT_TRUE(panel.SetEnable());
    EXPECT_FALSE(panel.ModeEnable());
    EXPECT_FALSE(panel.MonitorEnable());
    EXPECT_EQ(menus.enabled.size(), kRunMenus.size());
    for (MenuId id : kRunMenus)
        EXPECT_FALSE(menus.enabled.at(id)) << MenuName(id);
    EXPECT_EQ(menus.visibleCalls, 0);
}

TEST_F(RunStateTest, AdjustFollowsTheSelectedChannelsMode)
{
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

TEST_F(RunStateTest, IdleEnablesAgainWithFileMenusOnlyWhenConnected)
{
    panel.setSetEnable(true);
    panel.setStopEnable(true);
    panel.setConn(false);
    SetRunState(true, kSlot, panel, st, &menus);
    EXPECT_TRUE(panel.RunEnable());
    EXPECT_TRUE(panel.ContEnable());
    EXPECT_FALSE(panel.StopEnable());
    EXPECT_FALSE(panel.SetEnable());
    EXPECT_TRUE(panel.ModeEnable());
    EXPECT_TRUE(panel.MonitorEnable());
    ASSERT_EQ(menus.enabled.size(), kRunMenus.size());
    for (const auto& [id, on] : menus.enabled)
        EXPECT_EQ(on, !IsParameterFileEntry(id)) << MenuName(id);

    panel.setConn(true);
    SetRunState(true, kSlot, panel, st, &menus);
    EXPECT_TRUE(menus.enabled[MenuId::menuOpenCfg]);
    EXPECT_TRUE(menus.enabled[MenuId::menuSaveCfg]);
}

TEST_F(RunStateTest, BetweenStepsModeMonitorAndMenusStayOff)
{
    st.slot[kSlot].StepRunning = true;
    SetRunState(false, kSlot, panel, st, &menus);
    SetRunState(true, kSlot, panel, st, &menus);
    EXPECT_TRUE(panel.RunEnable());
    EXPECT_TRUE(panel.ContEnable());
    EXPECT_FALSE(panel.StopEnable());
    EXPECT_FALSE(panel.ModeEnable());
    EXPECT_FALSE(panel.MonitorEnable());
    for (MenuId id : kRunMenus)
        EXPECT_FALSE(menus.enabled.at(id)) << MenuName(id);
    // Selected afresh between two steps, the slot still shows them off.
    menus.enabled.clear();
    ShowSlotMenus(st, menus);
    for (MenuId id : kRunMenus)
        EXPECT_FALSE(menus.enabled.at(id)) << MenuName(id);

    // Without a main window the panel still follows.
    st.slot[kSlot].StepRunning = false;
    SetRunState(true, kSlot, panel, st, nullptr);
    EXPECT_TRUE(panel.ModeEnable());
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
        EXPECT_EQ(menus.enabled.at(id), !IsParameterFileEntry(id) && id != MenuId::menuQc) << MenuName(id);

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

TEST(StopMessage, ShownOnlyWhenSwitchedOn)
{
    FakeMsg msg;
    ShowMsg(QStringLiteral("STOP"), false, msg);
    EXPECT_TRUE(msg.shown.isEmpty());
    ShowMsg(QStringLiteral("STOP"), true, msg);
    EXPECT_EQ(msg.shown, QStringList{QStringLiteral("STOP")});
}

} // namespace
