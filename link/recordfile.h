#pragma once
// The live run records of a run tracker, kept open while their runs go on.
//
// A record's header is written into a new file beside it, at its name with
// ".new" added (RunRecord::PendingPathOf); the file stays open and every row
// is appended, with its CR LF, by one write as it comes, on the interface
// thread. A row is in the operating system once Append returns, so a crash
// of the program loses no written row: until the new file is renamed, a
// continue takes it up from its temporary name (Resume). Everything that
// waits on the disk runs on the file queue (platform/diskqueue.h), in order:
// the new file is synced and renamed over any earlier record of that name
// (so a crash or a failure leaves the earlier record or the new one whole,
// never a mix; rows written meanwhile are in the new file, in order), and
// the rows are synced at most one sync period (a second in the program)
// after they were written: on a row when the file's last sync is that old,
// else by a timer once it is; and always when the file is closed (run end,
// disconnect, shut-down). A power cut thus loses at most the last second.
//
// A record opened for rows (a continued run, a file replaced or removed
// meanwhile) first loses a tail without its line end, so a row cut off by a
// crash or by a write that failed part way never becomes a row; after a
// failed write the file is cut back to its last whole row before the next
// one is written. One record per slot and channel is open at a time.
//
// A record whose header could not be made at the start of its run has
// none: its rows never land in the earlier record, and a continue finds no
// record of the run until it is made (each later row tries again). One
// made but not renamed keeps its rows under its temporary name, where a
// continue after a disconnect or a crash takes it up (Resume); the rename
// is tried again at most once a sync period. Either way the earlier record
// keeps its rows but is marked superseded in place (RunRecord::Supersede),
// so a continue after a crash does not take it up for the new run. A
// failure that comes to light on the queue is told through failed().
#include "link/runrecord.h"
#include "link/state.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

namespace ql {

class RecordFiles : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit RecordFiles(QObject* parent = nullptr);
    ~RecordFiles() override;  // CloseAll

    RecordFiles(const RecordFiles&) = delete;
    RecordFiles& operator=(const RecordFiles&) = delete;

    // The longest a written row waits for its sync.
    void setSyncPeriod(std::chrono::milliseconds period) { period_ = period; }
    // The clock and the sync of one file (fdatasync: 0 on success, run on
    // the file queue); replaceable in tests.
    std::function<Clock::time_point()> now;
    std::function<int(int fd)> syncFile;
    // A sync or the naming of a record failed on the queue: called on the
    // interface thread with the record's channel, path and the reason.
    std::function<void(int slot, int chn, const QString& path, const QString& error)> failed;

    // Starts the channel's record afresh with its header lines and keeps it
    // open for the rows; it takes its name on the queue. False with a reason
    // when the file could not be made; an earlier record of that name then
    // keeps its rows but is marked superseded (a failure to mark it is
    // logged, "ErrBak"), and the next Append to path tries again.
    bool Create(int slot, int chn, const QString& path, const RunRecord::Header& header, QString* error = nullptr);
    // Appends one row and its CR LF to the channel's record at path (opened
    // when it is not the open one). False with a reason when the row could
    // not be written or the header of a failed Create still cannot be made.
    bool Append(int slot, int chn, const QString& path, const QString& row, QString* error = nullptr);

    // Syncs and closes the channel's record (the sync on the queue; a
    // failure is told through failed()).
    void Close(int slot, int chn);
    void CloseSlot(int slot);
    // The same for every record, at the program's end: a failure is logged
    // ("ErrData") on the queue.
    void CloseAll();

    // Syncs every open record holding rows written a sync period ago or
    // more (what the timer does).
    void SyncDue();

    // Takes up for the channel's rows the record at its temporary name
    // pending (a newer run's, left by a crash or still waiting for its
    // rename, found whole by the caller), open from now on: a tail without
    // its line end is cut away, the rows go into it and the queue renames
    // it to path. False with a reason when it cannot be opened; true with
    // nothing open when it was renamed meanwhile (the next row opens path).
    bool Resume(int slot, int chn, const QString& path, const QString& pending, QString* error = nullptr);

    // True while the header of the run last started on the channel with its
    // record at path has not been written: the run has no record, and a file
    // of that name is an earlier run's.
    bool Headless(int slot, int chn, const QString& path) const;
    // Headless, or written but not yet renamed to path.
    bool Unwritten(int slot, int chn, const QString& path) const;

private:
    struct File {
        QString path;
        int fd = -1;
        unsigned long long dev = 0, ino = 0;
        long long good = 0;     // length up to the last whole row
        bool broken = false;    // a write failed part way: cut back to good first
        bool dirty = false;     // rows written since the last sync
        bool synced = false;    // synced at least once (lastSync is valid)
        bool syncing = false;   // a sync is on the queue: the next waits for it
        Clock::time_point lastSync{};
        // A record not yet renamed to its path: its temporary name (empty
        // when it has none), whether the queue is naming it, and when it
        // was last tried.
        bool placed = true;
        bool placing = false;
        bool placeFailed = false;  // told once, tried again quietly
        QString tempName;
        Clock::time_point lastPlace{};
        unsigned long long id = 0;  // tells this file's results from another's
    };
    // The header of a record that Create could not write, kept through
    // closes until it is written or another run starts on the channel.
    struct PendingHeader {
        QString path;
        std::optional<RunRecord::Header> header;
    };
    File& file(int slot, int chn) { return files_.at(size_t(slot)).at(size_t(chn)); }
    bool open(File& f, const QString& path, QString* error, const QString& pending = {});
    bool start(File& f, const QString& path, const RunRecord::Header& header, QString* error);
    void adopt(File& f, const QString& path, int fd, unsigned long long dev, unsigned long long ino, long long good);
    void place(int slot, int chn, File& f);
    bool stillThere(const File& f) const;
    void sync(int slot, int chn, File& f, Clock::time_point t, bool closing = false, bool logHere = false);
    void close(int slot, int chn, File& f, bool logHere = false);
    void supersede(int slot, const QString& path);
    void arm();
    Clock::time_point clock() const { return now ? now() : Clock::now(); }

    std::chrono::milliseconds period_{1000};
    unsigned long long files_made_ = 0;
    std::array<std::array<File, kChanCount>, kSlotCount> files_;
    std::array<std::array<PendingHeader, kChanCount>, kSlotCount> pending_;
    QTimer timer_;
};

} // namespace ql
