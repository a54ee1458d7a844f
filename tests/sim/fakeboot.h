#pragma once
// FakeBoot: a stand-in for a device's resident boot loader on a
// pseudo-terminal, for the firmware-update tests. It answers the
// synchronisation byte, Get, Read Memory, Write Memory (checking the packet's
// check byte with the program's key), global Erase and Go, keeps a 64 KiB
// memory, and records what it was sent. Faults make it refuse or stay
// silent at chosen steps.
//
//   ql::sim::FakeBoot boot(26);            // device type in the Get reply
//   boot.plug(ports.path(), 9);            // linked as <ports>/COM9
//   boot.setId(0x4002, 310);               // firmware id stored (scrambled)
//   ... the program talks to COM9 ...     // answered as bytes arrive
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class QSocketNotifier;

namespace ql::sim {

class FakeBoot : public QObject {
    Q_OBJECT
public:
    struct Write {
        int address;
        QByteArray data;
    };
    enum class Fault {
        None,
        NakSync,        // answers the synchronisation byte with 0x1F
        Silent,         // answers nothing at all
        BadMarker,      // Get reply without the "W" marker
        ShortGet,       // Get reply of 6 bytes
        EraseNoAnswer,  // acknowledges Erase, never its FF 00
        NakWrite,       // refuses the write packet of block failBlock
        LongGet,        // one byte more after the Get reply
        DoubleAck,      // acknowledges every command byte pair twice
        Flood,          // answers the synchronisation byte with ACK bytes
                        // without end (a line that talks on), until the
                        // fault changes or kFloodBytes have gone out
    };
    static constexpr qint64 kFloodBytes = 8 << 20;

    explicit FakeBoot(int devType, QObject* parent = nullptr);
    ~FakeBoot() override;

    bool plug(const QString& folder, int port);
    void unplug();

    // Stores id at address as the device does: each byte XOR 0xD7.
    void setId(int address, int id);
    // Another device on the same line (the cable moved to it).
    void setType(int devType) { type_ = devType; }
    // Bytes sent unasked, as line noise or a late echo would be.
    void inject(const QByteArray& bytes) { send(bytes); }
    // Bytes sent that the program's end of the line has not read yet.
    int unread() const;
    void setFault(Fault f, int failBlock = 0);
    // Bytes the flood has written to the line (the line takes no more than
    // its buffers hold beyond what the program reads).
    qint64 floodBytes() const { return floodBytes_.load(); }

    const QByteArray& received() const { return received_; }
    const QList<Write>& writes() const { return writes_; }
    const QList<int>& reads() const { return reads_; }
    int syncs() const { return syncs_; }
    bool erased() const { return erased_; }
    int goAddress() const { return go_; }
    const std::vector<uint8_t>& memory() const { return mem_; }

private:
    void onReadable();
    void process();
    void send(const QByteArray& b);
    void ack();
    void startFlood();
    void stopFlood();

    enum class St { Cmd, ReadAddr, ReadCount, WriteAddr, WriteData, EraseCode, GoAddr };
    int type_;
    Fault fault_ = Fault::None;
    int failBlock_ = 0;
    St st_ = St::Cmd;
    int addr_ = 0;
    QByteArray in_;
    std::vector<uint8_t> mem_;
    QByteArray received_;
    QList<Write> writes_;
    QList<int> reads_;
    int syncs_ = 0;
    bool erased_ = false;
    int go_ = -1;
    int master_ = -1, slaveFd_ = -1;
    QString link_;
    QSocketNotifier* notifier_ = nullptr;
    std::thread flood_;
    std::atomic<bool> flooding_{false};
    std::atomic<qint64> floodBytes_{0};
};

} // namespace ql::sim
