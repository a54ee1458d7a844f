// The boot-loader exchange and the firmware-update dialog against a fake
// boot loader on a pseudo-terminal: success, refusals, silences and the
// failed update that closes its port and says so.
#include "sim/fakeboot.h"
#include "sim/peers.h"
#include "toolfakes.h"
#include "tools/frmupdate.h"

#include "controls/progressbar.h"
#include "platform/serial.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace ql;
using namespace tooltest;
using sim::FakeBoot;

namespace {

QByteArray Hx(const char* hex) { return QByteArray::fromHex(hex); }

// A boot loader on COM<port> and an exchange talking to it.
struct Line {
    sim::PortsDir ports;
    FakeBoot boot;
    BootLoader bl;
    QStringList logged;
    Line(int type, int port) : boot(type), bl([this](const QString& l, const QString&) { logged << l; })
    {
        boot.plug(ports.path(), port);
        bl.setPort(SerialPort::open(QStringLiteral("COM%1").arg(port)));
        bl.replyTimeoutMs = 300;
    }
};

// Waits until n bytes the boot loader sent are readable at the program's
// end. Events are not run meanwhile, so the program does not take them yet.
bool Delivered(const FakeBoot& boot, int n)
{
    QElapsedTimer clock;
    clock.start();
    while (boot.unread() < n && clock.elapsed() < 5000)
        QThread::usleep(200);
    return boot.unread() >= n;
}

// The boot loader on COM<port>, chosen in slot 0's port box.
void plugAndChoose(FakeBoot& boot, sim::PortsDir& ports, FakeHost& h, int port)
{
    boot.plug(ports.path(), port);
    const QString name = QStringLiteral("COM%1").arg(port);
    h.panels[0]->PortAdd(name);
    h.panels[0]->setTPort(name);
}

QByteArray Image(int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(char((i * 7 + 3) & 0xFF));
    return b;
}

} // namespace

TEST(BootExchange, FramesAndSuccessPaths)
{
    EXPECT_EQ(BootLoader::AddressFrame(0x4002), Hx("0000400242"));
    EXPECT_EQ(BootLoader::AddressFrame(0x18C00), Hx("00008c008c"));
    const uint8_t odd[3] = {1, 2, 3}, even[2] = {0x10, 0x20};
    EXPECT_EQ(BootLoader::WritePacket(odd, 3), Hx("02010203d5"));  // 2^1^2^3^D7
    EXPECT_EQ(BootLoader::WritePacket(even, 2), Hx("01102031"));

    Line l(26, 11);
    l.boot.setId(0x4002, 0);
    l.boot.setId(0x1002, 320);
    EXPECT_TRUE(l.bl.BootSync());
    EXPECT_TRUE(l.bl.BootGet());
    EXPECT_EQ(l.bl.BootType, 26);
    EXPECT_EQ(l.bl.FwId, 320);  // second read at 0x1002 for type 26
    EXPECT_EQ(l.boot.reads(), (QList<int>{0x4002, 0x1002}));
    // Sync, Get, then Read Memory of 2 bytes at 0x4002.
    EXPECT_TRUE(l.boot.received().startsWith(Hx("7f00ff11ee000040024201fe")));

    uint8_t block[128];
    for (int i = 0; i < 128; ++i)
        block[i] = uint8_t(i);
    EXPECT_TRUE(l.bl.BootErase());
    EXPECT_TRUE(l.bl.BootWriteMem(0x8C00, block, 128));
    EXPECT_TRUE(l.bl.BootReadMem(0x8C00, 128));
    EXPECT_EQ(l.bl.RdBuf[127], 127);
    EXPECT_TRUE(l.bl.BootGo());
    EXPECT_EQ(l.boot.goAddress(), 0x8C00);
    EXPECT_TRUE(l.boot.received().endsWith(Hx("21de00008c008c")));
    EXPECT_TRUE(l.logged.isEmpty());

    // Type 19 with id 0: no second read.
    Line m(19, 12);
    m.boot.setId(0x4002, 0);
    EXPECT_TRUE(m.bl.BootGet());
    EXPECT_EQ(m.bl.FwId, 0);
    EXPECT_EQ(m.boot.reads(), QList<int>{0x4002});
}

TEST(BootExchange, RefusalsAndSilences)
{
    Line l(11, 13);
    l.boot.setFault(FakeBoot::Fault::NakSync);
    EXPECT_FALSE(l.bl.BootSync());
    EXPECT_TRUE(l.logged.isEmpty());  // a refusal is not logged

    l.boot.setFault(FakeBoot::Fault::BadMarker);
    l.bl.BootType = 7;
    EXPECT_FALSE(l.bl.BootGet());
    EXPECT_EQ(l.bl.BootType, 7);
    EXPECT_TRUE(l.logged.isEmpty());

    l.boot.setFault(FakeBoot::Fault::ShortGet);
    EXPECT_FALSE(l.bl.BootGet());
    EXPECT_EQ(l.logged, QStringList{"ErrGT"});

    l.logged.clear();
    l.boot.setFault(FakeBoot::Fault::EraseNoAnswer);
    EXPECT_FALSE(l.bl.BootErase());
    EXPECT_EQ(l.logged, QStringList{"ErrEE"});

    // An id that does not fit 16 signed bits fails the Get.
    l.logged.clear();
    l.boot.setFault(FakeBoot::Fault::None);
    l.boot.setId(0x4002, 0x8001);
    EXPECT_FALSE(l.bl.BootGet());
    EXPECT_EQ(l.logged, QStringList{"ErrGT"});

    // Silence, and a closed port: every operation fails and logs.
    l.logged.clear();
    l.boot.setFault(FakeBoot::Fault::Silent);
    EXPECT_FALSE(l.bl.BootSync());
    l.bl.port()->close();
    EXPECT_FALSE(l.bl.BootGo());
    EXPECT_EQ(l.logged, (QStringList{"ErrCO", "ErrGO"}));
}

// Input left on the line from before an operation is dropped; within an
// operation a reply with more bytes than its step expects is a failure, not
// the start of the next reply.
TEST(BootExchange, StaleInputIsDroppedAndRepliesAreJudgedWhole)
{
    Line l(28, 17);
    l.boot.setId(0x4002, 306);
    ASSERT_TRUE(l.bl.BootSync());
    // A stray byte after the last reply, waiting on the line when the next
    // operation starts.
    l.boot.inject(Hx("55"));
    ASSERT_TRUE(Delivered(l.boot, 1));
    EXPECT_TRUE(l.bl.BootGet());
    EXPECT_EQ(l.bl.BootType, 28);
    EXPECT_EQ(l.bl.FwId, 306);
    l.boot.inject(Hx("79"));  // a stray ACK before an erase
    ASSERT_TRUE(Delivered(l.boot, 1));
    EXPECT_TRUE(l.bl.BootErase());
    EXPECT_TRUE(l.logged.isEmpty()) << l.logged.join(',').toStdString();

    // A Get reply with one byte too many.
    l.boot.setFault(FakeBoot::Fault::LongGet);
    EXPECT_FALSE(l.bl.BootGet());
    EXPECT_EQ(l.logged, QStringList{"ErrGT"});
    // A well-behaved line again: nothing of the long reply is left over.
    l.logged.clear();
    l.boot.setFault(FakeBoot::Fault::None);
    const uint8_t block[2] = {1, 2};
    EXPECT_TRUE(l.bl.BootWriteMem(0x9000, block, 2));
    EXPECT_TRUE(l.bl.BootReadMem(0x9000, 2));
    EXPECT_EQ(l.bl.RdBuf[1], 2);
    EXPECT_TRUE(l.logged.isEmpty()) << l.logged.join(',').toStdString();

    // Every command acknowledged twice: the second ACK is no answer to the
    // step after it, and the operation stops there.
    Line e(28, 19), w(28, 20), g(28, 21);
    for (Line* d : {&e, &w, &g})
        d->boot.setFault(FakeBoot::Fault::DoubleAck);
    EXPECT_FALSE(e.bl.BootErase());
    EXPECT_FALSE(e.boot.erased());
    EXPECT_FALSE(w.bl.BootWriteMem(0x9000, block, 2));
    EXPECT_TRUE(w.boot.writes().isEmpty());
    EXPECT_FALSE(g.bl.BootGo());
    EXPECT_EQ(g.boot.goAddress(), -1);
    EXPECT_EQ(e.logged + w.logged + g.logged, (QStringList{"ErrEE", "ErrWM", "ErrGO"}));
}

// A line that talks on once addressed (noise, a faulty cable): the step
// fails as soon as more than its reply has come and is logged once, and the
// exchange reads no further, however much the line would send; the rest
// waits in the line's buffers. Once the line is quiet the next operation
// works. The settle is long, so an exchange that read on would take in all
// the flood sends.
TEST(BootExchange, AFloodingLineFailsTheStepWithoutBeingReadOn)
{
    Line l(28, 22);
    l.bl.settleMs = 300;
    l.boot.setFault(FakeBoot::Fault::Flood);
    EXPECT_FALSE(l.bl.BootSync());
    EXPECT_EQ(l.logged, QStringList{"ErrCO"});
    l.boot.setFault(FakeBoot::Fault::None);  // the line falls quiet
    EXPECT_GT(l.boot.floodBytes(), 1);
    EXPECT_LT(l.boot.floodBytes(), FakeBoot::kFloodBytes / 8);

    l.logged.clear();
    EXPECT_TRUE(l.bl.BootSync());
    EXPECT_EQ(l.boot.syncs(), 2);
    EXPECT_TRUE(l.logged.isEmpty()) << l.logged.join(',').toStdString();
}

TEST(FirmwareUpdate, IdentifyAndUpdate)
{
    sim::PortsDir ports;
    FakeHost h;
    FakeBoot boot(26);
    plugAndChoose(boot, ports, h, 14);
    boot.setId(0x4002, 320);
    auto* w = new frmUpdate(h);
    QPointer<frmUpdate> guard(w);
    EXPECT_EQ(w->windowTitle(), "Firmware Update--Device1");
    const QByteArray image = Image(5112);
    QList<int> asked;
    w->ImageFor = [&](int id) {
        asked << id;
        return id == 262 ? image : QByteArray();
    };
    w->show();
    w->cmdOpen_Click();
    EXPECT_EQ(h.shown(), QStringList{"iSuccess! Please select device type"});
    EXPECT_EQ(w->cmbDev->currentText(), "QL-R26B");
    EXPECT_TRUE(w->cmdUpdate->isEnabled());
    w->cmdOpen_Click();  // a second Identify lists the name once, no new sync
    EXPECT_EQ(w->cmbDev->count(), 1);
    EXPECT_EQ(w->cmbDev->currentText(), "QL-R26B");
    EXPECT_EQ(boot.syncs(), 1);

    // A stray byte on the line between Identify and Update does no harm.
    boot.inject(Hx("00"));
    ASSERT_TRUE(Delivered(boot, 1));
    h.ask.messages.clear();
    w->cmdUpdate_Click();
    EXPECT_EQ(asked, QList<int>{262});
    EXPECT_EQ(h.shown(), QStringList{"iUpdate OK"});
    ASSERT_EQ(boot.writes().size(), 40);
    EXPECT_EQ(boot.writes().first().address, 0x8C00);
    EXPECT_EQ(boot.writes().last().data.size(), 120);
    EXPECT_TRUE(boot.erased());
    EXPECT_EQ(boot.goAddress(), 0x8C00);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(boot.memory().data()) + 0x8C00, 5112), image);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    // The port was let go: it opens again.
    EXPECT_TRUE(SerialPort::open(QStringLiteral("COM14")) != nullptr);
}

TEST(FirmwareUpdate, FailuresReportCloseAndLog)
{
    sim::LogCapture log;
    sim::PortsDir ports;
    FakeHost h;
    // Empty port field: "Wrong Port!", nothing sent.
    {
        frmUpdate w(h);
        w.cmdOpen_Click();
        EXPECT_EQ(h.shown(), QStringList{"!Wrong Port!"});
        EXPECT_TRUE(w.cmdOpen->isEnabled());
    }

    // No offer: the type is told, the dialog stays with its port open.
    FakeBoot boot(26);
    plugAndChoose(boot, ports, h, 15);
    boot.setId(0x4002, 310);
    h.ask.messages.clear();
    {
        frmUpdate w(h);
        w.cmdOpen_Click();
        EXPECT_EQ(h.shown(), QStringList{"iFirmware is the latest:26"});
        EXPECT_FALSE(w.cmdUpdate->isEnabled());
        EXPECT_TRUE(w.Boot.port() && w.Boot.port()->isOpen());
    }

    // An offer without an image: "Update failed" before anything is sent.
    boot.setId(0x4002, 320);
    h.ask.messages.clear();
    auto* w = new frmUpdate(h);
    QPointer<frmUpdate> guard(w);
    w->ImageFor = [](int) { return QByteArray(); };
    w->show();
    w->cmdOpen_Click();
    const int before = int(boot.received().size());
    w->cmdUpdate_Click();
    EXPECT_EQ(h.shown().last(), "!Update failed");
    EXPECT_EQ(int(boot.received().size()), before);
    EXPECT_EQ(log.count("ErrUpdate"), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());

    // A write refused at block 3: the exchange stops, the port closes, the
    // buttons come back, "Update failed"; the window adds no log entry (the
    // exchange logs its own failures, and a refusal is not one of them).
    boot.setFault(FakeBoot::Fault::NakWrite, 3);
    h.ask.messages.clear();
    frmUpdate w2(h);
    w2.Boot.replyTimeoutMs = 300;
    w2.ImageFor = [](int) { return Image(1000); };
    w2.cmdOpen_Click();
    w2.cmdUpdate_Click();
    EXPECT_EQ(h.shown().last(), "!Update failed");
    EXPECT_EQ(boot.writes().size(), 3);
    EXPECT_EQ(boot.goAddress(), -1);
    EXPECT_FALSE(w2.Boot.port());
    EXPECT_TRUE(w2.cmdOpen->isEnabled());
    EXPECT_EQ(log.count("ErrUpdate"), 1);

    // A boot loader that never answers: three attempts, then the cable message.
    FakeBoot mute(11);
    plugAndChoose(mute, ports, h, 16);
    mute.setFault(FakeBoot::Fault::Silent);
    h.ask.messages.clear();
    frmUpdate w3(h);
    w3.Boot.replyTimeoutMs = 200;
    w3.retryPauseMs = 20;
    w3.cmdOpen_Click();
    EXPECT_EQ(mute.received(), Hx("7f7f7f"));
    EXPECT_EQ(h.shown(), QStringList{"!Failed! Please check TTL cable"});
    EXPECT_EQ(log.count("ErrCO"), 3);
}

// Update goes on only when the device on the line is the one the chosen
// model names, and only with an image that fits it: otherwise nothing is
// erased, "Update failed" is shown and the reason logged.
TEST(FirmwareUpdate, WritesOnlyTheDeviceTheImageIsFor)
{
    sim::LogCapture log;
    sim::PortsDir ports;
    FakeHost h;
    FakeBoot boot(28);
    plugAndChoose(boot, ports, h, 18);
    boot.setId(0x4002, 306);
    QList<int> asked;
    auto identify = [&](frmUpdate& w, const QString& offered) {
        w.Boot.replyTimeoutMs = 300;
        w.ImageFor = [&](int id) {
            asked << id;
            return Image(id == 283 ? 1000 : 28673);
        };
        w.cmdOpen_Click();
        ASSERT_EQ(w.cmbDev->currentText(), offered);
    };

    // Identified as a QL-K28B; then the cable goes to a type-19 device.
    {
        frmUpdate w(h);
        identify(w, "QL-K28B");
        boot.setType(19);
        h.ask.messages.clear();
        w.cmdUpdate_Click();
        EXPECT_EQ(h.shown(), QStringList{"!Update failed"});
        EXPECT_EQ(asked, QList<int>{283});
        EXPECT_FALSE(boot.erased());
        EXPECT_TRUE(boot.writes().isEmpty());
        EXPECT_EQ(log.count("ErrUpdate"), 1);
    }

    // Two devices identified in one dialog, the first one's model chosen
    // while the second is on the line.
    boot.setType(28);
    {
        frmUpdate w(h);
        identify(w, "QL-K28B");
        boot.setId(0x4002, 307);
        w.cmdOpen_Click();
        ASSERT_EQ(w.cmbDev->count(), 2);
        w.cmbDev->setCurrentIndex(0);
        w.cmdUpdate_Click();
        EXPECT_EQ(h.shown().last(), "!Update failed");
        EXPECT_FALSE(boot.erased());
        EXPECT_EQ(log.count("ErrUpdate"), 2);
    }

    // An image larger than the room above the image base: refused before
    // any frame goes out.
    {
        frmUpdate w(h);
        identify(w, "QL-K28C");
        w.ImageFor = [](int) { return Image(0x10000 - 0x9000 + 1); };
        const qsizetype before = boot.received().size();
        w.cmdUpdate_Click();
        EXPECT_EQ(h.shown().last(), "!Update failed");
        EXPECT_EQ(boot.received().size(), before);
        EXPECT_FALSE(boot.erased());
        EXPECT_EQ(log.count("ErrUpdate"), 3);
    }

    // A QL-K09 and then a QL-K06 identified in one dialog; the QL-K09 is
    // back on the line and chosen: it gets its own image, not the one of
    // the type identified last.
    {
        boot.setType(9);
        frmUpdate w(h);
        identify(w, "QL-K09");
        boot.setType(6);
        w.cmdOpen_Click();
        ASSERT_EQ(w.cmbDev->currentText(), "QL-K06");
        boot.setType(9);
        w.cmbDev->setCurrentIndex(w.cmbDev->findText("QL-K09"));
        asked.clear();
        w.ImageFor = [&](int id) {
            asked << id;
            return Image(id == 9 ? 300 : 200);
        };
        w.cmdUpdate_Click();
        EXPECT_EQ(asked, QList<int>{9});
        EXPECT_EQ(h.shown().last(), "iUpdate OK");
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(boot.memory().data()) + 0x9000, 300), Image(300));
    }
}

TEST(FirmwareUpdate, OffersAndImageIds)
{
    EXPECT_EQ(frmUpdate::OfferFor(6, 0), "QL-K06");
    EXPECT_EQ(frmUpdate::OfferFor(5, 0), "");
    EXPECT_EQ(frmUpdate::OfferFor(20, 310), "QL-R20B");
    EXPECT_EQ(frmUpdate::OfferFor(20, 311), "");
    EXPECT_EQ(frmUpdate::OfferFor(28, 306), "QL-K28B");
    EXPECT_EQ(frmUpdate::OfferFor(28, 307), "QL-K28C");
    EXPECT_EQ(frmUpdate::OfferFor(11, 5), "");
    EXPECT_EQ(frmUpdate::ImageIdFor("QL-R20B", 20), 201);
    EXPECT_EQ(frmUpdate::ImageIdFor("QL-K06", 6), 6);
    EXPECT_EQ(frmUpdate::ImageIdFor("QL-K28C", 28), 284);
    EXPECT_EQ(frmUpdate::TypeFor("QL-R26B"), 26);
    EXPECT_EQ(frmUpdate::TypeFor("QL-R23B"), 0);
}
