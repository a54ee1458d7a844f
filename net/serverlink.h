#pragma once
// ServerLink: the client of the maker's news server. While its connect
// timer runs it opens one TCP connection every 30th tick (until one
// succeeds), sends the news request "301en" and handles the replies: a news
// line with its link, a new server address (kept in the settings), the
// announcement of a banner picture; two seconds after a reply that ends the
// exchange the connection is closed. Every message is a UTF-8 text of a
// three-digit code and a payload; one arrival of bytes is one message.
//
// Everything from the network is untrusted: a reply longer than kMaxReply
// bytes, or a reply with a known code that is not well-formed UTF-8, is
// refused and ends the exchange; links other than http(s) are dropped; a
// server address other than a dotted IPv4 address is refused; banner bytes
// are limited to kMaxBanner and written only when they read as a picture;
// control characters are removed from the news text. The close timer runs
// from the first reply that ends the exchange: later ones do not restart it.
#include "net/banner.h"
#include "net/socket.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class QTimer;
class QWidget;

namespace ql {


// What the exchange hands to the main window.
class NewsHost {
public:
    virtual ~NewsHost() = default;
    virtual void SetNewsText(const QString& text) = 0;  // a news line to scroll
    virtual void SetNewsUrl(const QString& url) = 0;    // the link of the news or banner ("" = none)
    virtual void BannerOpened(QWidget* banner) = 0;     // the banner window, to be closed at shut-down
};

// The connect timer's tick and the time from a reply that ends the exchange
// to the close; the program's are 1 s and 2 s.
struct NewsPeriods {
    std::chrono::milliseconds connect{1000};
    std::chrono::milliseconds close{2000};
};

class ServerLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kServerPort = 8068;
    static constexpr int kConnectEvery = 30;  // ticks of the connect timer
    static constexpr int kTickCap = 65530;
    using Periods = NewsPeriods;
    static constexpr qsizetype kMaxReply = 4096;        // bytes of one reply
    static constexpr qint64 kMaxBanner = 1024 * 1024;   // bytes of a banner picture

    // Server reply codes.
    enum Code { kBanner = 103, kNews = 104, kAddress = 105, kEnd = 253, kStopBanner = 254, kEnd2 = 255 };

    // connectTimer and closeTimer belong to the owner; they get their
    // intervals from periods here and stay as they are (the owner enables
    // the connect timer when the news should be fetched). bannerOwner: the
    // window the banner is shown in.
    ServerLink(NewsHost& host, QTimer* connectTimer, QTimer* closeTimer, QWidget* bannerOwner,
               const Periods& periods = {}, QObject* parent = nullptr);
    ~ServerLink() override;

    // Where to connect: the built-in address and port 8068 unless changed.
    void SetServer(const QString& address, int port);

    void Timer2_Timer();  // connect timer tick
    void Timer3_Timer();  // close timer tick
    void Winsock1_Connect();
    void Winsock1_DataArrival(qint64 bytesTotal);  // takes the bytes: Receive
    // One message from the server, as one arrival of bytes: a reply with its
    // code, or, while a banner is expected, a piece of the picture.
    void Receive(const QByteArray& bytes);

    // Arms the receipt of a banner picture of the given length (1..kMaxBanner
    // bytes): the bytes that follow, in messages without a reply code, are
    // collected, acknowledged with "203" and the length so far, and once
    // complete written to BanPath() and shown. False for a length out of range.
    bool ExpectBanner(qint64 size);

    Socket& Winsock1() { return sock_; }
    int SvrTick() const { return svrTick_; }
    QString LinkUrl() const { return linkUrl_; }
    QString BanPath() const;
    bool BanRecv() const { return banRecv_; }
    frmBanner* banner() const { return banner_.data(); }

    // Numeric value of the start of a text: leading blanks, an optional sign,
    // digits, an optional decimal part and exponent; 0 when there is no number.
    static double Val(const QString& text);
    // A link the user may be sent to: an http or https address, else "".
    static QString SafeUrl(const QString& url);
    // The news text without control characters and line breaks, which would
    // otherwise reach the scrolling line as they are.
    static QString PlainNews(const QString& text);

private:
    void send(const QString& text);
    void armClose();
    void handleReply(int code, const QString& text);
    void handleNews(const QString& text);
    void receiveBanner(const QByteArray& bytes);
    void finishBanner();
    // Opens (or brings up) the banner window on the saved picture.
    void showBanner();

    NewsHost& host_;
    QTimer* connectTimer_;
    QTimer* closeTimer_;
    QPointer<QWidget> bannerOwner_;
    Socket sock_;
    QString address_;
    int port_ = kServerPort;
    int svrTick_ = 0;
    QString linkUrl_;
    bool banRecv_ = false;
    qint64 banSize_ = 0;
    QByteArray banData_;
    QPointer<frmBanner> banner_;
};

} // namespace ql
