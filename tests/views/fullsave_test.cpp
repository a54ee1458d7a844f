// The view writers on a full disk (a child process whose files cannot grow
// past a limit): the earlier file stays byte for byte, the failure is
// logged with the writer's code, and a save the user asked for is told.
#include "link/run_fakes.h"
#include "testutil.h"
#include "scratchfile.h"
#include "viewfakes.h"
#include "views/datafile.h"
#include "views/paramfile.h"
#include "views/pictures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ql;
using qltest::fileBytes;
using qltest::withFileSizeLimit;

namespace {

constexpr long kLimit = 4096;  // room for a log line, not for the files

class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        log = qltest::errLogPath();
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
    QString log;
};

} // namespace

TEST_F(FullDiskTest, DataFileKeepsTheEarlierFileAndLogsErrSaveData)
{
    qltest::writeBytes(path("run.csv"), "earlier\r\n");
    QStringList lines;
    for (int i = 0; i < 1000; ++i)
        lines << QStringLiteral("%1,1.00,3.700").arg(i);
    EXPECT_EQ(withFileSizeLimit(kLimit, [&] { return WriteDataFile(path("run.csv"), lines) ? 1 : 0; }), 0);
    EXPECT_EQ(fileBytes(path("run.csv")), QByteArray("earlier\r\n"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("run.csv")});
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrSaveData]") + path("run.csv")));
    // An automatic data file that cannot be written leaves no empty file.
    EXPECT_EQ(withFileSizeLimit(kLimit, [&] { return WriteDataFile(path("auto.csv"), lines) ? 1 : 0; }), 0);
    EXPECT_FALSE(QFile::exists(path("auto.csv")));
}

TEST_F(FullDiskTest, ParameterFileSaveIsToldWhenItFails)
{
    qltest::FakeViewHost host;
    qltest::ScriptedPrompter prompts;
    host.state.slot[0].TitleText = QString(2 * kLimit, QLatin1Char('T'));  // a file larger than the room
    qltest::writeBytes(path("p.cfg"), "earlier\r\n");
    prompts.fileAnswer = path("p.cfg");
    {
        qltest::FileSizeLimit full(kLimit);
        SaveParameterFile(host);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(prompts.titledTexts(), QStringList{QStringLiteral("Prompt|Cannot save file!")});
    EXPECT_EQ(fileBytes(path("p.cfg")), QByteArray("earlier\r\n"));
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrSaveCfg]")));
    prompts.messages.clear();
    // With room the same save works and tells nothing.
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_GT(fileBytes(path("p.cfg")).size(), 2 * kLimit);
}

TEST_F(FullDiskTest, PictureSaveIsToldWhenItFails)
{
    qltest::FakeViewHost host;
    qltest::ScriptedPrompter prompts;
    host.chart(0)->DrawCurve();
    qltest::writeBytes(path("c.bmp"), "earlier");
    prompts.fileAnswer = path("c.bmp");
    {
        qltest::FileSizeLimit full(kLimit);
        SaveCurvePicture(host, false);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(prompts.titledTexts(), QStringList{QStringLiteral("Prompt|Cannot save file!")});
    EXPECT_EQ(fileBytes(path("c.bmp")), QByteArray("earlier"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("c.bmp")});
    EXPECT_TRUE(qltest::readAll(log).contains(QStringLiteral("[ErrSavePic]")));
}
