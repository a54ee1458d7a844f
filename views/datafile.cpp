#include "views/datafile.h"

#include "link/modeltable.h"
#include "link/runrecord.h"
#include "platform/filetext.h"
#include "platform/runfile.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/wholefile.h"

#include <cmath>

namespace ql {

QStringList DataFileLines(const ChanState& chn, const DataFileOptions& o)
{
    const RowLayout layout = DataFileRowLayout(o.csv, o.curFactor, o.withTemp);
    const QString sep(layout.sep);
    QStringList lines;
    lines << DataFileBanner();

    if (!o.stepRows.isEmpty()) {
        for (const QStringList& r : o.stepRows) {
            if (r.value(1).isEmpty())
                continue;
            lines << QLatin1Char('*') + QStringList{r.value(0), r.value(1), r.value(2), r.value(3)}.join(sep);
        }
    } else {
        const std::array<QString, kRunCells> cells = RunRowTexts(chn);
        for (int c = 0; c < kRunCells; ++c)
            lines << HeaderLine(c, cells[size_t(c)]);
    }
    lines << HeaderLine(colTitle, o.title);
    lines << FileTrailer();
    lines << ColumnTitles(o.withTemp, HasQuirk(o.devType, kMilliAmps)).join(sep);

    const PointSeries& volt = chn.Curves[kCurveVolt];
    const PointSeries& cur = chn.Curves[kCurveCur];
    const PointSeries& third = chn.Curves[kCurveThird];
    const size_t count = volt.size();
    if (o.runStartPt < 0 || size_t(o.runStartPt) >= count)
        return lines;
    // Whole seconds of every point, the run's first included, so the first
    // row is 0 also when the curves hold fractional times.
    const auto secs = [&volt](size_t i) { return static_cast<long long>(std::floor(volt[i].X)); };
    const long long base = secs(size_t(o.runStartPt));
    for (size_t i = size_t(o.runStartPt); i < count; ++i)
        lines << FormatRow(layout, secs(i) - base, i < cur.size() ? cur[i].Y : 0.0f, volt[i].Y,
                           i < third.size() ? third[i].Y : 0.0f);
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
