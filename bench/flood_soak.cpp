// flood_soak: ports that deliver bytes faster than the program reads, against
// the real main window; prints resident memory as it goes.
//
// What it measures
//   N simulated devices (default 4) on pseudo-terminals COM3.. are connected
//   and identified as usual, then each floods its line from a thread of its
//   own as fast as the line takes bytes (a USB device not held to the line
//   rate, a faulty adapter): the even slots with junk bytes, the odd ones
//   with copies of a valid data reply of an idle device. The program's main
//   window (offscreen, on the program's own periods) connects each device
//   with its panel's Connect button and polls every port every 50 ms.
//
//   Reports, once a second: resident memory. At the end: bytes flooded and
//   still waiting on the line per port, frames decoded per second, error-log
//   lines, CPU share of the interface thread, and the resident-memory growth
//   over the flood.
//   Exit code 1 when memory grew by more than 32 MiB or a port stopped
//   delivering frames.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target flood_soak
//   build/bench/bench/flood_soak [--seconds 20] [--ports 4]
#include "benchutil.h"

#include "app/mainseam.h"
#include "link/comm.h"
#include "platform/services.h"
#include "sim/devsim.h"

#include <QApplication>
#include <QPushButton>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kFirstPort = 3;
constexpr long long kAllowedGrowth = 32LL << 20;

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double mib(long long bytes) { return double(bytes) / 1048576.0; }

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 20, ports = 4;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--ports") && i + 1 < args.size())
            ports = std::clamp(args[++i].toInt(), 1, ql::kMaxDevices);
        else {
            std::fprintf(stderr, "usage: flood_soak [--seconds N] [--ports N]\n");
            return 2;
        }
    }

    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("QL_HOME", QFile::encodeName(home.path()));
    QDir(home.path()).mkpath(QStringLiteral("Log"));
    ql::sim::PortsDir portsDir;

    ql::frmMain w;
    const ql::frmMain::Seam seam(w);
    w.show();
    for (int s = 1; s < ports; ++s)
        w.menuAddDev_Click();
    const ql::LinkState& st = seam.link();

    std::vector<std::unique_ptr<ql::sim::DeviceSim>> devs;
    for (int s = 0; s < ports; ++s) {
        auto d = std::make_unique<ql::sim::DeviceSim>(11, 300);
        if (!d->plug(portsDir.path(), kFirstPort + s)) {
            std::fprintf(stderr, "flood_soak: cannot create a pseudo-terminal\n");
            return 1;
        }
        d->start(1000);
        ql::DevCtrl* p = seam.slot(s).Panel;
        p->setTPort(ql::PortName(kFirstPort + s));
        p->ui().cmdConn->click();
        if (!st.slot[size_t(s)].hComm) {
            std::fprintf(stderr, "flood_soak: cannot open %s\n", qPrintable(ql::PortName(kFirstPort + s)));
            return 1;
        }
        devs.push_back(std::move(d));
    }
    QElapsedTimer wait;
    wait.start();
    auto identified = [&] {
        for (int s = 0; s < ports; ++s)
            if (st.slot[size_t(s)].DevType == 0)
                return false;
        return true;
    };
    while (!identified() && wait.elapsed() < 5000)
        spin(10);
    if (!identified()) {
        std::fprintf(stderr, "flood_soak: not every device answered the connect\n");
        return 1;
    }

    for (int s = 0; s < ports; ++s) {
        devs[size_t(s)]->stop();  // no more replies of its own: only the flood
        devs[size_t(s)]->startFlood(s % 2 == 0 ? ql::sim::DeviceSim::Flood::Junk
                                               : ql::sim::DeviceSim::Flood::Frames);
    }
    spin(2000);  // the buffers fill up: their size is not growth

    std::printf("flood_soak: %d ports flooding (junk on even slots, frames on odd ones), %d s\n", ports, seconds);
    const long long rss0 = qlbench::residentBytes();
    long long rssMax = rss0;
    // Every decoded frame reaches run tracking as one sample.
    std::vector<long long> decoded(size_t(ports), 0);
    auto track = seam.decoder().onSample;
    seam.decoder().onSample = [&](int s, int c, int run, bool data) {
        ++decoded[size_t(s)];
        track(s, c, run, data);
    };
    const double cpu0 = qlbench::threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int t = 1; t <= seconds; ++t) {
        spin(1000);
        const long long rss = qlbench::residentBytes();
        rssMax = std::max(rssMax, rss);
        std::printf("  %3d s  resident %.1f MiB\n", t, mib(rss));
        std::fflush(stdout);
    }
    const double wallS = wall.nsecsElapsed() * 1e-9;
    const double cpu = qlbench::threadCpuSeconds() - cpu0;

    bool framesFlowed = true;
    std::printf("%-6s %-6s %14s %14s %12s\n", "port", "flood", "flooded", "on the line", "frames/s");
    for (int s = 0; s < ports; ++s) {
        const double perSecond = double(decoded[size_t(s)]) / wallS;
        std::printf("%-6s %-6s %14lld %14lld %12.0f\n", qPrintable(ql::PortName(kFirstPort + s)),
                    s % 2 == 0 ? "junk" : "frames", static_cast<long long>(devs[size_t(s)]->floodBytes()),
                    static_cast<long long>(devs[size_t(s)]->unread()), perSecond);
        if (s % 2 == 1 && perSecond < 1)
            framesFlowed = false;
    }
    const long long growth = rssMax - rss0;
    QFile logFile(ql::ErrLogPath(QDate::currentDate()));
    long long portLines = 0;
    if (logFile.open(QIODevice::ReadOnly))
        portLines = logFile.readAll().count("\r\n");
    std::printf("error log lines                 %lld (the serial layer: one per flooded port)\n", portLines);
    std::printf("interface thread CPU            %.2f s in %.1f s = %.1f %% of one core\n", cpu, wallS,
                100 * cpu / wallS);
    std::printf("resident memory                 %.1f MiB at the start, %.1f MiB at most: %+.1f MiB\n", mib(rss0),
                mib(rssMax), mib(growth));

    for (auto& d : devs)
        d->stopFlood();
    devs.clear();
    if (growth > kAllowedGrowth) {
        std::fprintf(stderr, "flood_soak: memory grew by %.1f MiB\n", mib(growth));
        return 1;
    }
    if (!framesFlowed) {
        std::fprintf(stderr, "flood_soak: a flooding port delivered no frames\n");
        return 1;
    }
    return 0;
}
