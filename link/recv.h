#pragma once
// The receive side of the device protocol: reply framing, check, decoding
// into the slot's state, and the device set-up on the first valid reply
// after a connect.
//
// A reply frame is FA, 17 body bytes p0..p16, F8. p0 = 100 * frame kind
// (0 data, 1 info) + 10 * run state + mode index; p15 = 100 * channel +
// type code; p16 makes the XOR of the body 0 mod 240. Values are base-240
// pairs. Framing state lasts from one poll to the next, so a frame split
// across reads is assembled.
//
// A frame is decoded only when exactly 17 body bytes arrived since its FA;
// a short or over-long frame, a lone F8 or an F8 before any FA is dropped,
// so stale buffer bytes can never make up a sample. A frame that fails the
// check drops the rest of its read. A channel digit above 1 ends the read;
// it is logged ("ErrComm") once per connect. Once the device is identified,
// a reply whose type code is not the device's is no sample, nor is a
// channel-1 reply of a one-channel type (which may identify the device):
// such a reply is skipped and logged ("ErrComm") once per connect. A mode index outside the slot's mode list is decoded like any
// other and logged ("ErrComm") once per connect.
//
// While SlotState::Connecting is set (no valid reply since the connect),
// every valid frame runs the first-reply set-up; the reply that identifies
// the device clears it. Everything runs on the interface thread. The decoder
// is usable on plain byte buffers (RecvBytes) without a port or widgets.
#include "link/hostif.h"
#include "link/state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace ql {

constexpr int kReplyBodyLen = 17;

// The 17 body bytes of a reply and their fields.
struct ReplyFrame {
    std::array<uint8_t, kReplyBodyLen> p{};

    // Base-240 pair starting at body byte i.
    int Pair(int i) const { return p[static_cast<size_t>(i)] * 240 + p[static_cast<size_t>(i) + 1]; }
    int FrameKind() const { return p[0] / 100; }      // 0 data, 1 info
    int RunState() const { return (p[0] % 100) / 10; }  // 1 or 2: running
    int Mode() const { return p[0] % 10; }
    int Chan() const { return p[15] / 100; }
    int Type() const { return p[15] % 100; }
};

// A reply's run-state digit says the channel is running.
constexpr bool IsRunning(int runState) { return runState == 1 || runState == 2; }

// Decoded quantities, single precision.
float DecodeCurrent(int raw, int curFactor, int devType, int fwVersion);
float DecodeVoltage(int raw);   // below 32768 in mV, from 32768 in 10 mV
float DecodeCapacity(int raw);  // three ranges: 0.001, 0.01 from 32768, 0.1 from 53248

// What one read brought.
struct RecvResult {
    bool startByte = false;  // a reply's start byte arrived (the receive lamp)
};

class ReplyDecoder {
public:
    ReplyDecoder(LinkState& state, RecvHostIf& host);

    // Run tracking joins here: called once for every valid frame after its
    // measurements and the set values it echoes are stored, with the frame's
    // slot, channel and run-state digit, and whether it is a data reply (an
    // info reply carries the version and rated maxima instead of the echoes).
    std::function<void(int slot, int chn, int runState, bool dataReply)> onSample;

    // Error log ("ErrComm" and a text); the program's ErrLog by default.
    std::function<void(const QString& label, const QString& text)> errLog;

    // One poll of the slot: reads what the port holds (up to the port's
    // read bound) and handles it.
    RecvResult RecvDevice(int slot);

    // Handles the bytes of one read of the slot's port.
    RecvResult RecvBytes(int slot, const uint8_t* data, size_t count);

    // Forgets a partly received frame and what was logged once (at connect).
    void ResetFraming(int slot);

private:
    // Per slot, from one connect to the next.
    struct Framing {
        bool RecvState = false;
        int RecvPos = 0;  // next body position, 1-based; 0 when idle
        std::array<uint8_t, kReplyBodyLen> RecvBuf{};
        bool ModeLogged = false;  // a mode outside the list was logged
        bool ChanLogged = false;  // a channel digit above 1 was logged
        bool TypeLogged = false;  // a reply of another type code was logged
        bool OneChanLogged = false;  // a channel-1 reply of a one-channel type was logged
    };
    Framing& fr(int slot) { return framing_[static_cast<size_t>(slot)]; }

    // Handles a complete body; false ends the read.
    bool HandleFrame(int slot, const ReplyFrame& f);
    // The first-reply set-up; false when the reply names no device.
    bool Identify(int slot, int chan, const ReplyFrame& f);
    void DecodeMeasurements(int slot, int chan, const ReplyFrame& f);
    // The set values a running channel's reply echoes: when its run starts
    // (or is found going) and while a set is pending.
    void RunEchoes(int slot, int chn, const ReplyFrame& f);
    // A run starts or is found going: mode, echoes or info fields, then
    // SetupModeFields.
    void RunStartEcho(int slot, int chn, const ReplyFrame& f);
    // After a set command (SetPend > 0): on data frames the echoes,
    // SetupModeFields and SetPend + 1, back to 0 at 3.
    void SetEcho(int slot, int chn, const ReplyFrame& f);
    void DeviceSetup(int slot, int chn, int type);
    void InfoStep(int slot, int chn, const ReplyFrame& f);
    void StoreEchoes(ChanState& ch, const ReplyFrame& f);
    void StoreInfo(SlotState& s, const ReplyFrame& f);
    void SetName(int slot, int row, const QString& text);
    void Fail(const QString& text);
    void FailOnce(bool& logged, const QString& text);  // Fail, unless logged is set; sets it

    LinkState& st_;
    RecvHostIf& host_;
    std::array<Framing, kSlotCount> framing_{};
};

} // namespace ql
