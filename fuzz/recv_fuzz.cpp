// Fuzz target of the reply framing and decoder: arbitrary bytes, cut into
// reads of varying length, for a slot that is connecting or identified.
// Checks the decoder's promises on every sample: a channel of 0 or 1, a
// type code of the table's range, a mode index inside the mode list.
#include "link/modeltable.h"
#include "link/recv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace ql;

struct NullPanel : RecvPanelIf {
    bool dev2s = false;
    int modes = 0;
    bool Dev2S() const override { return dev2s; }
    void setDev2S(bool on) override { dev2s = on; }
    void setLedRecv(bool) override {}
    void ModeClr() override { modes = 0; }
    void ModeAdd(const QString&) override { ++modes; }
    void setTMode(const QString&) override {}
    void TabClear() override {}
    void TabAdd(int position, const QString&) override {
        if (position < 1 || position > 3)
            std::abort();
    }
};

struct NullHost : RecvHostIf {
    NullPanel panel;
    RecvPanelIf* recvPanel(int) override { return &panel; }
    void setGridText(int, int row, int col, const QString&) override {
        if (row < 1 || row > 2 || col != 0)
            std::abort();
    }
    void setAxesY1Txt(int, const QString&) override {}
    void setMenuVisible(const QString&, bool) override {}
    void setMenuEnabled(const QString&, bool) override {}
    int DevCount() const override { return 1; }
    void InitChnCurves(int) override {}
    void InitAutoTest(int) override {}
    void SetupModeFields(int, int chn) override {
        if (chn < 0 || chn > 1)
            std::abort();
    }
};

struct Timers : RecvTimersIf {
    bool conn = true;
    bool ConnEnabled(int) const override { return conn; }
    void StopConn(int) override { conn = false; }
    void RecvStarted(int) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // Byte 0: slot (low nibble, 0..10) and whether the connect timer runs;
    // byte 1: read length 1..64.
    const int slot = (data[0] & 0x0F) % kSlotCount;
    const bool connecting = (data[0] & 0x10) != 0;
    const size_t chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    LinkState st;
    st.ResSlot = slot;  // a resistance test waits on the slot's first channel
    NullHost host;
    Timers timers;
    timers.conn = connecting;
    if (!connecting) {
        // An identified load of type 11.
        st.slot[slot].DevType = 11;
        st.slot[slot].ModeList = ModeListFor(11);
        ApplyModelRow(st.slot[slot], 0);
    }
    ReplyDecoder dec(st, host, timers);
    dec.errLog = [](const QString&, const QString&) {};
    dec.onSample = [&](int s, int chn, int run) {
        const SlotState& ss = st.slot[static_cast<size_t>(s)];
        if (s != slot || chn < 0 || chn > 1 || run < 0 || run > 9)
            std::abort();
        if (ss.DevType < 1 || ss.DevType > kMaxTypeCode)
            std::abort();
        const int mode = ss.chn[static_cast<size_t>(chn)].ChnMode;
        if (mode < 0 || (!ss.ModeList.isEmpty() && mode >= ss.ModeList.size()))
            std::abort();
        // The tracking steps are safe on every frame.
        dec.RunStartEcho(s, chn);
        dec.SetEcho(s, chn);
    };
    for (size_t at = 0; at < size; at += chunk)
        dec.RecvBytes(slot, data + at, size - at < chunk ? size - at : chunk);
    return 0;
}
