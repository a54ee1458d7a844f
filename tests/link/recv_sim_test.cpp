// The receive path against the device simulator on a pseudo-terminal: the
// device identified from its own replies, the maxima of its info replies and
// the measurements of its data replies across their ranges, for a charger,
// loads, a two-channel load, the USB tester in both firmware variants and
// the meter type.
#include "platform/serial.h"
#include "slotbench.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ql {
namespace {

using SimSlot = testing::SlotBench;

TEST(RecvSim, ChargerType1) {
    SimSlot s;
    sim::DeviceSim dev(1, 210);
    dev.setRated(16.5, 6.0);
    dev.setChargeMode(1);
    ASSERT_TRUE(dev.plug(s.ports.path(), 4));
    ASSERT_TRUE(s.Connect(4));
    ASSERT_TRUE(s.Identified(dev));
    EXPECT_EQ(s.host.name(0, 1), "QL-K01");
    // The info reply replaced the row's maxima (5 A, 15 V).
    EXPECT_FLOAT_EQ(s.slot().MaxVol, 16.5f);
    EXPECT_FLOAT_EQ(s.slot().MaxCur, 6.0f);
    EXPECT_EQ(s.slot().FwVersion, 210);
    EXPECT_EQ(s.slot().VerFrames, 2);
    EXPECT_EQ(s.panel().modes.size(), 7);

    // A discharge at 1.50 A reported by the device.
    dev.reportRun(0, 0, 150, 300);
    ASSERT_TRUE(s.Step(dev));
    ASSERT_TRUE(s.Step(dev));
    const auto& c = dev.channel(0);
    EXPECT_NEAR(s.ch(0).Cur, 1.50, 1e-6);
    EXPECT_NEAR(s.ch(0).Volt, c.volt, 0.0006);
    EXPECT_NEAR(s.ch(0).Temp, c.temp, 0.051);
    EXPECT_NEAR(s.ch(0).Cap, c.cap, 0.0006);
    EXPECT_TRUE(s.ch(0).Running);
    EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
}

TEST(RecvSim, LoadType12WithHighVoltageAndLargeCapacity) {
    SimSlot s;
    sim::DeviceSim dev(12, 300);
    dev.setCell(0, 48.0, 40.0, 0.01, 1000.0);
    ASSERT_TRUE(dev.plug(s.ports.path(), 5));
    ASSERT_TRUE(s.Connect(5));
    ASSERT_TRUE(s.Identified(dev));
    EXPECT_EQ(s.host.name(0, 1), "QL-R12");

    dev.reportRun(0, 0, 1000, 0);  // 10.00 A
    ASSERT_TRUE(s.Step(dev));
    EXPECT_NEAR(s.ch(0).Volt, dev.channel(0).volt, 0.0051);  // 10 mV range above 32.767 V
    EXPECT_GT(s.ch(0).Volt, 40.f);
    // Four hours at 10 A: about 40 Ah, reported in the 0.01 Ah range.
    dev.step(4 * 3600.0);
    ASSERT_TRUE(s.Step(dev));
    EXPECT_GT(dev.channel(0).cap, 32.767);
    EXPECT_NEAR(s.ch(0).Cap, dev.channel(0).cap, 0.0051);
    // Twenty hours: above 163.83 Ah, the 0.1 Ah range.
    dev.step(16 * 3600.0);
    ASSERT_TRUE(s.Step(dev));
    EXPECT_GT(dev.channel(0).cap, 163.83);
    EXPECT_NEAR(s.ch(0).Cap, dev.channel(0).cap, 0.051);
    EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
}

TEST(RecvSim, TwoChannelLoadType18) {
    SimSlot s;
    sim::DeviceSim dev(18, 300);
    dev.setFactors(1000, 1000, 10);
    dev.setRated(16, 5.5);
    ASSERT_TRUE(dev.plug(s.ports.path(), 6));
    ASSERT_TRUE(s.Connect(6));
    ASSERT_TRUE(s.Identified(dev));
    EXPECT_EQ(s.host.name(0, 1), "QL-R18");
    EXPECT_EQ(s.host.name(0, 2), "QL-R18");
    EXPECT_TRUE(s.panel().dev2s);
    EXPECT_EQ(s.host.initChnCurves.size(), 2u);  // both channel-0 replies of the connect
    EXPECT_EQ(s.slot().CurFactor, 1000);
    EXPECT_FLOAT_EQ(s.slot().MaxVol, 16.f);
    EXPECT_FLOAT_EQ(s.slot().MaxCur, 5.5f);

    dev.reportRun(1, 0, 2500, 0);  // 2.500 A on channel 2
    ASSERT_TRUE(s.Step(dev));
    EXPECT_NEAR(s.ch(1).Cur, 2.5, 1e-6);
    EXPECT_FLOAT_EQ(s.ch(1).CurTenth, 0.25f);
    EXPECT_NEAR(s.ch(1).Volt, dev.channel(1).volt, 0.0006);
    EXPECT_EQ(s.ch(1).Temp, 0);
    EXPECT_EQ(s.ch(0).Cur, 0);
    EXPECT_TRUE(s.ch(1).Running);
    EXPECT_FALSE(s.ch(0).Running);
    EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
}

TEST(RecvSim, UsbTesterType26BothVariants) {
    for (int fw : {319, 320}) {
        SCOPED_TRACE(fw);
        SimSlot s;
        sim::DeviceSim dev(26, fw);
        dev.setFactors(1000, 100, 1);
        dev.setRated(20, 3.5);
        dev.setAuxVolts(2.7, 0.6);
        ASSERT_TRUE(dev.plug(s.ports.path(), 7));
        ASSERT_TRUE(s.Connect(7));
        ASSERT_TRUE(s.Identified(dev));
        EXPECT_EQ(s.host.name(0, 1), fw >= 320 ? "QL-R26B" : "QL-R26");
        EXPECT_FLOAT_EQ(s.slot().MinCur, fw >= 320 ? 0.01f : 0.03f);
        EXPECT_FLOAT_EQ(s.slot().MaxVol, 20.f);

        dev.reportRun(0, 0, 1234, 0);  // 1.234 A
        ASSERT_TRUE(s.Step(dev));
        EXPECT_NEAR(s.ch(0).Cur, 1.234, 1e-6);
        EXPECT_NEAR(s.ch(0).AuxVolt1, 2.7, 1e-6);
        EXPECT_NEAR(s.ch(0).AuxVolt2, 0.6, 1e-6);
        EXPECT_EQ(s.ch(0).Temp, 0);
        EXPECT_EQ(s.ch(0).Cap, 0);
        EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
    }
}

TEST(RecvSim, UsbTesterWhoseFirstReplyIsData) {
    SimSlot s;
    sim::DeviceSim dev(26, 320);
    dev.setFactors(1000, 100, 1);
    ASSERT_TRUE(dev.plug(s.ports.path(), 8));
    // A data reply already on the line when the program connects.
    dev.sendReply(0, sim::DeviceSim::Reply::Data);
    ASSERT_TRUE(s.Connect(8));
    ASSERT_TRUE(s.Identified(dev));
    ASSERT_TRUE(s.Until(dev, [&] { return s.slot().VerFrames >= 1; }));
    EXPECT_EQ(s.host.name(0, 1), "QL-R26");
    EXPECT_FLOAT_EQ(s.slot().MinCur, 0.03f);
    EXPECT_EQ(s.slot().FwVersion, 320);
}

TEST(RecvSim, MeterType51) {
    SimSlot s;
    sim::DeviceSim dev(51, 100);
    dev.setRated(30, 10);
    s.st.slot[0].MaxCur = 0;
    ASSERT_TRUE(dev.plug(s.ports.path(), 9));
    ASSERT_TRUE(s.Connect(9));
    ASSERT_TRUE(s.Identified(dev));
    EXPECT_TRUE(s.host.grid[0].empty());
    EXPECT_EQ(s.panel().modes, QStringList{"Meter"});
    EXPECT_FLOAT_EQ(s.slot().MaxVol, 30.f);  // only the info reply sets maxima
    ASSERT_TRUE(s.Step(dev));
    EXPECT_NEAR(s.ch(0).Volt, dev.channel(0).volt, 0.0006);
}

TEST(RecvSim, NoiseAndShortFramesOnTheLineInventNothing) {
    SimSlot s;
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(s.ports.path(), 10));
    ASSERT_TRUE(s.Connect(10));
    ASSERT_TRUE(s.Identified(dev));
    const int before = s.samples;
    dev.setNoise(QByteArray::fromHex("0102f8f8033355"));
    for (int k = 0; k < 10; ++k)
        dev.sendShortFrame(k, 0);
    dev.reportRun(0, 0, 250, 0);
    ASSERT_TRUE(s.Step(dev));
    EXPECT_NEAR(s.ch(0).Cur, 2.5, 1e-6);
    // Nothing more comes of the noise: a reply of another current, behind
    // all of it on the line, is the next sample.
    dev.reportRun(0, 0, 300, 0);
    dev.step(1.0);
    ASSERT_TRUE(s.Until(dev, [&] { return std::abs(s.ch(0).Cur - 3.0) < 1e-6; }));
    EXPECT_EQ(s.samples, before + 2);
    EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
}

// Polls come late when the program is busy: one poll takes every reply that
// waited meanwhile (here over half a second of them at the line rate), so
// the program never falls behind a device.
TEST(RecvSim, OnePollTakesEveryReplyThatWaited) {
    SimSlot s;
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(s.ports.path(), 3));
    ASSERT_TRUE(s.Connect(3));
    ASSERT_TRUE(s.Until(dev, [&] { return s.samples >= 2; }));  // info and data reply to connect
    s.conn.Halt();  // the poll is late
    const int before = s.samples;
    constexpr int kReplies = 26;  // 0.57 s of replies at 9600 baud
    dev.reportRun(0, 0, 250, 0);
    for (int i = 0; i < kReplies; ++i)
        dev.sendReply(0, sim::DeviceSim::Reply::Data);
    ASSERT_TRUE(dev.waitUnread(kReplies * 19, 5000));  // every reply on the line, none taken
    ASSERT_EQ(dev.unread(), kReplies * 19);
    s.conn.Poll();
    EXPECT_EQ(s.samples, before + kReplies);
    EXPECT_EQ(dev.unread(), 0);
    EXPECT_TRUE(s.errors.isEmpty()) << s.errors.join("\n").toStdString();
}

} // namespace
} // namespace ql
