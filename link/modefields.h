#pragma once
// What a panel's three value fields mean for a model and mode: captions,
// units, field texts with their number formats, and which fields take
// input. Free of widgets; the panel set-up (panel/modesetup.h) applies it.
#include <QString>

#include <cstdint>
#include <optional>

namespace ql {

struct SlotState;

// Inputs of the set-up of one channel.
struct ModeFieldsIn {
    int DevType = 0;
    int mode = 0;  // ChnMode of the channel
    bool dev2S = false;
    int32_t S = 0, L = 0, T = 0;  // SetRaw, LmtRaw, TimRaw
    int32_t CurFactor = 100, VolFactor = 100, PwrFactor = 1;
};

// One field text: a number with its pattern, or a fixed text.
struct FieldText {
    double value = 0;
    QString pattern;  // empty: fixed text
    QString fixed;
    QString text() const;  // the text written into the field
    bool operator==(const FieldText&) const = default;
};

// What the set-up writes. Captions are the plain words (the applier passes
// them through Lang); unit texts stand as they are. A field text that is
// not set keeps what the field holds.
struct ModeFields {
    QString lSval, lSlmt, lStim;     // captions, ending in ":"
    QString lSvalt, lSlmtt, lStimt;  // units
    std::optional<FieldText> tSval, tSlmt;
    FieldText tStim;
    bool SvalEnable = true, SlmtEnable = true, StimEnable = true;
};

// The field set-up for a model and mode. Undefined for DevType 0 (the
// caller writes nothing then).
ModeFields ComputeModeFields(const ModeFieldsIn& in);

// Whether the set value of a model and mode is a power: exactly where the
// start frame sends it as one (D-CP, and C-CV of type 28). Everywhere else
// it is a current.
bool SetValueIsPower(int devType, int mode);

// Whether the limit field of a model and mode holds a cell count: exactly
// where the start frame sends the limit as one (the charge profiles of
// types 1 to 6, and modes 3 to 6 of types 7, 36 and 37). Everywhere else it
// is a voltage. The panel, the step editor and the step checks all ask this.
bool LimitIsCells(int devType, int mode);
// The highest cell count such a limit takes (the lowest is 1); 0 where the
// limit is no cell count.
int HighestCells(int devType, int mode);
// The check of a cell count: a whole number from 1 to HighestCells.
bool CellCountOk(int devType, int mode, double cells);

// Whether the third value of a model and mode is a cut-off current: exactly
// where the start frame sends one (mode 8, and the constant-voltage mode of
// the models that take a cut-off current there). Everywhere else it is whole
// minutes. By type code from the model table, or from a slot's own values.
bool ThirdIsCutOff(int devType, int mode);
bool ThirdIsCutOff(const SlotState& s, int mode);

// The pattern of a current or a voltage in a field: three decimals where the
// model resolves 1 mA or 1 mV (factor 1000), else two, so what a field shows
// is what is sent.
QString CurrentPattern(int32_t curFactor);
QString VoltagePattern(int32_t volFactor);

// The values a mode change resets channel 0 to: the model's minimum, or
// the smallest step where the minimum means nothing (power step 1, one cell).
struct ModeReset {
    int32_t SetRaw = 0, LmtRaw = 0;
};
ModeReset ModeResetValues(int devType, int mode, int32_t curFactor, float minCur, int32_t volFactor,
                          float minVol);

// factor × value rounded to the nearest integer, ties to even.
int32_t ScaleRoundEven(int32_t factor, float value);

} // namespace ql
