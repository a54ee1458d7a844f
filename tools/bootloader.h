#pragma once
// The boot-loader exchange of the firmware update: the device's resident
// boot loader on a TTL serial line (9600 baud, even parity, 8 data bits, 1
// stop bit), driven by command bytes followed by their complement and
// acknowledged with 0x79. Each operation returns whether it succeeded and
// never throws; a time-out, a short reply or another error is logged under
// the operation's label, a refusal (a reply that is not ACK) is not.
//
// Each operation starts from an empty input: whatever the line still holds
// from before (a stray byte, the tail of an earlier reply) is dropped. Within
// an operation every reply is judged whole: bytes that arrive before a
// request, or more bytes than the step expects, fail the operation (logged
// as an error) instead of being taken as the next reply. Input is read no
// further than one byte past the reply due, so a line that floods holds no
// more memory than a reply.
//
// Every reply wait lets pending events run, so the program stays live; it
// lasts at most replyTimeoutMs, and once the expected bytes are in it waits
// settleMs more to see whether more follow.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace ql {

class SerialPort;

// The line the exchange talks over: the update dialog's serial port, or a
// stand-in that plays the boot loader's side.
class BootLine {
public:
    virtual ~BootLine() = default;
    virtual bool isOpen() const = 0;
    // What has arrived, at most max bytes, without waiting.
    virtual QByteArray read(int max) = 0;
    virtual void write(const QByteArray& bytes) = 0;
};

class BootLoader {
public:
    static constexpr uint8_t kAck = 0x79;
    static constexpr uint8_t kSync = 0x7F;
    static constexpr uint8_t kXorKey = 0xD7;
    static constexpr int kBlock = 128;

    // log(label, text): ErrLog by default.
    explicit BootLoader(std::function<void(const QString&, const QString&)> log = {});

    // Talks over the serial port (none: over no line).
    void setPort(std::shared_ptr<SerialPort> port);
    const std::shared_ptr<SerialPort>& port() const { return port_; }
    // Talks over another line; port() is then empty.
    void setLine(std::shared_ptr<BootLine> line);

    bool BootSync();                                          // "ErrCO"
    bool BootGet();                                           // "ErrGT"
    bool BootReadMem(uint32_t address, int n);                // "ErrRM"
    bool BootWriteMem(uint32_t address, const uint8_t* data, int n);  // "ErrWM"
    bool BootErase();                                         // "ErrEE"
    bool BootGo();                                            // "ErrGO"

    // Where the image goes: 0x8C00 for the models that want it, else 0x9000.
    uint16_t ImageBase() const { return ImageBaseFor(BootType); }
    static uint16_t ImageBaseFor(int type);

    // 00 00 hi lo and the XOR of the four.
    static QByteArray AddressFrame(uint32_t address);
    // The write packet: n - 1, the data unchanged, the check byte.
    static QByteArray WritePacket(const uint8_t* data, int n);

    int BootType = 0;
    int16_t FwId = 0;
    std::array<uint8_t, kBlock> RdBuf{};
    int replyTimeoutMs = 2000;
    int settleMs = 3;

private:
    static constexpr int kFlushReads = 1024;
    // Drops every byte held.
    void flush();
    // Moves what the port holds into inbuf_, up to one byte past limit;
    // false when inbuf_ then holds more than limit bytes.
    bool take(int limit);
    // Writes out (when the port is open) and waits for n bytes; reply gets
    // every byte of the wait. False with error for bytes before the
    // request, no reply, or more than n bytes (found as soon as they come).
    bool exchange(const QByteArray& out, int n, QByteArray* reply, QString* error);
    bool readMem(uint32_t address, int n);
    // One step that expects a lone ACK. error is set for a time-out.
    bool ackStep(const QByteArray& out, QString* error);
    bool fail(const char* label, const QString& error);
    bool readId(uint32_t address, QString* error);

    bool lineOpen() const { return line_ && line_->isOpen(); }

    std::shared_ptr<SerialPort> port_;
    std::shared_ptr<BootLine> line_;  // the port's, or a stand-in
    QByteArray inbuf_;
    std::function<void(const QString&, const QString&)> log_;
};

} // namespace ql
