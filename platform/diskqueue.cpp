#include "platform/diskqueue.h"

#include <memory>

namespace ql {

DiskQueue::DiskQueue() : thread_([this] { run(); }) {}

DiskQueue::~DiskQueue()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        if (abandoned_)
            jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void DiskQueue::Post(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void DiskQueue::Post(Work work, QObject* context, Done done)
{
    QPointer<QObject> target(context);
    const bool anyway = !context;
    Post([this, work = std::move(work), target, anyway, done = std::move(done)] {
        QString error;
        const bool ok = work(&error);
        QMetaObject::invokeMethod(
            &receiver_,
            [target, anyway, done, ok, error] {
                if ((anyway || target) && done)
                    done(ok, error);
            },
            Qt::QueuedConnection);
    });
}

bool DiskQueue::WaitIdle(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, bound, [this] { return jobs_.empty() && running_ == 0; });
}

int DiskQueue::Pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(jobs_.size()) + running_;
}

void DiskQueue::Abandon()
{
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
}

void DiskQueue::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;  // stopped, and nothing left
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        lock.unlock();
        job();
        lock.lock();
        --running_;
        if (jobs_.empty())
            idle_.notify_all();
    }
}

DiskQueue& SettingsQueue()
{
    static DiskQueue queue;
    return queue;
}

DiskQueue& FileQueue()
{
    static DiskQueue queue;
    return queue;
}

bool WaitDiskQueues(std::chrono::milliseconds bound, int* left)
{
    const auto until = std::chrono::steady_clock::now() + bound;
    const auto rest = [&] {
        return std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                          until - std::chrono::steady_clock::now()));
    };
    const bool done = FileQueue().WaitIdle(rest()) && SettingsQueue().WaitIdle(rest());
    if (left)
        *left = FileQueue().Pending() + SettingsQueue().Pending();
    return done;
}

namespace {

std::mutex g_delayMutex;
std::shared_ptr<std::function<void(const char*)>> g_delay;

}  // namespace

void SetDiskDelay(std::function<void(const char* step)> delay)
{
    std::lock_guard<std::mutex> lock(g_delayMutex);
    g_delay = delay ? std::make_shared<std::function<void(const char*)>>(std::move(delay)) : nullptr;
}

void DiskDelay(const char* step)
{
    std::shared_ptr<std::function<void(const char*)>> delay;
    {
        std::lock_guard<std::mutex> lock(g_delayMutex);
        delay = g_delay;
    }
    if (delay)
        (*delay)(step);
}

}  // namespace ql
