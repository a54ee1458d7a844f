#include "net/serverlink.h"

#include "net/banner.h"
#include "net/utf8.h"
#include "platform/diskqueue.h"
#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/wholefile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <utility>

namespace ql {

namespace {

bool isReplyCode(int code)
{
    switch (code) {
    case ServerLink::kBanner:
    case ServerLink::kNews:
    case ServerLink::kAddress:
    case ServerLink::kEnd:
    case ServerLink::kStopBanner:
    case ServerLink::kEnd2:
        return true;
    default:
        return false;
    }
}

// Rounds to the nearest integer, halves to even; out-of-range values give
// the fallback.
int roundToInt(double v, int lo, int hi, int fallback)
{
    const double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < lo || r > hi)
        return fallback;
    return int(r);
}

// True when the bytes read as a picture of a sensible size.
bool isPicture(const QByteArray& bytes)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.width() > frmBanner::kMaxSide ||
        size.height() > frmBanner::kMaxSide)
        return false;
    return !reader.read().isNull();
}

} // namespace

ServerLink::ServerLink(NewsHost& host, QTimer* connectTimer, QTimer* closeTimer, QWidget* bannerOwner,
                       const Periods& periods, QObject* parent)
    : QObject(parent), host_(host), connectTimer_(connectTimer), closeTimer_(closeTimer),
      bannerOwner_(bannerOwner), address_(QString::fromLatin1(kDefaultServerAddress))
{
    connectTimer_->setInterval(periods.connect);
    closeTimer_->setInterval(periods.close);
    connect(connectTimer_, &QTimer::timeout, this, &ServerLink::Timer2_Timer);
    connect(closeTimer_, &QTimer::timeout, this, &ServerLink::Timer3_Timer);
    connect(&sock_, &Socket::connected, this, &ServerLink::Winsock1_Connect);
    connect(&sock_, &Socket::dataArrival, this, &ServerLink::Winsock1_DataArrival);
}

ServerLink::~ServerLink() = default;

void ServerLink::SetServer(const QString& address, int port)
{
    address_ = address;
    port_ = port;
}

QString ServerLink::BanPath() const { return QDir(ProgramDir()).filePath(QStringLiteral("ql.ban")); }

void ServerLink::send(const QString& text) { sock_.SendData(EncodeUtf8(text)); }

void ServerLink::armClose()
{
    // The connection closes two seconds after the first reply that ends the
    // exchange; later ones do not push that back.
    if (!closeTimer_->isActive())
        closeTimer_->start();
}

void ServerLink::Timer2_Timer()
{
    if (svrTick_ < kTickCap)
        ++svrTick_;
    if (svrTick_ % kConnectEvery != 0)
        return;
    // A new attempt ends whatever the last one left behind.
    sock_.CloseSck();
    sock_.SetRemoteHost(address_);
    sock_.SetLocalPort(0);
    sock_.SetRemotePort(port_);
    sock_.Connect();
}

void ServerLink::Timer3_Timer()
{
    sock_.CloseSck();
    closeTimer_->stop();
}

void ServerLink::Winsock1_Connect()
{
    // One successful news poll per run.
    connectTimer_->stop();
    send(QStringLiteral("301en"));
}

void ServerLink::Winsock1_DataArrival(qint64 bytesTotal)
{
    (void)bytesTotal;
    Receive(sock_.GetData());
}

void ServerLink::Receive(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    // The code is the number the first three characters start with; a
    // reply starting with a non-ASCII character has none.
    const int code = roundToInt(Val(QString::fromLatin1(bytes.left(3))), -999, 999, 0);
    if (isReplyCode(code)) {
        QString text;
        if (bytes.size() > kMaxReply || !DecodeUtf8Strict(bytes, &text)) {
            armClose();  // refused: end the exchange
            return;
        }
        handleReply(code, text);
        return;
    }
    if (banRecv_)
        receiveBanner(bytes);
}

void ServerLink::handleReply(int code, const QString& text)
{
    const QString payload = text.mid(3);
    switch (code) {
    case kBanner:
        linkUrl_ = SafeUrl(payload);
        host_.SetNewsUrl(linkUrl_);
        if (QFile::exists(BanPath()))
            QFile::remove(BanPath());
        send(QStringLiteral("201"));
        return;  // the connection stays open for the banner
    case kNews:
        handleNews(text);
        break;
    case kAddress:
        settings().SaveServerAddress(payload);  // refuses all but a dotted IPv4 address
        break;
    case kStopBanner:
        banRecv_ = false;
        banData_.clear();
        break;
    default:
        break;
    }
    armClose();
}

void ServerLink::handleNews(const QString& text)
{
    // "104", three characters giving the link's length n, the link, the news.
    const int n = roundToInt(Val(text.mid(3, 3)), -32768, 32767, 128);
    if (n < 0 || n >= 128)
        return;  // nothing stored
    linkUrl_ = n > 0 ? SafeUrl(text.mid(6, n)) : QString();
    host_.SetNewsUrl(linkUrl_);
    host_.SetNewsText(PlainNews(text.mid(6 + n)));
}

bool ServerLink::ExpectBanner(qint64 size)
{
    if (size < 1 || size > kMaxBanner)
        return false;
    banSize_ = size;
    banData_.clear();
    banRecv_ = true;
    return true;
}

void ServerLink::receiveBanner(const QByteArray& bytes)
{
    if (banData_.size() + bytes.size() > banSize_) {
        // More than announced: drop the transfer and end the exchange.
        banRecv_ = false;
        banData_.clear();
        armClose();
        return;
    }
    banData_.append(bytes);
    send(QStringLiteral("203"));
    send(QString::number(banData_.size()));
    if (banData_.size() >= banSize_)
        finishBanner();
}

void ServerLink::finishBanner()
{
    banRecv_ = false;
    armClose();
    const QByteArray data = std::exchange(banData_, QByteArray());
    if (!isPicture(data))
        return;
    FileQueue().Post([path = BanPath(), data](QString* error) { return SaveWholeFile(path, data, error); }, this,
                     [this](bool ok, const QString&) {
                         if (ok)
                             showBanner();
                     });
}

void ServerLink::showBanner()
{
    if (!banner_) {
        banner_ = new frmBanner(bannerOwner_.data());
        host_.BannerOpened(banner_);
    }
    banner_->show();
    banner_->ShowPic(BanPath());
    banner_->SetUrl(linkUrl_);
}

double ServerLink::Val(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            ++i;
        return i > from;
    };
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool any = digits();
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        any = digits() || any;
    }
    if (!any)
        return 0;
    qsizetype end = i;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        if (digits())
            end = i;
    }
    return ReadNumber(text.mid(start, end - start)).value_or(0);
}

QString ServerLink::PlainNews(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!IsControlChar(c))
            out.append(c);
    return out;
}

QString ServerLink::SafeUrl(const QString& url)
{
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || u.host().isEmpty())
        return QString();
    const QString scheme = u.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QString();
    return url;
}

} // namespace ql
