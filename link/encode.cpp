#include "link/encode.h"

#include "link/state.h"
#include "platform/rounding.h"
#include "platform/numfmt.h"

#include <cmath>
#include <limits>

namespace ql {

namespace {

// A value times its factor, rounded half to even; nothing when the result is
// no 32-bit integer.
std::optional<int32_t> scaled(double value, double factor)
{
    const double r = RoundHalfEven(value * factor);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return int32_t(r);
}

bool fitsPair(std::optional<int32_t> raw) { return raw && *raw >= 0 && *raw <= kMaxFrameValue; }

void putPair(CmdFrame& f, size_t at, int32_t v)
{
    f[at] = uint8_t(v / 240);
    f[at + 1] = uint8_t(v % 240);
}

Encoded failed(Encoded e, EncodeFail where, const QString& error, bool notNumber = false)
{
    e.frame.reset();
    e.failed = where;
    e.notNumber = notNumber;
    e.error = error;
    return e;
}

QString number(double v) { return QString::number(v, 'g', 10); }

} // namespace

Encoded EncodeStart(const SlotState& s, int chn, int kind, const SetValues& v)
{
    Encoded e;
    const int m = chn == 0 || chn == 1 ? s.chn[size_t(chn)].ChnMode : 0;
    const auto command = CommandByte(chn, m, kind);
    if (!command)
        return failed(e, EncodeFail::Command,
                      QStringLiteral("mode %1 on channel %2 cannot be sent").arg(m).arg(chn + 1));
    CmdFrame f{};
    f[1] = *command;

    // Value A. A value the frame replaces by zeros is computed and kept all
    // the same, so it must be a number that scales to an integer.
    const StartRule rule = StartRuleFor(s.DevType, m);
    if (!v.sval)
        return failed(e, EncodeFail::SetValue, QStringLiteral("set value is not a number"), true);
    const bool power = rule == StartRule::Power;
    e.SetRaw = scaled(*v.sval, power ? s.PwrFactor : s.CurFactor);
    if (rule == StartRule::Zeros ? !e.SetRaw : !fitsPair(e.SetRaw))
        return failed(e, EncodeFail::SetValue,
                      QStringLiteral("%1 %2 cannot be sent")
                          .arg(power ? QStringLiteral("power") : QStringLiteral("set value"), number(*v.sval)));
    if (rule != StartRule::Zeros)
        putPair(f, 2, *e.SetRaw);

    // Value B: a voltage, a cell count or zeros.
    if (!v.slmt)
        return failed(e, EncodeFail::Limit, QStringLiteral("limit is not a number"), true);
    e.LmtRaw = scaled(*v.slmt, s.VolFactor);
    switch (rule) {
    case StartRule::Unchanged:
    case StartRule::Power:
        if (!fitsPair(e.LmtRaw))
            return failed(e, EncodeFail::Limit, QStringLiteral("limit %1 cannot be sent").arg(number(*v.slmt)));
        putPair(f, 4, *e.LmtRaw);
        break;
    case StartRule::Cells: {
        // The limit holds a cell count, sent as one byte: a negative or
        // fractional raw never becomes a count of 0.
        if (!e.LmtRaw || *e.LmtRaw < 0 || s.VolFactor <= 0 || *e.LmtRaw / s.VolFactor > 239)
            return failed(e, EncodeFail::Limit, QStringLiteral("cell count %1 cannot be sent").arg(number(*v.slmt)));
        f[4] = 0;
        f[5] = uint8_t(*e.LmtRaw / s.VolFactor);
        break;
    }
    case StartRule::Zeros:
        if (!e.LmtRaw)
            return failed(e, EncodeFail::Limit, QStringLiteral("limit %1 cannot be sent").arg(number(*v.slmt)));
        break;
    }

    // Value C: a cut-off current, or whole minutes.
    if (!v.stim)
        return failed(e, EncodeFail::Third, QStringLiteral("third value is not a number"), true);
    const bool cutOff = ValueCIsCutOff(m, s.CvMode, s.CvCutCur);
    e.TimRaw = scaled(*v.stim, cutOff ? s.CurFactor : 1);
    if (!fitsPair(e.TimRaw))
        return failed(e, EncodeFail::Third, QStringLiteral("third value %1 cannot be sent").arg(number(*v.stim)));
    putPair(f, 6, *e.TimRaw);

    FinishFrame(f);
    e.frame = f;
    return e;
}

Encoded EncodeRemoteSet(const SlotState& s, int chn, float amps)
{
    Encoded e;
    const auto command = CommandByte(chn, 0, OpSet);
    if (!command)
        return failed(e, EncodeFail::Command, QStringLiteral("channel %1 out of range").arg(chn));
    // Computed in 32 bits and bounded by the frame's value range.
    e.SetRaw = std::isfinite(amps) ? scaled(double(amps), s.CurFactor) : std::nullopt;
    if (!fitsPair(e.SetRaw))
        return failed(e, EncodeFail::SetValue, QStringLiteral("set value %1 out of range").arg(double(amps)));
    QString error;
    e.frame = MakeFrame(*command, *e.SetRaw, s.chn[size_t(chn)].LmtRaw, 0, &error);
    if (!e.frame)
        return failed(e, EncodeFail::Limit, error);
    return e;
}

} // namespace ql
