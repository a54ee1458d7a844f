#pragma once
// Command frames: the ten bytes the program sends a device, their base-240
// values and check byte, the check of a received reply body, and the
// senders of every command.
//
// Frame: FA, command byte, value A (hi, lo), value B (hi, lo), value C
// (hi, lo), check byte, F8. The command byte is 16 * (10 * channel + mode)
// + operation code (connect, disconnect and boot carry the bare code).
// Values are sent in base 240 so that no data byte reaches the markers
// F0..FF: a value outside 0..57599 is refused.
//
// A sender that meets an error (a field that is no number, a value out of
// range, a bad slot or channel) writes nothing, logs its label through
// ErrLog and returns false. A closed port is not an error: the frame is
// built and silently not written.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ql {

struct LinkState;
struct Encoded;

using CmdFrame = std::array<uint8_t, 10>;

enum OpCode : uint8_t {
    OpStart = 0x01,
    OpStop = 0x02,
    OpCalibrate = 0x04,
    OpConnect = 0x05,
    OpDisconnect = 0x06,
    OpSet = 0x07,
    OpContinue = 0x08,
    OpResTest = 0x09,
    OpTime = 0x0A,
    OpBoot = 0x0C,
};

constexpr uint8_t kFrameStart = 0xFA;
constexpr uint8_t kFrameEnd = 0xF8;
constexpr int kMaxFrameValue = 57599;  // 239 * 240 + 239

// v as high = v div 240, low = v mod 240; false (bytes untouched) when v is
// outside 0..57599.
bool Base240(int64_t v, uint8_t& high, uint8_t& low);

// Check byte of a command frame: XOR of bytes 2..8 (indices 1..7), mod 240.
uint8_t ChkXor(const CmdFrame& frame);

// Check of a received reply body (normally its 17 bytes, the check byte
// last): true when the XOR of all bytes, taken mod 240, is 0.
bool ChkRec(std::span<const uint8_t> body);


// The frame as the bytes that go on the line.
QByteArray FrameBytes(const CmdFrame& frame);

// --- Builders (no writing, no logging; error text on failure) ---------

// The command byte of an operation on a channel in a mode:
// 16 * (10 * chn + mode) + op. Nothing for a channel other than 0 or 1, a
// negative mode or a byte above 255.
std::optional<uint8_t> CommandByte(int chn, int mode, int op);

// Puts the start and end markers and the check byte into a frame.
void FinishFrame(CmdFrame& frame);

// A frame from a command byte and three values; refuses a command byte
// outside 0..255 and values outside 0..57599.
std::optional<CmdFrame> MakeFrame(int command, int64_t a, int64_t b, int64_t c, QString* error = nullptr);

// How a start, set or continue frame carries the set value (A) and the limit
// (B) for a model and mode: as they are, A as power, B as a cell count, or
// both as zeros.
enum class StartRule { Unchanged, Power, Cells, Zeros };
StartRule StartRuleFor(int devType, int mode);
// Whether value C of such a frame is a cut-off current (the third value
// times CurFactor) rather than whole minutes: in mode 8, and in the model's
// constant-voltage mode (cvMode) where the model takes a cut-off current
// there (cvCutCur).
bool ValueCIsCutOff(int mode, int cvMode, bool cvCutCur);

// Calibration: byte 3 = code (0..3 the four points, 4 OK, 5 reset), bytes
// 4, 5 = value in base 240, bytes 6..8 = 0.
std::optional<CmdFrame> CalibFrame(int chn, int code, int64_t value, QString* error = nullptr);

// Resistance test: value A = the requested mA, capped at maxCur * 1000, in
// the device's current units (mA, or mA div 10 when curFactor is 100).
std::optional<CmdFrame> ResTestFrame(int chn, double milliamps, int curFactor, float maxCur,
                                     QString* error = nullptr);

// --- Senders ----------------------------------------------------------

// Writes the frame to the slot's port when it is open; returns the bytes
// written (0 when closed).
int WriteFrame(LinkState& state, int slot, const CmdFrame& frame);

bool SendConnect(LinkState& state, int slot);                // "ErrConn"
bool SendDisconnect(LinkState& state, int slot);             // "ErrDconn"
bool SendStop(LinkState& state, int slot, int chn);          // "ErrStop"
bool SendTime(LinkState& state, int slot, int chn);          // "ErrTim": RunSecs div 60
// Writes the start (kind 1), set (7) or continue (8) frame of a channel that
// the check of its values encoded (CheckAndEncodeStart, link/valuecheck),
// and keeps the raw values it carries in the channel's SetRaw, LmtRaw and
// TimRaw. False (logged, nothing sent) for a refused check's result.
bool SendStartFrame(LinkState& state, int slot, int chn, const Encoded& accepted);  // "ErrStart"

// Public members for the tools and the auto test. They address the channel
// chosen on the slot's panel (SlotState::ChnSel).
// Set value in amperes; then the set field's record holds the value sent,
// with the model's resolution ("0.000" where CurFactor is 1000, else
// "0.00"), also when the port is closed; the caller shows it.
bool RemoteSet(LinkState& state, int slot, float value);  // "ErrSet"
// The same on a given channel, with that channel's limit, whichever channel
// the panel shows: for a test that runs on a channel of its own.
bool RemoteSetOn(LinkState& state, int slot, int chn, float value);  // "ErrSet"
// Fast-charge trigger: byte 8 = (code + 10) mod 240.
bool RemoteQC(LinkState& state, int slot, int code);       // "ErrQC"
// PE step: byte 8 = (direction + 20) mod 240; 1 up, 0 down.
bool RemotePE(LinkState& state, int slot, int direction);  // "ErrPE"

} // namespace ql
