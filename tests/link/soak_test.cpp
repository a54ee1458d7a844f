// A device unplugged in the middle of a run, against the real connection,
// receive path and run tracking: the dead port is closed and logged once,
// the live record keeps every row written before, and continue picks the run up from that
// record once the device is back.
#include "link/frames.h"
#include "link/runrecord.h"
#include "link/runtrack.h"
#include "run_fakes.h"
#include "slotbench.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ql {
namespace {

// The slot bench with run tracking on top.
struct Bench : testing::SlotBench {
    QTemporaryDir home;
    qltest::FakeHost runHost{st};
    RunTracker tracker{st, ticker, runHost, runHost};
    int runningSamples = 0;
    QList<int32_t> runningSecs;  // RunSecs of every running sample

    Bench() : SlotBench(0, Timings())
    {
        tracker.programDir = home.path();
        tracker.Attach(dec);
        auto track = dec.onSample;
        dec.onSample = [this, track](int s, int c, int run, bool data) {
            ++samples;
            if (IsRunning(run)) {
                ++runningSamples;
                runningSecs << st.ch(s, c).RunSecs.load();
            }
            track(s, c, run, data);
        };
        for (ChanState& c : st.slot[0].chn) {
            c.SvalText = QStringLiteral("1.00");
            c.SlmtText = QStringLiteral("2.50");
            c.StimText = QStringLiteral("0");
        }
    }
    static LinkTimings Timings()
    {
        LinkTimings t = testing::FastTimings();
        t.connect = std::chrono::milliseconds(40);
        return t;
    }

    // One second: the ticker's count, then the device's reply, decoded.
    bool Second(sim::DeviceSim& dev)
    {
        if (st.ch(0, 0).Running)
            st.ch(0, 0).RunSecs += 1;
        st.ch(0, 0).TickSecs += 1;
        return Step(dev);
    }

    // The live record, named while the port was open.
    RunRecord::Contents Record(const QString& base) const
    {
        RunRecord::Contents rec;
        EXPECT_EQ(RunRecord::Read(RunRecord::PathOf(base), &rec), RunRecord::ReadStatus::Ok);
        return rec;
    }
};

TEST(Soak, UnpluggedMidRunThenContinuedFromTheRecord)
{
    Bench b;
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(b.ports.path(), 3));
    ASSERT_TRUE(b.Connect(3) && b.Identified(dev));
    EXPECT_EQ(b.st.ch(0, 0).DevName, QStringLiteral("QL-R11"));  // it names the record

    // A one-ampere discharge, twenty seconds of it.
    ASSERT_TRUE(b.tracker.RunClick(0, 0));
    const QString base = b.tracker.RecordBase(0, 0);
    ASSERT_TRUE(b.Until(dev, [&] { return dev.channel(0).running; }));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(b.Second(dev));
    ASSERT_TRUE(b.st.ch(0, 0).Running);
    const int rowsBefore = b.runningSamples;
    ASSERT_GE(rowsBefore, 19);

    // The adapter goes. The port closes itself and is logged once; the slot
    // lets go of it and nothing more is decoded.
    dev.unplug();
    const int samplesAtUnplug = b.samples;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.lost.isEmpty(); }, 5000));
    EXPECT_EQ(b.lost, QStringList{"COM3"});
    EXPECT_FALSE(b.st.slot[0].hComm);
    EXPECT_FALSE(b.st.ch(0, 0).Running);
    EXPECT_EQ(b.samples, samplesAtUnplug);
    const QStringList log = b.log.lines();
    EXPECT_EQ(log.filter(QStringLiteral("[Err")).size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter(QStringLiteral("device lost")).size(), 1) << log.join('\n').toStdString();

    // Every row written before the unplug is in the record, in order.
    const RunRecord::Contents rec = b.Record(base);
    EXPECT_TRUE(rec.skipped.isEmpty()) << rec.skipped.join("\n").toStdString();
    ASSERT_EQ(rec.rows.size(), rowsBefore);
    for (int i = 0; i < rowsBefore; ++i) {
        EXPECT_EQ(rec.rows[i].t, b.runningSecs[i]) << "row " << i;
        EXPECT_NEAR(rec.rows[i].cur, 1.0, 1e-6);
    }
    const int32_t lastSec = rec.rows.last().t;
    EXPECT_EQ(rec.device, QStringLiteral("QL-R11"));

    // The device is back (it lost power with the adapter: idle). Continue
    // reloads the record, sends the continue frame and the run goes on in
    // the same record.
    sim::DeviceSim back(11, 300);
    ASSERT_TRUE(back.plug(b.ports.path(), 3));
    ASSERT_TRUE(b.Connect(3) && b.Identified(back));
    EXPECT_FALSE(b.st.ch(0, 0).Running);
    back.clearRecorded();
    ASSERT_TRUE(b.tracker.ContClick(0, 0));
    ASSERT_TRUE(back.waitForFrames(1));
    const auto* f = reinterpret_cast<const uint8_t*>(back.received().first().constData());
    EXPECT_EQ(f[1] & 0x0F, 8) << "continue frame";
    EXPECT_EQ(sim::Pair(f + 2), 100);  // 1.00 A in 10 mA units
    EXPECT_TRUE(back.channel(0).running);
    // The chart and the counters stand where the record ended.
    EXPECT_EQ(b.runHost.charts[0].DpCnt(0), rowsBefore);
    EXPECT_EQ(b.st.ch(0, 0).RunSecs.load(), lastSec);
    EXPECT_EQ(b.st.ch(0, 0).TickSecs.load(), lastSec);

    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(b.Second(back));
    EXPECT_TRUE(b.st.ch(0, 0).Running);
    const RunRecord::Contents after = b.Record(base);
    EXPECT_TRUE(after.skipped.isEmpty()) << after.skipped.join("\n").toStdString();
    ASSERT_EQ(after.rows.size(), b.runningSamples);
    for (int i = 0; i < rowsBefore; ++i)
        EXPECT_EQ(after.rows[i].t, rec.rows[i].t);
    for (qsizetype i = rowsBefore; i < after.rows.size(); ++i)
        EXPECT_GE(after.rows[i].t, lastSec);
    EXPECT_GT(after.rows.last().t, lastSec);
}

} // namespace
} // namespace ql
