// The settings file: creation, every key with its default, conversions,
// axis-range checks, writers and a folder without write access.
#include "inifile.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class SettingsTest : public IniFileTest {
protected:
    ~SettingsTest() override { ql::SetLanguage(0); }

    ql::Settings load(const QByteArray& content)
    {
        put(content);
        ql::Settings s;
        s.Load(file);
        return s;
    }
};

// Whether the switches a save hands to the queue were written.
bool switchesKept(ql::Settings& s)
{
    bool kept = true;
    EXPECT_TRUE(s.SaveSwitches([&](bool ok) { kept = ok; }));
    EXPECT_TRUE(qltest::settleDisk());
    return kept;
}

void expectDefaults(const ql::Settings& s)
{
    EXPECT_EQ(s.Language, 0);
    EXPECT_EQ(s.SvrAddress, QString::fromLatin1(ql::kDefaultServerAddress));
    EXPECT_EQ(s.Port[0], 2);
    EXPECT_FALSE(s.AutoSave);
    EXPECT_FALSE(s.PromptMsg);
    EXPECT_FALSE(s.MinHide);
    EXPECT_FALSE(s.FloatDisp);
    EXPECT_TRUE(s.SaveCsv);
    EXPECT_FALSE(s.TempData);
    EXPECT_EQ(s.VolColor[0], 16711680);
    EXPECT_EQ(s.CurColor[0], 255);
    EXPECT_EQ(s.VolColor[1], 16711680);
    EXPECT_EQ(s.CurColor[1], 255);
    EXPECT_EQ(s.PwrColor, 32896);
    EXPECT_EQ(s.TimeColor, 8421504);
    EXPECT_EQ(s.BackColor, 16777215);
    EXPECT_EQ(s.GridColor, 8421504);
    EXPECT_EQ(s.AxesColor, 0);
    EXPECT_EQ(s.GridType1, 0);
    EXPECT_EQ(s.GridType2, 2);
    EXPECT_EQ(s.Line, 2);
    EXPECT_FALSE(s.ShowAh);
    EXPECT_FALSE(s.ShowWh);
    EXPECT_FALSE(s.ShowLabel);
    EXPECT_TRUE(s.XTime);
    EXPECT_TRUE(s.AutoScale);
    EXPECT_EQ(s.VY0, 0.0f);
    EXPECT_EQ(s.VY1, 20.0f);
    EXPECT_EQ(s.CY0, 0.0f);
    EXPECT_EQ(s.CY1, 10.0f);
    EXPECT_EQ(s.CT0, 0);
    EXPECT_EQ(s.CT1, 100);
    EXPECT_TRUE(s.VoltAxisOk);
    EXPECT_TRUE(s.CurAxisOk);
    EXPECT_TRUE(s.TimeAxisOk);
}

TEST_F(SettingsTest, FirstStartCreatesBannerFileAndRunsOnDefaults)
{
    ASSERT_TRUE(ql::CreateSettingsFile(file));
    EXPECT_EQ(bytes(), QByteArray(";--------QL Config File----------\r\n"));
    ql::Settings s;
    s.Load(file);
    expectDefaults(s);
    EXPECT_EQ(s.IniFile, file);
    EXPECT_EQ(ql::Language(), 0);
    expectDefaults(ql::Settings());  // the struct starts with the same defaults
    EXPECT_EQ(bytes(), QByteArray(";--------QL Config File----------\r\n"));  // reading writes nothing

    // An existing file is never rewritten.
    put("[AUTO]\nSAVE=True");
    ASSERT_TRUE(ql::CreateSettingsFile(file));
    EXPECT_EQ(bytes(), QByteArray("[AUTO]\nSAVE=True"));
}

TEST_F(SettingsTest, EveryKeyIsRead)
{
    const ql::Settings s = load(";--------QL Config File----------\r\n"
                                "[LANGUAGE]\r\nLANG=1\r\n"
                                "[DATA]\r\nSVR=10.1.2.3\r\nVCOL0=65280\r\nCCOL0=65535\r\nVCOL1=1\r\nCCOL1=2\r\n"
                                "PCOL=3\r\nTCOL=4\r\nMDOT=1\r\nSDOT=0\r\nBCOL=5\r\nGCOL=6\r\nACOL=7\r\nLINE=1\r\n"
                                "SAH=1\r\nSWH=1\r\nSLA=1\r\nXTIME=False\r\nSCALE=0\r\n"
                                "[COMM]\r\nPORT1=7\r\nPORT2=9\r\n"
                                "[AUTO]\r\nSAVE=True\r\nMSG=True\r\nHIDE=True\r\nDISP=True\r\nCSV=False\r\nTEMP=True\r\n"
                                "[CURVE]\r\nVY0=1.5\r\nVY1=30\r\nCY0=0.5\r\nCY1=5\r\nCT0=10\r\nCT1=3600\r\n");
    EXPECT_EQ(s.Language, 1);
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_EQ(s.SvrAddress, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(s.Port[0], 7);
    EXPECT_EQ(s.Port[1], 2);  // other slots' ports are read when the slot is added
    EXPECT_TRUE(s.AutoSave);
    EXPECT_TRUE(s.PromptMsg);
    EXPECT_TRUE(s.MinHide);
    EXPECT_TRUE(s.FloatDisp);
    EXPECT_FALSE(s.SaveCsv);
    EXPECT_TRUE(s.TempData);
    EXPECT_EQ(s.VolColor[0], 65280);
    EXPECT_EQ(s.CurColor[0], 65535);
    EXPECT_EQ(s.VolColor[1], 1);
    EXPECT_EQ(s.CurColor[1], 2);
    EXPECT_EQ(s.PwrColor, 3);
    EXPECT_EQ(s.TimeColor, 4);
    EXPECT_EQ(s.BackColor, 5);
    EXPECT_EQ(s.GridColor, 6);
    EXPECT_EQ(s.AxesColor, 7);
    EXPECT_EQ(s.GridType1, 2);
    EXPECT_EQ(s.GridType2, 0);
    EXPECT_EQ(s.Line, 1);
    EXPECT_TRUE(s.ShowAh);
    EXPECT_TRUE(s.ShowWh);
    EXPECT_TRUE(s.ShowLabel);
    EXPECT_FALSE(s.XTime);
    EXPECT_FALSE(s.AutoScale);
    EXPECT_EQ(s.VY0, 1.5f);
    EXPECT_EQ(s.VY1, 30.0f);
    EXPECT_EQ(s.CY0, 0.5f);
    EXPECT_EQ(s.CY1, 5.0f);
    EXPECT_EQ(s.CT0, 10);
    EXPECT_EQ(s.CT1, 3600);
    EXPECT_TRUE(s.VoltAxisOk);
    EXPECT_TRUE(s.CurAxisOk);
    EXPECT_TRUE(s.TimeAxisOk);
}

TEST_F(SettingsTest, AxisRangeRules)
{
    struct Case {
        const char* lo;
        const char* hi;
        bool ok;
    };
    for (const Case& c : {Case{"0", "0.1", true}, Case{"0", "0.05", false}, Case{"0", "100", true},
                          Case{"0", "100.5", false}, Case{"-1", "10", false}, Case{"5", "5", false},
                          Case{"99.9", "100", true}, Case{"100", "100.1", false}, Case{"1e3", "2e3", false}}) {
        const QByteArray v = QByteArray("[CURVE]\r\nVY0=") + c.lo + "\r\nVY1=" + c.hi + "\r\nCY0=" + c.lo +
                             "\r\nCY1=" + c.hi + "\r\n";
        const ql::Settings s = load(v);
        EXPECT_EQ(s.VoltAxisOk, c.ok) << c.lo << ".." << c.hi;
        EXPECT_EQ(s.CurAxisOk, c.ok) << c.lo << ".." << c.hi;
        EXPECT_TRUE(s.TimeAxisOk);
    }
    struct TCase {
        const char* lo;
        const char* hi;
        bool ok;
    };
    for (const TCase& c : {TCase{"100", "105", false}, TCase{"100", "110", true}, TCase{"0", "60000", true},
                           TCase{"0", "60001", false}, TCase{"-10", "50", false}, TCase{"59990", "60000", true}}) {
        const ql::Settings s = load(QByteArray("[CURVE]\r\nCT0=") + c.lo + "\r\nCT1=" + c.hi + "\r\n");
        EXPECT_EQ(s.TimeAxisOk, c.ok) << c.lo << ".." << c.hi;
        EXPECT_TRUE(s.VoltAxisOk);
        EXPECT_TRUE(s.CurAxisOk);
    }
    // The voltage and current pairs are checked on their own.
    const ql::Settings s = load("[CURVE]\r\nVY0=10\r\nVY1=5\r\nCY1=9\r\n");
    EXPECT_FALSE(s.VoltAxisOk);
    EXPECT_TRUE(s.CurAxisOk);
    EXPECT_EQ(s.CY1, 9.0f);
}

TEST_F(SettingsTest, ConversionsOfStoredValues)
{
    ql::Settings s = load("[LANGUAGE]\r\nLANG=2\r\n[DATA]\r\nMDOT=5\r\nSDOT=0\r\nVCOL0=255.9\r\nLINE=1.7\r\n"
                          "SAH=2\r\n[COMM]\r\nPORT1=4.5\r\n[CURVE]\r\nCT0=10.5\r\nCT1=99.5\r\n");
    EXPECT_EQ(s.Language, 0);        // only 0 and 1 count
    EXPECT_EQ(s.GridType1, 2);       // any value but 0 is dotted
    EXPECT_EQ(s.GridType2, 0);
    EXPECT_EQ(s.VolColor[0], 255);   // colours and LINE are rounded down
    EXPECT_EQ(s.Line, 1);
    EXPECT_TRUE(s.ShowAh);
    EXPECT_EQ(s.Port[0], 4);         // whole numbers round halves to even
    EXPECT_EQ(s.CT0, 10);
    EXPECT_EQ(s.CT1, 100);

    s = load("[AUTO]\r\nSAVE=true\r\nCSV=FALSE\r\nMSG=\"True\"\r\n[LANGUAGE]\r\nLANG= 1 \r\n");
    EXPECT_TRUE(s.AutoSave);
    EXPECT_FALSE(s.SaveCsv);
    EXPECT_TRUE(s.PromptMsg);
    EXPECT_EQ(s.Language, 1);
}

TEST_F(SettingsTest, NonsenseFallsBackToEachKeysDefault)
{
    const ql::Settings s = load("[LANGUAGE]\r\nLANG=abc\r\n"
                                "[DATA]\r\nVCOL0=blue\r\nCCOL0=-5\r\nVCOL1=99999999\r\nCCOL1=nan\r\nPCOL=1,5\r\n"
                                "TCOL=\r\nMDOT=x\r\nSDOT=70000\r\nLINE=0\r\nSAH=yes\r\nXTIME=maybe\r\nSCALE=?\r\n"
                                "BCOL=inf\r\nGCOL=0x10\r\nACOL=1e300\r\n"
                                "SVR=server.example\r\n"
                                "[COMM]\r\nPORT1=COM3\r\n"
                                "[AUTO]\r\nSAVE=maybe\r\nCSV=xyz\r\nHIDE=\r\nDISP=Tru\r\nMSG=ja\r\nTEMP=-\r\n"
                                "[CURVE]\r\nVY0=abc\r\nVY1=1e40\r\nCY0=\r\nCY1=ten\r\nCT0=1e20\r\nCT1=1.5.2\r\n");
    expectDefaults(s);
}

TEST_F(SettingsTest, DamagedFileRunsOnDefaultsAndIsNotRewritten)
{
    // A file far larger than any settings file (junk line ends after a
    // valid-looking start): no key is taken from it, and a setting changed
    // in the session neither rewrites nor grows it.
    QByteArray huge("[COMM]\r\nPORT1=7\r\n[AUTO]\r\nSAVE=True\r\n");
    huge.append(QByteArray(2 << 20, '\n'));
    ql::Settings s = load(huge);
    expectDefaults(s);
    EXPECT_EQ(s.ReadSlot(0), 2);
    s.AutoSave = true;
    EXPECT_FALSE(switchesKept(s));
    EXPECT_TRUE(s.AutoSave);  // holds for this session
    EXPECT_TRUE(bytes() == huge) << "the file was rewritten";

    // Binary junk of ordinary size, NUL bytes included: every key its default.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) & 0xFF));
    const ql::Settings j = load(junk);
    expectDefaults(j);
}

TEST_F(SettingsTest, SlotSetUpReadsItsOwnKeys)
{
    put("[COMM]\r\nPORT1=3\r\nPORT4=11\r\nPORT10=12\r\n[DATA]\r\nVCOL0=1\r\nCCOL0=2\r\nLINE=1\r\n");
    ql::Settings s;
    s.Load(file);
    EXPECT_EQ(s.ReadSlot(3), 11);
    EXPECT_EQ(s.Port[3], 11);
    EXPECT_EQ(s.ReadSlot(9), 12);
    EXPECT_EQ(s.ReadSlot(5), 2);
    // A colour chosen on one slot is what later slots and the next start read.
    ql::Settings other;
    other.Load(file);
    ASSERT_TRUE(other.SaveCurveColor(0, false, 4242));
    ASSERT_TRUE(other.SaveCurveColor(1, true, 77));
    EXPECT_EQ(other.VolColor[0], 4242);
    EXPECT_EQ(other.CurColor[1], 77);
    EXPECT_EQ(s.VolColor[0], 1);
    ASSERT_TRUE(qltest::settleDisk());
    s.ReadSlot(1);
    EXPECT_EQ(s.VolColor[0], 4242);
    EXPECT_EQ(s.CurColor[0], 2);
    EXPECT_EQ(s.CurColor[1], 255);
    s.ReadChannel2Colors();
    EXPECT_EQ(s.CurColor[1], 77);
    EXPECT_FALSE(other.SaveCurveColor(2, false, 1));
}

TEST_F(SettingsTest, WritersWriteTheirKeys)
{
    ASSERT_TRUE(ql::CreateSettingsFile(file));
    ql::Settings s;
    s.Load(file);
    s.PromptMsg = true;
    s.SaveCsv = false;
    ASSERT_TRUE(s.SaveSwitches());
    ASSERT_TRUE(s.SaveLanguage(1));
    EXPECT_EQ(ql::Language(), 1);
    ASSERT_TRUE(s.SaveTempData(true));
    ASSERT_TRUE(s.SaveServerAddress(QStringLiteral("192.0.2.7")));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(bytes(), QByteArray(";--------QL Config File----------\r\n"
                                  "[AUTO]\r\nMSG=True\r\nSAVE=False\r\nHIDE=False\r\nDISP=False\r\nCSV=False\r\n"
                                  "TEMP=True\r\n"
                                  "[LANGUAGE]\r\nLANG=1\r\n"
                                  "[DATA]\r\nSVR=192.0.2.7\r\n"));
    ASSERT_TRUE(s.SaveLanguage(0));
    EXPECT_EQ(ql::Language(), 0);
    for (const char* bad : {"1.2.3", "1.2.3.256", "a.b.c.d", "1.2.3.4\r\n[X]", "", "1.2.3.4 "})
        EXPECT_FALSE(s.SaveServerAddress(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(s.SvrAddress, QStringLiteral("192.0.2.7"));

    s.GridType1 = 2;
    s.GridType2 = 0;
    s.GridColor = 11;
    s.BackColor = 12;
    s.AxesColor = 13;
    s.PwrColor = 14;
    s.TimeColor = 15;
    s.XTime = false;
    s.ShowAh = true;
    s.ShowWh = true;
    s.ShowLabel = true;
    s.AutoScale = false;
    s.Line = 1;
    ASSERT_TRUE(s.SaveDisplay());
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_TRUE(bytes().endsWith("[DATA]\r\nSVR=192.0.2.7\r\nMDOT=1\r\nSDOT=0\r\nGCOL=11\r\nBCOL=12\r\nACOL=13\r\n"
                                 "PCOL=14\r\nTCOL=15\r\nXTIME=False\r\nSAH=1\r\nSWH=1\r\nSLA=1\r\nSCALE=0\r\nLINE=1\r\n"))
        << bytes().toStdString();
}

TEST_F(SettingsTest, AxisRangesAreWrittenAsTyped)
{
    ql::Settings s;
    s.Load(file);
    ASSERT_TRUE(s.SaveAxisRanges(QStringLiteral("0"), QStringLiteral("12.50"), QStringLiteral("0"),
                                 QStringLiteral("0.05"), QStringLiteral("0"), QStringLiteral("600")));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(bytes(), QByteArray("[CURVE]\r\nVY0=0\r\nVY1=12.50\r\nCY0=0\r\nCY1=0.05\r\nCT0=0\r\nCT1=600\r\n"));
    EXPECT_EQ(s.VY1, 12.5f);
    EXPECT_TRUE(s.VoltAxisOk);
    EXPECT_FALSE(s.CurAxisOk);
    EXPECT_EQ(s.CT1, 600);
    ql::Settings back;
    back.Load(file);
    EXPECT_EQ(back.VY1, 12.5f);
    EXPECT_FALSE(back.CurAxisOk);
    EXPECT_TRUE(back.TimeAxisOk);
    EXPECT_TRUE(ql::AxisRangeOk(0, 0.1f));
    EXPECT_FALSE(ql::TimeRangeOk(0, 9));
}

// Every range exactly 0.1 wide is usable, 0.6 to 0.7 and 8.1 to 8.2 as much
// as 0 to 0.1, and one 0.05 wide is not, wherever it lies.
TEST_F(SettingsTest, StoredRangesOfTheSmallestSpanAreUsable)
{
    for (int k = 0; k < 1000; ++k) {
        const QString lo = QString::number(k / 10.0, 'f', 1), hi = QString::number((k + 1) / 10.0, 'f', 1);
        ASSERT_TRUE(ql::AxisRangeOk(lo.toFloat(), hi.toFloat())) << lo.toStdString() << " to " << hi.toStdString();
        const QString narrow = QString::number(k / 10.0 + 0.05, 'f', 2);
        ASSERT_FALSE(ql::AxisRangeOk(lo.toFloat(), narrow.toFloat())) << lo.toStdString();
    }
    ql::Settings s;
    s.Load(file);
    ASSERT_TRUE(s.SaveAxisRanges(QStringLiteral("0.6"), QStringLiteral("0.7"), QStringLiteral("8.1"),
                                 QStringLiteral("8.2"), QStringLiteral("0"), QStringLiteral("10")));
    ASSERT_TRUE(qltest::settleDisk());
    ql::Settings back;
    back.Load(file);
    EXPECT_TRUE(back.VoltAxisOk);
    EXPECT_TRUE(back.CurAxisOk);
    EXPECT_TRUE(back.TimeAxisOk);
}

TEST_F(SettingsTest, FolderWithoutWriteAccessRunsOnDefaults)
{
    // Nothing can be created below a regular file, not even by root.
    QFile blocker(dir.filePath(QStringLiteral("home")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString ini = blocker.fileName() + QStringLiteral("/ql.ini");
    EXPECT_FALSE(ql::CreateSettingsFile(ini));
    ql::Settings s;
    s.Load(ini);
    expectDefaults(s);
    EXPECT_TRUE(s.SaveLanguage(1));
    s.AutoSave = true;
    EXPECT_FALSE(switchesKept(s));
    EXPECT_EQ(s.Language, 1);  // the settings hold for this session
    EXPECT_TRUE(s.AutoSave);
    ASSERT_NE(s.Unsaved(ini, QStringLiteral("LANGUAGE"), QStringLiteral("LANG")), nullptr);
    EXPECT_EQ(*s.Unsaved(ini, QStringLiteral("LANGUAGE"), QStringLiteral("LANG")), QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(ini));

    if (::geteuid() != 0) {  // root writes through any permission
        QDir(dir.path()).mkdir(QStringLiteral("ro"));
        const QString roDir = dir.filePath(QStringLiteral("ro"));
        QFile::setPermissions(roDir, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(ql::CreateSettingsFile(roDir + QStringLiteral("/ql.ini")));
        ql::Settings r;
        r.Load(roDir + QStringLiteral("/ql.ini"));
        r.SaveTempData(true);
        ASSERT_TRUE(qltest::settleDisk());
        EXPECT_FALSE(QFileInfo::exists(roDir + QStringLiteral("/ql.ini")));
        QFile::setPermissions(roDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(SettingsTest, ProgramWideInstanceUsesTheSettingsFile)
{
    // QL_HOME points at the test main's scratch folder.
    ql::Settings& s = ql::settings();
    EXPECT_EQ(&s, &ql::settings());
    ASSERT_TRUE(ql::CreateSettingsFile(ql::SettingsFile()));
    s.Load(ql::SettingsFile());
    EXPECT_EQ(s.IniFile, ql::SettingsFile());
    ASSERT_TRUE(s.SaveServerAddress(QStringLiteral("192.0.2.8")));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), QStringLiteral("DATA"), QStringLiteral("SVR"), QString()), "192.0.2.8");
}

} // namespace
