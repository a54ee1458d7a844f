#include "panel/valuecheck.h"

#include "link/frames.h"
#include "link/state.h"
#include "panel/modefields.h"
#include "platform/numfmt.h"

#include <cmath>

namespace ql {

namespace {

// The largest value a Base240 pair carries without a byte reaching 0xF0.
constexpr double kMaxPair = kMaxFrameValue;

// The set value is a power, and the third value a cut-off current, exactly
// where the start frame sends them as such.
bool powerRule(int t, int m) { return t > 0 && StartRuleFor(t, m) == StartRule::Power; }

bool cutOffRule(const SlotState& s, int m) { return ThirdIsCutOff(s, m); }

FieldCheck out(const QString& replacement) { return {CheckVerdict::OutOfRange, replacement}; }

// The focus rule of a field once its text is known to be a number.
FieldCheck rule(const SlotState& s, int m, FieldKind kind, double v)
{
    const int t = s.DevType;
    const float f = static_cast<float>(v);
    switch (kind) {
    case FieldKind::SetValue:
        if (powerRule(t, m)) {
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

// Rounds like the frame builder (nearest, halves to even) and says whether
// the result lies in [0, top].
bool fits(double v, double top, double* rounded = nullptr)
{
    const double r = RoundEven(v);
    if (rounded)
        *rounded = r;
    return std::isfinite(r) && r >= 0 && r <= top;
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
        double value = 0;
    } fields[3] = {{FieldKind::SetValue, &f.sval, f.svalEnabled},
                   {FieldKind::Limit, &f.slmt, f.slmtEnabled},
                   {FieldKind::Third, &f.stim, f.stimEnabled}};

    // Numbers and the model's bounds, field by field.
    for (Field& fd : fields) {
        if (!ParseFieldNumber(*fd.text, &fd.value))
            return fail(CheckVerdict::NotNumber, fd.kind, QStringLiteral("not a number: \"%1\"").arg(*fd.text));
        if (t != 0 && fd.enabled) {
            const FieldCheck c = rule(s, m, fd.kind, fd.value);
            if (!c.ok())
                return fail(c.verdict, fd.kind, QStringLiteral("out of range: %1").arg(*fd.text), c.replacement);
        }
    }

    // The command byte must fit its byte.
    const int cmd = 16 * (10 * chn + m) + kind;
    if (m < 0 || cmd > 255)
        return fail(CheckVerdict::OutOfRange, FieldKind::SetValue,
                    QStringLiteral("mode %1 on channel %2 cannot be sent").arg(m).arg(chn + 1));

    // Values A, B, C as the frame builder encodes them.
    const double sval = fields[0].value, slmt = fields[1].value, stim = fields[2].value;
    const StartRule row = StartRuleFor(t, m);
    auto tooBig = [](FieldKind k, double v) {
        return fail(CheckVerdict::OutOfRange, k, QStringLiteral("cannot be sent: %1").arg(v));
    };
    double lmtRaw = 0;
    switch (row) {
    case StartRule::Zeros:
        // Values A and B are sent as zeros; only their conversion must work.
        if (!(std::fabs(RoundEven(sval * s.CurFactor)) <= 2147483647.0))
            return tooBig(FieldKind::SetValue, sval);
        if (!(std::fabs(RoundEven(slmt * s.VolFactor)) <= 2147483647.0))
            return tooBig(FieldKind::Limit, slmt);
        break;
    case StartRule::Power:
        if (!fits(sval * s.PwrFactor, kMaxPair))
            return tooBig(FieldKind::SetValue, sval);
        if (!fits(slmt * s.VolFactor, kMaxPair))
            return tooBig(FieldKind::Limit, slmt);
        break;
    case StartRule::Cells:
        if (!fits(sval * s.CurFactor, kMaxPair))
            return tooBig(FieldKind::SetValue, sval);
        // The cell count goes out as one byte.
        if (!fits(slmt * s.VolFactor, 2147483647.0, &lmtRaw) || std::trunc(lmtRaw / s.VolFactor) > 239)
            return tooBig(FieldKind::Limit, slmt);
        break;
    case StartRule::Unchanged:
        if (!fits(sval * s.CurFactor, kMaxPair))
            return tooBig(FieldKind::SetValue, sval);
        if (!fits(slmt * s.VolFactor, kMaxPair))
            return tooBig(FieldKind::Limit, slmt);
        break;
    }
    const bool cutOff = cutOffRule(s, m);
    if (!fits(cutOff ? stim * s.CurFactor : stim, kMaxPair))
        return tooBig(FieldKind::Third, stim);
    return {};
}

SendCheck CheckBeforeSend(const SlotState& slot, int chn, int kind, const RunPanelIf& panel)
{
    StartFields f;
    f.sval = panel.tSval(chn);
    f.slmt = panel.tSlmt(chn);
    f.stim = panel.tStim(chn);
    f.svalEnabled = panel.SvalEnable(chn);
    f.slmtEnabled = panel.SlmtEnable(chn);
    f.stimEnabled = panel.StimEnable(chn);
    const StartCheck c = CheckStartValues(slot, chn, kind, f);
    SendCheck r;
    r.ok = c.ok();
    if (!r.ok) {
        r.field = c.field == FieldKind::Limit ? 1 : c.field == FieldKind::Third ? 2 : 0;
        r.message = c.message();
        r.replacement = c.replacement;
        r.reason = c.reason;
    }
    return r;
}

} // namespace ql
