#include "link/frames.h"

#include "link/comm.h"
#include "link/encode.h"
#include "link/modefields.h"
#include "link/modeltable.h"
#include "link/state.h"
#include "platform/rounding.h"
#include "platform/numfmt.h"
#include "platform/services.h"

#include <cmath>

namespace ql {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool validSlot(int slot)
{
    return slot >= 0 && slot < kSlotCount;
}

bool validChannel(int chn)
{
    return chn == 0 || chn == 1;
}

// Puts v into positions pos, pos + 1 (1-based) of the frame.
bool put240(CmdFrame& f, int pos, int64_t v, const char* what, QString* error)
{
    uint8_t hi = 0, lo = 0;
    if (!Base240(v, hi, lo)) {
        setError(error, QStringLiteral("%1 %2 out of range 0..%3").arg(QLatin1String(what)).arg(v).arg(kMaxFrameValue));
        return false;
    }
    f[size_t(pos - 1)] = hi;
    f[size_t(pos)] = lo;
    return true;
}

// The channel chosen on the slot's panel.
std::optional<int> panelChannel(const LinkState& state, int slot, QString* error)
{
    if (!validSlot(slot)) {
        setError(error, QStringLiteral("slot %1 out of range").arg(slot));
        return std::nullopt;
    }
    const int c = state.slot[size_t(slot)].ChnSel;
    if (!validChannel(c)) {
        setError(error, QStringLiteral("channel %1 out of range").arg(c));
        return std::nullopt;
    }
    return c;
}

// A current as a set field shows it: three decimals where the model
// resolves 1 mA, else two.
QString setValueText(double v, int curFactor) { return Format(v, CurrentPattern(curFactor)); }

// Logs a failed sender and reports it.
bool fail(const char* label, const QString& error)
{
    ErrLog(QLatin1String(label), error);
    return false;
}

std::optional<CmdFrame> codeFrame(const LinkState& state, int slot, int byte8, QString* error)
{
    const auto c = panelChannel(state, slot, error);
    if (!c)
        return std::nullopt;
    if (byte8 < 0) {
        setError(error, QStringLiteral("code out of range"));
        return std::nullopt;
    }
    // To any other device the frame is a set of 0 A down to 0 V: only a
    // USB tester (a device with the trigger window) is sent one.
    const int type = state.slot[size_t(slot)].DevType;
    if (!SetupBranchFor(type, 0).menuUsb) {
        setError(error, QStringLiteral("device type %1 takes no trigger codes").arg(type));
        return std::nullopt;
    }
    CmdFrame f{};
    f[1] = *CommandByte(*c, 0, OpSet);
    f[7] = uint8_t(byte8);
    FinishFrame(f);
    return f;
}

} // namespace

std::optional<uint8_t> CommandByte(int chn, int mode, int op)
{
    if (!validChannel(chn) || mode < 0)
        return std::nullopt;
    const int command = 16 * (10 * chn + mode) + op;
    if (command < 0 || command > 255)
        return std::nullopt;
    return uint8_t(command);
}

void FinishFrame(CmdFrame& f)
{
    f[0] = kFrameStart;
    f[8] = ChkXor(f);
    f[9] = kFrameEnd;
}

bool Base240(int64_t v, uint8_t& high, uint8_t& low)
{
    if (v < 0 || v > kMaxFrameValue)
        return false;
    high = uint8_t(v / 240);
    low = uint8_t(v % 240);
    return true;
}

uint8_t ChkXor(const CmdFrame& frame)
{
    uint8_t x = 0;
    for (size_t i = 1; i <= 7; ++i)
        x ^= frame[i];
    return uint8_t(x % 240);
}

bool ChkRec(std::span<const uint8_t> body)
{
    uint8_t x = 0;
    for (uint8_t b : body)
        x ^= b;
    return x % 240 == 0;
}

StartRule StartRuleFor(int T, int m)
{
    const StartSet set = StartSetOf(T);
    switch (set) {
    case StartSet::Cells1:
        return (m >= 1 && m <= 5) ? StartRule::Cells : StartRule::Unchanged;
    case StartSet::Cells2:
    case StartSet::Cells3:
        if (m == 1)
            return StartRule::Power;
        if (m >= (set == StartSet::Cells2 ? 2 : 3) && m <= 6)
            return StartRule::Cells;
        if (m >= 8)
            return StartRule::Zeros;
        return StartRule::Unchanged;
    case StartSet::Plain:
        return StartRule::Unchanged;
    case StartSet::Power1:
        return m == 1 ? StartRule::Power : StartRule::Unchanged;
    case StartSet::Meter3:
        break;
    }
    if (m == 1)
        return StartRule::Power;
    if (m == 3)
        return StartRule::Zeros;
    return StartRule::Unchanged;
}

bool ValueCIsCutOff(int mode, int cvMode, bool cvCutCur)
{
    return mode == 8 || (mode == cvMode && cvCutCur);
}

QByteArray FrameBytes(const CmdFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

std::optional<CmdFrame> MakeFrame(int command, int64_t a, int64_t b, int64_t c, QString* error)
{
    if (command < 0 || command > 255) {
        setError(error, QStringLiteral("command byte %1 out of range").arg(command));
        return std::nullopt;
    }
    CmdFrame f{};
    f[1] = uint8_t(command);
    if (!put240(f, 3, a, "value A", error) || !put240(f, 5, b, "value B", error) || !put240(f, 7, c, "value C", error))
        return std::nullopt;
    FinishFrame(f);
    return f;
}

std::optional<CmdFrame> CalibFrame(int chn, int code, int64_t value, QString* error)
{
    if (!validChannel(chn) || code < 0 || code >= 240) {
        setError(error, QStringLiteral("channel %1 code %2 out of range").arg(chn).arg(code));
        return std::nullopt;
    }
    CmdFrame f{};
    f[1] = *CommandByte(chn, 0, OpCalibrate);
    f[2] = uint8_t(code);
    uint8_t hi = 0, lo = 0;
    if (!Base240(value, hi, lo)) {
        setError(error, QStringLiteral("value %1 out of range").arg(value));
        return std::nullopt;
    }
    f[3] = hi;
    f[4] = lo;
    FinishFrame(f);
    return f;
}

std::optional<CmdFrame> ResTestFrame(int chn, double milliamps, int curFactor, float maxCur, QString* error)
{
    if (!validChannel(chn) || !std::isfinite(milliamps)) {
        setError(error, QStringLiteral("channel %1 or current out of range").arg(chn));
        return std::nullopt;
    }
    double ma = std::min(milliamps, double(maxCur) * 1000.0);
    ma = RoundHalfEven(ma);
    if (ma < 0 || ma > 1e9) {
        setError(error, QStringLiteral("current %1 mA out of range").arg(ma));
        return std::nullopt;
    }
    int64_t units = int64_t(ma);
    if (curFactor == 100)
        units /= 10;
    return MakeFrame(*CommandByte(chn, 0, OpResTest), units, 0, 0, error);
}

int WriteFrame(LinkState& state, int slot, const CmdFrame& frame)
{
    if (!validSlot(slot))
        return 0;
    return WriteBytes(state.slot[size_t(slot)].hComm, FrameBytes(frame));
}

bool SendConnect(LinkState& state, int slot)
{
    if (!validSlot(slot))
        return fail("ErrConn", QStringLiteral("slot %1 out of range").arg(slot));
    WriteFrame(state, slot, *MakeFrame(OpConnect, 0, 0, 0));
    return true;
}

bool SendDisconnect(LinkState& state, int slot)
{
    if (!validSlot(slot))
        return fail("ErrDconn", QStringLiteral("slot %1 out of range").arg(slot));
    WriteFrame(state, slot, *MakeFrame(OpDisconnect, 0, 0, 0));
    return true;
}

bool SendStop(LinkState& state, int slot, int chn)
{
    if (!validSlot(slot) || !validChannel(chn))
        return fail("ErrStop", QStringLiteral("slot %1 channel %2 out of range").arg(slot).arg(chn));
    WriteFrame(state, slot, *MakeFrame(*CommandByte(chn, 0, OpStop), 0, 0, 0));
    return true;
}

bool SendTime(LinkState& state, int slot, int chn)
{
    if (!validSlot(slot) || !validChannel(chn))
        return fail("ErrTim", QStringLiteral("slot %1 channel %2 out of range").arg(slot).arg(chn));
    QString error;
    const auto f = MakeFrame(*CommandByte(chn, 0, OpTime), state.ch(slot, chn).RunSecs.load() / 60, 0, 0, &error);
    if (!f)
        return fail("ErrTim", error);
    WriteFrame(state, slot, *f);
    return true;
}

bool SendStartFrame(LinkState& state, int slot, int chn, const Encoded& accepted)
{
    if (!validSlot(slot) || !validChannel(chn))
        return fail("ErrStart", QStringLiteral("slot %1 channel %2 out of range").arg(slot).arg(chn));
    if (!accepted.frame)
        return fail("ErrStart", QStringLiteral("slot %1 channel %2: %3").arg(slot).arg(chn).arg(accepted.error));
    ChanState& c = state.ch(slot, chn);
    c.SetRaw = accepted.SetRaw.value_or(c.SetRaw);
    c.LmtRaw = accepted.LmtRaw.value_or(c.LmtRaw);
    c.TimRaw = accepted.TimRaw.value_or(c.TimRaw);
    WriteFrame(state, slot, *accepted.frame);
    return true;
}

bool RemoteSet(LinkState& state, int slot, float value)
{
    QString error;
    const auto c = panelChannel(state, slot, &error);
    if (!c)
        return fail("ErrSet", error);
    return RemoteSetOn(state, slot, *c, value);
}

bool RemoteSetOn(LinkState& state, int slot, int chn, float value)
{
    if (!validSlot(slot) || !validChannel(chn))
        return fail("ErrSet", QStringLiteral("slot %1 channel %2 out of range").arg(slot).arg(chn));
    SlotState& s = state.slot[size_t(slot)];
    const Encoded e = EncodeRemoteSet(s, chn, value);
    if (!e.frame)
        return fail("ErrSet", e.error);
    WriteFrame(state, slot, *e.frame);
    s.chn[size_t(s.FieldChn(chn))].SvalText = setValueText(double(value), s.CurFactor);
    return true;
}

bool RemoteQC(LinkState& state, int slot, int code)
{
    QString error;
    const auto f = codeFrame(state, slot, (code + 10) % 240, &error);
    if (!f)
        return fail("ErrQC", error);
    WriteFrame(state, slot, *f);
    return true;
}

bool RemotePE(LinkState& state, int slot, int direction)
{
    QString error;
    const auto f = codeFrame(state, slot, (direction + 20) % 240, &error);
    if (!f)
        return fail("ErrPE", error);
    WriteFrame(state, slot, *f);
    return true;
}

} // namespace ql
