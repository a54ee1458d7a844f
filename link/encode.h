#pragma once
// The start, set and continue frames from values: one pure encoder. The
// check of a start's values (link/valuecheck) encodes the frame it accepts,
// and that frame is the one sent. It reads the slot's model and the
// channel's mode, computes the raw values and the frame, and writes nothing.
//
// Frame rules: the command byte is 16 * (10 * channel + mode) + kind and must
// fit its byte with a mode of 0 or more; values A, B and C go out in base 240
// (0..57599). Per model and mode (StartRule) value A carries the set value in
// current units or as a power, B the limit in voltage units or as a whole
// number of cells (0..239), or both are sent as zeros; C is a cut-off current
// in current units or whole minutes.
#include "link/frames.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace ql {

struct SlotState;

// The three numbers a start, set or continue sends; a value that is no
// number is empty.
struct SetValues {
    std::optional<double> sval, slmt, stim;
};

// Which part of the frame could not be made.
enum class EncodeFail {
    None,
    SetValue,  // value A
    Limit,     // value B
    Third,     // value C
    Command,   // the channel or the command byte
};

struct Encoded {
    std::optional<CmdFrame> frame;  // empty when something cannot be sent
    // Raw values as computed before the step that failed (a value that is no
    // number, or one that is no 32-bit integer once scaled, has none).
    std::optional<int32_t> SetRaw, LmtRaw, TimRaw;
    EncodeFail failed = EncodeFail::None;
    bool notNumber = false;  // the failed value is no number at all
    QString error;           // for the log
};

// The start (kind 1), set (7) or continue (8) frame of channel chn.
Encoded EncodeStart(const SlotState& s, int chn, int kind, const SetValues& v);

// The frame of a set value sent while running (RemoteSet): A = amps in
// current units, B = the channel's last limit, C = 0.
Encoded EncodeRemoteSet(const SlotState& s, int chn, float amps);

} // namespace ql
