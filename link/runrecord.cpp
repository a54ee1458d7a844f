#include "link/runrecord.h"

#include "link/modeltable.h"
#include "link/recordfile.h"
#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/wholefile.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace ql {

QString RecordBanner() { return QStringLiteral("-----------QL Tester Software------------"); }

QString SupersededBanner() { return QStringLiteral("-----------QL Tester Software--superseded"); }

QString FileTrailer() { return QStringLiteral("------------www.qltester.example--------------"); }

QString DateStem(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("%1-%2-%3-%4-%5-%6")
        .arg(d.year()).arg(d.month()).arg(d.day())
        .arg(t.hour()).arg(t.minute()).arg(t.second());
}

namespace RunRecord {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Whole seconds: decimal digits only.
bool parseSeconds(const QString& s, int32_t* out)
{
    if (s.isEmpty() || s.size() > 10)
        return false;
    for (QChar c : s)
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    bool ok = false;
    const qlonglong v = s.toLongLong(&ok);
    if (!ok || v > INT32_MAX)
        return false;
    *out = static_cast<int32_t>(v);
    return true;
}

// A current or voltage the device can have reported: finite, not negative
// and not above kMaxReading (half a last digit of slack for the rounding
// of the row's format).
bool parseValue(const QString& s, float* out)
{
    const std::optional<double> v = ReadNumber(s);
    if (!v || *v < 0 || *v > kMaxReading + 0.005)
        return false;
    *out = static_cast<float>(*v);
    return true;
}

} // namespace

QString BaseName(const QString& programDir, const QString& device, const QString& port, int slot, int chn)
{
    // Neither part may lead out of the program folder: the port keeps only
    // the letters and digits a port name has, the device name loses path
    // separators.
    QString portPart;
    for (QChar c : port)
        if (c.unicode() < 128 && c.isLetterOrNumber())
            portPart += c;
    return programDir + QStringLiteral("/ql-") + FileNamePart(device) + QLatin1Char('-') + portPart + QLatin1Char('-') +
           QString::number(slot + 1) + QLatin1Char('-') + QString::number(chn + 1);
}

QStringList ColumnTitles(bool withTemp, int devType)
{
    if (withTemp)
        return {QStringLiteral("Time(S)"), QStringLiteral("Cur(A)"), QStringLiteral("Vol(V)"), QStringLiteral("Temp(C)")};
    return {QStringLiteral("Time(S)"), HasQuirk(devType, kMilliAmps) ? QStringLiteral("Cur(mA)") : QStringLiteral("Cur(A)"),
            QStringLiteral("Vol(V)")};
}

QStringList HeaderLines(const Header& h)
{
    return {RecordBanner(),
            h.deviceKey + QLatin1Char(':') + h.device,
            h.modeKey + QLatin1Char(':') + h.mode,
            h.beginKey + QLatin1Char(':') + h.begin,
            FileTrailer(),
            h.columns.join(QLatin1Char('\t'))};
}

bool Create(const QString& path, const Header& h, QString* error)
{
    return SaveWholeLines(path, HeaderLines(h), error);
}

bool Supersede(const QString& path, QString* error)
{
    return OverwriteHead(path, (SupersededBanner() + QStringLiteral("\r\n")).toUtf8(), error);
}

QString FormatRow(int32_t runSecs, float cur, float volt, float temp, int curFactor, bool withTemp)
{
    QString row = QString::number(runSecs) + QLatin1Char('\t') +
                  Format(cur, curFactor == 100 ? QStringLiteral("00.00") : QStringLiteral("0.000")) +
                  QLatin1Char('\t') + Format(volt, QStringLiteral("0.000"));
    if (withTemp)
        row += QLatin1Char('\t') + Format(temp, QStringLiteral("0.0"));
    return row;
}

bool AppendRow(const QString& path, const QString& row, QString* error)
{
    RecordFiles file;
    file.setSyncPeriod(std::chrono::milliseconds(0));  // every row synced at once
    return file.Append(0, 0, path, row, error);
}

ReadStatus Read(const QString& path, Contents* out, QString* error)
{
    *out = Contents{};
    QFile file(path);
    if (!file.exists())
        return ReadStatus::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return ReadStatus::Unreadable;
    }
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return ReadStatus::Unreadable;
    }

    const QList<QByteArray> raw = all.split('\n');
    // split() leaves one last piece after the final line end: empty when the
    // file ends with a complete line, the cut-off text otherwise.
    const qsizetype complete = raw.size() - 1;
    int32_t previous = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QByteArray bytes = raw[i];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (i == complete && bytes.isEmpty())
            break;
        const QString line = QString::fromUtf8(bytes);
        if (i == 0 && line == SupersededBanner()) {
            out->superseded = true;
            break;
        }
        const QString where = QStringLiteral("line %1: %2").arg(i + 1).arg(line);
        if (line.startsWith(QLatin1String("Device:"))) {
            out->hasDevice = true;
            out->device = line.mid(7);
            continue;
        }
        if (line.startsWith(QLatin1String("Mode:"))) {
            out->hasMode = true;
            out->mode = line.mid(5);
            continue;
        }
        if (line.startsWith(QLatin1String("Begin Volt:"))) {
            out->hasBegin = true;
            out->begin = line.mid(11);
            continue;
        }
        if (line.isEmpty() || !line.at(0).isDigit() || line.at(0).unicode() > '9')
            continue;  // banner, trailer, column titles
        if (i == complete) {
            out->skipped << where + QStringLiteral(" (cut off)");
            continue;
        }
        const QStringList f = line.split(QLatin1Char('\t'));
        Row row;
        if (f.size() < 3 || !parseSeconds(f[0], &row.t) || !parseValue(f[1], &row.cur) ||
            !parseValue(f[2], &row.volt)) {
            out->skipped << where;
            continue;
        }
        if (row.t < previous) {
            out->skipped << where + QStringLiteral(" (time goes back)");
            continue;
        }
        previous = row.t;
        out->rows << row;
    }
    return ReadStatus::Ok;
}

} // namespace RunRecord
} // namespace ql
