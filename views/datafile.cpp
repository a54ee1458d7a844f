#include "views/datafile.h"

#include "link/runrecord.h"
#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/wholefile.h"

#include <cmath>

namespace ql {

namespace {

QString dataBanner() { return QStringLiteral("-----------QL Tester Software-----------"); }

} // namespace

QStringList DataFileLines(const ChanState& chn, const CurveDataIf& chart, const DataFileOptions& o)
{
    const QString sep = o.csv ? QStringLiteral(",") : QStringLiteral("\t");
    QStringList lines;
    lines << dataBanner();

    if (!o.stepRows.isEmpty()) {
        for (const QStringList& r : o.stepRows) {
            if (r.value(1).isEmpty())
                continue;
            lines << QLatin1Char('*') + QStringList{r.value(0), r.value(1), r.value(2), r.value(3)}.join(sep);
        }
    } else {
        const std::array<QString, 7> cells = RunRowTexts(chn);
        for (size_t c = 0; c < cells.size(); ++c)
            lines << QLatin1String(kRunHeaders[c]) + QLatin1Char(':') + cells[c];
    }
    lines << QStringLiteral("Title:") + o.title;
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
    return SaveWholeLinesLogged(path, lines, QStringLiteral("ErrSaveData"));
}

DataFileOptions DataFileOptionsOf(const SlotState& s, int chn, bool menuTemp)
{
    DataFileOptions o;
    o.chn = chn == 1 ? 1 : 0;
    o.csv = settings().SaveCsv;
    o.withTemp = menuTemp && s.TempOk;
    o.devType = s.DevType;
    o.curFactor = s.CurFactor;
    o.runStartPt = s.chn[size_t(o.chn)].RunStartPt;
    o.title = s.TitleText;
    return o;
}

bool SaveDataFile(const LinkState& state, int slot, const CurveDataIf& chart, const DataFileOptions& o,
                  const QString& path)
{
    return WriteDataFile(path, DataFileLines(state.ch(slot, o.chn), chart, o));
}

QString ProposedDataFileName(const QDateTime& when, const QString& device, int slot, int chn, bool dev2s)
{
    QString name = DateStem(when) + QLatin1Char('-') + FileNamePart(device) + QStringLiteral("-%1-%2").arg(slot + 1).arg(chn + 1);
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
