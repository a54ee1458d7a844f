#include "link/recordfile.h"

#include "platform/services.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ql {

namespace {

QString errnoText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Length of the file up to and with its last line end: what remains once a
// tail without a line end is cut away. -1 when the file cannot be read.
long long completeLength(int fd, long long size)
{
    constexpr long long kBlock = 4096;
    char block[kBlock];
    long long end = size;
    while (end > 0) {
        const long long start = std::max<long long>(0, end - kBlock);
        const ssize_t n = ::pread(fd, block, size_t(end - start), off_t(start));
        if (n != ssize_t(end - start))
            return -1;
        for (long long i = n - 1; i >= 0; --i)
            if (block[i] == '\n')
                return start + i + 1;
        end = start;
    }
    return 0;
}

// Writes all of bytes; false (errno set) when the file takes no more.
bool writeAll(int fd, const char* data, size_t size, size_t* written)
{
    *written = 0;
    while (*written < size) {
        const ssize_t n = ::write(fd, data + *written, size - *written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        *written += size_t(n);
    }
    return true;
}

} // namespace

RecordFiles::RecordFiles(QObject* parent) : QObject(parent)
{
    syncFile = [](int fd) { return ::fdatasync(fd); };
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, &RecordFiles::SyncDue);
}

RecordFiles::~RecordFiles() { CloseAll(); }

QString RecordFiles::OpenPath(int slot, int chn) const
{
    const File& f = files_.at(size_t(slot)).at(size_t(chn));
    return f.fd >= 0 ? f.path : QString();
}

bool RecordFiles::open(File& f, const QString& path, QString* error)
{
    close(f);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        setError(error, errnoText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        setError(error, errnoText(errno));
        ::close(fd);
        return false;
    }
    // A row cut off (by a crash, by a write that failed) is no row.
    const long long keep = completeLength(fd, st.st_size);
    if (keep < 0 || (keep < st.st_size && ::ftruncate(fd, off_t(keep)) != 0)) {
        setError(error, errnoText(errno ? errno : EIO));
        ::close(fd);
        return false;
    }
    f = File{};
    f.path = path;
    f.fd = fd;
    f.dev = st.st_dev;
    f.ino = st.st_ino;
    f.good = keep;
    return true;
}

bool RecordFiles::Unwritten(int slot, int chn, const QString& path) const
{
    const auto& u = pending_.at(size_t(slot)).at(size_t(chn));
    return u.header && u.path == path;
}

bool RecordFiles::stillThere(const File& f) const
{
    struct stat st {};
    if (::stat(QFile::encodeName(f.path).constData(), &st) != 0)
        return false;
    return st.st_dev == f.dev && st.st_ino == f.ino;
}

void RecordFiles::sync(File& f, Clock::time_point t)
{
    if (syncFile && syncFile(f.fd) != 0)
        f.syncError = errnoText(errno);
    f.dirty = false;
    f.synced = true;
    f.lastSync = t;
}

QString RecordFiles::close(File& f)
{
    if (f.fd < 0)
        return {};
    if (f.dirty)
        sync(f, clock());
    ::close(f.fd);
    const QString error = f.syncError;
    f = File{};
    return error;
}

void RecordFiles::closeLogged(int slot, File& f)
{
    const QString path = f.path;
    const QString error = close(f);
    if (!error.isEmpty())
        ErrLog(QStringLiteral("ErrData"), QStringLiteral("%1 %2: %3").arg(slot).arg(path, error));
}

bool RecordFiles::Create(int slot, int chn, const QString& path, const RunRecord::Header& header, QString* error)
{
    // The file of that name is replaced: whoever holds it open lets go first.
    for (auto& slotFiles : files_)
        for (File& f : slotFiles)
            if (f.fd >= 0 && f.path == path)
                close(f);
    File& f = file(slot, chn);
    close(f);
    PendingHeader& u = pending_.at(size_t(slot)).at(size_t(chn));
    u = PendingHeader{};
    if (!RunRecord::Create(path, header, error)) {
        u = PendingHeader{path, header};
        // The mark above lives as long as this program; the earlier record
        // is marked too, so no continue after a crash takes it for this run.
        QString why;
        if (!RunRecord::Supersede(path, &why))
            ErrLog(QStringLiteral("ErrBak"),
                   QStringLiteral("%1 %2: not marked superseded: %3").arg(slot).arg(path, why));
        return false;
    }
    // Rows are appended when they come; a file that cannot be opened now is
    // tried again then.
    QString ignored;
    open(f, path, &ignored);
    return true;
}

bool RecordFiles::Append(int slot, int chn, const QString& path, const QString& row, QString* error)
{
    File& f = file(slot, chn);
    if (f.fd >= 0 && (f.path != path || !stillThere(f)))
        close(f);
    if (Unwritten(slot, chn, path)) {
        PendingHeader& u = pending_.at(size_t(slot)).at(size_t(chn));
        if (!RunRecord::Create(path, *u.header, error))
            return false;
        u = PendingHeader{};
    }
    if (f.fd < 0 && !open(f, path, error))
        return false;
    if (f.broken) {
        if (::ftruncate(f.fd, off_t(f.good)) != 0) {
            setError(error, errnoText(errno));
            return false;
        }
        f.broken = false;
    }
    const QByteArray bytes = row.toUtf8() + "\r\n";
    size_t written = 0;
    if (!writeAll(f.fd, bytes.constData(), size_t(bytes.size()), &written)) {
        setError(error, errnoText(errno));
        f.broken = written > 0;
        return false;
    }
    f.good += bytes.size();
    f.dirty = true;
    const Clock::time_point t = clock();
    if (!f.synced || t - f.lastSync >= period_)
        sync(f, t);
    else
        arm();
    if (!f.syncError.isEmpty()) {
        setError(error, f.syncError);
        f.syncError.clear();
        return false;
    }
    return true;
}

void RecordFiles::SyncDue()
{
    const Clock::time_point t = clock();
    for (auto& slotFiles : files_)
        for (File& f : slotFiles)
            if (f.fd >= 0 && f.dirty && t - f.lastSync >= period_)
                sync(f, t);
    arm();
}

// The timer runs until the first file holding unsynced rows is due.
void RecordFiles::arm()
{
    const Clock::time_point t = clock();
    Clock::duration wait = Clock::duration::max();
    for (const auto& slotFiles : files_)
        for (const File& f : slotFiles)
            if (f.fd >= 0 && f.dirty)
                wait = std::min<Clock::duration>(wait, std::max<Clock::duration>(f.lastSync + period_ - t, {}));
    if (wait == Clock::duration::max()) {
        timer_.stop();
        return;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
    if (!timer_.isActive() || timer_.remainingTimeAsDuration() > ms)
        timer_.start(ms);
}

bool RecordFiles::Close(int slot, int chn, QString* error)
{
    const QString failed = close(file(slot, chn));
    arm();
    if (failed.isEmpty())
        return true;
    setError(error, failed);
    return false;
}

void RecordFiles::CloseSlot(int slot)
{
    for (File& f : files_.at(size_t(slot)))
        closeLogged(slot, f);
    arm();
}

void RecordFiles::CloseAll()
{
    for (size_t slot = 0; slot < files_.size(); ++slot)
        for (File& f : files_[slot])
            closeLogged(int(slot), f);
    timer_.stop();
}

} // namespace ql
