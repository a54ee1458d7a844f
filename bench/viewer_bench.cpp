// The stored-data viewer opening a 2,000,000-row data file: reading it, and
// the whole "Open Data" from the chosen file to the drawn chart. Prints its
// figures; it asserts nothing. Run it from a Release build.
#include "controls/curvegraph.h"
#include "platform/prompter.h"
#include "platform/runfile.h"
#include "views/datareader.h"
#include "views/dataviewer.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A data file as the program writes it: header lines, then one row a
// second of a slow discharge with noise on current and voltage.
QString writeDataFile(const QTemporaryDir& dir, int rows)
{
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    const ql::RowLayout layout = ql::DataFileRowLayout(true, 1000, false);
    const QStringList header = {ql::DataFileBanner(),
                                ql::HeaderLine(ql::colDevice, QStringLiteral("QL-K01")),
                                ql::HeaderLine(ql::colMode, QStringLiteral("D-CC  1.00A  3.00V")),
                                ql::HeaderLine(ql::colBeginVolt, QStringLiteral("4.200V")),
                                ql::HeaderLine(ql::colTitle, QStringLiteral("Long run")),
                                ql::FileTrailer(),
                                ql::ColumnTitles(false, false).join(layout.sep)};
    QByteArray text = (header.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    text.reserve(rows * 20);
    uint32_t s = 1;
    for (int i = 0; i < rows; ++i) {
        s = s * 1103515245u + 12345u;
        const double noise = double((s >> 8) & 0xFFFF) / 65536.0 - 0.5;
        const double volt = 4.2 - 1.2 * i / rows + noise * 0.004;
        const double amps = 1.0 + noise * 0.01;
        text += ql::FormatRow(layout, i, float(amps), float(volt), 0).toLatin1();
        text += "\r\n";
    }
    f.write(text);
    return path;
}

// Answers OK to every box and the viewer's dialogs with their defaults
// (time on the X axis).
class Answering final : public ql::Prompter {
public:
    int Message(const QString&, const QString&, Buttons, Icon) override { return IdOk; }
    QString FileDialog(bool, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    int PickColor() override { return -1; }
    QString Input(const QString&, const QString&, const QString&, bool* ok) override
    {
        *ok = false;
        return {};
    }
    void OpenUrl(const QString&) override {}
    void RunDialog(QDialog& d) override
    {
        if (auto* t = qobject_cast<ql::frmType*>(&d))
            t->optVT->setChecked(true);
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Answering answering;
    ql::setPrompter(&answering);
    QTemporaryDir dir;
    constexpr int kRows = 2000000;
    const QString path = writeDataFile(dir, kRows);
    if (path.isEmpty()) {
        std::fprintf(stderr, "viewer_bench: cannot write the data file\n");
        return 1;
    }
    std::printf("data file of %d rows, %.1f MB\n", kRows, QFile(path).size() / 1e6);

    std::vector<double> read;
    for (int r = 0; r < 5; ++r) {
        const auto t0 = Clock::now();
        const ql::DataFileRead file = ql::ReadDataFile(path, ',');
        read.push_back(msSince(t0));
        if (file.rows.size() != size_t(kRows))
            std::fprintf(stderr, "viewer_bench: %zu rows read\n", file.rows.size());
    }
    std::printf("%-52s median %7.1f ms\n", "reading the file", median(read));

    std::vector<double> open;
    for (int r = 0; r < 5; ++r) {
        ql::frmData viewer(ql::ViewerEnv{});
        viewer.resize(900, 620);
        viewer.show();
        QApplication::processEvents();
        const auto t0 = Clock::now();
        const bool ok = viewer.OpenDataFile(path);
        viewer.chart()->findChild<QWidget*>(QStringLiteral("picGraph"))->repaint();
        open.push_back(msSince(t0));
        if (!ok || viewer.chart()->DpCnt(0) != kRows)
            std::fprintf(stderr, "viewer_bench: the file did not open whole\n");
    }
    std::printf("%-52s median %7.1f ms  (min %.1f, max %.1f)\n", "Open Data: read, curves, grid, drawn chart",
                median(open), *std::min_element(open.begin(), open.end()), *std::max_element(open.begin(), open.end()));
    return 0;
}
