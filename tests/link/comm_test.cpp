// Serial transport and port scan over pseudo-terminals. Every wait is for a
// condition, with a generous limit.
#include "link/comm.h"
#include "link/frames.h"
#include "link/state.h"
#include "platform/serial.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace ql;
using ql::sim::DeviceSim;
using ql::sim::ReadUntil;

namespace {

const QByteArray kConnect = FrameBytes(*MakeFrame(OpConnect, 0, 0, 0));

// A type-11 device plugged in as COM3, the error log captured.
class Comm : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dev.plug(ports.path(), 3)); }
    void TearDown() override { SerialPort::setSystemPortLister({}); }
    CommHandle Open()
    {
        CommHandle h = OpenPort(3);
        EXPECT_TRUE(h);
        return h;
    }
    // Reads (and lets events run) until cond holds.
    template <typename Cond>
    bool Until(const CommHandle& h, Cond cond, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                int n = 0;
                ReadBytes(h, n);
                return cond();
            },
            ms);
    }

    sim::LogCapture log;
    sim::PortsDir ports;
    DeviceSim dev{11, 300};
};

}  // namespace

TEST_F(Comm, PortNamesResolveThroughThePortsFolderThenTheSystemList)
{
    EXPECT_EQ(SerialPort::resolve("COM3"), QDir(ports.path()).filePath("COM3"));
    for (const char* name : {"COM8", "COM", "COM03", "/dev/ttyS0"})
        EXPECT_TRUE(SerialPort::resolve(name).isEmpty()) << name;
    EXPECT_TRUE(SerialPort::systemPorts().isEmpty());  // QL_SYSTEM_PORTS=0

    // The system list: COM2 is its first device, COM1 maps to none; the
    // ports folder's COM3 wins over the list's.
    SerialPort::setSystemPortLister([&] {
        return QStringList{dev.slavePath(), "/nonexistent/ttyW", "/nonexistent/ttyX"};
    });
    EXPECT_EQ(SerialPort::resolve("COM2"), dev.slavePath());
    EXPECT_EQ(SerialPort::resolve("COM3"), QDir(ports.path()).filePath("COM3"));
    EXPECT_EQ(SerialPort::resolve("COM4"), "/nonexistent/ttyX");
    EXPECT_TRUE(SerialPort::resolve("COM1").isEmpty());
    EXPECT_TRUE(SerialPort::resolve("COM5").isEmpty());
    // A dangling entry in the ports folder still wins over the system list.
    ASSERT_TRUE(QFile::link("/nonexistent/pty", QDir(ports.path()).filePath("COM2")));
    EXPECT_EQ(SerialPort::resolve("COM2"), QDir(ports.path()).filePath("COM2"));
    EXPECT_FALSE(OpenPort(2));
    EXPECT_FALSE(OpenPort(4));
}

TEST_F(Comm, OpenIsExclusiveAndCloseIsExplicit)
{
    ASSERT_TRUE(QFile::link(dev.slavePath(), QDir(ports.path()).filePath("COM4")));
    CommHandle a = Open();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->line(), (LineSettings{9600, 8, 0, 2}));
    EXPECT_FALSE(OpenPort(3));  // held
    EXPECT_FALSE(OpenPort(4));  // the same device under another name
    EXPECT_FALSE(OpenPort(5));  // no such port
    EXPECT_FALSE(OpenPort(0));

    ClosePort(a);
    EXPECT_EQ(a, nullptr);
    ClosePort(a);  // closing a closed handle does nothing
    EXPECT_TRUE(OpenPort(4));
}

TEST_F(Comm, ReadsDrainUpToTheirBoundAndNullHandlesDoNothing)
{
    CommHandle h = Open();
    int count = -1;
    EXPECT_TRUE(ReadBytes(h, count).isEmpty());  // nothing there: returns, empty
    EXPECT_EQ(count, 0);

    // More than one read takes: the first read takes its bound, the rest
    // follows in order.
    QByteArray data;
    for (int i = 0; i < SerialPort::kMaxRead + 300; ++i)
        data.append(char(i * 7));
    dev.sendRaw(data);
    ASSERT_TRUE(dev.waitUnread(data.size()));  // all of it on the line, none read yet
    EXPECT_EQ(ReadBytes(h, count), data.left(SerialPort::kMaxRead));
    EXPECT_EQ(count, SerialPort::kMaxRead);
    EXPECT_EQ(ReadUntil(h, 300), data.mid(SerialPort::kMaxRead));
    EXPECT_EQ(log.count("ErrComm"), 0);  // nothing was discarded

    CommHandle closed;
    EXPECT_TRUE(ReadBytes(closed, count).isEmpty());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(WriteBytes(closed, QByteArray(10, 'x')), 0);
    EXPECT_EQ(WriteBytes(h, QByteArray()), 0);
}

// A source that outruns the reader (a USB device not held to the line rate,
// a faulty adapter): the read buffer stays within its bound however much
// comes, what comes beyond it is discarded, the first discard is logged and
// no other, and the line still carries frames afterwards.
TEST_F(Comm, AFloodStaysWithinTheReadBoundAndIsLoggedOnce)
{
    CommHandle h = Open();
    dev.startFlood(DeviceSim::Flood::Junk);
    qint64 largestRead = 0, taken = 0;
    const bool flooded = QTest::qWaitFor(
        [&] {
            int n = 0;
            ReadBytes(h, n);
            largestRead = std::max<qint64>(largestRead, n);
            taken += n;
            // More than a mebibyte came that was never read.
            return dev.floodBytes() - taken > 1 << 20 && taken > 1 << 16;
        },
        30000);
    dev.stopFlood();
    EXPECT_TRUE(flooded) << "flooded " << dev.floodBytes() << ", read " << taken;
    EXPECT_LE(largestRead, SerialPort::kMaxRead);
    EXPECT_EQ(log.count("ErrComm"), 1) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines().value(0).contains("COM3")) << log.lines().value(0).toStdString();

    // Once the flood has stopped, replies come through whole again (the
    // first may still go with the last of the flood: it is sent again
    // until one arrives).
    const QByteArray reply = dev.reply(0, DeviceSim::Reply::Data);
    QByteArray tail;
    int polls = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        if (polls++ % 10 == 0)
            dev.sendReply(0, DeviceSim::Reply::Data);
        int n = 0;
        tail = (tail + ReadBytes(h, n)).right(64);
        return tail.endsWith(reply);
    }));
    EXPECT_TRUE(h->isOpen());
}

// A port that is not read holds no more than its read buffer: what comes
// beyond it stays on the line, and the next read discards that backlog
// (logged) and hands over the buffer's bytes in order, and nothing stale.
TEST_F(Comm, InputBeyondTheReadBufferIsDiscarded)
{
    CommHandle h = Open();
    constexpr int kBeyond = 1000;
    QByteArray data;
    for (int i = 0; i < SerialPort::kReadBufferSize + kBeyond; ++i)
        data.append(char(i % 251));
    dev.sendRaw(data);
    // Events run, so the port takes in what arrives, but nothing reads.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dev.unread() == kBeyond; })) << dev.unread();
    EXPECT_EQ(log.count("ErrComm"), 0);

    int n = 0;
    EXPECT_EQ(ReadBytes(h, n), data.left(SerialPort::kMaxRead));
    EXPECT_EQ(dev.unread(), 0);  // the backlog is gone from the line
    EXPECT_EQ(log.count("ErrComm"), 1);
    EXPECT_TRUE(log.lines().value(0).contains("COM3")) << log.lines().value(0).toStdString();
    constexpr int kRest = SerialPort::kReadBufferSize - SerialPort::kMaxRead;
    EXPECT_EQ(ReadUntil(h, kRest), data.mid(SerialPort::kMaxRead, kRest));
    // What comes next is read as it came: no byte of the backlog before it.
    dev.sendReply(0, DeviceSim::Reply::Data);
    EXPECT_EQ(ReadUntil(h, 19), dev.reply(0, DeviceSim::Reply::Data));
}

// A program killed while it held a pseudo-terminal restores nothing: the
// line keeps the flags it set (CLOCAL, IGNPAR). The next open must not
// depend on them.
TEST_F(Comm, ReopensAPortWhoseOwnerWasKilled)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CommHandle owner = OpenPort(3);
        if (!owner)
            ::_exit(3);
        ::raise(SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the owner could not open the port";

    QString error;
    CommHandle h = SerialPort::open("COM3", {}, &error);
    ASSERT_TRUE(h) << error.toStdString();
    EXPECT_EQ(h->line(), (LineSettings{9600, 8, 0, 2}));
    dev.sendReply(0, DeviceSim::Reply::Data);
    EXPECT_EQ(ReadUntil(h, 19), dev.reply(0, DeviceSim::Reply::Data));
    EXPECT_EQ(WriteBytes(h, kConnect), 10);
    EXPECT_TRUE(dev.waitForFrames(1));
}

TEST_F(Comm, LineSettingsReopenWhenTheyChange)
{
    CommHandle none;
    EXPECT_FALSE(SetPortState(none, 9600, 8, 0, 2));
    EXPECT_FALSE(SetPortTimeouts(none));

    CommHandle h = Open();
    EXPECT_TRUE(SetPortState(h, 9600, 8, 0, 2));
    EXPECT_TRUE(SetPortTimeouts(h));
    EXPECT_TRUE(SetPortState(h, 19200, 8, 2, 0));  // reopened with the new line
    EXPECT_EQ(h->line(), (LineSettings{19200, 8, 2, 0}));
    EXPECT_FALSE(SetPortState(h, 9600, 9, 0, 2));  // refused, port unchanged
    EXPECT_FALSE(SetPortState(h, 9600, 8, 0, 7));
    EXPECT_EQ(h->line(), (LineSettings{19200, 8, 2, 0}));
    EXPECT_FALSE(OpenPort(3));  // still held across the reopen

    // The reopened port still carries frames both ways.
    EXPECT_EQ(WriteBytes(h, kConnect), 10);
    ASSERT_TRUE(dev.waitForFrames(1));
    EXPECT_EQ(ReadUntil(h, 38), dev.sent());
}

TEST_F(Comm, AnUnpluggedPortClosesAndLogsOnce)
{
    CommHandle h = Open();
    QSignalSpy lost(h.get(), &SerialPort::lost);
    dev.unplug();
    // Either way of noticing: the event loop's read notifier or a poll.
    ASSERT_TRUE(Until(h, [&] { return !h->isOpen(); }));
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
        int n = 0;
        EXPECT_TRUE(ReadBytes(h, n).isEmpty());
        EXPECT_EQ(WriteBytes(h, QByteArray(10, 'x')), 0);
    }
    EXPECT_EQ(lost.count(), 1);
    ASSERT_EQ(log.lines().size(), 1);
    const QString line = log.lines().value(0);
    EXPECT_EQ(log.count("ErrComm"), 1);
    EXPECT_TRUE(line.contains("COM3")) << line.toStdString();
    // The cause is found out, not an errno left from an unrelated call.
    EXPECT_TRUE(line.contains("hung up") || line.contains("is gone")) << line.toStdString();
    ClosePort(h);  // dropping the handle after the loss is safe
}

TEST_F(Comm, ScanListsTheFreePortsInOrder)
{
    DeviceSim com5(11, 300), com7(11, 300), com21(11, 300);
    ASSERT_TRUE(com7.plug(ports.path(), 7));
    ASSERT_TRUE(com5.plug(ports.path(), 5));
    ASSERT_TRUE(com21.plug(ports.path(), 21));  // beyond the scanned range
    CommHandle held = OpenPort(5);               // another slot holds COM5
    ASSERT_TRUE(held);

    EXPECT_EQ(ScanPorts(), (QStringList{"COM3", "COM7"}));
    // The probes released the ports again.
    CommHandle again = Open();
    EXPECT_TRUE(held->isOpen());
    EXPECT_EQ(ScanPorts(), QStringList{"COM7"});
}

// A device that never reads: the line backs up, the write gives up with
// part of the data sent and drops the rest rather than send it later ahead
// of newer frames.
TEST_F(Comm, AWriteToAStalledLineGivesUpAndDropsTheRest)
{
    CommHandle h = Open();
    const QByteArray big(1 << 20, 'x');
    QElapsedTimer took;
    took.start();
    const int written = WriteBytes(h, big);
    // It waits out its time-out (100 ms in all), and not much more.
    EXPECT_GE(took.elapsed(), 90);
    EXPECT_LT(took.elapsed(), 1500);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, big.size());
    EXPECT_TRUE(h->isOpen());
    EXPECT_EQ(WriteBytes(h, kConnect), 10);
    ASSERT_TRUE(dev.waitForFrames(1, 10000));
    EXPECT_LE(dev.bytesIn(), written + 10);  // the kernel's queue may go too
}
