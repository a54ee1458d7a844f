#include "views/datafile.h"

#include "link/runrecord.h"
#include "platform/numfmt.h"
#include "platform/services.h"
#include "platform/wholefile.h"

#include <cmath>

namespace ql {

namespace {

QString dataBanner() { return QStringLiteral("-----------QL Tester Software-----------"); }

} // namespace

QStringList DataFileLines(const RunPanelIf& panel, const RunGridIf& grid, const RunChartIf& chart,
                          const DataFileOptions& o)
{
    const QString sep = o.csv ? QStringLiteral(",") : QStringLiteral("\t");
    QStringList lines;
    lines << dataBanner();

    const bool stepForm = panel.Test() == 3 && !panel.tStepList(1, 1).isEmpty() && !o.stepBusy;
    if (stepForm) {
        const int rows = panel.StepListCnt();
        for (int r = 0; r < rows; ++r) {
            if (panel.tStepList(r, 1).isEmpty())
                continue;
            lines << QLatin1Char('*') + QStringList{panel.tStepList(r, 0), panel.tStepList(r, 1),
                                                    panel.tStepList(r, 2), panel.tStepList(r, 3)}
                                            .join(sep);
        }
    } else {
        for (int c = 0; c <= 6; ++c)
            lines << grid.text(0, c) + QLatin1Char(':') + grid.text(o.chn + 1, c);
    }
    lines << QStringLiteral("Title:") + chart.TitleText();
    lines << FileTrailer();
    lines << RunRecord::ColumnTitles(o.withTemp, o.devType).join(sep);

    const int v = o.chn * 5;
    const int count = chart.DpCnt(v);
    if (count > 0 && o.runStartPt >= 0 && o.runStartPt < count) {
        const QString curFmt = o.curFactor == 100 ? QStringLiteral("0.00") : QStringLiteral("0.000");
        // Whole seconds of every point, the run's first included, so the first
        // row is 0 also when the chart holds fractional times.
        const long long base = static_cast<long long>(std::floor(chart.DpX(v, o.runStartPt)));
        const int curCount = chart.DpCnt(v + 1);
        const int auxCount = chart.DpCnt(v + 2);
        for (int i = o.runStartPt; i < count; ++i) {
            const long long t = static_cast<long long>(std::floor(chart.DpX(v, i))) - base;
            QString row = QString::number(t) + sep +
                          Format(i < curCount ? chart.DpY(v + 1, i) : 0.0, curFmt) + sep +
                          Format(chart.DpY(v, i), QStringLiteral("0.000"));
            if (o.withTemp)
                row += sep + Format(i < auxCount ? chart.DpY(v + 2, i) : 0.0, QStringLiteral("0.0"));
            lines << row;
        }
    }
    return lines;
}

bool WriteDataFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    QString error;
    if (SaveWholeFile(path, bytes, &error))
        return true;
    ErrLog(QStringLiteral("ErrSaveData"), path + QStringLiteral(": ") + error);
    return false;
}

bool SaveDataFile(const LinkState& state, RunHostIf& host, int slot, int chn, const QString& path)
{
    const SlotState& s = state.slot.at(slot);
    DataFileOptions o;
    o.chn = chn == 1 ? 1 : 0;
    o.csv = host.SaveCsv();
    o.withTemp = host.MenuTemp() && s.TempOk;
    o.devType = s.DevType;
    o.curFactor = s.CurFactor;
    o.runStartPt = s.chn[o.chn].RunStartPt;
    o.stepBusy = s.StepRunning;
    return WriteDataFile(path, DataFileLines(*host.panel(slot), *host.grid(slot), *host.chart(slot), o));
}

QString ProposedDataFileName(const QDateTime& when, const QString& device, int slot, int chn, bool dev2s)
{
    QString name = DateStem(when) + QLatin1Char('-') + DeviceNamePart(device) + QStringLiteral("-%1-%2").arg(slot + 1).arg(chn + 1);
    if (dev2s)
        name += QStringLiteral("-%1").arg(chn + 1);
    return name;
}

QString SaveDataTitle(int slot, int chn, bool dev2s)
{
    QString title = Lang(QStringLiteral("Save Data--Device%1").arg(slot + 1));
    if (dev2s)
        title += QStringLiteral("-Channel%1").arg(chn + 1);
    return title;
}

QString DataFileFilter(bool csv)
{
    return csv ? QStringLiteral("csv file(*.csv)|*.csv") : QStringLiteral("data file(*.dat)|*.dat");
}

QString DataFileExtension(bool csv) { return csv ? QStringLiteral("csv") : QStringLiteral("dat"); }

QString WithDataExtension(const QString& path, bool csv)
{
    const QString ext = DataFileExtension(csv);
    return path.right(3) == ext ? path : path + QLatin1Char('.') + ext;
}

} // namespace ql
