// Fuzz target of the reply framing and decoder: arbitrary bytes, cut into
// reads of varying length, for a slot that is connecting or identified.
// Checks the decoder's promises on every sample: a channel of 0 or 1, a
// type code of the table's range, a mode index that is a reply's mode digit
// (a mode outside the model's list is decoded and logged once per connect),
// no sample of a channel a one-channel type lacks and one log line per
// connect of such replies and of replies of another type, and a start, set
// or continue built for the sample's mode that carries exactly that channel
// and mode.
#include "link/encode.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/recv.h"
#include "link/valuecheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace ql;

// Views that check what the decoder asks them to show.
struct NullView : RecvViewIf {
    const LinkState& st;
    int slot = 0;
    explicit NullView(const LinkState& s) : st(s) {}
    void ShowLayout() override {}
    void ShowModeList() override {}
    void ShowMode(int chn) override {
        if (chn < 0 || chn > 1)
            std::abort();
    }
    void ShowTabs() override {
        for (const TestTab& t : st.slot[size_t(slot)].Tabs)
            if (t.position < 1 || t.position > 3)
                std::abort();
    }
    void ShowDeviceName(int chn) override {
        if (chn < 0 || chn > 1)
            std::abort();
    }
    void setAxesY1Txt(const QString&) override {}
    void InitChnCurves() override {}
    void InitAutoTest() override {}
    void SetupModeFields(int chn) override {
        if (chn < 0 || chn > 1)
            std::abort();
    }
};

struct NullHost : RecvHostIf {
    NullView view;
    explicit NullHost(const LinkState& s) : view(s) {}
    void setMenuVisible(MenuId, bool) override {}
    void setMenuEnabled(MenuId, bool) override {}
    int DevCount() const override { return 1; }
    RecvViewIf& recvView(int slot) override {
        if (slot < 0 || slot >= kSlotCount)
            std::abort();
        view.slot = slot;
        return view;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // Byte 0: slot (low nibble, 0..10) and whether the slot is connecting;
    // byte 1: read length 1..64.
    const int slot = (data[0] & 0x0F) % kSlotCount;
    const bool connecting = (data[0] & 0x10) != 0;
    const size_t chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    LinkState st;
    st.ResSlot = slot;  // a resistance test waits on the slot's first channel
    NullHost host(st);
    st.slot[slot].Connecting = connecting;
    if (!connecting) {
        // An identified load of type 11.
        st.slot[slot].DevType = 11;
        st.slot[slot].ModeList = SetupBranchFor(11, 0).modes;
        ApplyModelRow(st.slot[slot], 0);
    }
    // Set value, limit and third value as a user might have typed them.
    for (ChanState& c : st.slot[slot].chn) {
        c.SvalText = QStringLiteral("1");
        c.SlmtText = QStringLiteral("2");
        c.StimText = QStringLiteral("0");
    }
    ReplyDecoder dec(st, host);
    int modeLines = 0, typeLines = 0, oneChanLines = 0;
    dec.errLog = [&](const QString&, const QString& text) {
        // Each kind once per connect.
        if (text.contains(QStringLiteral("mode list")) && ++modeLines > 1)
            std::abort();
        if (text.contains(QStringLiteral("in reply, connected to")) && ++typeLines > 1)
            std::abort();
        if (text.contains(QStringLiteral("channel 1 in reply")) && ++oneChanLines > 1)
            std::abort();
    };
    dec.onSample = [&](int s, int chn, int run, bool) {
        SlotState& ss = st.slot[static_cast<size_t>(s)];
        if (s != slot || chn < 0 || chn > 1 || run < 0 || run > 9)
            std::abort();
        if (ss.DevType < 1 || ss.DevType > kMaxTypeCode)
            std::abort();
        // A one-channel type has no channel 1.
        if (chn == 1 && !IsTwoChannelType(ss.DevType))
            std::abort();
        ChanState& ch = ss.chn[static_cast<size_t>(chn)];
        const int mode = ch.ChnMode;
        if (mode < 0 || mode > 9)
            std::abort();
        // A command for the channel in that mode that passes the check of its
        // values names both and is a sound frame.
        for (const int kind : {1, 7, 8}) {
            const auto f = CheckAndEncodeStart(ss, chn, kind).encoded.frame;
            if (!f)
                continue;
            if ((*f)[0] != 0xFA || (*f)[9] != 0xF8 || (*f)[1] != CommandByte(chn, mode, kind) || (*f)[8] != ChkXor(*f))
                std::abort();
            for (size_t i = 2; i <= 7; ++i)
                if ((*f)[i] >= 0xF0)
                    std::abort();
        }
    };
    for (size_t at = 0; at < size; at += chunk)
        dec.RecvBytes(slot, data + at, size - at < chunk ? size - at : chunk);
    return 0;
}
