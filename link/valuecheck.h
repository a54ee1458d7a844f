#pragma once
// Checks of the value fields a slot's record holds (the panel shows them),
// free of widgets.
//
// CheckField is what a field runs when it loses the focus: the model's
// bounds per field kind, and the replacement written back into the field
// when a value is out of range. CheckStartValues is what the start, set and
// continue handlers run before they change anything: every value they are
// about to send must be a number, within the model's bounds (values loaded
// from a file never passed a focus check) and one the encoder (encode.h) can
// put into the command frame. An accepted check holds that frame, which is
// the one sent.
#include "link/encode.h"

#include <QString>

namespace ql {

struct SlotState;

enum class FieldKind {
    SetValue,  // tSval: a current, or a power in the power modes
    Limit,     // tSlmt: a voltage, or a cell count in the charge profiles
    Third,     // tStim: minutes, or a cut-off current
    AutoVol,   // tAutoVol: the auto test's cut-off voltage
};

enum class CheckVerdict {
    Ok,
    NotNumber,   // "Invalid value!"; the field is left as it is
    OutOfRange,  // "Setting value out of range!"; replacement goes into the field
};

struct FieldCheck {
    CheckVerdict verdict = CheckVerdict::Ok;
    QString replacement;  // only for OutOfRange; may be empty (nothing to write)
    bool ok() const { return verdict == CheckVerdict::Ok; }
    // The message to show (titled "Prompt", critical icon), before Lang; empty when ok.
    QString message() const;
};

// Message texts.
inline constexpr const char* kMsgInvalidValue = "Invalid value!";
inline constexpr const char* kMsgOutOfRange = "Setting value out of range!";
inline constexpr const char* kMsgTitle = "Prompt";

// Converts a field's text to a number the way the command builder does.
bool ParseFieldNumber(const QString& text, double* value);

// Pattern of the set-value field when it holds a current, and of the third
// field when it holds a cut-off current: the model's resolution, as the
// field set-up writes them ("0.000" where CurFactor is 1000, else "0.00").
QString SetValuePattern(const SlotState& s);
QString CutOffPattern(const SlotState& s);

// The focus check of one field of channel chn. With DevType 0 every text passes.
FieldCheck CheckField(const SlotState& slot, int chn, FieldKind kind, const QString& text);

// The fields a start (kind 1), set (kind 7) or continue (kind 8) sends.
struct StartFields {
    QString sval, slmt, stim;
    // A disabled field holds a fixed text the program wrote or what the
    // device echoed; it is sent but not held to the focus rules.
    bool svalEnabled = true, slmtEnabled = true, stimEnabled = true;
    // A disabled field whose value goes out as it stands (type 28's C-CV
    // power and voltage, or a fixed text a file replaced) is still held to
    // the model's maxima: a file can fill it with any number.
    bool svalCapped = false, slmtCapped = false;
};

struct StartCheck {
    CheckVerdict verdict = CheckVerdict::Ok;
    FieldKind field = FieldKind::SetValue;  // the first field that failed
    QString replacement;                    // focus-rule replacement, when there is one
    QString reason;                         // short text for a log line
    Encoded encoded;                        // when ok, the frame to send and its raw values
    bool ok() const { return verdict == CheckVerdict::Ok; }
    QString message() const;
};

// Checks everything a start (kind 1), set (7) or continue (8) of (slot, chn)
// would send with these fields, and encodes it, before anything is cleared,
// reset or sent.
StartCheck CheckStartValues(const SlotState& slot, int chn, int kind, const StartFields& f);

// The value fields of channel chn as the slot's record holds them, with the
// fields its model and mode grey out marked so.
StartFields FieldsOf(const SlotState& slot, int chn);

// CheckStartValues of the fields the record holds: RunTracker runs it before
// every start, set and continue, and sends the frame it accepts.
StartCheck CheckAndEncodeStart(const SlotState& slot, int chn, int kind);

} // namespace ql
