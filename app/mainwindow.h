#pragma once
// frmMain: the main window. It hosts up to ten device slots behind a tab
// strip, the menus and toolbar, the information lists with their clock line,
// the tray icon, and runs start-up, connect/disconnect and shut-down.
#include "app/actiontable.h"
#include "app/slothosts.h"
#include "app/slotview.h"
#include "app/smalldialogs.h"
#include "link/connection.h"
#include "link/counters.h"
#include "link/recv.h"
#include "link/runtrack.h"
#include "link/state.h"
#include "link/timings.h"
#include "link/valuecheck.h"
#include "net/serverlink.h"
#include "panel/autotest.h"
#include "panel/devctrl.h"
#include "panel/steptest.h"
#include "tools/toolwindows.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <array>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QTabBar;
class QTimer;
class QToolBar;

namespace ql {

class FloatingReadouts;

// Windows and commands of other parts of the program that the menus and the
// shut-down reach. An empty hook makes its entry do nothing. Hooks that open
// a window return it so the main window can wait for it and close it at
// shut-down.
struct WindowHooks {
    std::function<void()> openParameterFile;    // "Open Parameter"
    std::function<void()> saveParameterFile;    // "Save Parameter"
    std::function<void()> saveCurvePicture;     // "Save Curve"
    std::function<void()> savePanelPicture;     // "Save Picture"
    std::function<QWidget*()> openDataViewer;   // frmData, shown
    std::function<QWidget*()> openAxisRanges;   // frmCurve, shown and waited for
    // frmShow, shown and waited for; told whether the temperature choice is
    // usable and which of temperature or power it starts on.
    std::function<QWidget*(bool tempEnabled, bool tempSelected)> openDisplaySetting;
    std::function<QWidget*()> openCalibration;      // frmAdj, shown
    std::function<QWidget*()> openResistanceTest;   // frmRes, waited for, tabs locked
    std::function<QWidget*()> openFirmwareUpdate;   // frmUpdate, waited for, tabs locked
    std::function<QWidget*()> openQcTest;           // frmQC, shown
    std::function<QWidget*()> openUsbTrigger;       // frmUSB, shown
    // A point button of the calibration window ("cmdVL", "cmdVH", "cmdCL", "cmdCH").
    std::function<void(const QString& name, bool enabled)> setAdjButtonEnabled;
    // Floating readouts: the large one (frmDisp) and the small one (frmMeter),
    // shown or hidden, and the values they show.
    std::function<void(bool show)> showDisp;
    std::function<void(bool show)> showMeter;
    std::function<bool()> meterOpen;
    std::function<void(const ReadoutValues&)> dispValues;
    std::function<void(const ReadoutValues&)> meterValues;
};

// What a main window is built with: the link and panel periods, the clock
// that dates record and data file names (empty: the system clock), whether
// the desktop has a system tray (empty: ask the desktop), and how long the
// window's closing waits for pending file writes.
struct MainOptions {
    LinkTimings timings;
    std::function<QDateTime()> now;
    std::function<bool()> trayAvailable;
    std::chrono::milliseconds exitWait{10000};
};

// The window answers the device link: the reply decoder (RecvHostIf) and
// the run tracker (RunHostIf, ReadoutWindowsIf) get each slot's views from
// it, and reach the menus, messages and floating readouts through it.
class frmMain : public QMainWindow, private NewsHost, private RecvHostIf, private RunHostIf, private ReadoutWindowsIf {
    Q_OBJECT
public:
    explicit frmMain(MainOptions options = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    int DevCount() const override { return slots_.count(); }
    int CurDev() const { return link_.CurDev; }
    // "Add Device": one more slot behind its own tab, up to ten.
    void menuAddDev_Click();
    // The slot's Connect/Disconnect button.
    void DevCtrl_ConnClick(int Index);

    // What tests, the soak and the benchmarks reach inside (app/mainseam.h).
    class Seam;

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_Unload
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The view of a slot that exists.
    SlotView& slot(int n) const { return *slots_.at(n); }
    // The slot's serial connection (port, polling, connect repeat, lamp).
    SlotConnection& connection(int n) { return *conns_.at(size_t(n)); }
    // Toolbar left edge in twips: moves 800 to the right with every tab.
    int toolbarLeftTwips() const;
    // Selects the slot (LinkState::CurDev): its tab, its frame in front and
    // the menus as its record holds them.
    void selectSlot(int n);

    // ---- menu handlers
    void menuOpenData_Click();
    void menuSaveData_Click();
    void menuExit_Click();
    void menuAdj_Click();
    void menuUpdate_Click();
    void menuClear_Click();
    void menuSearch_Click();
    void menuRes_Click();
    void menuQc_Click();
    void menuUsb_Click();
    void menuTitle_Click();
    void CurveGraph_DblClick(int index);
    void menuCurve_Click();
    void menuShow_Click();
    void menuTemp_Click();
    void menuSwSet_Click();
    void menuSimp_Click();
    void menuUnSimp_Click();
    void menuHelp_Click();
    void menuAbout_Click();
    void menuCDT_Click();
    void tlbSys_ButtonClick(const QString& key);

    // ---- panel handlers
    void DevCtrl_ModeClick(int Index);
    void DevCtrl_RunClick(int Index, int chn);
    void DevCtrl_StopClick(int Index, int chn);
    void DevCtrl_SetClick(int Index, int chn);
    void DevCtrl_ContClick(int Index, int chn);
    void DevCtrl_MonitorClick(int Index, int chn);
    void DevCtrl_TmrCurveOn(int Index, int chn);
    void DevCtrl_TmrShowOn(int Index, int chn);
    // A value field lost the focus: a refused value is reported ("Prompt",
    // critical icon) and, when the check has one, replaced in the field.
    void DevCtrl_FieldLostFocus(int Index, int chn, FieldKind kind);

    // ---- auto test and step test of a slot's panel
    void DevCtrl_AutoTestClick(int Index);
    void DevCtrl_AutoTmrOn(int Index);
    void DevCtrl_AutoSaveClick(int Index);
    // Shows the panel's result list full size, except while the test runs.
    void DevCtrl_AutoListClick(int Index);
    void DevCtrl_StepTestClick(int Index);
    void DevCtrl_StepTmrOn(int Index);
    // Opens the step editor and waits until OK or Cancel hides it; while it
    // is open another click brings it to the front.
    void DevCtrl_StepSetClick(int Index);
    void DevCtrl_StepSaveClick(int Index);
    void DevCtrl_StepClrClick(int Index);
    void DevCtrl_StepOpenClick(int Index);
    // Closes the full-size result view.
    void gridAutolist_DblClick(int Index);
    // Shows the fading message window when the prompt switch is on.
    void ShowMsg(const QString& text) override;

    // ---- information list, tray
    void Timer1_Timer();
    void Timer4_Timer();
    void lstInfo_NewsClick();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // Whether the desktop has a system tray; minimising hides the window
    // only when it has.
    bool trayAvailable() const;

    // Layout of every slot; minimise and restore handling.
    void Form_Resize();

    // The windows of other parts, by name ("frmData", "frmCurve" ...), as
    // long as they exist.
    QWidget* otherWindow(const QString& name) const;
    bool raiseIfOpen(const QString& name) const;
    // The floating readouts frmDisp and frmMeter.
    FloatingReadouts& readouts() const { return *readouts_; }

    // Shows w modeless and processes events until it is closed or destroyed.
    static void ShowAndWait(QWidget* w);

    void Form_Load();
    void buildMenus();
    void buildHelpMenus(QMenuBar* bar);  // "Help", the language choice and the chart's pop-up
    // A menu entry named name running slot; one running a hook; one held by id.
    QAction* add(QMenu* m, const char* name, const QString& text, void (frmMain::*slot)() = nullptr);
    QAction* hook(QMenu* m, const char* name, const QString& text, std::function<void()> WindowHooks::*h);
    QAction* hold(MenuId id, QAction* a);
    void buildToolbar();
    // Makes slot n's view and connection and wires them to the window.
    SlotView& createSlot(int n);
    void wirePanel(int n);
    // The views as the parameter files, pictures, dialogs and readouts see them.
    std::shared_ptr<ViewHost> viewSlots();
    void registerWindow(const QString& name, QWidget* w);
    // Opens the window through its hook and waits for it with the tab strip
    // locked; unlockTabs ends the wait's lock, also after a failure.
    void waitWithTabsLocked(const QString& name, const std::function<QWidget*()>& open);
    void unlockTabs();
    // Makes the slot's connection and shows what it reports.
    void wireConnection(int n);
    void tmrPauseStop(int n);
    // The slot's port closed itself (the device is gone): the panel shows
    // No Device and the information list says which port was lost.
    void onPortLost(int n, const QString& port);
    // The "No Device" reset of a disconnect, after the port is closed.
    // lost: the device went away; its run rows stay.
    void disconnectReset(int n, bool lost = false);
    void wireWindows();

    // NewsHost
    void SetNewsText(const QString& t) override { NewsText = t; }
    void SetNewsUrl(const QString& u) override { NewsUrl = u; }
    void BannerOpened(QWidget* w) override { registerWindow(QStringLiteral("frmBanner"), w); }

    // RecvHostIf
    void setMenuVisible(MenuId id, bool visible) override { menus_.setVisible(id, visible); }
    void setMenuEnabled(MenuId id, bool enabled) override { menus_.setEnabled(id, enabled); }
    RecvViewIf& recvView(int slot) override;
    // RunHostIf
    RunViewIf& runView(int slot) override;
    void SetAdjButtons(bool enable) override;
    void SetFwText(const QString& text) override { FwText = text; }
    // ReadoutWindowsIf
    bool MinDispShown() const override { return minDispShown_; }
    void ShowDisp(const ReadoutValues& v) override;
    bool MeterOpen() const override;
    void ShowMeter() override;
    void HideMeter() override;
    void UnloadMeter() override;
    void SetMeter(const ReadoutValues& v) override;

    QString IniFile;  // the settings file; the settings are ql::settings()
    bool minDispShown_ = false;  // the floating readout stands in for the minimised window
    QString FwText;  // "V3.20" of the selected device, or empty
    QString NewsText, NewsUrl, MarqueeText;
    int MarqPos = 0;
    bool DlgDone = true;
    WindowHooks hooks;

    // ---- window parts
    QTabBar* tabDev = nullptr;
    QToolBar* tlbSys = nullptr;
    QTimer* Timer1 = nullptr;  // clock line, 1 s
    QTimer* Timer2 = nullptr;  // server connect, 1 s, off
    QTimer* Timer3 = nullptr;  // server close, 2 s, off
    QTimer* Timer4 = nullptr;  // marquee, 350 ms, off

    QMenu *mnuFile, *mnuSys, *mnuTool, *mnuSet, *mnuHelp, *menuLang, *mnuPop;
    QAction *menuOpenCfg, *menuSaveCfg, *menuOpenData, *menuSaveData, *menuSavePic, *menuCapture, *menuExit;
    QAction *menuAddDev, *menuAdj, *menuUpdate;
    QAction *menuClear, *menuSearch, *menuRes, *menuQc, *menuUsb;
    QAction *menuTitle, *menuCurve, *menuShow, *menuTemp, *menuSwSet;
    QAction *menuSimp, *menuUnSimp, *menuHelp, *menuAbout, *menuCDT, *menuZin, *menuZout;

    const MainOptions opts_;
    LinkState link_;
    SecondTicker ticker_{link_, opts_.timings.tick};
    ActionTable menus_;  // the entries the link and the panels switch
    SlotViews slots_;
    ReplyDecoder decoder_{link_, *this};
    RunTracker tracker_{link_, ticker_, *this, *this};
    SlotCommands commands_{link_, tracker_, slots_};
    SeqHost seqHost_{link_, ticker_, slots_, commands_};
    AutoTest autoTest_{link_, seqHost_};
    StepTest stepTest_{link_, seqHost_};
    std::array<std::unique_ptr<SlotConnection>, kMaxDevices> conns_{};
    QWidget* client_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QPointer<frmMsg> msg_;
    QPointer<frmAbout> about_;
    QPointer<frmSw> sw_;
    std::map<QString, QPointer<QWidget>> windows_;
    QPointer<QWidget> stepEditor_;
    bool closing_ = false;
    ToolSlots toolHost_{link_, slots_, commands_};
    ToolWindows tools{toolHost_};  // goes before the host it uses
    FloatingReadouts* readouts_ = nullptr;
    std::unique_ptr<ServerLink> news_;
};

// The window title: "QL Tester Software V<major>.<minor>.<revision> (Build <date>)".
QString MainCaption();

// The program's icon (the installed one's pictures, built into the program)
// in the sizes a window manager asks for.
QIcon ProgramIcon();

} // namespace ql
