// Program folder, text conversion and the error log.
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Points QL_HOME at a fresh folder for one test and restores it afterwards.
class ScratchHome {
public:
    ScratchHome() : old_(qgetenv("QL_HOME")) { qputenv("QL_HOME", dir.path().toLocal8Bit()); }
    ~ScratchHome() { qputenv("QL_HOME", old_); }
    QTemporaryDir dir;

private:
    QByteArray old_;
};

class LanguageGuard {
public:
    ~LanguageGuard() { ql::SetLanguage(0); }
};

// A copy of the probe program (it prints the program folder it resolves) in
// bin/ of a scratch folder, run with the user's data folder in data/.
class ProgramDirProbe {
public:
    ProgramDirProbe()
    {
        root = QFileInfo(tmp.path()).canonicalFilePath();
        bin = root + QStringLiteral("/bin");
        ok = QDir().mkpath(bin) && QFile::copy(QStringLiteral(QL_PROGRAMDIR_PROBE), bin + QStringLiteral("/probe"));
    }
    // Runs the copy with QL_HOME set to home, or unset when home is null.
    QString run(const char* home) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QL_HOME"));
        if (home)
            env.insert(QStringLiteral("QL_HOME"), QString::fromLocal8Bit(home));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(bin + QStringLiteral("/probe"), {});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return QStringLiteral("(probe failed: ") + QString::fromLocal8Bit(p.readAllStandardError()) + u')';
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    QTemporaryDir tmp;
    QString root, bin;
    bool ok = false;
};

TEST(ProgramDir, HomeVariableThenPortableCopyThenUserDataFolder)
{
    ProgramDirProbe probe;
    ASSERT_TRUE(probe.ok);
    const QString data = probe.root + QStringLiteral("/data");

    // Nothing beside the program: the user's data folder, named, not made.
    EXPECT_EQ(probe.run(nullptr), data + QStringLiteral("/QL Tester"));
    EXPECT_EQ(probe.run(""), data + QStringLiteral("/QL Tester"));
    EXPECT_FALSE(QFileInfo::exists(data));
    // A folder called ql.ini is no settings file.
    ASSERT_TRUE(QDir(probe.bin).mkdir(QStringLiteral("ql.ini")));
    EXPECT_EQ(probe.run(nullptr), data + QStringLiteral("/QL Tester"));
    ASSERT_TRUE(QDir(probe.bin).rmdir(QStringLiteral("ql.ini")));

    // A ql.ini beside the program makes a portable copy.
    QFile ini(probe.bin + QStringLiteral("/ql.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    EXPECT_EQ(probe.run(nullptr), probe.bin);

    // QL_HOME comes before both.
    const QByteArray home = QFile::encodeName(probe.root + QStringLiteral("/elsewhere/../home/"));
    EXPECT_EQ(probe.run(home.constData()), probe.root + QStringLiteral("/home"));
}

TEST(Lang, LanguageOneTurnsSimplifiedIntoTraditional)
{
    LanguageGuard guard;
    ql::SetLanguage(1);
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_EQ(ql::Lang(QString::fromUtf8("电压")), QString::fromUtf8("電壓"));
    EXPECT_EQ(ql::Lang(QString::fromUtf8("设置成功")), QString::fromUtf8("設置成功"));
    EXPECT_EQ(ql::Lang(QString::fromUtf8("关闭软件?")), QString::fromUtf8("關閉軟件?"));
    EXPECT_EQ(ql::Lang(QString::fromUtf8("数据文件 温度")), QString::fromUtf8("數據文件 溫度"));
    // One character at a time: no context ("头发" would be 頭髮 as a word).
    EXPECT_EQ(ql::Lang(QString::fromUtf8("头发")), QString::fromUtf8("頭發"));
    // Traditional text and mixed text keep what is not Simplified.
    EXPECT_EQ(ql::Lang(QString::fromUtf8("電壓 12.5V 电流")), QString::fromUtf8("電壓 12.5V 電流"));
    // Characters outside the basic plane stay whole.
    EXPECT_EQ(ql::Lang(QString::fromUtf8("\xF0\xA0\x80\x80x")), QString::fromUtf8("\xF0\xA0\x80\x80x"));
}

TEST(Lang, EnglishAndOtherLanguagesPassUnchanged)
{
    LanguageGuard guard;
    const QString texts[] = {QStringLiteral("Close software?"), QStringLiteral("Voltage 0.000V, 10%"),
                             QString(), QString::fromUtf8("Grüße, ёж, こんにちは")};
    for (int lang : {0, 1, 2}) {
        ql::SetLanguage(lang);
        for (const QString& t : texts)
            EXPECT_EQ(ql::Lang(t), t) << lang;
    }
    const QString cjk = QString::fromUtf8("电压");
    ql::SetLanguage(0);
    EXPECT_EQ(ql::Lang(cjk), cjk);
    ql::SetLanguage(2);
    EXPECT_EQ(ql::Lang(cjk), cjk);
}

TEST(ErrLog, LineAndFileNameFormat)
{
    const QDateTime when(QDate(2024, 1, 28), QTime(9, 5, 3));
    EXPECT_EQ(ql::ErrLogLine(when, QStringLiteral("ErrComm"), QStringLiteral("Port is closed")),
              QStringLiteral("2024-01-28 09:05:03 V") + ql::VersionText() + QStringLiteral(":[ErrComm]Port is closed"));
    EXPECT_EQ(ql::ErrLogLine(when, QStringLiteral("ErrTlb(save)"), QString()),
              QStringLiteral("2024-01-28 09:05:03 V") + ql::VersionText() + QStringLiteral(":[ErrTlb(save)]"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(ql::VersionText()).hasMatch());

    ScratchHome home;
    EXPECT_EQ(ql::ErrLogPath(QDate(2024, 1, 28)), home.dir.filePath(QStringLiteral("Log/ql-2024128.log")));
    EXPECT_EQ(ql::ErrLogPath(QDate(2024, 12, 8)), ql::ErrLogPath(QDate(2024, 1, 28)));
    EXPECT_EQ(ql::ErrLogPath(QDate(2025, 10, 11)), home.dir.filePath(QStringLiteral("Log/ql-20251011.log")));
}

TEST(ErrLog, LineBreaksAreFolded)
{
    const QDateTime when(QDate(2024, 3, 4), QTime(23, 59, 59));
    const QString line = ql::ErrLogLine(when, QStringLiteral("Err\nData"), QStringLiteral("a\r\nb\nc\rd\r\n\r\n"));
    EXPECT_EQ(line, QStringLiteral("2024-03-04 23:59:59 V") + ql::VersionText() + QStringLiteral(":[Err Data]a b c d "));
}

TEST(ErrLog, AppendsOneLinePerCallWhenLogFolderExists)
{
    ScratchHome home;
    ASSERT_TRUE(QDir(home.dir.path()).mkdir(QStringLiteral("Log")));
    ql::ErrLog(QStringLiteral("ErrConn"), QStringLiteral("no port"));
    ql::ErrLog(QStringLiteral("ErrSet"), QStringLiteral("two\r\nlines"));
    const QStringList files = QDir(home.dir.filePath(QStringLiteral("Log"))).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);  // (a run across midnight could split the pair)
    QFile f(home.dir.filePath(QStringLiteral("Log/")) + files.front());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].isEmpty());
    const QString v = QRegularExpression::escape(ql::VersionText());
    const QRegularExpression one(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d V") + v +
                                 QStringLiteral(":\\[ErrConn\\]no port$"));
    const QRegularExpression two(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d V") + v +
                                 QStringLiteral(":\\[ErrSet\\]two lines$"));
    EXPECT_TRUE(one.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(two.match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_EQ(files.front(), QFileInfo(ql::ErrLogPath(QDate::currentDate())).fileName());
}

TEST(ErrLog, NothingWithoutLogFolder)
{
    ScratchHome home;
    ql::ErrLog(QStringLiteral("ErrComm"), QStringLiteral("lost"));
    EXPECT_TRUE(QDir(home.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    // A file called Log is no folder either; it stays as it is.
    QFile log(home.dir.filePath(QStringLiteral("Log")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    ql::ErrLog(QStringLiteral("ErrComm"), QStringLiteral("lost"));
    EXPECT_EQ(QFileInfo(log.fileName()).size(), 0);
    EXPECT_EQ(QDir(home.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
}

} // namespace
