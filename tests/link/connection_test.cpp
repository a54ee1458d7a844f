// A slot's connection against the device simulator on a pseudo-terminal, on
// short periods: connect repeated until the first valid reply (counted in
// the frames the device receives, not read off a clock), the receive lamp, a
// lost adapter, disconnect, and ports that cannot be opened.
#include "platform/serial.h"
#include "slotbench.h"
#include "ticking.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace ql {
namespace {

using testing::FastTimings;
using testing::SlotBench;
constexpr int kSlot = 2;

bool IsConnectFrame(const QByteArray& f) { return f == QByteArray::fromHex("fa0500000000000005f8"); }

// Frames the device has received so far, those in flight taken in.
qsizetype Received(sim::DeviceSim& dev)
{
    dev.pump(0);
    return dev.received().size();
}

TEST(Connection, ConnectRepeatsUntilTheFirstValidReplyThenPollsOn)
{
    SlotBench b{kSlot};
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 3));
    // Measurements and counters left from an earlier device are cleared.
    b.st.ch(kSlot, 0).Volt = 9.5f;
    b.st.ch(kSlot, 1).RunSecs = 77;

    dev.setSilent(true);  // the device does not answer yet
    ASSERT_EQ(b.conn.Connect("COM3"), SlotConnection::Opened::Ok);
    ASSERT_TRUE(b.slot().hComm);
    EXPECT_EQ(b.slot().PortNo, 3);
    EXPECT_TRUE(b.slot().Connecting);
    EXPECT_EQ(b.st.ch(kSlot, 0).Volt, 0.f);
    EXPECT_EQ(b.st.ch(kSlot, 1).RunSecs.load(), 0);
    EXPECT_EQ(b.slot().hComm->line(), (LineSettings{9600, 8, 0, 2}));
    EXPECT_EQ(Received(dev), 1);  // the first one at once

    // Unanswered, connect is repeated.
    ASSERT_TRUE(b.Until(dev, [&] { return dev.received().size() >= 4; }));
    EXPECT_TRUE(b.slot().Connecting);
    // A corrupt reply does not end the repeats.
    qsizetype before = Received(dev);
    dev.corruptNextCheck();
    dev.sendReply(0, sim::DeviceSim::Reply::Info);
    ASSERT_TRUE(b.Until(dev, [&] { return dev.received().size() >= before + 2; }));
    EXPECT_EQ(b.slot().DevType, 0);

    // The device answers the next connect: its first valid reply identifies
    // it and ends the repeats.
    dev.setSilent(false);
    ASSERT_TRUE(b.Identified(dev));
    EXPECT_EQ(b.slot().DevType, 11);
    before = Received(dev);
    // Polling goes on: thirty replies, each sent once the one before was
    // decoded, take thirty polls, several connect periods. No connect
    // frame follows meanwhile.
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(b.Step(dev)) << i;
    EXPECT_EQ(Received(dev), before);
    // What the device received was connect and nothing else.
    for (const QByteArray& f : dev.received())
        EXPECT_TRUE(IsConnectFrame(f)) << f.toHex().toStdString();
    EXPECT_TRUE(b.errors.isEmpty());
}

TEST(Connection, PortsThatCannotBeOpenedChangeNothing)
{
    SlotBench b{kSlot};
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 5));
    for (const char* text : {"CO", "COM", "COMx", "", "5", "COM5 ", "COM-5"}) {
        EXPECT_EQ(b.conn.Connect(text), SlotConnection::Opened::BadName) << text;
        EXPECT_FALSE(b.slot().hComm);
    }
    EXPECT_EQ(b.conn.Connect("COM9"), SlotConnection::Opened::CannotOpen);
    // Held by another slot.
    SlotConnection other(b.st, 0, b.dec, b.ticker, FastTimings());
    ASSERT_EQ(other.Connect("COM5"), SlotConnection::Opened::Ok);
    EXPECT_EQ(b.conn.Connect("COM5"), SlotConnection::Opened::CannotOpen);
    EXPECT_FALSE(b.slot().hComm);
    EXPECT_EQ(b.slot().PortNo, 0);
    EXPECT_FALSE(b.slot().Connecting);
    EXPECT_EQ(b.log.count("ErrConn"), 9);
    // A slot holding a port keeps it: no second connect goes out.
    EXPECT_EQ(other.Connect("COM5"), SlotConnection::Opened::AlreadyOpen);
    EXPECT_TRUE(b.st.slot[0].hComm);
    EXPECT_EQ(Received(dev), 1);
    other.Disconnect();
}

// The lamp goes out its period after it was lit, however many start bytes
// come meanwhile, and the next reply lights it again.
TEST(Connection, TheReceiveLampBlinksWhileRepliesFlow)
{
    LinkTimings t = FastTimings();
    t.recvLamp = std::chrono::milliseconds(40);
    SlotBench b{kSlot, t};
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 4));
    ASSERT_EQ(b.conn.Connect("COM4"), SlotConnection::Opened::Ok);
    dev.start(5);  // a reply every 5 ms: start bytes in nearly every poll
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::count(b.lamp.begin(), b.lamp.end(), false) >= 3; }, 5000));
    dev.stop();
    // Every report is a change: on, off, on, off ...
    for (size_t i = 0; i < b.lamp.size(); ++i)
        EXPECT_EQ(b.lamp[i], i % 2 == 0) << i;
    EXPECT_EQ(b.slot().RecvLit, b.lamp.back());
    // Once the replies stop (those in flight taken off the line), the lamp
    // goes out and stays out: no report over several lamp periods, the last
    // one off.
    size_t reports = b.lamp.size();
    QElapsedTimer quiet;
    quiet.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (b.lamp.size() != reports || dev.unread() > 0) {
                reports = b.lamp.size();
                quiet.restart();
            }
            return quiet.elapsed() >= 5 * t.recvLamp.count();
        },
        5000));
    EXPECT_FALSE(b.lamp.back());
    EXPECT_FALSE(b.slot().RecvLit);
    b.conn.Disconnect();
}

TEST(Connection, DisconnectSendsItsFrameAndStopsEverything)
{
    SlotBench b{kSlot};
    sim::DeviceSim dev(18, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 6));
    ASSERT_EQ(b.conn.Connect("COM6"), SlotConnection::Opened::Ok);
    // A two-channel device is identified by its channel-1 reply.
    ASSERT_TRUE(b.Identified(dev));
    for (int c = 0; c < 2; ++c) {
        b.ticker.TmrResume(kSlot, c);
        b.ticker.TmrStart(kSlot, c);
    }
    dev.clearRecorded();
    b.conn.Disconnect();
    ASSERT_TRUE(dev.waitForFrames(1));
    EXPECT_EQ(dev.received().last(), QByteArray::fromHex("fa0600000000000006f8"));
    EXPECT_FALSE(b.slot().hComm);
    EXPECT_EQ(b.slot().PortNo, 0);
    EXPECT_FALSE(b.slot().RecvLit);
    for (int c = 0; c < 2; ++c) {
        EXPECT_FALSE(qltest::TimerTicks(b.ticker, b.ch(c))) << c;
        EXPECT_FALSE(b.st.ch(kSlot, c).Counting.load());
    }
    // The port is free again: the next connect opens it.
    EXPECT_EQ(b.conn.Connect("COM6"), SlotConnection::Opened::Ok);
    b.conn.Disconnect();
    // A disconnect without a port still resets the slot.
    b.st.slot[kSlot].Connecting = true;
    b.conn.Disconnect();
    EXPECT_FALSE(b.slot().Connecting);
    EXPECT_TRUE(b.lost.isEmpty());
}

// An unplugged adapter: the port closes itself and is logged once, the slot
// stops polling, no channel runs, and one Connect after replugging is enough.
TEST(Connection, ALostAdapterStopsPollingOnceAndReconnects)
{
    SlotBench b{kSlot};
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 7));
    ASSERT_EQ(b.conn.Connect("COM7"), SlotConnection::Opened::Ok);
    ASSERT_TRUE(b.Identified(dev));
    dev.reportRun(0, 0, 100, 300);
    dev.step(1.0);
    ASSERT_TRUE(b.Until(dev, [&] { return b.st.ch(kSlot, 0).Running; }));
    b.ticker.TmrResume(kSlot, 0);
    b.ticker.TmrStart(kSlot, 0);

    dev.unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.lost.isEmpty(); }, 5000));
    EXPECT_EQ(b.lost, QStringList{"COM7"});
    EXPECT_FALSE(b.slot().hComm);
    EXPECT_EQ(b.slot().PortNo, 0);
    EXPECT_FALSE(b.st.ch(kSlot, 0).Running);
    EXPECT_FALSE(qltest::TimerTicks(b.ticker, b.ch(0)));
    QCoreApplication::processEvents();
    EXPECT_EQ(b.lost.size(), 1);
    EXPECT_EQ(b.log.count("ErrComm"), 1);

    sim::DeviceSim back(11, 300);
    ASSERT_TRUE(back.plug(b.ports.path(), 7));
    ASSERT_EQ(b.conn.Connect("COM7"), SlotConnection::Opened::Ok);
    ASSERT_TRUE(b.Identified(back));
    EXPECT_EQ(b.slot().DevType, 11);
    b.conn.Disconnect();
}

} // namespace
} // namespace ql
