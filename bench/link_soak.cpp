// link_soak: ten simulated devices at the full line rate against the real
// receive path and run tracking, for a set time.
//
// What it measures
//   Ten DeviceSims (peers 3 and 7 two-channel, type 18; the rest type 11) on
//   pseudo-terminals COM3..COM12 answer as fast as a 9600 baud 8E1 line
//   carries (a 19-byte frame every 22 ms per line; the two-channel ones send
//   both channels' frames every 44 ms). The interface thread opens the ports,
//   connects, starts a run on every channel through RunTracker::RunClick and
//   polls each port every 50 ms with the real LinkTimers, ReplyDecoder and
//   RunTracker (widget-free panel, grid, chart and list stand-ins; the chart
//   keeps its points in the chart's own point store but draws nothing). Every
//   running sample appends a row to the channel's live ".bak" record.
//   The simulators run on a thread of their own, so the interface thread's
//   CPU time is its own.
//
//   Reports: frames sent by the simulators and frames decoded (they must be
//   equal), running samples and ".bak" rows per channel (equal), CPU share of
//   one core taken by the interface thread (target under 10 %) and by the
//   simulator thread, and resident-memory growth extrapolated to an hour.
//   Exit code 1 when frames or rows are missing.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target link_soak
//   build/bench/bench/link_soak [--seconds 60] [--dir <folder for the records>]
// The records go to a fresh folder under --dir (default: the current folder),
// on the disk, since every row is flushed to the disk as it is written.
#include "benchlink.h"

#include "link/comm.h"
#include "link/linktimers.h"
#include "link/runrecord.h"
#include "platform/services.h"
#include "sim/devsim.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kDevices = 10;
constexpr int kFirstPort = 3;
constexpr int kFrameBytes = 19;
// 19 bytes of 11 bits at 9600 baud: 21.8 ms per frame.
constexpr int kLineMsPerFrame = 22;

bool twoChannel(int i) { return i == 3 || i == 7; }

struct SimCounts {
    std::atomic<long long> framesSent{0};
    std::atomic<long long> commandsIn{0};
};

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename Cond>
bool spinUntil(Cond cond, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        spin(10);
    return cond();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int seconds = 60;
    QString baseDir = QDir::currentPath();
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            baseDir = args[++i];
        else {
            std::fprintf(stderr, "usage: link_soak [--seconds N] [--dir folder]\n");
            return 2;
        }
    }

    QTemporaryDir home(baseDir + QStringLiteral("/link-soak-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "link_soak: cannot create a folder under %s\n", qPrintable(baseDir));
        return 1;
    }
    qputenv("QL_HOME", QFile::encodeName(home.path()));
    QDir(home.path()).mkpath(QStringLiteral("Log"));
    ql::sim::PortsDir ports;

    // Simulators, plugged here and then handed to their own thread.
    QThread simThread;
    std::vector<std::unique_ptr<ql::sim::DeviceSim>> devs;
    std::vector<std::unique_ptr<SimCounts>> counts;
    for (int i = 0; i < kDevices; ++i) {
        auto d = std::make_unique<ql::sim::DeviceSim>(twoChannel(i) ? 18 : 11, 300);
        for (int c = 0; c < d->channels(); ++c)
            d->setCell(c, 4.2, 3.0, 0.05, 100000);  // never runs flat
        if (!d->plug(ports.path(), kFirstPort + i)) {
            std::fprintf(stderr, "link_soak: cannot create a pseudo-terminal\n");
            return 1;
        }
        d->moveToThread(&simThread);
        devs.push_back(std::move(d));
        counts.push_back(std::make_unique<SimCounts>());
    }
    simThread.start();
    std::atomic<double> simCpu0{0}, simCpu{0};
    for (int i = 0; i < kDevices; ++i) {
        ql::sim::DeviceSim* d = devs[size_t(i)].get();
        SimCounts* n = counts[size_t(i)].get();
        const int ms = kLineMsPerFrame * d->channels();
        QMetaObject::invokeMethod(
            d,
            [d, n, ms] {
                auto* t = new QTimer(d);
                t->setTimerType(Qt::PreciseTimer);
                QObject::connect(t, &QTimer::timeout, d, [d, n, ms] {
                    d->pump(0);
                    d->step(ms / 1000.0);
                    n->framesSent += d->sent().size() / kFrameBytes;
                    n->commandsIn += d->received().size();
                    d->clearRecorded();
                });
                t->start(ms);
            },
            Qt::BlockingQueuedConnection);
    }

    // The interface side.
    ql::LinkState st;
    ql::SecondTicker ticker(st);
    qlbench::Host host(st, &ticker);
    ql::LinkTimers timers;
    ql::ReplyDecoder dec(st, host, timers);
    ql::RunTracker tracker(st, host, host, host);
    tracker.programDir = home.path();
    host.tracker = &tracker;
    tracker.Attach(dec);
    long long decoded = 0, errors = 0;
    long long running[ql::kSlotCount][ql::kChanCount] = {};
    bool counting = false;
    long long decodedMeasured = 0;
    auto trackerHook = dec.onSample;
    dec.onSample = [&](int s, int c, int run) {
        ++decoded;
        if (counting)
            ++decodedMeasured;
        if (run == 1 || run == 2)
            ++running[s][c];
        trackerHook(s, c, run);
    };
    dec.errLog = [&](const QString& label, const QString& text) {
        if (++errors <= 5)
            std::fprintf(stderr, "link_soak: %s %s\n", qPrintable(label), qPrintable(text));
    };
    timers.onPoll = [&](int s) { dec.RecvDevice(s); };
    timers.onConnect = [&](int s) { ql::SendConnect(st, s); };
    timers.onRecvOff = [&](int s) { host.peers[size_t(s)].fields.led = false; };

    for (int s = 0; s < kDevices; ++s) {
        ql::CommHandle h = ql::OpenPort(kFirstPort + s);
        if (!h) {
            std::fprintf(stderr, "link_soak: cannot open %s\n", qPrintable(ql::PortName(kFirstPort + s)));
            return 1;
        }
        ql::SetPortState(h, 9600, 8, 0, 2);
        st.slot[size_t(s)].hComm = h;
        ql::ConnectReset(st, ticker, s);
        dec.ResetFraming(s);
        timers.SetComm(s, true);
        timers.SetConn(s, true);
        ql::SendConnect(st, s);
    }
    if (!spinUntil([&] {
            for (int s = 0; s < kDevices; ++s)
                if (st.slot[size_t(s)].DevType == 0)
                    return false;
            return true;
        }, 5000)) {
        std::fprintf(stderr, "link_soak: not every device answered the connect\n");
        return 1;
    }

    // A one-ampere discharge on every channel, cut-off far below the cell.
    int channels = 0;
    for (int s = 0; s < kDevices; ++s) {
        const int nch = st.slot[size_t(s)].DevType == 18 ? 2 : 1;
        for (int c = 0; c < nch; ++c) {
            st.ch(s, c).SvalText = QStringLiteral("1.00");
            st.ch(s, c).SlmtText = QStringLiteral("0.50");
            if (!tracker.RunClick(s, c)) {
                std::fprintf(stderr, "link_soak: start refused on slot %d channel %d\n", s, c);
                return 1;
            }
            ++channels;
        }
    }
    if (!spinUntil([&] {
            for (int s = 0; s < kDevices; ++s)
                for (int c = 0; c < (st.slot[size_t(s)].DevType == 18 ? 2 : 1); ++c)
                    if (!st.ch(s, c).Running)
                        return false;
            return true;
        }, 5000)) {
        std::fprintf(stderr, "link_soak: not every channel reports its run\n");
        return 1;
    }
    spin(2000);  // settle: allocations of the first seconds are not growth

    // Measured period.
    QMetaObject::invokeMethod(devs[0].get(), [&] { simCpu0 = qlbench::threadCpuSeconds(); },
                              Qt::BlockingQueuedConnection);
    const double cpu0 = qlbench::threadCpuSeconds();
    const long long rss0 = qlbench::residentBytes();
    QElapsedTimer wall;
    wall.start();
    counting = true;
    std::printf("link_soak: %d devices, %d channels, %d s at the line rate ...\n", kDevices, channels, seconds);
    std::fflush(stdout);
    spin(seconds * 1000);
    counting = false;
    const double wallS = wall.nsecsElapsed() * 1e-9;
    const double cpu = qlbench::threadCpuSeconds() - cpu0;
    const long long rss1 = qlbench::residentBytes();
    QMetaObject::invokeMethod(devs[0].get(), [&] { simCpu = qlbench::threadCpuSeconds() - simCpu0; },
                              Qt::BlockingQueuedConnection);

    // Stop the simulators, let the polls drain the lines.
    for (auto& d : devs)
        QMetaObject::invokeMethod(
            d.get(),
            [p = d.get()] {
                for (QTimer* t : p->findChildren<QTimer*>())
                    t->stop();
            },
            Qt::BlockingQueuedConnection);
    long long sent = 0;
    auto totalSent = [&] {
        long long n = 0;
        for (auto& c : counts)
            n += c->framesSent;
        return n;
    };
    spinUntil([&] { return decoded >= totalSent(); }, 3000);
    spin(300);
    sent = totalSent();

    // Rows on disk against running samples.
    long long samples = 0, rows = 0, missingRows = 0;
    for (int s = 0; s < kDevices; ++s) {
        for (int c = 0; c < (st.slot[size_t(s)].DevType == 18 ? 2 : 1); ++c) {
            ql::RunRecord::Contents rec;
            const QString path = ql::RunRecord::PathOf(st.ch(s, c).DataFile);
            if (ql::RunRecord::Read(path, &rec) != ql::RunRecord::ReadStatus::Ok) {
                std::fprintf(stderr, "link_soak: cannot read %s\n", qPrintable(path));
                return 1;
            }
            samples += running[s][c];
            rows += rec.rows.size();
            if (rec.rows.size() != running[s][c] || !rec.skipped.isEmpty()) {
                ++missingRows;
                std::fprintf(stderr, "link_soak: slot %d channel %d: %lld running samples, %lld rows, %lld skipped\n",
                             s, c, running[s][c], static_cast<long long>(rec.rows.size()),
                             static_cast<long long>(rec.skipped.size()));
            }
        }
    }

    size_t chartBytes = 0;
    for (auto& sl : host.peers)
        chartBytes += sl.store.bytes();
    const double perSecond = decodedMeasured / wallS;
    const double growthPerHour = double(rss1 - rss0) / wallS * 3600.0;
    std::printf("frames sent by the simulators   %lld\n", sent);
    std::printf("frames decoded                  %lld%s\n", decoded, decoded == sent ? "  (all)" : "  (MISSING)");
    std::printf("decoded per second (measured)   %.1f  (%.1f per line)\n", perSecond, perSecond / kDevices);
    std::printf("running samples / .bak rows     %lld / %lld%s\n", samples, rows, missingRows ? "  (MISSING)" : "  (all)");
    std::printf("error log entries               %lld\n", errors);
    std::printf("interface thread CPU            %.2f s in %.1f s = %.1f %% of one core\n", cpu, wallS, 100 * cpu / wallS);
    std::printf("simulator thread CPU            %.2f s = %.1f %% of one core\n", simCpu.load(), 100 * simCpu / wallS);
    std::printf("resident memory                 %.1f MiB -> %.1f MiB\n", rss0 / 1048576.0, rss1 / 1048576.0);
    std::printf("memory growth per hour          %.1f MiB (chart points now %.1f MiB)\n", growthPerHour / 1048576.0,
                chartBytes / 1048576.0);

    for (int s = 0; s < kDevices; ++s)
        ql::ClosePort(st.slot[size_t(s)].hComm);
    ticker.Shutdown();
    timers.StopAll();
    for (auto& d : devs)
        QMetaObject::invokeMethod(d.get(), [p = d.get()] {
            qDeleteAll(p->findChildren<QTimer*>());
            p->unplug();
        }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return (decoded == sent && missingRows == 0) ? 0 : 1;
}
