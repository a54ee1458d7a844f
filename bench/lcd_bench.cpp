// lcd_bench: what a readout costs per sample.
//
// What it measures
//   A seven-segment readout set up like the panel's (four digits, white face)
//   and a wide one (twelve digits, a shaded 3D theme). For each it times, as
//   medians over many repetitions:
//     - a value change that alters one digit ("12.34" -> "12.35"): only that
//       cell is repainted, as the widget's paint events show (the region
//       and the cells it touches);
//     - a value change that alters every digit;
//     - a full rebuild (a look property changes, every cell and the
//       background are drawn again).
//   It prints the cells repainted and the repainted area for each, and exits
//   1 when a one-digit change repaints more than one cell.
//
// How to run (Release build):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_BENCH=ON
//   cmake --build build/bench --target lcd_bench
//   QT_QPA_PLATFORM=offscreen build/bench/bench/lcd_bench
#include "controls/lcdisp.h"
#include "lcdcells.h"
#include "paintwatch.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double medianUs(int reps, const std::function<void(int)>& f)
{
    std::vector<double> t;
    t.reserve(size_t(reps));
    for (int i = 0; i < reps; ++i) {
        const auto t0 = Clock::now();
        f(i);
        t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

long long area(const QRegion& r)
{
    long long a = 0;
    for (const QRect& x : r)
        a += (long long)x.width() * x.height();
    return a;
}

int cellsIn(const ql::LCDisp& d, const QRegion& r)
{
    int n = 0;
    for (int i = 0; i < d.NumDigits(); ++i)
        n += r.intersects(qltest::LcdCell(d, i)) ? 1 : 0;
    return n;
}

// What the widget repaints for one change.
QRegion repainted(ql::LCDisp& d, const std::function<void()>& change)
{
    qltest::PaintWatch watch(&d);
    watch.Flush();
    change();
    return watch.Flush().value_or(QRegion(d.rect()));
}

struct Figures {
    double oneUs, allUs, rebuildUs;
    int oneCells, allCells, rebuildCells;
    long long oneArea, allArea, widgetArea;
};

Figures measure(ql::LCDisp& d, const QString& a, const QString& aOne, const QString& b)
{
    Figures f{};
    const int reps = 2000;
    f.widgetArea = (long long)d.width() * d.height();
    d.setValue(a);
    // One digit: alternate between two values that differ in the last cell.
    f.oneUs = medianUs(reps, [&](int i) { d.setValue(i % 2 ? a : aOne); });
    d.setValue(a);
    const QRegion one = repainted(d, [&] { d.setValue(aOne); });
    f.oneCells = cellsIn(d, one);
    f.oneArea = area(one);
    // Every digit.
    f.allUs = medianUs(reps, [&](int i) { d.setValue(i % 2 ? a : b); });
    d.setValue(a);
    const QRegion all = repainted(d, [&] { d.setValue(b); });
    f.allCells = cellsIn(d, all);
    f.allArea = area(all);
    // Full rebuild: a look property changes.
    const uint32_t c0 = d.SegmentLitColor();
    f.rebuildUs = medianUs(reps / 4, [&](int i) { d.setSegmentLitColor(i % 2 ? c0 : 0x0000FF); });
    f.rebuildCells = cellsIn(d, repainted(d, [&] { d.setSegmentLitColor(c0 == 0x0000FF ? 0x00FF00 : 0x0000FF); }));
    return f;
}

void print(const char* name, const Figures& f)
{
    std::printf("%s\n", name);
    std::printf("  one digit changes   %8.1f us  cells %2d  updated %6lld px of %lld\n", f.oneUs, f.oneCells, f.oneArea,
                f.widgetArea);
    std::printf("  every digit changes %8.1f us  cells %2d  updated %6lld px\n", f.allUs, f.allCells, f.allArea);
    std::printf("  full rebuild        %8.1f us  cells %2d  (whole surface)\n", f.rebuildUs, f.rebuildCells);
    std::printf("  one digit / rebuild  %.1f %%\n", 100 * f.oneUs / f.rebuildUs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The panel's readout: four digits on a white face.
    ql::LCDisp panel;
    panel.resize(150, 52);
    panel.setBackColor1(0x00FFFFFF);
    panel.setBackColor2(0x00FFFFFF);
    panel.setBorderWidth(1);
    panel.setSegmentFillStyle(1);
    panel.setShowExponent(false);
    panel.setNumDigits(4);
    panel.setSegmentHeight(14);
    panel.setSegmentWidth(4);
    panel.setInterDigitGap(6);
    panel.setSegmentLitColor(0x0000C0);

    // A wide shaded readout.
    ql::LCDisp wide;
    wide.resize(560, 90);
    wide.setTheme(2);
    wide.setNumDigits(12);
    wide.setShowExponent(false);
    wide.setSegmentHeight(18);
    wide.setSegmentWidth(5);

    panel.show();
    wide.show();
    const Figures p = measure(panel, QStringLiteral("12.34"), QStringLiteral("12.35"), QStringLiteral("56.78"));
    const Figures w = measure(wide, QStringLiteral("1234567.890"), QStringLiteral("1234567.891"),
                              QStringLiteral("9876543.210"));
    print("panel readout (4 digits, 150x52)", p);
    print("wide readout (12 digits, theme 2, 560x90)", w);
    return (p.oneCells == 1 && w.oneCells == 1) ? 0 : 1;
}
