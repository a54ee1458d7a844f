// Menus, toolbar, dialogs, information list and tray.
#include "apptest.h"
#include "menunames.h"

#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "platform/services.h"
#include "testutil.h"
#include "views/dataviewer.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace qltest;

namespace {

// A window that closes itself as soon as its opener waits for it.
QWidget* selfClosing(QStringList* log, const QString& name)
{
    auto* w = new QWidget;
    w->setAttribute(Qt::WA_DeleteOnClose);
    *log << name;
    QTimer::singleShot(0, w, &QWidget::close);
    return w;
}

} // namespace

// While the axis-range or display dialog is waited for, its menu entry
// brings the open dialog forward instead of a second copy.
TEST_F(AppTest, SettingsDialogsOpenOnce)
{
    auto w = makeWindow();
    for (QAction* entry : {inside(w).action("menuCurve"), inside(w).action("menuShow")}) {
        int opened = 0;
        auto open = [&]() -> QWidget* {
            ++opened;
            auto* dlg = new QWidget;
            dlg->setAttribute(Qt::WA_DeleteOnClose);
            if (opened == 1)
                QTimer::singleShot(20, dlg, [entry] { entry->trigger(); });  // clicked again meanwhile
            QTimer::singleShot(80, dlg, &QWidget::close);
            return dlg;
        };
        inside(w).hooks().openAxisRanges = open;
        inside(w).hooks().openDisplaySetting = [&](bool, bool) { return open(); };
        entry->trigger();
        EXPECT_EQ(opened, 1) << entry->text().toStdString();
        EXPECT_TRUE(inside(w).dlgDone());
    }
    closeWindow(*w);
}

TEST_F(AppTest, EveryMenuEntryAndToolbarKeyReachesItsAction)
{
    auto w = makeWindow();
    QStringList log;
    auto rec = [&](const char* n) { return [&log, n] { log << n; }; };
    inside(w).hooks().openParameterFile = rec("openCfg");
    inside(w).hooks().saveParameterFile = rec("saveCfg");
    inside(w).hooks().saveCurvePicture = rec("saveCurve");
    inside(w).hooks().savePanelPicture = rec("savePanel");
    inside(w).hooks().openDataViewer = [&] { return selfClosing(&log, "frmData"); };
    inside(w).hooks().openAxisRanges = [&] { return selfClosing(&log, "frmCurve"); };
    bool tempEnabled = true, tempSelected = true;
    inside(w).hooks().openDisplaySetting = [&](bool en, bool sel) {
        tempEnabled = en;
        tempSelected = sel;
        return selfClosing(&log, "frmShow");
    };
    inside(w).hooks().openCalibration = [&] { return selfClosing(&log, "frmAdj"); };
    inside(w).hooks().openResistanceTest = [&] { return selfClosing(&log, "frmRes"); };
    inside(w).hooks().openFirmwareUpdate = [&] { return selfClosing(&log, "frmUpdate"); };
    inside(w).hooks().openQcTest = [&] { return selfClosing(&log, "frmQC"); };
    inside(w).hooks().openUsbTrigger = [&] { return selfClosing(&log, "frmUSB"); };

    inside(w).action("menuOpenCfg")->setEnabled(true);
    inside(w).action("menuSaveCfg")->setEnabled(true);
    for (QAction* a : {inside(w).action("menuQc"), inside(w).action("menuUsb")}) {  // shown by a device that has them
        a->setVisible(true);
        a->setEnabled(true);
    }
    for (QAction* a :
         {inside(w).action("menuOpenCfg"), inside(w).action("menuSaveCfg"), inside(w).action("menuOpenData"),
          inside(w).action("menuSaveData"), inside(w).action("menuSavePic"), inside(w).action("menuCapture"),
          inside(w).action("menuCurve"), inside(w).action("menuShow"), inside(w).action("menuUpdate"),
          inside(w).action("menuQc"), inside(w).action("menuUsb")})
        a->trigger();
    EXPECT_EQ(log, (QStringList{"openCfg", "saveCfg", "frmData", "saveCurve", "savePanel", "frmCurve", "frmShow",
                                "frmUpdate", "frmQC", "frmUSB"}));
    EXPECT_EQ(prompt.fileCalls, 1);  // "Save Data" asked for a name
    EXPECT_FALSE(tempEnabled);  // no device: no temperature choice
    EXPECT_FALSE(tempSelected);
    EXPECT_TRUE(inside(w).tabs()->isEnabled());
    EXPECT_TRUE(inside(w).dlgDone());

    // Toolbar keys run their menu handlers; "savepic" is the panel picture.
    log.clear();
    for (const char* key : {"opendat", "savedat", "savepic", "setting"})
        inside(w).tool(key)->trigger();
    EXPECT_EQ(log, (QStringList{"frmData", "savePanel", "frmShow"}));
    EXPECT_EQ(prompt.fileCalls, 2);
    inside(w).tool("about")->trigger();
    ASSERT_TRUE(inside(w).aboutWindow());
    EXPECT_EQ(inside(w).aboutWindow()->windowTitle(), "About Software");
    EXPECT_EQ(inside(w).aboutWindow()->lblVer->text(), "Version: V" + ql::VersionText());
    inside(w).aboutWindow()->close();
    inside(w).tool("com")->trigger();
    EXPECT_EQ(prompt.texts().last(), "Search comm port finished");

    // Calibration: an OK-only information box, then the window; the tabs
    // come back when it closes.
    prompt.messages.clear();
    log.clear();
    inside(w).action("menuAdj")->setEnabled(true);
    inside(w).action("menuAdj")->trigger();
    EXPECT_EQ(prompt.texts(), QStringList{"Calibrate Parameter?"});
    EXPECT_EQ(prompt.messages[0].buttons, ql::Prompter::OkOnly);
    EXPECT_EQ(log, QStringList{"frmAdj"});
    EXPECT_FALSE(inside(w).action("menuAdj")->isEnabled());
    EXPECT_FALSE(inside(w).tabs()->isEnabled());
    EXPECT_TRUE(waitFor([&] { return inside(w).tabs()->isEnabled(); }));

    // Resistance test: refused without a device and above 4.5 V.
    prompt.messages.clear();
    log.clear();
    QAction* menuRes = inside(w).action(ql::MenuId::menuRes);
    menuRes->setVisible(true);
    menuRes->setEnabled(true);
    menuRes->trigger();
    EXPECT_EQ(prompt.texts(), QStringList{"Please connect device first"});
    inside(w).link().slot[0].DevType = 5;
    inside(w).link().ch(0, 0).Volt = 4.51f;
    menuRes->trigger();
    EXPECT_EQ(prompt.texts().last(), "Resistance test only support single battery");
    inside(w).link().ch(0, 0).Volt = 4.5f;
    menuRes->trigger();
    EXPECT_EQ(log, QStringList{"frmRes"});
    EXPECT_TRUE(inside(w).tabs()->isEnabled());

    // Clear curve: Cancel leaves the counters, OK resets the time axis.
    inside(w).link().ch(0, 0).TickSecs = 42;
    inside(w).link().ch(0, 0).RunStartPt = 7;
    prompt.answers = {ql::Prompter::IdCancel};
    inside(w).action("menuClear")->trigger();
    EXPECT_EQ(inside(w).link().ch(0, 0).TickSecs.load(), 42);
    inside(w).link().slot[0].VolAxisMax = 9;
    inside(w).link().slot[0].CurveSecs = 5;
    inside(w).action("menuClear")->trigger();
    EXPECT_EQ(inside(w).link().ch(0, 0).TickSecs.load(), 0);
    EXPECT_EQ(inside(w).link().slot[0].VolAxisMax, 0.f);
    EXPECT_EQ(inside(w).link().slot[0].CurveSecs, 0);
    EXPECT_EQ(inside(w).link().ch(0, 0).RunStartPt, 0);

    // Search on a connected panel does nothing.
    prompt.messages.clear();
    inside(w).slot(0).Panel->setConn(true);
    inside(w).action("menuSearch")->trigger();
    EXPECT_TRUE(prompt.messages.empty());
    inside(w).slot(0).Panel->setConn(false);

    // Help and CDT open web pages.
    inside(w).action("menuHelp")->trigger();
    inside(w).action("menuCDT")->trigger();
    EXPECT_EQ(prompt.urls.size(), 2);
    closeWindow(*w);
}

TEST_F(AppTest, FirmwareUpdateErrorGivesTheTabsBack)
{
    auto w = makeWindow();
    inside(w).hooks().openFirmwareUpdate = []() -> QWidget* { throw std::runtime_error("port busy"); };
    inside(w).action("menuUpdate")->trigger();
    EXPECT_TRUE(inside(w).tabs()->isEnabled());
    EXPECT_EQ(prompt.texts(), QStringList{"Wrong Port!"});
    EXPECT_EQ(prompt.messages[0].icon, ql::Prompter::Critical);
    QFile log(ql::ErrLogPath(QDate::currentDate()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("[ErrUpdate]port busy"));
    closeWindow(*w);
}

TEST_F(AppTest, RunStateEnablesAndDisablesTheMenus)
{
    auto w = makeWindow();
    const QList<QAction*> gated{
        inside(w).action("menuOpenCfg"),  inside(w).action("menuSaveCfg"), inside(w).action("menuOpenData"),
        inside(w).action("menuSaveData"), inside(w).action("menuClear"),   inside(w).action("menuCurve"),
        inside(w).action("menuRes"),      inside(w).action("menuQc"),      inside(w).action("menuSwSet")};
    inside(w).action("menuRes")->setVisible(true);
    inside(w).action("menuQc")->setVisible(true);
    inside(w).slot(0).SetRunState(false);
    for (QAction* a : gated)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(inside(w).slot(0).Panel->StopEnable());
    EXPECT_TRUE(inside(w).action("menuAbout")->isEnabled());
    inside(w).slot(0).SetRunState(true);
    // The parameter-file entries need a connected panel.
    for (QAction* a : gated)
        EXPECT_EQ(a->isEnabled(), a != inside(w).action("menuOpenCfg") && a != inside(w).action("menuSaveCfg"))
            << a->objectName().toStdString();
    inside(w).slot(0).Panel->setConn(true);
    inside(w).slot(0).SetRunState(true);
    EXPECT_TRUE(inside(w).action("menuOpenCfg")->isEnabled());
    // A step test keeps them off between its steps.
    inside(w).slot(0).SetRunState(false);
    inside(w).link().slot[0].StepRunning = true;
    inside(w).slot(0).SetRunState(true);
    EXPECT_FALSE(inside(w).action("menuClear")->isEnabled());
    EXPECT_FALSE(inside(w).slot(0).Panel->ModeEnable());
    EXPECT_TRUE(inside(w).slot(0).Panel->RunEnable());
    inside(w).slot(0).Panel->setConn(false);
    closeWindow(*w);
}

// The link and the panels switch menu entries by id: each id reaches the
// entry of its name and no other, and an entry keeps the state last asked
// for while it is hidden and when it was switched directly.
TEST_F(AppTest, MenuEntriesSwitchedByIdShowTheStateLastAskedFor)
{
    auto w = makeWindow();
    ql::MenuEnableIf& menus = inside(w).recvHost();
    std::vector<QAction*> entries;
    for (int i = 0; i < ql::kMenuIds; ++i) {
        const auto id = static_cast<ql::MenuId>(i);
        QAction* a = w->findChild<QAction*>(qltest::MenuName(id));
        ASSERT_TRUE(a) << qltest::MenuName(id);
        entries.push_back(a);
        menus.setMenuVisible(id, true);
        menus.setMenuEnabled(id, true);
    }
    for (int i = 0; i < ql::kMenuIds; ++i) {
        const auto id = static_cast<ql::MenuId>(i);
        menus.setMenuEnabled(id, false);
        for (int j = 0; j < ql::kMenuIds; ++j)
            EXPECT_EQ(entries[size_t(j)]->isEnabled(), j != i) << qltest::MenuName(id) << " disabled";
        menus.setMenuVisible(id, false);
        for (int j = 0; j < ql::kMenuIds; ++j)
            EXPECT_EQ(entries[size_t(j)]->isVisible(), j != i) << qltest::MenuName(id) << " hidden";
        menus.setMenuVisible(id, true);
        menus.setMenuEnabled(id, true);
    }

    // A run disables the resistance entry of a device that does not show
    // it; a device that has it, connected meanwhile, shows it disabled
    // until the run ends.
    menus.setMenuVisible(ql::MenuId::menuRes, false);
    inside(w).slot(0).SetRunState(true);
    inside(w).slot(0).SetRunState(false);
    menus.setMenuVisible(ql::MenuId::menuRes, true);
    EXPECT_FALSE(inside(w).action("menuRes")->isEnabled());
    inside(w).slot(0).SetRunState(true);
    EXPECT_TRUE(inside(w).action("menuRes")->isEnabled());

    // Switched directly, the entry still follows the next request.
    menus.setMenuEnabled(ql::MenuId::menuAdj, false);
    inside(w).action("menuAdj")->setEnabled(true);
    menus.setMenuEnabled(ql::MenuId::menuAdj, false);
    EXPECT_FALSE(inside(w).action("menuAdj")->isEnabled());
    closeWindow(*w);
}

// The toolbar runs the handlers themselves, so the viewer opens and the
// pictures and data files of idle channels are saved while a run holds the
// menu entries disabled.
TEST_F(AppTest, ToolbarWorksWhileARunDisablesTheMenus)
{
    auto w = makeWindow();
    QStringList log;
    inside(w).hooks().openDataViewer = [&] { return selfClosing(&log, "frmData"); };
    inside(w).hooks().savePanelPicture = [&] { log << "savePanel"; };
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    p->setDev2S(true);
    inside(w).link().ch(0, 0).Running = true;
    inside(w).slot(0).SetRunState(false);
    ASSERT_FALSE(inside(w).action("menuOpenData")->isEnabled());
    ASSERT_FALSE(inside(w).action("menuSaveData")->isEnabled());
    auto tool = [&](const char* key) {
        QAction* a = inside(w).tool(key);
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->isEnabled()) << key;
        a->trigger();
    };
    tool("opendat");
    tool("savepic");
    EXPECT_EQ(log, (QStringList{"frmData", "savePanel"}));
    // Save Data asks for a name for the idle second channel only.
    tool("savedat");
    EXPECT_EQ(prompt.fileCalls, 0);
    p->ui().optChn1->setChecked(true);
    ASSERT_EQ(p->ChnIndex(), 1);
    tool("savedat");
    EXPECT_EQ(prompt.fileCalls, 1);
    inside(w).link().ch(0, 0).Running = false;
    closeWindow(*w);
}

TEST_F(AppTest, LanguageAndTemperatureEntriesWriteTheirKeys)
{
    auto w = makeWindow();
    inside(w).action("menuUnSimp")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "LANGUAGE", "LANG", ""), "1");
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_TRUE(inside(w).action("menuUnSimp")->isChecked());
    EXPECT_FALSE(inside(w).action("menuSimp")->isChecked());
    inside(w).action("menuSimp")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "LANGUAGE", "LANG", ""), "0");
    EXPECT_EQ(ql::Language(), 0);

    inside(w).action("menuTemp")->trigger();

    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "AUTO", "TEMP", ""), "True");
    inside(w).action("menuTemp")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "AUTO", "TEMP", ""), "False");
    closeWindow(*w);
}

TEST_F(AppTest, SwitchSettingsWriteExactlyTheirKeysInOrder)
{
    auto w = makeWindow();
    inside(w).action("menuSwSet")->trigger();
    ql::frmSw* dlg = inside(w).switchWindow();
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(dlg->optCsv->isChecked());
    EXPECT_TRUE(dlg->txtPath->text().endsWith("Data/") || dlg->txtPath->text().endsWith("Data\\"));
    // Cancel stores nothing.
    dlg->chkAuto->setChecked(true);
    dlg->cmdCancel->click();
    ASSERT_TRUE(waitFor([&] { return !inside(w).switchWindow(); }));  // closed and deleted
    ASSERT_TRUE(settleDisk());
    EXPECT_FALSE(ql::settings().AutoSave);
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n"));

    inside(w).action("menuSwSet")->trigger();
    dlg = inside(w).switchWindow();
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(dlg->chkAuto->isChecked());
    dlg->chkHide->setChecked(true);
    dlg->chkMsg->setTristate(true);
    dlg->chkMsg->setCheckState(Qt::PartiallyChecked);  // grey counts as off
    dlg->optDat->setChecked(true);
    dlg->cmdOK->click();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n[AUTO]\r\nMSG=False\r\nSAVE=False\r\n"
                                 "HIDE=True\r\nDISP=False\r\nCSV=False\r\n"));
    EXPECT_TRUE(ql::settings().MinHide);
    EXPECT_FALSE(ql::settings().PromptMsg);
    EXPECT_FALSE(ql::settings().SaveCsv);

    // On a full disk the switches still hold, the file stays as it was and
    // the user is told.
    const QString before = iniText();
    inside(w).action("menuSwSet")->trigger();
    dlg = inside(w).switchWindow();
    ASSERT_TRUE(dlg);
    dlg->chkAuto->setChecked(true);
    {
        qltest::FileSizeLimit full(16);
        dlg->cmdOK->click();
        EXPECT_TRUE(ql::settings().AutoSave);
        ASSERT_TRUE(settleDisk());
    }
    EXPECT_EQ(prompt.texts(), QStringList{"Cannot save file!"});
    EXPECT_EQ(iniText(), before);
    closeWindow(*w);
}

TEST_F(AppTest, MessageWindowFadesInAndOutInStepsOfFive)
{
    auto w = makeWindow();
    inside(w).runHost().ShowMsg("STOP");
    EXPECT_FALSE(inside(w).messageWindow());  // prompt switch off
    ql::settings().PromptMsg = true;
    inside(w).runHost().ShowMsg("STOP");
    QPointer<ql::frmMsg> m = inside(w).messageWindow();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->lblMsg->text(), "STOP");
    EXPECT_TRUE(m->Timer1->isActive());
    m->Timer1->stop();  // the test drives the ticks
    for (int i = 0; i < 20; ++i)
        m->fadeInTick();
    EXPECT_EQ(m->alpha(), 100);
    EXPECT_NEAR(m->windowOpacity(), 100 / 255.0, 0.01);
    // A click at 100 fades out from 100: gone after 21 ticks.
    QTest::mouseClick(m->lblMsg, Qt::LeftButton);
    EXPECT_TRUE(m->Timer2->isActive());
    m->Timer2->stop();
    for (int i = 0; i < 20; ++i)
        m->fadeOutTick();
    EXPECT_EQ(m->alpha(), 0);
    EXPECT_TRUE(m->isVisible());
    m->fadeOutTick();
    EXPECT_TRUE(waitFor([&] { return m.isNull(); }));  // closed and deleted

    // A full fade-in takes 40 ticks and stops at 200; closing from outside
    // does not close it at once but fades it out.
    inside(w).runHost().ShowMsg("END");
    m = inside(w).messageWindow();
    ASSERT_TRUE(m);
    m->Timer1->stop();
    for (int i = 0; i < 45; ++i)
        m->fadeInTick();
    EXPECT_EQ(m->alpha(), 200);
    EXPECT_FALSE(m->Timer1->isActive());
    EXPECT_FALSE(m->close());
    EXPECT_TRUE(m->Timer2->isActive());
    closeWindow(*w);
}

TEST_F(AppTest, ClockLineAndMarqueeHandOver)
{
    auto w = makeWindow();
    w->menuAddDev_Click();
    inside(w).runHost().SetFwText("V3.20");
    inside(w).clockTick();
    const QString clock = inside(w).slot(0).lstInfo->item(0)->text();
    EXPECT_TRUE(clock.startsWith(' '));
    EXPECT_TRUE(clock.endsWith("  V3.20"));
    EXPECT_EQ(inside(w).slot(1).lstInfo->item(0)->text(), "");  // only the selected slot

    inside(w).newsHost().SetNewsText("News!");
    inside(w).newsHost().SetNewsUrl("http://news.example/x");
    inside(w).slot(0).lstInfo->item(0)->setText("kept");
    inside(w).clockTick();
    EXPECT_TRUE(inside(w).timer(4)->isActive());
    EXPECT_EQ(inside(w).slot(0).lstInfo->item(0)->text(), "kept");
    // The news scrolls in from the right, one character a tick.
    const QString marquee = QString(40, ' ') + "News!";
    inside(w).marqueeTick();
    EXPECT_EQ(inside(w).slot(0).lstInfo->item(0)->text(), " " + marquee);
    inside(w).marqueeTick();
    EXPECT_EQ(inside(w).slot(0).lstInfo->item(0)->text(), " " + marquee.mid(1));

    // A click on the list opens the link once and ends the news.
    QTest::mouseClick(inside(w).slot(0).lstInfo->viewport(), Qt::LeftButton);
    EXPECT_EQ(prompt.urls, QStringList{"http://news.example/x"});
    QTest::mouseClick(inside(w).slot(0).lstInfo->viewport(), Qt::LeftButton);
    EXPECT_EQ(prompt.urls.size(), 1);
    inside(w).clockTick();
    EXPECT_FALSE(inside(w).timer(4)->isActive());
    EXPECT_TRUE(inside(w).slot(0).lstInfo->item(0)->text().endsWith("V3.20"));
    closeWindow(*w);
}

TEST_F(AppTest, MinimisingHidesOnlyWithATrayAndTheIconAlwaysRestores)
{
    bool tray = false;
    ql::MainOptions o = FastOptions();
    o.trayAvailable = [&] { return tray; };
    ql::frmMain w(o);
    auto iconShown = [&] { return inside(w).trayIcon() && inside(w).trayIcon()->isVisible(); };
    ql::settings().MinHide = true;
    w.show();
    w.showMinimized();
    ASSERT_TRUE(waitFor([&] { return inside(w).minDispShown(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());  // no tray: the window stays reachable
    EXPECT_FALSE(iconShown());
    w.showNormal();
    ASSERT_TRUE(waitFor([&] { return !inside(w).minDispShown(); }));

    tray = true;
    w.showMinimized();
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
    ASSERT_TRUE(iconShown());
    // The switch changes while in the tray; the icon still brings it back.
    ql::settings().MinHide = false;
    emit inside(w).trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(inside(w).minDispShown());
    EXPECT_FALSE(iconShown());
    prompt.answers.clear();
    w.close();
}

// Every file dialog starts in the program folder, data files in its Data
// folder; then each kind of file starts where the user last chose one.
TEST_F(AppTest, FileDialogsStartInTheProgramFolderThenWhereTheUserLastChose)
{
    auto w = makeWindow();
    w->show();
    inside(w).action("menuOpenData")->trigger();
    auto* viewer = shownWindow<ql::frmData>();
    ASSERT_TRUE(viewer);
    const auto& u = inside(w).slot(0).Panel->ui();
    for (QPushButton* b : {u.cmdSave, u.cmdSaveStep, u.cmdOpenStep})
        b->setEnabled(true);
    // Every dialog once, each answered from answers; the folder each
    // started in, by the title's first part.
    auto askEach = [&](std::deque<QString> answers) {
        prompt.fileAsks.clear();
        prompt.files = std::move(answers);
        inside(w).action("menuSaveData")->trigger();
        viewer->menuOpenData_Click();
        inside(w).hooks().saveParameterFile();
        inside(w).hooks().openParameterFile();
        u.cmdSaveStep->click();
        u.cmdOpenStep->click();
        u.cmdSave->click();
        inside(w).hooks().saveCurvePicture();
        QMap<QString, QString> started;
        for (const auto& ask : prompt.fileAsks)
            started[ask.title.section("--", 0, 0)] = ask.folder;
        return started;
    };
    const QString data = QDir(home()).filePath("Data");
    const QMap<QString, QString> first{{"Save Data", data},        {"Open Data", data},   {"Save Parameter", home()},
                                       {"Open Parameter", home()}, {"Save Step", home()}, {"Open Step", home()},
                                       {"Save Result", home()},    {"Save Curve", home()}};
    EXPECT_EQ(askEach({}), first);

    for (const char* sub : {"runs", "steps", "pics"})
        ASSERT_TRUE(QDir(home()).mkpath(sub));
    const QString runs = home() + "/runs", steps = home() + "/steps", pics = home() + "/pics";
    askEach({runs + "/a.csv", "", "", "", "", steps + "/b.stp", "", pics + "/c.bmp"});
    QMap<QString, QString> then = first;
    then["Save Data"] = then["Open Data"] = runs;
    then["Save Step"] = then["Open Step"] = steps;
    then["Save Curve"] = pics;
    EXPECT_EQ(askEach({}), then);
    viewer->close();
    closeWindow(*w);
}

TEST_F(AppTest, FileDialogLimitsAndQuickAnswers)
{
    prompt.fileAnswer = "/tmp/a.bmp";
    prompt.fileDelayMs = 30;
    EXPECT_EQ(ql::FileDialog(ql::FileKind::Picture, true, "Save", "bmp file(*.bmp)|*.bmp", QString(260, 'a')),
              "/tmp/a.bmp");
    EXPECT_EQ(prompt.fileCalls, 1);
    EXPECT_EQ(ql::FileDialog(ql::FileKind::Picture, true, "Save", "bmp file(*.bmp)|*.bmp", QString(261, 'a')), "");
    EXPECT_EQ(prompt.fileCalls, 1);
    EXPECT_EQ(ql::QtFilter("csv file(*.csv)|*.csv|data file(*.dat)|*.dat"),
              "csv file(*.csv) (*.csv);;data file(*.dat) (*.dat)");
}
