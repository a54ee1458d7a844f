// The per-slot interface timers on the Qt event loop, with short intervals.
#include "link/linktimers.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(LinkTimers, ConnectRepeatsUntilStoppedAndIndicatorGoesOutOnce) {
    LinkTimers t;
    t.setIntervals(5, 20, 30);
    int polls = 0, connects = 0, offs = 0;
    t.onPoll = [&](int slot) { EXPECT_EQ(slot, 3); ++polls; };
    t.onConnect = [&](int slot) { EXPECT_EQ(slot, 3); ++connects; };
    t.onRecvOff = [&](int slot) { EXPECT_EQ(slot, 3); ++offs; };

    t.SetComm(3, true);
    t.SetConn(3, true);
    EXPECT_TRUE(t.ConnEnabled(3));
    EXPECT_FALSE(t.ConnEnabled(4));
    EXPECT_TRUE(QTest::qWaitFor([&] { return connects >= 3; }, 5000));
    t.StopConn(3);
    EXPECT_FALSE(t.ConnEnabled(3));
    const int sent = connects;
    QTest::qWait(80);
    EXPECT_EQ(connects, sent);
    EXPECT_GT(polls, connects);  // the poll runs on

    t.RecvStarted(3);
    EXPECT_TRUE(t.RecvEnabled(3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return offs == 1; }, 5000));
    EXPECT_FALSE(t.RecvEnabled(3));
    QTest::qWait(80);
    EXPECT_EQ(offs, 1);  // one-shot until the next start byte

    t.StopAll();
    EXPECT_FALSE(t.CommEnabled(3));
    const int polled = polls;
    QTest::qWait(30);
    EXPECT_EQ(polls, polled);
    // Slots outside the table are ignored.
    t.SetComm(11, true);
    EXPECT_FALSE(t.CommEnabled(11));
}

TEST(LinkTimers, StartBytesInARowKeepTheIndicatorRhythm) {
    LinkTimers t;
    t.setIntervals(50, 1000, 60);
    int offs = 0;
    t.onRecvOff = [&](int) { ++offs; };
    QElapsedTimer clock;
    clock.start();
    t.RecvStarted(0);
    // More start bytes while it runs do not push the switch-off further out.
    while (offs == 0 && clock.elapsed() < 5000) {
        t.RecvStarted(0);
        QTest::qWait(5);
    }
    EXPECT_EQ(offs, 1);
    EXPECT_LT(clock.elapsed(), 2000);
}

} // namespace
} // namespace ql
