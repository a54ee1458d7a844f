// frmMain: the device slots (their views, panel events and connections) and the tab strip.
#include "app/mainwindow.h"

#include "app/mainparts.h"
#include "controls/curvegraph.h"
#include "link/slotmenus.h"
#include "controls/flexgrid.h"
#include "platform/settings.h"

#include <QListWidget>
#include <QTabBar>
#include <QToolBar>

namespace ql {

using namespace mainparts;

// ------------------------------------------------------------------ slots

SlotView& frmMain::createSlot(int n)
{
    SlotView& s = slots_.add(std::make_unique<SlotView>(n, link_, menus_, autoTest_, client_, opts_.timings.panel));
    connect(s.Chart, &CurveGraph::DblClick, this, [this, n] { CurveGraph_DblClick(n); });
    connect(s.gridAutolist, &FlexGrid::DblClick, this, [this, n] { gridAutolist_DblClick(n); });
    s.lstInfo->installEventFilter(this);
    s.lstInfo->viewport()->installEventFilter(this);
    wireConnection(n);
    wirePanel(n);
    return s;
}

void frmMain::wirePanel(int n)
{
    DevCtrl* p = slot(n).Panel;
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

RecvViewIf& frmMain::recvView(int n)
{
    if (SlotView* v = slots_.at(n))
        return *v;
    return NoSlotView::instance();
}

RunViewIf& frmMain::runView(int n)
{
    if (SlotView* v = slots_.at(n))
        return *v;
    return NoSlotView::instance();
}

std::shared_ptr<ViewHost> frmMain::viewSlots()
{
    return std::make_shared<ViewSlots>(this, link_, slots_, tracker_, menus_);
}

// ------------------------------------------------------------------ slots and tabs

int frmMain::toolbarLeftTwips() const { return (slots_.count() - 1) * 800 + 820; }

void frmMain::menuAddDev_Click()
{
    const int n = slots_.count();
    if (n >= kMaxDevices)
        return;
    SlotView& s = createSlot(n);
    const SlotView& s0 = slot(0);
    s.frmDev->setGeometry(s0.frmDev->geometry());
    s.Panel->setGeometry(s0.Panel->geometry());
    s.panelNoDevice();
    s.Chart->setGeometry(s0.Chart->geometry());
    s.gridRun->setGeometry(s0.gridRun->geometry());
    for (int i = 0; i < 5; ++i)
        s.lstInfo->addItem(QString());
    s.gridAutolist->setAllColAlignment(Qt::AlignCenter);
    s.gridAutolist->hide();
    Settings& cfg = settings();
    cfg.ReadSlot(n);
    s.setupChart(&s0);
    s.setupRunGrid(&s0);
    if (slots_.count() == kMaxDevices)
        menus_.setEnabled(MenuId::menuAddDev, false);
    s.ScanPorts();
    s.preferredPort(QStringLiteral("COM") + cfg.PortText[size_t(n)]);
    tlbSys->move(px(toolbarLeftTwips()), 0);
    // The new tab is not selected: the selected slot stays in front.
    const QSignalBlocker block(tabDev);
    tabDev->addTab(QStringLiteral("Device") + QString::number(n + 1));
    tabDev->setTabData(n, QStringLiteral("dev") + QString::number(n + 1));
    tabDev->setCurrentIndex(link_.CurDev);
    slot(link_.CurDev).frmDev->raise();
    Form_Resize();
}

void frmMain::selectSlot(int n)
{
    if (!slots_.at(n))
        return;
    link_.CurDev = n;
    if (tabDev->currentIndex() != n) {
        const QSignalBlocker block(tabDev);
        tabDev->setCurrentIndex(n);
    }
    // The menus act on the selected slot and show what its device, runs
    // and connection ask for.
    ShowSlotMenus(link_, menus_);
    slot(n).frmDev->raise();
}

} // namespace ql
