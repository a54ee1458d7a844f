#include "link/runrecord.h"

#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/wholefile.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace ql {

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

// A header line of the key: its value goes to value.
bool takeKey(const QString& line, int key, bool* has, QString* value)
{
    const QString prefix = HeaderLine(key, QString());
    if (!line.startsWith(prefix))
        return false;
    *has = true;
    *value = line.mid(prefix.size());
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

QStringList HeaderLines(const Header& h)
{
    return {RecordBanner(),
            HeaderLine(h.deviceKey, h.device),
            HeaderLine(h.modeKey, h.mode),
            HeaderLine(h.beginKey, h.begin),
            FileTrailer(),
            h.columns.join(QLatin1Char(kRecordSep))};
}

bool Create(const QString& path, const Header& h, QString* error)
{
    return SaveWholeLines(path, HeaderLines(h), error);
}

bool Supersede(const QString& path, QString* error)
{
    return OverwriteHead(path, (SupersededBanner() + QStringLiteral("\r\n")).toUtf8(), error);
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
        if (takeKey(line, colDevice, &out->hasDevice, &out->device) ||
            takeKey(line, colMode, &out->hasMode, &out->mode) ||
            takeKey(line, colBeginVolt, &out->hasBegin, &out->begin))
            continue;
        if (line.isEmpty() || !line.at(0).isDigit() || line.at(0).unicode() > '9')
            continue;  // banner, trailer, column titles
        if (i == complete) {
            out->skipped << where + QStringLiteral(" (cut off)");
            continue;
        }
        const QStringList f = line.split(QLatin1Char(kRecordSep));
        Row row;
        if (f.size() <= rowVolt || !parseSeconds(f[rowTime], &row.t) || !parseValue(f[rowCur], &row.cur) ||
            !parseValue(f[rowVolt], &row.volt)) {
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
