#pragma once
// Helpers shared by the files of the run tracker.
#include "link/runtrack.h"
#include "platform/numfmt.h"

#include <QString>

#include <charconv>
#include <cmath>

namespace ql::runparts {

inline const QString k000 = QStringLiteral("0.000");
inline const QString k00 = QStringLiteral("0.00");
inline const QString k0 = QStringLiteral("0");
inline const QString k1 = QStringLiteral("0.0");

// The run grid's "Mode" cell: mode, set value and limit with their units.
inline QString ModeCellText(const SlotState& s, int chn)
{
    const ChanState& f = s.chn.at(size_t(s.FieldChn(chn)));
    return s.ModeText + QStringLiteral("  ") + f.SvalText + f.SvalUnit + QStringLiteral("  ") + f.SlmtText + f.SlmtUnit;
}

// Who a note of the information list is about: "Channel<chn + 1>" on a
// two-channel panel, else "Device<slot + 1>".
inline QString ChannelWho(const SlotState& s, int slot, int chn)
{
    return s.Dev2S ? QStringLiteral("Channel%1").arg(chn + 1) : QStringLiteral("Device%1").arg(slot + 1);
}

// Shortest text of a single-precision value, as the error log wants it.
inline QString shortest(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, static_cast<int>(r.ptr - buf));
}

// A value written with a pattern and read back (the rounding a text round trip makes).
inline float roundTrip(double v, const QString& pattern)
{
    return static_cast<float>(ReadNumber(Format(v, pattern)).value_or(0));
}

inline double toNumber(const QString& text, bool* ok)
{
    const std::optional<double> v = ReadNumber(text);
    *ok = v.has_value();
    return v.value_or(0);
}

// The three-digit pattern of the floating readouts' capacity and energy.
inline QString dispPattern(float v) { return v > 100 ? QStringLiteral("000.0") : v > 10 ? QStringLiteral("00.00") : k000; }

} // namespace ql::runparts
