#include "link/counters.h"

namespace ql {

SecondTicker::SecondTicker(LinkState& state, Clock::duration period)
    : state_(state), period_(period > Clock::duration::zero() ? period : Clock::duration::zero()) {
    for (auto& slot : due_)
        for (auto& d : slot)
            d = Clock::time_point::max();
    if (period_ > Clock::duration::zero())
        thread_ = std::thread([this] { Run(); });
}

SecondTicker::~SecondTicker() { Shutdown(); }

bool SecondTicker::Valid(int slot, int chn) {
    return slot >= 0 && slot < kSlotCount && chn >= 0 && chn < kChanCount;
}

void SecondTicker::TmrStart(int slot, int chn) {
    if (!Valid(slot, chn))
        return;
    std::lock_guard lock(mutex_);
    if (quit_ || due_[slot][chn] != Clock::time_point::max())
        return;
    // In the manual mode the due time only marks the timer as existing.
    due_[slot][chn] = period_ > Clock::duration::zero() ? Clock::now() + period_ : Clock::time_point::min();
    wake_.notify_one();
}

void SecondTicker::TmrStop(int slot, int chn) {
    if (!Valid(slot, chn))
        return;
    // Ticks are applied while the ticker holds the mutex, so once the timer
    // is removed under it no tick of this channel can follow.
    std::lock_guard lock(mutex_);
    due_[slot][chn] = Clock::time_point::max();
}

void SecondTicker::TmrResume(int slot, int chn) {
    if (!Valid(slot, chn))
        return;
    std::lock_guard lock(mutex_);
    state_.ch(slot, chn).Counting.store(true);
}

void SecondTicker::TmrPause(int slot, int chn) {
    if (!Valid(slot, chn))
        return;
    std::lock_guard lock(mutex_);
    state_.ch(slot, chn).Counting.store(false);
}

void SecondTicker::SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs) {
    if (!Valid(slot, chn))
        return;
    std::lock_guard lock(mutex_);
    ChanState& ch = state_.ch(slot, chn);
    ch.ClockSeq.fetch_add(1);
    ch.TickSecs.store(tickSecs);
    ch.RunSecs.store(runSecs);
    ch.ClockSeq.fetch_add(1);
}

void SecondTicker::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        for (auto& slot : due_)
            for (auto& d : slot)
                d = Clock::time_point::max();
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void SecondTicker::Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        Clock::time_point next = Clock::time_point::max();
        for (auto& slot : due_)
            for (auto& d : slot)
                if (d < next)
                    next = d;
        if (next == Clock::time_point::max()) {
            wake_.wait(lock);
            continue;
        }
        if (Clock::now() < next) {
            wake_.wait_until(lock, next);
            continue;  // re-read: timers may have changed meanwhile
        }
        const auto now = Clock::now();
        for (int s = 0; s < kSlotCount; ++s) {
            for (int c = 0; c < kChanCount; ++c) {
                auto& d = due_[s][c];
                if (d == Clock::time_point::max() || d > now)
                    continue;
                Tick(s, c);
                d += period_;
                // After a long stall (suspend) resume the rhythm instead of
                // delivering a burst of catch-up ticks.
                if (d + period_ < now)
                    d = now + period_;
            }
        }
    }
}

void SecondTicker::Tick(int slot, int chn) {
    ChanState& ch = state_.ch(slot, chn);
    ch.ClockSeq.fetch_add(1);
    ch.TickSecs.fetch_add(1);
    if (ch.Counting.load())
        ch.RunSecs.fetch_add(1);
    ch.ClockSeq.fetch_add(1);
}

void SecondTicker::TickAll() {
    std::lock_guard lock(mutex_);
    for (int s = 0; s < kSlotCount; ++s)
        for (int c = 0; c < kChanCount; ++c)
            if (due_[s][c] != Clock::time_point::max())
                Tick(s, c);
}

void ConnectReset(LinkState& state, SecondTicker& ticker, int slot) {
    SlotState& s = state.slot.at(static_cast<size_t>(slot));
    for (int c = 0; c < kChanCount; ++c) {
        ChanState& ch = s.chn.at(static_cast<size_t>(c));
        ch.Volt = 0;
        ch.Cur = 0;
        ch.CurTenth = 0;
        ch.Pwr = 0;
        ch.Temp = 0;
        ch.AuxVolt1 = 0;
        ch.AuxVolt2 = 0;
        ch.SetPend = 0;
        ch.Cap = 0;
        ch.CapOffset = 0;
        ch.ContPend = false;
        ch.ContWait = false;
        ch.LastLogSec = 0;
        ch.Energy = 0;
        ch.Running = false;
        ch.ChnMode = 0;  // a mode of the last device may not exist on the next
        ticker.SetCounters(slot, c, 0, 0);
    }
    s.FwVersion = 0;
    s.VerFrames = 0;
}

} // namespace ql
