// Profile-file semantics of ReadIni/WriteIni that existing ql.ini files rely on.
#include "inifile.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class ProfileTest : public IniFileTest {
protected:
    QString read(const char* sec, const char* key, const QString& def = QStringLiteral("DEF")) const
    {
        return ql::ReadIni(file, QString::fromUtf8(sec), QString::fromUtf8(key), def);
    }
    bool write(const char* sec, const char* key, const QString& value) const
    {
        return ql::WriteIni(file, QString::fromUtf8(sec), QString::fromUtf8(key), value);
    }
};

TEST_F(ProfileTest, NamesMatchTrimmedAndWithoutCase)
{
    put(";--------QL Config File----------\r\n"
        "[ auto ]\r\n"
        "  Save  =  True  \r\n"
        "csv=False\r\n"
        "[DATA]\r\n"
        "SAVE=other\r\n");
    EXPECT_EQ(read("AUTO", "SAVE"), "True");
    EXPECT_EQ(read("Auto", "save"), "True");
    EXPECT_EQ(read(" AUTO ", " CSV "), "False");
    EXPECT_EQ(read("DATA", "save"), "other");
    EXPECT_EQ(read("AUTO", "MISSING"), "DEF");
    EXPECT_EQ(read("NOSUCH", "SAVE"), "DEF");
}

TEST_F(ProfileTest, ValuesAreTakenLiterally)
{
    put("[S]\r\n"
        "path=C:\\data\\x.txt\r\n"
        "list=a,b\r\n"
        "eq=a=b\r\n"
        "comment=1 ; not a comment\r\n"
        "dq=\"quoted\"\r\n"
        "sq=' single '\r\n"
        "twice=\"\"x\"\"\r\n"
        "odd=\"x'\r\n"
        "one=\"\r\n"
        "k = v w \r\n");
    EXPECT_EQ(read("S", "path"), "C:\\data\\x.txt");
    EXPECT_EQ(read("S", "list"), "a,b");
    EXPECT_EQ(read("S", "eq"), "a=b");
    EXPECT_EQ(read("S", "comment"), "1 ; not a comment");
    EXPECT_EQ(read("S", "dq"), "quoted");
    EXPECT_EQ(read("S", "sq"), " single ");
    EXPECT_EQ(read("S", "twice"), "\"x\"");
    EXPECT_EQ(read("S", "odd"), "\"x'");
    EXPECT_EQ(read("S", "one"), "\"");
    EXPECT_EQ(read("S", "k"), "v w");
}

TEST_F(ProfileTest, LineEndsAndStructure)
{
    // CR LF, LF and CR line ends; keys before any section belong to none; the
    // first of two equal sections and keys wins; a line without "=" is no key.
    put("top=1\n[A]\rx=1\r\ny=2\nx=3\r[b]\r\nz=9\r\n[a]\r\nw=4\r\nbare\r\n[C]\r\nlast=end");
    EXPECT_EQ(read("A", "top"), "DEF");
    EXPECT_EQ(read("A", "x"), "1");
    EXPECT_EQ(read("A", "y"), "2");
    EXPECT_EQ(read("B", "z"), "9");
    EXPECT_EQ(read("A", "w"), "DEF");
    EXPECT_EQ(read("A", "bare"), "DEF");
    EXPECT_EQ(read("C", "last"), "end");
}

TEST_F(ProfileTest, EmptyOrMissingReadsDefaultAndReadsAreCut)
{
    EXPECT_EQ(read("A", "x", QStringLiteral("d")), "d");  // no file
    const QString long300(300, u'x');
    put("[A]\r\nempty=\r\nquotes=\"\"\r\nlong=" + long300.toUtf8() + "\r\n");
    EXPECT_EQ(read("A", "empty", QStringLiteral("d")), "d");
    EXPECT_EQ(read("A", "quotes", QStringLiteral("d")), "d");
    EXPECT_EQ(read("A", "long"), QString(254, u'x'));
    EXPECT_EQ(read("A", "none", long300), QString(254, u'x'));
    // The cut counts characters and never splits one.
    const QString cjk = QString(253, u'y') + QString::fromUtf8("\xF0\xA0\x80\x80\xF0\xA0\x80\x81");
    put("[A]\r\nwide=" + cjk.toUtf8() + "\r\n");
    EXPECT_EQ(read("A", "wide"), QString(253, u'y') + QString::fromUtf8("\xF0\xA0\x80\x80"));
}

TEST_F(ProfileTest, WriteChangesOnlyItsOwnLine)
{
    const QByteArray before = ";--------QL Config File----------\r\n"
                              "[AUTO]\n"
                              "Save = False\n"
                              "Unknown=keep me\r\n"
                              "\r\n"
                              "; a comment\r\n"
                              "[DATA]\r\n"
                              "VCOL0=255\r\n";
    put(before);
    ASSERT_TRUE(write("auto", "SAVE", QStringLiteral("True")));
    QByteArray want = before;
    want.replace("Save = False\n", "Save=True\r\n");
    EXPECT_EQ(bytes(), want);
    EXPECT_EQ(read("AUTO", "SAVE"), "True");

    // A new key goes after the section's last key, before blank and comment lines.
    ASSERT_TRUE(write("AUTO", "CSV", QStringLiteral("False")));
    want.replace("Unknown=keep me\r\n", "Unknown=keep me\r\nCSV=False\r\n");
    EXPECT_EQ(bytes(), want);

    // A new section goes at the end, without a blank line.
    ASSERT_TRUE(write("CURVE", "VY0", QStringLiteral("1.5")));
    want += "[CURVE]\r\nVY0=1.5\r\n";
    EXPECT_EQ(bytes(), want);

    // Rewriting the same value leaves the file as it is.
    ASSERT_TRUE(write("DATA", "VCOL0", QStringLiteral("255")));
    EXPECT_EQ(bytes(), want);
}

TEST_F(ProfileTest, WriteIntoEmptySectionAndUnterminatedLastLine)
{
    put("[A]\r\n[B]\r\nx=1");
    ASSERT_TRUE(write("A", "k", QStringLiteral("v")));
    ASSERT_TRUE(write("B", "y", QStringLiteral("2")));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nk=v\r\n[B]\r\nx=1\r\ny=2\r\n"));

    put("; banner");
    ASSERT_TRUE(write("S", "k", QStringLiteral("v")));
    EXPECT_EQ(bytes(), QByteArray("; banner\r\n[S]\r\nk=v\r\n"));
}

TEST_F(ProfileTest, WriteCreatesMissingFile)
{
    ASSERT_TRUE(write("COMM", "PORT1", QStringLiteral("5")));
    EXPECT_EQ(bytes(), QByteArray("[COMM]\r\nPORT1=5\r\n"));
    EXPECT_EQ(read("comm", "port1"), "5");
}

TEST_F(ProfileTest, WriteRefusesWhatWouldBreakTheFile)
{
    const QByteArray before = "[A]\r\nx=1\r\n";
    put(before);
    EXPECT_FALSE(write("A", "x", QStringLiteral("1\r\n[B]\r\ny=2")));
    EXPECT_FALSE(write("A", "x", QStringLiteral("a\nb")));
    EXPECT_FALSE(write("A", "x", QStringLiteral("a\rb")));
    EXPECT_FALSE(write("A", "x", QString(QChar(0))));
    EXPECT_FALSE(write("A", "k=v", QStringLiteral("1")));
    EXPECT_FALSE(write("A", "", QStringLiteral("1")));
    EXPECT_FALSE(write("A", "[B]", QStringLiteral("1")));
    EXPECT_FALSE(write("A]x", "k", QStringLiteral("1")));
    EXPECT_FALSE(write("A\n", "k", QStringLiteral("1")));
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(read("B", "y"), "DEF");
}

TEST_F(ProfileTest, UnicodeIsUtf8AndOldChineseFilesStillRead)
{
    ASSERT_TRUE(write("DATA", "NAME", QString::fromUtf8("电池 测试")));
    EXPECT_EQ(bytes(), QByteArray("[DATA]\r\nNAME=\xE7\x94\xB5\xE6\xB1\xA0 \xE6\xB5\x8B\xE8\xAF\x95\r\n"));
    EXPECT_EQ(read("DATA", "NAME"), QString::fromUtf8("电池 测试"));

    // "电池" in GB18030, as written on Chinese Windows: not valid UTF-8.
    put(";--------QL Config File----------\r\n[DATA]\r\nNAME=\xB5\xE7\xB3\xD8\r\n");
    EXPECT_EQ(read("DATA", "NAME"), QString::fromUtf8("电池"));
    // A write keeps the text and turns the file into UTF-8.
    ASSERT_TRUE(write("DATA", "X", QStringLiteral("1")));
    EXPECT_EQ(bytes(), QByteArray(";--------QL Config File----------\r\n[DATA]\r\nNAME=\xE7\x94\xB5\xE6\xB1\xA0\r\nX=1\r\n"));
    EXPECT_EQ(read("DATA", "NAME"), QString::fromUtf8("电池"));
}

TEST_F(ProfileTest, ByteOrderMarkIsKept)
{
    put("\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(read("A", "x"), "1");
    ASSERT_TRUE(write("A", "x", QStringLiteral("2")));
    EXPECT_EQ(bytes(), QByteArray("\xEF\xBB\xBF[A]\r\nx=2\r\n"));
}

TEST_F(ProfileTest, UnwritablePlacesFail)
{
    EXPECT_FALSE(ql::WriteIni(dir.filePath(QStringLiteral("no/such/dir/ql.ini")), "A", "k", "v"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    EXPECT_FALSE(ql::WriteIni(dir.filePath(QStringLiteral("sub")), "A", "k", "v"));
    if (::geteuid() != 0) {  // root writes through any permission
        put("[A]\r\nk=1\r\n");
        QFile::setPermissions(file, QFile::ReadOwner);
        EXPECT_FALSE(write("A", "k", QStringLiteral("2")));
        EXPECT_EQ(read("A", "k"), "1");
    }
}

TEST_F(ProfileTest, WriteKeepsPermissions)
{
    put("[A]\r\n");
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(write("A", "k", QStringLiteral("v")));
    // The file's own mode bits (rw-r-----), not the effective ones.
    const QFile::Permissions modeBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser | QFile::ReadGroup |
                                        QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(file) & modeBits, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
}

} // namespace
