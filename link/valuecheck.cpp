#include "link/valuecheck.h"

#include "link/encode.h"
#include "link/frames.h"
#include "link/modefields.h"
#include "link/state.h"
#include "platform/numfmt.h"

#include <cmath>

namespace ql {

namespace {

// The third value is a cut-off current exactly where the start frame sends
// one.
bool cutOffRule(const SlotState& s, int m) { return ThirdIsCutOff(s, m); }

FieldCheck out(const QString& replacement) { return {CheckVerdict::OutOfRange, replacement}; }

// The focus rule of a field once its text is known to be a number.
FieldCheck rule(const SlotState& s, int m, FieldKind kind, double v)
{
    const int t = s.DevType;
    const float f = static_cast<float>(v);
    switch (kind) {
    case FieldKind::SetValue:
        if (SetValueIsPower(t, m)) {
            if (v > 1000)
                return out(QStringLiteral("100"));
            if (v < 0.1)
                return out(QStringLiteral("1"));
            return {};
        }
        if (f > s.MaxCur)
            return out(Format(s.MaxCur, SetValuePattern(s)));
        if (f < s.MinCur)
            return out(Format(s.MinCur, SetValuePattern(s)));
        return {};
    case FieldKind::Limit:
        if (LimitIsCells(t, m)) {
            // A whole number of cells; a fraction, 0 or less is taken for a
            // typed voltage and falls back to one cell.
            const int top = HighestCells(t, m);
            if (v < 1 || v != std::floor(v))
                return out(QStringLiteral("1"));
            if (v > top)
                return out(Format(top, QStringLiteral("0")));
            return {};
        }
        if (f > s.MaxVol)
            return out(Format(s.MaxVol, VoltagePattern(s.VolFactor)));
        if (f < s.MinVol)
            return out(Format(s.MinVol, VoltagePattern(s.VolFactor)));
        return {};
    case FieldKind::Third:
        if (cutOffRule(s, m)) {
            if (f < s.MinCur || f > s.MaxCur)
                return out(Format(s.MinCur, CutOffPattern(s)));
            return {};
        }
        if (v > 999)
            return out(QStringLiteral("999"));
        // A negative time would go out as 0 (no limit) or not at all.
        if (v < 0)
            return out(QStringLiteral("0"));
        return {};
    case FieldKind::AutoVol:
        if (f < s.MinVol || f > s.MaxVol)
            return out(Format(s.MinVol, VoltagePattern(s.VolFactor)));
        return {};
    }
    return {};
}

// Whether a greyed set value or limit lies above the most the model and mode
// take (the upper bounds of rule(); only these two fields are ever capped).
bool aboveMaximum(const SlotState& s, int m, FieldKind kind, double v)
{
    const float f = static_cast<float>(v);
    if (kind == FieldKind::SetValue)
        return SetValueIsPower(s.DevType, m) ? v > 1000 : f > s.MaxCur;
    if (kind == FieldKind::Limit)
        return LimitIsCells(s.DevType, m) ? v > HighestCells(s.DevType, m) : f > s.MaxVol;
    return false;
}

StartCheck fail(CheckVerdict verdict, FieldKind field, const QString& reason, const QString& replacement = {})
{
    StartCheck c;
    c.verdict = verdict;
    c.field = field;
    c.reason = reason;
    c.replacement = replacement;
    return c;
}

} // namespace

QString FieldCheck::message() const
{
    switch (verdict) {
    case CheckVerdict::NotNumber: return QString::fromLatin1(kMsgInvalidValue);
    case CheckVerdict::OutOfRange: return QString::fromLatin1(kMsgOutOfRange);
    case CheckVerdict::Ok: break;
    }
    return {};
}

QString StartCheck::message() const { return FieldCheck{verdict, replacement}.message(); }

bool ParseFieldNumber(const QString& text, double* value)
{
    const std::optional<double> v = ParseNumber(text);
    if (!v)
        return false;
    if (value)
        *value = *v;
    return true;
}

QString SetValuePattern(const SlotState& s) { return CurrentPattern(s.CurFactor); }

QString CutOffPattern(const SlotState& s) { return CurrentPattern(s.CurFactor); }

FieldCheck CheckField(const SlotState& slot, int chn, FieldKind kind, const QString& text)
{
    if (slot.DevType == 0)
        return {};
    double v = 0;
    if (!ParseFieldNumber(text, &v))
        return {CheckVerdict::NotNumber, {}};
    const int m = slot.chn.at(chn == 1 ? 1 : 0).ChnMode;
    return rule(slot, m, kind, v);
}

StartCheck CheckStartValues(const SlotState& s, int chn, int kind, const StartFields& f)
{
    if (chn != 0 && chn != 1)
        return fail(CheckVerdict::OutOfRange, FieldKind::SetValue, QStringLiteral("channel %1").arg(chn));
    const int m = s.chn[chn].ChnMode;
    const int t = s.DevType;

    struct Field {
        FieldKind kind;
        const QString* text;
        bool enabled;
        bool capped;
        double value = 0;
    } fields[3] = {{FieldKind::SetValue, &f.sval, f.svalEnabled, f.svalCapped},
                   {FieldKind::Limit, &f.slmt, f.slmtEnabled, f.slmtCapped},
                   {FieldKind::Third, &f.stim, f.stimEnabled, false}};

    // Numbers and the model's bounds, field by field.
    for (Field& fd : fields) {
        if (!ParseFieldNumber(*fd.text, &fd.value))
            return fail(CheckVerdict::NotNumber, fd.kind, QStringLiteral("not a number: \"%1\"").arg(*fd.text));
        if (t != 0 && fd.enabled) {
            const FieldCheck c = rule(s, m, fd.kind, fd.value);
            if (!c.ok())
                return fail(c.verdict, fd.kind, QStringLiteral("out of range: %1").arg(*fd.text), c.replacement);
        } else if (t != 0 && fd.capped && aboveMaximum(s, m, fd.kind, fd.value)) {
            // Nothing is written into a field the user cannot edit.
            return fail(CheckVerdict::OutOfRange, fd.kind, QStringLiteral("above the maximum: %1").arg(*fd.text));
        }
    }

    // Then the frame rules, as the encoder applies them.
    StartCheck c;
    c.encoded = EncodeStart(s, chn, kind, SetValues{fields[0].value, fields[1].value, fields[2].value});
    if (c.encoded.frame)
        return c;
    const FieldKind failed = c.encoded.failed == EncodeFail::Limit   ? FieldKind::Limit
                             : c.encoded.failed == EncodeFail::Third ? FieldKind::Third
                                                                     : FieldKind::SetValue;
    return fail(CheckVerdict::OutOfRange, failed, c.encoded.error);
}

StartFields FieldsOf(const SlotState& s, int chn)
{
    const ChanState& c = s.chn.at(size_t(s.FieldChn(chn == 1 ? 1 : 0)));
    StartFields f{c.SvalText, c.SlmtText, c.StimText};
    if (s.DevType != 0) {
        // A field the mode greys out holds a fixed text the program wrote.
        ModeFieldsIn in;
        in.DevType = s.DevType;
        in.mode = s.chn.at(size_t(chn == 1 ? 1 : 0)).ChnMode;
        in.dev2S = s.Dev2S;
        in.CurFactor = s.CurFactor;
        in.VolFactor = s.VolFactor;
        in.PwrFactor = s.PwrFactor;
        const ModeFields m = ComputeModeFields(in);
        f.svalEnabled = m.SvalEnable;
        f.slmtEnabled = m.SlmtEnable;
        f.stimEnabled = m.StimEnable;
        // Greyed values that go out as they stand: not as zeros, and not the
        // fixed text the mode writes (a step or parameter file can replace it).
        const bool sent = StartRuleFor(in.DevType, in.mode) != StartRule::Zeros;
        const auto capped = [sent](bool enabled, const std::optional<FieldText>& t, const QString& text) {
            return !enabled && sent && t && (!t->pattern.isEmpty() || text != t->fixed);
        };
        f.svalCapped = capped(m.SvalEnable, m.tSval, f.sval);
        f.slmtCapped = capped(m.SlmtEnable, m.tSlmt, f.slmt);
    }
    return f;
}

StartCheck CheckAndEncodeStart(const SlotState& slot, int chn, int kind)
{
    return CheckStartValues(slot, chn, kind, FieldsOf(slot, chn));
}

} // namespace ql
