// Fuzz target of the news server's replies: arbitrary bytes, cut at every
// 0xFF byte (which no UTF-8 text holds) into messages, each handed to the
// server link as one arrival. The first byte may announce a banner picture
// first, so the messages after it are taken as picture bytes. Checks the
// link's promises on every input: the news text shown holds no control
// character or line break, a link handed on is empty or an http(s) address
// with a host, the kept server address is a dotted IPv4 address, and a
// banner is only written when it reads as a picture.
#include "net/serverlink.h"
#include "platform/services.h"
#include "platform/settings.h"

#include "fuzzcheck.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstddef>
#include <cstdint>

namespace {

using namespace ql;
using ql::fuzz::check;

class Host : public NewsHost {
public:
    void SetNewsText(const QString& text) override
    {
        for (const QChar c : text) {
            const QChar::Category cat = c.category();
            check(cat != QChar::Other_Control && cat != QChar::Separator_Line && cat != QChar::Separator_Paragraph);
        }
    }
    void SetNewsUrl(const QString& url) override
    {
        if (url.isEmpty())
            return;
        const QUrl u(url, QUrl::StrictMode);
        const QString scheme = u.scheme().toLower();
        check(u.isValid() && !u.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")));
    }
    void BannerOpened(QWidget* banner) override { banner->hide(); }
};

bool isIpv4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        bool ok = false;
        const int v = p.toInt(&ok);
        if (!ok || p.isEmpty() || p.size() > 3 || v < 0 || v > 255 || p.startsWith(QLatin1Char('+')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir home;
    static bool init = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QL_HOME", home.path().toLocal8Bit());
        return true;
    }();
    (void)init;
    static int argc = 1;
    static char name[] = "news_fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    if (!home.isValid())
        return 0;

    QTimer connectTimer, closeTimer;
    Host host;
    ServerLink link(host, &connectTimer, &closeTimer, nullptr);
    QFile::remove(link.BanPath());

    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!bytes.isEmpty() && (uint8_t(bytes.at(0)) & 0x80)) {
        // A banner of the length the next two bytes give is announced.
        const qint64 length = bytes.size() >= 3 ? (uint8_t(bytes.at(1)) << 8 | uint8_t(bytes.at(2))) : 0;
        check(link.ExpectBanner(length) == (length >= 1));
        bytes = bytes.mid(3);
    }
    for (const QByteArray& message : bytes.split('\xff')) {
        link.Receive(message);
        check(isIpv4(settings().SvrAddress));
    }
    if (QFile::exists(link.BanPath())) {
        QImageReader reader(link.BanPath());
        check(!reader.read().isNull());
    }
    return 0;
}
