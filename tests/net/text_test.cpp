// UTF-8 conversion and the number and link rules of the server texts.
#include "net/serverlink.h"
#include "net/utf8.h"

#include <gtest/gtest.h>

using namespace ql;

TEST(Utf8, EncodeDecodeRoundTripAndStrictRefusal)
{
    EXPECT_TRUE(EncodeUtf8(QString()).isEmpty());
    EXPECT_EQ(EncodeUtf8(QStringLiteral("301en")), QByteArray("301en"));
    const QString chinese = QString::fromUtf8("新闻公告");
    EXPECT_EQ(EncodeUtf8(chinese).size(), 3 * chinese.size());
    const QString mixed = QString::fromUtf8("104000Ünïcode 新闻 \U0001F600");
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(mixed)), mixed);
    EXPECT_EQ(DecodeUtf8(QByteArray()), QString());
    EXPECT_FALSE(DecodeUtf8(EncodeUtf8(QStringLiteral("abc"))).contains(QChar(0)));
    // Lenient decoding replaces what is malformed.
    EXPECT_EQ(DecodeUtf8(QByteArray("a\xff")), QString::fromUtf8("a\xEF\xBF\xBD"));

    QString out = QStringLiteral("stale");
    EXPECT_TRUE(DecodeUtf8Strict(EncodeUtf8(mixed), &out));
    EXPECT_EQ(out, mixed);
    for (const QByteArray& bad : {QByteArray("\xc3\x28"), QByteArray("ab\xe6\x96"), QByteArray("\xed\xa0\x80"),
                                  QByteArray("\xc0\xaf"), QByteArray("a\0b", 3)}) {
        out = QStringLiteral("stale");
        EXPECT_FALSE(DecodeUtf8Strict(bad, &out)) << bad.toHex().toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
}

TEST(ServerText, ValReadsTheLeadingNumber)
{
    EXPECT_EQ(ServerLink::Val(QStringLiteral("104")), 104);
    EXPECT_EQ(ServerLink::Val(QStringLiteral("  12abc")), 12);
    EXPECT_EQ(ServerLink::Val(QStringLiteral("-05")), -5);
    EXPECT_EQ(ServerLink::Val(QStringLiteral("2.5x")), 2.5);
    EXPECT_EQ(ServerLink::Val(QStringLiteral("1e3")), 1000);
    EXPECT_EQ(ServerLink::Val(QStringLiteral("1e")), 1);
    EXPECT_EQ(ServerLink::Val(QStringLiteral(".5")), 0.5);
    for (const char* none : {"", "abc", "+", "-.", " e5", "\t1"})
        EXPECT_EQ(ServerLink::Val(QString::fromLatin1(none)), 0) << none;
}

TEST(ServerText, OnlyWebLinksAreKept)
{
    EXPECT_EQ(ServerLink::SafeUrl(QStringLiteral("https://example.com/a?b=1")),
              QStringLiteral("https://example.com/a?b=1"));
    EXPECT_EQ(ServerLink::SafeUrl(QStringLiteral("HTTP://example.com")), QStringLiteral("HTTP://example.com"));
    for (const char* bad : {"", "file:///etc/passwd", "javascript:alert(1)", "C:\\Windows\\calc.exe", "http://",
                            "smb://host/share", "abcde"})
        EXPECT_EQ(ServerLink::SafeUrl(QString::fromLatin1(bad)), QString()) << bad;
}
