#pragma once
// Fakes of the receive path's host and panel, and a reply-frame
// builder, shared by the decoder tests.
#include "link/hostif.h"
#include "link/recv.h"

#include <QStringList>

#include <map>
#include <vector>

namespace ql::testing {

struct FakePanel : RecvPanelIf {
    bool dev2s = false;
    bool led = false;
    QStringList modes;
    QString tMode;
    std::vector<std::pair<int, QString>> tabs;
    int modeClrCount = 0, tabClrCount = 0;

    bool Dev2S() const override { return dev2s; }
    void setDev2S(bool on) override { dev2s = on; }
    void setLedRecv(bool on) override { led = on; }
    void ModeClr() override { modes.clear(); ++modeClrCount; }
    void ModeAdd(const QString& t) override { modes << t; }
    void setTMode(const QString& t) override { tMode = t; }
    void TabClear() override { tabs.clear(); ++tabClrCount; }
    void TabAdd(int pos, const QString& key) override { tabs.emplace_back(pos, key); }
};

struct FakeHost : RecvHostIf {
    FakePanel panels[kSlotCount];
    std::map<std::pair<int, int>, QString> grid[kSlotCount];  // (row, col) -> text
    QString axis[kSlotCount];
    std::map<QString, bool> visible, enabled;
    int devCount = 1;
    std::vector<int> initChnCurves, initAutoTest;
    std::vector<std::pair<int, int>> setupModeFields;

    RecvPanelIf* recvPanel(int slot) override { return &panels[slot]; }
    void setGridText(int slot, int row, int col, const QString& t) override { grid[slot][{row, col}] = t; }
    void setAxesY1Txt(int slot, const QString& t) override { axis[slot] = t; }
    void setMenuVisible(const QString& n, bool v) override { visible[n] = v; }
    void setMenuEnabled(const QString& n, bool e) override { enabled[n] = e; }
    int DevCount() const override { return devCount; }
    void InitChnCurves(int slot) override { initChnCurves.push_back(slot); }
    void InitAutoTest(int slot) override { initAutoTest.push_back(slot); }
    void SetupModeFields(int slot, int chn) override { setupModeFields.emplace_back(slot, chn); }

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

inline std::vector<uint8_t> Body(const Reply& r) {
    std::vector<uint8_t> b(17);
    b[0] = static_cast<uint8_t>(100 * r.kind + 10 * r.run + r.mode);
    auto pair = [&](int i, int v) {
        b[static_cast<size_t>(i)] = static_cast<uint8_t>(v / 240);
        b[static_cast<size_t>(i) + 1] = static_cast<uint8_t>(v % 240);
    };
    pair(1, r.cur);
    pair(3, r.volt);
    pair(5, r.cap);
    pair(7, r.temp);
    pair(9, r.e1);
    pair(11, r.e2);
    pair(13, r.e3);
    b[15] = static_cast<uint8_t>(100 * r.chan + r.type);
    uint8_t x = 0;
    for (int i = 0; i < 16; ++i)
        x ^= b[static_cast<size_t>(i)];
    b[16] = static_cast<uint8_t>(x % 240);
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
