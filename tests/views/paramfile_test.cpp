// The parameter file: what is written, reading it back into the selected
// channel, and files that are damaged, for another device, written on
// Chinese Windows or hold values beyond the device's bounds.
#include "scratchfile.h"
#include "testutil.h"
#include "viewfakes.h"
#include "views/paramfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ql;

namespace {

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        host.panel(0)->setTSval(0, QStringLiteral("1.25"));
        host.panel(0)->setTSlmt(0, QStringLiteral("3.00"));
        host.panel(0)->setTTime(0, QStringLiteral("00:00:12"));
        host.state.ch(0, 0).RunSecs = 40;  // the file takes the time readout, not the run clock
        // The file takes the slot's record, whatever the chart shows.
        host.state.slot[0].TitleText = QStringLiteral("Cell A");
        host.chart(0)->setTitleText(QStringLiteral("drawn"));
    }
    QString title() const { return host.state.slot[0].TitleText; }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    void clearFields()
    {
        host.panel(0)->setTSval(0, QString());
        host.panel(0)->setTSlmt(0, QString());
        host.panel(0)->setTTime(0, QString());
        host.setTitleText(0, QStringLiteral("old"));
    }

    QTemporaryDir dir;
    qltest::FakeViewHost host;
    qltest::ScriptedPrompter prompts;
};

} // namespace

TEST_F(ParamFileTest, SaveWritesSevenLinesAndOpenPutsThemBack)
{
    prompts.fileAnswer = path("one");  // no extension: ".cfg" is appended
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    ASSERT_EQ(prompts.fileAsks.size(), 1u);
    EXPECT_TRUE(prompts.fileAsks[0].save);
    EXPECT_EQ(prompts.fileAsks[0].title, "Save Parameter--Device1");
    EXPECT_EQ(prompts.fileAsks[0].filters, "config file(*.cfg) (*.cfg)");
    EXPECT_EQ(prompts.fileAsks[0].name, "2024-3-5-7-8-9-QL-K01");  // unpadded date and time, then the device

    QFile f(path("one.cfg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("---------QL Tester Software--------\r\nD:QL-K01\r\nT:Cell A\r\nS:1.25\r\n"
                                      "L:3.00\r\nM:00:00:12\r\n----------www.qltester.example----------\r\n"));

    clearFields();
    prompts.fileAnswer = path("one.cfg");
    OpenParameterFile(host);
    EXPECT_EQ(host.panel(0)->tSval(0), "1.25");
    EXPECT_EQ(host.panel(0)->tSlmt(0), "3.00");
    EXPECT_EQ(title(), "Cell A");
    EXPECT_TRUE(prompts.messages.empty());  // the "hh:mm:ss" time text is left alone

    // A capital extension gets a further ".cfg" on saving and is not read.
    prompts.fileAnswer = path("two.CFG");
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_TRUE(QFile::exists(path("two.CFG.cfg")));
    qltest::writeBytes(path("three.CFG"), "x\r\nD:QL-K01\r\nS:2.50\r\n");
    prompts.fileAnswer = path("three.CFG");
    OpenParameterFile(host);
    EXPECT_EQ(host.panel(0)->tSval(0), "1.25");

    // Saving while the selected channel runs does nothing.
    host.state.ch(0, 0).Running = true;
    prompts.fileAnswer = path("four");
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_FALSE(QFile::exists(path("four.cfg")));
}

// The time line is the time readout's text, written whole also where the
// single layout's seven-segment readout cannot show it (100 hours and more).
TEST_F(ParamFileTest, TheTimeLineIsTheTimeReadoutsTextWhole)
{
    host.panel(0)->setTTime(0, QStringLiteral("100:01:01"));
    prompts.fileAnswer = path("long.cfg");
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    QFile f(path("long.cfg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("\r\nL:3.00\r\nM:100:01:01\r\n-"));
}

TEST_F(ParamFileTest, ReadingAppliesOnlyAfterTheMatchingDeviceLine)
{
    qltest::writeBytes(path("a.cfg"), "anything\nS:9.99\nD:QL-X\nD:QL-K01\nS:5\nT:Z\nL:4.20\r\nM:abc\r\nS:x1\nS:2.00\nD:QL-K01\nxx\n");
    const CfgRead r = ReadParameterFile(path("a.cfg"), QStringLiteral("QL-K01"));
    ASSERT_EQ(r.status, CfgRead::Ok);
    EXPECT_EQ(r.sval, "2.00");   // "S:9.99" came before the match, "S:5" is too short
    EXPECT_EQ(r.slmt, "4.20");
    EXPECT_FALSE(r.title);       // "T:Z" is too short
    EXPECT_FALSE(r.time);
    EXPECT_EQ(r.skipped, QStringList{"S:x1"});  // a time text that is no number is not an error

    // Lines ended by CR alone.
    qltest::writeBytes(path("cr.cfg"), "b\rD:QL-K01\rT:Cell B\rS:0.75\rL:2.80\r");
    const CfgRead cr = ReadParameterFile(path("cr.cfg"), QStringLiteral("QL-K01"));
    ASSERT_EQ(cr.status, CfgRead::Ok);
    EXPECT_EQ(cr.title, "Cell B");
    EXPECT_EQ(cr.sval, "0.75");
    EXPECT_EQ(cr.slmt, "2.80");

    EXPECT_EQ(ReadParameterFile(path("a.cfg"), QStringLiteral("QL-K0")).status, CfgRead::OtherDevice);
    EXPECT_EQ(ReadParameterFile(path("missing.cfg"), QStringLiteral("QL-K01")).status, CfgRead::Unreadable);

    // A file for another model changes nothing and says nothing.
    qltest::writeBytes(path("other.cfg"), "b\r\nD:QL-R26B\r\nS:1.00\r\n");
    prompts.fileAnswer = path("other.cfg");
    OpenParameterFile(host);
    EXPECT_EQ(host.panel(0)->tSval(0), "1.25");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ParamFileTest, DamagedLinesAreSkippedWithOneNoticeAndTheRestApplies)
{
    const auto open = [&](const char* name, const QByteArray& bytes) {
        qltest::writeBytes(path(name), bytes);
        prompts.messages.clear();
        prompts.fileAnswer = path(name);
        OpenParameterFile(host);
    };
    // A NUL in one line and a set value that is no number: both skipped,
    // one notice, the title and limit apply.
    open("nul.cfg", QByteArray("b\r\nD:QL-K01\r\nT:New\0x\r\nS:abc\r\nL:2.50\r\nT:Kept\r\n", 46));
    EXPECT_EQ(host.panel(0)->tSval(0), "1.25");
    EXPECT_EQ(host.panel(0)->tSlmt(0), "2.50");
    EXPECT_EQ(title(), "Kept");
    EXPECT_EQ(prompts.titledTexts(), QStringList{"Prompt|Invalid value!"});

    // A title written in GB18030 on Chinese Windows reads.
    open("gb.cfg", QByteArray("b\r\nD:QL-K01\r\nT:") + QByteArray("\xb5\xe7\xb3\xd8 A") + "\r\nS:1.50\r\n");
    EXPECT_EQ(title(), QString::fromUtf8("电池 A"));
    EXPECT_EQ(host.panel(0)->tSval(0), "1.50");
    EXPECT_TRUE(prompts.messages.empty());

    // Larger than any parameter file: refused whole.
    open("big.cfg", "b\r\nD:QL-K01\r\nT:New\r\nS:2.00\r\n" + QByteArray(kCfgMaxBytes, 'x'));
    EXPECT_EQ(host.panel(0)->tSval(0), "1.50");
    EXPECT_EQ(prompts.titledTexts(), QStringList{"Prompt|Invalid value!"});
}

// Values go into the fields as the file holds them, also beyond an
// identified device's bounds; the start and set commands check what they send.
TEST_F(ParamFileTest, ValuesApplyAsTheFileHoldsThem)
{
    SlotState& s = host.state.slot[0];
    s.DevType = 1;
    s.MaxCur = 5;
    s.MaxVol = 30;
    s.MinVol = 0.5f;
    s.MinCur = 0;
    qltest::writeBytes(path("range.cfg"), "b\r\nD:QL-K01\r\nT:New title\r\nS:99.00\r\nL:12.00\r\nM:-5\r\n");
    prompts.fileAnswer = path("range.cfg");
    OpenParameterFile(host);
    EXPECT_EQ(host.panel(0)->tSval(0), "99.00");
    EXPECT_EQ(host.panel(0)->tSlmt(0), "12.00");
    EXPECT_EQ(title(), "New title");
    // The time readout shows the number as if it had been set directly.
    const QString shown = host.panel(0)->tTime(0);
    EXPECT_NE(shown, "00:00:12");
    host.panel(0)->setTTime(0, "-5");
    EXPECT_EQ(host.panel(0)->tTime(0), shown);
    EXPECT_TRUE(prompts.messages.empty());
    // Saved again, the time line is what the file gave.
    prompts.fileAnswer = path("range-again.cfg");
    SaveParameterFile(host);
    ASSERT_TRUE(qltest::settleDisk());
    QFile again(path("range-again.cfg"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_TRUE(again.readAll().contains("\r\nM:-5\r\n"));
}

// Under a locale with a decimal comma a value typed with the comma is saved
// with a point; a file an earlier build wrote with commas reads with its
// values, in every locale.
TEST_F(ParamFileTest, DecimalCommasAreSavedWithAPointAndReadWithTheirValues)
{
    for (const char* name : {"C.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        SCOPED_TRACE(name);
        QL_UNDER_LOCALE(locale, QString::fromLatin1(name));
        const bool comma = QByteArray(name) != "C.UTF-8";
        host.panel(0)->setTSval(0, comma ? QStringLiteral("1,25") : QStringLiteral("1.25"));
        prompts.fileAnswer = path("typed.cfg");
        SaveParameterFile(host);
        ASSERT_TRUE(qltest::settleDisk());
        EXPECT_TRUE(qltest::fileBytes(path("typed.cfg")).contains("\r\nS:1.25\r\n"));

        qltest::writeBytes(path("comma.cfg"), "b\r\nD:QL-K01\r\nT:Old\r\nS:0,30\r\nL:2,50\r\n");
        clearFields();
        prompts.messages.clear();
        prompts.fileAnswer = path("comma.cfg");
        OpenParameterFile(host);
        EXPECT_EQ(host.panel(0)->tSval(0), "0.30");
        EXPECT_EQ(host.panel(0)->tSlmt(0), "2.50");
        EXPECT_EQ(title(), "Old");
        EXPECT_TRUE(prompts.messages.empty());
    }
}
