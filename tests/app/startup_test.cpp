// Start-up, slots and tabs, shut-down without devices.
#include "apptest.h"
#include "menunames.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "platform/services.h"
#include "testutil.h"


#include <QAction>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace qltest;
using ql::frmMain;

namespace {

QStringList folderEntries(const QString& dir)
{
    QStringList e = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    e.sort();
    return e;
}

} // namespace

TEST_F(AppTest, FirstStartInEmptyFolderCreatesFilesAndIsIdle)
{
    // The program's own periods: built without options.
    auto w = std::make_unique<ql::frmMain>();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(folderEntries(home()), (QStringList{"Data", "Log", "ql.ini"}));
    EXPECT_TRUE(folderEntries(home() + "/Data").isEmpty());
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n"));

    EXPECT_TRUE(w->windowTitle().startsWith("QL Tester Software V" + ql::VersionText() + " (Build "));
    // The program's icon, for the window manager in the sizes it asks for.
    const QIcon icon = w->windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48})
        EXPECT_EQ(icon.pixmap(size).size(), QSize(size, size)) << size;
    EXPECT_EQ(w->DevCount(), 1);

    // Idle: only the clock line runs; no port is open, polled or asked
    // for a device, and the news exchange waits until it is switched on.
    EXPECT_TRUE(inside(w).timer(1)->isActive());
    EXPECT_FALSE(inside(w).timer(2)->isActive());
    EXPECT_FALSE(inside(w).timer(4)->isActive());
    EXPECT_FALSE(inside(w).link().slot[0].hComm);
    EXPECT_FALSE(inside(w).link().slot[0].Connecting);

    // What the user can do first: connect, add a device, open data. Nothing
    // that needs a device is offered.
    const auto& u = inside(w).slot(0).Panel->ui();
    EXPECT_TRUE(u.cmdConn->isEnabled());
    EXPECT_FALSE(u.cmdRun->isEnabled());
    EXPECT_FALSE(u.cmdStop->isEnabled());
    EXPECT_FALSE(u.cmdSet->isEnabled());
    EXPECT_TRUE(inside(w).action(ql::MenuId::menuAddDev)->isEnabled());
    EXPECT_TRUE(inside(w).action(ql::MenuId::menuOpenData)->isEnabled());
    for (ql::MenuId id : {ql::MenuId::menuOpenCfg, ql::MenuId::menuSaveCfg, ql::MenuId::menuAdj})
        EXPECT_FALSE(inside(w).action(id)->isEnabled()) << qltest::MenuName(id);
    for (ql::MenuId id : {ql::MenuId::menuRes, ql::MenuId::menuQc, ql::MenuId::menuUsb, ql::MenuId::menuTemp})
        EXPECT_FALSE(inside(w).action(id)->isVisible()) << qltest::MenuName(id);

    // Closing with no device: one question, nothing written.
    closeWindow(*w);
    EXPECT_EQ(prompt.texts(), QStringList{"Close software?"});
    EXPECT_EQ(prompt.messages[0].icon, ql::Prompter::Information);
    EXPECT_EQ(prompt.messages[0].buttons, ql::Prompter::OkCancel);
    EXPECT_EQ(folderEntries(home()), (QStringList{"Data", "Log", "ql.ini"}));
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n"));
}

TEST_F(AppTest, FirstStartCreatesAMissingProgramFolderAndTheAboutBoxNamesIt)
{
    // A user's data folder that does not exist yet, two levels deep.
    const QString folder = home() + "/share/QL Tester";
    qputenv("QL_HOME", QFile::encodeName(folder));
    auto w = makeWindow();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(folderEntries(folder), (QStringList{"Data", "Log", "ql.ini"}));
    EXPECT_EQ(fileLines(folder + "/ql.ini"), QStringList{";--------QL Config File----------"});

    inside(w).action("menuAbout")->trigger();
    ASSERT_TRUE(inside(w).aboutWindow());
    EXPECT_EQ(inside(w).aboutWindow()->lblPath->text(), "Program folder: " + folder);
    inside(w).aboutWindow()->close();
    closeWindow(*w);
}

TEST_F(AppTest, ExistingSettingsAreReadAndLeftAsTheyAre)
{
    const QByteArray ini = "; mine\r\n[AUTO]\r\nHIDE=True\r\nMSG=True\r\nCSV=False\r\nTEMP=True\r\n"
                           "[LANGUAGE]\r\nLANG=1\r\n[DATA]\r\nVCOL0=65280\r\nSLA=1\r\nSVR=10.1.2.3\r\n";
    {
        QFile f(home() + "/ql.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    QDir(home()).mkdir("Data");
    {
        QFile f(home() + "/Data/old.csv");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    auto w = makeWindow();
    EXPECT_TRUE(ql::settings().MinHide);
    EXPECT_TRUE(ql::settings().PromptMsg);
    EXPECT_FALSE(ql::settings().SaveCsv);
    EXPECT_TRUE(inside(w).action("menuTemp")->isChecked());
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_TRUE(inside(w).action("menuUnSimp")->isChecked());
    EXPECT_TRUE(ql::settings().ShowLabel);
    EXPECT_EQ(ql::settings().SvrAddress, "10.1.2.3");
    EXPECT_EQ(inside(w).slot(0).gridRun->CellBackColor(1, 7), 65280);
    closeWindow(*w);
    QFile f(home() + "/ql.ini");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), ini);
    EXPECT_EQ(folderEntries(home() + "/Data"), QStringList{"old.csv"});
}

TEST_F(AppTest, TenDevicesWithTabsAndCurrentSlotFollowingTheTab)
{
    auto w = makeWindow();
    w->show();
    for (int i = 0; i < 9; ++i)
        inside(w).action("menuAddDev")->trigger();
    EXPECT_EQ(w->DevCount(), 10);
    ASSERT_EQ(inside(w).tabs()->count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(inside(w).tabs()->tabText(i), QString("Device%1").arg(i + 1));
        EXPECT_EQ(inside(w).tabs()->tabData(i).toString(), QString("dev%1").arg(i + 1));
        ql::SlotView& s = inside(w).slot(i);
        // Every slot gets the same layout, whichever is in front.
        EXPECT_EQ(s.frmDev->geometry(), inside(w).slot(0).frmDev->geometry());
        EXPECT_EQ(s.Chart->geometry(), inside(w).slot(0).Chart->geometry());
        EXPECT_EQ(s.gridRun->geometry(), inside(w).slot(0).gridRun->geometry());
    }
    EXPECT_EQ(inside(w).toolbar()->x(), 535);  // 8020 twips in whole pixels
    EXPECT_FALSE(inside(w).action("menuAddDev")->isEnabled());
    w->menuAddDev_Click();  // a click at ten changes nothing
    EXPECT_EQ(w->DevCount(), 10);
    EXPECT_EQ(inside(w).tabs()->count(), 10);

    // The new tabs were not selected.
    EXPECT_EQ(w->CurDev(), 0);
    inside(w).tabs()->setCurrentIndex(2);
    EXPECT_EQ(w->CurDev(), 2);
    QObjectList kids = inside(w).slot(2).frmDev->parentWidget()->children();
    auto pos = [&](QObject* o) { return kids.indexOf(o); };
    for (int i = 0; i < 10; ++i) {
        if (i != 2) {
            EXPECT_GT(pos(inside(w).slot(2).frmDev), pos(inside(w).slot(i).frmDev));
        }
    }
    QTest::mouseClick(inside(w).tabs(), Qt::LeftButton, {}, inside(w).tabs()->tabRect(0).center());
    EXPECT_EQ(w->CurDev(), 0);
    EXPECT_EQ(inside(w).tabs()->currentIndex(), 0);
    closeWindow(*w);
}

TEST_F(AppTest, AddedSlotReadsItsPortKeyAndColours)
{
    writeIni("[COMM]\r\nPORT2=07\r\nPORT3=7\r\n[DATA]\r\nCCOL0=4660\r\n");
    Pty a(portsDir(), "COM3"), b(portsDir(), "COM7");
    ASSERT_TRUE(a.ok() && b.ok());
    auto w = makeWindow();
    w->menuAddDev_Click();
    w->menuAddDev_Click();
    EXPECT_EQ(inside(w).slot(1).Panel->tPort(), "COM3");  // "07" does not name COM7
    EXPECT_EQ(inside(w).slot(2).Panel->tPort(), "COM7");
    EXPECT_EQ(inside(w).slot(2).Panel->PortCnt(), 2);
    EXPECT_EQ(inside(w).slot(2).gridRun->CellBackColor(1, 8), 4660);
    closeWindow(*w);
}
