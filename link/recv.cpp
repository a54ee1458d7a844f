#include "link/recv.h"

#include "link/comm.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/slotmenus.h"
#include "platform/services.h"

#include <QByteArray>

#include <exception>
#include <limits>

namespace ql {

namespace {

constexpr uint8_t kStart = 0xFA;
constexpr uint8_t kEnd = 0xF8;

// The products are formed in double precision and stored as single, as the
// device's values always have been.
float Scaled(double raw, double factor) { return static_cast<float>(raw * factor); }

void CountUp(int16_t& n) {
    if (n < std::numeric_limits<int16_t>::max())
        ++n;
}

// On a capacity just decoded: a pending continue is judged once, then the
// restored offset is added. A device that reports at least 90 % of the
// recorded capacity kept counting through the outage (its count has run on
// past the record meanwhile), so the record is not added on top; only a
// device that clearly started again from zero gets the recorded capacity
// added.
void ApplyContinue(ChanState& ch) {
    if (ch.ContPend) {
        ch.ContPend = false;
        const float lo = static_cast<float>(static_cast<double>(ch.CapOffset) * 0.9);
        if (ch.Cap >= lo)
            ch.CapOffset = 0;
    }
    ch.Cap = ch.Cap + ch.CapOffset;
}

} // namespace

float DecodeCurrent(int raw, int curFactor, int devType, int fwVersion) {
    if (curFactor == 100)
        return Scaled(raw, 0.01);
    if (IsVariantB(devType, fwVersion))
        return Scaled(raw / 10, 0.001);
    return Scaled(raw, 0.001);
}

float DecodeVoltage(int raw) {
    return raw < 32768 ? Scaled(raw, 0.001) : Scaled(raw - 32768, 0.01);
}

float DecodeCapacity(int raw) {
    if (raw < 32768)
        return Scaled(raw, 0.001);
    if (raw < 53248)
        return Scaled(raw - 32768, 0.01);
    return Scaled(raw - 53248, 0.1);
}

ReplyDecoder::ReplyDecoder(LinkState& state, RecvHostIf& host) : st_(state), host_(host) {
    errLog = [](const QString& label, const QString& text) { ErrLog(label, text); };
}

void ReplyDecoder::Fail(const QString& text) {
    if (errLog)
        errLog(QStringLiteral("ErrComm"), text);
}

void ReplyDecoder::FailOnce(bool& logged, const QString& text) {
    if (logged)
        return;
    logged = true;
    Fail(text);
}

void ReplyDecoder::ResetFraming(int slot) {
    if (slot >= 0 && slot < kSlotCount)
        framing_[static_cast<size_t>(slot)] = Framing{};
}

RecvResult ReplyDecoder::RecvDevice(int slot) {
    if (slot < 0 || slot >= kSlotCount)
        return {};
    int count = 0;
    const QByteArray bytes = ReadBytes(st_.slot[static_cast<size_t>(slot)].hComm, count);
    if (count <= 0)
        return {};
    return RecvBytes(slot, reinterpret_cast<const uint8_t*>(bytes.constData()),
                     static_cast<size_t>(std::min<qsizetype>(count, bytes.size())));
}

RecvResult ReplyDecoder::RecvBytes(int slot, const uint8_t* data, size_t count) {
    RecvResult r;
    if (slot < 0 || slot >= kSlotCount || !data)
        return r;
    Framing& fr = this->fr(slot);
    try {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t b = data[i];
            if (b == kStart) {
                r.startByte = true;
                fr.RecvState = true;
                fr.RecvPos = 1;
            } else if (b == kEnd) {
                const bool complete = fr.RecvState && fr.RecvPos == kReplyBodyLen + 1;
                fr.RecvState = false;
                fr.RecvPos = 0;
                if (!complete)
                    continue;  // short frame, lone or early end byte: nothing to decode
                ReplyFrame f;
                f.p = fr.RecvBuf;
                if (!HandleFrame(slot, f))
                    break;
            } else if (fr.RecvState) {
                if (fr.RecvPos < 1 || fr.RecvPos > kReplyBodyLen) {
                    // An 18th body byte: the frame is abandoned.
                    fr.RecvState = false;
                    fr.RecvPos = 0;
                } else {
                    fr.RecvBuf[static_cast<size_t>(fr.RecvPos - 1)] = b;
                    ++fr.RecvPos;
                }
            }
        }
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
    return r;
}

void ReplyDecoder::StoreEchoes(ChanState& ch, const ReplyFrame& f) {
    ch.SetRaw = f.Pair(9);
    ch.LmtRaw = f.Pair(11);
    ch.TimRaw = f.Pair(13);
}

void ReplyDecoder::StoreInfo(SlotState& s, const ReplyFrame& f) {
    s.FwVersion = f.Pair(9);
    s.MaxVol = static_cast<float>(static_cast<double>(f.Pair(11)) / (s.VolFactor > 0 ? s.VolFactor : 100));
    s.MaxCur = static_cast<float>(static_cast<double>(f.Pair(13)) / (s.CurFactor > 0 ? s.CurFactor : 100));
}

bool ReplyDecoder::HandleFrame(int slot, const ReplyFrame& f) {
    if (!ChkRec(f.p))
        return false;  // dropped silently with the rest of the read

    // A device that sends replies of the kinds below sends them all the
    // time: one log line per connect says so.
    const int chan = f.Chan();
    if (chan >= kChanCount) {
        FailOnce(fr(slot).ChanLogged, QStringLiteral("channel %1 in reply").arg(chan));
        return false;
    }
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    const bool connecting = s.Connecting;
    const int frameType = f.Type();  // 0..99 once the channel digit is 0 or 1

    // Once the device is identified, a reply of another type code (another
    // device on the line) would be read with this device's factors: it is
    // no sample.
    if (!connecting && frameType != s.DevType) {
        FailOnce(fr(slot).TypeLogged,
                 QStringLiteral("type %1 in reply, connected to type %2").arg(frameType).arg(s.DevType));
        return true;
    }

    // The device answers: it can be calibrated, unless a calibration is open.
    // Every change of the entry goes through the slot's record, so an entry
    // the record has on needs nothing.
    if (!st_.AdjOpen && !s.AdjMenuOn)
        SetSlotMenu(st_, slot, MenuId::menuAdj, true, &host_);

    if (connecting && !Identify(slot, chan, f))
        return false;

    // A channel-1 reply of a one-channel type may identify the device, but
    // it belongs to no channel the device has: it is no sample.
    if (chan == 1 && !IsTwoChannelType(frameType)) {
        FailOnce(fr(slot).OneChanLogged, QStringLiteral("channel 1 in reply of one-channel type %1").arg(frameType));
        return true;
    }

    if (f.FrameKind() == 1)
        InfoStep(slot, chan, f);

    // A mode beyond the model's list (a run started on the device's own
    // keys, a mode the start rules know but the list does not offer) is
    // decoded like any other; it is worth one log line per connect.
    if (f.Mode() >= s.ModeList.size() && !fr(slot).ModeLogged)
        FailOnce(fr(slot).ModeLogged, QStringLiteral("mode %1 outside the mode list of type %2 (%3 modes)")
                                          .arg(f.Mode())
                                          .arg(s.DevType)
                                          .arg(s.ModeList.size()));

    DecodeMeasurements(slot, chan, f);
    RunEchoes(slot, chan, f);

    if (onSample)
        onSample(slot, chan, f.RunState(), f.FrameKind() == 0);
    return true;
}

// The channel's measurements from a data or info reply: current,
// voltage, the resistance test's voltage, capacity, temperature and the
// USB tester's data lines.
void ReplyDecoder::DecodeMeasurements(int slot, int chan, const ReplyFrame& f) {
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    ChanState& ch = s.chn[static_cast<size_t>(chan)];
    const int curRaw = f.Pair(1);
    ch.Cur = DecodeCurrent(curRaw, s.CurFactor, s.DevType, s.FwVersion);
    if (s.CurFactor != 100)
        ch.CurTenth = static_cast<float>(curRaw * 0.001 * 0.1);
    ch.Volt = DecodeVoltage(f.Pair(3));

    if (st_.ResVolt == 0 && slot == st_.ResSlot && chan == st_.ResChn && !ch.Running) {
        const float r = Scaled(f.Pair(5), 0.001);
        if (r != ch.Cap && r > 0)
            st_.ResVolt = r;
    }

    const bool usb = HasQuirk(s.DevType, kUsbLines);
    if (ch.Running && !usb) {
        ch.Cap = DecodeCapacity(f.Pair(5));
        ApplyContinue(ch);
    }

    if (s.Dev2S || usb)
        ch.Temp = 0;
    else
        ch.Temp = Scaled(f.Pair(7), 0.1);

    if (usb) {
        ch.AuxVolt1 = Scaled(f.Pair(5), 0.001);
        ch.AuxVolt2 = Scaled(f.Pair(7), 0.001);
    }
}

// First valid reply since the connect: identify the device and set the
// slot up. The type-26 test looks at this frame's type, not at one left
// from an earlier connection.
bool ReplyDecoder::Identify(int slot, int chan, const ReplyFrame& f) {
    // A reply without a type code names no device: nothing of it is kept,
    // and the connect timer goes on.
    const int frameType = f.Type();
    if (frameType == 0)
        return false;
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    ChanState& ch = s.chn[static_cast<size_t>(chan)];
    if (!HasQuirk(frameType, kUsbLines)) {
        ch.Cap = DecodeCapacity(f.Pair(5));
        ApplyContinue(ch);
    }
    ch.ChnMode = static_cast<int16_t>(f.Mode());
    if (f.FrameKind() == 0) {
        StoreEchoes(ch, f);
    } else {
        s.FwVersion = f.Pair(9);
        CountUp(s.VerFrames);
    }
    s.DevType = static_cast<int16_t>(frameType);
    DeviceSetup(slot, chan, frameType);
    return true;
}

// The display name of the channel whose run-grid row it is.
void ReplyDecoder::SetName(int slot, int row, const QString& text) {
    const int chn = row - 1;
    if (chn < 0 || chn >= kChanCount)
        return;
    st_.ch(slot, chn).DevName = text;
    host_.recvView(slot).ShowDeviceName(chn);
}

void ReplyDecoder::DeviceSetup(int slot, int chn, int type) {
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    RecvViewIf& view = host_.recvView(slot);

    // Two-channel devices are connecting until channel 1 answered.
    if (!(IsTwoChannelType(type) && chn != 1)) {
        s.Connecting = false;
        if (host_.DevCount() < kMaxDevices)
            host_.setMenuEnabled(MenuId::menuAddDev, true);
    }
    view.setAxesY1Txt(QStringLiteral("[A]"));

    const SetupBranch b = SetupBranchFor(type, chn);
    s.Dev2S = b.dev2s;
    view.ShowLayout();
    if (!b.modes.isEmpty()) {
        s.ModeList = b.modes;
        view.ShowModeList();
    }
    if (b.initChnCurves)
        view.InitChnCurves();
    SetSlotMenuShown(st_, slot, MenuId::menuRes, b.menuRes, &host_);
    if (b.menuUsb)
        SetSlotMenuShown(st_, slot, MenuId::menuUsb, true, &host_);
    s.TempOk = b.tempOk;
    if (b.meterAxis)
        view.setAxesY1Txt(QStringLiteral("[mA]"));
    if (!b.tabs.empty()) {
        s.Tabs = b.tabs;
        view.ShowTabs();
    }
    if (s.TempOk)
        SetSlotMenuShown(st_, slot, MenuId::menuTemp, true, &host_);
    SetSlotMenuShown(st_, slot, MenuId::menuQc, false, &host_);

    if (const auto name = ApplyModelRow(s, chn))
        SetName(slot, name->row, name->text);
    if (chn == 0)
        view.InitAutoTest();
    view.SetupModeFields(chn);
}

void ReplyDecoder::InfoStep(int slot, int chn, const ReplyFrame& f) {
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    StoreInfo(s, f);
    const VersionRuleResult r = ApplyVersionRules(s);
    if (r.name)
        SetName(slot, r.name->row, r.name->text);
    if (r.rebuilt) {
        RecvViewIf& view = host_.recvView(slot);
        view.ShowModeList();
        view.ShowMode(chn);
    }
    CountUp(s.VerFrames);
}

void ReplyDecoder::RunEchoes(int slot, int chn, const ReplyFrame& f) {
    if (!IsRunning(f.RunState()))
        return;
    if (!st_.ch(slot, chn).Running)
        RunStartEcho(slot, chn, f);
    if (st_.ch(slot, chn).SetPend > 0)
        SetEcho(slot, chn, f);
}

void ReplyDecoder::RunStartEcho(int slot, int chn, const ReplyFrame& f) {
    SlotState& s = st_.slot[static_cast<size_t>(slot)];
    ChanState& ch = s.chn[static_cast<size_t>(chn)];
    ch.ChnMode = static_cast<int16_t>(f.Mode());
    if (f.FrameKind() == 0) {
        StoreEchoes(ch, f);
    } else {
        StoreInfo(s, f);
        CountUp(s.VerFrames);
        // An info frame carries no echoes: the next data frames bring them,
        // as after a set command, so the panel never shows a running test
        // with set values of 0.
        if (ch.SetPend <= 0)
            ch.SetPend = 1;
    }
    host_.recvView(slot).SetupModeFields(chn);
}

void ReplyDecoder::SetEcho(int slot, int chn, const ReplyFrame& f) {
    ChanState& ch = st_.ch(slot, chn);
    if (f.FrameKind() != 0)
        return;
    StoreEchoes(ch, f);
    host_.recvView(slot).SetupModeFields(chn);
    if (++ch.SetPend >= 3)
        ch.SetPend = 0;
}

} // namespace ql
