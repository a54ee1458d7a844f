// window_soak: ten simulated devices at the full line rate against the real
// main window, for a set time.
//
// What it measures
//   The program's own main window (frmMain, shown on the offscreen platform,
//   with its panels, run grids, charts and information lists) on the
//   program's own periods: a 50 ms poll per port, connect repeated every
//   second, one-second run counters and panel timers. Ten DeviceSims on
//   pseudo-terminals COM3..COM12 (peers 3 and 7 two-channel, type 18; the
//   rest type 11) answer as fast as a 9600 baud 8E1 line carries: a 19-byte
//   frame every 22 ms per line; the two-channel ones send both channels'
//   frames every 44 ms. The simulators run on a thread of their own, so the
//   interface thread's CPU time is the program's.
//
//   Every device is connected with its panel's Connect button; every channel
//   is started with values typed into its panel and the Start button. Each
//   running sample updates readouts, grid, curves and appends a row to the
//   channel's live ".bak" record, as in the program.
//
//   Reports per port: frames sent by the simulator, frames decoded by the
//   program, running samples and ".bak" rows; the interface thread's share
//   of one core (goal under 10 %), the reply backlog once the simulators
//   stop (frames sent but not decoded, goal 0), and resident-memory growth
//   extrapolated to an hour. Exit code 1 when a frame or a row is missing.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target window_soak
//   build/bench/bench/window_soak [--seconds 60] [--dir <folder for the program folder>]
// The program folder (records, settings, log) is a fresh folder under --dir
// (default: the current folder), on the disk the records would go to.
#include "benchutil.h"

#include "app/mainseam.h"
#include "app/prompter.h"
#include "link/comm.h"
#include "link/runrecord.h"
#include "sim/devsim.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
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
};

// Answers every question with OK and keeps what was asked.
class BenchPrompter : public ql::Prompter {
public:
    QStringList asked;
    int Message(const QString& text, const QString&, Buttons, Icon) override
    {
        asked << text;
        return IdOk;
    }
    QString FileDialog(bool, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    int PickColor() override { return -1; }
    QString Input(const QString&, const QString&, const QString& def, bool* ok) override
    {
        if (ok)
            *ok = false;
        return def;
    }
    void OpenUrl(const QString&) override {}
    void RunDialog(QDialog&) override {}
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

void typeInto(QLineEdit* e, const QString& text)
{
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
    e->clearFocus();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 60;
    QString baseDir = QDir::currentPath();
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            baseDir = args[++i];
        else {
            std::fprintf(stderr, "usage: window_soak [--seconds N] [--dir folder]\n");
            return 2;
        }
    }

    QTemporaryDir home(baseDir + QStringLiteral("/window-soak-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "window_soak: cannot create a folder under %s\n", qPrintable(baseDir));
        return 1;
    }
    qputenv("QL_HOME", QFile::encodeName(home.path()));
    ql::sim::PortsDir ports;
    BenchPrompter prompts;
    ql::setPrompter(&prompts);

    // Simulators, plugged here and then handed to their own thread.
    QThread simThread;
    std::vector<std::unique_ptr<ql::sim::DeviceSim>> devs;
    std::vector<std::unique_ptr<SimCounts>> counts;
    for (int i = 0; i < kDevices; ++i) {
        auto d = std::make_unique<ql::sim::DeviceSim>(twoChannel(i) ? 18 : 11, 300);
        if (twoChannel(i))
            d->setFactors(1000, 1000, 10);
        for (int c = 0; c < d->channels(); ++c)
            d->setCell(c, 4.2, 3.0, 0.05, 100000);  // never runs flat
        if (!d->plug(ports.path(), kFirstPort + i)) {
            std::fprintf(stderr, "window_soak: cannot create a pseudo-terminal\n");
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
                    d->clearRecorded();
                });
                t->start(ms);
            },
            Qt::BlockingQueuedConnection);
    }

    // The program's window with the program's periods.
    auto w = std::make_unique<ql::frmMain>();
    const ql::frmMain::Seam seam(*w);
    w->show();
    for (int n = 1; n < kDevices; ++n)
        w->menuAddDev_Click();
    // Every decoded frame reaches run tracking as one sample.
    long long decodedOf[ql::kSlotCount] = {};
    long long running[ql::kSlotCount][ql::kChanCount] = {};
    auto track = seam.decoder().onSample;
    seam.decoder().onSample = [&](int s, int c, int run, bool data) {
        ++decodedOf[s];
        if (ql::IsRunning(run))
            ++running[s][c];
        track(s, c, run, data);
    };

    for (int n = 0; n < kDevices; ++n) {
        ql::DevCtrl* p = seam.slot(n).Panel;
        p->setTPort(ql::PortName(kFirstPort + n));
        p->ui().cmdConn->click();
        if (!seam.link().slot[size_t(n)].hComm) {
            std::fprintf(stderr, "window_soak: cannot open %s\n", qPrintable(ql::PortName(kFirstPort + n)));
            return 1;
        }
    }
    if (!spinUntil([&] {
            for (int n = 0; n < kDevices; ++n)
                if (seam.link().slot[size_t(n)].Connecting)
                    return false;
            return true;
        }, 10000)) {
        std::fprintf(stderr, "window_soak: not every device answered the connect\n");
        return 1;
    }

    // A one-ampere discharge on every channel, cut-off far below the cell.
    int channels = 0;
    for (int n = 0; n < kDevices; ++n) {
        ql::DevCtrl* p = seam.slot(n).Panel;
        const auto& u = p->ui();
        seam.tabs()->setCurrentIndex(n);
        if (p->Dev2S()) {
            for (int c = 0; c < 2; ++c) {
                typeInto(u.txtSval2S[c], QStringLiteral("1.00"));
                typeInto(u.txtSlmt2S[c], QStringLiteral("2.50"));
            }
            u.optChn2->setChecked(true);  // both channels
            u.cmdRun2S->click();
            channels += 2;
        } else {
            typeInto(u.txtSval, QStringLiteral("1.00"));
            typeInto(u.txtSlmt, QStringLiteral("2.50"));
            u.cmdRun->click();
            channels += 1;
        }
    }
    auto chans = [&](int n) { return seam.slot(n).Panel->Dev2S() ? 2 : 1; };
    if (!spinUntil([&] {
            for (int n = 0; n < kDevices; ++n)
                for (int c = 0; c < chans(n); ++c)
                    if (!seam.link().ch(n, c).Running)
                        return false;
            return true;
        }, 10000)) {
        std::fprintf(stderr, "window_soak: not every channel reports its run%s%s\n",
                     prompts.asked.isEmpty() ? "" : "; asked: ", qPrintable(prompts.asked.join(QStringLiteral(", "))));
        return 1;
    }
    seam.tabs()->setCurrentIndex(0);
    spin(2000);  // settle: allocations of the first seconds are not growth

    // Measured period.
    QMetaObject::invokeMethod(devs[0].get(), [&] { simCpu0 = qlbench::threadCpuSeconds(); },
                              Qt::BlockingQueuedConnection);
    const double cpu0 = qlbench::threadCpuSeconds();
    const long long rss0 = qlbench::residentBytes();
    QElapsedTimer wall;
    wall.start();
    std::printf("window_soak: the main window with %d devices, %d channels running, %d s at the line rate ...\n",
                kDevices, channels, seconds);
    std::fflush(stdout);
    spin(seconds * 1000);
    const double wallS = wall.nsecsElapsed() * 1e-9;
    const double cpu = qlbench::threadCpuSeconds() - cpu0;
    const long long rss1 = qlbench::residentBytes();
    QMetaObject::invokeMethod(devs[0].get(), [&] { simCpu = qlbench::threadCpuSeconds() - simCpu0; },
                              Qt::BlockingQueuedConnection);

    // The simulators stop; the backlog is what the program has not decoded
    // once the lines had a second to drain.
    for (auto& d : devs)
        QMetaObject::invokeMethod(
            d.get(),
            [p = d.get()] {
                for (QTimer* t : p->findChildren<QTimer*>())
                    t->stop();
            },
            Qt::BlockingQueuedConnection);
    spin(1000);
    long long sentAll = 0, decodedAll = 0, backlog = 0, samples = 0, rows = 0, missingRows = 0;
    std::printf("%-6s %12s %12s %12s %12s\n", "port", "sent", "decoded", "samples", ".bak rows");
    for (int n = 0; n < kDevices; ++n) {
        const long long sent = counts[size_t(n)]->framesSent;
        const long long decoded = decodedOf[n];
        long long portSamples = 0, portRows = 0;
        for (int c = 0; c < chans(n); ++c) {
            ql::RunRecord::Contents rec;
            const QString path = ql::RunRecord::PathOf(seam.tracker().RecordBase(n, c));
            if (ql::RunRecord::Read(path, &rec) != ql::RunRecord::ReadStatus::Ok) {
                std::fprintf(stderr, "window_soak: cannot read %s\n", qPrintable(path));
                return 1;
            }
            portSamples += running[n][c];
            portRows += rec.rows.size();
            if (rec.rows.size() != running[n][c] || !rec.skipped.isEmpty()) {
                ++missingRows;
                std::fprintf(stderr, "window_soak: slot %d channel %d: %lld running samples, %lld rows, %lld skipped\n",
                             n, c, running[n][c], static_cast<long long>(rec.rows.size()),
                             static_cast<long long>(rec.skipped.size()));
            }
        }
        std::printf("%-6s %12lld %12lld %12lld %12lld\n", qPrintable(ql::PortName(kFirstPort + n)), sent, decoded,
                    portSamples, portRows);
        sentAll += sent;
        decodedAll += decoded;
        backlog += std::max(0LL, sent - decoded);
        samples += portSamples;
        rows += portRows;
    }
    const double growthPerHour = double(rss1 - rss0) / wallS * 3600.0;
    std::printf("%-6s %12lld %12lld %12lld %12lld\n", "all", sentAll, decodedAll, samples, rows);
    std::printf("reply backlog at the end        %lld frames%s\n", backlog, backlog ? "  (BEHIND)" : "");
    std::printf("running samples / .bak rows     %s\n", missingRows ? "MISSING ROWS" : "every sample has its row");
    std::printf("interface thread CPU            %.2f s in %.1f s = %.1f %% of one core\n", cpu, wallS,
                100 * cpu / wallS);
    std::printf("simulator thread CPU            %.2f s = %.1f %% of one core\n", simCpu.load(), 100 * simCpu / wallS);
    std::printf("resident memory                 %.1f MiB -> %.1f MiB\n", rss0 / 1048576.0, rss1 / 1048576.0);
    std::printf("memory growth per hour          %.1f MiB\n", growthPerHour / 1048576.0);
    if (!prompts.asked.isEmpty())
        std::printf("questions asked                 %s\n", qPrintable(prompts.asked.join(QStringLiteral(", "))));

    w.reset();
    for (auto& d : devs)
        QMetaObject::invokeMethod(
            d.get(),
            [p = d.get()] {
                qDeleteAll(p->findChildren<QTimer*>());
                p->unplug();
            },
            Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    ql::setPrompter(nullptr);
    return (backlog == 0 && missingRows == 0) ? 0 : 1;
}
