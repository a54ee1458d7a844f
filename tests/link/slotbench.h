#pragma once
// One slot wired as the main window wires it, on short periods: its
// connection polls the port a simulated device is plugged into, the decoder
// decodes into the slot's records, and the running flag follows the
// run-state digit. The error log goes to a folder of the bench's own.
#include "link/comm.h"
#include "link/connection.h"
#include "link/counters.h"
#include "link/recv.h"
#include "recvfakes.h"
#include "sim/devsim.h"
#include "sim/peers.h"

#include <QStringList>
#include <QTest>

#include <vector>

namespace ql::testing {

inline LinkTimings FastTimings()
{
    using std::chrono::milliseconds;
    LinkTimings t;
    t.tick = milliseconds(0);  // the second counters tick only when told
    t.poll = milliseconds(5);
    t.connect = milliseconds(30);
    t.recvLamp = milliseconds(20);
    return t;
}

struct SlotBench {
    explicit SlotBench(int slot = 0, const LinkTimings& t = FastTimings()) : kSlot(slot), conn(st, slot, dec, ticker, t)
    {
        conn.onLamp = [this](bool lit) { lamp.push_back(lit); };
        conn.onLost = [this](const QString& port) { lost << port; };
        dec.errLog = [this](const QString& l, const QString& text) { errors << l + ":" + text; };
        dec.onSample = [this](int s, int c, int run, bool) {
            st.ch(s, c).Running = IsRunning(run);
            ++samples;
        };
    }

    bool Connect(int port) { return conn.Connect(PortName(port)) == SlotConnection::Opened::Ok; }

    // Lets the device answer (pumped here or on its own) and the poll run
    // until cond holds.
    template <typename Cond>
    bool Until(sim::DeviceSim& dev, Cond cond, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                dev.pump(0);
                return cond();
            },
            ms);
    }
    bool Identified(sim::DeviceSim& dev)
    {
        return Until(dev, [&] { return !slot().Connecting; });
    }
    // One second of device time, then waits until its replies are decoded.
    bool Step(sim::DeviceSim& dev)
    {
        const int want = samples + dev.channels();
        dev.step(1.0);
        return Until(dev, [&] { return samples >= want; });
    }

    const SlotState& slot() const { return st.slot[size_t(kSlot)]; }
    const ChanState& ch(int c) const { return st.ch(kSlot, c); }
    const FakePanel& panel() const { return host.panels[kSlot]; }

    sim::PortsDir ports;
    sim::LogCapture log;
    LinkState st;
    FakeHost host{st};
    SecondTicker ticker{st, std::chrono::milliseconds(0)};
    ReplyDecoder dec{st, host};
    const int kSlot;
    SlotConnection conn;
    std::vector<bool> lamp;  // every change the connection reported
    QStringList lost;        // ports reported lost
    QStringList errors;      // the decoder's log
    int samples = 0;
};

}  // namespace ql::testing
