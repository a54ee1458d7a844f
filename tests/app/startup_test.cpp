// Start-up, slots and tabs, shut-down without devices.
#include "apptest.h"

#include "panel/flexgrid.h"
#include "platform/services.h"
#include "testutil.h"

#include <QFileInfo>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTabBar>
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
    EXPECT_EQ(folderEntries(home()), (QStringList{"Data", "Log", "ql.ini"}));
    EXPECT_TRUE(folderEntries(home() + "/Data").isEmpty());
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n"));

    EXPECT_TRUE(w->windowTitle().startsWith("QL Tester Software V" + ql::VersionText() + " (Build "));
    EXPECT_EQ(w->DevCount(), 1);
    EXPECT_EQ(w->CurDev(), 0);
    EXPECT_EQ(w->tabDev->count(), 1);
    EXPECT_EQ(w->tabDev->tabText(0), "Device1");
    EXPECT_EQ(w->tabDev->tabData(0).toString(), "dev1");

    // Only the clock runs; no port is open.
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_FALSE(w->Timer2->isActive());
    EXPECT_FALSE(w->Timer3->isActive());
    EXPECT_FALSE(w->Timer4->isActive());
    ql::DevSlot& s = w->slot(0);
    EXPECT_FALSE(w->connection(0).Polling());
    EXPECT_FALSE(w->connection(0).ConnectRepeating());
    EXPECT_FALSE(w->connection(0).LampTimerRunning());
    EXPECT_FALSE(w->link().slot[0].hComm);

    // Slot 0 in the "No Device" state.
    EXPECT_EQ(s.Panel->tMode(), "No Device");
    EXPECT_EQ(s.Panel->tSval(0), "00.00");
    EXPECT_EQ(s.Panel->tSlmt(0), "00.00");
    EXPECT_EQ(s.Panel->tStim(0), "0");
    EXPECT_FALSE(s.Panel->Dev2S());
    EXPECT_EQ(s.lstInfo->count(), 5);
    const QStringList heads{"Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt",
                            "CurveV", "CurveA"};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(s.gridRun->TextMatrix(0, c), heads[c]);
    EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "No Device");
    EXPECT_EQ(s.gridRun->CellBackColor(1, 7), 16711680);
    EXPECT_EQ(s.gridRun->CellBackColor(1, 8), 255);
    EXPECT_NEAR(s.gridRun->ColWidth(0), 1300, 15);  // whole pixels of 15 twips
    EXPECT_NEAR(s.gridRun->ColWidth(7), 750, 15);
    EXPECT_FALSE(s.gridAutolist->isVisibleTo(s.frmDev));
    EXPECT_EQ(s.Chart->CurveCount(), 5);
    EXPECT_EQ(s.Chart->CurveLineColor(0), 16711680u);
    EXPECT_EQ(s.Chart->CurveLineColor(1), 255u);
    EXPECT_TRUE(s.Chart->ShowCurve(0));
    EXPECT_FALSE(s.Chart->ShowCurve(2));
    EXPECT_EQ(s.Chart->MaxY(0), 20.f);
    EXPECT_EQ(s.Chart->MaxX(), 100.f);
    EXPECT_EQ(s.Chart->GridType1(), 0);
    EXPECT_EQ(s.Chart->GridType2(), 2);
    EXPECT_EQ(w->link().slot[0].MaxCur, 10.f);
    EXPECT_EQ(w->link().slot[0].MaxVol, 60.f);

    // Defaults of the switches; menu start states.
    EXPECT_FALSE(ql::settings().AutoSave);
    EXPECT_FALSE(ql::settings().MinHide);
    EXPECT_TRUE(ql::settings().SaveCsv);
    EXPECT_FALSE(w->MinDispShown);
    EXPECT_FALSE(w->menuOpenCfg->isEnabled());
    EXPECT_FALSE(w->menuAdj->isEnabled());
    EXPECT_FALSE(w->menuRes->isVisible());
    EXPECT_FALSE(w->menuQc->isVisible());
    EXPECT_FALSE(w->menuUsb->isVisible());
    EXPECT_FALSE(w->menuTemp->isVisible());
    EXPECT_FALSE(w->menuCDT->isVisible());
    EXPECT_TRUE(w->menuSimp->isChecked());
    EXPECT_TRUE(w->menuAddDev->isEnabled());

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
    EXPECT_EQ(folderEntries(folder), (QStringList{"Data", "Log", "ql.ini"}));
    EXPECT_EQ(fileLines(folder + "/ql.ini"), QStringList{";--------QL Config File----------"});

    w->menuAbout->trigger();
    ASSERT_TRUE(w->aboutWindow());
    EXPECT_EQ(w->aboutWindow()->lblPath->text(), "Program folder: " + folder);
    w->aboutWindow()->close();
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
    EXPECT_TRUE(w->menuTemp->isChecked());
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_TRUE(w->menuUnSimp->isChecked());
    EXPECT_TRUE(ql::settings().ShowLabel);
    EXPECT_EQ(ql::settings().SvrAddress, "10.1.2.3");
    EXPECT_EQ(w->slot(0).gridRun->CellBackColor(1, 7), 65280);
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
        w->menuAddDev->trigger();
    EXPECT_EQ(w->DevCount(), 10);
    ASSERT_EQ(w->tabDev->count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w->tabDev->tabText(i), QString("Device%1").arg(i + 1));
        EXPECT_EQ(w->tabDev->tabData(i).toString(), QString("dev%1").arg(i + 1));
        ql::DevSlot& s = w->slot(i);
        EXPECT_EQ(s.Panel->tMode(), "No Device");
        EXPECT_EQ(s.lstInfo->count(), 5);
        EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "No Device");
        EXPECT_FALSE(w->connection(i).Polling());
        // Every slot gets the same layout, whichever is in front.
        EXPECT_EQ(s.frmDev->geometry(), w->slot(0).frmDev->geometry());
        EXPECT_EQ(s.Chart->geometry(), w->slot(0).Chart->geometry());
        EXPECT_EQ(s.gridRun->geometry(), w->slot(0).gridRun->geometry());
    }
    EXPECT_EQ(w->toolbarLeftTwips(), 8020);
    EXPECT_EQ(w->tlbSys->x(), 535);  // 8020 twips in whole pixels
    EXPECT_FALSE(w->menuAddDev->isEnabled());
    w->menuAddDev_Click();  // a click at ten changes nothing
    EXPECT_EQ(w->DevCount(), 10);
    EXPECT_EQ(w->tabDev->count(), 10);

    // The new tabs were not selected.
    EXPECT_EQ(w->CurDev(), 0);
    w->tabDev->setCurrentIndex(2);
    EXPECT_EQ(w->CurDev(), 2);
    QObjectList kids = w->slot(2).frmDev->parentWidget()->children();
    auto pos = [&](QObject* o) { return kids.indexOf(o); };
    for (int i = 0; i < 10; ++i) {
        if (i != 2) {
            EXPECT_GT(pos(w->slot(2).frmDev), pos(w->slot(i).frmDev));
        }
    }
    w->tabDev_Click(1);
    EXPECT_EQ(w->CurDev(), 0);
    EXPECT_EQ(w->tabDev->currentIndex(), 0);
    closeWindow(*w);
}

TEST_F(AppTest, AddedSlotReadsItsPortKeyAndColours)
{
    {
        QFile f(home() + "/ql.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[COMM]\r\nPORT2=07\r\nPORT3=7\r\n[DATA]\r\nCCOL0=4660\r\n");
    }
    Pty a(portsDir(), "COM3"), b(portsDir(), "COM7");
    ASSERT_TRUE(a.ok() && b.ok());
    auto w = makeWindow();
    w->menuAddDev_Click();
    w->menuAddDev_Click();
    EXPECT_EQ(w->slot(1).Panel->tPort(), "COM3");  // "07" does not name COM7
    EXPECT_EQ(w->slot(2).Panel->tPort(), "COM7");
    EXPECT_EQ(w->slot(2).Panel->PortCnt(), 2);
    EXPECT_EQ(w->slot(2).gridRun->CellBackColor(1, 8), 4660);
    closeWindow(*w);
}

TEST_F(AppTest, PictureOfTheMainWindowWithTwoSlots)
{
    Pty dev(portsDir(), "COM3");
    ASSERT_TRUE(dev.ok());
    auto w = makeWindow();
    w->show();
    w->menuAddDev_Click();
    w->slot(1).Panel->setTPort("COM3");
    w->DevCtrl_ConnClick(1);
    ASSERT_TRUE(w->link().slot[1].hComm);
    w->tabDev->setCurrentIndex(1);
    w->Timer1_Timer();
    const QString path = savePicture(w.get(), "main-window-two-slots");
    EXPECT_TRUE(QFileInfo::exists(path));
    closeWindow(*w);
}
