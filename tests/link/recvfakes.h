#pragma once
// A fake of the receive path's host and views, and a reply-frame
// builder, shared by the receive-path tests.
#include "link/hostif.h"
#include "link/recv.h"
#include "menunames.h"
#include "sim/devsim.h"

#include <QStringList>

#include <map>
#include <vector>

namespace ql::testing {

// What a slot's panel shows.
struct FakePanel {
    bool dev2s = false;
    QStringList modes;
    QString tMode;
    std::vector<std::pair<int, QString>> tabs;
    int modeClrCount = 0, tabClrCount = 0;
};

// The main window as the receive path sees it: menus, and views that show
// what the decoder put in the slot's records (as the program's do).
struct FakeHost : RecvHostIf {
    explicit FakeHost(const LinkState& state) : st(state) {}
    const LinkState& st;
    FakePanel panels[kSlotCount];
    std::map<std::pair<int, int>, QString> grid[kSlotCount];  // (row, col) -> text
    QString axis[kSlotCount];
    std::map<QString, bool> visible, enabled;
    int devCount = 1;
    std::vector<int> initChnCurves, initAutoTest;
    std::vector<std::pair<int, int>> setupModeFields;

    // One slot's views.
    struct View : RecvViewIf {
        View(FakeHost& h, int slot) : h(h), s(slot) {}
        FakeHost& h;
        int s;
        const SlotState& rec() const { return h.st.slot[size_t(s)]; }
        void ShowLayout() override { h.panels[s].dev2s = rec().Dev2S; }
        void ShowModeList() override {
            h.panels[s].modes = rec().ModeList;
            ++h.panels[s].modeClrCount;
        }
        void ShowMode(int chn) override {
            const int m = rec().chn[size_t(chn)].ChnMode;
            h.panels[s].tMode = m >= 0 && m < rec().ModeList.size() ? rec().ModeList.at(m) : QString();
        }
        void ShowTabs() override {
            h.panels[s].tabs.clear();
            for (const TestTab& t : rec().Tabs)
                h.panels[s].tabs.emplace_back(t.position, t.key);
            ++h.panels[s].tabClrCount;
        }
        void ShowDeviceName(int chn) override { h.grid[s][{chn + 1, 0}] = rec().chn[size_t(chn)].DevName; }
        void setAxesY1Txt(const QString& t) override { h.axis[s] = t; }
        void InitChnCurves() override { h.initChnCurves.push_back(s); }
        void InitAutoTest() override { h.initAutoTest.push_back(s); }
        void SetupModeFields(int chn) override { h.setupModeFields.emplace_back(s, chn); }
    };
    std::vector<View> views = [this] {
        std::vector<View> v;
        for (int n = 0; n < kSlotCount; ++n)
            v.emplace_back(*this, n);
        return v;
    }();

    void setMenuVisible(MenuId m, bool v) override { visible[qltest::MenuName(m)] = v; }
    void setMenuEnabled(MenuId m, bool e) override { enabled[qltest::MenuName(m)] = e; }
    int DevCount() const override { return devCount; }
    RecvViewIf& recvView(int slot) override { return views.at(size_t(slot)); }

    QString name(int slot, int row) const {
        auto it = grid[slot].find({row, 0});
        return it == grid[slot].end() ? QString() : it->second;
    }
};

// Fields of a reply; pairs are 0..57599.
struct Reply {
    int kind = 0, run = 0, mode = 0;
    int cur = 0, volt = 0, cap = 0, temp = 0;
    int e1 = 0, e2 = 0, e3 = 0;  // echoes, or version / rated voltage / rated current
    int chan = 0, type = 11;
};

// The 17 body bytes, encoded as the simulated device encodes its replies.
inline std::vector<uint8_t> Body(const Reply& r) {
    std::vector<uint8_t> b(17);
    b[0] = static_cast<uint8_t>(100 * r.kind + 10 * r.run + r.mode);
    uint8_t* pair = &b[1];
    for (int v : {r.cur, r.volt, r.cap, r.temp, r.e1, r.e2, r.e3}) {
        sim::PutPair(pair, v);
        pair += 2;
    }
    b[15] = static_cast<uint8_t>(100 * r.chan + r.type);
    b[16] = sim::ReplyCheck(b.data());
    return b;
}

inline std::vector<uint8_t> Wire(const Reply& r) {
    std::vector<uint8_t> w{0xFA};
    auto b = Body(r);
    w.insert(w.end(), b.begin(), b.end());
    w.push_back(0xF8);
    return w;
}

inline void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

} // namespace ql::testing
