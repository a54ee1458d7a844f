#pragma once
// DeviceSim: a stand-in QL device on a pseudo-terminal, for tests.
//
//   ql::sim::PortsDir ports;        // temp ports folder; sets QL_PORTS and
//                                   // QL_SYSTEM_PORTS=0 while it lives
//   ql::sim::DeviceSim dev(11, 300);  // device type code, firmware version
//   dev.plug(ports.path(), 3);      // a pty, linked as <ports>/COM3
//   ... the program opens COM3 and sends connect ...
//   dev.waitForFrames(1);           // read and act on the command frames
//   dev.step(1.0);                  // one second of device time, then one
//                                   // data reply per channel
//   dev.received();                 // every command frame, byte for byte
//   dev.sent();                     // every byte written to the line
//   dev.unplug();                   // the adapter vanishes
//
// Driving: either explicitly (pump() reads commands, step() advances time
// and replies) for deterministic tests, or start(ms) which pumps on every
// incoming byte and steps every ms milliseconds of wall time.
//
// Replies: 0xFA, 17 body bytes p0..p16, 0xF8. p0 = 100 * kind (0 data,
// 1 info) + 10 * run state + mode; p1p2 current, p3p4 voltage, p5p6
// capacity, p7p8 temperature (0.1 C), p9..p14 the echoed set value, limit
// and third value (info: firmware version, rated voltage, rated current);
// p15 = 100 * channel + type; p16 makes the XOR of p0..p16 zero mod 240.
// Currents are in 10 mA, or in 1 mA on the models that have it (0.1 mA on
// type 26 from version 320).
// Pairs are base 240. Voltage above 32.767 V and capacity above 32.767 Ah
// use the range offsets 32768 (and 53248 for capacity above 163.83 Ah).
//
// Behaviour: connect answers with an info reply (first, as the device does)
// and a data reply per channel, or with the info reply alone
// (setConnectInfoOnly), and replies flow on every step() until disconnect. Start (and
// continue) run the channel in the mode of the command byte: mode 0 draws
// the set current, mode 1 the set power, modes from chargeMode() on charge
// at the set current (a charge profile takes its limit as a cell count and
// ends at that many cells' end voltage); the voltage sags (or rises) with
// the current through
// the cell's internal resistance and with its state of charge; capacity
// and energy integrate; the run ends when the voltage crosses the limit,
// when the minutes of the third value are up, or on stop. Set changes the
// running values (a frame with only byte 8 set is a fast-charge trigger).
// A resistance test on an idle channel loads the cell briefly with the
// frame's current and reports the voltage drop (current times the cell's
// internal resistance) once, in the capacity field of the next data reply.
// Frames with a bad check byte are recorded but not acted on.
//
// Flood: startFlood() writes to the line as fast as it takes bytes, from a
// thread of its own (a USB device not held to the line rate, a faulty
// adapter): junk bytes or copies of the present data reply.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

class QSocketNotifier;
class QTimer;

namespace ql::sim {

// A temporary ports folder. While it lives QL_PORTS points at it and
// QL_SYSTEM_PORTS is 0, so no port resolves to a real serial device.
class PortsDir {
public:
    PortsDir();
    ~PortsDir();
    PortsDir(const PortsDir&) = delete;
    PortsDir& operator=(const PortsDir&) = delete;
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray oldPorts_, oldSystem_;
    bool hadPorts_ = false, hadSystem_ = false;
};

// Encoding helpers, shared with the tests.
uint16_t Pair(const uint8_t* p);  // hi * 240 + lo
void PutPair(uint8_t* p, int64_t v);  // clamps to 0..57599
uint8_t ReplyCheck(const uint8_t* body16);  // XOR of 16 bytes mod 240

class DeviceSim : public QObject {
    Q_OBJECT
public:
    struct Channel {
        bool running = false;
        int mode = 0;
        int32_t setRaw = 0, lmtRaw = 0, timRaw = 0;
        double current = 0;  // A, positive
        double volt = 0;     // V at the terminals
        double cap = 0;      // Ah of this run
        double energy = 0;   // Wh of this run
        double runSecs = 0;
        double temp = 25;
        int forcedRunState = -1;  // reported run-state digit; -1 = natural
        // Voltage drop of a resistance test, reported once in the capacity
        // field of the next data reply while idle; -1 = none pending.
        double resDrop = -1;
        int forcedMode = -1;      // reported mode digit; -1 = the running mode
        // The cell on this channel.
        double emfFull = 4.2, emfEmpty = 3.0, rint = 0.05, capacityAh = 2.0, charge = 2.0;
    };
    enum class Reply { Data, Info };

    DeviceSim(int devType, int fwVersion, QObject* parent = nullptr);
    ~DeviceSim() override;

    // Creates the pseudo-terminal and links its slave as <folder>/COM<port>.
    bool plug(const QString& folder, int port);
    // Closes the master (and the link stays dangling): the adapter is gone.
    void unplug();
    bool plugged() const { return master_ >= 0; }
    QString slavePath() const { return slave_; }
    QString linkPath() const { return link_; }

    // Reads pending command frames (waiting up to waitMs for the first
    // byte) and acts on them; returns the frames taken.
    int pump(int waitMs = 0);
    // Pumps until at least n frames have been received in total.
    bool waitForFrames(int n, int timeoutMs = 2000);
    // Advances device time by seconds and, while connected, sends one data
    // reply per channel (and an info reply per channel every infoEvery steps).
    void step(double seconds = 1.0);
    // Runs on its own: pumps on input, steps every intervalMs.
    void start(int intervalMs = 500);
    void stop();

    // Replies built from the present state (without sending them); replyAs
    // builds them as a device of another type code would send them, with
    // that type's current units.
    QByteArray reply(int chn, Reply kind) const { return replyAs(chn, kind, type_); }
    QByteArray replyAs(int chn, Reply kind, int type) const;
    void sendReply(int chn, Reply kind);
    void sendRaw(const QByteArray& bytes);

    // Faults.
    void corruptNextCheck() { corruptNext_ = true; }
    void sendShortFrame(int bodyBytes, int chn = 0);  // FA, first bodyBytes of a data reply, F8
    void setNoise(const QByteArray& bytes) { noise_ = bytes; }  // sent before every reply
    // Report a run going (as if started on the device itself).
    void reportRun(int chn, int mode, int32_t setRaw, int32_t lmtRaw, int32_t timRaw = 0);
    void forceRunState(int chn, int digit) { ch_.at(size_t(chn)).forcedRunState = digit; }
    // Report this mode digit whatever the channel runs (-1: the real one).
    void forceMode(int chn, int digit) { ch_.at(size_t(chn)).forcedMode = digit; }
    // A mixed-up bus: every step also sends a data reply per channel as a
    // device of type foreign would (replyAs); 0 ends it.
    void mixInType(int foreign) { foreign_ = foreign; }
    // Floods the line until stopFlood() or unplug().
    enum class Flood { Junk, Frames };
    void startFlood(Flood kind);
    void stopFlood();
    qint64 floodBytes() const { return floodBytes_.load(); }  // bytes the flood wrote

    // Settings.
    void setInfoEvery(int steps) { infoEvery_ = steps; }
    void setConnectInfoOnly(bool on) { connectInfoOnly_ = on; }
    // A silent device records the frames it receives and acts on none.
    void setSilent(bool on) { silent_ = on; }
    void setRated(double volts, double amps) { ratedVolt_ = volts, ratedCur_ = amps; }
    void setFactors(int cur, int vol, int pwr) { curFactor_ = cur, volFactor_ = vol, pwrFactor_ = pwr; }
    void setChargeMode(int firstChargeMode) { chargeMode_ = firstChargeMode; }
    void setCell(int chn, double emfFull, double emfEmpty, double rint, double capacityAh);
    void setAuxVolts(double d1, double d2) { aux1_ = d1, aux2_ = d2; }

    // Inspection.
    int devType() const { return type_; }
    int channels() const { return twoChannel_ ? 2 : 1; }
    bool connected() const { return connected_; }
    const Channel& channel(int chn) const { return ch_.at(size_t(chn)); }
    const QList<QByteArray>& received() const { return received_; }
    const QByteArray& sent() const { return sent_; }
    qint64 bytesIn() const { return bytesIn_; }  // every byte read from the line
    // Bytes written to the line that the program has not taken off it yet
    // (what the line itself holds; 0 when unplugged).
    qint64 unread() const;
    // Waits, without running events, until the line holds at least n bytes
    // the program has not taken: everything sent so far has arrived when n
    // is all of it and the program reads nothing meanwhile.
    bool waitUnread(qint64 n, int timeoutMs = 2000) const;
    void clearRecorded();
    int lastTrigger() const { return lastTrigger_; }  // byte 8 of the last trigger frame, -1 none
    int timeMinutes(int chn) const { return timeMinutes_.at(size_t(chn)); }

private:
    void feed(const QByteArray& bytes);
    void handle(const QByteArray& frame);
    void settle(Channel& c);
    void endRun(Channel& c);
    double emf(const Channel& c) const;

    int type_, fw_;
    bool twoChannel_;
    int curFactor_ = 100, volFactor_ = 100, pwrFactor_ = 1;
    int chargeMode_ = 99;
    double ratedVolt_ = 30, ratedCur_ = 10;
    double aux1_ = 0.6, aux2_ = 0.6;
    int infoEvery_ = 0, steps_ = 0;
    int foreign_ = 0;
    bool connected_ = false;
    bool connectInfoOnly_ = false;
    bool silent_ = false;
    bool corruptNext_ = false;
    QByteArray noise_;
    int lastTrigger_ = -1;
    std::array<int, 2> timeMinutes_{{-1, -1}};
    std::array<Channel, 2> ch_;

    int master_ = -1, slaveFd_ = -1;
    QString slave_, link_;
    QByteArray inbuf_;
    QList<QByteArray> received_;
    QByteArray sent_;
    qint64 bytesIn_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    std::thread flood_;
    std::atomic<bool> flooding_{false};
    std::atomic<qint64> floodBytes_{0};
};

} // namespace ql::sim
