#include "link/linktimers.h"

namespace ql {

LinkTimers::LinkTimers(QObject* parent) : QObject(parent) {
    for (int s = 0; s < kSlotCount; ++s) {
        SlotTimers& st = t_[static_cast<size_t>(s)];
        st.comm.setInterval(50);
        st.conn.setInterval(1000);
        st.recv.setInterval(500);
        QObject::connect(&st.comm, &QTimer::timeout, this, [this, s] {
            if (onPoll)
                onPoll(s);
        });
        QObject::connect(&st.conn, &QTimer::timeout, this, [this, s] {
            if (onConnect)
                onConnect(s);
        });
        QObject::connect(&st.recv, &QTimer::timeout, this, [this, s] {
            if (onRecvOff)
                onRecvOff(s);
            t_[static_cast<size_t>(s)].recv.stop();
        });
    }
}

void LinkTimers::setIntervals(int commMs, int connMs, int recvMs) {
    for (SlotTimers& st : t_) {
        st.comm.setInterval(commMs);
        st.conn.setInterval(connMs);
        st.recv.setInterval(recvMs);
    }
}

// Enabling a timer that already runs keeps its rhythm, like a timer
// control whose Enabled is set again.
static void Enable(QTimer& t, bool on) {
    if (on && !t.isActive())
        t.start();
    else if (!on)
        t.stop();
}

void LinkTimers::SetComm(int slot, bool on) {
    if (Valid(slot))
        Enable(t_[static_cast<size_t>(slot)].comm, on);
}

void LinkTimers::SetConn(int slot, bool on) {
    if (Valid(slot))
        Enable(t_[static_cast<size_t>(slot)].conn, on);
}

bool LinkTimers::CommEnabled(int slot) const {
    return Valid(slot) && t_[static_cast<size_t>(slot)].comm.isActive();
}

bool LinkTimers::ConnEnabled(int slot) const {
    return Valid(slot) && t_[static_cast<size_t>(slot)].conn.isActive();
}

void LinkTimers::StopConn(int slot) { SetConn(slot, false); }

void LinkTimers::RecvStarted(int slot) {
    if (Valid(slot))
        Enable(t_[static_cast<size_t>(slot)].recv, true);
}

bool LinkTimers::RecvEnabled(int slot) const {
    return Valid(slot) && t_[static_cast<size_t>(slot)].recv.isActive();
}

void LinkTimers::StopAll() {
    for (SlotTimers& st : t_) {
        st.comm.stop();
        st.conn.stop();
        st.recv.stop();
    }
}

} // namespace ql
