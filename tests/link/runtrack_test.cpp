// Run tracking, the per-sample update, curve feeding and the run commands,
// driven through fakes of the panel, grid, chart and main window.
#include "link/comm.h"
#include "link/counters.h"
#include "link/frames.h"
#include "link/runrecord.h"
#include "link/runtrack.h"
#include "platform/settings.h"
#include "run_fakes.h"
#include "sim/devsim.h"
#include "testutil.h"
#include "ticking.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace ql;
using qltest::FakeHost;
using qltest::ShownPanel;

namespace {

class RunTrackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(dev.plug(ports.path(), 3));
        SlotState& s = st->slot[0];
        s.hComm = OpenPort(3);
        ASSERT_TRUE(s.hComm);
        s.DevType = 11;
        s.MaxCur = 30;
        s.MinCur = 0.1f;
        s.MaxVol = 150;
        s.CurFactor = 100;
        s.VolFactor = 100;
        s.LastDisMode = 1;
        s.CvMode = 2;
        tracker.programDir = dir.path();
        tracker.now = [] { return QDateTime(QDate(2026, 3, 8), QTime(14, 5, 9)); };
        ch(0).DevName = QStringLiteral("QL-K01");
        // The panel: D-CC with 1.00 A to 3.00 V and no time limit, Start
        // offered, the port COM3 chosen.
        s.ModeText = QStringLiteral("D-CC");
        s.RunEnable = true;
        s.PortNo = 3;
        for (ChanState& c : s.chn) {
            c.SvalText = QStringLiteral("1.00");
            c.SlmtText = QStringLiteral("3.00");
            c.StimText = QStringLiteral("0");
            c.SvalUnit = QStringLiteral("A");
            c.SlmtUnit = QStringLiteral("V");
        }
        saved = settings();
        settings().AutoSave = false;
        settings().SaveCsv = true;
        settings().AutoScale = true;
    }
    void TearDown() override { settings() = saved; }

    ChanState& ch(int c = 0) { return st->ch(0, c); }
    // Curve c of slot 0's chart as the channels' records hold it.
    QVector<QPair<double, double>> pts(int c) const
    {
        QVector<QPair<double, double>> out;
        const PointSeries& p = st->ch(0, c / kRunCurves).Curves.at(size_t(c % kRunCurves));
        for (size_t i = 0; i < p.size(); ++i)
            out.append({p[i].X, p[i].Y});
        return out;
    }
    void setPts(int c, std::initializer_list<QPair<double, double>> points) { qltest::SetCurve(*st, 0, c, points); }
    void sample(float volt, float cur, int runState, int chn = 0)
    {
        ch(chn).Volt = volt;
        ch(chn).Cur = cur;
        tracker.Track(0, chn, runState);
    }
    // Channel 0's samples of a run at 1 A and volt, one at each of secs.
    void samplesAt(std::initializer_list<int> secs, float volt)
    {
        for (int t : secs) {
            ch().Running = true;
            ch().RunSecs = t;
            ch().Volt = volt;
            ch().Cur = 1;
            tracker.ShowSample(0, 0);
        }
    }
    QString record(int chn = 0) { return RunRecord::PathOf(tracker.RecordBase(0, chn)); }
    // Channel 0's record as read back, and the run seconds of its rows.
    RunRecord::Contents recorded()
    {
        RunRecord::Contents rec;
        EXPECT_EQ(RunRecord::Read(record(), &rec), RunRecord::ReadStatus::Ok);
        return rec;
    }
    static QList<int32_t> secondsOf(const RunRecord::Contents& rec)
    {
        QList<int32_t> out;
        for (const auto& r : rec.rows)
            out << r.t;
        return out;
    }
    // Channel 0's record as an earlier run left it: a header, then rows
    // (or fragments) as bytes.
    void leave(const QByteArray& rows, const QString& device = QStringLiteral("QL-K01"),
               const QString& path = QString())
    {
        RunRecord::Header h;
        h.device = device;
        h.mode = QStringLiteral("D-CC  1.00A  3.00V");
        h.begin = QStringLiteral("4.200V");
        const QString file = path.isEmpty() ? record() : path;
        ASSERT_TRUE(RunRecord::Create(file, h));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_EQ(f.write(rows), rows.size());
    }
    // A begin cell as a start or a continue leaves it.
    void begin(int chn, const QString& cell)
    {
        ch(chn).BeginCell = cell;
        ch(chn).HasBegin = !cell.isEmpty();
        bool ok = false;
        const double v = cell.left(cell.size() - 1).toDouble(&ok);
        ch(chn).BeginIsNumber = ok;
        ch(chn).BeginVolt = ok ? float(v) : 0;
    }

    // The command frames the device on COM3 received, by operation code.
    struct Sent {
        int chn, kind;
    };
    QVector<Sent> sent(std::initializer_list<int> ops)
    {
        while (dev.pump(20) > 0) {
        }
        QVector<Sent> out;
        for (const QByteArray& f : dev.received()) {
            const int cmd = uint8_t(f.at(1));
            if (std::find(ops.begin(), ops.end(), cmd & 0x0F) != ops.end())
                out.append({(cmd >> 4) / 10, cmd & 0x0F});
        }
        return out;
    }
    QVector<Sent> starts() { return sent({OpStart, OpSet, OpContinue}); }
    QVector<Sent> stops() { return sent({OpStop}); }
    QVector<Sent> times() { return sent({OpTime}); }
    void clearSent()
    {
        while (dev.pump(20) > 0) {
        }
        dev.clearRecorded();
    }

    QTemporaryDir dir;
    sim::PortsDir ports;
    sim::DeviceSim dev{11, 100};
    std::unique_ptr<LinkState> st = std::make_unique<LinkState>();
    SecondTicker ticker{*st, SecondTicker::Clock::duration::zero()};
    FakeHost host{*st};
    RunTracker tracker{*st, ticker, host, host};
    Settings saved;
};

} // namespace

// --- Run tracking --------------------------------------------------------

TEST_F(RunTrackTest, RunStartsOnStateDigitOneOrTwo)
{
    for (int digit : {1, 2}) {
        begin(0, QStringLiteral("4.100V"));  // started here
        ch().Running = false;
        host.calls.clear();
        sample(4.0f, 1.0f, digit);
        EXPECT_TRUE(ch().Running) << digit;
        EXPECT_TRUE(host.panels[0].tmrShow[0]);
        EXPECT_TRUE(host.panels[0].tmrCurve[0]);
        EXPECT_TRUE(host.calls.contains(QStringLiteral("SetRunState(0,0)")));
        // The counter runs and counts run seconds.
        const int32_t secs = ch().RunSecs;
        EXPECT_TRUE(qltest::TimerTicks(ticker, ch()));
        EXPECT_EQ(ch().RunSecs, secs + 1);
    }
    sample(4.0f, 1.0f, 3);
    EXPECT_FALSE(ch().Running);
}

TEST_F(RunTrackTest, OtherChannelOnlyMovesButtonsWhenSelected)
{
    st->slot[0].Dev2S = true;
    st->slot[0].ChnSel = 0;
    begin(1, QStringLiteral("4.000V"));
    sample(4.0f, 1.0f, 1, 1);
    EXPECT_TRUE(ch(1).Running);
    EXPECT_FALSE(ch(0).Running);
    EXPECT_FALSE(host.calls.contains(QStringLiteral("SetRunState(0,0)")));
}

TEST_F(RunTrackTest, RunEndWritesCellsSavesOnceAndStops)
{
    QDir(dir.path()).mkpath(QStringLiteral("Data"));
    settings().AutoSave = true;
    settings().SaveCsv = true;
    ASSERT_TRUE(tracker.RunClick(0, 0));
    sample(3.712f, 1.0f, 1);
    host.calls.clear();
    sample(3.712f, 0.0f, 0);

    EXPECT_EQ(host.grids[0].text(1, 3), QStringLiteral("3.712V"));
    ASSERT_EQ(host.saves.size(), 1);
    EXPECT_EQ(host.saves[0].first, 0);
    EXPECT_EQ(host.saves[0].second, dir.path() + QStringLiteral("/Data/2026-3-8-14-5-9-QL-K01-1-1.csv"));
    EXPECT_TRUE(ch().DataFile.isEmpty());
    EXPECT_FALSE(host.panels[0].tmrShow[0]);
    EXPECT_FALSE(host.panels[0].tmrCurve[0]);
    EXPECT_EQ(ch().RunStartPt, 0);
    EXPECT_TRUE(host.charts[0].sizeOn);
    EXPECT_EQ(host.msgs, QStringList{QStringLiteral("STOP")});
    EXPECT_FALSE(qltest::TimerTicks(ticker, ch()));  // the counter stops
    EXPECT_TRUE(host.calls.contains(QStringLiteral("SetRunState(1,0)")));

    // A second idle frame writes nothing more.
    sample(3.712f, 0.0f, 0);
    EXPECT_EQ(host.saves.size(), 1);
    EXPECT_EQ(host.msgs.size(), 1);
}

TEST_F(RunTrackTest, RunEndWithoutDataFolderOrWithTabSeparator)
{
    settings().AutoSave = true;
    settings().SaveCsv = false;
    ASSERT_TRUE(tracker.RunClick(0, 0));
    sample(4.0f, 1.0f, 1);
    sample(4.0f, 0.0f, 0);
    EXPECT_TRUE(host.saves.isEmpty());  // no Data folder
    EXPECT_TRUE(ch().DataFile.isEmpty());
    EXPECT_TRUE(tracker.AutoDataFileName(0, 0).endsWith(QStringLiteral("-QL-K01-1-1.dat")));
}

TEST_F(RunTrackTest, NoStopMessageOnTwoChannelPanelsOrDuringTests)
{
    st->slot[0].Dev2S = true;
    begin(0, QStringLiteral("4V"));
    sample(4.0f, 1.0f, 1);
    sample(4.0f, 0.0f, 0);
    EXPECT_TRUE(host.msgs.isEmpty());

    st->slot[0].Dev2S = false;
    st->slot[0].StepRunning = true;
    host.calls.clear();
    sample(4.0f, 1.0f, 1);
    sample(4.0f, 0.0f, 0);
    EXPECT_TRUE(host.msgs.isEmpty());
    // The step test keeps the curve timer and the run's first point.
    EXPECT_TRUE(qltest::TimerTicks(ticker, ch()));
}

TEST_F(RunTrackTest, MonitorKeepsTheTimeBaseAfterARun)
{
    begin(0, QStringLiteral("4V"));
    st->slot[0].VerFrames = 2;
    tracker.MonitorClick(0, 0);
    ASSERT_EQ(host.infos[0][3], QStringLiteral(" Device1: Monitor ON"));
    sample(4.0f, 1.0f, 1);
    sample(4.0f, 0.0f, 0);
    EXPECT_TRUE(host.panels[0].tmrCurve[0]);
    // The counter ticks on for the curve; run seconds stand still.
    const int32_t secs = ch().RunSecs, tick = ch().TickSecs;
    EXPECT_TRUE(qltest::TimerTicks(ticker, ch()));
    EXPECT_EQ(ch().RunSecs, secs);
    EXPECT_EQ(ch().TickSecs, tick + 1);
}

// A run found going is continued once from its record, which fills the run
// grid's begin and device cells. Whatever the "Device:" line holds, the
// automatic data file at the run's end lies in the Data folder, named by the
// characters a file name can carry; an ordinary name stays as it is.
TEST_F(RunTrackTest, RunFoundGoingIsContinuedOnceAndSavedInTheDataFolderWhateverTheRecordNames)
{
    QDir(dir.path()).mkpath(QStringLiteral("Data"));
    settings().AutoSave = true;
    settings().SaveCsv = true;
    const QString names[] = {QStringLiteral("../../x/QL\\K01\t"), QStringLiteral("QL-K01 B")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        host.saves.clear();
        clearSent();
        ch(0).DevName = QStringLiteral("QL-K01");
        begin(0, QString());
        leave("0\t01.00\t4.000\r\n", name);
        sample(4.0f, 1.0f, 1);  // found going: continued from its record
        sample(4.0f, 1.0f, 1);
        ASSERT_EQ(starts().size(), 1);
        EXPECT_EQ(starts()[0].kind, 8);
        EXPECT_EQ(host.grids[0].text(1, 2), QStringLiteral("4.200V"));
        ASSERT_EQ(host.grids[0].text(1, 0), name);
        sample(3.0f, 0.0f, 0);  // the run ends
        ASSERT_EQ(host.saves.size(), 1);
        const QFileInfo saved(host.saves[0].second);
        EXPECT_EQ(QDir::cleanPath(saved.absolutePath()), QDir::cleanPath(dir.path() + QStringLiteral("/Data")));
        const QString stem = QStringLiteral("2026-3-8-14-5-9-");
        EXPECT_EQ(saved.fileName(),
                  stem + (name.startsWith('.') ? QStringLiteral("....xQLK01") : name) + QStringLiteral("-1-1.csv"));
    }
}

// The device answers a connect with an info reply first, which carries no
// set values: the continue of a run found going waits for the data reply
// that brings them, then goes out once, checked against them.
TEST_F(RunTrackTest, RunFoundGoingOnAnInfoReplyIsContinuedOnceItsSetValuesCome)
{
    const QString log = qltest::errLogPath();
    leave("0\t01.50\t4.000\r\n");

    // The record of an earlier connection takes no rows while it waits.
    const QString stale = dir.path() + QStringLiteral("/stale");
    leave({}, QStringLiteral("QL-K01"), RunRecord::PathOf(stale));
    ch().DataFile = stale;
    ch().Volt = 4;
    ch().SetPend = 1;  // as the decoder leaves a run found on an info reply
    tracker.Track(0, 0, 1, false);  // info replies
    tracker.Track(0, 0, 1, false);
    EXPECT_TRUE(starts().isEmpty());
    EXPECT_TRUE(host.grids[0].text(1, 2).isEmpty());
    EXPECT_EQ(qltest::readAll(RunRecord::PathOf(stale)).count(QStringLiteral("\r\n")), 6);
    ch().SetRaw = 150;  // the echoes the decoder stored from the first data reply
    tracker.Track(0, 0, 1, true);
    tracker.Track(0, 0, 1, true);
    ASSERT_EQ(starts().size(), 1);
    EXPECT_EQ(starts()[0].kind, 8);
    EXPECT_EQ(host.grids[0].text(1, 2), QStringLiteral("4.200V"));
    EXPECT_EQ(ch().DataFile, tracker.RecordBase(0, 0));
    EXPECT_FALSE(qltest::readAll(log).contains(QStringLiteral("[ErrStart8]")));

    // A run that ends before its set values came is not continued later.
    sample(4.0f, 0.0f, 0);
    begin(0, QString());
    clearSent();
    tracker.Track(0, 0, 1, false);
    sample(4.0f, 0.0f, 0);
    tracker.Track(0, 0, 0, true);
    EXPECT_TRUE(starts().isEmpty());
}

// The record is named by the port that is open and never leads out of the
// program folder, whatever the device's name.
TEST_F(RunTrackTest, RecordIsNamedByThePortThatIsOpen)
{
    sim::PortsDir ports;
    sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(ports.path(), 7));
    st->slot[0].hComm = OpenPort(7);
    ASSERT_TRUE(st->slot[0].hComm);
    ASSERT_TRUE(tracker.RunClick(0, 0));
    EXPECT_EQ(ch().DataFile, dir.path() + QStringLiteral("/ql-QL-K01-COM7-1-1"));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_TRUE(QFile::exists(record()));
    ClosePort(st->slot[0].hComm);
    st->slot[0].hComm = nullptr;
    ch().DevName = QStringLiteral("../../x");
    EXPECT_EQ(QFileInfo(tracker.RecordBase(0, 0)).absolutePath(), dir.path());
}

// --- Per-sample update ---------------------------------------------------

TEST_F(RunTrackTest, ImplausibleSampleIsLoggedAndDropped)
{
    const QString log = qltest::errLogPath();
    host.panels[0].vol[0] = QStringLiteral("old");
    st->slot[0].MaxVol = 30;
    ch().Volt = 30.5f;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.panels[0].vol[0], QStringLiteral("old"));
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrData]0 30.5-30 0-30")));
    ch().Volt = 30;
    ch().Temp = 100.0f;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.panels[0].vol[0], QStringLiteral("30.00"));
    ch().Temp = 100.1f;
    ch().Volt = 1;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.panels[0].vol[0], QStringLiteral("30.00"));
}

TEST_F(RunTrackTest, ReadoutFormatsByModelAndMagnitude)
{
    struct Case {
        int type, volFactor, curFactor;
        float v, c;
        const char *vol, *cur, *pwr;
    };
    const Case cases[] = {
        {11, 1000, 100, 9.998f, 1.5f, "9.998", "01.50", nullptr},
        {11, 1000, 1000, 9.999f, 1.5f, "10.00", "1.500", nullptr},
        {5, 100, 100, 4.4f, 1, "4.400", nullptr, nullptr},
        {5, 100, 100, 4.5f, 1, "04.50", nullptr, nullptr},
        {40, 100, 1000, 3, 9.5f, nullptr, "9.500", nullptr},
        {40, 100, 1000, 3, 12, nullptr, "12.00", nullptr},
        {11, 100, 100, 99.99f, 1, nullptr, nullptr, "99.99"},
        {11, 100, 100, 100, 1, "100.0", nullptr, "100.0"},
        {11, 100, 100, 100, 10, nullptr, nullptr, "1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.type << ' ' << c.v << ' ' << c.c);
        st->slot[0].DevType = static_cast<int16_t>(c.type);
        st->slot[0].VolFactor = c.volFactor;
        st->slot[0].CurFactor = c.curFactor;
        ch().Volt = c.v;
        ch().Cur = c.c;
        tracker.ShowSample(0, 0);
        const ShownPanel& p = host.panels[0];
        for (auto [shown, want] : {std::pair{p.vol[0], c.vol}, {p.cur[0], c.cur}, {p.pwr[0], c.pwr}})
            if (want) {
                EXPECT_EQ(shown, want);
            }
    }
}

TEST_F(RunTrackTest, StatusAndTemperatureLines)
{
    st->slot[0].TempOk = true;
    ch().Temp = 25.0f;
    ch().Volt = 4;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.infos[0][1], QStringLiteral(" Device1: STOP"));
    EXPECT_EQ(host.infos[0][2], QStringLiteral(" Temp1: 25.0 \u2103"));
    st->slot[0].Dev2S = true;
    ch(1).Running = true;
    st->slot[0].TempOk = false;
    tracker.ShowSample(0, 1);
    EXPECT_EQ(host.infos[0][2], QStringLiteral(" Channel2: START"));
}

TEST_F(RunTrackTest, CapacityAndEnergyUnitsSwitchAtTen)
{
    auto cells = [&](float cap, float energy) {
        ch().Cap = cap;
        ch().Energy = energy;
        tracker.ShowCapacity(0, 0);
        return host.grids[0].text(1, 4) + QLatin1Char('|') + host.grids[0].text(1, 5);
    };
    EXPECT_EQ(cells(9.999f, 0.85f), QStringLiteral("9999mAh|850mWh"));
    EXPECT_EQ(cells(10.0f, 10.0f), QStringLiteral("10.00Ah|10.00Wh"));
    EXPECT_EQ(cells(0.0004f, 12.345f), QStringLiteral("0mAh|12.35Wh"));
}

TEST_F(RunTrackTest, RunCellsAverageVoltageAndEnergy)
{
    begin(0, QStringLiteral("3.7V"));
    ch().Cap = 2;
    sample(3.7f, 1.0f, 1);  // the average needs points: none before this sample
    EXPECT_TRUE(host.grids[0].text(1, 6).isEmpty());
    sample(3.7f, 1.0f, 1);
    EXPECT_EQ(host.grids[0].text(1, 1), QStringLiteral("D-CC  1.00A  3.00V"));
    EXPECT_EQ(host.grids[0].text(1, 6), QStringLiteral("3.70V"));
    EXPECT_NEAR(ch().Energy, 7.4f, 1e-4);
    ch().Cap = 1;  // a smaller product leaves the energy alone
    sample(3.7f, 1.0f, 1);
    EXPECT_NEAR(ch().Energy, 7.4f, 1e-4);
}

TEST_F(RunTrackTest, FirstPointOfARunStartsAtTheBeginVoltage)
{
    begin(0, QStringLiteral("4.125V"));
    ch().TickSecs = 3;
    sample(4.0f, 1.0f, 1);
    const auto v = pts(0);
    ASSERT_EQ(v.size(), 2);
    EXPECT_EQ(v[0], qMakePair(0.0, 4.125));
    EXPECT_EQ(v[1].first, 3.0);
    EXPECT_DOUBLE_EQ(v[1].second, 4.0);
    EXPECT_EQ(pts(3).size(), 2);
    EXPECT_EQ(pts(4).size(), 2);
    // A begin cell that is no number starts from the sample.
    st->slot[0].ClearCurves();
    begin(0, QStringLiteral("xV"));
    sample(3.9f, 1.0f, 1);
    EXPECT_NEAR(pts(0)[0].second, 3.9, 1e-6);
}

TEST_F(RunTrackTest, TypeTwentySixIntegratesCapacityOncePerSecond)
{
    st->slot[0].DevType = 26;
    begin(0, QStringLiteral("5V"));
    ch().RunSecs = 0;
    sample(5.0f, 3.6f, 1);
    ch().RunSecs = 10;
    sample(5.0f, 3.6f, 1);
    sample(5.0f, 3.6f, 1);
    EXPECT_NEAR(ch().Cap, 0.01f, 1e-6);  // 3.6 A for 10 s
    EXPECT_EQ(ch().LastLogSec, 10);
}

TEST_F(RunTrackTest, FloatingReadoutsFollowTheSelectedSlotAndTheMeter)
{
    host.minDisp = true;
    ch().Cap = 150;
    ch().Energy = 12;
    ch().Volt = 4;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.disp.title, QStringLiteral("QL-K01"));
    EXPECT_EQ(host.disp.vol, QStringLiteral("4.000"));
    EXPECT_EQ(host.disp.d1, QStringLiteral("150.0"));
    EXPECT_EQ(host.disp.d2, QStringLiteral("12.00"));

    st->slot[0].DevType = 26;
    st->slot[0].FwVersion = 320;
    st->slot[0].VerFrames = 1;
    st->slot[0].CurFactor = 1000;
    ch().ChnMode = 1;
    ch().CurTenth = 0.12345f;
    ch().AuxVolt1 = 0.6f;
    tracker.ShowSample(0, 0);
    EXPECT_FALSE(host.meterOpen);  // fewer than two info frames
    st->slot[0].VerFrames = 2;
    tracker.ShowSample(0, 0);
    EXPECT_TRUE(host.meterOpen);
    EXPECT_EQ(host.meter.cur, QStringLiteral("0.1235"));
    EXPECT_EQ(host.meter.d1, QStringLiteral("0.600"));
    st->UsbOpen = true;
    tracker.ShowSample(0, 0);
    EXPECT_EQ(host.meter.d1, QStringLiteral("-.---"));
    ch().ChnMode = 0;
    tracker.ShowSample(0, 0);
    EXPECT_FALSE(host.meterOpen);
}

// --- Curves ------------------------------------------------------------------

TEST_F(RunTrackTest, TrackersStartAndWiden)
{
    SlotState& s = st->slot[0];
    tracker.AddCurvePoint2(0, 3.7f, 0.05f, 25, 0, 0);
    EXPECT_FLOAT_EQ(s.VolAxisMax, 3.8f);
    EXPECT_FLOAT_EQ(s.VolAxisMin, 3.6f);
    EXPECT_FLOAT_EQ(s.CurAxisMin, 0.0f);  // current at most 0.1
    EXPECT_FLOAT_EQ(s.AuxAxisMax, 26.0f);
    EXPECT_FLOAT_EQ(s.AuxAxisMin, 24.0f);
    EXPECT_FLOAT_EQ(s.chn[0].VoltSum, 3.7f);
    tracker.AddCurvePoint2(1, 0.05f, 0.05f, 25, 0, 0);
    EXPECT_FLOAT_EQ(s.VolAxisMin, 0.0f);

    // Without automatic scaling an unset pair takes the chart's range.
    settings().AutoScale = false;
    s.VolAxisMax = s.VolAxisMin = 0;
    host.charts[0].maxY[0] = 20;
    host.charts[0].minY[0] = 0;
    tracker.AddCurvePoint2(2, 19.9f, 1, 25, 0, 0);
    EXPECT_FLOAT_EQ(s.VolAxisMax, 20.0f);
    EXPECT_FLOAT_EQ(s.VolAxisMin, 0.0f);
    // Stored values are rounded to the curve's decimals.
    EXPECT_DOUBLE_EQ(pts(1).last().second, 1.0);
}

TEST_F(RunTrackTest, AxisScaling)
{
    SlotState& s = st->slot[0];
    auto& chart = host.charts[0];
    s.VolAxisMax = 3.8f;
    s.VolAxisMin = 3.6f;
    s.CurAxisMax = 1.3f;
    s.CurAxisMin = 0;
    s.AuxAxisMax = 30;
    s.AuxAxisMin = 20;
    tracker.ScaleCurveAxes(0);
    EXPECT_NEAR(chart.minY[0], 3.45, 1e-5);
    EXPECT_NEAR(chart.maxY[0], 3.95, 1e-5);
    EXPECT_NEAR(chart.minY[1], 0, 1e-9);
    EXPECT_NEAR(chart.maxY[1], 1.5, 1e-5);
    EXPECT_EQ(chart.maxY[2], 30);
    EXPECT_EQ(chart.minY[2], 20);

    s.VolAxisMax = 12.4f;
    s.VolAxisMin = 0;
    tracker.ScaleCurveAxes(0);
    EXPECT_NEAR(chart.maxY[0], 12.5, 1e-5);
    EXPECT_NEAR(chart.minY[0], 0, 1e-9);

    s.CurveSecs = 100;
    chart.maxX = 60;
    tracker.ScaleCurveAxes(0);
    EXPECT_EQ(chart.maxX, 130);
    chart.maxX = 200;
    tracker.ScaleCurveAxes(0);
    EXPECT_EQ(chart.maxX, 130);
    chart.maxX = 110;  // within 5..30 s of the latest time: left alone
    tracker.ScaleCurveAxes(0);
    EXPECT_EQ(chart.maxX, 110);
}

// --- Start, set, stop ----------------------------------------------------

TEST_F(RunTrackTest, StartResetsSeedsSendsAndCreatesTheRecord)
{
    auto& chart = host.charts[0];
    setPts(0, {{0, 4}, {1, 4}});
    setPts(1, {{0, 1}, {1, 1}});
    chart.large = true;
    ch().Energy = 5;
    ch().Cap = 2;
    ch().LastTimeMin = 7;
    ch().Volt = 4.2f;
    ch().VoltText = QStringLiteral("4.200");
    ch().VoltShown = 4.2f;
    st->slot[0].CurveSecs = 50;
    ch().TickSecs = 33;

    ASSERT_TRUE(tracker.RunClick(0, 0));
    EXPECT_EQ(pts(0).size(), 0);
    EXPECT_EQ(ch().RunStartPt, 0);
    EXPECT_FALSE(chart.large);
    EXPECT_FALSE(chart.sizeOn);
    EXPECT_EQ(ch().Energy, 0);
    EXPECT_EQ(ch().Cap, 0);
    EXPECT_EQ(ch().LastTimeMin, 0);
    EXPECT_EQ(ch().TickSecs, 0);
    EXPECT_EQ(st->slot[0].CurveSecs, 0);
    // A discharge mode: voltage axis from the present voltage down to the cut-off.
    EXPECT_FLOAT_EQ(st->slot[0].VolAxisMax, 4.2f);
    EXPECT_FLOAT_EQ(st->slot[0].VolAxisMin, 3.0f);
    ASSERT_EQ(starts().size(), 1);
    EXPECT_EQ(starts()[0].kind, 1);
    EXPECT_EQ(host.grids[0].text(1, 2), QStringLiteral("4.200V"));
    EXPECT_EQ(ch().DataFile, dir.path() + QStringLiteral("/ql-QL-K01-COM3-1-1"));
    EXPECT_EQ(qltest::readAll(record()), QStringLiteral("-----------QL Tester Software------------\r\n"
                                                        "Device:QL-K01\r\n"
                                                        "Mode:D-CC  1.00A  3.00V\r\n"
                                                        "Begin Volt:4.200V\r\n"
                                                        "------------www.qltester.example--------------\r\n"
                                                        "Time(S)\tCur(A)\tVol(V)\r\n"));

    // Every running sample with curve sampling on appends a row.
    ch().RunSecs = 75;
    sample(3.7f, 1.5f, 1);
    EXPECT_TRUE(qltest::readAll(record()).endsWith(QStringLiteral("Time(S)\tCur(A)\tVol(V)\r\n75\t01.50\t3.700\r\n")));
}

TEST_F(RunTrackTest, StartRefusedChangesNothing)
{
    // A cut-off voltage above the model's 150 V.
    ch().SlmtText = QStringLiteral("200.00");
    leave("5\t01.00\t3.000\r\n");
    const QString before = qltest::readAll(record());
    setPts(0, {{0, 4}});
    ch().Cap = 3;
    qltest::ScriptedPrompter ask;

    // The user is told in a "Prompt" box with the critical icon.
    EXPECT_FALSE(tracker.RunClick(0, 0));
    EXPECT_EQ(ask.titledTexts(), QStringList{QStringLiteral("Prompt|Setting value out of range!")});
    ASSERT_EQ(ask.messages.size(), 1u);
    EXPECT_EQ(ask.messages[0].icon, Prompter::Critical);
    EXPECT_EQ(ch().SlmtText, QStringLiteral("150.00"));  // the model's maximum
    EXPECT_EQ(host.panels[0].slmt[0], QStringLiteral("150.00"));  // and shown
    EXPECT_TRUE(starts().isEmpty());
    EXPECT_EQ(pts(0).size(), 1);
    EXPECT_EQ(ch().Cap, 3);
    EXPECT_EQ(qltest::readAll(record()), before);
    EXPECT_TRUE(ch().DataFile.isEmpty());

    // A sequencer is not shown a message; the refusal is logged.
    const QString log = qltest::errLogPath();
    ch().SlmtText = QStringLiteral("200.00");
    EXPECT_FALSE(tracker.RunClick(0, 0, RunCaller::Program));
    EXPECT_EQ(ask.messages.size(), 1u);
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrStart1]0 0: out of range")));
    EXPECT_FALSE(tracker.SetClick(0, 0, RunCaller::Program));
    EXPECT_EQ(ch().SetPend, 0);
}

TEST_F(RunTrackTest, StartWithStepTestKeepsTheChart)
{
    st->slot[0].StepRunning = true;
    setPts(0, {{0, 4}, {5, 4}});
    setPts(1, {{0, 1}, {5, 1}});
    ch().TickSecs = 5;
    st->slot[0].VolAxisMax = 9;
    ASSERT_TRUE(tracker.RunClick(0, 0));
    EXPECT_EQ(pts(0).size(), 2);
    EXPECT_EQ(ch().RunStartPt, 2);
    EXPECT_EQ(ch().TickSecs, 5);
    EXPECT_EQ(ch().RunSecs, 0);
    EXPECT_EQ(st->slot[0].VolAxisMax, 9);
}

TEST_F(RunTrackTest, TwoChannelStartLeavesSharedAxesAlone)
{
    st->slot[0].Dev2S = true;
    setPts(1, {{0, 1}});  // channel 1 has data
    st->slot[0].VolAxisMax = 9;
    ch(1).DevName = QStringLiteral("QL-2CH");
    ASSERT_TRUE(tracker.RunClick(0, 1));
    EXPECT_EQ(st->slot[0].VolAxisMax, 9);
    EXPECT_EQ(pts(1).size(), 1);
    EXPECT_TRUE(ch(1).DataFile.endsWith(QStringLiteral("ql-QL-2CH-COM3-1-2")));
    // A single-channel panel on a ten-curve chart clears curves 5 to 9.
    st->slot[0].Dev2S = false;
    setPts(7, {{0, 1}});
    ASSERT_TRUE(tracker.RunClick(0, 0));
    EXPECT_EQ(pts(7).size(), 0);
}

TEST_F(RunTrackTest, FailingRecordNeverEndsTheRunAndIsLoggedAndShownOnce)
{
    const QString log = qltest::errLogPath();
    const qsizetype logged = qltest::readAll(log).size();
    begin(0, QStringLiteral("4V"));
    ch().DataFile = dir.path() + QStringLiteral("/missing/ql-x");
    sample(4.0f, 1.0f, 1);
    sample(4.0f, 1.0f, 1);
    EXPECT_TRUE(ch().Running);
    EXPECT_EQ(pts(0).size(), 3);  // begin point and two samples
    EXPECT_EQ(qltest::readAll(log).mid(logged).count(QStringLiteral("missing/ql-x.bak")), 1);
    // The log may sit on the same full disk: the information list tells.
    EXPECT_EQ(host.added[0], QStringList{QStringLiteral(" Device1: Record write failed")});

    // Rows reach the record again: shown once, and nothing more while it works.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("missing")));
    ch().RunSecs = 2;
    sample(4.0f, 1.0f, 1);
    ch().RunSecs = 3;
    sample(4.0f, 1.0f, 1);
    EXPECT_EQ(host.added[0], (QStringList{QStringLiteral(" Device1: Record write failed"),
                                          QStringLiteral(" Device1: Record write OK")}));
    EXPECT_EQ(qltest::readAll(dir.path() + QStringLiteral("/missing/ql-x.bak")),
              QStringLiteral("2\t01.00\t4.000\r\n3\t01.00\t4.000\r\n"));
}

TEST_F(RunTrackTest, ARecordThatCannotBeCreatedIsShownPerChannel)
{
    st->slot[0].Dev2S = true;
    ch(1).DevName = QStringLiteral("QL-K01");
    // A folder in the record's place: it cannot be written.
    ASSERT_TRUE(QDir().mkpath(record(1)));
    ASSERT_TRUE(tracker.RunClick(0, 1));
    ASSERT_TRUE(qltest::settleDisk());  // the record is named on the file queue
    EXPECT_EQ(host.added[0], QStringList{QStringLiteral(" Channel2: Record write failed")});
    EXPECT_EQ(starts().size(), 1);  // the run starts all the same
}

TEST_F(RunTrackTest, RecordRowAndCurvePointTakeOneReadingOfTheClock)
{
    // A tick lands while the chart redraws.
    host.charts[0].onDraw = [&] {
        ch().TickSecs += 1;
        ch().RunSecs += 1;
    };
    ASSERT_TRUE(tracker.RunClick(0, 0));
    ch().Running = true;
    ch(0).CurveOn = true;
    begin(0, QStringLiteral("4V"));
    for (int i = 0; i < 3; ++i) {
        ch().Volt = 4;
        ch().Cur = 1;
        tracker.ShowSample(0, 0);
    }
    ASSERT_TRUE(qltest::settleDisk());
    RunRecord::Contents rec;
    ASSERT_EQ(RunRecord::Read(record(), &rec), RunRecord::ReadStatus::Ok);
    const auto volts = pts(0);
    ASSERT_EQ(rec.rows.size(), 3);
    ASSERT_EQ(volts.size(), 4);  // the begin point, then one per sample
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rec.rows[i].t, volts[i + 1].first) << i;
}

TEST_F(RunTrackTest, StopAndSet)
{
    tracker.StopClick(0, 1);
    ASSERT_EQ(stops().size(), 1);
    EXPECT_EQ(stops()[0].chn, 1);
    EXPECT_TRUE(host.calls.contains(QStringLiteral("SetRunState(1,0)")));
    EXPECT_FALSE(ch(1).Running);
    setPts(0, {{0, 4}});
    ASSERT_TRUE(tracker.SetClick(0, 0));
    EXPECT_EQ(starts().last().kind, 7);
    EXPECT_EQ(ch().SetPend, 1);
    EXPECT_EQ(pts(0).size(), 1);
}

// --- Continue ----------------------------------------------------------------

TEST_F(RunTrackTest, ContinueRestoresTheRunFromItsRecord)
{
    leave("0\t01.00\t4.000\r\n10\t01.00\t4.000\r\n20\t01.00\t4.000\r\n");
    setPts(5, {{0, 1}});

    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_FLOAT_EQ(ch().CapOffset, 0.005f);
    EXPECT_TRUE(ch().ContPend);
    EXPECT_NEAR(pts(3).last().second, 0.006, 1e-9);
    EXPECT_EQ(pts(0).size(), 3);
    EXPECT_EQ(ch().RunSecs, 20);
    EXPECT_EQ(ch().TickSecs, 20);
    EXPECT_EQ(st->slot[0].CurveSecs, 20);
    EXPECT_EQ(host.grids[0].text(1, 1), QStringLiteral("D-CC  1.00A  3.00V"));
    EXPECT_EQ(host.grids[0].text(1, 2), QStringLiteral("4.200V"));
    EXPECT_EQ(host.grids[0].text(1, 6), QStringLiteral("4V"));
    EXPECT_EQ(ch().DataFile, tracker.RecordBase(0, 0));
    ASSERT_EQ(starts().size(), 1);
    EXPECT_EQ(starts()[0].kind, 8);

    // Later rows append to the same record.
    ch().Running = true;
    ch(0).CurveOn = true;
    ch().RunSecs = 21;
    ch().Volt = 4;
    ch().Cur = 1;
    tracker.ShowSample(0, 0);
    EXPECT_TRUE(qltest::readAll(record()).endsWith(QStringLiteral("20\t01.00\t4.000\r\n21\t01.00\t4.000\r\n")));
}

TEST_F(RunTrackTest, ContinueSkipsDamagedRowsAndStillSends)
{
    const QString log = qltest::errLogPath();
    const qsizetype logged = qltest::readAll(log).size();
    leave("0\t01.00\t4.000\r\n5\tzz\t4.0\r\n10\t01.00\t4.000\r\n15\t01.0");
    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_EQ(pts(0).size(), 2);
    EXPECT_EQ(ch().RunSecs, 10);
    EXPECT_EQ(starts().size(), 1);
    EXPECT_EQ(qltest::readAll(log).mid(logged).count(QStringLiteral("[ErrCont]")), 2);
}

TEST_F(RunTrackTest, CrashFragmentsNeverBecomeRowsAcrossTwoContinues)
{
    const QString log = qltest::errLogPath();
    ch(0).CurveOn = true;
    auto rows = [&](std::initializer_list<int> secs) { samplesAt(secs, 12.345f); };
    auto crash = [&](const QByteArray& fragment) {
        QFile f(record());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(fragment);
    };

    ASSERT_TRUE(tracker.RunClick(0, 0));
    rows({1, 2, 3});
    ASSERT_TRUE(qltest::settleDisk());  // the record has its name
    crash("4\t01.00\t1");  // 12.345 V cut to "1"
    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_EQ(ch().RunSecs, 3);
    rows({4, 5});
    crash("6\t01.0");
    ASSERT_TRUE(tracker.ContClick(0, 0));
    rows({6, 7});

    const RunRecord::Contents rec = recorded();
    for (const auto& r : rec.rows)
        EXPECT_FLOAT_EQ(r.volt, 12.345f) << r.t;
    EXPECT_EQ(secondsOf(rec), (QList<int32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(rec.skipped.isEmpty()) << rec.skipped.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(qltest::readAll(log).contains(QStringLiteral("time goes back")));
}

// The adapter is pulled out and put back while the disk still holds the
// new run's record under its temporary name, twice: each continue takes the
// record up there (a fragment a crash left is cut away) and the rows go on
// into it, never into the earlier run's record. Once the disk lets go the
// record holds the new run's rows alone, each once, nothing is left under
// the temporary name, and later rows follow.
TEST_F(RunTrackTest, AContinueBeforeTheNewRecordIsRenamedLosesNoRow)
{
    const QString log = qltest::errLogPath();
    const qsizetype logged = qltest::readAll(log).size();
    leave("0\t02.00\t4.000\r\n10\t02.00\t3.900\r\n");  // an earlier run's
    const QByteArray earlier = qltest::fileBytes(record());
    const QString pending = RunRecord::PendingPathOf(record());
    ch(0).CurveOn = true;
    auto rows = [&](std::initializer_list<int> secs) { samplesAt(secs, 3.5f); };
    {
        qltest::HeldDisk disk;
        ASSERT_TRUE(tracker.RunClick(0, 0));
        rows({1, 2, 3});
        tracker.records.CloseSlot(0);
        {
            QFile f(pending);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("4\t01.00\t3");  // cut off
        }
        ASSERT_TRUE(tracker.ContClick(0, 0, RunCaller::Program));
        EXPECT_EQ(ch().RunSecs, 3);
        rows({4, 5});
        tracker.records.CloseSlot(0);
        ASSERT_TRUE(tracker.ContClick(0, 0, RunCaller::Program));
        EXPECT_EQ(ch().RunSecs, 5);
        rows({6, 7});
        EXPECT_TRUE(qltest::fileBytes(record()) == earlier) << "the earlier record changed";
    }
    ASSERT_TRUE(qltest::settleDisk());
    rows({8});
    const RunRecord::Contents rec = recorded();
    for (const auto& r : rec.rows)
        EXPECT_FLOAT_EQ(r.cur, 1.0f) << r.t;
    EXPECT_EQ(secondsOf(rec), (QList<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(rec.skipped.isEmpty()) << rec.skipped.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(QFile::exists(pending));
    EXPECT_FALSE(qltest::readAll(log).mid(logged).contains(QStringLiteral("[ErrBak]")));
}

// Continue pressed right after Stop, before a reply of the device ended the
// run (its record still open), while the disk holds the new record's rename:
// the continue takes the record up under its temporary name and its rows go
// on there; once the disk lets go the record holds every row once.
TEST_F(RunTrackTest, AContinueInTheSameSessionBeforeTheRenameTakesTheNewRecordUp)
{
    leave("0\t02.00\t4.000\r\n10\t02.00\t3.900\r\n");  // an earlier run's
    const QByteArray earlier = qltest::fileBytes(record());
    ch(0).CurveOn = true;
    {
        qltest::HeldDisk disk;
        ASSERT_TRUE(tracker.RunClick(0, 0));
        samplesAt({1, 2, 3}, 3.5f);
        tracker.StopClick(0, 0);
        ch().Running = false;
        const qsizetype sent = starts().size();
        ASSERT_TRUE(tracker.ContClick(0, 0));
        EXPECT_GT(starts().size(), sent);  // the continue frame went out
        EXPECT_EQ(ch().RunSecs, 3);
        samplesAt({4, 5}, 3.5f);
        EXPECT_TRUE(qltest::fileBytes(record()) == earlier) << "the earlier record changed";
    }
    ASSERT_TRUE(qltest::settleDisk());
    samplesAt({6}, 3.5f);
    EXPECT_EQ(secondsOf(recorded()), (QList<int32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(QFile::exists(RunRecord::PendingPathOf(record())));
}

// What a continue finds under the record's temporary name: a run's record
// with its whole header, newer than the record, is taken up (also when the
// record was marked superseded after it) and renamed over the record. One
// cut off in its header, or older than a record renamed there since (a
// later run's), is another run's: it is removed and the record taken up.
// One that cannot be read stops the continue.
TEST_F(RunTrackTest, AContinueTakesUpARecordUnderItsTemporaryNameOnlyWhenItIsTheNewer)
{
    const QString pending = RunRecord::PendingPathOf(record());
    struct Case {
        const char* what;
        bool wholeHeader;
        int newerBySecs;
        bool markedSuperseded;
        bool taken;
    };
    for (const Case& k : {Case{"newer", true, 10, false, true}, Case{"older", true, -10, false, false},
                          Case{"older, the record marked since", true, -10, true, true},
                          Case{"its header cut off", false, 10, false, false}}) {
        SCOPED_TRACE(k.what);
        leave("0\t01.00\t4.000\r\n10\t01.00\t3.900\r\n");
        leave("0\t01.00\t4.100\r\n20\t01.00\t4.000\r\n30\t01.00\t3.950\r\n", QStringLiteral("QL-K01"), pending);
        if (!k.wholeHeader) {
            const QByteArray cut = qltest::fileBytes(pending).left(50);
            QFile f(pending);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(cut);
        }
        if (k.markedSuperseded) {
            ASSERT_TRUE(RunRecord::Supersede(record()));
        }
        const QByteArray taken = qltest::fileBytes(pending);
        const QDateTime then = QDateTime::currentDateTime().addSecs(-100);
        for (const auto& [file, when] : {std::pair{record(), then}, std::pair{pending, then.addSecs(k.newerBySecs)}}) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
        }

        ASSERT_TRUE(tracker.ContClick(0, 0));
        EXPECT_EQ(ch().RunSecs, k.taken ? 30 : 10);
        ASSERT_TRUE(qltest::settleDisk());
        EXPECT_FALSE(QFile::exists(pending));
        if (k.taken) {
            EXPECT_TRUE(qltest::fileBytes(record()) == taken);
        }
        tracker.records.CloseSlot(0);
    }

    // One that cannot be read (a folder in its place) may be the newer
    // run's: the record is not taken up instead, and the log says why.
    const QString log = qltest::errLogPath();
    ASSERT_TRUE(QDir().mkpath(pending));
    clearSent();
    EXPECT_FALSE(tracker.ContClick(0, 0));
    EXPECT_TRUE(starts().isEmpty());
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrCont]") + pending + ": "));
}

TEST_F(RunTrackTest, ContinueLeavesOutValuesNoDeviceCanReport)
{
    leave("0\t01.00\t4.000\r\n10\t1e30\t4.000\r\n15\t01.00\tinf\r\n20\t01.00\t4.000\r\n");
    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_EQ(pts(0).size(), 2);
    EXPECT_FLOAT_EQ(ch().CapOffset, 0.005f);  // 1 A for 20 s
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_LT(host.charts[0].MaxY(axis), 1000) << axis;
}

TEST_F(RunTrackTest, ContinueWithoutRecordOrWithHeaderOnly)
{
    setPts(0, {{0, 4}});
    ch().Cap = 3;
    EXPECT_FALSE(tracker.ContClick(0, 0));
    EXPECT_TRUE(starts().isEmpty());
    EXPECT_EQ(pts(0).size(), 1);
    EXPECT_EQ(ch().Cap, 3);

    leave({});
    ch().RunSecs = 99;
    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_EQ(pts(0).size(), 0);
    EXPECT_EQ(ch().RunSecs, 0);
    EXPECT_EQ(starts().size(), 1);
}

TEST_F(RunTrackTest, ContinueOnTypeTwentySixFromVersion320SendsStart)
{
    st->slot[0].DevType = 26;
    st->slot[0].FwVersion = 320;
    leave("0\t1.000\t5.000\r\n3600\t1.000\t5.000\r\n");
    ASSERT_TRUE(tracker.ContClick(0, 0));
    EXPECT_EQ(starts().last().kind, 1);
    EXPECT_FLOAT_EQ(ch().Cap, 1.0f);
}

// --- Monitor, time display, two-channel curves -------------------------------

TEST_F(RunTrackTest, MonitorContinuesTheClockFromTheLastPoint)
{
    st->slot[0].VerFrames = 1;
    tracker.MonitorClick(0, 0);
    EXPECT_FALSE(host.panels[0].tmrCurve[0]);  // not before two info frames
    st->slot[0].VerFrames = 2;
    setPts(0, {{0, 4}, {125.4, 4}});
    tracker.MonitorClick(0, 0);
    EXPECT_TRUE(host.panels[0].tmrCurve[0]);
    EXPECT_EQ(ch().TickSecs, 125);
    EXPECT_EQ(host.infos[0][3], QStringLiteral(" Device1: Monitor ON"));
    tracker.MonitorClick(0, 0);
    EXPECT_FALSE(host.panels[0].tmrCurve[0]);
    EXPECT_TRUE(host.infos[0][3].isEmpty());
    st->slot[0].RunEnable = false;  // during a run nothing happens
    tracker.MonitorClick(0, 0);
    EXPECT_FALSE(host.panels[0].tmrCurve[0]);
}

TEST_F(RunTrackTest, TimeDisplay)
{
    ch().RunSecs = 3725;
    tracker.TmrShowOn(0, 0);
    EXPECT_EQ(host.panels[0].time[0], QStringLiteral("01:02:05"));
    ch().RunSecs = 360000;
    tracker.TmrShowOn(0, 0);
    EXPECT_EQ(host.panels[0].time[0], QStringLiteral("100:00:00"));
    EXPECT_TRUE(times().isEmpty());  // single-channel panels never get time frames
}

TEST_F(RunTrackTest, MinuteFramesOncePerMinuteWhateverTheTickPhase)
{
    st->slot[0].Dev2S = true;
    // Ticks at uneven moments: twice within one second, skipping a second.
    for (int s : {0, 1, 59, 60, 60, 61, 119, 121, 122, 180, 180, 240}) {
        ch().RunSecs = s;
        tracker.TmrShowOn(0, 0);
    }
    EXPECT_EQ(times().size(), 4);  // minutes 1, 2, 3 and 4

    // Never from 65530 s on.
    clearSent();
    ch().RunSecs = 65529;
    tracker.TmrShowOn(0, 0);
    EXPECT_EQ(times().size(), 1);
    ch().RunSecs = 65580;
    tracker.TmrShowOn(0, 0);
    EXPECT_EQ(times().size(), 1);

    // A new run starts counting minutes again.
    clearSent();
    ASSERT_TRUE(tracker.RunClick(0, 0));
    ch().RunSecs = 60;
    tracker.TmrShowOn(0, 0);
    EXPECT_EQ(times().size(), 1);
}

TEST_F(RunTrackTest, CurveTimerRaisesTheCurveTime)
{
    ch().TickSecs = 40;
    tracker.TmrCurveOn(0, 0);
    EXPECT_EQ(st->slot[0].CurveSecs, 40);
    ch().TickSecs = 10;
    tracker.TmrCurveOn(0, 0);
    EXPECT_EQ(st->slot[0].CurveSecs, 40);
}
