// Menus, toolbar, dialogs, information list and tray.
#include "apptest.h"

#include "../sim/devsim.h"

#include "panel/flexgrid.h"
#include "platform/services.h"
#include "testutil.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace qltest;
using ql::sim::DeviceSim;

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
    for (QAction* entry : {w->menuCurve, w->menuShow}) {
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
        w->hooks.openAxisRanges = open;
        w->hooks.openDisplaySetting = [&](bool, bool) { return open(); };
        entry->trigger();
        EXPECT_EQ(opened, 1) << entry->text().toStdString();
        EXPECT_TRUE(w->DlgDone);
    }
    closeWindow(*w);
}

TEST_F(AppTest, EveryMenuEntryAndToolbarKeyReachesItsAction)
{
    auto w = makeWindow();
    QStringList log;
    auto rec = [&](const char* n) { return [&log, n] { log << n; }; };
    w->hooks.openParameterFile = rec("openCfg");
    w->hooks.saveParameterFile = rec("saveCfg");
    w->hooks.saveCurvePicture = rec("saveCurve");
    w->hooks.savePanelPicture = rec("savePanel");
    w->hooks.openDataViewer = [&] { return selfClosing(&log, "frmData"); };
    w->hooks.openAxisRanges = [&] { return selfClosing(&log, "frmCurve"); };
    bool tempEnabled = true, tempSelected = true;
    w->hooks.openDisplaySetting = [&](bool en, bool sel) {
        tempEnabled = en;
        tempSelected = sel;
        return selfClosing(&log, "frmShow");
    };
    w->hooks.openCalibration = [&] { return selfClosing(&log, "frmAdj"); };
    w->hooks.openResistanceTest = [&] { return selfClosing(&log, "frmRes"); };
    w->hooks.openFirmwareUpdate = [&] { return selfClosing(&log, "frmUpdate"); };
    w->hooks.openQcTest = [&] { return selfClosing(&log, "frmQC"); };
    w->hooks.openUsbTrigger = [&] { return selfClosing(&log, "frmUSB"); };

    w->menuOpenCfg->setEnabled(true);
    w->menuSaveCfg->setEnabled(true);
    for (QAction* a : {w->menuQc, w->menuUsb}) {  // shown by a device that has them
        a->setVisible(true);
        a->setEnabled(true);
    }
    for (QAction* a : {w->menuOpenCfg, w->menuSaveCfg, w->menuOpenData, w->menuSaveData, w->menuSavePic,
                       w->menuCapture, w->menuCurve, w->menuShow, w->menuUpdate, w->menuQc, w->menuUsb})
        a->trigger();
    EXPECT_EQ(log, (QStringList{"openCfg", "saveCfg", "frmData", "saveCurve", "savePanel", "frmCurve", "frmShow",
                                "frmUpdate", "frmQC", "frmUSB"}));
    EXPECT_EQ(prompt.fileCalls, 1);  // "Save Data" asked for a name
    EXPECT_FALSE(tempEnabled);  // no device: no temperature choice
    EXPECT_FALSE(tempSelected);
    EXPECT_TRUE(w->tabDev->isEnabled());
    EXPECT_TRUE(w->DlgDone);

    // Toolbar keys run their menu handlers; "savepic" is the panel picture.
    log.clear();
    for (const char* key : {"opendat", "savedat", "savepic", "setting", "nokey"})
        w->tlbSys_ButtonClick(key);
    EXPECT_EQ(log, (QStringList{"frmData", "savePanel", "frmShow"}));
    EXPECT_EQ(prompt.fileCalls, 2);
    QAction* about = w->tlbSys->findChild<QAction*>("about");
    ASSERT_TRUE(about);
    about->trigger();
    ASSERT_TRUE(w->aboutWindow());
    EXPECT_EQ(w->aboutWindow()->windowTitle(), "About Software");
    EXPECT_EQ(w->aboutWindow()->lblVer->text(), "Version: V" + ql::VersionText());
    w->aboutWindow()->close();
    w->tlbSys_ButtonClick("com");
    EXPECT_EQ(prompt.texts().last(), "Search comm port finished");

    // Calibration: an OK-only information box, then the window; the tabs
    // come back when it closes.
    prompt.messages.clear();
    log.clear();
    w->menuAdj->setEnabled(true);
    w->menuAdj->trigger();
    EXPECT_EQ(prompt.texts(), QStringList{"Calibrate Parameter?"});
    EXPECT_EQ(prompt.messages[0].buttons, ql::Prompter::OkOnly);
    EXPECT_EQ(log, QStringList{"frmAdj"});
    EXPECT_FALSE(w->menuAdj->isEnabled());
    EXPECT_FALSE(w->tabDev->isEnabled());
    QTest::qWait(20);
    EXPECT_TRUE(w->tabDev->isEnabled());

    // Resistance test: refused without a device and above 4.5 V.
    prompt.messages.clear();
    log.clear();
    w->menuRes_Click();
    EXPECT_EQ(prompt.texts(), QStringList{"Please connect device first"});
    w->link().slot[0].DevType = 5;
    w->link().ch(0, 0).Volt = 4.51f;
    w->menuRes_Click();
    EXPECT_EQ(prompt.texts().last(), "Resistance test only support single battery");
    w->link().ch(0, 0).Volt = 4.5f;
    w->menuRes_Click();
    EXPECT_EQ(log, QStringList{"frmRes"});
    EXPECT_TRUE(w->tabDev->isEnabled());

    // Clear curve: Cancel leaves the counters, OK resets the time axis.
    w->link().ch(0, 0).TickSecs = 42;
    w->link().ch(0, 0).RunStartPt = 7;
    prompt.answers = {ql::Prompter::IdCancel};
    w->menuClear->trigger();
    EXPECT_EQ(w->link().ch(0, 0).TickSecs.load(), 42);
    w->link().slot[0].VolAxisMax = 9;
    w->link().slot[0].CurveSecs = 5;
    w->menuClear->trigger();
    EXPECT_EQ(w->link().ch(0, 0).TickSecs.load(), 0);
    EXPECT_EQ(w->link().slot[0].VolAxisMax, 0.f);
    EXPECT_EQ(w->link().slot[0].CurveSecs, 0);
    EXPECT_EQ(w->link().ch(0, 0).RunStartPt, 0);

    // Search on a connected panel does nothing.
    prompt.messages.clear();
    w->slot(0).Panel->setConn(true);
    w->menuSearch->trigger();
    EXPECT_TRUE(prompt.messages.empty());
    w->slot(0).Panel->setConn(false);

    // Help and CDT open web pages.
    w->menuHelp->trigger();
    w->menuCDT->trigger();
    EXPECT_EQ(prompt.urls.size(), 2);
    closeWindow(*w);
}

TEST_F(AppTest, FirmwareUpdateErrorGivesTheTabsBack)
{
    auto w = makeWindow();
    w->hooks.openFirmwareUpdate = []() -> QWidget* { throw std::runtime_error("port busy"); };
    w->menuUpdate->trigger();
    EXPECT_TRUE(w->tabDev->isEnabled());
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
    const QList<QAction*> gated{w->menuOpenCfg, w->menuSaveCfg, w->menuOpenData, w->menuSaveData, w->menuClear,
                                w->menuCurve,   w->menuRes,     w->menuQc,       w->menuSwSet};
    w->menuRes->setVisible(true);
    w->menuQc->setVisible(true);
    w->SetRunState(false, 0);
    for (QAction* a : gated)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w->slot(0).Panel->StopEnable());
    EXPECT_TRUE(w->menuAbout->isEnabled());
    w->SetRunState(true, 0);
    // The parameter-file entries need a connected panel.
    for (QAction* a : gated)
        EXPECT_EQ(a->isEnabled(), a != w->menuOpenCfg && a != w->menuSaveCfg) << a->objectName().toStdString();
    w->slot(0).Panel->setConn(true);
    w->SetRunState(true, 0);
    EXPECT_TRUE(w->menuOpenCfg->isEnabled());
    // A step test keeps them off between its steps.
    w->SetRunState(false, 0);
    w->link().slot[0].StepRunning = true;
    w->SetRunState(true, 0);
    EXPECT_FALSE(w->menuClear->isEnabled());
    EXPECT_FALSE(w->slot(0).Panel->ModeEnable());
    EXPECT_TRUE(w->slot(0).Panel->RunEnable());
    w->slot(0).Panel->setConn(false);
    closeWindow(*w);
}

// The link and the panels switch menu entries by id: each id reaches the
// entry of its name and no other, and an entry keeps the state last asked
// for while it is hidden and when it was switched directly.
TEST_F(AppTest, MenuEntriesSwitchedByIdShowTheStateLastAskedFor)
{
    auto w = makeWindow();
    ql::MenuEnableIf& menus = w->host();
    std::vector<QAction*> entries;
    for (int i = 0; i < ql::kMenuIds; ++i) {
        const auto id = static_cast<ql::MenuId>(i);
        QAction* a = w->findChild<QAction*>(ql::MenuName(id));
        ASSERT_TRUE(a) << ql::MenuName(id);
        entries.push_back(a);
        menus.setMenuVisible(id, true);
        menus.setMenuEnabled(id, true);
    }
    for (int i = 0; i < ql::kMenuIds; ++i) {
        const auto id = static_cast<ql::MenuId>(i);
        menus.setMenuEnabled(id, false);
        for (int j = 0; j < ql::kMenuIds; ++j)
            EXPECT_EQ(entries[size_t(j)]->isEnabled(), j != i) << ql::MenuName(id) << " disabled";
        menus.setMenuVisible(id, false);
        for (int j = 0; j < ql::kMenuIds; ++j)
            EXPECT_EQ(entries[size_t(j)]->isVisible(), j != i) << ql::MenuName(id) << " hidden";
        menus.setMenuVisible(id, true);
        menus.setMenuEnabled(id, true);
    }

    // A run disables the resistance entry of a device that does not show
    // it; a device that has it, connected meanwhile, shows it disabled
    // until the run ends.
    menus.setMenuVisible(ql::MenuId::menuRes, false);
    w->SetRunState(true, 0);
    w->SetRunState(false, 0);
    menus.setMenuVisible(ql::MenuId::menuRes, true);
    EXPECT_FALSE(w->menuRes->isEnabled());
    w->SetRunState(true, 0);
    EXPECT_TRUE(w->menuRes->isEnabled());

    // Switched directly, the entry still follows the next request.
    menus.setMenuEnabled(ql::MenuId::menuAdj, false);
    w->menuAdj->setEnabled(true);
    menus.setMenuEnabled(ql::MenuId::menuAdj, false);
    EXPECT_FALSE(w->menuAdj->isEnabled());
    closeWindow(*w);
}

// Running devices reply many times a second on every slot. Once their first
// replies have set the menus for the run, the replies that follow change no
// menu or toolbar entry.
TEST_F(DeviceAppTest, RunningRepliesOnSeveralSlotsLeaveTheMenuEntriesAlone)
{
    constexpr int kSlots = 3;
    std::array<DeviceSim, kSlots> devs{DeviceSim(11, 300), DeviceSim(18, 300), DeviceSim(11, 300)};
    std::array<int, kSlots> frames{};
    auto w = makeWindow();
    const auto decoded = w->decoder().onSample;
    w->decoder().onSample = [&frames, decoded](int slot, int chn, int runState) {
        if (slot < kSlots)
            ++frames[size_t(slot)];
        decoded(slot, chn, runState);
    };
    for (int n = 0; n < kSlots; ++n) {
        DeviceSim& dev = devs[size_t(n)];
        ASSERT_TRUE(dev.plug(portsDir(), n + 3));
        if (dev.channels() == 2) {
            dev.reportRun(0, 0, 1000, 3000);
            dev.reportRun(1, 0, 500, 3000);
        } else {
            dev.reportRun(0, 0, 100, 300);
        }
        if (n > 0)
            w->menuAddDev_Click();
        w->slot(n).Panel->setTPort(QStringLiteral("COM%1").arg(n + 3));
        w->DevCtrl_ConnClick(n);
        ASSERT_TRUE(w->link().slot[size_t(n)].hComm);
        dev.start(20);
    }
    auto allRunning = [&] {
        for (int n = 0; n < kSlots; ++n)
            for (int c = 0; c < devs[size_t(n)].channels(); ++c)
                if (!w->link().ch(n, c).Running)
                    return false;
        return true;
    };
    ASSERT_TRUE(waitFor(allRunning));
    auto moreFrames = [&](int more) {
        const std::array<int, kSlots> from = frames;
        return waitFor([&] {
            for (int n = 0; n < kSlots; ++n)
                if (frames[size_t(n)] < from[size_t(n)] + more)
                    return false;
            return true;
        });
    };
    ASSERT_TRUE(moreFrames(3));
    EXPECT_FALSE(w->menuOpenData->isEnabled());
    EXPECT_TRUE(w->menuAdj->isEnabled());

    std::vector<std::unique_ptr<QSignalSpy>> changes;
    const QList<QAction*> actions = w->findChildren<QAction*>();
    for (QAction* a : actions)
        changes.push_back(std::make_unique<QSignalSpy>(a, &QAction::changed));
    ASSERT_TRUE(moreFrames(20));
    ASSERT_TRUE(allRunning());
    for (int i = 0; i < actions.size(); ++i)
        EXPECT_EQ(changes[size_t(i)]->count(), 0) << actions[i]->objectName().toStdString();
    closeWindow(*w);
}

// The toolbar runs the handlers themselves, so the viewer opens and the
// pictures and data files of idle channels are saved while a run holds the
// menu entries disabled.
TEST_F(AppTest, ToolbarWorksWhileARunDisablesTheMenus)
{
    auto w = makeWindow();
    QStringList log;
    w->hooks.openDataViewer = [&] { return selfClosing(&log, "frmData"); };
    w->hooks.savePanelPicture = [&] { log << "savePanel"; };
    ql::DevCtrl* p = w->slot(0).Panel;
    p->setDev2S(true);
    w->link().ch(0, 0).Running = true;
    w->SetRunState(false, 0);
    ASSERT_FALSE(w->menuOpenData->isEnabled());
    ASSERT_FALSE(w->menuSaveData->isEnabled());
    auto tool = [&](const char* key) {
        QAction* a = w->tlbSys->findChild<QAction*>(key);
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
    w->link().ch(0, 0).Running = false;
    closeWindow(*w);
}

TEST_F(AppTest, TitleEditLanguageAndTemperatureEntriesWriteTheirKeys)
{
    auto w = makeWindow();
    w->menuUnSimp->trigger();
    EXPECT_EQ(ql::ReadIni(w->IniFile, "LANGUAGE", "LANG", ""), "1");
    EXPECT_EQ(ql::Language(), 1);
    EXPECT_TRUE(w->menuUnSimp->isChecked());
    EXPECT_FALSE(w->menuSimp->isChecked());
    w->menuSimp->trigger();
    EXPECT_EQ(ql::ReadIni(w->IniFile, "LANGUAGE", "LANG", ""), "0");
    EXPECT_EQ(ql::Language(), 0);

    // Title edit: the double-clicked chart changes, offered the current one's title.
    w->menuAddDev_Click();
    w->slot(0).Chart->setTitleText("zero");
    prompt.inputAnswer = "new";
    w->CurveGraph_DblClick(1);
    EXPECT_EQ(prompt.inputDefault, "zero");
    EXPECT_EQ(w->slot(1).Chart->TitleText(), "new");
    EXPECT_EQ(w->slot(0).Chart->TitleText(), "zero");
    prompt.inputAnswer = "";
    w->menuTitle->trigger();
    EXPECT_EQ(w->slot(0).Chart->TitleText(), "zero");

    w->menuTemp->trigger();
    EXPECT_EQ(ql::ReadIni(w->IniFile, "AUTO", "TEMP", ""), "True");
    w->menuTemp->trigger();
    EXPECT_EQ(ql::ReadIni(w->IniFile, "AUTO", "TEMP", ""), "False");
    closeWindow(*w);
}

TEST_F(AppTest, SwitchSettingsWriteExactlyTheirKeysInOrder)
{
    auto w = makeWindow();
    w->menuSwSet->trigger();
    ql::frmSw* dlg = w->switchWindow();
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(dlg->optCsv->isChecked());
    EXPECT_TRUE(dlg->txtPath->text().endsWith("Data/") || dlg->txtPath->text().endsWith("Data\\"));
    // Cancel stores nothing.
    dlg->chkAuto->setChecked(true);
    dlg->cmdCancel->click();
    QTest::qWait(1);
    EXPECT_FALSE(ql::settings().AutoSave);
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n"));

    w->menuSwSet->trigger();
    dlg = w->switchWindow();
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(dlg->chkAuto->isChecked());
    dlg->chkHide->setChecked(true);
    dlg->chkMsg->setTristate(true);
    dlg->chkMsg->setCheckState(Qt::PartiallyChecked);  // grey counts as off
    dlg->optDat->setChecked(true);
    dlg->cmdOK->click();
    EXPECT_EQ(iniText(), QString(";--------QL Config File----------\r\n[AUTO]\r\nMSG=False\r\nSAVE=False\r\n"
                                 "HIDE=True\r\nDISP=False\r\nCSV=False\r\n"));
    EXPECT_TRUE(ql::settings().MinHide);
    EXPECT_FALSE(ql::settings().PromptMsg);
    EXPECT_FALSE(ql::settings().SaveCsv);

    // On a full disk the switches still hold, the file stays as it was and
    // the user is told.
    const QString before = iniText();
    w->menuSwSet->trigger();
    dlg = w->switchWindow();
    ASSERT_TRUE(dlg);
    dlg->chkAuto->setChecked(true);
    EXPECT_EQ(qltest::withFileSizeLimit(16, [&] {
                  dlg->cmdOK->click();
                  return ql::settings().AutoSave && prompt.texts() == QStringList{"Cannot save file!"} ? 0 : 1;
              }),
              0);
    EXPECT_EQ(iniText(), before);
    closeWindow(*w);
}

TEST_F(AppTest, MessageWindowFadesInAndOutInStepsOfFive)
{
    auto w = makeWindow();
    w->ShowMsg("STOP");
    EXPECT_FALSE(w->messageWindow());  // prompt switch off
    ql::settings().PromptMsg = true;
    w->ShowMsg("STOP");
    QPointer<ql::frmMsg> m = w->messageWindow();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text(), "STOP");
    EXPECT_EQ(m->Timer1->interval(), 25);
    EXPECT_EQ(m->Timer2->interval(), 25);
    EXPECT_TRUE(m->fadingIn());
    m->Timer1->stop();  // the test drives the ticks
    for (int i = 0; i < 20; ++i)
        m->fadeInTick();
    EXPECT_EQ(m->alpha(), 100);
    EXPECT_NEAR(m->windowOpacity(), 100 / 255.0, 0.01);
    // A click at 100 fades out from 100: gone after 21 ticks.
    QTest::mouseClick(m->lblMsg, Qt::LeftButton);
    EXPECT_TRUE(m->fadingOut());
    m->Timer2->stop();
    for (int i = 0; i < 20; ++i)
        m->fadeOutTick();
    EXPECT_EQ(m->alpha(), 0);
    EXPECT_TRUE(m->isVisible());
    m->fadeOutTick();
    QTest::qWait(1);
    EXPECT_FALSE(m);  // closed and deleted

    // A full fade-in takes 40 ticks and stops at 200; closing from outside
    // does not close it at once but fades it out.
    w->ShowMsg("END");
    m = w->messageWindow();
    ASSERT_TRUE(m);
    m->Timer1->stop();
    for (int i = 0; i < 45; ++i)
        m->fadeInTick();
    EXPECT_EQ(m->alpha(), 200);
    EXPECT_FALSE(m->fadingIn());
    EXPECT_FALSE(m->close());
    EXPECT_TRUE(m->fadingOut());
    closeWindow(*w);
}

TEST_F(AppTest, ClockLineAndMarqueeHandOver)
{
    auto w = makeWindow();
    w->menuAddDev_Click();
    w->FwText = "V3.20";
    w->Timer1_Timer();
    const QString clock = w->slot(0).lstInfo->item(0)->text();
    EXPECT_TRUE(clock.startsWith(' '));
    EXPECT_TRUE(clock.endsWith("  V3.20"));
    EXPECT_EQ(w->slot(1).lstInfo->item(0)->text(), "");  // only the selected slot

    w->NewsText = "News!";
    w->NewsUrl = "http://news.example/x";
    w->slot(0).lstInfo->item(0)->setText("kept");
    w->Timer1_Timer();
    EXPECT_TRUE(w->Timer4->isActive());
    EXPECT_EQ(w->MarqueeText, QString(40, ' ') + "News!");
    EXPECT_EQ(w->slot(0).lstInfo->item(0)->text(), "kept");
    w->Timer4_Timer();
    EXPECT_EQ(w->slot(0).lstInfo->item(0)->text(), " " + w->MarqueeText);
    w->Timer4_Timer();
    EXPECT_EQ(w->slot(0).lstInfo->item(0)->text(), " " + w->MarqueeText.mid(1));

    // A click on the list opens the link once and ends the news.
    QTest::mouseClick(w->slot(0).lstInfo->viewport(), Qt::LeftButton);
    EXPECT_EQ(prompt.urls, QStringList{"http://news.example/x"});
    EXPECT_TRUE(w->NewsText.isEmpty());
    QTest::mouseClick(w->slot(0).lstInfo->viewport(), Qt::LeftButton);
    EXPECT_EQ(prompt.urls.size(), 1);
    w->Timer1_Timer();
    EXPECT_FALSE(w->Timer4->isActive());
    EXPECT_TRUE(w->slot(0).lstInfo->item(0)->text().endsWith("V3.20"));
    closeWindow(*w);
}

namespace {
class TrayMain : public ql::frmMain {
public:
    TrayMain() : ql::frmMain(qltest::FastOptions()) {}
    bool tray = true;
    bool trayAvailable() const override { return tray; }
};
} // namespace

TEST_F(AppTest, MinimisingHidesOnlyWithATrayAndTheIconAlwaysRestores)
{
    TrayMain w;
    ql::settings().MinHide = true;
    w.tray = false;
    w.show();
    w.showMinimized();
    QTest::qWait(5);
    EXPECT_TRUE(w.MinDispShown);
    EXPECT_TRUE(w.isVisible());  // no tray: the window stays reachable
    EXPECT_FALSE(w.trayIconShown());
    w.showNormal();
    QTest::qWait(5);
    EXPECT_FALSE(w.MinDispShown);

    w.tray = true;
    w.showMinimized();
    QTest::qWait(5);
    EXPECT_FALSE(w.isVisible());
    // The switch changes while in the tray; the icon still brings it back.
    ql::settings().MinHide = false;
    w.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(w.MinDispShown);
    EXPECT_FALSE(w.trayIconShown());
    prompt.answers.clear();
    w.close();
}

TEST_F(AppTest, FileDialogLimitsAndQuickAnswers)
{
    prompt.fileAnswer = "/tmp/a.bmp";
    prompt.fileDelayMs = 30;
    EXPECT_EQ(ql::FileDialog(true, "Save", "bmp file(*.bmp)|*.bmp", QString(260, 'a')), "/tmp/a.bmp");
    EXPECT_EQ(prompt.fileCalls, 1);
    EXPECT_EQ(ql::FileDialog(true, "Save", "bmp file(*.bmp)|*.bmp", QString(261, 'a')), "");
    EXPECT_EQ(prompt.fileCalls, 1);
    // A dialog that comes back at once is shown again without a name.
    prompt.fileDelayMs = 0;
    EXPECT_EQ(ql::FileDialog(false, "Open", "csv file(*.csv)|*.csv", "x.csv"), "/tmp/a.bmp");
    EXPECT_EQ(prompt.fileCalls, 3);
    EXPECT_EQ(prompt.fileNames.last(), "");
    EXPECT_EQ(ql::QtFilter("csv file(*.csv)|*.csv|data file(*.dat)|*.dat"),
              "csv file(*.csv) (*.csv);;data file(*.dat) (*.dat)");
    prompt.colourAnswer = 255;
    EXPECT_EQ(ql::PickColor(), 255);
}
