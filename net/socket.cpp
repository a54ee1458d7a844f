#include "net/socket.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace ql {

namespace {

struct ErrorText {
    int number;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {10004, "Interrupted function call."},
    {10013, "Permission denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Resource temporarily unavailable."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on nonsocket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Network dropped connection on reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send after socket shutdown."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10065, "No route to host."},
    {10067, "Too many processes."},
    {10091, "Network subsystem is unavailable."},
    {10092, "Winsock.dll version out of range."},
    {10093, "Successful WSAStartup not yet performed."},
    {11001, "Host not found."},
    {11002, "Nonauthoritative host not found."},
    {11003, "This is a nonrecoverable error."},
    {11004, "Valid name, no data record of requested type."},
};

// The error number reported for a failure of the Qt socket.
int errorNumber(QAbstractSocket::SocketError e)
{
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10053;
    }
}

bool portOk(int port, int lowest) { return port >= lowest && port <= 65535; }

} // namespace

QString GetErrorDescription(int number)
{
    for (const ErrorText& e : kErrorTexts) {
        if (e.number == number)
            return QString::fromLatin1(e.text);
    }
    return QStringLiteral("Unknown error.");
}

Socket::Socket(QObject* parent) : QObject(parent) {}

Socket::~Socket()
{
    if (lookupId_ != -1)
        QHostInfo::abortHostLookup(lookupId_);
    if (sock_) {
        sock_->disconnect(this);
        sock_->abort();
    }
}

int Socket::SetRemotePort(int port)
{
    if (state_ != sckClosed)
        return kErrInvalidOperation;
    if (!portOk(port, 0))
        return kErrArgument;
    remotePort_ = port;
    return 0;
}

int Socket::SetRemoteHost(const QString& host)
{
    if (state_ != sckClosed)
        return kErrInvalidOperation;
    remoteHost_ = host;
    return 0;
}

int Socket::SetLocalPort(int port)
{
    if (state_ != sckClosed)
        return kErrInvalidOperation;
    if (!portOk(port, 0))
        return kErrArgument;
    localPort_ = port;
    return 0;
}

QString Socket::LocalHostName() { return QHostInfo::localHostName(); }

void Socket::dropSocket()
{
    if (lookupId_ != -1) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    if (sock_) {
        // May run inside one of the socket's own signals: delete it later.
        QTcpSocket* s = sock_.release();
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
}

void Socket::CloseSck()
{
    if (state_ == sckClosed && !sock_ && lookupId_ == -1)
        return;
    state_ = sckClosing;
    dropSocket();
    boundPort_ = 0;
    remoteIP_.clear();
    recv_.clear();
    sent_ = 0;
    state_ = sckClosed;
}

int Socket::Connect(const QString& host, int port)
{
    if (state_ != sckClosed)
        return kErrInvalidOperation;
    if (!portOk(port, 1))
        return kErrArgument;
    remoteHost_ = host;
    remotePort_ = port;
    return Connect();
}

int Socket::Connect()
{
    if (state_ != sckClosed)
        return kErrInvalidOperation;
    if (!portOk(remotePort_, 1))
        return kErrArgument;
    QHostAddress address;
    if (address.setAddress(remoteHost_) && address.protocol() == QAbstractSocket::IPv4Protocol) {
        connectToIP(address);
        return 0;
    }
    // A name: look it up without waiting.
    state_ = sckResolvingHost;
    lookupId_ = QHostInfo::lookupHost(remoteHost_, this, [this](const QHostInfo& info) { lookupDone(info); });
    return 0;
}

void Socket::lookupDone(const QHostInfo& info)
{
    if (state_ != sckResolvingHost || info.lookupId() != lookupId_)
        return;
    lookupId_ = -1;
    if (info.error() != QHostInfo::NoError) {
        report(11001, QStringLiteral("CSocketMaster.ConnectToIP"));
        return;
    }
    for (const QHostAddress& a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            state_ = sckHostResolved;
            connectToIP(a);
            return;
        }
    }
    report(11004, QStringLiteral("CSocketMaster.ConnectToIP"));
}

void Socket::connectToIP(const QHostAddress& address)
{
    sock_ = std::make_unique<QTcpSocket>();
    QTcpSocket* s = sock_.get();
    // Bounded read-ahead: a peer that sends more than the owner takes is
    // held back by the system instead of filling memory.
    s->setReadBufferSize(64 * 1024);
    connect(s, &QTcpSocket::connected, this, &Socket::onConnected);
    connect(s, &QTcpSocket::readyRead, this, &Socket::onReadyRead);
    connect(s, &QTcpSocket::disconnected, this, &Socket::onDisconnected);
    connect(s, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) { onError(int(e)); });
    connect(s, &QTcpSocket::bytesWritten, this, &Socket::onBytesWritten);
    if (localPort_ != 0 && !s->bind(QHostAddress(QHostAddress::AnyIPv4), quint16(localPort_))) {
        report(errorNumber(s->error()), QStringLiteral("CSocketMaster.BindInternal"));
        return;
    }
    state_ = sckConnecting;
    s->connectToHost(address, quint16(remotePort_));
}

void Socket::onConnected()
{
    if (state_ != sckConnecting)
        return;
    remoteIP_ = sock_->peerAddress().toString();
    remotePort_ = sock_->peerPort();
    boundPort_ = sock_->localPort();
    localIP_ = sock_->localAddress().toString();
    state_ = sckConnected;
    emit connected();
    onReadyRead();  // bytes that came with the connection
}

void Socket::onReadyRead()
{
    pullQueued_ = false;
    if (state_ != sckConnected || !sock_)
        return;
    const qint64 room = kMaxReceive - recv_.size();
    if (room <= 0 || sock_->bytesAvailable() <= 0)
        return;
    const QByteArray got = sock_->read(room);
    if (got.isEmpty())
        return;
    recv_.append(got);
    emit dataArrival(recv_.size());
}

void Socket::onDisconnected()
{
    if (state_ != sckConnected)
        return;
    state_ = sckClosing;
    emit closeSck();
}

void Socket::onError(int qtError)
{
    const auto e = QAbstractSocket::SocketError(qtError);
    if (e == QAbstractSocket::RemoteHostClosedError)
        return;  // reported as closeSck by onDisconnected
    if (state_ != sckConnecting && state_ != sckConnected)
        return;
    report(errorNumber(e), state_ == sckConnecting ? QStringLiteral("CSocketMaster.ConnectToIP")
                                                  : QStringLiteral("CSocketMaster.PostSocket"));
}

int Socket::SendData(const QByteArray& data)
{
    if (state_ != sckConnected || !sock_)
        return kErrWrongState;
    if (data.isEmpty())
        return 0;
    if (sock_->write(data) != data.size()) {
        report(errorNumber(sock_->error()), QStringLiteral("CSocketMaster.SendBufferedData"));
        return 0;
    }
    return 0;
}

void Socket::onBytesWritten(qint64 n)
{
    if (!sock_)
        return;
    sent_ += n;
    const qint64 remaining = sock_->bytesToWrite();
    emit sendProgress(sent_, remaining);
    if (remaining == 0) {
        sent_ = 0;
        emit sendComplete();
    }
}

QByteArray Socket::PeekData(qint64 maxLen) const
{
    return maxLen < 0 ? recv_ : recv_.left(maxLen);
}

QByteArray Socket::GetData(qint64 maxLen)
{
    QByteArray out;
    if (maxLen < 0 || maxLen >= recv_.size())
        out = std::exchange(recv_, QByteArray());
    else {
        out = recv_.left(maxLen);
        recv_.remove(0, maxLen);
    }
    // Bytes held back while the buffer was full come in on the next pass.
    if (sock_ && sock_->bytesAvailable() > 0 && !pullQueued_) {
        pullQueued_ = true;
        QTimer::singleShot(0, this, &Socket::onReadyRead);
    }
    return out;
}

void Socket::report(int number, const QString& source)
{
    state_ = sckError;
    emit error(number, GetErrorDescription(number), source);
}

} // namespace ql
