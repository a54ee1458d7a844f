// One-second counters: their counting on the hand-driven ticker, their
// threading and rhythm on the real ticker thread with short periods.
#include "link/counters.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

namespace ql {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Waits until pred holds or a generous deadline passes.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 5000ms) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return pred();
}

// The hand-driven mode (period 0): every TickAll is one tick of every timer.
TEST(SecondTicker, RunSecsCountsOnlyWhileCountingIsOn) {
    LinkState st;
    SecondTicker t(st, 0ms);
    ChanState& ch = st.ch(10, 1);  // the last slot and channel are served too
    t.TmrResume(10, 1);
    t.TmrStart(10, 1);
    for (int i = 0; i < 4; ++i)
        t.TickAll();
    EXPECT_EQ(ch.TickSecs.load(), 4);
    EXPECT_EQ(ch.RunSecs.load(), 4);

    t.TmrPause(10, 1);
    for (int i = 0; i < 3; ++i)
        t.TickAll();
    EXPECT_EQ(ch.TickSecs.load(), 7);  // the time base goes on
    EXPECT_EQ(ch.RunSecs.load(), 4);   // run time stands

    t.TmrResume(10, 1);
    t.TickAll();
    EXPECT_EQ(ch.RunSecs.load(), 5);

    t.TmrStop(10, 1);
    t.TickAll();
    EXPECT_EQ(ch.TickSecs.load(), 8);
    // Other channels never ticked.
    EXPECT_EQ(st.ch(10, 0).TickSecs.load(), 0);
    EXPECT_EQ(st.ch(0, 1).TickSecs.load(), 0);
}

TEST(SecondTicker, BothCountersAreReadFromOneInstant) {
    // While counting, every tick adds to both counters; a reader on another
    // thread must never see one before a tick and the other after it.
    LinkState st;
    SecondTicker t(st, 20us);
    ChanState& ch = st.ch(2, 0);
    t.TmrResume(2, 0);
    t.TmrStart(2, 0);
    int torn = 0, back = 0;
    int32_t last = 0;
    const auto end = Clock::now() + 10s;
    while (last < 300 && Clock::now() < end) {
        const RunClock c = ReadRunClock(ch);
        torn += c.tick != c.run;
        back += c.tick < last;
        last = c.tick;
    }
    t.TmrStop(2, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(back, 0);
    EXPECT_GE(last, 300);  // read across many ticks
}

TEST(SecondTicker, StopIsSynchronousAndStopWithoutTimerIsHarmless) {
    LinkState st;
    SecondTicker t(st, 2ms);
    t.TmrStop(3, 0);  // no timer: nothing happens
    t.TickAll();
    EXPECT_EQ(st.ch(3, 0).TickSecs.load(), 0);
    // Another channel's timer runs on as the measure of time passing.
    t.TmrStart(4, 0);
    const auto& reference = st.ch(4, 0).TickSecs;
    for (int round = 0; round < 50; ++round) {
        t.TmrResume(3, 0);
        t.TmrStart(3, 0);
        // Stopped at every moment of its rhythm, from at once to a few periods on.
        std::this_thread::sleep_for(std::chrono::microseconds(100 * round));
        t.TmrStop(3, 0);
        const int32_t tick = st.ch(3, 0).TickSecs.load();
        const int32_t run = st.ch(3, 0).RunSecs.load();
        const int32_t ref = reference.load();
        ASSERT_TRUE(WaitFor([&] { return reference.load() >= ref + 2; }));
        ASSERT_EQ(st.ch(3, 0).TickSecs.load(), tick) << "tick after TmrStop returned";
        ASSERT_EQ(st.ch(3, 0).RunSecs.load(), run);
    }
}

TEST(SecondTicker, SecondStartCreatesNoSecondTimer) {
    LinkState st;
    SecondTicker t(st, 0ms);
    t.TmrStart(2, 1);
    t.TmrStart(2, 1);
    t.TmrStart(2, 1);
    for (int i = 0; i < 5; ++i)
        t.TickAll();
    EXPECT_EQ(st.ch(2, 1).TickSecs.load(), 5);  // one timer: one count per tick
    EXPECT_EQ(st.ch(2, 1).RunSecs.load(), 0);   // never resumed
    t.TmrStop(2, 1);
    t.TmrStart(2, 1);  // started again after a stop: one timer again
    t.TickAll();
    EXPECT_EQ(st.ch(2, 1).TickSecs.load(), 6);
}

// A timer's first tick comes a whole period after its own start, not on the
// rhythm of a timer that was already running. Started half a period into
// another timer's rhythm (measured by the tick of a second ticker of half
// the period), it must not tick with that one's next tick. The ticker never
// ticks early, so this holds on however busy a machine.
TEST(SecondTicker, EachTimerKeepsItsOwnPhase) {
    LinkState st, half;
    const auto period = 100ms;
    SecondTicker t(st, period);
    SecondTicker h(half, period / 2);
    t.TmrStart(0, 0);
    ASSERT_TRUE(WaitFor([&] { return st.ch(0, 0).TickSecs.load() >= 1; }));
    h.TmrStart(0, 0);
    ASSERT_TRUE(WaitFor([&] { return half.ch(0, 0).TickSecs.load() >= 1; }));
    const int32_t firstTicks = st.ch(0, 0).TickSecs.load();
    const auto started = Clock::now();
    t.TmrStart(1, 0);
    ASSERT_TRUE(WaitFor([&] { return st.ch(1, 0).TickSecs.load() >= 1; }));
    EXPECT_GE(Clock::now() - started, period);
    EXPECT_GT(st.ch(0, 0).TickSecs.load(), firstTicks);  // the first timer ticked before it
}

// Resets and reloads race the real ticker with every channel's timer
// running: a reset must never be undone by a tick that read the old value.
TEST(SecondTicker, ResetIsNeverUndoneByATickInFlight) {
    LinkState st;
    SecondTicker t(st, std::chrono::microseconds(200));
    for (int s = 0; s < kSlotCount; ++s)
        for (int c = 0; c < kChanCount; ++c) {
            t.TmrResume(s, c);
            t.TmrStart(s, c);
        }
    constexpr int32_t kBig = 1'000'000;
    for (int i = 0; i < 20000; ++i) {
        const int s = i % kSlotCount, c = (i / kSlotCount) % kChanCount;
        ChanState& ch = st.ch(s, c);
        t.SetCounters(s, c, kBig, kBig);
        ASSERT_GE(ch.TickSecs.load(), kBig);
        ASSERT_GE(ch.RunSecs.load(), kBig);
        t.SetCounters(s, c, 0, 0);
        ASSERT_LT(ch.TickSecs.load(), 1000) << "reload came back after a reset";
        ASSERT_LT(ch.RunSecs.load(), 1000);
    }
    // Paused and reset: RunSecs stays 0 while TickSecs goes on.
    t.TmrPause(4, 1);
    t.SetCounters(4, 1, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return st.ch(4, 1).TickSecs.load() >= 20; }));
    EXPECT_EQ(st.ch(4, 1).RunSecs.load(), 0);
    t.Shutdown();
}

TEST(SecondTicker, ShutdownStopsEverythingAndIgnoresLaterStarts) {
    LinkState st;
    SecondTicker t(st, 2ms);
    t.TmrResume(5, 0);
    t.TmrStart(5, 0);
    ASSERT_TRUE(WaitFor([&] { return st.ch(5, 0).TickSecs.load() >= 2; }));
    t.Shutdown();
    const int32_t tick = st.ch(5, 0).TickSecs.load();
    t.TmrStart(5, 0);
    t.TickAll();  // no timer is left to tick
    EXPECT_EQ(st.ch(5, 0).TickSecs.load(), tick);
    t.Shutdown();  // twice is fine
    // Out-of-range channels are ignored, not indexed.
    t.TmrStart(11, 0);
    t.TmrResume(0, 2);
    t.TmrStop(-1, 0);
}

TEST(ConnectReset, ClearsBothCountersAndTheMeasurementsOfBothChannels) {
    LinkState st;
    SecondTicker t(st, 1s);
    SlotState& s = st.slot[6];
    s.FwVersion = 320;
    s.VerFrames = 9;
    s.DevType = 26;
    // Everything the last device reported, and the run state it left.
    auto measurements = [](ChanState& ch) {
        return std::array{&ch.Volt,   &ch.Cur,  &ch.CurTenth, &ch.Cap,      &ch.CapOffset,
                          &ch.Energy, &ch.Temp, &ch.Pwr,      &ch.AuxVolt1, &ch.AuxVolt2};
    };
    for (ChanState& ch : s.chn) {
        ch.TickSecs = 50;
        ch.RunSecs = 40;
        for (float* m : measurements(ch))
            *m = 1.5f;
        ch.SetPend = 2;
        ch.ContPend = true;
        ch.Running = true;
        ch.LastLogSec = 33;
        ch.ChnMode = 6;
    }
    st.ch(7, 0).RunSecs = 12;
    ConnectReset(st, t, 6);
    for (ChanState& ch : s.chn) {
        EXPECT_EQ(ch.TickSecs.load(), 0);
        EXPECT_EQ(ch.RunSecs.load(), 0);
        const auto cleared = measurements(ch);
        for (size_t i = 0; i < cleared.size(); ++i)
            EXPECT_EQ(*cleared[i], 0.f) << "measurement " << i;
        EXPECT_EQ(ch.SetPend, 0);
        EXPECT_FALSE(ch.ContPend);
        EXPECT_FALSE(ch.Running);
        EXPECT_EQ(ch.LastLogSec, 0);
        EXPECT_EQ(ch.ChnMode, 0);
    }
    EXPECT_EQ(s.FwVersion, 0);
    EXPECT_EQ(s.VerFrames, 0);
    EXPECT_EQ(s.DevType, 26);                   // the next first reply sets it
    EXPECT_EQ(st.ch(7, 0).RunSecs.load(), 12);  // other slots untouched
}

} // namespace
} // namespace ql
