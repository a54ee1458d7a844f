// Round trips through the device simulator on a pseudo-terminal: command
// frames out through the link's senders, reply frames back byte for byte.
#include "link/comm.h"
#include "link/encode.h"
#include "link/frames.h"
#include "link/recv.h"
#include "link/state.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace ql;
using ql::sim::DeviceSim;
using ql::sim::PortsDir;
using ql::sim::ReadUntil;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The fields of one reply frame, read as the receive path reads them.
struct Reply {
    int kind, run, mode, chn, type;
    int cur, volt, cap, temp, v1, v2, v3;
    bool checks;
};

Reply parse(const QByteArray& frame)
{
    ReplyFrame f;
    std::copy_n(frame.constData() + 1, std::min<qsizetype>(kReplyBodyLen, frame.size() - 1), f.p.begin());
    return Reply{f.FrameKind(),
                 f.RunState(),
                 f.Mode(),
                 f.Chan(),
                 f.Type(),
                 f.Pair(1),
                 f.Pair(3),
                 f.Pair(5),
                 f.Pair(7),
                 f.Pair(9),
                 f.Pair(11),
                 f.Pair(13),
                 frame.size() == 19 && frame.front() == char(0xFA) && frame.back() == char(0xF8) && ChkRec(f.p)};
}

class Sim : public ::testing::Test {
protected:
    void connectAs(int type, int fw)
    {
        dev = std::make_unique<DeviceSim>(type, fw);
        ASSERT_TRUE(dev->plug(ports.path(), 2));
        st.slot[0].hComm = OpenPort(2);
        ASSERT_TRUE(st.slot[0].hComm);
        ASSERT_TRUE(SetPortState(st.slot[0].hComm, 9600, 8, 0, 2));
        ASSERT_TRUE(SendConnect(st, 0));
        ASSERT_TRUE(dev->waitForFrames(1));
    }
    // Sends a start of channel chn with these values (third value 0).
    bool start(int chn, double sval, double slmt)
    {
        st.slot[0].DevType = int16_t(dev->devType());
        return SendStartFrame(st, 0, chn, EncodeStart(st.slot[0], chn, 1, SetValues{sval, slmt, 0.0}));
    }
    // The next n reply frames from the line.
    QList<Reply> replies(int n)
    {
        const QByteArray bytes = ReadUntil(st.slot[0].hComm, 19 * n);
        EXPECT_EQ(bytes.size(), 19 * n);
        QList<Reply> out;
        for (int i = 0; i + 19 <= bytes.size(); i += 19)
            out.append(parse(bytes.mid(i, 19)));
        return out;
    }

    PortsDir ports;
    std::unique_ptr<DeviceSim> dev;
    LinkState st;
};

} // namespace

TEST_F(Sim, ConnectFrameOutRepliesInByteForByte)
{
    connectAs(11, 300);
    EXPECT_EQ(dev->received(), QList<QByteArray>{hex("FA 05 00 00 00 00 00 00 05 F8")});
    // An info reply (version 300, rated 30 V and 10 A) and a data reply of
    // an idle type-11 load at 4.200 V and 25.0 C.
    const QByteArray info = hex("FA 64 00 00 11 78 00 00 01 0A 01 3C 0C 78 04 28 0B 68 F8");
    const QByteArray data = hex("FA 00 00 00 11 78 00 00 01 0A 00 00 00 00 00 00 0B 69 F8");
    const QByteArray got = ReadUntil(st.slot[0].hComm, 38);
    EXPECT_EQ(got.toHex(' '), (info + data).toHex(' '));
    EXPECT_EQ(got, dev->sent());
    EXPECT_TRUE(parse(info).checks);
    EXPECT_TRUE(parse(data).checks);
}

TEST_F(Sim, ADischargeRunFollowsTheSetValueAndEndsAtTheCutOff)
{
    connectAs(11, 300);
    replies(2);
    ASSERT_TRUE(start(0, 1, 3.5));
    ASSERT_TRUE(dev->waitForFrames(2));

    int lastVolt = 1 << 30, lastCap = -1, runningReplies = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        dev->step(60);
        const Reply r = replies(1).value(0);
        ASSERT_TRUE(r.checks);
        EXPECT_EQ(r.kind, 0);
        EXPECT_EQ(r.type, 11);
        EXPECT_EQ(r.v1, 100);  // echoes of the start frame
        EXPECT_EQ(r.v2, 350);
        EXPECT_EQ(r.v3, 0);
        if (r.run == 1) {
            ++runningReplies;
            EXPECT_EQ(r.cur, 100);  // 1.00 A in 10 mA units
            EXPECT_LT(r.volt, 4200);  // sags under load
            EXPECT_LE(r.volt, lastVolt);
            EXPECT_GT(r.cap, lastCap);
            EXPECT_GT(r.temp, 250);
            lastVolt = r.volt;
            lastCap = r.cap;
        } else {
            ended = true;
            EXPECT_EQ(r.cur, 0);
            EXPECT_GT(r.volt, 3450);  // recovers without load
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_GT(runningReplies, 10);
    EXPECT_NEAR(dev->channel(0).cap, lastCap / 1000.0, 0.02);
    EXPECT_GT(dev->channel(0).energy, 0);
}

TEST_F(Sim, SetStopTimeAndTriggersActOnTheDevice)
{
    connectAs(11, 300);
    replies(2);
    ASSERT_TRUE(start(0, 2, 1));
    ASSERT_TRUE(RemoteSet(st, 0, 0.5f));
    st.ch(0, 0).RunSecs = 180;
    ASSERT_TRUE(SendTime(st, 0, 0));
    // A trigger frame as a USB tester is sent one (the program sends none
    // to a load): zeros and the code in byte 8 change no set value.
    ASSERT_GT(WriteFrame(st, 0, *MakeFrame(OpSet, 0, 0, 13)), 0);
    ASSERT_TRUE(dev->waitForFrames(5));
    EXPECT_TRUE(dev->channel(0).running);
    EXPECT_EQ(dev->channel(0).setRaw, 50);
    EXPECT_EQ(dev->channel(0).lmtRaw, 100);
    EXPECT_EQ(dev->timeMinutes(0), 3);
    EXPECT_EQ(dev->lastTrigger(), 13);
    dev->step(1);
    Reply r = replies(1).value(0);
    EXPECT_EQ(r.run, 1);
    EXPECT_EQ(r.cur, 50);
    EXPECT_EQ(r.v1, 50);

    ASSERT_TRUE(SendStop(st, 0, 0));
    ASSERT_TRUE(dev->waitForFrames(6));
    dev->step(1);
    r = replies(1).value(0);
    EXPECT_EQ(r.run, 0);
    EXPECT_EQ(r.cur, 0);

    // A frame with a wrong check byte is recorded but not acted on.
    QByteArray bad = FrameBytes(*MakeFrame(OpStart, 100, 300, 0));
    bad[8] = char(bad[8] ^ 1);
    EXPECT_EQ(WriteBytes(st.slot[0].hComm, bad), 10);
    ASSERT_TRUE(dev->waitForFrames(7));
    EXPECT_EQ(dev->received().last(), bad);
    EXPECT_FALSE(dev->channel(0).running);

    // Disconnect silences the replies.
    ASSERT_TRUE(SendDisconnect(st, 0));
    ASSERT_TRUE(dev->waitForFrames(8));
    const qsizetype sent = dev->sent().size();
    dev->step(1);
    EXPECT_EQ(dev->sent().size(), sent);
}

TEST_F(Sim, FaultsAndReportedRuns)
{
    connectAs(26, 320);
    replies(2);
    dev->reportRun(0, 0, 1500, 0);  // a run started on the device itself
    dev->corruptNextCheck();
    dev->step(1);
    Reply r = replies(1).value(0);
    EXPECT_FALSE(r.checks);
    dev->step(1);
    r = replies(1).value(0);
    EXPECT_TRUE(r.checks);
    EXPECT_EQ(r.run, 1);
    EXPECT_EQ(r.type, 26);
    EXPECT_EQ(r.cur, 15000);  // 1.5 A in 0.1 mA units from version 320
    EXPECT_EQ(r.cap, 600);    // the further voltages of this type
    EXPECT_EQ(r.temp, 600);
    dev->forceRunState(0, 2);
    dev->step(1);
    EXPECT_EQ(replies(1).value(0).run, 2);

    dev->sendShortFrame(5);
    EXPECT_EQ(ReadUntil(st.slot[0].hComm, 7), dev->sent().right(7));
    EXPECT_EQ(dev->sent().right(7).front(), char(0xFA));
    EXPECT_EQ(dev->sent().right(7).back(), char(0xF8));

    dev->setNoise(QByteArray("\x01\x02\xF8", 3));
    dev->step(1);
    const QByteArray noisy = ReadUntil(st.slot[0].hComm, 22);
    EXPECT_EQ(noisy.left(3), QByteArray("\x01\x02\xF8", 3));
    EXPECT_TRUE(parse(noisy.mid(3)).checks);
}

TEST_F(Sim, TwoChannelTypesAnswerOnBothChannels)
{
    connectAs(17, 300);
    const QList<Reply> r = replies(4);
    ASSERT_EQ(r.size(), 4);
    EXPECT_EQ(r[0].kind, 1);
    EXPECT_EQ(r[0].chn, 0);
    EXPECT_EQ(r[2].kind, 1);
    EXPECT_EQ(r[2].chn, 1);
    EXPECT_EQ(r[2].type, 17);
    EXPECT_EQ(r[2].v3, 10000);  // rated 10 A in mA
    for (const Reply& x : r)
        EXPECT_TRUE(x.checks);

    // Channel 1 runs on its own.
    st.slot[0].Dev2S = true;
    st.slot[0].CurFactor = 1000;
    st.slot[0].VolFactor = 1000;
    ASSERT_TRUE(start(1, 0.25, 1));
    ASSERT_TRUE(dev->waitForFrames(2));
    EXPECT_EQ(dev->received().last(), hex("FA A1 01 0A 04 28 00 00 86 F8"));
    dev->step(1);
    const QList<Reply> s = replies(2);
    EXPECT_EQ(s.value(0).run, 0);
    EXPECT_EQ(s.value(1).run, 1);
    EXPECT_EQ(s.value(1).cur, 250);
}

TEST_F(Sim, RunsOnItsOwnTimer)
{
    dev = std::make_unique<DeviceSim>(11, 300);
    ASSERT_TRUE(dev->plug(ports.path(), 2));
    st.slot[0].hComm = OpenPort(2);
    ASSERT_TRUE(st.slot[0].hComm);
    dev->start(20);
    ASSERT_TRUE(SendConnect(st, 0));
    QByteArray got;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        int n = 0;
        got += ReadBytes(st.slot[0].hComm, n);
        return got.size() >= 19 * 6;
    }));
    dev->stop();
    EXPECT_TRUE(dev->connected());
    EXPECT_EQ(got, dev->sent().left(got.size()));
}
