// frmMain: the device slots (panel, run grid, chart, link timers) and the tab strip.
#include "app/mainwindow.h"
#include "app/mainparts.h"
#include "app/prompter.h"
#include "app/slotlayout.h"
#include "link/comm.h"
#include "link/frames.h"
#include "controls/flexgrid.h"
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

using namespace mainparts;

// ------------------------------------------------------------------ slots

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
    s.Panel->setRecord(link_.slot[n]);

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

    wireConnection(n);

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
    link_.slot[n].Dev2S = false;
    slots_[n].Panel->setDev2S(false);
    panelModesNoDevice(n);
}

void frmMain::panelModesNoDevice(int n)
{
    DevCtrl* p = slots_[n].Panel;
    link_.slot[n].ModeList.clear();  // the panel offers "No Device" alone
    p->ShowModeList();
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
    link_.ch(n, 0).DevName = QStringLiteral("No Device");
    g->setTextMatrix(1, 0, link_.ch(n, 0).DevName);
    if (n != 0) {
        for (int c : {1, 7, 8, 6})
            g->setColWidth(c, slots_[0].gridRun->ColWidth(c));
    }
    g->setColWidth(7, 750);
    g->setColWidth(8, 750);
    g->setColWidth(0, 1300);
    g->setAllColAlignment(Qt::AlignCenter);
}

void frmMain::setTitleText(int n, const QString& text)
{
    link_.slot.at(size_t(n)).TitleText = text;
    slots_.at(size_t(n)).Chart->setTitleText(text);
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
    g->setTitleText(link_.slot[n].TitleText);
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

void frmMain::ScanPorts(int n)
{
    // The list shows the free ports; the port field the first of them, and
    // stays as it is when there is none.
    DevCtrl* p = slots_[n].Panel;
    const QStringList ports = ql::ScanPorts();
    p->PortClr();
    for (const QString& port : ports)
        p->PortAdd(port);
    if (!ports.isEmpty())
        p->setTPort(ports.first());
}

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
        host_->setMenuEnabled(MenuId::menuAddDev, false);
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
    slots_[link_.CurDev].frmDev->raise();
    Form_Resize();
}

void frmMain::tabDev_Click(int index)
{
    if (index < 1 || index > devCount_)
        return;
    link_.CurDev = index - 1;
    if (tabDev->currentIndex() != link_.CurDev) {
        const QSignalBlocker block(tabDev);
        tabDev->setCurrentIndex(link_.CurDev);
    }
    // The menus act on the selected slot and show what its device, runs
    // and connection ask for.
    ShowSlotMenus(link_, *host_);
    slots_[link_.CurDev].frmDev->raise();
}

} // namespace ql
