#pragma once
// Whether a channel's second timer exists, seen from outside: a tick of
// every timer moves the channel's time base on. Moves it by one when the
// timer exists (run seconds too while the channel counts).
#include "link/counters.h"

namespace qltest {

inline bool TimerTicks(ql::SecondTicker& ticker, const ql::ChanState& ch)
{
    const int32_t before = ch.TickSecs.load();
    ticker.TickAll();
    return ch.TickSecs.load() != before;
}

} // namespace qltest
