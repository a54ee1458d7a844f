#include "platform/wholefile.h"

#include "platform/services.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace ql {

bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    auto fail = [&](const QString& why) {
        if (error)
            *error = why.isEmpty() ? QStringLiteral("write failed") : why;
        // Without commit the temporary file is removed and the target stays.
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // QSaveFile::write only fills a buffer and commit() may rename a file
    // whose buffered write failed: every step is checked here instead.
    if (file.write(bytes) != bytes.size())
        return fail(file.errorString());
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (::fsync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool SaveWholeLines(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return SaveWholeFile(path, bytes, error);
}

bool SaveWholeLinesLogged(const QString& path, const QStringList& lines, const QString& label)
{
    QString error;
    if (SaveWholeLines(path, lines, &error))
        return true;
    ErrLog(label, path + QStringLiteral(": ") + error);
    return false;
}

} // namespace ql
