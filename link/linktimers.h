#pragma once
// The per-slot interface timers of the device link, on the interface
// thread: tmrComm polls the port every 50 ms, tmrConn resends connect every
// second until the device answers, tmrRecv puts the receive indicator out
// 500 ms after a reply began. What a tick does is set by the owner.
#include "link/hostif.h"
#include "link/state.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

namespace ql {

class LinkTimers : public QObject, public RecvTimersIf {
public:
    explicit LinkTimers(QObject* parent = nullptr);

    // Tick actions, each called with the slot whose timer ticked.
    std::function<void(int)> onPoll;     // RecvDevice
    std::function<void(int)> onConnect;  // SendConnect
    std::function<void(int)> onRecvOff;  // LedRecv = false

    // The connect handler enables both; the disconnect handler disables them.
    void SetComm(int slot, bool on);
    void SetConn(int slot, bool on);
    bool CommEnabled(int slot) const;

    // RecvTimersIf
    bool ConnEnabled(int slot) const override;
    void StopConn(int slot) override;
    void RecvStarted(int slot) override;
    bool RecvEnabled(int slot) const;

    // Stops every timer (shut-down).
    void StopAll();

    // Intervals in ms; the program's are 50, 1000 and 500.
    void setIntervals(int commMs, int connMs, int recvMs);

private:
    static bool Valid(int slot) { return slot >= 0 && slot < kSlotCount; }
    struct SlotTimers {
        QTimer comm, conn, recv;
    };
    std::array<SlotTimers, kSlotCount> t_;
};

} // namespace ql
