// The news exchange against a news server on 127.0.0.1.
#include "newsserver.h"

#include "net/banner.h"
#include "net/serverlink.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "testutil.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace ql;
using qltest::NewsServer;

namespace {

struct FakeHost : NewsHost {
    QString text, url;
    int textCalls = 0;
    QWidget* banner = nullptr;
    void SetNewsText(const QString& t) override { text = t; ++textCalls; }
    void SetNewsUrl(const QString& u) override { url = u; }
    void BannerOpened(QWidget* b) override { banner = b; }
};

QByteArray png(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

class ServerLinkTest : public ::testing::Test {
protected:
    NewsServer server;
    FakeHost host;
    QTimer connectTimer, closeTimer;
    QWidget owner;
    ServerLink link{host, &connectTimer, &closeTimer, &owner};  // the program's periods

    void SetUp() override { link.SetServer(QStringLiteral("127.0.0.1"), server.port()); }

    // Ticks the connect timer up to its next attempt and waits for the request.
    void connectAndRequest(ServerLink& l)
    {
        while (l.SvrTick() % ServerLink::kConnectEvery != ServerLink::kConnectEvery - 1)
            l.Timer2_Timer();
        l.Timer2_Timer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.all().startsWith("301en"); }, 5000));
    }
    void connectAndRequest() { connectAndRequest(link); }

    // One exchange: the server answers the request with reply; returns once
    // the reply has arrived and been handled.
    void exchange(ServerLink& l, const QByteArray& reply)
    {
        server.answer = [reply](QTcpSocket& s, const QByteArray& got) {
            if (got.startsWith("301en"))
                s.write(reply);
        };
        QSignalSpy arrivals(&l.Winsock1(), &Socket::dataArrival);
        connectAndRequest(l);
        ASSERT_TRUE(QTest::qWaitFor([&] { return arrivals.count() > 0; }, 5000));
    }
    void exchange(const QByteArray& reply) { exchange(link, reply); }
};

TEST_F(ServerLinkTest, ConnectsOnEveryThirtiethTickUntilConnectedAndNoMoreAtTheCap)
{
    connectTimer.start();
    for (int i = 1; i < 30; ++i)
        link.Timer2_Timer();
    EXPECT_EQ(link.Winsock1().State(), Socket::sckClosed);
    link.Timer2_Timer();
    // Connecting does not wait for the network.
    EXPECT_EQ(link.Winsock1().State(), Socket::sckConnecting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.all() == "301en"; }, 3000));
    EXPECT_FALSE(connectTimer.isActive()) << "one news poll per run";
    EXPECT_EQ(link.Winsock1().RemotePort(), server.port());
    EXPECT_FALSE(closeTimer.isActive());

    // Past the cap of 65530 ticks no attempt is made.
    link.SetServer(QStringLiteral("127.0.0.1"), 0);  // attempts on the way fail at once
    for (int i = 0; i < 65600; ++i)
        link.Timer2_Timer();
    EXPECT_EQ(link.SvrTick(), 65530);
    link.SetServer(QStringLiteral("127.0.0.1"), server.port());
    link.Winsock1().CloseSck();
    for (int i = 0; i < 60; ++i)
        link.Timer2_Timer();
    EXPECT_EQ(link.Winsock1().State(), Socket::sckClosed);
    EXPECT_EQ(server.connections, 1);
}

TEST_F(ServerLinkTest, RefusedConnectionIsRetriedThirtyTicksLater)
{
    link.SetServer(QStringLiteral("127.0.0.1"), 1);  // nothing listens on port 1
    QSignalSpy errors(&link.Winsock1(), &Socket::error);
    connectTimer.start();
    for (int i = 0; i < 30; ++i)
        link.Timer2_Timer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count() == 1; }, 3000));
    EXPECT_EQ(errors.at(0).at(0).toInt(), 10061);
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("Connection refused."));
    EXPECT_EQ(link.Winsock1().State(), Socket::sckError);
    EXPECT_TRUE(connectTimer.isActive());

    link.SetServer(QStringLiteral("127.0.0.1"), server.port());
    connectAndRequest();
    EXPECT_EQ(server.connections, 1);
}

TEST_F(ServerLinkTest, NewsReplyIsStoredAndTheConnectionClosesAfterTheCloseTime)
{
    QTimer connect2, close2;
    ServerLink fast{host, &connect2, &close2, &owner, {std::chrono::milliseconds(1000), std::chrono::milliseconds(20)}};
    fast.SetServer(QStringLiteral("127.0.0.1"), server.port());
    exchange(fast, QByteArray("104019https://example.com") + QString::fromUtf8("Hello 新闻").toUtf8());
    EXPECT_EQ(host.url, QStringLiteral("https://example.com"));
    EXPECT_EQ(host.text, QString::fromUtf8("Hello 新闻"));
    // The server sees the client go once the close time has run.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.disconnects == 1; }, 5000));
    EXPECT_EQ(fast.Winsock1().State(), Socket::sckClosed);
    EXPECT_FALSE(close2.isActive());
    EXPECT_EQ(link.Winsock1().State(), Socket::sckClosed);  // the other client never connected
}

// Several end codes in one exchange: the close time runs from the first one,
// so a server that keeps sending them cannot hold the connection open.
TEST_F(ServerLinkTest, LaterEndCodesDoNotPushTheCloseBack)
{
    QSignalSpy arrivals(&link.Winsock1(), &Socket::dataArrival);
    exchange("253");
    ASSERT_TRUE(closeTimer.isActive());
    ASSERT_EQ(arrivals.count(), 1);
    const int first = closeTimer.remainingTime();
    for (const char* reply : {"253", "255", "104000News"}) {
        // Some of the close time passes, then another end code comes.
        const int before = closeTimer.remainingTime();
        ASSERT_TRUE(QTest::qWaitFor([&] { return closeTimer.remainingTime() < before; }, 5000)) << reply;
        const int sent = closeTimer.remainingTime();
        const qsizetype seen = arrivals.count();
        server.client()->write(reply);
        ASSERT_TRUE(QTest::qWaitFor([&] { return arrivals.count() > seen; }, 5000)) << reply;
        ASSERT_TRUE(closeTimer.isActive()) << reply;
        EXPECT_LE(closeTimer.remainingTime(), sent) << reply;  // restarted, it would be back at the full time
    }
    EXPECT_LT(closeTimer.remainingTime(), first);
    link.Timer3_Timer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.disconnects == 1; }, 5000));
    EXPECT_EQ(link.Winsock1().State(), Socket::sckClosed);
}

// One reply and what comes of it: the news text handed to the host (null:
// none), its link, and whether the exchange ends (the close time runs).
struct ReplyCase {
    const char* what;
    QByteArray reply;
    const char *text, *url;
    bool ends;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.what; }

class Replies : public ServerLinkTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, HandOverOnlyWellFormedNews)
{
    const ReplyCase& c = GetParam();
    exchange(c.reply);
    EXPECT_EQ(host.textCalls, c.text ? 1 : 0);
    if (c.text) {
        EXPECT_EQ(host.text, QString::fromUtf8(c.text));
    }
    EXPECT_EQ(host.url, QString::fromLatin1(c.url));
    EXPECT_EQ(closeTimer.isActive(), c.ends);
}

INSTANTIATE_TEST_SUITE_P(
    News, Replies,
    ::testing::Values(
        ReplyCase{"plain news", "104000Plain news", "Plain news", "", true},
        ReplyCase{"a link that is no web address is dropped", "104005abcdeTail", "Tail", "", true},
        ReplyCase{"a link of another scheme than http(s) is dropped", "104011file:///etcNews", "News", "", true},
        ReplyCase{"control characters and line breaks never reach the news line",
                  QByteArray("104000Line\r\none\ttab\x07" "bell\x1b[2J") + QString(QChar(0x2028)).toUtf8() +
                      QString::fromUtf8(" 新闻\u0085end").toUtf8(),
                  "Lineonetabbell[2J 新闻end", "", true},
        ReplyCase{"a link longer than the reply", "104200https://a.bc/x", nullptr, "", true},
        ReplyCase{"a negative link length", "104-05abc", nullptr, "", true},
        ReplyCase{"a link length that is no whole number", "1041e9news", nullptr, "", true},
        ReplyCase{"end code 253", "253", nullptr, "", true}, ReplyCase{"end code 254", "254xyz", nullptr, "", true},
        ReplyCase{"end code 255", "255", nullptr, "", true},
        ReplyCase{"an unknown code", "999hello", nullptr, "", false},
        ReplyCase{"no number", "abc", nullptr, "", false}, ReplyCase{"binary", "\xff\xfe\x01", nullptr, "", false},
        ReplyCase{"not UTF-8", "104000bad \xc3\x28 text", nullptr, "", true},
        ReplyCase{"UTF-8 cut off", "104000cut \xe6\x96", nullptr, "", true},
        ReplyCase{"too long", "104000" + QByteArray(ServerLink::kMaxReply, 'x'), nullptr, "", true},
        ReplyCase{"a NUL", QByteArray("104000a\0b", 9), nullptr, "", true}));

TEST_F(ServerLinkTest, ServerAddressReplyKeepsOnlyAnAddress)
{
    exchange("105127.0.0.2");
    EXPECT_TRUE(closeTimer.isActive());
    EXPECT_EQ(settings().SvrAddress, QStringLiteral("127.0.0.2"));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(SettingsFile(), QStringLiteral("DATA"), QStringLiteral("SVR"), QString()),
              QStringLiteral("127.0.0.2"));
    link.Timer3_Timer();

    for (const char* reply : {"105evil.example.com", "105127.0.0.300", "105 127.0.0.3", "105"}) {
        exchange(reply);
        EXPECT_TRUE(closeTimer.isActive()) << reply;
        EXPECT_EQ(settings().SvrAddress, QStringLiteral("127.0.0.2")) << reply;
        link.Timer3_Timer();
    }
    EXPECT_EQ(ServerLink::PlainNews(QStringLiteral("plain text, 1.5 V")), QStringLiteral("plain text, 1.5 V"));
}

TEST_F(ServerLinkTest, BannerAnnouncementDeletesTheOldFileAndAsksForTheBytes)
{
    QFile old(link.BanPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    exchange("103https://example.com/ad");
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.all().endsWith("201"); }, 2000));
    EXPECT_FALSE(QFile::exists(link.BanPath()));
    EXPECT_EQ(link.LinkUrl(), QStringLiteral("https://example.com/ad"));
    EXPECT_FALSE(closeTimer.isActive()) << "the connection stays open for the banner";
    EXPECT_FALSE(link.BanRecv()) << "nothing announces the banner's length";
}

TEST_F(ServerLinkTest, BannerBytesAreCountedCheckedAndShown)
{
    EXPECT_FALSE(link.ExpectBanner(0));
    EXPECT_FALSE(link.ExpectBanner(ServerLink::kMaxBanner + 1));

    const QByteArray picture = png(40, 20);
    const qsizetype half = picture.size() / 2;
    // The second piece goes once the first is acknowledged.
    server.answer = [&](QTcpSocket& s, const QByteArray& got) {
        if (got.startsWith("301en"))
            s.write("103https://example.com/ad");
        else if (server.all().endsWith("203" + QByteArray::number(half)))
            s.write(picture.mid(half));
    };
    connectAndRequest();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.all().endsWith("201"); }, 2000));
    ASSERT_TRUE(link.ExpectBanner(picture.size()));
    server.client()->write(picture.left(half));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closeTimer.isActive(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return server.all().endsWith("203" + QByteArray::number(picture.size())); }, 2000));
    ASSERT_TRUE(qltest::settleDisk());
    QFile written(link.BanPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), picture);
    ASSERT_NE(link.banner(), nullptr);
    EXPECT_EQ(host.banner, link.banner());
    EXPECT_FALSE(link.banner()->Picture1->pixmap().isNull());
    EXPECT_EQ(link.banner()->url(), QStringLiteral("https://example.com/ad"));
}

TEST_F(ServerLinkTest, BannerThatIsNoPictureOrTooLongIsNotWritten)
{
    QFile::remove(link.BanPath());
    server.answer = [](QTcpSocket& s, const QByteArray& got) {
        if (got.startsWith("301en"))
            s.write("103");
    };
    connectAndRequest();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.all().endsWith("201"); }, 2000));

    // Right length, but not a picture.
    ASSERT_TRUE(link.ExpectBanner(16));
    server.client()->write(QByteArray(16, 'z'));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closeTimer.isActive(); }, 2000));
    EXPECT_FALSE(link.BanRecv());
    EXPECT_FALSE(QFile::exists(link.BanPath()));
    EXPECT_EQ(link.banner(), nullptr);
    closeTimer.stop();

    // More bytes than announced.
    ASSERT_TRUE(link.ExpectBanner(10));
    server.client()->write(png(8, 8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closeTimer.isActive(); }, 2000));
    EXPECT_FALSE(link.BanRecv());
    EXPECT_FALSE(QFile::exists(link.BanPath()));
}

} // namespace
