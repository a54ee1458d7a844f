// day_bench: a whole day of samples through the per-sample update.
//
// What it measures
//   A two-channel device (type 18) on slot 0 runs a one-ampere discharge on
//   both channels for 86,400 seconds of simulated time. Each second the
//   device simulator's data reply for each channel goes through the real
//   ReplyDecoder into RunTracker (the decoder's onSample hook), with TickSecs
//   and RunSecs advanced by hand instead of by the one-second ticker, so a
//   day passes in seconds. The chart is a real CurveGraph (its drawing
//   passes are counted, not made, while feeding); panel, grid and list are
//   widget-free stand-ins. At the end the device reports the run over, which
//   closes the run and writes the automatic data file.
//
//   Reports: feed time per sample, the live ".bak" record's rows and the data
//   file's lines for each channel (both must hold every second of the day),
//   the time of one full drawing pass of the chart with a day of points on
//   its ten curves, and the memory the day took (resident growth and the
//   chart's points). Exit code 1 when a record or data file is incomplete.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target day_bench
//   build/bench/bench/day_bench [--seconds 86400] [--dir <folder for the files>]
// The files go to a fresh folder under --dir (default: the current folder).
#include "benchlink.h"

#include "controls/curvegraph.h"
#include "link/runrecord.h"
#include "platform/settings.h"
#include "sim/devsim.h"
#include "views/datafile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// A real chart behind the run code's chart interface. Drawing passes are
// counted and made only when asked for.
class GraphChart : public ql::RunChartIf {
public:
    explicit GraphChart(ql::CurveGraph& g) : g_(g) {}
    bool draw = false;
    long long draws = 0;
    int CurveCount() const override { return g_.CurveCount(); }
    int DpCnt(int c) const override { return g_.DpCnt(c); }
    double DpX(int c, int i) const override { return g_.DpX(c, i); }
    double DpY(int c, int i) const override { return g_.DpY(c, i); }
    void AddXY(int c, double x, double y) override { g_.AddXY(c, float(x), float(y)); }
    void Clear(int c) override { g_.Clear(c); }
    void ClearAll() override { g_.ClearAll(); }
    double MinX() const override { return g_.MinX(); }
    void setMinX(double v) override { g_.setMinX(float(v)); }
    double MaxX() const override { return g_.MaxX(); }
    void setMaxX(double v) override { g_.setMaxX(float(v)); }
    double MinY(int a) const override { return g_.MinY(a); }
    void setMinY(int a, double v) override { g_.setMinY(a, float(v)); }
    double MaxY(int a) const override { return g_.MaxY(a); }
    void setMaxY(int a, double v) override { g_.setMaxY(a, float(v)); }
    void DrawCurve() override
    {
        ++draws;
        if (draw)
            g_.DrawCurve();
    }
    void setYStep(bool on) override { g_.setYStep(on); }
    bool Large() const override { return g_.Large(); }
    void setLarge(bool on) override { g_.setLarge(on); }
    void setSize(bool on) override { g_.setSize(on); }

private:
    ql::CurveGraph& g_;
};

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
    QDir(home.path()).mkpath(QStringLiteral("Log"));
    QDir(home.path()).mkpath(QStringLiteral("Data"));

    const long long rssStart = qlbench::residentBytes();
    ql::CurveGraph graph;
    graph.resize(900, 520);
    graph.Initialize_DrawCurve();
    GraphChart chart(graph);

    ql::LinkState st;
    qlbench::Host host(st, nullptr);
    host.peers[0].chart = &chart;
    st.slot[0].PortNo = 3;
    qlbench::NoTimers timers;
    ql::ReplyDecoder dec(st, host, timers);
    ql::RunTracker tracker(st, host, host, host);
    tracker.programDir = home.path();
    host.tracker = &tracker;
    tracker.Attach(dec);
    long long errors = 0;
    dec.errLog = [&](const QString& l, const QString& t) {
        if (++errors <= 5)
            std::fprintf(stderr, "day_bench: %s %s\n", qPrintable(l), qPrintable(t));
    };
    ql::settings().AutoSave = true;
    std::vector<QString> dataFiles(2);
    host.saveData = [&](int s, int c, const QString& path) {
        dataFiles[size_t(c)] = path;
        ql::DataFileOptions o = ql::DataFileOptionsOf(st.slot[size_t(s)], c, false);
        o.title = graph.TitleText();
        ql::SaveDataFile(st, s, chart, o, path);
    };

    // The device: built replies only, no line.
    ql::sim::DeviceSim dev(18, 300);
    for (int c = 0; c < 2; ++c)
        dev.setCell(c, 4.2, 3.0, 0.05, 100000);
    auto feed = [&](int c, ql::sim::DeviceSim::Reply kind) {
        const QByteArray r = dev.reply(c, kind);
        dec.RecvBytes(0, reinterpret_cast<const uint8_t*>(r.constData()), size_t(r.size()));
    };
    timers.conn[0] = true;  // connecting: the first reply sets the slot up
    for (int c = 0; c < 2; ++c) {
        feed(c, ql::sim::DeviceSim::Reply::Info);
        feed(c, ql::sim::DeviceSim::Reply::Data);
    }
    if (st.slot[0].DevType != 18) {
        std::fprintf(stderr, "day_bench: the device was not identified\n");
        return 1;
    }
    for (int c = 0; c < 2; ++c) {
        st.ch(0, c).SvalText = QStringLiteral("1.000");
        st.ch(0, c).SlmtText = QStringLiteral("0.500");
        if (!tracker.RunClick(0, c)) {
            std::fprintf(stderr, "day_bench: start refused\n");
            return 1;
        }
        dev.reportRun(c, 0, 1000, 500);
    }

    // The day.
    const long long rssBefore = qlbench::residentBytes();
    const auto t0 = Clock::now();
    const double cpu0 = qlbench::threadCpuSeconds();
    for (int sec = 1; sec <= seconds; ++sec) {
        dev.step(1.0);
        for (int c = 0; c < 2; ++c) {
            // What a tick of the channel's one-second timer does.
            st.ch(0, c).TickSecs += 1;
            if (st.ch(0, c).Counting)
                st.ch(0, c).RunSecs += 1;
            feed(c, ql::sim::DeviceSim::Reply::Data);
        }
        tracker.TmrCurveOn(0, 0);
    }
    const double feedMs = msSince(t0);
    const double feedCpuMs = 1000 * (qlbench::threadCpuSeconds() - cpu0);
    const long long rssAfter = qlbench::residentBytes();

    // Redraw of the full chart, shown: DrawCurve and the paint it asks for.
    graph.show();
    QApplication::processEvents();
    QWidget* surface = graph.findChild<QWidget*>(QStringLiteral("picGraph"));
    chart.draw = true;
    std::vector<double> draws;
    for (int i = 0; i < 7; ++i) {
        const auto d0 = Clock::now();
        graph.DrawCurve();
        surface->repaint();
        draws.push_back(msSince(d0));
    }
    std::sort(draws.begin(), draws.end());
    chart.draw = false;

    // The run ends on the device: the data files are written.
    const std::vector<QString> records{ql::RunRecord::PathOf(st.ch(0, 0).DataFile),
                                       ql::RunRecord::PathOf(st.ch(0, 1).DataFile)};
    const auto e0 = Clock::now();
    for (int c = 0; c < 2; ++c) {
        dev.forceRunState(c, 0);
        feed(c, ql::sim::DeviceSim::Reply::Data);
    }
    const double endMs = msSince(e0);

    long long points = 0;
    for (int c = 0; c < graph.CurveCount(); ++c)
        points += graph.DpCnt(c);
    bool complete = true;
    std::printf("day_bench: %d s of a two-channel run, one sample per channel per second\n", seconds);
    std::printf("feed                        %.0f ms for %d samples = %.1f us per sample (CPU %.1f us; the rest "
                "waits for each row to reach the disk)\n",
                feedMs, 2 * seconds, 1000 * feedMs / (2.0 * seconds), 1000 * feedCpuMs / (2.0 * seconds));
    for (int c = 0; c < 2; ++c) {
        ql::RunRecord::Contents rec;
        ql::RunRecord::Read(records[size_t(c)], &rec);
        const int lines = dataFiles[size_t(c)].isEmpty() ? -1 : countLines(dataFiles[size_t(c)]);
        const int dataRows = chart.DpCnt(c * 5);
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
    chart.draw = true;
    for (int i = 0; i < 21; ++i) {
        const auto d0 = Clock::now();
        for (int k = 0; k < 10; ++k)
            graph.AddXY(k, float(seconds + 1 + i), graph.DpY(k, graph.DpCnt(k) - 1));
        graph.DrawCurve();
        surface->repaint();
        live.push_back(msSince(d0));
    }
    std::sort(live.begin(), live.end());
    std::printf("run end with both data files %.0f ms\n", endMs);
    std::printf("chart drawing pass           %.1f ms (median of 7; %lld points on %d curves, %lld passes asked while feeding)\n",
                draws[draws.size() / 2], points, graph.CurveCount(), chart.draws);
    std::printf("live sample at day end       %.1f ms (a point on each curve and a drawing pass, median of 21)\n",
                live[live.size() / 2]);
    std::printf("memory                      %.1f MiB resident growth over the day (chart points %.1f MiB); process %.1f MiB\n",
                (rssAfter - rssBefore) / 1048576.0, points * 8 / 1048576.0, rssAfter / 1048576.0);
    std::printf("                            (%.1f MiB before the window's chart was made)\n", rssStart / 1048576.0);
    std::printf("error log entries           %lld\n", errors);
    return complete ? 0 : 1;
}
