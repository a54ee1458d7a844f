// Serial transport and port scan over pseudo-terminals.
#include "link/comm.h"
#include "link/frames.h"
#include "link/state.h"
#include "platform/serial.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace ql;
using ql::sim::DeviceSim;
using ql::sim::LogCapture;
using ql::sim::PortsDir;
using ql::sim::ReadUntil;

TEST(PortNames, ResolveThroughThePortsFolderThenTheSystemList)
{
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 9));
    EXPECT_EQ(SerialPort::resolve("COM9"), QDir(ports.path()).filePath("COM9"));
    EXPECT_TRUE(SerialPort::resolve("COM8").isEmpty());
    EXPECT_TRUE(SerialPort::resolve("COM").isEmpty());
    EXPECT_TRUE(SerialPort::resolve("COM09").isEmpty());
    EXPECT_TRUE(SerialPort::resolve("/dev/ttyS0").isEmpty());
    EXPECT_TRUE(SerialPort::systemPorts().isEmpty());  // QL_SYSTEM_PORTS=0

    // The system list: COM2 is its first device, COM1 maps to none.
    SerialPort::setSystemPortLister([&] { return QStringList{dev.slavePath(), "/nonexistent/ttyX"}; });
    EXPECT_EQ(SerialPort::resolve("COM2"), dev.slavePath());
    EXPECT_EQ(SerialPort::resolve("COM3"), "/nonexistent/ttyX");
    EXPECT_TRUE(SerialPort::resolve("COM1").isEmpty());
    EXPECT_TRUE(SerialPort::resolve("COM4").isEmpty());
    // A dangling entry in the ports folder still wins over the system list.
    ASSERT_TRUE(QFile::link("/nonexistent/pty", QDir(ports.path()).filePath("COM2")));
    EXPECT_EQ(SerialPort::resolve("COM2"), QDir(ports.path()).filePath("COM2"));
    EXPECT_FALSE(OpenPort(2));
    CommHandle viaSystem = OpenPort(3);
    EXPECT_FALSE(viaSystem);
    SerialPort::setSystemPortLister({});
}

TEST(Comm, OpenIsExclusiveAndCloseIsExplicit)
{
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 3));
    ASSERT_TRUE(QFile::link(dev.slavePath(), QDir(ports.path()).filePath("COM4")));

    CommHandle a = OpenPort(3);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->isOpen());
    EXPECT_EQ(a->line(), (LineSettings{9600, 8, 0, 2}));
    EXPECT_FALSE(OpenPort(3));  // held
    EXPECT_FALSE(OpenPort(4));  // the same device under another name
    EXPECT_FALSE(OpenPort(5));  // no such port
    EXPECT_FALSE(OpenPort(0));

    ClosePort(a);
    EXPECT_EQ(a, nullptr);
    ClosePort(a);  // closing a closed handle does nothing
    EXPECT_EQ(a, nullptr);
    CommHandle b = OpenPort(4);
    EXPECT_TRUE(b);
}

// Waits, with the event loop running, until cond holds.
template <typename Cond>
bool WaitFor(Cond cond, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!cond() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return cond();
}

TEST(Comm, ReadsNeverWaitAndDrainUpToTheirBound)
{
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 3));
    CommHandle h = OpenPort(3);
    ASSERT_TRUE(h);

    int count = -1;
    QElapsedTimer clock;
    clock.start();
    const QByteArray none = ReadBytes(h, count);
    EXPECT_LT(clock.elapsed(), 50);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(none.isEmpty());

    // More than one read takes: the first read takes its bound, the rest
    // follows in order.
    QByteArray data;
    for (int i = 0; i < SerialPort::kMaxRead + 300; ++i)
        data.append(char(i * 7));
    dev.sendRaw(data);
    ASSERT_TRUE(WaitFor([&] { return h->waiting() >= data.size(); }));
    const QByteArray first = ReadBytes(h, count);
    EXPECT_EQ(count, SerialPort::kMaxRead);
    EXPECT_EQ(first, data.left(SerialPort::kMaxRead));
    const QByteArray rest = ReadUntil(h, 300);
    EXPECT_EQ(rest, data.mid(SerialPort::kMaxRead));
    EXPECT_EQ(h->discarded(), 0);

    // Null handles and empty frames do nothing.
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
TEST(Comm, AFloodStaysWithinTheReadBoundAndIsLoggedOnce)
{
    LogCapture log;
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 3));
    CommHandle h = OpenPort(3);
    ASSERT_TRUE(h);
    dev.startFlood(DeviceSim::Flood::Junk);
    qint64 largestBuffer = 0, largestRead = 0, taken = 0;
    const bool flooded = WaitFor([&] {
        largestBuffer = std::max(largestBuffer, h->buffered());
        int n = 0;
        ReadBytes(h, n);
        largestRead = std::max<qint64>(largestRead, n);
        taken += n;
        return h->discarded() > 1 << 20 && taken > 1 << 16;
    }, 20000);
    dev.stopFlood();
    EXPECT_TRUE(flooded) << "discarded " << h->discarded() << ", read " << taken;
    EXPECT_LE(largestBuffer, SerialPort::kReadBufferSize);
    EXPECT_LE(largestRead, SerialPort::kMaxRead);
    EXPECT_EQ(log.count("ErrComm"), 1) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines().value(0).contains("COM3")) << log.lines().value(0).toStdString();

    // Once the flood has stopped, replies come through whole again (the
    // first may still go with the last of the flood: it is sent again
    // until one arrives).
    const QByteArray reply = dev.reply(0, DeviceSim::Reply::Data);
    QByteArray tail;
    int polls = 0;
    EXPECT_TRUE(WaitFor([&] {
        if (polls++ % 100 == 0)
            dev.sendReply(0, DeviceSim::Reply::Data);
        int n = 0;
        tail = (tail + ReadBytes(h, n)).right(64);
        return tail.endsWith(reply);
    }));
    EXPECT_TRUE(h->isOpen());
}

// A program killed while it held a pseudo-terminal restores nothing: the
// line keeps the flags it set (CLOCAL, IGNPAR). The next open must not
// depend on them.
TEST(Comm, ReopensAPortWhoseOwnerWasKilled)
{
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 3));
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
    auto again = SerialPort::open("COM3", {}, &error);
    ASSERT_TRUE(again) << error.toStdString();
    EXPECT_EQ(again->line(), (LineSettings{9600, 8, 0, 2}));
    dev.sendReply(0, DeviceSim::Reply::Data);
    CommHandle h = again;
    EXPECT_EQ(ReadUntil(h, 19), dev.reply(0, DeviceSim::Reply::Data));
    EXPECT_EQ(WriteBytes(h, FrameBytes(*MakeFrame(OpConnect, 0, 0, 0))), 10);
    EXPECT_TRUE(dev.waitForFrames(1));
}

TEST(Comm, LineSettingsReopenWhenTheyChange)
{
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 3));
    CommHandle none;
    EXPECT_FALSE(SetPortState(none, 9600, 8, 0, 2));
    EXPECT_FALSE(SetPortTimeouts(none));

    CommHandle h = OpenPort(3);
    ASSERT_TRUE(h);
    EXPECT_TRUE(SetPortState(h, 9600, 8, 0, 2));
    EXPECT_TRUE(SetPortTimeouts(h));
    EXPECT_TRUE(SetPortState(h, 19200, 8, 2, 0));  // reopened with the new line
    EXPECT_EQ(h->line(), (LineSettings{19200, 8, 2, 0}));
    EXPECT_FALSE(SetPortState(h, 9600, 9, 0, 2));  // refused, port unchanged
    EXPECT_FALSE(SetPortState(h, 9600, 8, 0, 7));
    EXPECT_EQ(h->line(), (LineSettings{19200, 8, 2, 0}));
    EXPECT_FALSE(OpenPort(3));  // still held across the reopen

    // The reopened port still carries frames both ways.
    EXPECT_EQ(WriteBytes(h, FrameBytes(*MakeFrame(OpConnect, 0, 0, 0))), 10);
    ASSERT_TRUE(dev.waitForFrames(1));
    EXPECT_EQ(ReadUntil(h, 38), dev.sent());
}

TEST(Comm, AnUnpluggedPortClosesAndLogsOnce)
{
    LogCapture log;
    PortsDir ports;
    DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 6));
    CommHandle h = OpenPort(6);
    ASSERT_TRUE(h);
    QSignalSpy lost(h.get(), &SerialPort::lost);

    dev.unplug();
    // Both ways of noticing: the event loop's read notifier and a poll.
    QElapsedTimer clock;
    clock.start();
    while (h->isOpen() && clock.elapsed() < 2000) {
        QCoreApplication::processEvents();
        int n = 0;
        ReadBytes(h, n);
    }
    EXPECT_FALSE(h->isOpen());
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
        int n = 0;
        EXPECT_TRUE(ReadBytes(h, n).isEmpty());
        EXPECT_EQ(WriteBytes(h, QByteArray(10, 'x')), 0);
    }
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(log.count("ErrComm"), 1);
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().value(0).contains("COM6")) << log.lines().value(0).toStdString();
    // The cause is found out, not an errno left from an unrelated call.
    EXPECT_TRUE(log.lines().value(0).contains("hung up") || log.lines().value(0).contains("is gone"))
        << log.lines().value(0).toStdString();
    // Dropping the handle after the loss is safe.
    ClosePort(h);
}

TEST(Scan, ListsTheFreePortsInOrder)
{
    PortsDir ports;
    EXPECT_TRUE(ScanPorts().isEmpty());
    DeviceSim com3(11, 300), com5(11, 300), com7(11, 300), com21(11, 300);
    ASSERT_TRUE(com7.plug(ports.path(), 7));
    ASSERT_TRUE(com3.plug(ports.path(), 3));
    ASSERT_TRUE(com5.plug(ports.path(), 5));
    ASSERT_TRUE(com21.plug(ports.path(), 21));  // beyond the scanned range
    CommHandle held = OpenPort(5);               // another slot holds COM5
    ASSERT_TRUE(held);

    EXPECT_EQ(ScanPorts(), (QStringList{"COM3", "COM7"}));
    // The probes released the ports again.
    CommHandle again = OpenPort(3);
    EXPECT_TRUE(again);
    EXPECT_TRUE(held->isOpen());
    EXPECT_EQ(ScanPorts(), QStringList{"COM7"});
}

TEST(Comm, AWriteGivesUpAfter100Ms)
{
    PortsDir ports;
    DeviceSim dev(11, 300);  // never reads: the line backs up
    ASSERT_TRUE(dev.plug(ports.path(), 3));
    CommHandle h = OpenPort(3);
    ASSERT_TRUE(h);
    const QByteArray big(1 << 20, 'x');
    QElapsedTimer clock;
    clock.start();
    const int written = WriteBytes(h, big);
    const qint64 took = clock.elapsed();
    EXPECT_GE(took, 90);
    EXPECT_LT(took, 1000);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, big.size());
    // What was not sent is dropped, not sent later ahead of newer frames.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        dev.pump(5);
    }
    EXPECT_TRUE(h->isOpen());
    EXPECT_EQ(WriteBytes(h, FrameBytes(*MakeFrame(OpConnect, 0, 0, 0))), 10);
    ASSERT_TRUE(dev.waitForFrames(1));
    EXPECT_LE(dev.bytesIn(), written + 10);
}
