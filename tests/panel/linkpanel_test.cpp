// The device link driving a real panel: the first reply of a device sets the
// panel up through the receive path's narrow interface.
#include "link/recv.h"
#include "link/state.h"
#include "panel/devctrl.h"
#include "panel/modesetup.h"
#include "sim/devsim.h"

#include <QComboBox>
#include <QTabBar>

#include <gtest/gtest.h>

#include <vector>

using namespace ql;

namespace {

constexpr int kSlot = 0;

// The main window as the receive path sees it, with one real panel that
// shows the slot's records as the program's views do.
struct Host : RecvHostIf, RecvViewIf {
    LinkState& st;
    DevCtrl panel{kSlot};
    std::vector<int> autoInits;
    explicit Host(LinkState& s) : st(s) { panel.setRecord(s.slot[kSlot]); }
    void setMenuVisible(MenuId, bool) override {}
    void setMenuEnabled(MenuId, bool) override {}
    int DevCount() const override { return 1; }
    RecvViewIf& recvView(int) override { return *this; }
    void ShowLayout() override { panel.setDev2S(st.slot[kSlot].Dev2S); }
    void ShowModeList() override { panel.ShowModeList(); }
    void ShowMode(int) override {}
    void ShowTabs() override
    {
        panel.TabClear();
        for (const TestTab& t : st.slot[kSlot].Tabs)
            panel.TabAdd(t.position, t.key);
    }
    void ShowDeviceName(int) override {}
    void setAxesY1Txt(const QString&) override {}
    void InitChnCurves() override {}
    void InitAutoTest() override { autoInits.push_back(kSlot); }
    void SetupModeFields(int chn) override { ql::SetupModeFields(st, kSlot, chn, panel); }
};

// A data reply of an idle channel in mode 0 at 1.2 V with the given echoes.
std::vector<uint8_t> FirstReply(int type, int chan, int setEcho, int lmtEcho)
{
    std::vector<uint8_t> w(19, 0);
    uint8_t* p = w.data() + 1;
    sim::PutPair(p + 3, 1200);
    sim::PutPair(p + 9, setEcho);
    sim::PutPair(p + 11, lmtEcho);
    p[15] = uint8_t(100 * chan + type);
    p[16] = sim::ReplyCheck(p);
    w.front() = 0xFA;
    w.back() = 0xF8;
    return w;
}

// A slot connecting to a device, the panel set up by what it replies.
class LinkDrivesPanel : public ::testing::Test {
protected:
    void SetUp() override { st.slot[kSlot].Connecting = true; }
    void receive(const std::vector<uint8_t>& w) { dec.RecvBytes(kSlot, w.data(), w.size()); }
    LinkState st;
    Host host{st};
    ReplyDecoder dec{st, host};
    DevCtrl& p = host.panel;
};

TEST_F(LinkDrivesPanel, FirstReplyOfAChargerFillsModesTabsAndFields)
{
    receive(FirstReply(1, 0, 150, 420));
    EXPECT_FALSE(st.slot[kSlot].Connecting);
    EXPECT_FALSE(p.Dev2S());
    ASSERT_EQ(p.ModeCnt(), 7);
    EXPECT_EQ(p.ModeTxt(6), QStringLiteral("C-CV"));
    EXPECT_EQ(p.tMode(), QStringLiteral("D-CC"));
    ASSERT_EQ(p.ui().tabDev->count(), 3);
    EXPECT_EQ(p.ui().tabDev->tabText(1), QStringLiteral("Auto Test"));
    EXPECT_EQ(p.ui().tabDev->tabText(2), QStringLiteral("Cycle Test"));
    EXPECT_EQ(p.lSlmt(0), QStringLiteral("Cutoff Volt:"));
    EXPECT_EQ(host.autoInits, std::vector<int>{kSlot});
    // The fields show the echoed set value in the model's units.
    EXPECT_EQ(p.tSval(0), QStringLiteral("1.50"));
    EXPECT_EQ(p.tStim(0), QStringLiteral("0"));
}

TEST_F(LinkDrivesPanel, FirstReplyOfATwoChannelLoadSwitchesTheLayout)
{
    p.setTSval(0, QStringLiteral("kept"));
    receive(FirstReply(17, 0, 0, 0));
    EXPECT_TRUE(p.Dev2S());
    EXPECT_TRUE(st.slot[kSlot].Connecting);  // waits for a reply of channel 1
    EXPECT_EQ(p.ui().cmbMode2S->count(), 2);
    EXPECT_EQ(p.ui().cmbMode->count(), 1);  // the single-channel box keeps its "No Device"
    EXPECT_EQ(p.ui().tabDev->count(), 2);
    EXPECT_EQ(p.lSlmt(0), QStringLiteral("Cutoff V:"));
    EXPECT_EQ(p.lStim(0), QStringLiteral("Time:"));
    EXPECT_EQ(p.tSval(0), QStringLiteral("0.000"));  // type 17 resolves 1 mA

    receive(FirstReply(17, 1, 0, 0));
    EXPECT_FALSE(st.slot[kSlot].Connecting);
    EXPECT_EQ(p.lSlmt(1), QStringLiteral("Cutoff V:"));
    // The single-channel field kept its text through the switch.
    p.setDev2S(false);
    EXPECT_EQ(p.tSval(0), QStringLiteral("kept"));
}

} // namespace
