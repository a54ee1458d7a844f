#pragma once
// The live run records of a run tracker, kept open while their runs go on.
//
// A record's header is written as a whole file (a failure leaves an earlier
// record as it was); the file then stays open and every row is appended,
// with its CR LF, by one write. A row is in the operating system once
// Append returns, so a crash of the program loses no written row. Rows
// reach the disk at most one sync period (a second in the program) after
// they were written: a file is synced on a row when its last sync is that
// old, else by a timer once it is; and always when it is closed (run end,
// disconnect, shut-down). A power cut thus loses at most the last second.
//
// A record opened for rows (a continued run, a file replaced or removed
// meanwhile) first loses a tail without its line end, so a row cut off by a
// crash or by a write that failed part way never becomes a row; after a
// failed write the file is cut back to its last whole row before the next
// one is written. One record per slot and channel is open at a time.
//
// A record whose header could not be written at the start of its run gets
// no rows until the header is written: each row first tries the header
// again, so the rows of the new run never land in an earlier record of
// that name, and a continue finds no record of the run until then. The
// earlier record keeps its rows but is marked superseded in place
// (RunRecord::Supersede), so a continue after a crash, which no longer knows
// of the unwritten header, does not take it up either.
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
    // The clock and the sync of one file (fdatasync: 0 on success);
    // replaceable in tests.
    std::function<Clock::time_point()> now;
    std::function<int(int fd)> syncFile;

    // Writes the channel's record afresh with its header lines and keeps it
    // open for the rows. False with a reason when the file could not be
    // written; an earlier record of that name then keeps its rows but is
    // marked superseded (a failure to mark it is logged, "ErrBak"), and the
    // next Append to path writes the header first.
    bool Create(int slot, int chn, const QString& path, const RunRecord::Header& header, QString* error = nullptr);
    // Appends one row and its CR LF to the channel's record at path (opened
    // when it is not the open one). False with a reason when the row could
    // not be written, the header of a failed Create still cannot be, or an
    // earlier sync of the file failed.
    bool Append(int slot, int chn, const QString& path, const QString& row, QString* error = nullptr);

    // Syncs and closes the channel's record. False with a reason when its
    // last rows could not be brought to the disk (that sync or an earlier
    // one not yet reported failed).
    bool Close(int slot, int chn, QString* error = nullptr);
    // The same for the slot's records and for every one; a failure is
    // logged ("ErrData").
    void CloseSlot(int slot);
    void CloseAll();

    // Syncs every open record holding rows written a sync period ago or
    // more (what the timer does).
    void SyncDue();

    // True while the header of the run last started on the channel with its
    // record at path has not been written: a file of that name is an
    // earlier run's.
    bool Unwritten(int slot, int chn, const QString& path) const;

    QString OpenPath(int slot, int chn) const;

private:
    struct File {
        QString path;
        int fd = -1;
        unsigned long long dev = 0, ino = 0;
        long long good = 0;     // length up to the last whole row
        bool broken = false;    // a write failed part way: cut back to good first
        bool dirty = false;     // rows written since the last sync
        bool synced = false;    // synced at least once (lastSync is valid)
        Clock::time_point lastSync{};
        QString syncError;      // a failed sync, reported by the next Append
    };
    // The header of a record that Create could not write, kept through
    // closes until it is written or another run starts on the channel.
    struct PendingHeader {
        QString path;
        std::optional<RunRecord::Header> header;
    };
    File& file(int slot, int chn) { return files_.at(size_t(slot)).at(size_t(chn)); }
    bool open(File& f, const QString& path, QString* error);
    bool stillThere(const File& f) const;
    void sync(File& f, Clock::time_point t);
    QString close(File& f);  // the failure of its last sync, if any
    void closeLogged(int slot, File& f);
    void arm();
    Clock::time_point clock() const { return now ? now() : Clock::now(); }

    std::chrono::milliseconds period_{1000};
    std::array<std::array<File, kChanCount>, kSlotCount> files_;
    std::array<std::array<PendingHeader, kChanCount>, kSlotCount> pending_;
    QTimer timer_;
};

} // namespace ql
