#include "platform/wholefile.h"

#include "platform/diskqueue.h"
#include "platform/filetext.h"
#include "platform/services.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace ql {

namespace {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Brings the folder's entries (a rename into it) to the disk; the reason
// when that failed.
std::optional<QString> syncFolder(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    const bool synced = ::fsync(fd) == 0;
    const std::optional<QString> why = synced ? std::nullopt : std::optional<QString>(systemError());
    ::close(fd);
    return why;
}

} // namespace

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
    DiskDelay("sync");
    if (::fsync(file.handle()) != 0)
        return fail(systemError());
    DiskDelay("rename");
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // The rename only lasts a power loss once the folder is synced too.
    if (const std::optional<QString> why = syncFolder(path)) {
        if (error)
            *error = QStringLiteral("written, but the folder could not be synced: ") + *why;
        return false;
    }
    return true;
}

int OpenPending(const QString& tempPath, QString* error)
{
    const QByteArray name = QFile::encodeName(tempPath);
    constexpr int kFlags = O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC;
    int fd = ::open(name.constData(), kFlags, 0666);
    if (fd < 0 && errno == EEXIST && ::unlink(name.constData()) == 0)
        fd = ::open(name.constData(), kFlags, 0666);
    if (fd < 0 && error)
        *error = systemError();
    return fd;
}

bool IsFileAt(int fd, const QString& path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool PlaceFile(int fd, const QString& tempName, const QString& path, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    DiskDelay("sync");
    if (::fdatasync(fd) != 0)
        return fail(systemError());
    DiskDelay("rename");
    const QByteArray target = QFile::encodeName(path);
    const QByteArray from = QFile::encodeName(tempName);
    if (!IsFileAt(fd, tempName)) {
        // Renamed already (an earlier rename of the same file), or a newer
        // file took the temporary name: nothing more to do.
        if (IsFileAt(fd, path) || ::access(from.constData(), F_OK) == 0)
            return true;
        errno = ENOENT;  // removed under it
        return fail(systemError());
    }
    if (::rename(from.constData(), target.constData()) != 0)
        return fail(systemError());
    if (const std::optional<QString> why = syncFolder(path))
        return fail(QStringLiteral("written, but the folder could not be synced: ") + *why);
    return true;
}

bool SaveWholeLines(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += OneLine(line).toUtf8() + "\r\n";
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

bool OverwriteHead(const QString& path, const QByteArray& bytes, QString* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = systemError();
        return false;
    }
    errno = 0;
    DiskDelay("sync");
    const bool ok =
        ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == ssize_t(bytes.size()) && ::fdatasync(fd) == 0;
    if (!ok && error) {
        if (errno == 0)
            errno = EIO;
        *error = systemError();
    }
    ::close(fd);
    return ok;
}

} // namespace ql
