// Whole-file saves on a full disk: the file-size limit of a child process
// makes writes fail with EFBIG. The earlier file must stay byte for byte,
// no temporary file may be left, and the failure must be logged.
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/wholefile.h"
#include "testutil.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ql;
using qltest::fileBytes;
using qltest::withFileSizeLimit;

namespace {

constexpr long kLimit = 4096;  // room for log lines, not for the files below

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString todaysLog()
{
    const QDate d = QDate::currentDate();
    return QString::fromUtf8(
        fileBytes(ProgramDir() + QStringLiteral("/Log/ql-%1%2%3.log").arg(d.year()).arg(d.month()).arg(d.day())));
}

QByteArray big(char c, int n = 3 * kLimit) { return QByteArray(n, c); }

} // namespace

TEST(WholeFile, AFailedSaveLeavesTheEarlierFileAndNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.csv"));
    put(path, "earlier contents\r\n");

    QString error;
    const int rc = withFileSizeLimit(kLimit, [&] {
        QString why;
        const bool ok = SaveWholeFile(path, big('x'), &why);
        return ok ? 1 : why.isEmpty() ? 2 : 0;
    });
    EXPECT_EQ(rc, 0);  // reported as a failure, with a reason
    EXPECT_EQ(fileBytes(path), QByteArray("earlier contents\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("f.csv")});

    // A save that fits replaces the file whole.
    ASSERT_TRUE(SaveWholeFile(path, big('y'), &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(path), big('y'));
}

TEST(WholeFile, AFailedFirstSaveCreatesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.bmp"));
    EXPECT_EQ(withFileSizeLimit(kLimit, [&] { return SaveWholeFile(path, big('z')) ? 1 : 0; }), 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(SaveWholeFile(dir.filePath(QStringLiteral("missing/x.txt")), "x"));
}

TEST(WholeFile, SettingsSurviveAFullDiskAndTheFailureIsLogged)
{
    QTemporaryDir home;
    const QByteArray old = qgetenv("QL_HOME");
    qputenv("QL_HOME", home.path().toLocal8Bit());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Log")));
    const QString ini = SettingsFile();
    // A settings file too large for the limit: every rewrite must fail.
    QByteArray text = ";--------QL Config File----------\r\n[COMM]\r\nPORT1=3\r\n[DATA]\r\n";
    for (int i = 0; text.size() < 2 * kLimit; ++i)
        text += "VCOL" + QByteArray::number(i) + "=16711680\r\n";
    put(ini, text);

    EXPECT_EQ(withFileSizeLimit(kLimit, [&] {
                  return WriteIni(ini, QStringLiteral("COMM"), QStringLiteral("PORT1"), QStringLiteral("7")) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(fileBytes(ini), text);
    EXPECT_EQ(ReadIni(ini, QStringLiteral("COMM"), QStringLiteral("PORT1"), QString()), QStringLiteral("3"));
    EXPECT_TRUE(todaysLog().contains(QStringLiteral("[ErrIni]"))) << todaysLog().toStdString();
    EXPECT_TRUE(todaysLog().contains(QStringLiteral("PORT1")));

    // With room again the same write goes through and keeps the rest.
    EXPECT_TRUE(WriteIni(ini, QStringLiteral("COMM"), QStringLiteral("PORT1"), QStringLiteral("7")));
    EXPECT_EQ(ReadIni(ini, QStringLiteral("COMM"), QStringLiteral("PORT1"), QString()), QStringLiteral("7"));
    EXPECT_EQ(fileBytes(ini).size(), text.size());
    qputenv("QL_HOME", old);
}

TEST(WholeFile, AMissingSettingsFileIsNotCreatedEmpty)
{
    QTemporaryDir home;
    const QString ini = home.filePath(QStringLiteral("ql.ini"));
    // Too little room even for the banner line.
    EXPECT_EQ(withFileSizeLimit(8, [&] { return CreateSettingsFile(ini) ? 1 : 0; }), 0);
    EXPECT_FALSE(QFile::exists(ini));
    ASSERT_TRUE(CreateSettingsFile(ini));
    EXPECT_EQ(fileBytes(ini), QByteArray(";--------QL Config File----------\r\n"));
}
