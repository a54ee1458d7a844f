#include "platform/serial.h"

#include "platform/services.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QMutex>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSet>

#include <algorithm>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace ql {

namespace {

// Devices held open by this program, by canonical path. Qt's lock files keep
// other programs out; this set also covers two names of one device.
QMutex heldMutex;
QSet<QString>& heldPaths()
{
    static QSet<QString> held;
    return held;
}

std::function<QStringList()>& customLister()
{
    static std::function<QStringList()> lister;
    return lister;
}

QStringList defaultSystemPorts()
{
    if (qEnvironmentVariable("QL_SYSTEM_PORTS") == QLatin1String("0"))
        return {};
    QStringList result;
    const QDir dev(QStringLiteral("/dev"));
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        const QString pre = QLatin1String(prefix);
        QList<std::pair<int, QString>> group;
        for (const QString& entry : dev.entryList({pre + QLatin1Char('*')}, QDir::System | QDir::Files)) {
            bool ok = false;
            const int n = entry.mid(pre.size()).toInt(&ok);
            if (ok)
                group.append({n, entry});
        }
        std::sort(group.begin(), group.end());
        for (const auto& g : group)
            result.append(dev.filePath(g.second));
    }
    return result;
}

bool toQt(const LineSettings& s, QSerialPort::DataBits& data, QSerialPort::StopBits& stop,
          QSerialPort::Parity& parity)
{
    if (s.baudRate <= 0 || s.byteSize < 5 || s.byteSize > 8)
        return false;
    data = static_cast<QSerialPort::DataBits>(s.byteSize);
    switch (s.stopBits) {
    case 0: stop = QSerialPort::OneStop; break;
    case 1: stop = QSerialPort::OneAndHalfStop; break;
    case 2: stop = QSerialPort::TwoStop; break;
    default: return false;
    }
    switch (s.parity) {
    case 0: parity = QSerialPort::NoParity; break;
    case 1: parity = QSerialPort::OddParity; break;
    case 2: parity = QSerialPort::EvenParity; break;
    case 3: parity = QSerialPort::MarkParity; break;
    case 4: parity = QSerialPort::SpaceParity; break;
    default: return false;
    }
    return true;
}

// Clears the line flags a previous owner may have left on the device (a
// killed program restores nothing): plain raw 8-bit input, receiver on,
// modem lines honoured. The speed stays; the open sets everything again.
void resetLineFlags(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        tio.c_iflag = 0;
        tio.c_oflag = 0;
        tio.c_lflag = 0;
        tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::close(fd);
}

} // namespace

void SerialPort::setSystemPortLister(std::function<QStringList()> lister)
{
    customLister() = std::move(lister);
}

QStringList SerialPort::systemPorts()
{
    return customLister() ? customLister()() : defaultSystemPorts();
}

QString SerialPort::resolve(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^COM([1-9][0-9]{0,8})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name);
    if (!m.hasMatch())
        return {};
    const int n = m.captured(1).toInt();

    QString folder = qEnvironmentVariable("QL_PORTS");
    if (folder.isEmpty())
        folder = QDir(ProgramDir()).filePath(QStringLiteral("ports"));
    const QFileInfo entry(QDir(folder).filePath(QStringLiteral("COM%1").arg(n)));
    if (entry.exists() || entry.isSymLink())
        return entry.filePath();

    const QStringList system = systemPorts();
    if (n >= 2 && n - 2 < system.size())
        return system.at(n - 2);
    return {};
}

std::shared_ptr<SerialPort> SerialPort::open(const QString& name, const LineSettings& line, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return std::shared_ptr<SerialPort>();
    };
    const QString path = resolve(name);
    if (path.isEmpty())
        return fail(QStringLiteral("%1: no such port").arg(name));
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return fail(QStringLiteral("%1: cannot open %2: the device does not exist").arg(name, path));

    std::shared_ptr<SerialPort> port(new SerialPort(name, canonical));
    port->line_ = line;
    {
        QMutexLocker lock(&heldMutex);
        if (heldPaths().contains(canonical))
            return fail(QStringLiteral("%1: cannot open %2: this program holds it already").arg(name, canonical));
        heldPaths().insert(canonical);
        port->held_ = true;
    }
    if (!port->openDevice(error))
        return {};
    return port;
}

SerialPort::SerialPort(const QString& name, const QString& path) : name_(name), path_(path) {}

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::openDevice(QString* error)
{
    QSerialPort::DataBits data{};
    QSerialPort::StopBits stop{};
    QSerialPort::Parity parity{};
    if (!toQt(line_, data, stop, parity)) {
        if (error)
            *error = QStringLiteral("%1: unsupported line settings").arg(name_);
        return false;
    }
    bool ok = tryOpen();
    // Settings refused on a device that could be opened: a previous owner
    // may have left flags the driver will not combine with ours.
    if (!ok && port_->error() == QSerialPort::UnsupportedOperationError) {
        resetLineFlags(path_);
        ok = tryOpen();
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1: cannot open %2: %3").arg(name_, path_, port_->errorString());
        return false;
    }
    failed_ = false;
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(e); });
    return true;
}

bool SerialPort::tryOpen()
{
    QSerialPort::DataBits data{};
    QSerialPort::StopBits stop{};
    QSerialPort::Parity parity{};
    toQt(line_, data, stop, parity);
    delete port_;
    port_ = new QSerialPort(this);
    // Everything is set before open: a pseudo-terminal rejects parity
    // changes on an open descriptor.
    port_->setPortName(path_);
    port_->setReadBufferSize(kReadBufferSize);
    return port_->setBaudRate(line_.baudRate) && port_->setDataBits(data) && port_->setStopBits(stop)
           && port_->setParity(parity) && port_->setFlowControl(QSerialPort::NoFlowControl)
           && port_->open(QIODevice::ReadWrite);
}

bool SerialPort::isOpen() const
{
    return port_ && port_->isOpen();
}

void SerialPort::close()
{
    if (port_ && port_->isOpen())
        port_->close();
    if (held_) {
        QMutexLocker lock(&heldMutex);
        heldPaths().remove(path_);
        held_ = false;
    }
}

void SerialPort::onError(int error)
{
    // QSerialPort repeats a read error for as long as the descriptor stays
    // open (tens of thousands of times a second once the device is gone), so
    // such a port is closed on the first one.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (failed_ || !isOpen())
        return;
    failed_ = true;
    ErrLog(QStringLiteral("ErrComm"), QStringLiteral("%1: device lost, port closed (%2)").arg(name_, lossCause(error)));
    close();
    // Reported later: a receiver may drop the last reference to this port,
    // which must not happen inside QSerialPort's own signal.
    QMetaObject::invokeMethod(this, [this] { emit lost(); }, Qt::QueuedConnection);
}

QString SerialPort::lossCause(int error) const
{
    // QSerialPort's own text comes from errno even when the read merely
    // returned end of file (a hung-up line), so it often names an unrelated
    // earlier failure. The cause is found out afresh.
    struct stat info {};
    if (::stat(QFile::encodeName(path_).constData(), &info) != 0)
        return QStringLiteral("device %1 is gone").arg(path_);
    pollfd p{int(port_->handle()), POLLIN, 0};
    if (p.fd >= 0 && ::poll(&p, 1, 0) > 0) {
        if (p.revents & POLLHUP)
            return QStringLiteral("the line was hung up");
        if (p.revents & (POLLERR | POLLNVAL))
            return QStringLiteral("the device reports an error");
    }
    return error == QSerialPort::ResourceError ? QStringLiteral("the device became unavailable")
                                               : QStringLiteral("reading failed");
}

qint64 SerialPort::driverQueued() const
{
    int n = 0;
    if (!isOpen() || ::ioctl(int(port_->handle()), FIONREAD, &n) != 0)
        return 0;
    return n;
}

void SerialPort::dropBacklog()
{
    const qint64 n = driverQueued();
    if (n <= 0)
        return;
    ::tcflush(int(port_->handle()), TCIFLUSH);
    if (!overflowLogged_) {
        overflowLogged_ = true;
        ErrLog(QStringLiteral("ErrComm"),
               QStringLiteral("%1: input comes faster than it is read; what arrives beyond the %2-byte buffer "
                              "is discarded")
                   .arg(name_)
                   .arg(kReadBufferSize));
    }
}

QByteArray SerialPort::read(int max)
{
    max = std::clamp(max, 0, kReadBufferSize);
    if (!isOpen() || max == 0)
        return {};
    // Take in what the driver holds now, as far as the buffer has room; a
    // zero wait never blocks.
    if (port_->bytesAvailable() < max)
        port_->waitForReadyRead(0);
    if (!isOpen())
        return {};
    const bool full = port_->bytesAvailable() >= kReadBufferSize;
    QByteArray data = port_->read(max);
    // A full buffer means the source outruns the reader: what the driver
    // queued meanwhile is stale and goes, so the reader stays near the
    // present and memory stays bounded.
    if (full)
        dropBacklog();
    return data;
}

qint64 SerialPort::write(const QByteArray& data)
{
    if (!isOpen() || data.isEmpty())
        return 0;
    if (port_->write(data) < 0)
        return 0;
    QElapsedTimer clock;
    clock.start();
    while (isOpen() && port_->bytesToWrite() > 0) {
        const qint64 left = kWriteTimeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        port_->waitForBytesWritten(int(left));
    }
    if (!isOpen())
        return 0;
    const qint64 unsent = port_->bytesToWrite();
    if (unsent > 0)
        port_->clear(QSerialPort::Output);
    return data.size() - unsent;
}

bool SerialPort::setLine(const LineSettings& line)
{
    if (!isOpen())
        return false;
    if (line == line_)
        return true;
    QSerialPort::DataBits data{};
    QSerialPort::StopBits stop{};
    QSerialPort::Parity parity{};
    if (!toQt(line, data, stop, parity))
        return false;
    port_->close();
    const LineSettings old = line_;
    line_ = line;
    if (openDevice(nullptr))
        return true;
    // Fall back to the settings that worked; the port stays usable.
    line_ = old;
    openDevice(nullptr);
    return false;
}

} // namespace ql
