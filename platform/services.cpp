#include "platform/services.h"

#include "platform/filetext.h"
#include "platform/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cstdio>
#include <memory>

#ifndef QL_VERSION_MAJOR
#define QL_VERSION_MAJOR 1
#define QL_VERSION_MINOR 0
#define QL_VERSION_REVISION 0
#endif

namespace ql {

QString ProgramDir()
{
    const QString home = qEnvironmentVariable("QL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                        : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (QFileInfo(exeDir + QStringLiteral("/ql.ini")).isFile())
        return exeDir;
    // The application data folder of "QL Tester" (no organisation), whichever
    // program asks: the main program, the demo and the tools share it.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return exeDir;
    return data + QStringLiteral("/QL Tester");
}

bool CreateProgramDir()
{
    const QString dir = ProgramDir();
    if (QDir().mkpath(dir))
        return true;
    ErrLog(QStringLiteral("ErrIni"), dir + QStringLiteral(": the program folder cannot be created"));
    return false;
}

QString SettingsFile()
{
    return ProgramDir() + QStringLiteral("/ql.ini");
}

QString ReadIni(const QString& file, const QString& section, const QString& key, const QString& def)
{
    const std::optional<QString> v = profile::read(file, section, key);
    if (v && !v->isEmpty())
        return *v;
    return profile::cut(def, profile::kMaxValueLength);
}

bool WriteIni(const QString& file, const QString& section, const QString& key, const QString& value)
{
    QString error;
    if (profile::write(file, section, key, value, &error))
        return true;
    ErrLog(QStringLiteral("ErrIni"), QStringLiteral("%1 [%2] %3: %4").arg(file, section, key, error));
    return false;
}

// ---- Text conversion ----------------------------------------------------

namespace {

std::atomic<int> g_language{0};

// Simplified to Traditional Chinese, one code point at a time, so the
// mapping stays context-free. The transliterator is built once; results are
// kept per character because the same few texts pass here over and over.
class ToTraditional {
public:
    QString convert(const QString& text)
    {
        QMutexLocker lock(&mutex_);
        if (!ready_) {
            ready_ = true;
            UErrorCode status = U_ZERO_ERROR;
            trans_.reset(icu::Transliterator::createInstance("Hans-Hant", UTRANS_FORWARD, status));
            if (U_FAILURE(status))
                trans_.reset();
        }
        if (!trans_)
            return text;
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size();) {
            char32_t cp = text.at(i).unicode();
            qsizetype len = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                len = 2;
            }
            UErrorCode status = U_ZERO_ERROR;
            if (uscript_getScript(UChar32(cp), &status) != USCRIPT_HAN || U_FAILURE(status)) {
                out += QStringView(text).mid(i, len);
            } else {
                auto it = cache_.constFind(cp);
                if (it == cache_.constEnd()) {
                    icu::UnicodeString u{static_cast<UChar32>(cp)};
                    trans_->transliterate(u);
                    it = cache_.insert(cp, QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length()));
                }
                out += *it;
            }
            i += len;
        }
        return out;
    }

private:
    QMutex mutex_;
    bool ready_ = false;
    std::unique_ptr<icu::Transliterator> trans_;
    QHash<char32_t, QString> cache_;
};

ToTraditional& converter()
{
    static ToTraditional c;
    return c;
}

} // namespace

void SetLanguage(int language)
{
    g_language = language;
}

int Language()
{
    return g_language;
}

QString Lang(const QString& text)
{
    if (g_language != 1 || text.isEmpty())
        return text;
    return converter().convert(text);
}

// ---- Error log ------------------------------------------------------------

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(QL_VERSION_MAJOR).arg(QL_VERSION_MINOR).arg(QL_VERSION_REVISION);
}

QString ErrLogPath(const QDate& day)
{
    return ProgramDir() + QStringLiteral("/Log/ql-%1%2%3.log").arg(day.year()).arg(day.month()).arg(day.day());
}

QString ErrLogLine(const QDateTime& when, const QString& label, const QString& text)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" V") + VersionText() +
           QStringLiteral(":[") + OneLine(label) + u']' + OneLine(text);
}

bool AppendLogLine(const QString& path, const QString& line) noexcept
{
    try {
        QFile f(path);
        if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
            return false;
        QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
        if (f.size() > 0 && f.seek(f.size() - 1) && f.peek(1) != "\n")
            bytes.prepend("\r\n");
        // Written through at once: a write the disk refuses is seen here,
        // not lost in the buffer at close.
        return f.write(bytes) == bytes.size() && f.flush();
    } catch (...) {
        // A lost log line must not take anything else with it.
        return false;
    }
}

void ErrLog(const QString& label, const QString& text) noexcept
{
    try {
        const QDateTime now = QDateTime::currentDateTime();
        const QString line = ErrLogLine(now, label, text);
        // A line the log cannot take (no Log folder, as in a read-only
        // program folder; a full disk) goes to standard error rather than
        // nowhere.
        const bool hasLog = QFileInfo(ProgramDir() + QStringLiteral("/Log")).isDir();
        if (!hasLog || !AppendLogLine(ErrLogPath(now.date()), line))
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    } catch (...) {
    }
}

} // namespace ql
