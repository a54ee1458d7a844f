// Times the curve chart: appending points and full drawing passes of large
// charts. Prints its figures; it asserts nothing.
#include "controls/curvegraph.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Resident memory of the process in bytes.
long long residentBytes()
{
    std::ifstream f("/proc/self/statm");
    long long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * 4096;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Ten curves of live-looking data: two channels of voltage, current, power,
// capacity and energy over the given number of seconds.
void fill(ql::CurveGraph& g, int points)
{
    g.ClearAll();
    for (int c = 0; c < 10; ++c) {
        g.setShowCurve(c, true);
        g.setCurveAxesY(c, c % 5 == 1 ? 1 : 0);
    }
    for (int i = 0; i < points; ++i) {
        const float t = float(i);
        const float f = float(i) / float(points);
        for (int ch = 0; ch < 2; ++ch) {
            const float v = 4.2f - 1.2f * f - 0.3f * f * f * f + 0.01f * std::sin(t * 0.37f + ch);
            const float a = 1.5f + 0.5f * ch + 0.02f * std::sin(t * 1.3f);
            g.AddXY(ch * 5 + 0, t, v * (ch + 1) * 2);
            g.AddXY(ch * 5 + 1, t, a);
            g.AddXY(ch * 5 + 2, t, v * a);
            g.AddXY(ch * 5 + 3, t, a * t / 3600);
            g.AddXY(ch * 5 + 4, t, v * a * t / 3600);
        }
    }
    g.setMinX(0);
    g.setMaxX(float(points));
    g.setMaxY(0, 20);
    g.setMaxY(1, 5);
}

void timeDraw(ql::CurveGraph& g, const char* what, int runs)
{
    std::vector<double> t;
    g.DrawCurve();  // warm up
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        g.DrawCurve();
        t.push_back(msSince(t0));
    }
    std::printf("%-52s median %7.2f ms  (min %.2f, max %.2f, %d runs)\n", what, median(t),
                *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()), runs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    ql::CurveGraph g;
    g.setCurveCount(10);
    g.resize(1000, 600);
    g.show();
    QApplication::processEvents();

    // Appending: one curve of 1,000,000 points.
    {
        g.ClearAll();
        const long long before = residentBytes();
        std::vector<double> t;
        for (int r = 0; r < 5; ++r) {
            g.Clear(0);
            const auto t0 = Clock::now();
            for (int i = 0; i < 1000000; ++i)
                g.AddXY(0, float(i), float(i % 1000) * 0.01f);
            t.push_back(msSince(t0));
        }
        const long long after = residentBytes();
        std::printf("%-52s median %7.2f ms  (%.1f ns per point)\n", "AddXY 1,000,000 points to one curve",
                    median(t), median(t) * 1e6 / 1000000);
        std::printf("%-52s %7.2f bytes per point (resident growth)\n", "memory of 1,000,000 points",
                    double(after - before) / 1000000.0);
        g.Clear(0);
    }

    {
        const long long before = residentBytes();
        fill(g, 1000000);
        const long long after = residentBytes();
        std::printf("%-52s %7.2f bytes per point (resident growth)\n", "memory of 10 x 1,000,000 points",
                    double(after - before) / 1e7);
    }
    timeDraw(g, "DrawCurve 10 x 1,000,000 points, 1000 x 600", 21);
    // A zoomed view over the middle of the data (the band's scan included).
    g.setMinX(400000);
    g.setMaxX(600000);
    g.setLarge(true);
    timeDraw(g, "DrawCurve 10 x 1,000,000 points, zoomed to a fifth", 21);
    g.setLarge(false);

    fill(g, 86400);
    timeDraw(g, "DrawCurve 10 x 86,400 points, 1000 x 600", 31);
    g.setYStep(true);
    timeDraw(g, "DrawCurve 10 x 86,400 points, steps", 31);
    g.setYStep(false);
    return 0;
}
