#pragma once
// Durable file work off the interface thread. Syncs, renames, whole-file
// saves and the settings file's lock can each take seconds on a busy USB
// stick or a network folder; the interface thread polls the devices and
// must never wait that long. Such work is handed to a queue: one thread of
// its own runs it, one job after the other in the order it was handed in,
// and a job's result comes back to the interface thread as a queued call.
//
// The program has two queues: one for the settings file (a change waits
// there for the file's lock without holding up any other file) and one for
// every other file (live records, data files, pictures, parameter files).
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace ql {

class DiskQueue {
public:
    DiskQueue();
    // Runs what is queued, unless Abandon was called; then only the job
    // that is running is waited for.
    ~DiskQueue();

    DiskQueue(const DiskQueue&) = delete;
    DiskQueue& operator=(const DiskQueue&) = delete;

    // Runs work on the queue's thread after everything handed in before.
    void Post(std::function<void()> work);
    // The same for work with a result: done(ok, error) then runs on the
    // thread of context (the interface thread), unless context is gone;
    // without a context, on the thread that made the queue.
    using Work = std::function<bool(QString* error)>;
    using Done = std::function<void(bool ok, const QString& error)>;
    void Post(Work work, QObject* context, Done done);

    // Waits until every job handed in so far has run; false after bound.
    // Results still come back through the event loop.
    bool WaitIdle(std::chrono::milliseconds bound);
    // Jobs handed in and not yet finished.
    int Pending() const;
    // Jobs not yet started are dropped when the queue ends.
    void Abandon();

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<std::function<void()>> jobs_;
    int running_ = 0;
    bool stop_ = false, abandoned_ = false;
    QObject receiver_;  // lives on the thread that made the queue
    std::thread thread_;
};

// The queue of the settings file, and the queue of every other file.
DiskQueue& SettingsQueue();
DiskQueue& FileQueue();

// Waits for both queues; false (with the count of jobs left in *left) after
// bound.
bool WaitDiskQueues(std::chrono::milliseconds bound, int* left = nullptr);

// A hook run on a queue's thread before each sync and each rename of a
// whole-file save or a record; tests hold it to make a slow disk. Empty in
// the program.
void SetDiskDelay(std::function<void(const char* step)> delay);
void DiskDelay(const char* step);

}  // namespace ql
