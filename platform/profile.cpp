#include "platform/profile.h"

#include "platform/wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringDecoder>

#include <vector>

namespace ql::profile {

namespace {

// One line of a profile text: where its content starts, its length and the
// length of its line end (0 on a last line without one).
struct Line {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype endLength = 0;
};

std::vector<Line> splitLines(const QString& text)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    // A byte-order mark belongs to no line: it stays in front of the first.
    if (text.startsWith(QChar(0xFEFF)))
        start = 1;
    const qsizetype n = text.size();
    qsizetype i = start;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            qsizetype end = 1;
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                end = 2;
            lines.push_back({start, i - start, end});
            i += end;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.push_back({start, n - start, 0});
    return lines;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

QStringView trim(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QStringView name;   // section name or key, trimmed
    QStringView value;  // key lines: the value, trimmed
};

Parsed parse(QStringView line)
{
    const QStringView t = trim(line);
    if (t.isEmpty() || t.front() == u';')
        return {};
    if (t.front() == u'[') {
        const qsizetype close = t.indexOf(u']');
        if (close > 0)
            return {Kind::Section, trim(t.mid(1, close - 1)), {}};
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return {};
    return {Kind::Key, trim(t.left(eq)), trim(t.mid(eq + 1))};
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(QStringView v)
{
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == u'"' || q == u'\'') && v.back() == q)
            return v.mid(1, v.size() - 2).toString();
    }
    return v.toString();
}

// The bytes of an open profile file, or nothing when it holds more than
// kMaxFileSize. Read with a bound, so a device that never ends is no
// different from a huge file.
std::optional<QByteArray> readBounded(QFile& f)
{
    QByteArray bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        return std::nullopt;
    return bytes;
}

bool hasLineBreakOrNul(const QString& s)
{
    for (QChar c : s)
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            return true;
    return false;
}

} // namespace

QString decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb("GB18030", QStringDecoder::Flag::ConvertInitialBom);
    if (gb.isValid())
        return gb.decode(bytes);
    return QString::fromLatin1(bytes);
}

std::optional<QString> find(const QString& text, const QString& section, const QString& key)
{
    const QStringView wantSection = trim(section);
    const QStringView wantKey = trim(key);
    bool inSection = false;
    bool seenSection = false;
    for (const Line& l : splitLines(text)) {
        const Parsed p = parse(QStringView(text).mid(l.start, l.length));
        if (p.kind == Kind::Section) {
            if (seenSection)
                break;  // only the first matching section counts
            inSection = sameName(p.name, wantSection);
            seenSection = inSection;
        } else if (p.kind == Kind::Key && inSection && sameName(p.name, wantKey)) {
            return unquote(p.value);
        }
    }
    return std::nullopt;
}

std::optional<QString> put(const QString& text, const QString& section, const QString& key, const QString& value)
{
    const QString sec = trim(section).toString();
    const QString k = trim(key).toString();
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value))
        return std::nullopt;
    if (sec.isEmpty() || sec.contains(u']'))
        return std::nullopt;
    if (k.isEmpty() || k.contains(u'=') || k.front() == u'[' || k.front() == u';')
        return std::nullopt;

    const std::vector<Line> lines = splitLines(text);
    static const QString crlf = QStringLiteral("\r\n");

    // Find the first matching section, its key line and its last key line.
    qsizetype header = -1, match = -1, lastKey = -1;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line& l = lines[size_t(i)];
        const Parsed p = parse(QStringView(text).mid(l.start, l.length));
        if (p.kind == Kind::Section) {
            if (header >= 0)
                break;
            if (sameName(p.name, sec))
                header = i;
        } else if (p.kind == Kind::Key && header >= 0) {
            lastKey = i;
            if (match < 0 && sameName(p.name, k))
                match = i;
        }
    }

    QString out = text;
    if (match >= 0) {
        // Replace the key's own line, keeping the key as it is spelt there.
        const Line& l = lines[size_t(match)];
        const Parsed p = parse(QStringView(text).mid(l.start, l.length));
        const QString line = p.name.toString() + u'=' + value + crlf;
        out.replace(l.start, l.length + l.endLength, line);
        return out;
    }
    const QString keyLine = k + u'=' + value + crlf;
    if (header >= 0) {
        const Line& after = lines[size_t(lastKey >= 0 ? lastKey : header)];
        qsizetype at = after.start + after.length + after.endLength;
        QString insert = keyLine;
        if (after.endLength == 0)
            insert.prepend(crlf);
        out.insert(at, insert);
        return out;
    }
    if (!out.isEmpty() && !out.endsWith(u'\r') && !out.endsWith(u'\n'))
        out += crlf;
    out += u'[' + sec + u']' + crlf + keyLine;
    return out;
}

QString cut(const QString& text, int max)
{
    qsizetype i = 0;
    int count = 0;
    while (i < text.size() && count < max) {
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        ++count;
    }
    return text.left(i);
}

std::optional<QString> load(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<QByteArray> bytes = readBounded(f);
    if (!bytes)
        return std::nullopt;
    return decode(*bytes);
}

std::optional<QString> read(const QString& file, const QString& section, const QString& key)
{
    const std::optional<QString> text = load(file);
    if (!text)
        return std::nullopt;
    std::optional<QString> v = find(*text, section, key);
    if (v)
        *v = cut(*v, kMaxValueLength);
    return v;
}

namespace {

// write() without the lock.
bool writeUnlocked(const QString& file, const QList<Entry>& entries, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QString text;
    const QFileInfo info(file);
    if (info.exists()) {
        if (!info.isFile() || !info.isWritable())
            return fail(QStringLiteral("not a writable file"));
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return fail(f.errorString());
        const std::optional<QByteArray> bytes = readBounded(f);
        if (!bytes)
            return fail(QStringLiteral("file too large"));
        text = decode(*bytes);
        if (f.error() != QFileDevice::NoError)
            return fail(f.errorString());
    }
    for (const Entry& e : entries) {
        const std::optional<QString> out = put(text, e.section, e.key, e.value);
        if (!out)
            return fail(QStringLiteral("value refused"));
        text = *out;
    }
    return SaveWholeFile(file, text.toUtf8(), error);
}

} // namespace

bool whileLocked(const QString& file, const std::function<bool(QString* error)>& change, QString* error, int waitMs)
{
    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.tryLock(waitMs)) {
        if (error)
            *error = lock.error() == QLockFile::LockFailedError ? QStringLiteral("locked by another program")
                                                                : QStringLiteral("the lock file cannot be created");
        return false;
    }
    return change(error);
}

bool write(const QString& file, const QList<Entry>& entries, QString* error, int waitMs)
{
    return whileLocked(
        file, [&](QString* why) { return writeUnlocked(file, entries, why); }, error, waitMs);
}

bool write(const QString& file, const QString& section, const QString& key, const QString& value, QString* error)
{
    return write(file, {{section, key, value}}, error);
}

} // namespace ql::profile
