#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/slotlayout.h"
#include "link/comm.h"
#include "link/frames.h"
#include "panel/flexgrid.h"
#include "panel/modesetup.h"
#include "panel/runstate.h"
#include "panel/seqpanel.h"
#include "panel/stepedit.h"
#include "views/colorcells.h"
#include "views/datafile.h"
#include "views/dataviewer.h"
#include "views/frmcurve.h"
#include "views/frmshow.h"
#include "views/paramfile.h"
#include "views/pictures.h"
#include "views/readouts.h"
#include "views/viewhost.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace ql {

namespace {

constexpr int kTwips = 15;  // twips per pixel
constexpr const char* kBuildDate = "2024-06-01";
constexpr const char* kCdtUrl = "https://qltester.example.com/cdt";

int px(double twips) { return int(std::lround(twips / kTwips)); }
int tw(int pixels) { return pixels * kTwips; }

const char* const kRunHeaders[] = {"Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt"};

// Closing order of the other windows at shut-down.
const char* const kWindowOrder[] = {"frmAdj", "frmCurve", "frmUpdate", "frmShow", "frmRes", "frmData", "frmMsg",
                                    "frmBanner", "frmQC", "frmUSB", "frmMeter", "frmDisp", "frmAbout"};

// Ends a local event loop when the watched window closes or goes away.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QWidget* w, QEventLoop* loop) : loop_(loop)
    {
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, loop, &QEventLoop::quit);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Hide || e->type() == QEvent::Close)
            QTimer::singleShot(0, loop_, &QEventLoop::quit);
        return false;
    }

private:
    QEventLoop* loop_;
};

// Calls fn once when the watched window closes or is hidden.
class CloseHook : public QObject {
public:
    CloseHook(QWidget* w, std::function<void()> fn) : QObject(w), fn_(std::move(fn)) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if ((e->type() == QEvent::Hide || e->type() == QEvent::Close) && fn_) {
            auto fn = std::move(fn_);
            fn_ = nullptr;
            fn();
        }
        return false;
    }

private:
    std::function<void()> fn_;
};

} // namespace

QString MainCaption()
{
    return QString::fromLatin1(kAppTitle) + QStringLiteral(" V") + VersionText() + QStringLiteral(" (Build ") +
           QLatin1String(kBuildDate) + QLatin1Char(')');
}

frmMain::frmMain(MainOptions options, QWidget* parent)
    : QMainWindow(parent),
      opts_(std::move(options)),
      host_(std::make_unique<LinkHost>(*this)),
      decoder_(link_, *host_, *host_),
      tracker_(link_, *host_)
{
    if (opts_.now)
        tracker_.now = opts_.now;
    tracker_.Attach(decoder_);
    tracker_.checkSend = CheckBeforeSend;
    setObjectName(QStringLiteral("frmMain"));
    client_ = new QWidget(this);
    setCentralWidget(client_);

    tabDev = new QTabBar(client_);
    tabDev->setObjectName(QStringLiteral("tabDev"));
    tabDev->setExpanding(false);
    tabDev->setDrawBase(false);
    // Every tab is 800 twips wide, so the toolbar can follow the last one.
    tabDev->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: %1px; padding: 2px 0px; font-size: 7pt; }").arg(px(800) - 2));
    connect(tabDev, &QTabBar::tabBarClicked, this, [this](int i) {
        if (i >= 0)
            tabDev_Click(i + 1);
    });
    connect(tabDev, &QTabBar::currentChanged, this, [this](int i) {
        if (i >= 0)
            tabDev_Click(i + 1);
    });

    buildMenus();
    buildToolbar();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer3 = new QTimer(this);
    Timer3->setInterval(2000);
    Timer4 = new QTimer(this);
    Timer4->setInterval(350);
    connect(Timer4, &QTimer::timeout, this, &frmMain::Timer4_Timer);
    // The news exchange runs only while Timer2 is enabled; it starts off.
    news_ = std::make_unique<ServerLink>(static_cast<NewsHost&>(*this), Timer2, Timer3, this);
    wireWindows();

    resize(1000, 680);
    Form_Load();
    Timer1->start();
}

frmMain::~frmMain()
{
    // The counter thread goes first; then no panel event or link timer
    // reaches the handlers while the widgets are torn down.
    ticker_.Shutdown();
    closing_ = true;
    delete msg_.data();
    for (DevSlot& s : slots_) {
        if (s.Panel)
            disconnect(s.Panel, nullptr, this, nullptr);
        for (QTimer* t : {s.tmrComm, s.tmrConn, s.tmrRecv})
            if (t)
                t->stop();
    }
    for (auto& s : link_.slot)
        s.Panel = nullptr;
    delete tray_;
}

// The windows of the other parts behind the menu hooks.
void frmMain::wireWindows()
{
    SetViewPrompts({[](bool s, const QString& t, const QString& f, const QString& n) { return FileDialog(s, t, f, n); },
                    [] { return PickColor(); },
                    [](const QString& t, const QString& ti) { MsgBox(t, ti, Prompter::OkOnly, Prompter::Critical); }});
    hooks.openParameterFile = [this] { OpenParameterFile(*MakeViewHost(*this)); };
    hooks.saveParameterFile = [this] { SaveParameterFile(*MakeViewHost(*this)); };
    hooks.saveCurvePicture = [this] { SaveCurvePicture(*MakeViewHost(*this), false); };
    hooks.savePanelPicture = [this] { SaveCurvePicture(*MakeViewHost(*this), true); };
    hooks.openAxisRanges = [this] { return OpenAxisRanges(MakeViewHost(*this)); };
    hooks.openDisplaySetting = [this](bool en, bool sel) { return OpenDisplaySetting(MakeViewHost(*this), en, sel); };
    hooks.openDataViewer = [this]() -> QWidget* {
        ViewerEnv env;
        env.look = slots_[0].Chart;
        env.curDev = [this] { return CurDev(); };
        env.ask.fileDialog = [](bool s, const QString& t, const QString& f, const QString& n) {
            return FileDialog(s, t, f, n);
        };
        env.ask.pickColor = [] { return PickColor(); };
        env.ask.message = [](const QString& t, const QString& ti, ViewerPrompts::Buttons b, ViewerPrompts::Icon i) {
            return prompter().Message(t, ti, static_cast<Prompter::Buttons>(b), static_cast<Prompter::Icon>(i));
        };
        env.ask.input = [](const QString& p, const QString& t, const QString& d, bool* ok) {
            return prompter().Input(p, t, d, ok);
        };
        env.ask.runDialog = [](QDialog& d) { d.exec(); };
        return ShowDataViewer(this, env);
    };
    readouts_ = new FloatingReadouts(MakeViewHost(*this), this);
    readouts_->attach(hooks);

    hooks.openCalibration = [this] { return tools.openCalibration(); };
    hooks.openResistanceTest = [this] { return tools.openResistanceTest(); };
    hooks.openFirmwareUpdate = [this] { return tools.openFirmwareUpdate(); };
    hooks.openQcTest = [this] { return tools.openQcTest(); };
    hooks.openUsbTrigger = [this] { return tools.openUsbTrigger(); };
    hooks.setAdjButtonEnabled = [this](const QString& n, bool on) { tools.setAdjButtonEnabled(n, on); };
}

// ------------------------------------------------------------------ menus

void frmMain::buildMenus()
{
    auto add = [this](QMenu* m, const char* name, const QString& text, void (frmMain::*slot)() = nullptr) {
        QAction* a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto hook = [this](QMenu* m, const char* name, const QString& text, std::function<void()> WindowHooks::*h) {
        QAction* a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, h] {
            if (hooks.*h)
                (hooks.*h)();
        });
        return a;
    };
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("File"));
    menuOpenCfg = hook(mnuFile, "menuOpenCfg", QStringLiteral("Open Parameter"), &WindowHooks::openParameterFile);
    menuSaveCfg = hook(mnuFile, "menuSaveCfg", QStringLiteral("Save Parameter"), &WindowHooks::saveParameterFile);
    menuOpenCfg->setEnabled(false);
    menuSaveCfg->setEnabled(false);
    mnuFile->addSeparator();
    menuOpenData = add(mnuFile, "menuOpenData", QStringLiteral("Open Data"), &frmMain::menuOpenData_Click);
    menuSaveData = add(mnuFile, "menuSaveData", QStringLiteral("Save Data"), &frmMain::menuSaveData_Click);
    menuSavePic = hook(mnuFile, "menuSavePic", QStringLiteral("Save Curve"), &WindowHooks::saveCurvePicture);
    menuCapture = hook(mnuFile, "menuCapture", QStringLiteral("Save Picture"), &WindowHooks::savePanelPicture);
    mnuFile->addSeparator();
    menuExit = add(mnuFile, "menuExit", QStringLiteral("Exit"), &frmMain::menuExit_Click);

    mnuSys = bar->addMenu(QStringLiteral("System"));
    menuAddDev = add(mnuSys, "menuAddDev", QStringLiteral("Add Device"), &frmMain::menuAddDev_Click);
    menuAdj = add(mnuSys, "menuAdj", QStringLiteral("Parameter Calibration"), &frmMain::menuAdj_Click);
    menuAdj->setEnabled(false);
    menuUpdate = add(mnuSys, "menuUpdate", QStringLiteral("Firmware Update"), &frmMain::menuUpdate_Click);

    mnuTool = bar->addMenu(QStringLiteral("Tools"));
    menuClear = add(mnuTool, "menuClear", QStringLiteral("Clear Curve"), &frmMain::menuClear_Click);
    menuSearch = add(mnuTool, "menuSearch", QStringLiteral("Search Comm Port"), &frmMain::menuSearch_Click);
    menuRes = add(mnuTool, "menuRes", QStringLiteral("Resistance Test"), &frmMain::menuRes_Click);
    menuRes->setVisible(false);
    menuRes->setEnabled(false);
    menuQc = add(mnuTool, "menuQc", QStringLiteral("QC2.0 Test"), &frmMain::menuQc_Click);
    menuQc->setVisible(false);
    menuQc->setEnabled(false);
    menuUsb = add(mnuTool, "menuUsb", QStringLiteral("Quick Charger Test"), &frmMain::menuUsb_Click);
    menuUsb->setVisible(false);

    mnuSet = bar->addMenu(QStringLiteral("Setting"));
    menuTitle = add(mnuSet, "menuTitle", QStringLiteral("Curve Title"), &frmMain::menuTitle_Click);
    menuCurve = add(mnuSet, "menuCurve", QStringLiteral("Coordinate Settings"), &frmMain::menuCurve_Click);
    menuShow = add(mnuSet, "menuShow", QStringLiteral("Display Setting"), &frmMain::menuShow_Click);
    menuTemp = add(mnuSet, "menuTemp", QStringLiteral("Temprature Data"), &frmMain::menuTemp_Click);
    menuTemp->setCheckable(true);
    menuTemp->setVisible(false);
    menuSwSet = add(mnuSet, "menuSwSet", QStringLiteral("Software Setting"), &frmMain::menuSwSet_Click);

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

// ------------------------------------------------------------------ start-up

void frmMain::Form_Load()
{
    setWindowTitle(MainCaption());
    CentreOnScreen(this);

    createSlot(0);
    DevSlot& s0 = slots_[0];
    for (int i = 0; i < 5; ++i)
        s0.lstInfo->addItem(QString());
    panelNoDevice(0);
    setupRunGrid(0);
    s0.frmDev->raise();
    link_.ch(0, 0).ChnMode = 0;
    s0.Panel->setLedRecv(false);
    SlotState& st = link_.slot[0];
    st.MaxCur = 10;
    st.MaxVol = 60;
    st.CurFactor = 100;
    st.VolFactor = 100;
    devCount_ = 1;
    curDev_ = 0;
    tabDev->addTab(QStringLiteral("Device1"));
    tabDev->setTabData(0, QStringLiteral("dev1"));

    // Settings file and working folders; the program folder itself is new on
    // a first start in the user's data folder.
    QDir d(ProgramDir());
    d.mkpath(QStringLiteral("."));
    IniFile = SettingsFile();
    CreateSettingsFile(IniFile);
    d.mkpath(QStringLiteral("Data"));
    d.mkpath(QStringLiteral("Log"));

    // Every key at once (the language is applied by Load), then used in the
    // start-up order: language, ports, switches, chart and readout look.
    Settings& cfg = settings();
    cfg.Load(IniFile);
    menuSimp->setChecked(Language() == 0);
    menuUnSimp->setChecked(Language() == 1);

    ScanPorts(0);
    preferredPort(0, QStringLiteral("COM") + QString::number(cfg.Port[0]));

    menuTemp->setChecked(cfg.TempData);
    setupChart(0);
    s0.Panel->setPwrColor(uint32_t(cfg.PwrColor));
    s0.Panel->setTimeColor(uint32_t(cfg.TimeColor));

    s0.gridAutolist->setAllColAlignment(Qt::AlignCenter);
    s0.gridAutolist->hide();
    MinDispShown = false;
}

void frmMain::createSlot(int n)
{
    DevSlot& s = slots_[n];
    s.frmDev = new QFrame(client_);
    s.frmDev->setObjectName(QStringLiteral("frmDev%1").arg(n));
    s.frmDev->setFrameShape(QFrame::NoFrame);
    s.frmDev->setAutoFillBackground(true);
    s.frmDev->setGeometry(px(50), px(450), px(14000), px(9000));

    s.Panel = new DevCtrl(n, s.frmDev, opts_.timings.panel);
    s.Panel->adjustSize();
    s.Panel->setObjectName(QStringLiteral("DevCtrl%1").arg(n));
    s.Panel->move(px(8000), px(150));
    link_.slot[n].Panel = s.Panel;

    s.Chart = new CurveGraph(s.frmDev);
    s.Chart->setObjectName(QStringLiteral("CurveGraph%1").arg(n));
    s.Chart->setGeometry(px(50), px(150), px(7800), px(6000));
    connect(s.Chart, &CurveGraph::DblClick, this, [this, n] { CurveGraph_DblClick(n); });

    s.gridRun = new FlexGrid(s.frmDev);
    s.gridRun->setObjectName(QStringLiteral("gridRun%1").arg(n));
    s.gridRun->setRows(3);
    s.gridRun->setCols(9);
    s.gridRun->setFixedRows(1);
    s.gridRun->setFixedCols(0);

    s.gridAutolist = new FlexGrid(s.frmDev);
    s.gridAutolist->setObjectName(QStringLiteral("gridAutolist%1").arg(n));
    s.gridAutolist->setCols(4);
    s.gridAutolist->setRows(2);
    s.gridAutolist->setFixedRows(1);
    s.gridAutolist->setFixedCols(0);
    connect(s.gridAutolist, &FlexGrid::DblClick, this, [this, n] { gridAutolist_DblClick(n); });

    s.lstInfo = new QListWidget(s.frmDev);
    s.lstInfo->setObjectName(QStringLiteral("lstInfo%1").arg(n));
    s.lstInfo->setAcceptDrops(true);
    s.lstInfo->installEventFilter(this);
    s.lstInfo->viewport()->installEventFilter(this);
    s.lstInfo->setProperty("slot", n);

    s.tmrComm = new QTimer(this);
    s.tmrComm->setInterval(opts_.timings.poll);
    connect(s.tmrComm, &QTimer::timeout, this, [this, n] { tmrComm_Timer(n); });
    s.tmrConn = new QTimer(this);
    s.tmrConn->setInterval(opts_.timings.connect);
    connect(s.tmrConn, &QTimer::timeout, this, [this, n] { tmrConn_Timer(n); });
    s.tmrRecv = new QTimer(this);
    s.tmrRecv->setInterval(opts_.timings.recvLamp);
    connect(s.tmrRecv, &QTimer::timeout, this, [this, n] { tmrRecv_Timer(n); });

    AttachColorCells(s.gridRun, s.Chart, s.Panel);
    s.frmDev->show();
    host_->addSlot(n);
    wirePanel(n);
}

void frmMain::wirePanel(int n)
{
    DevCtrl* p = slots_[n].Panel;
    // The panel raises its events synchronously with its slot first.
    connect(p, &DevCtrl::ConnClick, this, [this](int i) { DevCtrl_ConnClick(i); });
    connect(p, &DevCtrl::ModeClick, this, [this](int i) { DevCtrl_ModeClick(i); });
    connect(p, &DevCtrl::RunClick, this, [this](int i, int c) { DevCtrl_RunClick(i, c); });
    connect(p, &DevCtrl::StopClick, this, [this](int i, int c) { DevCtrl_StopClick(i, c); });
    connect(p, &DevCtrl::SetClick, this, [this](int i, int c) { DevCtrl_SetClick(i, c); });
    connect(p, &DevCtrl::ContClick, this, [this](int i, int c) { DevCtrl_ContClick(i, c); });
    connect(p, &DevCtrl::MonitorClick, this, [this](int i, int c) { DevCtrl_MonitorClick(i, c); });
    connect(p, &DevCtrl::TmrCurveOn, this, [this](int i, int c) { DevCtrl_TmrCurveOn(i, c); });
    connect(p, &DevCtrl::TmrShowOn, this, [this](int i, int c) { DevCtrl_TmrShowOn(i, c); });
    connect(p, &DevCtrl::SvalLostFocus, this,
            [this](int i, int c) { DevCtrl_FieldLostFocus(i, c, FieldKind::SetValue); });
    connect(p, &DevCtrl::SlmtLostFocus, this,
            [this](int i, int c) { DevCtrl_FieldLostFocus(i, c, FieldKind::Limit); });
    connect(p, &DevCtrl::StimLostFocus, this,
            [this](int i, int c) { DevCtrl_FieldLostFocus(i, c, FieldKind::Third); });
    connect(p, &DevCtrl::AutoVolLostFocus, this,
            [this](int i) { DevCtrl_FieldLostFocus(i, 0, FieldKind::AutoVol); });
    connect(p, &DevCtrl::AutoTestClick, this, [this](int i) { DevCtrl_AutoTestClick(i); });
    connect(p, &DevCtrl::AutoTmrOn, this, [this](int i) { DevCtrl_AutoTmrOn(i); });
    connect(p, &DevCtrl::AutoSaveClick, this, [this](int i) { DevCtrl_AutoSaveClick(i); });
    connect(p, &DevCtrl::AutoListClick, this, [this](int i) { DevCtrl_AutoListClick(i); });
    connect(p, &DevCtrl::StepTestClick, this, [this](int i) { DevCtrl_StepTestClick(i); });
    connect(p, &DevCtrl::StepTmrOn, this, [this](int i) { DevCtrl_StepTmrOn(i); });
    connect(p, &DevCtrl::StepSetClick, this, [this](int i) { DevCtrl_StepSetClick(i); });
    connect(p, &DevCtrl::StepSaveClick, this, [this](int i) { DevCtrl_StepSaveClick(i); });
    connect(p, &DevCtrl::StepClrClick, this, [this](int i) { DevCtrl_StepClrClick(i); });
    connect(p, &DevCtrl::StepOpenClick, this, [this](int i) { DevCtrl_StepOpenClick(i); });
}

void frmMain::panelNoDevice(int n)
{
    slots_[n].Panel->setDev2S(false);
    panelModesNoDevice(n);
}

void frmMain::panelModesNoDevice(int n)
{
    DevCtrl* p = slots_[n].Panel;
    p->ModeClr();
    p->ModeAdd(QStringLiteral("No Device"));
    p->setTMode(QStringLiteral("No Device"));
    for (int c = 0; c < 2; ++c) {
        p->setTSval(c, QStringLiteral("00.00"));
        p->setTSlmt(c, QStringLiteral("00.00"));
        p->setTStim(c, QStringLiteral("0"));
    }
}

void frmMain::setupRunGrid(int n)
{
    FlexGrid* g = slots_[n].gridRun;
    // The columns are sized to the grid's width and its three rows always
    // show: scroll bars would only cover the second channel's row.
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (n == 0) {
        // The grid shows its nine columns and a header and two channel rows.
        g->resize(9 * px(g->ColWidth(2)), 3 * g->rowHeight(2) + 2 * g->frameWidth());
    } else {
        g->setGeometry(slots_[0].gridRun->geometry());
    }
    for (int c = 0; c < 7; ++c)
        g->setTextMatrix(0, c, QLatin1String(kRunHeaders[c]));
    g->setTextMatrix(0, 7, QStringLiteral("Curve") + QStringLiteral("V"));
    g->setTextMatrix(0, 8, QStringLiteral("Curve") + QStringLiteral("A"));
    g->setTextMatrix(1, 0, QStringLiteral("No Device"));
    if (n != 0) {
        for (int c : {1, 7, 8, 6})
            g->setColWidth(c, slots_[0].gridRun->ColWidth(c));
    }
    g->setColWidth(7, 750);
    g->setColWidth(8, 750);
    g->setColWidth(0, 1300);
    g->setAllColAlignment(Qt::AlignCenter);
}

void frmMain::setupChart(int n)
{
    // Chart look from the settings; colours of the voltage and current curves.
    const Settings& cfg = settings();
    const int vcol = cfg.VolColor[0];
    const int ccol = cfg.CurColor[0];
    DevSlot& s = slots_[n];
    CurveGraph* g = s.Chart;
    if (n == 0)
        g->setCurveCount(5);
    else
        g->setTitleText(QString::fromLatin1(kAppTitle));
    g->setLegendText(0, Lang(QStringLiteral("Voltage")));
    g->setLegendText(1, Lang(QStringLiteral("Current")));
    g->setLegendText(2, Lang(QStringLiteral("Temp")));
    g->setCurveLineColor(0, uint32_t(vcol));
    g->setCurveLineColor(1, uint32_t(ccol));
    g->setCurveLineColor(2, g->CurveLineColor(1));
    if (n == 0) {
        for (int k = 0; k < 3; ++k)
            g->setCurveAxesY(k, k);
        g->setShowCurve(0, true);
        g->setShowCurve(1, true);
        g->setShowCurve(2, false);
        if (cfg.VoltAxisOk) {
            g->setMinY(0, cfg.VY0);
            g->setMaxY(0, cfg.VY1);
        }
        if (cfg.CurAxisOk) {
            g->setMinY(1, cfg.CY0);
            g->setMaxY(1, cfg.CY1);
        }
        if (cfg.TimeAxisOk) {
            g->setMinX(float(cfg.CT0));
            g->setMaxX(float(cfg.CT1));
        }
        g->setGridType1(cfg.GridType1);
        g->setGridType2(cfg.GridType2);
        g->setBackColor(uint32_t(cfg.BackColor));
        g->setGridColor(uint32_t(cfg.GridColor));
        g->setAxesColor(uint32_t(cfg.AxesColor));
        g->setLine(cfg.Line);
    } else {
        g->setLine(cfg.Line);
        CurveGraph* g0 = slots_[0].Chart;
        for (int k = 0; k < 3; ++k) {
            g->setCurveAxesY(k, g0->CurveAxesY(k));
            g->setShowCurve(k, g0->ShowCurve(k));
        }
        g->setGridType1(g0->GridType1());
        g->setGridType2(g0->GridType2());
        g->setBackColor(g0->BackColor());
        g->setGridColor(g0->GridColor());
    }
    g->ClearAll();
    g->setShowLegend(0, cfg.ShowLabel);
    g->setShowLegend(1, cfg.ShowLabel);
    g->DrawCurve();
    s.Panel->setVolColor(uint32_t(vcol));
    s.Panel->setCurColor(uint32_t(ccol));
    s.gridRun->setCellBackColor(1, 7, vcol);
    s.gridRun->setCellBackColor(1, 8, ccol);
}

void frmMain::preferredPort(int n, const QString& name)
{
    DevCtrl* p = slots_[n].Panel;
    for (int i = 0; i < p->PortCnt(); ++i) {
        if (p->PortList(i) == name)
            p->setTPort(name);
    }
}

void frmMain::ScanPorts(int n) { ql::ScanPorts(*slots_[n].Panel); }

// ------------------------------------------------------------------ slots and tabs

int frmMain::toolbarLeftTwips() const { return (devCount_ - 1) * 800 + 820; }

void frmMain::menuAddDev_Click()
{
    if (devCount_ >= kMaxDevices)
        return;
    ++devCount_;
    const int n = devCount_ - 1;
    createSlot(n);
    DevSlot& s = slots_[n];
    s.frmDev->setGeometry(slots_[0].frmDev->geometry());
    s.Panel->setGeometry(slots_[0].Panel->geometry());
    panelNoDevice(n);
    s.Chart->setGeometry(slots_[0].Chart->geometry());
    s.gridRun->setGeometry(slots_[0].gridRun->geometry());
    for (int i = 0; i < 5; ++i)
        s.lstInfo->addItem(QString());
    s.gridAutolist->setAllColAlignment(Qt::AlignCenter);
    s.gridAutolist->hide();
    settings().ReadSlot(n);
    setupChart(n);
    setupRunGrid(n);
    if (devCount_ == kMaxDevices)
        menuAddDev->setEnabled(false);
    ScanPorts(n);
    // The key's text is appended as stored: "07" names no port "COM7".
    const QString key = QStringLiteral("PORT") + QString::number(n + 1);
    preferredPort(n, QStringLiteral("COM") + ReadIni(IniFile, QStringLiteral("COMM"), key, QStringLiteral("2")));
    tlbSys->move(px(toolbarLeftTwips()), 0);
    // The new tab is not selected: the current slot stays in front.
    const QSignalBlocker block(tabDev);
    const int cur = tabDev->currentIndex();
    tabDev->addTab(QStringLiteral("Device") + QString::number(devCount_));
    tabDev->setTabData(devCount_ - 1, QStringLiteral("dev") + QString::number(devCount_));
    tabDev->setCurrentIndex(cur);
    slots_[curDev_].frmDev->raise();
    Form_Resize();
}

void frmMain::tabDev_Click(int index)
{
    if (index < 1 || index > devCount_)
        return;
    curDev_ = index - 1;
    if (tabDev->currentIndex() != curDev_) {
        const QSignalBlocker block(tabDev);
        tabDev->setCurrentIndex(curDev_);
    }
    slots_[curDev_].frmDev->raise();
}

// ------------------------------------------------------------------ layout

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool frmMain::trayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void frmMain::Form_Resize()
{
    if (devCount_ == 0 || closing_)
        return;
    const int W = tw(client_->width());
    const int H = tw(client_->height());
    tlbSys->move(px(toolbarLeftTwips()), 0);
    tabDev->setGeometry(0, 0, px(W), tabDev->sizeHint().height());

    const bool minimised = isMinimized();
    if (!minimised) {
        for (int i = 0; i < devCount_; ++i)
            if (!LayoutSlot(slots_[i], W, H))
                return;  // smaller than the fixed margins: keep what is set
    }

    if (minimised && !MinDispShown) {
        MinDispShown = true;
        const bool meter = hooks.meterOpen && hooks.meterOpen();
        if (settings().FloatDisp && slots_[curDev_].Panel->Conn() && !meter && hooks.showDisp)
            hooks.showDisp(true);
        if (!settings().FloatDisp && meter && hooks.showMeter)
            hooks.showMeter(false);
        // Without a system tray a hidden window could never come back.
        if (settings().MinHide && trayAvailable()) {
            if (!tray_) {
                tray_ = new QSystemTrayIcon(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                                                  : windowIcon());
                connect(tray_, &QSystemTrayIcon::activated, this, &frmMain::trayActivated);
            }
            tray_->setToolTip(windowTitle());
            QTimer::singleShot(0, this, &QWidget::hide);
            tray_->show();
        }
    } else if (!minimised && MinDispShown) {
        MinDispShown = false;
        if (hooks.showDisp)
            hooks.showDisp(false);
        if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
            hooks.showMeter(true);
    }
}

bool frmMain::trayIconShown() const { return tray_ && tray_->isVisible(); }

void frmMain::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Any click on the icon brings the window back, whatever the switches
    // say now: the icon is the only way back to a hidden window.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (tray_)
        tray_->hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    MinDispShown = false;
    if (hooks.showDisp)
        hooks.showDisp(false);
    if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
        hooks.showMeter(true);
}

// ------------------------------------------------------------------ information list

void frmMain::Timer1_Timer()
{
    if (!NewsText.isEmpty()) {
        if (!Timer4->isActive())
            Timer4->start();
        MarqueeText = QString(40, QLatin1Char(' ')) + NewsText;
        return;
    }
    Timer4->stop();
    QListWidget* list = slots_[curDev_].lstInfo;
    if (list->count() == 0)
        return;
    const QLocale loc = QLocale::system();
    list->item(0)->setText(QLatin1Char(' ') + loc.toString(QDate::currentDate(), QLocale::ShortFormat) +
                           QLatin1Char(' ') + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                           QStringLiteral("  ") + FwText);
}

void frmMain::Timer4_Timer()
{
    if (MarqPos == 0)
        MarqPos = 1;
    QListWidget* list = slots_[curDev_].lstInfo;
    if (list->count() > 0)
        list->item(0)->setText(QLatin1Char(' ') + MarqueeText.mid(MarqPos - 1));
    ++MarqPos;
    if (MarqPos > MarqueeText.size() + 1)
        MarqPos = 1;
}

void frmMain::lstInfo_NewsClick()
{
    if (NewsText.isEmpty())
        return;
    NewsText.clear();
    if (!NewsUrl.isEmpty()) {
        prompter().OpenUrl(NewsUrl);
        NewsUrl.clear();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::Drop) {
        for (int i = 0; i < devCount_; ++i) {
            QListWidget* l = slots_[i].lstInfo;
            if (l && (watched == l || watched == l->viewport())) {
                lstInfo_NewsClick();
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------------ dialogs

void frmMain::registerWindow(const QString& name, QWidget* w)
{
    if (w)
        windows_[name] = w;
}

QWidget* frmMain::otherWindow(const QString& name) const
{
    if (name == QLatin1String("frmMsg"))
        return msg_;
    if (name == QLatin1String("frmAbout"))
        return about_;
    if (name == QLatin1String("frmSw"))
        return sw_;
    auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->second.data();
}

void frmMain::ShowAndWait(QWidget* w)
{
    if (!w)
        return;
    QPointer<QWidget> guard(w);
    QEventLoop loop;
    CloseWatcher watcher(w, &loop);
    w->show();
    if (guard && guard->isVisible())
        loop.exec();
    if (guard)
        guard->removeEventFilter(&watcher);
}

void frmMain::waitWithTabsLocked(QWidget* w)
{
    tabDev->setEnabled(false);
    DlgDone = false;
    ShowAndWait(w);
    DlgDone = true;
    tabDev->setEnabled(true);
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
    DevCtrl* p = slots_[curDev_].Panel;
    ql::SetAdjButtons(!link_.ch(curDev_, p->ChnIndex()).Running, *host_);
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
    menuAdj->setEnabled(false);
}

void frmMain::menuUpdate_Click()
{
    try {
        QWidget* w = hooks.openFirmwareUpdate ? hooks.openFirmwareUpdate() : nullptr;
        registerWindow(QStringLiteral("frmUpdate"), w);
        waitWithTabsLocked(w);
    } catch (const std::exception& e) {
        // The tab strip comes back also after a failure.
        tabDev->setEnabled(true);
        DlgDone = true;
        MsgBox(QStringLiteral("Wrong Port!"), QStringLiteral("Prompt"), Prompter::OkOnly, Prompter::Critical);
        ErrLog(QStringLiteral("ErrUpdate"), QString::fromLocal8Bit(e.what()));
    }
}

void frmMain::menuClear_Click()
{
    if (MsgBox(QStringLiteral("Clear Curve?"), QStringLiteral("Prompt"), Prompter::OkCancel,
               Prompter::Information) != Prompter::IdOk)
        return;
    slots_[curDev_].Chart->ClearAll();
    slots_[curDev_].Chart->DrawCurve();
    for (int c = 0; c < kChanCount; ++c) {
        link_.ch(curDev_, c).TickSecs.store(0);
        link_.ch(curDev_, c).RunStartPt = 0;
    }
    SlotState& st = link_.slot[curDev_];
    st.VolAxisMax = st.VolAxisMin = st.CurAxisMax = st.CurAxisMin = 0;
    st.CurveSecs = 0;
}

void frmMain::menuSearch_Click()
{
    if (slots_[curDev_].Panel->Conn())
        return;
    ScanPorts(curDev_);
    MsgBox(QStringLiteral("Search comm port finished"), QStringLiteral("Prompt"), Prompter::OkOnly,
           Prompter::Information);
}

void frmMain::menuRes_Click()
{
    try {
        if (link_.slot[curDev_].DevType == 0) {
            MsgBox(QStringLiteral("Please connect device first"), QStringLiteral("Prompt"), Prompter::OkOnly,
                   Prompter::Critical);
            return;
        }
        const int chn = slots_[curDev_].Panel->ChnIndex();
        if (link_.ch(curDev_, chn).Volt > 4.5f) {
            MsgBox(QStringLiteral("Resistance test only support single battery"), QStringLiteral("Prompt"),
                   Prompter::OkOnly, Prompter::Critical);
            return;
        }
        QWidget* w = hooks.openResistanceTest ? hooks.openResistanceTest() : nullptr;
        registerWindow(QStringLiteral("frmRes"), w);
        waitWithTabsLocked(w);
    } catch (const std::exception& e) {
        tabDev->setEnabled(true);
        DlgDone = true;
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

void frmMain::menuTitle_Click() { CurveGraph_DblClick(curDev_); }

void frmMain::CurveGraph_DblClick(int index)
{
    bool ok = false;
    const QString title = prompter().Input(QStringLiteral("Please input new title"), QStringLiteral("Prompt"),
                                           slots_[curDev_].Chart->TitleText(), &ok);
    if (ok && !title.isEmpty()) {
        slots_.at(index).Chart->setTitleText(title);
        slots_.at(index).Chart->DrawCurve();
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
    const bool tempOk = link_.slot[curDev_].TempOk;
    QWidget* w =
        hooks.openDisplaySetting ? hooks.openDisplaySetting(tempOk, menuTemp->isChecked() && tempOk) : nullptr;
    registerWindow(QStringLiteral("frmShow"), w);
    ShowAndWait(w);
    DlgDone = true;
}

void frmMain::menuTemp_Click()
{
    // The action has already toggled its check mark.
    settings().SaveTempData(menuTemp->isChecked());
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

void frmMain::ShowMsg(const QString& text)
{
    if (!settings().PromptMsg)
        return;
    if (!msg_) {
        // A window of its own, not a child: closing the program fades it out
        // and the program ends when it has gone.
        msg_ = new frmMsg(nullptr);
        msg_->setAttribute(Qt::WA_DeleteOnClose);
    }
    msg_->show();
    msg_->setText(text);
}

// ------------------------------------------------------------------ run state

void frmMain::SetRunState(bool idle, int n) { ql::SetRunState(idle, n, *slots_.at(n).Panel, link_, host_.get()); }

// ------------------------------------------------------------------ panel events

void frmMain::DevCtrl_RunClick(int Index, int chn) { tracker_.RunClick(Index, chn); }
void frmMain::DevCtrl_StopClick(int Index, int chn) { tracker_.StopClick(Index, chn); }
void frmMain::DevCtrl_SetClick(int Index, int chn) { tracker_.SetClick(Index, chn); }
void frmMain::DevCtrl_ContClick(int Index, int chn) { tracker_.ContClick(Index, chn); }
void frmMain::DevCtrl_MonitorClick(int Index, int chn) { tracker_.MonitorClick(Index, chn); }
void frmMain::DevCtrl_TmrCurveOn(int Index, int chn) { tracker_.TmrCurveOn(Index, chn); }
void frmMain::DevCtrl_TmrShowOn(int Index, int chn) { tracker_.TmrShowOn(Index, chn); }

// ---- auto test and step test

void frmMain::InitAutoTest(int Index) { autoTest_.Init(Index); }
void frmMain::DevCtrl_AutoTestClick(int Index) { autoTest_.Click(Index); }
void frmMain::DevCtrl_AutoTmrOn(int Index) { autoTest_.OnTimer(Index); }
void frmMain::DevCtrl_AutoSaveClick(int Index) { autoTest_.SaveClick(Index); }

void frmMain::DevCtrl_AutoListClick(int Index)
{
    const auto rows = autoTest_.ListClick(Index);
    if (!rows)
        return;
    DevSlot& s = slots_.at(size_t(Index));
    s.Panel->hide();
    s.lstInfo->hide();
    FillAutolist(*s.gridAutolist, *rows);
    s.gridAutolist->show();
}

void frmMain::gridAutolist_DblClick(int Index)
{
    DevSlot& s = slots_.at(size_t(Index));
    s.gridAutolist->hide();
    s.Panel->show();
    s.lstInfo->show();
}

void frmMain::DevCtrl_StepTestClick(int Index) { stepTest_.StartStop(Index); }
void frmMain::DevCtrl_StepTmrOn(int Index) { stepTest_.OnTimer(Index); }
void frmMain::DevCtrl_StepClrClick(int Index) { stepTest_.ClearClick(Index); }
void frmMain::DevCtrl_StepSaveClick(int Index) { stepTest_.SaveClick(Index); }
void frmMain::DevCtrl_StepOpenClick(int Index) { stepTest_.OpenClick(Index); }

void frmMain::DevCtrl_StepSetClick(int Index)
{
    if (stepEditor_) {
        stepEditor_->raise();
        stepEditor_->activateWindow();
        return;
    }
    frmSet dlg(link_, Index, seqHost_, this);
    stepEditor_ = &dlg;
    DlgDone = false;
    ShowAndWait(&dlg);
    DlgDone = true;
}

void frmMain::DevCtrl_ModeClick(int Index)
{
    ModeClicked(link_, Index, *slots_.at(Index).Panel, [this](int s, int c) { showCapacity(s, c); });
}

void frmMain::DevCtrl_FieldLostFocus(int Index, int chn, FieldKind kind)
{
    DevCtrl* p = slots_.at(Index).Panel;
    QString text;
    switch (kind) {
    case FieldKind::SetValue: text = p->tSval(chn); break;
    case FieldKind::Limit: text = p->tSlmt(chn); break;
    case FieldKind::Third: text = p->tStim(chn); break;
    case FieldKind::AutoVol: text = p->tAutoVol(); break;
    }
    const FieldCheck check = CheckField(link_.slot[Index], chn, kind, text);
    if (check.ok())
        return;
    MsgBox(check.message(), QLatin1String(kMsgTitle), Prompter::OkOnly, Prompter::Critical);
    if (check.replacement.isEmpty())
        return;
    switch (kind) {
    case FieldKind::SetValue: p->setTSval(chn, check.replacement); break;
    case FieldKind::Limit: p->setTSlmt(chn, check.replacement); break;
    case FieldKind::Third: p->setTStim(chn, check.replacement); break;
    case FieldKind::AutoVol: p->setTAutoVol(check.replacement); break;
    }
}

void frmMain::menuSaveData_Click()
{
    const int n = curDev_;
    DevCtrl* p = slots_.at(n).Panel;
    const int chn = p->ChnIndex();
    if (link_.ch(n, chn).Running)
        return;
    const bool csv = settings().SaveCsv;
    const QString device = slots_[n].gridRun->TextMatrix(chn + 1, 0);
    const QString name = ProposedDataFileName(tracker_.now(), device, n, chn, p->Dev2S());
    const QString chosen = FileDialog(true, SaveDataTitle(n, chn, p->Dev2S()), DataFileFilter(csv), name);
    if (chosen.isEmpty())
        return;
    if (!ql::SaveDataFile(link_, *host_, n, chn, WithDataExtension(chosen, csv)))
        host_->ShowCritical(Lang(QStringLiteral("Cannot save file!")));
}

// ------------------------------------------------------------------ link

void frmMain::sendConnect(int n) { SendConnect(link_, n); }
void frmMain::sendDisconnect(int n) { SendDisconnect(link_, n); }

void frmMain::tmrPauseStop(int n)
{
    ticker_.TmrPause(n, 0);
    ticker_.TmrPause(n, 1);
    ticker_.TmrStop(n, 0);
    ticker_.TmrStop(n, 1);
}

void frmMain::tmrComm_Timer(int n)
{
    if (!closing_)
        decoder_.RecvDevice(n);
}

void frmMain::tmrConn_Timer(int n) { sendConnect(n); }

void frmMain::tmrRecv_Timer(int n)
{
    slots_[n].Panel->setLedRecv(false);
    slots_[n].tmrRecv->stop();
}

// Connect, disconnect and a lost port: app/connection.cpp.

// ------------------------------------------------------------------ shut-down

void frmMain::closeEvent(QCloseEvent* event)
{
    if (MsgBox(QStringLiteral("Close software?"), QStringLiteral("Prompt"), Prompter::OkCancel,
               Prompter::Information) != Prompter::IdOk) {
        event->ignore();
        return;
    }
    bool running = false;
    for (int i = 0; i < devCount_; ++i) {
        const bool two = slots_[i].Panel->Dev2S();
        if (link_.ch(i, 0).Running || (two && link_.ch(i, 1).Running))
            running = true;
        tmrPauseStop(i);
    }
    if (running && MsgBox(QStringLiteral("Stop running?"), QStringLiteral("Prompt"), Prompter::OkCancel,
                          Prompter::Information) == Prompter::IdOk) {
        for (int i = 0; i < devCount_; ++i) {
            if (link_.ch(i, 0).Running)
                DevCtrl_StopClick(i, 0);
            if (slots_[i].Panel->Dev2S() && link_.ch(i, 1).Running) {
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                DevCtrl_StopClick(i, 1);
            }
        }
    }
    closing_ = true;
    for (int i = 0; i < devCount_; ++i) {
        sendDisconnect(i);
        if (link_.slot[i].hComm)
            ClosePort(link_.slot[i].hComm);
        slots_[i].tmrComm->stop();
        slots_[i].tmrConn->stop();
        slots_[i].tmrRecv->stop();
    }
    Timer1->stop();
    Timer4->stop();
    // The floating readouts are top-level windows: left open they would keep
    // the program running.
    readouts_->unloadMeter();
    readouts_->showDisp(false);
    for (const char* name : kWindowOrder) {
        if (QWidget* w = otherWindow(QLatin1String(name)))
            w->close();
    }
    if (sw_)
        sw_->close();
    if (tray_)
        tray_->hide();
    event->accept();
}

} // namespace ql
