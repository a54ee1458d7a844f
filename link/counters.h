#pragma once
// The per-channel one-second counters.
//
// One ticker thread serves every channel's timer, each with its own phase
// (its first tick comes one period after TmrStart). A tick adds 1 to
// TickSecs and, while the channel counts (ChanState::Counting), 1 to
// RunSecs. The ticker touches only those atomics, never a widget.
//
// The interface thread starts, stops, pauses and resumes the timers and
// resets or reloads the counters with SetCounters. Ticks, TmrStop,
// TmrPause and SetCounters are ordered by one mutex, and a tick adds with
// an atomic fetch_add, so a reset or reload is never undone by a tick in
// flight; once TmrStop returns the channel's timer ticks no more, and once
// TmrPause returns RunSecs stands still. Readers read the atomics without
// the lock; ReadRunClock (link/state.h) gives both counters of one instant.
#include "link/state.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ql {

class SecondTicker {
public:
    using Clock = std::chrono::steady_clock;

    // period: one second in the program; shorter in tests. A zero period
    // starts no thread: the timers then tick only through TickAll.
    explicit SecondTicker(LinkState& state, Clock::duration period = std::chrono::seconds(1));
    ~SecondTicker();  // Shutdown()

    SecondTicker(const SecondTicker&) = delete;
    SecondTicker& operator=(const SecondTicker&) = delete;

    // Starts the channel's periodic timer unless it runs; counters untouched.
    void TmrStart(int slot, int chn);
    // Stops the channel's timer if it runs; no tick of it follows the return.
    void TmrStop(int slot, int chn);
    // Run seconds count (TmrResume) or stand still (TmrPause).
    void TmrResume(int slot, int chn);
    void TmrPause(int slot, int chn);

    // One tick of every channel timer that exists, applied at once (the
    // manual mode of a zero period; harmless with a running thread).
    void TickAll();

    // Sets a channel's counters (0 on a reset, the recorded time on a
    // continue). Ordered with the ticks: a tick lands wholly before or
    // wholly after it.
    void SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs);

    // Stops every timer and joins the thread; later calls are ignored.
    // Called first at shut-down.
    void Shutdown();

private:
    void Run();
    void Tick(int slot, int chn);  // under mutex_
    static bool Valid(int slot, int chn);

    LinkState& state_;
    const Clock::duration period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    // Next due time per channel timer; time_point::max() = no timer.
    Clock::time_point due_[kSlotCount][kChanCount];
    std::thread thread_;
};

// What a connect clears on a slot, both channels: every measurement
// (voltage, currents, power, temperature, capacity, energy, the auxiliary
// voltages), a pending set, capacity offset and continue flag, Running,
// LastLogSec, the mode index and both run counters (TickSecs and RunSecs);
// then FwVersion and VerFrames.
void ConnectReset(LinkState& state, SecondTicker& ticker, int slot);

} // namespace ql
