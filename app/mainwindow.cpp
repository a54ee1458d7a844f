// frmMain: construction, start-up, the windows of the other parts and shut-down.
#include "app/mainwindow.h"

#include "app/mainparts.h"
#include "controls/flexgrid.h"
#include "platform/diskqueue.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/dataviewer.h"
#include "views/frmcurve.h"
#include "views/frmshow.h"
#include "views/paramfile.h"
#include "views/pictures.h"
#include "views/readouts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QListWidget>
#include <QTabBar>
#include <QTimer>

#include <utility>

namespace ql {

using namespace mainparts;

QString MainCaption()
{
    return QString::fromLatin1(kAppTitle) + QStringLiteral(" V") + VersionText() + QStringLiteral(" (Build ") +
           QLatin1String(kBuildDate) + QLatin1Char(')');
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icon/qltester-%1.png").arg(size), QSize(size, size));
    return icon;
}

frmMain::frmMain(MainOptions options, QWidget* parent) : QMainWindow(parent), opts_(std::move(options))
{
    if (opts_.now)
        tracker_.now = opts_.now;
    tracker_.records.setSyncPeriod(opts_.timings.recordSync);
    tracker_.Attach(decoder_);
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
    connect(tabDev, &QTabBar::tabBarClicked, this, &frmMain::selectSlot);
    connect(tabDev, &QTabBar::currentChanged, this, &frmMain::selectSlot);

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
    slots_.forEach([this](SlotView& s) { disconnect(s.Panel, nullptr, this, nullptr); });
    for (auto& c : conns_)
        if (c)
            c->Halt();
    delete tray_;
}

// The windows of the other parts behind the menu hooks.
void frmMain::wireWindows()
{
    hooks.openParameterFile = [this] { OpenParameterFile(*viewSlots()); };
    hooks.saveParameterFile = [this] { SaveParameterFile(*viewSlots()); };
    hooks.saveCurvePicture = [this] { SaveCurvePicture(*viewSlots(), false); };
    hooks.savePanelPicture = [this] { SaveCurvePicture(*viewSlots(), true); };
    hooks.openAxisRanges = [this] { return OpenAxisRanges(viewSlots()); };
    hooks.openDisplaySetting = [this](bool en, bool sel) { return OpenDisplaySetting(viewSlots(), en, sel); };
    hooks.openDataViewer = [this]() -> QWidget* {
        ViewerEnv env;
        env.look = slot(0).Chart;
        env.curDev = [this] { return CurDev(); };
        return ShowDataViewer(this, env);
    };
    readouts_ = new FloatingReadouts(viewSlots(), this);
    readouts_->attach(hooks);

    hooks.openCalibration = [this] { return tools.openCalibration(); };
    hooks.openResistanceTest = [this] { return tools.openResistanceTest(); };
    hooks.openFirmwareUpdate = [this] { return tools.openFirmwareUpdate(); };
    hooks.openQcTest = [this] { return tools.openQcTest(); };
    hooks.openUsbTrigger = [this] { return tools.openUsbTrigger(); };
    hooks.setAdjButtonEnabled = [this](const QString& n, bool on) { tools.setAdjButtonEnabled(n, on); };
}

// ------------------------------------------------------------------ start-up

void frmMain::Form_Load()
{
    setWindowTitle(MainCaption());
    setWindowIcon(ProgramIcon());
    CentreOnScreen(this);

    SlotView& s0 = createSlot(0);
    for (int i = 0; i < 5; ++i)
        s0.lstInfo->addItem(QString());
    s0.panelNoDevice();
    s0.setupRunGrid(nullptr);
    s0.frmDev->raise();
    link_.ch(0, 0).ChnMode = 0;
    s0.Panel->setLedRecv(false);
    SlotState& st = link_.slot[0];
    st.MaxCur = 10;
    st.MaxVol = 60;
    st.CurFactor = 100;
    st.VolFactor = 100;
    link_.CurDev = 0;
    tabDev->addTab(QStringLiteral("Device1"));
    tabDev->setTabData(0, QStringLiteral("dev1"));

    // Settings file and working folders; the program folder itself is new on
    // a first start in the user's data folder.
    CreateProgramDir();
    QDir d(ProgramDir());
    IniFile = SettingsFile();
    SettingsQueue().Post([ini = IniFile] { CreateSettingsFile(ini); });
    d.mkpath(QStringLiteral("Data"));
    d.mkpath(QStringLiteral("Log"));

    // Every key at once (the language is applied by Load), then used in the
    // start-up order: language, ports, switches, chart and readout look.
    Settings& cfg = settings();
    cfg.Load(IniFile);
    menuSimp->setChecked(Language() == 0);
    menuUnSimp->setChecked(Language() == 1);

    s0.ScanPorts();
    s0.preferredPort(QStringLiteral("COM") + cfg.PortText[0]);

    link_.TempColumn = cfg.TempData;
    menuTemp->setChecked(link_.TempColumn);
    s0.setupChart(nullptr);
    s0.Panel->setPwrColor(uint32_t(cfg.PwrColor));
    s0.Panel->setTimeColor(uint32_t(cfg.TimeColor));

    s0.gridAutolist->setAllColAlignment(Qt::AlignCenter);
    s0.gridAutolist->hide();
    minDispShown_ = false;
}

// ------------------------------------------------------------------ shut-down

void frmMain::closeEvent(QCloseEvent* event)
{
    if (MsgBox(QStringLiteral("Close software?"), QStringLiteral("Prompt"), Prompter::OkCancel,
               Prompter::Information) != Prompter::IdOk) {
        event->ignore();
        return;
    }
    bool running = false;
    const int devCount = slots_.count();
    for (int i = 0; i < devCount; ++i) {
        const bool two = link_.slot[size_t(i)].Dev2S;
        if (link_.ch(i, 0).Running || (two && link_.ch(i, 1).Running))
            running = true;
        tmrPauseStop(i);
    }
    if (running && MsgBox(QStringLiteral("Stop running?"), QStringLiteral("Prompt"), Prompter::OkCancel,
                          Prompter::Information) == Prompter::IdOk) {
        for (int i = 0; i < devCount; ++i) {
            if (link_.ch(i, 0).Running)
                DevCtrl_StopClick(i, 0);
            if (link_.slot[size_t(i)].Dev2S && link_.ch(i, 1).Running) {
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                DevCtrl_StopClick(i, 1);
            }
        }
    }
    closing_ = true;
    for (int i = 0; i < devCount; ++i)
        connection(i).Disconnect();
    tracker_.records.CloseAll();
    // The program ends once its pending file writes (the records' last
    // syncs, data files, settings) are done, or after a bounded wait that
    // the log tells of; writes not yet begun are then dropped.
    int left = 0;
    if (!WaitDiskQueues(opts_.exitWait, &left)) {
        ErrLog(QStringLiteral("ErrExit"), QStringLiteral("%1 file writes still pending").arg(left));
        FileQueue().Abandon();
        SettingsQueue().Abandon();
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
