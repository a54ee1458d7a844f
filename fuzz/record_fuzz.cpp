// Fuzz target of the live run record read back by continue: arbitrary bytes
// as a channel's ".bak" file, read by the record reader and reloaded into
// the run grid and chart by the continue command, then one live sample on
// top (curve axes, capacity with the restored offset, a row appended).
// Checks the reader's promises on every input: rows in time order with a
// current and voltage a device can report, and a finite capacity offset
// and chart after the reload; a superseded record is not taken up.
#include "link/counters.h"
#include "link/runrecord.h"
#include "link/runtrack.h"
#include "platform/diskqueue.h"
#include "platform/settings.h"
#include "tests/link/run_fakes.h"

#include "fuzzcheck.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

using namespace ql;
using ql::fuzz::check;

// A scratch folder in memory where there is one, so the per-row sync of
// the record costs nothing.
QTemporaryDir& scratch()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/ql-record-fuzz-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/ql-record-fuzz-XXXXXX"));
    return dir;
}

// The record's syncs handed to the file queue are done and their results
// delivered, so no input leaves work or memory for the next.
int settled(const QString& path)
{
    ql::WaitDiskQueues(std::chrono::seconds(10));
    QCoreApplication::sendPostedEvents();
    QFile::remove(path);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "record_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (!scratch().isValid())
        return 0;

    LinkState st;
    qltest::FakeHost host(st);
    SecondTicker ticker(st, SecondTicker::Clock::duration::zero());
    RunTracker tracker(st, ticker, host, host);
    tracker.programDir = scratch().path();
    SlotState& s = st.slot[0];
    // The first byte picks the model: type 26 takes the recorded capacity
    // at once, type 18 resolves 1 mA, type 11 10 mA.
    const uint8_t pick = size > 0 ? data[0] : 0;
    s.DevType = pick % 3 == 0 ? 26 : pick % 3 == 1 ? 18 : 11;
    s.CurFactor = s.DevType == 11 ? 100 : 1000;
    s.MaxCur = 40;
    s.MaxVol = 150;
    s.CvMode = 1;
    s.chn[0].DevName = QStringLiteral("QL-R18");
    settings().AutoScale = (pick & 4) != 0;

    const QString path = RunRecord::PathOf(tracker.RecordBase(0, 0));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    RunRecord::Contents rec;
    check(RunRecord::Read(path, &rec) == RunRecord::ReadStatus::Ok);
    int32_t previous = 0;
    for (const RunRecord::Row& row : rec.rows) {
        check(row.t >= previous);
        previous = row.t;
        check(std::isfinite(row.cur) && row.cur >= 0 && row.cur <= RunRecord::kMaxReading + 0.01);
        check(std::isfinite(row.volt) && row.volt >= 0 && row.volt <= RunRecord::kMaxReading + 0.01);
    }

    ChanState& c = st.ch(0, 0);
    if (rec.superseded) {
        // An earlier run's record: nothing of it is taken up.
        check(rec.rows.isEmpty() && !tracker.ContClick(0, 0, RunCaller::Program) && c.DataFile.isEmpty());
        return settled(path);
    }
    // The device reports the record's mode and values, as the run that made
    // it does; a record it cannot have made is left alone.
    s.ModeText = rec.mode;
    tracker.ContClick(0, 0, RunCaller::Program);
    if (c.DataFile.isEmpty()) {
        check(!rec.hasMode || rec.mode.split(QLatin1Char(' '), Qt::SkipEmptyParts).isEmpty());
        return settled(path);
    }
    check(std::isfinite(c.CapOffset) && c.CapOffset >= 0);
    check(c.RunSecs.load() == (rec.rows.isEmpty() ? 0 : rec.rows.last().t));
    for (int k = 0; k < 3; ++k)
        check(std::isfinite(host.charts[0].MinY(k)) && std::isfinite(host.charts[0].MaxY(k)));

    // One live sample after the reload, as the first reply would bring it.
    c.Running = true;
    c.Volt = 3.7f;
    c.Cur = 1.25f;
    c.Cap = static_cast<float>(pick) / 100.0f;
    c.CurveOn = true;
    tracker.ShowSample(0, 0);
    check(std::isfinite(c.Energy));

    // The appended row is whole and reads back as the last row.
    RunRecord::Contents after;
    check(RunRecord::Read(path, &after) == RunRecord::ReadStatus::Ok);
    check(!after.rows.isEmpty() && after.rows.last().t == c.RunSecs.load());
    tracker.records.CloseAll();
    return settled(path);
}
