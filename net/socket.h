#pragma once
// Socket: one TCP client connection that never blocks the user interface.
// Host names are looked up asynchronously, received bytes are buffered until
// the owner takes them, and what happens on the line is reported through
// the signals below. Misuse is answered with an error number (0 = done):
// 40006 wrong state to send, 40014 argument out of range, 40020 invalid
// operation in the current state.
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

class QHostInfo;
class QTcpSocket;

namespace ql {

// Text of a socket error number; "Unknown error." for numbers not known.
QString GetErrorDescription(int number);

class Socket : public QObject {
    Q_OBJECT
public:
    enum SockState {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };
    enum ErrorNumber {
        kErrWrongState = 40006,     // "Wrong protocol or connection state ..."
        kErrArgument = 40014,       // "The argument passed to a function was not ..."
        kErrInvalidOperation = 40020,  // "Invalid operation at current state"
    };
    // Received bytes held at most; beyond it the rest waits in the system
    // (the peer is slowed down) until the owner takes data.
    static constexpr qint64 kMaxReceive = 1 << 20;

    explicit Socket(QObject* parent = nullptr);
    ~Socket() override;

    int RemotePort() const { return remotePort_; }
    int SetRemotePort(int port);  // only while closed; 0..65535
    QString RemoteHost() const { return remoteHost_; }
    int SetRemoteHost(const QString& host);  // only while closed
    QString RemoteHostIP() const { return remoteIP_; }
    int LocalPort() const { return boundPort_ != 0 ? boundPort_ : localPort_; }
    int SetLocalPort(int port);  // only while closed; 0..65535
    SockState State() const { return state_; }
    static QString LocalHostName();
    QString LocalIP() const { return localIP_; }
    qint64 BytesReceived() const { return recv_.size(); }
    int Protocol() const { return 0; }  // TCP
    QString Tag;

    // Ends the connection or the attempt and empties both buffers; the state
    // becomes sckClosed. Does nothing when there is nothing to close.
    void CloseSck();
    // Starts connecting to RemoteHost:RemotePort (a given host or port
    // replaces them first). The outcome comes as connected() or error().
    int Connect();
    int Connect(const QString& host, int port);
    // Queues bytes to send; only while connected. Empty data sends nothing.
    int SendData(const QByteArray& data);
    // Takes (GetData) or copies (PeekData) up to maxLen received bytes,
    // everything when maxLen is negative.
    QByteArray GetData(qint64 maxLen = -1);
    QByteArray PeekData(qint64 maxLen = -1) const;

signals:
    void closeSck();                     // the peer closed; state sckClosing
    void connected();                    // state sckConnected
    void dataArrival(qint64 bytesTotal);
    void error(int number, const QString& description, const QString& source);  // state sckError
    void sendComplete();
    void sendProgress(qint64 bytesSent, qint64 bytesRemaining);

private:
    void lookupDone(const QHostInfo& info);
    void connectToIP(const QHostAddress& address);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError(int qtError);
    void onBytesWritten(qint64 n);
    void report(int number, const QString& source);
    void dropSocket();

    std::unique_ptr<QTcpSocket> sock_;
    SockState state_ = sckClosed;
    QString remoteHost_;
    int remotePort_ = 0;
    QString remoteIP_;
    int localPort_ = 0;
    int boundPort_ = 0;
    QString localIP_;
    int lookupId_ = -1;
    QByteArray recv_;
    qint64 sent_ = 0;
    bool pullQueued_ = false;
};

} // namespace ql
