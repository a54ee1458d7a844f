#include "link/recordfile.h"

#include "platform/diskqueue.h"
#include "platform/filetext.h"
#include "platform/services.h"
#include "platform/wholefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

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

// Marks the record at path superseded (on the file queue); a failure is
// logged.
void markSuperseded(int slot, const QString& path)
{
    QString why;
    if (!RunRecord::Supersede(path, &why))
        ErrLog(QStringLiteral("ErrBak"), QStringLiteral("%1 %2: not marked superseded: %3").arg(slot).arg(path, why));
}

} // namespace

RecordFiles::RecordFiles(QObject* parent) : QObject(parent)
{
    syncFile = [](int fd) { return ::fdatasync(fd); };
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, &RecordFiles::SyncDue);
}

RecordFiles::~RecordFiles() { CloseAll(); }

bool RecordFiles::open(File& f, const QString& path, QString* error, const QString& pending)
{
    const int flags = O_RDWR | O_APPEND | O_CLOEXEC | (pending.isEmpty() ? O_CREAT : 0);
    const int fd = ::open(QFile::encodeName(pending.isEmpty() ? path : pending).constData(), flags, 0666);
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
    adopt(f, path, fd, st.st_dev, st.st_ino, keep);
    f.placed = pending.isEmpty();
    f.tempName = pending;
    return true;
}

// A new file under the record's temporary name holding the header: rows go
// into it at once, the queue renames it.
bool RecordFiles::start(File& f, const QString& path, const RunRecord::Header& header, QString* error)
{
    const QString tempName = RunRecord::PendingPathOf(path);
    const int fd = OpenPending(tempName, error);
    if (fd < 0)
        return false;
    QByteArray bytes;
    for (const QString& line : RunRecord::HeaderLines(header))
        bytes += OneLine(line).toUtf8() + "\r\n";
    size_t written = 0;
    struct stat st {};
    if (!writeAll(fd, bytes.constData(), size_t(bytes.size()), &written) || ::fstat(fd, &st) != 0) {
        setError(error, errnoText(errno));
        ::close(fd);
        ::unlink(QFile::encodeName(tempName).constData());
        return false;
    }
    adopt(f, path, fd, st.st_dev, st.st_ino, bytes.size());
    f.placed = false;
    f.tempName = tempName;
    return true;
}

// The channel's entry now stands for the file open at fd, whole up to good.
void RecordFiles::adopt(File& f, const QString& path, int fd, unsigned long long dev, unsigned long long ino,
                        long long good)
{
    f = File{};
    f.path = path;
    f.fd = fd;
    f.dev = dev;
    f.ino = ino;
    f.good = good;
    f.id = ++files_made_;
}

// Has the queue give the channel's new record its name.
void RecordFiles::place(int slot, int chn, File& f)
{
    const int fd = ::dup(f.fd);
    if (fd < 0)
        return;  // tried again by the next row
    f.placing = true;
    f.lastPlace = clock();
    const QString temp = f.tempName, path = f.path;
    const unsigned long long id = f.id;
    const bool mark = !f.placeFailed;  // not yet told of a failure
    const auto work = [fd, temp, path, slot, mark](QString* error) {
        const bool ok = PlaceFile(fd, temp, path, error);
        // The record at path is another run's: it is marked before any
        // later job (a rename of this file) may put this one there.
        if (!ok && mark && !IsFileAt(fd, path))
            markSuperseded(slot, path);
        ::close(fd);
        return ok;
    };
    FileQueue().Post(work, this, [this, slot, chn, id, path](bool ok, const QString& error) {
        File& now = file(slot, chn);
        bool told = false;
        if (now.id == id) {
            now.placing = false;
            now.placed = ok;
            told = std::exchange(now.placeFailed, !ok);
            if (ok) {
                now.tempName.clear();
                arm();  // rows written while it was named wait for their sync
            }
        }
        if (ok || told)
            return;
        ErrLog(QStringLiteral("ErrBak"), QStringLiteral("%1 %2: %3").arg(slot).arg(path, error));
        if (failed)
            failed(slot, chn, path, error);
    });
}

// The earlier record at path is marked, so no continue after a crash takes
// it for the run whose record could not be made.
void RecordFiles::supersede(int slot, const QString& path)
{
    FileQueue().Post([slot, path] { markSuperseded(slot, path); });
}

bool RecordFiles::Resume(int slot, int chn, const QString& path, const QString& pending, QString* error)
{
    File& f = file(slot, chn);
    close(slot, chn, f);
    if (!open(f, path, error, pending))
        return !QFile::exists(pending);  // renamed meanwhile: the next row opens path
    // A rename of this file still on the queue (from before a disconnect)
    // goes first; this one then finds it done.
    place(slot, chn, f);
    return true;
}

bool RecordFiles::Headless(int slot, int chn, const QString& path) const
{
    const auto& u = pending_.at(size_t(slot)).at(size_t(chn));
    return u.header && u.path == path;
}

bool RecordFiles::Unwritten(int slot, int chn, const QString& path) const
{
    const File& f = files_.at(size_t(slot)).at(size_t(chn));
    return Headless(slot, chn, path) || (f.fd >= 0 && !f.placed && f.path == path);
}

bool RecordFiles::stillThere(const File& f) const
{
    if (!f.placed)
        return true;  // its name is still the temporary one
    struct stat st {};
    if (::stat(QFile::encodeName(f.path).constData(), &st) != 0)
        return false;
    return st.st_dev == f.dev && st.st_ino == f.ino;
}

void RecordFiles::sync(int slot, int chn, File& f, Clock::time_point t, bool closing, bool logHere)
{
    // On a slow disk syncs do not pile up: one at a time per file, the rows
    // written meanwhile go with the next (or with the one at its close).
    if (f.syncing && !closing)
        return;
    f.dirty = false;
    f.synced = true;
    f.lastSync = t;
    const int fd = ::dup(f.fd);
    if (fd < 0)
        return;
    f.syncing = true;
    const unsigned long long id = f.id;
    const std::function<int(int)> syncer = syncFile;
    const QString path = f.path;
    const auto work = [fd, syncer, path, slot, logHere](QString* error) {
        DiskDelay("sync");
        const bool ok = !syncer || syncer(fd) == 0;
        if (!ok)
            *error = errnoText(errno);
        ::close(fd);
        if (!ok && logHere)
            ErrLog(QStringLiteral("ErrData"), QStringLiteral("%1 %2: %3").arg(slot).arg(path, *error));
        return ok;
    };
    FileQueue().Post(work, this, [this, slot, chn, id, path](bool ok, const QString& error) {
        File& now = file(slot, chn);
        if (now.id == id) {
            now.syncing = false;
            arm();
        }
        if (!ok && failed)
            failed(slot, chn, path, error);
    });
}

void RecordFiles::close(int slot, int chn, File& f, bool logHere)
{
    if (f.fd < 0)
        return;
    // A record closed before it was named is named now, its rows with it;
    // naming syncs it.
    if (!f.placed && !f.placing)
        place(slot, chn, f);
    else if (f.dirty)
        sync(slot, chn, f, clock(), true, logHere);
    ::close(f.fd);
    f = File{};
}

bool RecordFiles::Create(int slot, int chn, const QString& path, const RunRecord::Header& header, QString* error)
{
    // The file of that name is replaced: whoever holds it open lets go first.
    for (size_t s = 0; s < files_.size(); ++s)
        for (size_t c = 0; c < files_[s].size(); ++c)
            if (files_[s][c].fd >= 0 && files_[s][c].path == path)
                close(int(s), int(c), files_[s][c]);
    File& f = file(slot, chn);
    close(slot, chn, f);
    PendingHeader& u = pending_.at(size_t(slot)).at(size_t(chn));
    u = PendingHeader{};
    if (!start(f, path, header, error)) {
        u = PendingHeader{path, header};
        // The mark above lives as long as this program; the earlier record
        // is marked too, so no continue after a crash takes it for this run.
        supersede(slot, path);
        return false;
    }
    place(slot, chn, f);
    return true;
}

bool RecordFiles::Append(int slot, int chn, const QString& path, const QString& row, QString* error)
{
    File& f = file(slot, chn);
    if (f.fd >= 0 && (f.path != path || !stillThere(f)))
        close(slot, chn, f);
    PendingHeader& u = pending_.at(size_t(slot)).at(size_t(chn));
    if (u.header && u.path == path) {
        if (!start(f, path, *u.header, error))
            return false;
        u = PendingHeader{};
        place(slot, chn, f);
    }
    if (f.fd < 0 && !open(f, path, error))
        return false;
    const Clock::time_point t = clock();
    if (!f.placed && !f.placing && t - f.lastPlace >= period_)
        place(slot, chn, f);
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
    if (f.placed && (!f.synced || t - f.lastSync >= period_))
        sync(slot, chn, f, t);
    else
        arm();
    return true;
}

void RecordFiles::SyncDue()
{
    const Clock::time_point t = clock();
    for (size_t s = 0; s < files_.size(); ++s)
        for (size_t c = 0; c < files_[s].size(); ++c) {
            File& f = files_[s][c];
            if (f.fd >= 0 && f.dirty && f.placed && t - f.lastSync >= period_)
                sync(int(s), int(c), f, t);
        }
    arm();
}

// The timer runs until the first file holding unsynced rows is due.
void RecordFiles::arm()
{
    const Clock::time_point t = clock();
    Clock::duration wait = Clock::duration::max();
    for (const auto& slotFiles : files_)
        for (const File& f : slotFiles)
            if (f.fd >= 0 && f.dirty && f.placed && !f.syncing)
                wait = std::min<Clock::duration>(wait, std::max<Clock::duration>(f.lastSync + period_ - t, {}));
    if (wait == Clock::duration::max()) {
        timer_.stop();
        return;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
    if (!timer_.isActive() || timer_.remainingTimeAsDuration() > ms)
        timer_.start(ms);
}

void RecordFiles::Close(int slot, int chn)
{
    close(slot, chn, file(slot, chn));
    arm();
}

void RecordFiles::CloseSlot(int slot)
{
    for (int c = 0; c < kChanCount; ++c)
        close(slot, c, file(slot, c));
    arm();
}

void RecordFiles::CloseAll()
{
    for (size_t slot = 0; slot < files_.size(); ++slot)
        for (size_t c = 0; c < files_[slot].size(); ++c)
            close(int(slot), int(c), files_[slot][c], true);
    timer_.stop();
}

} // namespace ql
