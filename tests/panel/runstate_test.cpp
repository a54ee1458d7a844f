// Panel buttons, menu entries and calibration buttons following the run
// state, and the transient message.
#include "panel/runstate.h"

#include "link/state.h"
#include "panel/devctrl.h"

#include <QRadioButton>

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace ql;

namespace {

struct FakeMenus : MenuEnableIf {
    std::map<QString, bool> enabled;
    std::vector<QString> order;
    void setMenuEnabled(const QString& name, bool on) override
    {
        enabled[name] = on;
        order.push_back(name);
    }
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

const QStringList kAllMenus{"menuSwSet", "menuOpenCfg", "menuSaveCfg", "menuOpenData", "menuSaveData",
                            "menuClear", "menuCurve",   "menuRes",     "menuQc"};

TEST_F(RunStateTest, RunningDisablesAllButStopAndAdjustInTheFirstMode)
{
    SetRunState(false, kSlot, panel, st, &menus);
    EXPECT_FALSE(panel.RunEnable());
    EXPECT_FALSE(panel.ContEnable());
    EXPECT_TRUE(panel.StopEnable());
    EXPECT_TRUE(panel.SetEnable());
    EXPECT_FALSE(panel.ModeEnable());
    EXPECT_FALSE(panel.MonitorEnable());
    EXPECT_EQ(menus.order, std::vector<QString>(kAllMenus.begin(), kAllMenus.end()));
    for (const auto& [name, on] : menus.enabled)
        EXPECT_FALSE(on) << name.toStdString();
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
    ASSERT_EQ(menus.enabled.size(), 9u);
    for (const auto& [name, on] : menus.enabled) {
        const bool cfg = name == "menuOpenCfg" || name == "menuSaveCfg";
        EXPECT_EQ(on, !cfg) << name.toStdString();
    }

    panel.setConn(true);
    SetRunState(true, kSlot, panel, st, &menus);
    EXPECT_TRUE(menus.enabled["menuOpenCfg"]);
    EXPECT_TRUE(menus.enabled["menuSaveCfg"]);
}

TEST_F(RunStateTest, BetweenStepsModeMonitorAndMenusStayOff)
{
    st.slot[kSlot].StepRunning = true;
    SetRunState(false, kSlot, panel, st, &menus);
    menus.order.clear();
    SetRunState(true, kSlot, panel, st, &menus);
    EXPECT_TRUE(panel.RunEnable());
    EXPECT_TRUE(panel.ContEnable());
    EXPECT_FALSE(panel.StopEnable());
    EXPECT_FALSE(panel.ModeEnable());
    EXPECT_FALSE(panel.MonitorEnable());
    EXPECT_TRUE(menus.order.empty());

    // Without a main window the panel still follows.
    st.slot[kSlot].StepRunning = false;
    SetRunState(true, kSlot, panel, st, nullptr);
    EXPECT_TRUE(panel.ModeEnable());
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
