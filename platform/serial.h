#pragma once
// A serial line for one device: QSerialPort in raw mode, exclusive,
// configured before it is opened, with reads that never wait and writes
// that give up after 100 ms.
//
// Port names are "COM" and a number. A name is resolved to a device path:
//   1. the entry of that name (normally a link to a device) in the ports
//      folder: the folder named by QL_PORTS, else "ports" in the program
//      folder. An entry that exists there, even a dangling link, wins.
//   2. otherwise the machine's serial devices, listed as /dev/ttyUSB*, then
//      /dev/ttyACM*, then /dev/ttyS*, each group in numeric order; COM2 is
//      the first of that list, COM3 the second and so on (COM1 maps to
//      none: the port scan starts at COM2). One USB adapter is thus COM2.
//      QL_SYSTEM_PORTS=0 in the environment empties this list; tests do so.
//
// Input is held in a bounded buffer (kReadBufferSize): a source faster than
// the program reads (a USB device not held to the line rate, a faulty
// adapter) cannot fill memory. A read drains what is waiting, up to
// kMaxRead; when the buffer was full, what the driver queued beyond it is
// discarded, and the first discard of an open port is logged.
//
// A port that reports a read or resource error (an unplugged adapter) is
// closed at once and the loss logged once with its cause; isOpen() is then
// false and lost() is emitted.
//
// Opening never depends on line flags a previous owner left behind (a
// program killed while it held a pseudo-terminal leaves CLOCAL and IGNPAR
// set): when the driver refuses the settings, the line is reset to plain
// raw input and the open tried once more.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSerialPort;

namespace ql {

// Line settings with the values of the line-state call: stop bits 0 = one,
// 1 = one and a half, 2 = two; parity 0 none, 1 odd, 2 even, 3 mark, 4 space.
struct LineSettings {
    qint32 baudRate = 9600;
    int byteSize = 8;
    int stopBits = 0;
    int parity = 2;
    bool operator==(const LineSettings&) const = default;
};

class SerialPort : public QObject {
    Q_OBJECT
public:
    // One read takes at most kMaxRead bytes: at 9600 baud about 44 bytes
    // arrive per 50 ms poll, so a poll that comes late still catches up.
    static constexpr int kMaxRead = 512;
    // Bytes held between reads; input beyond it is discarded.
    static constexpr int kReadBufferSize = 4096;
    static constexpr int kWriteTimeoutMs = 100;

    // Opens the port exclusively with the given line settings (9600 8E1 by
    // default). Returns null when the name does not resolve, the device
    // cannot be opened, or the port is already held (by this program or by
    // another one that honours serial lock files). error, when given, says
    // why: the port name, the device path it resolved to and the reason
    // (the system's own text, such as "Permission denied").
    static std::shared_ptr<SerialPort> open(const QString& name, const LineSettings& line = {},
                                            QString* error = nullptr);

    // The device path a port name resolves to; empty when none.
    static QString resolve(const QString& name);

    // Replaces the list of the machine's serial devices (step 2 of the
    // resolution). An empty function restores the default listing.
    static void setSystemPortLister(std::function<QStringList()> lister);
    static QStringList systemPorts();

    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    QString name() const { return name_; }
    QString devicePath() const { return path_; }
    bool isOpen() const;
    LineSettings line() const { return line_; }

    // Closes the port; harmless when already closed.
    void close();

    // Returns what has arrived, at most max (and at most kReadBufferSize)
    // bytes, without waiting. Empty when nothing is there or the port is
    // closed.
    QByteArray read(int max = kMaxRead);

    // Writes data; gives up after 100 ms and then drops what is unsent.
    // Returns the number of bytes handed to the device (0 when closed).
    qint64 write(const QByteArray& data);

    // Applies new line settings. A pseudo-terminal refuses parity changes
    // on an open descriptor, so different settings reopen the port.
    bool setLine(const LineSettings& line);

signals:
    // The port closed itself after a read or resource error.
    void lost();

private:
    SerialPort(const QString& name, const QString& path);
    bool openDevice(QString* error);
    bool tryOpen();
    void onError(int error);
    QString lossCause(int error) const;
    qint64 driverQueued() const;
    void dropBacklog();

    QString name_;
    QString path_;  // canonical device path, the key of the in-process hold
    LineSettings line_;
    QSerialPort* port_ = nullptr;
    bool held_ = false;
    bool failed_ = false;
    bool overflowLogged_ = false;
};

} // namespace ql
