#include "views/datareader.h"

#include "platform/numfmt.h"
#include "platform/profile.h"
#include "platform/rounding.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace ql {

namespace {

// No tester run comes near a billion seconds, amperes or volts; larger
// values are damage, and keeping them out keeps every sum finite.
constexpr double kMaxField = 1e9;

// A whole field as a finite number: blanks around it and one leading "+"
// are allowed; anything else (empty, letters, a second number) is refused.
bool ParseField(const char* b, const char* e, float& out)
{
    while (b < e && (*b == ' ' || *b == '\r'))
        ++b;
    while (e > b && (e[-1] == ' ' || e[-1] == '\r'))
        --e;
    if (b < e && *b == '+')
        ++b;
    if (b == e)
        return false;
    double v = 0;
    const auto res = std::from_chars(b, e, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != e || !std::isfinite(v) || std::fabs(v) > kMaxField)
        return false;
    out = static_cast<float>(v);
    return true;
}

// Val(Format(v, "0.0")): the shortest decimal form of v rounded to one
// decimal, half away from zero, read back. Worked out in numbers unless v
// lies so near a half step that only its decimal form can tell.
float Round1(double v)
{
    const double t = v * 10;
    const double whole = std::round(t);
    if (std::fabs(t) < 1e12 && std::fabs(std::fabs(t - std::trunc(t)) - 0.5) > 1e-4)
        return whole == 0 ? 0.0f : static_cast<float>(whole / 10);
    return static_cast<float>(Val(Format(v, QStringLiteral("0.0"))));
}

AxisRange Widen(float lo, float hi, double unit)
{
    const double span = (double(hi) - double(lo)) / (unit / 10);
    const long long steps = std::llround(RoundHalfEven(std::clamp(span, -1e15, 1e15)));
    const int r = static_cast<int>(((steps % 10) + 10) % 10);
    if (r == 0)
        return {lo, hi};
    if (lo > unit)
        return {static_cast<float>(lo - (10 - r) * unit / 20), static_cast<float>(hi + (10 - r) * unit / 20)};
    return {lo, static_cast<float>(hi + (10 - r) * unit / 10)};
}

} // namespace

const std::array<QString, kViewerCols>& ViewerHeaderKeys()
{
    static const std::array<QString, kViewerCols> keys = {
        QStringLiteral("Device"),   QStringLiteral("Mode"),   QStringLiteral("Begin Volt"),
        QStringLiteral("Cutoff Volt"), QStringLiteral("Capacity"), QStringLiteral("Energy"),
        QStringLiteral("Avg Volt"), QStringLiteral("Title")};
    return keys;
}

char DataFileSeparator(const QString& path)
{
    const QString ext = path.right(3);
    return ext == QLatin1String("csv") || ext == QLatin1String("CSV") ? ',' : '\t';
}

bool ReadDataLine(const char* line, int64_t len, char sep, DataFileRead& out)
{
    while (len > 0 && (line[len - 1] == '\r' || line[len - 1] == '\n'))
        --len;
    if (len <= 0)
        return true;

    const unsigned char first = static_cast<unsigned char>(line[0]);
    if (first < '0' || first > '9') {
        // Header keys are exact, case-sensitive prefixes; the value needs at
        // least two characters after the colon.
        static const std::array<QByteArray, kViewerCols> keys = [] {
            std::array<QByteArray, kViewerCols> k;
            for (int c = 0; c < kViewerCols; ++c)
                k[size_t(c)] = ViewerHeaderKeys()[size_t(c)].toLatin1() + ':';
            return k;
        }();
        for (int c = 0; c < kViewerCols; ++c) {
            const QByteArray& key = keys[size_t(c)];
            if (len >= key.size() && std::memcmp(line, key.constData(), size_t(key.size())) == 0) {
                if (len > key.size() + 1) {
                    // Headers written on Chinese Windows are GB18030.
                    out.cells[size_t(c)] =
                        profile::decode(QByteArray(line + key.size(), qsizetype(len - key.size())));
                    out.has[size_t(c)] = true;
                }
                return true;
            }
        }
        return true;
    }

    // Time before the first separator; the current is the first run of
    // non-separators after it; the voltage runs to the next separator or the
    // end. Further fields (temperature) are ignored.
    const char* p = line;
    const char* end = line + len;
    const char* s1 = std::find(p, end, sep);
    if (s1 == end)
        return false;
    const char* c0 = s1;
    while (c0 < end && *c0 == sep)
        ++c0;
    const char* s2 = std::find(c0, end, sep);
    if (s2 == end)
        return false;
    const char* v0 = s2 + 1;
    const char* v1 = std::find(v0, end, sep);

    DataRow r;
    if (!ParseField(p, s1, r.t) || !ParseField(c0, s2, r.I) || !ParseField(v0, v1, r.V))
        return false;
    out.rows.push_back(r);
    return true;
}

DataFileRead ReadDataFile(const QString& path, char sep)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DataFileRead out;
        out.error = file.errorString();
        return out;
    }
    return ReadDataStream(file, sep);
}

DataFileRead ReadDataStream(QIODevice& file, char sep, qsizetype chunk)
{
    DataFileRead out;
    out.opened = true;
    // A row of a data file takes about 15 bytes; reserving spares most of
    // the vector's regrowth copies, but never much for a file of junk.
    const qint64 size = file.isSequential() ? 0 : file.size();
    if (size > 0)
        out.rows.reserve(size_t(std::min<qint64>(size / 16, 1'000'000)));

    // Lines end at LF, CR LF or a lone CR. A line that lies whole in the
    // read buffer is read where it stands; only one split by the end of the
    // buffer is gathered in `line`. A line longer than any a data file holds
    // is kept only in its first part: as a row it counts as bad, otherwise
    // that part is judged like any line.
    constexpr qsizetype kMaxLine = 1 << 16;
    QByteArray buf(std::max<qsizetype>(chunk, 1), Qt::Uninitialized);
    QByteArray line;
    bool overlong = false;
    int64_t lineNo = 0;
    auto take = [&](const char* text, qsizetype len) {
        ++lineNo;
        const bool digit = len > 0 && text[0] >= '0' && text[0] <= '9';
        const bool ok = overlong && digit ? false : ReadDataLine(text, len, sep, out);
        if (!ok && out.badRows++ == 0)
            out.firstBadLine = lineNo;
        overlong = false;
    };
    bool lastCr = false;
    for (;;) {
        const qint64 got = file.read(buf.data(), buf.size());
        if (got < 0) {
            out.error = file.errorString();
            break;
        }
        if (got == 0)
            break;
        const char* b = buf.constData();
        const char* e = b + got;
        while (b < e) {
            if (lastCr && *b == '\n') {  // the LF of a CR LF already ended the line
                lastCr = false;
                ++b;
                continue;
            }
            lastCr = false;
            const char* nl = b;
            while (nl < e && *nl != '\n' && *nl != '\r')
                ++nl;
            if (nl < e && line.isEmpty() && !overlong) {
                overlong = nl - b > kMaxLine;
                take(b, std::min<qsizetype>(kMaxLine, nl - b));
                lastCr = *nl == '\r';
                b = nl + 1;
                continue;
            }
            const qsizetype room = kMaxLine - line.size();
            if (nl - b > room)
                overlong = true;
            line.append(b, std::min<qsizetype>(room, nl - b));
            if (nl == e)
                break;
            lastCr = *nl == '\r';
            take(line.constData(), line.size());
            line.resize(0);
            b = nl + 1;
        }
    }
    if (!line.isEmpty() || overlong)
        take(line.constData(), line.size());
    return out;
}

void RunIntegrator::add(const DataRow& r)
{
    vsum += r.V;
    ++n;
    capMas = capMas + (r.t - float(prevT)) * r.I * 1000.0f;
    energyMws = capMas * vsum / float(n);
    prevT = RoundHalfEvenInt(r.t);
}

void FillSummaryCells(std::array<QString, kViewerCols>& cells, const RunIntegrator& run)
{
    if (run.n <= 0)
        return;
    const QString avgText = Format(double(run.vsum) / double(run.n), QStringLiteral("0.00"));
    const double avg = Val(avgText);
    if (cells[colAvgVolt].isEmpty()) {
        QString shortest = avgText;
        while (shortest.contains(QLatin1Char('.')) && (shortest.endsWith(QLatin1Char('0')) || shortest.endsWith(QLatin1Char('.'))))
            shortest.chop(1);
        cells[colAvgVolt] = shortest + QLatin1Char('V');
    }
    if (cells[colCapacity].isEmpty()) {
        const long long mas = std::llround(RoundHalfEven(double(run.capMas)));
        const long long m = mas / 3600;  // whole mAh, fraction cut off
        cells[colCapacity] = m <= 9999 ? QString::number(m) + QStringLiteral("mAh")
                                       : Format(double(m) / 1000, QStringLiteral("00.00")) + QStringLiteral("Ah");
    }
    if (cells[colEnergy].isEmpty()) {
        // The capacity cell's number times the average voltage; a cell whose
        // number part is no number leaves the energy empty.
        const QString& cap = cells[colCapacity];
        if (cap.endsWith(QLatin1String("mAh"))) {
            if (const auto v = ReadNumber(cap.chopped(3)))
                cells[colEnergy] = Format(*v * avg, QStringLiteral("0")) + QStringLiteral("mWh");
        } else if (cap.endsWith(QLatin1String("Ah"))) {
            if (const auto v = ReadNumber(cap.chopped(2)))
                cells[colEnergy] = Format(*v * avg, QStringLiteral("0.00")) + QStringLiteral("Wh");
        }
    }
}

void ViewerBounds::add(float X, float V, float I)
{
    if (X > float(MaxXVal))
        MaxXVal = RoundHalfEvenInt(X);
    auto widen = [](float& hi, float& lo, float v) {
        if (hi == 0 && lo == 0)
            hi = lo = v;
        if (double(v) + 0.1 > double(hi))
            hi = Round1(double(v) + 0.1);
        if (double(v) <= 0.1)
            lo = 0;
        else if (double(v) - 0.1 < double(lo))
            lo = Round1(double(v) - 0.1);
    };
    widen(VolHi, VolLo, V);
    widen(CurHi, CurLo, I);
}

AxisRange VoltageAxisRange(const ViewerBounds& b) { return Widen(b.VolLo, b.VolHi, 0.5); }

AxisRange CurrentAxisRange(const ViewerBounds& b, bool fineCur)
{
    return Widen(b.CurLo, b.CurHi, fineCur ? 0.05 : 0.5);
}

} // namespace ql
