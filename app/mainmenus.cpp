// frmMain: the menus, the toolbar and their handlers.
#include "app/mainwindow.h"

#include "app/mainparts.h"
#include "controls/curvegraph.h"
#include "link/slotmenus.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QAction>
#include <QDir>
#include <QMenuBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>

#include <exception>

namespace ql {

using namespace mainparts;

// ------------------------------------------------------------------ menus

QAction* frmMain::add(QMenu* m, const char* name, const QString& text, void (frmMain::*slot)())
{
    QAction* a = m->addAction(text);
    a->setObjectName(QLatin1String(name));
    if (slot)
        connect(a, &QAction::triggered, this, slot);
    return a;
}

QAction* frmMain::hook(QMenu* m, const char* name, const QString& text, std::function<void()> WindowHooks::*h)
{
    QAction* a = add(m, name, text);
    connect(a, &QAction::triggered, this, [this, h] {
        if (hooks.*h)
            (hooks.*h)();
    });
    return a;
}

// The entries the link and the panels switch are held by id, and their
// states change through the table from here on.
QAction* frmMain::hold(MenuId id, QAction* a)
{
    menus_.hold(id, a);
    return a;
}

void frmMain::buildMenus()
{
    ActionTable& held = menus_;
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("File"));
    menuOpenCfg = hold(MenuId::menuOpenCfg,
                       hook(mnuFile, "menuOpenCfg", QStringLiteral("Open Parameter"), &WindowHooks::openParameterFile));
    menuSaveCfg = hold(MenuId::menuSaveCfg,
                       hook(mnuFile, "menuSaveCfg", QStringLiteral("Save Parameter"), &WindowHooks::saveParameterFile));
    held.setEnabled(MenuId::menuOpenCfg, false);
    held.setEnabled(MenuId::menuSaveCfg, false);
    mnuFile->addSeparator();
    menuOpenData = hold(MenuId::menuOpenData,
                        add(mnuFile, "menuOpenData", QStringLiteral("Open Data"), &frmMain::menuOpenData_Click));
    menuSaveData = hold(MenuId::menuSaveData,
                        add(mnuFile, "menuSaveData", QStringLiteral("Save Data"), &frmMain::menuSaveData_Click));
    menuSavePic = hook(mnuFile, "menuSavePic", QStringLiteral("Save Curve"), &WindowHooks::saveCurvePicture);
    menuCapture = hook(mnuFile, "menuCapture", QStringLiteral("Save Picture"), &WindowHooks::savePanelPicture);
    mnuFile->addSeparator();
    menuExit = add(mnuFile, "menuExit", QStringLiteral("Exit"), &frmMain::menuExit_Click);

    mnuSys = bar->addMenu(QStringLiteral("System"));
    menuAddDev =
        hold(MenuId::menuAddDev, add(mnuSys, "menuAddDev", QStringLiteral("Add Device"), &frmMain::menuAddDev_Click));
    menuAdj =
        hold(MenuId::menuAdj, add(mnuSys, "menuAdj", QStringLiteral("Parameter Calibration"), &frmMain::menuAdj_Click));
    held.setEnabled(MenuId::menuAdj, false);
    menuUpdate = hold(MenuId::menuUpdate,
                      add(mnuSys, "menuUpdate", QStringLiteral("Firmware Update"), &frmMain::menuUpdate_Click));

    mnuTool = bar->addMenu(QStringLiteral("Tools"));
    menuClear =
        hold(MenuId::menuClear, add(mnuTool, "menuClear", QStringLiteral("Clear Curve"), &frmMain::menuClear_Click));
    menuSearch = add(mnuTool, "menuSearch", QStringLiteral("Search Comm Port"), &frmMain::menuSearch_Click);
    menuRes =
        hold(MenuId::menuRes, add(mnuTool, "menuRes", QStringLiteral("Resistance Test"), &frmMain::menuRes_Click));
    held.setVisible(MenuId::menuRes, false);
    held.setEnabled(MenuId::menuRes, false);
    menuQc = hold(MenuId::menuQc, add(mnuTool, "menuQc", QStringLiteral("QC2.0 Test"), &frmMain::menuQc_Click));
    held.setVisible(MenuId::menuQc, false);
    held.setEnabled(MenuId::menuQc, false);
    menuUsb =
        hold(MenuId::menuUsb, add(mnuTool, "menuUsb", QStringLiteral("Quick Charger Test"), &frmMain::menuUsb_Click));
    held.setVisible(MenuId::menuUsb, false);

    mnuSet = bar->addMenu(QStringLiteral("Setting"));
    menuTitle = add(mnuSet, "menuTitle", QStringLiteral("Curve Title"), &frmMain::menuTitle_Click);
    menuCurve = hold(MenuId::menuCurve,
                     add(mnuSet, "menuCurve", QStringLiteral("Coordinate Settings"), &frmMain::menuCurve_Click));
    menuShow = add(mnuSet, "menuShow", QStringLiteral("Display Setting"), &frmMain::menuShow_Click);
    menuTemp =
        hold(MenuId::menuTemp, add(mnuSet, "menuTemp", QStringLiteral("Temprature Data"), &frmMain::menuTemp_Click));
    menuTemp->setCheckable(true);
    held.setVisible(MenuId::menuTemp, false);
    menuSwSet = hold(MenuId::menuSwSet,
                     add(mnuSet, "menuSwSet", QStringLiteral("Software Setting"), &frmMain::menuSwSet_Click));
    buildHelpMenus(bar);
}

void frmMain::buildHelpMenus(QMenuBar* bar)
{
    mnuHelp = bar->addMenu(QStringLiteral("Help"));
    menuLang = mnuHelp->addMenu(QString::fromUtf8("语言"));
    menuLang->setObjectName(QStringLiteral("menuLang"));
    menuLang->menuAction()->setVisible(false);
    menuSimp = add(menuLang, "menuSimp", QString::fromUtf8("简体"), &frmMain::menuSimp_Click);
    menuSimp->setCheckable(true);
    menuSimp->setChecked(true);
    menuUnSimp = add(menuLang, "menuUnSimp", QString::fromUtf8("繁体"), &frmMain::menuUnSimp_Click);
    menuUnSimp->setCheckable(true);
    menuHelp = add(mnuHelp, "menuHelp", QStringLiteral("Help"), &frmMain::menuHelp_Click);
    menuAbout = add(mnuHelp, "menuAbout", QStringLiteral("About"), &frmMain::menuAbout_Click);
    menuCDT = add(mnuHelp, "menuCDT", QStringLiteral("CDT"), &frmMain::menuCDT_Click);
    menuCDT->setVisible(false);

    mnuPop = bar->addMenu(QStringLiteral("mnuPop"));
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    mnuPop->menuAction()->setVisible(false);
    menuZin = add(mnuPop, "menuZin", QString::fromUtf8("放大"));
    menuZout = add(mnuPop, "menuZout", QString::fromUtf8("缩小"));
}

void frmMain::buildToolbar()
{
    tlbSys = new QToolBar(client_);
    tlbSys->setObjectName(QStringLiteral("tlbSys"));
    tlbSys->setIconSize(QSize(20, 20));
    struct Tool {
        const char* key;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const Tool tools[] = {
        {"opendat", "Open Data", QStyle::SP_DialogOpenButton},
        {"savedat", "Save Data", QStyle::SP_DialogSaveButton},
        {"savepic", "Save Picture", QStyle::SP_DesktopIcon},
        {"setting", "Display Setting", QStyle::SP_FileDialogDetailedView},
        {"com", "Search Comm Port", QStyle::SP_BrowserReload},
        {"about", "About Software", QStyle::SP_MessageBoxInformation},
    };
    for (const Tool& t : tools) {
        QAction* a = tlbSys->addAction(style()->standardIcon(t.icon), QLatin1String(t.tip));
        a->setObjectName(QLatin1String(t.key));
        a->setToolTip(QLatin1String(t.tip));
        const QString key = QLatin1String(t.key);
        connect(a, &QAction::triggered, this, [this, key] { tlbSys_ButtonClick(key); });
    }
    tlbSys->adjustSize();
}

void frmMain::menuOpenData_Click()
{
    if (!hooks.openDataViewer)
        return;
    QWidget* w = hooks.openDataViewer();
    registerWindow(QStringLiteral("frmData"), w);
    if (w) {
        w->show();
        w->raise();
    }
}

void frmMain::menuExit_Click() { close(); }

void frmMain::menuAdj_Click()
{
    MsgBox(QStringLiteral("Calibrate Parameter?"), QStringLiteral("Prompt"), Prompter::OkOnly, Prompter::Information);
    DevCtrl* p = slot(link_.CurDev).Panel;
    SetAdjButtons(!link_.ch(link_.CurDev, p->ChnIndex()).Running);
    tabDev->setEnabled(false);
    p->setChnEnable(false);
    QWidget* w = hooks.openCalibration ? hooks.openCalibration() : nullptr;
    registerWindow(QStringLiteral("frmAdj"), w);
    if (w) {
        w->show();
        // The tab strip comes back when the calibration window closes.
        auto back = [this] { tabDev->setEnabled(true); };
        connect(w, &QObject::destroyed, this, back);
        new CloseHook(w, back);
    } else {
        tabDev->setEnabled(true);
    }
    SetSlotMenu(link_, link_.CurDev, MenuId::menuAdj, false, &menus_);
}

void frmMain::menuUpdate_Click()
{
    try {
        waitWithTabsLocked(QStringLiteral("frmUpdate"), hooks.openFirmwareUpdate);
    } catch (const std::exception& e) {
        // The tab strip comes back also after a failure.
        unlockTabs();
        MsgBox(QStringLiteral("Wrong Port!"), QStringLiteral("Prompt"), Prompter::OkOnly, Prompter::Critical);
        ErrLog(QStringLiteral("ErrUpdate"), QString::fromLocal8Bit(e.what()));
    }
}

void frmMain::menuClear_Click()
{
    if (MsgBox(QStringLiteral("Clear Curve?"), QStringLiteral("Prompt"), Prompter::OkCancel,
               Prompter::Information) != Prompter::IdOk)
        return;
    CurveGraph* chart = slot(link_.CurDev).Chart;
    link_.slot[link_.CurDev].ClearCurves();
    chart->ClearAll();
    chart->DrawCurve();
    for (int c = 0; c < kChanCount; ++c) {
        link_.ch(link_.CurDev, c).TickSecs.store(0);
        link_.ch(link_.CurDev, c).RunStartPt = 0;
    }
    SlotState& st = link_.slot[link_.CurDev];
    st.VolAxisMax = st.VolAxisMin = st.CurAxisMax = st.CurAxisMin = 0;
    st.CurveSecs = 0;
}

void frmMain::menuSearch_Click()
{
    SlotView& s = slot(link_.CurDev);
    if (s.Panel->Conn())
        return;
    s.ScanPorts();
    MsgBox(QStringLiteral("Search comm port finished"), QStringLiteral("Prompt"), Prompter::OkOnly,
           Prompter::Information);
}

void frmMain::menuRes_Click()
{
    try {
        if (link_.slot[link_.CurDev].DevType == 0) {
            MsgBox(QStringLiteral("Please connect device first"), QStringLiteral("Prompt"), Prompter::OkOnly,
                   Prompter::Critical);
            return;
        }
        const int chn = slot(link_.CurDev).Panel->ChnIndex();
        if (link_.ch(link_.CurDev, chn).Volt > 4.5f) {
            MsgBox(QStringLiteral("Resistance test only support single battery"), QStringLiteral("Prompt"),
                   Prompter::OkOnly, Prompter::Critical);
            return;
        }
        waitWithTabsLocked(QStringLiteral("frmRes"), hooks.openResistanceTest);
    } catch (const std::exception& e) {
        unlockTabs();
        ErrLog(QStringLiteral("ErrRes"), QString::fromLocal8Bit(e.what()));
    }
}

void frmMain::menuQc_Click()
{
    QWidget* w = hooks.openQcTest ? hooks.openQcTest() : nullptr;
    registerWindow(QStringLiteral("frmQC"), w);
    if (w)
        w->show();
}

void frmMain::menuUsb_Click()
{
    QWidget* w = hooks.openUsbTrigger ? hooks.openUsbTrigger() : nullptr;
    registerWindow(QStringLiteral("frmUSB"), w);
    if (w)
        w->show();
}

void frmMain::menuTitle_Click() { CurveGraph_DblClick(link_.CurDev); }

void frmMain::CurveGraph_DblClick(int index)
{
    bool ok = false;
    const QString title = prompter().Input(QStringLiteral("Please input new title"), QStringLiteral("Prompt"),
                                           link_.slot.at(size_t(link_.CurDev)).TitleText, &ok);
    if (ok && !title.isEmpty()) {
        slot(index).setTitleText(title);
        slot(index).Chart->DrawCurve();
    }
}

// A settings dialog already waited for is brought to the front instead of
// opening a second copy in a nested wait.
bool frmMain::raiseIfOpen(const QString& name) const
{
    QWidget* open = otherWindow(name);
    if (!open || !open->isVisible())
        return false;
    open->raise();
    open->activateWindow();
    return true;
}

void frmMain::menuCurve_Click()
{
    if (raiseIfOpen(QStringLiteral("frmCurve")))
        return;
    DlgDone = false;
    QWidget* w = hooks.openAxisRanges ? hooks.openAxisRanges() : nullptr;
    registerWindow(QStringLiteral("frmCurve"), w);
    ShowAndWait(w);
    DlgDone = true;
}

void frmMain::menuShow_Click()
{
    if (raiseIfOpen(QStringLiteral("frmShow")))
        return;
    DlgDone = false;
    const bool tempOk = link_.slot[link_.CurDev].TempOk;
    QWidget* w = hooks.openDisplaySetting ? hooks.openDisplaySetting(tempOk, link_.TempColumn && tempOk) : nullptr;
    registerWindow(QStringLiteral("frmShow"), w);
    ShowAndWait(w);
    DlgDone = true;
}

void frmMain::menuTemp_Click()
{
    link_.TempColumn = !link_.TempColumn;
    menuTemp->setChecked(link_.TempColumn);
    settings().SaveTempData(link_.TempColumn);
}

void frmMain::menuSwSet_Click()
{
    if (!sw_) {
        sw_ = new frmSw(QDir::toNativeSeparators(ProgramDir() + QStringLiteral("/Data/")), this);
        sw_->setWindowFlag(Qt::Window);
        sw_->setAttribute(Qt::WA_DeleteOnClose);
    }
    sw_->show();
    sw_->raise();
}

void frmMain::menuSimp_Click()
{
    menuSimp->setChecked(true);
    menuUnSimp->setChecked(false);
    settings().SaveLanguage(0);
}

void frmMain::menuUnSimp_Click()
{
    menuUnSimp->setChecked(true);
    menuSimp->setChecked(false);
    settings().SaveLanguage(1);
}

void frmMain::menuHelp_Click() { prompter().OpenUrl(QString::fromLatin1(kMakerUrl)); }
void frmMain::menuCDT_Click() { prompter().OpenUrl(QString::fromLatin1(kCdtUrl)); }

void frmMain::menuAbout_Click()
{
    if (!about_) {
        about_ = new frmAbout(this);
        about_->setWindowFlag(Qt::Window);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
}

void frmMain::tlbSys_ButtonClick(const QString& key)
{
    try {
        // The handlers themselves: a run disables the menu entries, not the toolbar.
        if (key == QLatin1String("opendat"))
            menuOpenData_Click();
        else if (key == QLatin1String("savedat"))
            menuSaveData_Click();
        else if (key == QLatin1String("savepic") && hooks.savePanelPicture)
            hooks.savePanelPicture();
        else if (key == QLatin1String("setting"))
            menuShow_Click();
        else if (key == QLatin1String("about"))
            menuAbout_Click();
        else if (key == QLatin1String("com"))
            menuSearch_Click();
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrTlb(") + key + QLatin1Char(')'), QString::fromLocal8Bit(e.what()));
    }
}

} // namespace ql
