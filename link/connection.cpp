#include "link/connection.h"

#include "link/comm.h"
#include "link/counters.h"
#include "link/frames.h"
#include "link/recv.h"
#include "link/state.h"
#include "platform/serial.h"
#include "platform/services.h"

#include <utility>

namespace ql {

SlotConnection::SlotConnection(LinkState& state, int slot, ReplyDecoder& decoder, SecondTicker& ticker,
                               const LinkTimings& timings, QObject* parent)
    : QObject(parent), st_(state), slot_(slot), decoder_(decoder), ticker_(ticker)
{
    poll_.setInterval(timings.poll);
    connect_.setInterval(timings.connect);
    lamp_.setInterval(timings.recvLamp);
    lamp_.setSingleShot(true);
    QObject::connect(&poll_, &QTimer::timeout, this, &SlotConnection::Poll);
    QObject::connect(&connect_, &QTimer::timeout, this, &SlotConnection::sendConnect);
    QObject::connect(&lamp_, &QTimer::timeout, this, [this] { setLamp(false); });
}

SlotConnection::~SlotConnection() { Halt(); }

SlotConnection::Opened SlotConnection::Connect(const QString& portText)
{
    SlotState& s = st_.slot.at(size_t(slot_));
    if (s.hComm)
        return Opened::AlreadyOpen;
    const int number = PortNumber(portText);
    if (number < 0) {
        ErrLog(QStringLiteral("ErrConn"), QStringLiteral("\"%1\" names no port").arg(portText));
        return Opened::BadName;
    }
    QString error;
    CommHandle h = OpenPort(number, &error);
    if (h && !SetPortState(h, 9600, 8, 0, 2)) {
        error = QStringLiteral("%1: %2 refused the line settings").arg(h->name(), h->devicePath());
        ClosePort(h);
    }
    if (!h) {
        // Nothing is left half done: no handle, no timer.
        ErrLog(QStringLiteral("ErrConn"), error);
        return Opened::CannotOpen;
    }
    s.hComm = h;
    s.PortNo = number;
    const SerialPort* opened = h.get();
    QObject::connect(h.get(), &SerialPort::lost, this, [this, opened] { portLost(opened); });
    poll_.start();
    decoder_.ResetFraming(slot_);
    ConnectReset(st_, ticker_, slot_);
    s.Connecting = true;
    connect_.start();
    sendConnect();
    return Opened::Ok;
}

void SlotConnection::sendConnect() { SendConnect(st_, slot_); }

void SlotConnection::Poll()
{
    const RecvResult r = decoder_.RecvDevice(slot_);
    // A lit lamp keeps its rhythm: it goes out a lamp period after it was
    // lit, however many start bytes came meanwhile.
    if (r.startByte) {
        setLamp(true);
        if (!lamp_.isActive())
            lamp_.start();
    }
    // The decoder clears Connecting on the reply that identifies the device.
    if (!st_.slot.at(size_t(slot_)).Connecting && connect_.isActive())
        connect_.stop();
}

void SlotConnection::setLamp(bool lit)
{
    bool& on = st_.slot.at(size_t(slot_)).RecvLit;
    if (on == lit)
        return;
    on = lit;
    if (onLamp)
        onLamp(lit);
}

void SlotConnection::resetLink()
{
    poll_.stop();
    connect_.stop();
    lamp_.stop();
    SlotState& s = st_.slot.at(size_t(slot_));
    s.Connecting = false;
    s.PortNo = 0;
    for (int c = 0; c < kChanCount; ++c) {
        ticker_.TmrPause(slot_, c);
        ticker_.TmrStop(slot_, c);
    }
    setLamp(false);
}

void SlotConnection::Disconnect()
{
    SlotState& s = st_.slot.at(size_t(slot_));
    if (s.hComm) {
        SendDisconnect(st_, slot_);
        ClosePort(s.hComm);
    }
    resetLink();
}

void SlotConnection::Halt()
{
    poll_.stop();
    connect_.stop();
    lamp_.stop();
}

void SlotConnection::portLost(const void* port)
{
    SlotState& s = st_.slot.at(size_t(slot_));
    if (!port || s.hComm.get() != port)
        return;  // a port this slot no longer holds
    // The port has closed itself and logged the cause. The device may well
    // go on with its test, but nothing of it reaches the program any more:
    // the slot holds no port and no channel runs. One Connect after
    // replugging takes a run up again from its record.
    const QString name = s.hComm->name();
    // The port object is released after the signal that brought us here.
    CommHandle gone = std::exchange(s.hComm, nullptr);
    QMetaObject::invokeMethod(this, [gone] {}, Qt::QueuedConnection);
    for (ChanState& c : s.chn) {
        c.Running = false;
        c.ContWait = false;
    }
    resetLink();
    if (onLost)
        onLost(name);
}

} // namespace ql
