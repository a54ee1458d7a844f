#pragma once
// One device slot's serial connection.
//
// SlotConnection owns what keeps a slot talking to its device: the port and
// its line settings (9600 baud, 8 data bits, even parity, one stop bit), the
// poll timer that reads and decodes what the port holds, the timer that
// repeats the connect frame until the first valid reply, the receive lamp
// (lit by a reply's start byte, out again one lamp period later), the resets
// of a connect, and a port that closes itself because its adapter is gone.
// It writes the slot's record (hComm, PortNo, Connecting, RecvLit) and
// reports changes through its callbacks; it never touches a widget. The
// program, the tests, the soak and the benchmarks all drive this object.
#include "link/timings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace ql {

class ReplyDecoder;
class SecondTicker;
struct LinkState;

class SlotConnection : public QObject {
public:
    SlotConnection(LinkState& state, int slot, ReplyDecoder& decoder, SecondTicker& ticker,
                   const LinkTimings& timings, QObject* parent = nullptr);
    ~SlotConnection() override;

    SlotConnection(const SlotConnection&) = delete;
    SlotConnection& operator=(const SlotConnection&) = delete;

    enum class Opened {
        Ok,           // open, reset, polling, connect sent
        AlreadyOpen,  // the slot holds a port: nothing changed
        BadName,      // the text names no port ("COM" and ASCII digits, see PortNumber)
        CannotOpen,   // missing, held elsewhere, or refused the line settings
    };
    // Opens the port the text names ("COM<n>"): the line settings, the
    // slot's framing, measurements and counters reset, polling on, and the
    // first connect frame, repeated every connect period until the device's
    // first valid reply identifies it. A failure changes nothing and is
    // logged ("ErrConn") with the device path and the reason.
    Opened Connect(const QString& portText);

    // Sends disconnect when a port is open and closes it; polling, the
    // connect repeat and the lamp stop, both channels' second timers pause
    // and stop, and the record holds no port. Harmless when closed.
    void Disconnect();

    // Stops every timer of the slot without sending anything (the window
    // goes away); the port is left to its owner.
    void Halt();

    // One poll: reads what the port holds (up to the serial layer's bound)
    // and decodes it. The poll timer calls it; tests may too.
    void Poll();

    int Slot() const { return slot_; }

    // The receive lamp went on or off (SlotState::RecvLit holds it).
    std::function<void(bool lit)> onLamp;
    // The port closed itself (the adapter is gone): the slot has been reset
    // as by a disconnect, without a frame; port is the port's name.
    std::function<void(const QString& port)> onLost;

private:
    void sendConnect();
    void setLamp(bool lit);
    void portLost(const void* port);
    // What a disconnect and a lost port both do once the port is gone.
    void resetLink();

    LinkState& st_;
    const int slot_;
    ReplyDecoder& decoder_;
    SecondTicker& ticker_;
    QTimer poll_, connect_, lamp_;
};

} // namespace ql
