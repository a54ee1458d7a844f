// The socket layer against a peer on 127.0.0.1.
#include "newsserver.h"

#include "net/socket.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ql;
using qltest::NewsServer;

TEST(Socket, MisuseIsRefusedWithItsNumber)
{
    Socket s;
    EXPECT_EQ(s.SetRemotePort(70000), Socket::kErrArgument);
    EXPECT_EQ(s.SetLocalPort(-1), Socket::kErrArgument);
    EXPECT_EQ(s.Connect(QStringLiteral("127.0.0.1"), 0), Socket::kErrArgument);
    EXPECT_EQ(s.SendData("x"), Socket::kErrWrongState);
    s.CloseSck();  // nothing to close
    EXPECT_EQ(s.State(), Socket::sckClosed);
    EXPECT_EQ(GetErrorDescription(10061), QStringLiteral("Connection refused."));
    EXPECT_EQ(GetErrorDescription(10059), QStringLiteral("Unknown error."));
    EXPECT_EQ(GetErrorDescription(0), QStringLiteral("Unknown error."));
}

TEST(Socket, ConnectSendReceivePeerCloseAndClose)
{
    NewsServer server;
    server.answer = [](QTcpSocket& peer, const QByteArray& got) { peer.write("echo:" + got); };
    Socket s;
    QSignalSpy connected(&s, &Socket::connected);
    QSignalSpy arrived(&s, &Socket::dataArrival);
    QSignalSpy closed(&s, &Socket::closeSck);
    QSignalSpy complete(&s, &Socket::sendComplete);

    // A name goes through the lookup first; the call itself returns at once.
    ASSERT_EQ(s.Connect(QStringLiteral("localhost"), server.port()), 0);
    EXPECT_EQ(s.State(), Socket::sckResolvingHost);
    EXPECT_EQ(s.Connect(), Socket::kErrInvalidOperation);
    EXPECT_EQ(s.SetRemotePort(1), Socket::kErrInvalidOperation);
    ASSERT_TRUE(QTest::qWaitFor([&] { return connected.count() == 1; }, 3000));
    EXPECT_EQ(s.State(), Socket::sckConnected);
    EXPECT_EQ(s.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    EXPECT_NE(s.LocalPort(), 0);
    EXPECT_EQ(s.LocalIP(), QStringLiteral("127.0.0.1"));  // the local end of the connection
    EXPECT_FALSE(Socket::LocalHostName().isEmpty());

    EXPECT_EQ(s.SendData(QByteArray()), 0);
    ASSERT_EQ(s.SendData("hello"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.BytesReceived() == 10; }, 3000));
    EXPECT_GE(complete.count(), 1);
    EXPECT_EQ(arrived.last().at(0).toLongLong(), 10);
    EXPECT_EQ(s.PeekData(4), QByteArray("echo"));
    EXPECT_EQ(s.GetData(5), QByteArray("echo:"));
    EXPECT_EQ(s.GetData(), QByteArray("hello"));
    EXPECT_EQ(s.BytesReceived(), 0);

    server.client()->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, 3000));
    EXPECT_EQ(s.State(), Socket::sckClosing);
    s.CloseSck();
    EXPECT_EQ(s.State(), Socket::sckClosed);
    EXPECT_EQ(s.RemoteHostIP(), QString());
    EXPECT_EQ(closed.count(), 1);
}

TEST(Socket, FloodIsHeldBackAtTheReceiveLimit)
{
    NewsServer server;
    Socket s;
    ASSERT_EQ(s.Connect(QStringLiteral("127.0.0.1"), server.port()), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.client() != nullptr && s.State() == Socket::sckConnected; }, 3000));
    const QByteArray block(256 * 1024, 'f');
    qint64 queued = 0;
    for (int i = 0; i < 8; ++i)  // 2 MiB, twice the limit
        queued += server.client()->write(block);
    ASSERT_EQ(queued, 2 * Socket::kMaxReceive);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.BytesReceived() == Socket::kMaxReceive; }, 5000));
    // More than the limit has left the server: the rest is there to be read
    // and stays where it is.
    ASSERT_TRUE(QTest::qWaitFor([&] { return queued - server.client()->bytesToWrite() > Socket::kMaxReceive; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(s.BytesReceived(), Socket::kMaxReceive);
    // Taking the data lets the rest in.
    qint64 total = s.GetData().size();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            total += s.GetData().size();
            return total == 2 * Socket::kMaxReceive;
        },
        5000));
}
