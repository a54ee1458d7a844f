#pragma once
// The value fields a slot's record holds, as the numbers the encoder takes.
#include "link/encode.h"
#include "link/state.h"
#include "platform/numfmt.h"

namespace ql {

inline SetValues RecordValues(const SlotState& s, int chn)
{
    const ChanState& f = s.chn.at(size_t(s.FieldChn(chn)));
    return {ParseNumber(f.SvalText), ParseNumber(f.SlmtText), ParseNumber(f.StimText)};
}

}  // namespace ql
