// day_bench: a whole day of samples through the per-sample update.
//
// What it measures
//   A two-channel device (type 18) on slot 0 of the program's main window
//   (offscreen) runs a one-ampere discharge on both channels, started from
//   its panel, for 86,400 seconds of simulated time. Each second the
//   run counters tick once (the ticker's hand-driven mode), the device
//   simulator's data reply for each channel goes into the window's reply
//   decoder, and the panel's curve tick runs, so a day passes in seconds
//   through the program's own per-sample update: readouts, run grid,
//   information list, chart and the live record. At the end the device
//   reports the run over, which closes the run and writes the automatic
//   data file (the settings switch it on).
//
//   Reports: feed time per sample, the live ".bak" record's rows and the data
//   file's lines for each channel (both must hold every second of the day),
//   the time of one full drawing pass of the chart with a day of points on
//   its ten curves, and the memory the day took (resident growth, and the
//   heap the channels' records of the run's curves give back when emptied;
//   the chart draws those records and keeps no copy). Exit code 1 when a record or data file is incomplete.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target day_bench
//   build/bench/bench/day_bench [--seconds 86400] [--dir <folder for the files>]
// The files go to a fresh folder under --dir (default: the current folder).
#include "benchutil.h"

#include "app/mainseam.h"
#include "controls/curvegraph.h"
#include "link/runrecord.h"
#include "sim/devsim.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

void typeInto(QLineEdit* e, const QString& text)
{
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
    e->clearFocus();
}

int countLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(f.readAll().count('\n'));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 86400;
    QString baseDir = QDir::currentPath();
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(10, args[++i].toInt());
        else if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            baseDir = args[++i];
        else {
            std::fprintf(stderr, "usage: day_bench [--seconds N] [--dir folder]\n");
            return 2;
        }
    }
    QTemporaryDir home(baseDir + QStringLiteral("/day-bench-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "day_bench: cannot create a folder under %s\n", qPrintable(baseDir));
        return 1;
    }
    qputenv("QL_HOME", QFile::encodeName(home.path()));
    {
        // Automatic data files on.
        QFile ini(home.filePath(QStringLiteral("ql.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        ini.write(";--------QL Config File----------\r\n[AUTO]\r\nSAVE=True\r\n");
    }

    const long long rssStart = qlbench::residentBytes();
    // The window's run counters tick by hand and its panel timers never on
    // their own: each simulated second below does what their ticks do.
    ql::MainOptions options;
    options.timings.tick = std::chrono::milliseconds(0);
    options.timings.panel = std::chrono::hours(24);
    ql::frmMain w(options);
    const ql::frmMain::Seam seam(w);
    w.resize(1200, 760);
    w.show();
    QApplication::processEvents();
    ql::SlotView& slot = seam.slot(0);
    ql::CurveGraph& graph = *slot.Chart;
    ql::LinkState& st = seam.link();
    long long errors = 0;
    seam.decoder().errLog = [&](const QString& l, const QString& t) {
        if (++errors <= 5)
            std::fprintf(stderr, "day_bench: %s %s\n", qPrintable(l), qPrintable(t));
    };

    // The device: built replies only, no line.
    ql::sim::DeviceSim dev(18, 300);
    dev.setFactors(1000, 1000, 10);
    for (int c = 0; c < 2; ++c)
        dev.setCell(c, 4.2, 3.0, 0.05, 100000);
    auto feed = [&](int c, ql::sim::DeviceSim::Reply kind) {
        const QByteArray r = dev.reply(c, kind);
        seam.decoder().RecvBytes(0, reinterpret_cast<const uint8_t*>(r.constData()), size_t(r.size()));
    };
    st.slot[0].Connecting = true;  // the first reply sets the slot up
    for (int c = 0; c < 2; ++c) {
        feed(c, ql::sim::DeviceSim::Reply::Info);
        feed(c, ql::sim::DeviceSim::Reply::Data);
    }
    if (st.slot[0].DevType != 18 || !slot.Panel->Dev2S()) {
        std::fprintf(stderr, "day_bench: the device was not identified\n");
        return 1;
    }
    const auto& u = slot.Panel->ui();
    for (int c = 0; c < 2; ++c) {
        typeInto(u.txtSval2S[c], QStringLiteral("1.000"));
        typeInto(u.txtSlmt2S[c], QStringLiteral("2.500"));
    }
    u.optChn2->setChecked(true);  // both channels
    u.cmdRun2S->click();
    for (int c = 0; c < 2; ++c) {
        if (st.ch(0, c).DataFile.isEmpty()) {
            std::fprintf(stderr, "day_bench: start refused\n");
            return 1;
        }
        dev.reportRun(c, 0, 1000, 2500);
    }
    auto dataFiles = [&] { return QDir(home.filePath(QStringLiteral("Data"))).entryList(QDir::Files, QDir::Name); };

    // The day.
    const long long rssBefore = qlbench::residentBytes();
    const auto t0 = Clock::now();
    const double cpu0 = qlbench::threadCpuSeconds();
    for (int sec = 1; sec <= seconds; ++sec) {
        dev.step(1.0);
        seam.ticker().TickAll();
        for (int c = 0; c < 2; ++c)
            feed(c, ql::sim::DeviceSim::Reply::Data);
        for (int c = 0; c < 2; ++c)
            emit slot.Panel->TmrCurveOn(0, c);
    }
    const double feedMs = msSince(t0);
    const double feedCpuMs = 1000 * (qlbench::threadCpuSeconds() - cpu0);
    const long long rssAfter = qlbench::residentBytes();

    // Redraw of the full chart, shown: DrawCurve and the paint it asks for.
    QApplication::processEvents();
    QWidget* surface = graph.findChild<QWidget*>(QStringLiteral("picGraph"));
    std::vector<double> draws;
    for (int i = 0; i < 7; ++i) {
        const auto d0 = Clock::now();
        graph.DrawCurve();
        surface->repaint();
        draws.push_back(msSince(d0));
    }
    std::sort(draws.begin(), draws.end());

    // The run ends on the device: the data files are written.
    const std::vector<QString> records{ql::RunRecord::PathOf(st.ch(0, 0).DataFile),
                                       ql::RunRecord::PathOf(st.ch(0, 1).DataFile)};
    const QStringList before = dataFiles();
    const auto e0 = Clock::now();
    for (int c = 0; c < 2; ++c) {
        dev.forceRunState(c, 0);
        feed(c, ql::sim::DeviceSim::Reply::Data);
    }
    // The data files are written off the window's thread: both are waited
    // for (at most half a minute), each whole once it has its name.
    for (int i = 0; i < 3000 && dataFiles().size() < before.size() + 2; ++i)
        QTest::qWait(10);
    const double endMs = msSince(e0);
    std::vector<QString> dataFilesOf(2);
    for (const QString& name : dataFiles()) {
        if (before.contains(name))
            continue;
        const QString path = home.filePath(QStringLiteral("Data/") + name);
        dataFilesOf[name.endsWith(QLatin1String("-1-2.csv")) || name.endsWith(QLatin1String("-1-2.dat")) ? 1 : 0] = path;
    }

    // The run's points are the channels' records; the chart draws them.
    long long points = 0;
    for (int c = 0; c < ql::kChanCount; ++c)
        for (const ql::PointSeries& curve : st.ch(0, c).Curves)
            points += static_cast<long long>(curve.size());
    bool complete = true;
    std::printf("day_bench: %d s of a two-channel run, one sample per channel per second\n", seconds);
    std::printf("feed                        %.0f ms for %d samples = %.1f us per sample (CPU %.1f us)\n",
                feedMs, 2 * seconds, 1000 * feedMs / (2.0 * seconds), 1000 * feedCpuMs / (2.0 * seconds));
    for (int c = 0; c < 2; ++c) {
        ql::RunRecord::Contents rec;
        ql::RunRecord::Read(records[size_t(c)], &rec);
        const int lines = dataFilesOf[size_t(c)].isEmpty() ? -1 : countLines(dataFilesOf[size_t(c)]);
        const int dataRows = st.ch(0, c).RunPoints();
        // One row per running sample (the day's and the one that reports
        // the end), run seconds going up one at a time; the data file holds
        // the starting point and one row per sample.
        bool everySecond = rec.rows.size() == seconds + 1 && rec.skipped.isEmpty();
        for (qsizetype i = 1; everySecond && i < rec.rows.size(); ++i) {
            const int32_t step = rec.rows[i].t - rec.rows[i - 1].t;
            if (step < 0 || step > 1) {
                std::printf("channel %d: row %lld jumps from %d to %d s\n", c + 1, static_cast<long long>(i),
                            rec.rows[i - 1].t, rec.rows[i].t);
                everySecond = false;
            }
        }
        const int header = lines - dataRows;
        const bool ok = everySecond && dataRows == seconds + 2 && header > 0 && header < 30;
        complete = complete && ok;
        std::printf("channel %d: .bak %d lines = %lld rows, run seconds 0..%d one by one%s; data file %d lines = %d "
                    "header + %d rows (one per curve point)%s\n",
                    c + 1, countLines(records[size_t(c)]), static_cast<long long>(rec.rows.size()), rec.rows.isEmpty() ? -1 : rec.rows.last().t,
                    everySecond ? "" : " (NOT)", lines, header, dataRows, ok ? "" : "  (INCOMPLETE)");
    }
    // A live sample at the end of the day: a point on each curve, then a pass.
    std::vector<double> live;
    for (int i = 0; i < 21; ++i) {
        const auto d0 = Clock::now();
        for (int c = 0; c < ql::kChanCount; ++c)
            for (ql::PointSeries& curve : st.ch(0, c).Curves)
                curve.push_back({float(seconds + 1 + i), curve.back().Y});
        graph.DrawCurve();
        surface->repaint();
        live.push_back(msSince(d0));
    }
    std::sort(live.begin(), live.end());
    // What the records hold: the heap they give back when emptied.
    long long samples = 0;
    const size_t heapBefore = qlbench::heapInUse();
    for (int c = 0; c < ql::kChanCount; ++c) {
        samples += st.ch(0, c).RunPoints();
        st.ch(0, c).ClearCurves();
    }
    const long long bytes = static_cast<long long>(heapBefore - qlbench::heapInUse());
    std::printf("run end with both data files %.0f ms\n", endMs);
    std::printf("chart drawing pass           %.1f ms (median of 7; %lld points on %d curves)\n",
                draws[draws.size() / 2], points, graph.CurveCount());
    std::printf("live sample at day end       %.1f ms (a point on each curve and a drawing pass, median of 21)\n",
                live[live.size() / 2]);
    std::printf(
        "memory                      %.1f MiB resident growth over the day (run records %.1f MiB, %.1f bytes per "
        "stored sample of a channel; the chart keeps no copy); process %.1f MiB\n",
        (rssAfter - rssBefore) / 1048576.0, bytes / 1048576.0, samples ? double(bytes) / samples : 0.0,
        rssAfter / 1048576.0);
    std::printf("                            (%.1f MiB before the window was made)\n", rssStart / 1048576.0);
    std::printf("error log entries           %lld\n", errors);
    return complete ? 0 : 1;
}
