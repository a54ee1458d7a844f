#include "link/modefields.h"

#include "link/frames.h"
#include "link/modeltable.h"
#include "link/state.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"

#include <cmath>

namespace ql {

bool SetValueIsPower(int devType, int mode)
{
    return devType > 0 && StartRuleFor(devType, mode) == StartRule::Power;
}

bool LimitIsCells(int devType, int mode)
{
    return devType > 0 && StartRuleFor(devType, mode) == StartRule::Cells;
}

int HighestCells(int devType, int mode)
{
    if (!LimitIsCells(devType, mode))
        return 0;
    // By chemistry: NiMH, NiCd, Li-ion or Li-Po, LiFePO4, lead-acid.
    static const int k15V[5] = {8, 8, 3, 4, 6};
    static const int k30V[5] = {12, 12, 4, 4, 8};
    const int* top = HasQuirk(devType, kCells15V) ? k15V : k30V;
    // The first chargers list the five profiles from index 1 on, the later
    // ones from index 2 on; those that send cells from index 3 on are read
    // by the same positions.
    return top[StartSetOf(devType) == StartSet::Cells1 ? mode - 1 : mode - 2];
}

bool CellCountOk(int devType, int mode, double cells)
{
    return cells >= 1 && cells <= HighestCells(devType, mode) && cells == std::floor(cells);
}

bool ThirdIsCutOff(int devType, int mode)
{
    // The slot takes CvMode and CvCutCur from the model's row, 0 and false
    // where the row has none.
    const ModelRow* row = FindModelRow(devType);
    const int cvMode = row && row->CvMode ? *row->CvMode : 0;
    const bool cvCutCur = row && row->CvCutCur ? *row->CvCutCur : false;
    return devType > 0 && ValueCIsCutOff(mode, cvMode, cvCutCur);
}

bool ThirdIsCutOff(const SlotState& s, int mode)
{
    return ValueCIsCutOff(mode, s.CvMode, s.CvCutCur);
}

QString CurrentPattern(int32_t curFactor)
{
    return curFactor == 1000 ? QStringLiteral("0.000") : QStringLiteral("0.00");
}

QString VoltagePattern(int32_t volFactor)
{
    return volFactor == 1000 ? QStringLiteral("0.000") : QStringLiteral("0.00");
}

QString FieldText::text() const
{
    return pattern.isEmpty() ? fixed : Format(value, pattern);
}

namespace {

FieldText Num(double value, const QString& pattern)
{
    return FieldText{value, pattern, {}};
}

FieldText Fixed(const char* text)
{
    return FieldText{0, {}, QString::fromLatin1(text)};
}

// S / CurFactor, L / VolFactor and friends as the device link's values. A
// model that resolves 1 mA or 1 mV (factor 1000) shows three decimals, so
// an echoed value stands in its field as the device has it and a field sent
// again untouched sends the same value.
struct Values {
    const ModeFieldsIn& in;
    FieldText cur() const { return Num(double(in.S) / in.CurFactor, CurrentPattern(in.CurFactor)); }
    FieldText volt() const { return Num(double(in.L) / in.VolFactor, VoltagePattern(in.VolFactor)); }
    FieldText cells() const { return Num(double(in.L), QStringLiteral("0")); }
    FieldText cutOff() const { return Num(double(in.T) / in.CurFactor, CurrentPattern(in.CurFactor)); }
    FieldText power() const
    {
        return Num(double(in.S) / in.PwrFactor, in.PwrFactor == 1 ? QStringLiteral("0") : QStringLiteral("0.0"));
    }
};

// A current and a voltage.
void CurrentAndVolts(ModeFields& f, const Values& v)
{
    f.tSval = v.cur();
    f.tSlmt = v.volt();
}

// C-CV: a current and the voltage charged to.
void ChargeCv(ModeFields& f, const Values& v)
{
    f.lSlmt = QStringLiteral("Voltage:");
    CurrentAndVolts(f, v);
}

// D-CP: the set value is a power.
void PowerMode(ModeFields& f, const Values& v)
{
    f.lSval = QStringLiteral("Test Val:");
    f.lSvalt = QStringLiteral("W");
    f.tSval = v.power();
    f.tSlmt = v.volt();
}

// A charge profile: the limit is a whole number of cells, without unit.
void CellsMode(ModeFields& f, const Values& v)
{
    f.lSlmt = QStringLiteral("Cells:");
    f.lSlmtt.clear();
    f.tSval = v.cur();
    f.tSlmt = v.cells();
}

// Set value and limit that the frame sends as zeros: fixed texts, greyed.
void NothingSent(ModeFields& f)
{
    f.tSval = Fixed("0.00");
    f.tSlmt = Fixed("0.00");
    f.SvalEnable = false;
    f.SlmtEnable = false;
}

} // namespace

namespace {

// The part every family shares. The third value is a cut-off current
// exactly where the frame sends one, else minutes.
ModeFields CommonFields(const ModeFieldsIn& in, const Values& v)
{
    ModeFields f;
    f.lSval = QStringLiteral("Test Val:");
    f.lSvalt = QStringLiteral("A");
    f.lSlmtt = QStringLiteral("V");
    f.lSlmt = in.dev2S ? QStringLiteral("Cutoff V:") : QStringLiteral("Cutoff Volt:");
    if (ThirdIsCutOff(in.DevType, in.mode)) {
        f.lStim = QStringLiteral("Cutoff Curr:");
        f.lStimt = QStringLiteral("A");
        f.tStim = v.cutOff();
    } else {
        f.lStimt = QStringLiteral("M");
        f.lStim = in.dev2S ? QStringLiteral("Time:") : QStringLiteral("Max Time:");
        f.tStim = Num(double(in.T), QStringLiteral("0"));
    }
    return f;
}

void G1Fields(ModeFields& f, const Values& v, int m)
{
    if (m == 0) {
        CurrentAndVolts(f, v);
    } else if (m >= 1 && m <= 5) {
        CellsMode(f, v);
    } else if (m == 6) {
        ChargeCv(f, v);
    }
}

void G2Fields(ModeFields& f, const Values& v, int m)
{
    if (m == 0) {
        CurrentAndVolts(f, v);
    } else if (m == 1) {
        PowerMode(f, v);
    } else if (m >= 2 && m <= 6) {
        CellsMode(f, v);
    } else if (m == 7) {
        ChargeCv(f, v);
    } else {
        NothingSent(f);  // DC5V or Meter at 8, and every mode above
    }
}

void G3Fields(ModeFields& f, const Values& v, int type, int m, bool zeros)
{
    if (m == 0) {
        CurrentAndVolts(f, v);
    } else if (m == 1) {
        PowerMode(f, v);
    } else if (LimitIsCells(type, m)) {
        CellsMode(f, v);  // modes sent a cell count and minutes
    } else if (zeros) {
        NothingSent(f);
    } else if (m == 2) {
        ChargeCv(f, v);
    } else {
        CurrentAndVolts(f, v);
    }
}

void G4Fields(ModeFields& f, const Values& v, int type, int m, bool zeros)
{
    if (m == 1) {
        ChargeCv(f, v);
        if (SetValueIsPower(type, m)) {
            // The start frame carries this set value as a power, so the
            // field shows it as one.
            f.lSvalt = QStringLiteral("W");
            f.tSval = v.power();
        }
        if (HasQuirk(type, kCvFieldsFixed)) {
            f.SvalEnable = false;
            f.SlmtEnable = false;
        }
    } else if (zeros) {
        NothingSent(f);
    } else {
        CurrentAndVolts(f, v);
    }
}

void G5Fields(ModeFields& f, const Values& v, int type, int m)
{
    CurrentAndVolts(f, v);
    if (m == 1 && HasQuirk(type, kMode1LimitFixed)) {
        f.SlmtEnable = false;
    } else if (m == 1) {
        PowerMode(f, v);
    } else if (m == 2 || m == 4) {
        f.lSval = QStringLiteral("Current:");
        f.lSlmt = QStringLiteral("Test Val:");
    } else if (m == 3) {
        f.SvalEnable = false;
        f.SlmtEnable = false;
    }
}

void G6Fields(ModeFields& f, const Values& v, int type, int m)
{
    CurrentAndVolts(f, v);
    if (m == 1) {
        f.lSvalt = QStringLiteral("mA");
        f.lStimt = QStringLiteral("mA");
    } else if (!ThirdIsCutOff(type, m)) {
        f.tStim = Fixed("0");
    }
}

void G7Fields(ModeFields& f, const Values& v, int m)
{
    if (m == 1) {
        f.lSlmt = QStringLiteral("Test Val:");
        f.tSval = Fixed("0.00");
        f.tSlmt = v.volt();
        f.SvalEnable = false;
    } else {
        CurrentAndVolts(f, v);
    }
}

} // namespace

ModeFields ComputeModeFields(const ModeFieldsIn& in)
{
    const Values v{in};
    const int m = in.mode;
    const int type = in.DevType;
    // Modes beyond a model's list (a device may report one) follow the
    // start frame as well: zeros greyed, the third value as it is sent.
    const bool zeros = type > 0 && StartRuleFor(type, m) == StartRule::Zeros;
    ModeFields f = CommonFields(in, v);
    switch (ModelGroupOf(type)) {
    case ModelGroup::None: break;
    case ModelGroup::G1: G1Fields(f, v, m); break;
    case ModelGroup::G2: G2Fields(f, v, m); break;
    case ModelGroup::G3: G3Fields(f, v, type, m, zeros); break;
    case ModelGroup::G4: G4Fields(f, v, type, m, zeros); break;
    case ModelGroup::G5: G5Fields(f, v, type, m); break;
    case ModelGroup::G6: G6Fields(f, v, type, m); break;
    case ModelGroup::G7: G7Fields(f, v, m); break;
    }
    return f;
}

int32_t ScaleRoundEven(int32_t factor, float value)
{
    // The product of the integer factor and the single-precision value is
    // formed in double precision, then rounded half to even.
    const double x = double(factor) * double(value);
    return int32_t(RoundHalfEven(x));
}

ModeReset ModeResetValues(int devType, int mode, int32_t curFactor, float minCur, int32_t volFactor,
                          float minVol)
{
    ModeReset r;
    if (devType == 0)
        return r;
    const bool unitStep = mode == 1 && !HasQuirk(devType, kMode1MinCur);
    r.SetRaw = unitStep ? 1 : ScaleRoundEven(curFactor, minCur);
    r.LmtRaw = LimitIsCells(devType, mode) ? 1 : ScaleRoundEven(volFactor, minVol);
    return r;
}

} // namespace ql
