#include "app/slotview.h"

#include "app/mainparts.h"
#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "link/comm.h"
#include "panel/autotest.h"
#include "panel/devctrl.h"
#include "panel/modesetup.h"
#include "panel/runstate.h"
#include "panel/seqpanel.h"
#include "platform/diskqueue.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/colorcells.h"
#include "views/datafile.h"

#include <QFrame>
#include <QListWidget>

namespace ql {

using mainparts::px;

// ------------------------------------------------------------------ chart

int RunChartView::CurveCount() const { return c_->CurveCount(); }
int RunChartView::DpCnt(int curve) const { return c_->DpCnt(curve); }
double RunChartView::DpX(int curve, int index) const { return c_->DpX(curve, index); }
double RunChartView::DpY(int curve, int index) const { return c_->DpY(curve, index); }
void RunChartView::AddXY(int curve, double x, double y) { c_->AddXY(curve, float(x), float(y)); }
void RunChartView::Clear(int curve) { c_->Clear(curve); }
void RunChartView::ClearAll() { c_->ClearAll(); }
double RunChartView::MinX() const { return c_->MinX(); }
void RunChartView::setMinX(double v) { c_->setMinX(float(v)); }
double RunChartView::MaxX() const { return c_->MaxX(); }
void RunChartView::setMaxX(double v) { c_->setMaxX(float(v)); }
double RunChartView::MinY(int axis) const { return c_->MinY(axis); }
void RunChartView::setMinY(int axis, double v) { c_->setMinY(axis, float(v)); }
double RunChartView::MaxY(int axis) const { return c_->MaxY(axis); }
void RunChartView::setMaxY(int axis, double v) { c_->setMaxY(axis, float(v)); }
void RunChartView::DrawCurve() { c_->DrawCurve(); }
void RunChartView::setYStep(bool on) { c_->setYStep(on); }
bool RunChartView::Large() const { return c_->Large(); }
void RunChartView::setLarge(bool on) { c_->setLarge(on); }
void RunChartView::setSize(bool on) { c_->setSize(on); }

// ------------------------------------------------------------------ slots

NoSlotView& NoSlotView::instance()
{
    static NoSlotView none;
    return none;
}

SlotView* SlotViews::at(int slot) const { return slot >= 0 && slot < count_ ? views_[size_t(slot)].get() : nullptr; }

SlotView& SlotViews::add(std::unique_ptr<SlotView> view)
{
    views_.at(size_t(count_)) = std::move(view);
    return *views_[size_t(count_++)];
}

// ------------------------------------------------------------------ set-up

SlotView::SlotView(int n, LinkState& link, MenuEnableIf& menus, AutoTest& autoTest, QWidget* parent,
                   std::chrono::milliseconds panelPeriod)
    : n_(n), link_(link), rec_(link.slot.at(size_t(n))), menus_(menus), autoTest_(autoTest)
{
    createWidgets(parent, panelPeriod);
    chart_ = RunChartView(Chart);
}

SlotView::~SlotView() = default;

void SlotView::createWidgets(QWidget* parent, std::chrono::milliseconds panelPeriod)
{
    frmDev = new QFrame(parent);
    frmDev->setObjectName(QStringLiteral("frmDev%1").arg(n_));
    frmDev->setFrameShape(QFrame::NoFrame);
    frmDev->setAutoFillBackground(true);
    frmDev->setGeometry(px(50), px(450), px(14000), px(9000));

    Panel = new DevCtrl(n_, frmDev, panelPeriod);
    Panel->adjustSize();
    Panel->setObjectName(QStringLiteral("DevCtrl%1").arg(n_));
    Panel->move(px(8000), px(150));
    Panel->setRecord(rec_);

    Chart = new CurveGraph(frmDev);
    Chart->setObjectName(QStringLiteral("CurveGraph%1").arg(n_));
    Chart->setGeometry(px(50), px(150), px(7800), px(6000));

    // A header row above the rows of data, no header column.
    auto grid = [this](const char* name, int rows, int cols) {
        auto* g = new FlexGrid(frmDev);
        g->setObjectName(QLatin1String(name) + QString::number(n_));
        g->setRows(rows);
        g->setCols(cols);
        g->setFixedRows(1);
        g->setFixedCols(0);
        return g;
    };
    gridRun = grid("gridRun", 3, 9);
    gridAutolist = grid("gridAutolist", 2, 4);

    lstInfo = new QListWidget(frmDev);
    lstInfo->setObjectName(QStringLiteral("lstInfo%1").arg(n_));
    lstInfo->setAcceptDrops(true);
    lstInfo->setProperty("slot", n_);

    AttachColorCells(gridRun, Chart, Panel);
    frmDev->show();
}

void SlotView::panelNoDevice()
{
    rec_.Dev2S = false;
    Panel->setDev2S(false);
    panelModesNoDevice();
}

void SlotView::panelModesNoDevice()
{
    rec_.ModeList.clear();  // the panel offers "No Device" alone
    Panel->ShowModeList();
    Panel->setTMode(QStringLiteral("No Device"));
    for (int c = 0; c < 2; ++c) {
        Panel->setTSval(c, QStringLiteral("00.00"));
        Panel->setTSlmt(c, QStringLiteral("00.00"));
        Panel->setTStim(c, QStringLiteral("0"));
    }
}

void SlotView::setupRunGrid(const SlotView* first)
{
    FlexGrid* g = gridRun;
    // The columns are sized to the grid's width and its three rows always
    // show: scroll bars would only cover the second channel's row.
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!first) {
        // The grid shows its nine columns and a header and two channel rows.
        g->resize(9 * px(g->ColWidth(2)), 3 * g->rowHeight(2) + 2 * g->frameWidth());
    } else {
        g->setGeometry(first->gridRun->geometry());
    }
    for (int c = 0; c < 7; ++c)
        g->setTextMatrix(0, c, QLatin1String(kRunHeaders[size_t(c)]));
    g->setTextMatrix(0, 7, QStringLiteral("Curve") + QStringLiteral("V"));
    g->setTextMatrix(0, 8, QStringLiteral("Curve") + QStringLiteral("A"));
    rec_.chn[0].DevName = QStringLiteral("No Device");
    g->setTextMatrix(1, 0, rec_.chn[0].DevName);
    if (first) {
        for (int c : {1, 7, 8, 6})
            g->setColWidth(c, first->gridRun->ColWidth(c));
    }
    g->setColWidth(7, 750);
    g->setColWidth(8, 750);
    g->setColWidth(0, 1300);
    g->setAllColAlignment(Qt::AlignCenter);
}

void SlotView::setTitleText(const QString& text)
{
    rec_.TitleText = text;
    Chart->setTitleText(text);
}

// The chart's look from the settings; colours of the voltage and current
// curves. A later slot takes slot 0's axes, curves and grid.
void SlotView::setupChart(const SlotView* first)
{
    const Settings& cfg = settings();
    const int vcol = cfg.VolColor[0];
    const int ccol = cfg.CurColor[0];
    CurveGraph* g = Chart;
    if (!first)
        g->setCurveCount(5);
    g->setTitleText(rec_.TitleText);
    g->setLegendText(0, Lang(QStringLiteral("Voltage")));
    g->setLegendText(1, Lang(QStringLiteral("Current")));
    g->setLegendText(2, Lang(QStringLiteral("Temp")));
    g->setCurveLineColor(0, uint32_t(vcol));
    g->setCurveLineColor(1, uint32_t(ccol));
    g->setCurveLineColor(2, g->CurveLineColor(1));
    if (!first) {
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
        const CurveGraph* g0 = first->Chart;
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
    Panel->setVolColor(uint32_t(vcol));
    Panel->setCurColor(uint32_t(ccol));
    gridRun->setCellBackColor(1, 7, vcol);
    gridRun->setCellBackColor(1, 8, ccol);
}

void SlotView::preferredPort(const QString& name)
{
    for (int i = 0; i < Panel->PortCnt(); ++i) {
        if (Panel->PortList(i) == name)
            Panel->setTPort(name);
    }
}

void SlotView::ScanPorts()
{
    // The list shows the free ports; the port field the first of them, and
    // stays as it is when there is none.
    const QStringList ports = ql::ScanPorts();
    Panel->PortClr();
    for (const QString& port : ports)
        Panel->PortAdd(port);
    if (!ports.isEmpty())
        Panel->setTPort(ports.first());
}

// ------------------------------------------------------------------ panel and window

void SlotView::ModeClick()
{
    const auto shown = ModeClicked(link_, n_, *Panel);
    for (int c = 0; c < kChanCount; ++c)
        Refresh(c, shown[size_t(c)]);
}

void SlotView::showAutolist(const QList<QStringList>* rows)
{
    if (rows) {
        Panel->hide();
        lstInfo->hide();
        FillAutolist(*gridAutolist, *rows);
        gridAutolist->show();
    } else {
        gridAutolist->hide();
        Panel->show();
        lstInfo->show();
    }
}

void SlotView::disconnectReset(bool lost)
{
    for (int i = 1; i <= 4; ++i)
        setInfoText(i, QString());
    endRunRows(lost);
    Panel->setRunEnable(false);
    Panel->setContEnable(false);
    Panel->setSetEnable(false);
    Panel->setMonitorEnable(false);
    Panel->setStopEnable(false);
    for (int c = 0; c < 2; ++c) {
        Panel->setTmrCurveEnable(c, false);
        Panel->setTmrShowEnable(c, false);
    }
    panelModesNoDevice();
}

void SlotView::setInfoText(int line, const QString& text)
{
    if (QListWidgetItem* item = line >= 0 ? lstInfo->item(line) : nullptr)
        item->setText(text);
}

void SlotView::AddInfoLine(const QString& text)
{
    lstInfo->addItem(text);
    lstInfo->scrollToBottom();
}

void SlotView::WriteDataFile(int chn, const QString& path, std::function<void(bool ok)> written)
{
    DataFileOptions o = DataFileOptionsOf(rec_, chn, link_.TempColumn);
    // The step-test results stand in the header, under the list's header
    // row, while the cycle-test page shows them and no step test runs.
    const auto& results = rec_.StepResults;
    if (Panel->Test() == 3 && !results.empty() && !results.front()[1].isEmpty() && !rec_.StepRunning) {
        o.stepRows << StepResultHeader();
        for (const auto& r : results)
            o.stepRows << QStringList(r.begin(), r.end());
    }
    const QStringList lines = DataFileLines(link_.ch(n_, o.chn), chart_, o);
    FileQueue().Post([path, lines](QString*) { return ql::WriteDataFile(path, lines); }, lstInfo,
                     [written](bool ok, const QString&) { written(ok); });
}

// ------------------------------------------------------------------ RecvViewIf

void SlotView::ShowLayout() { Panel->setDev2S(rec_.Dev2S); }
void SlotView::ShowModeList() { Panel->ShowModeList(); }

void SlotView::ShowMode(int chn)
{
    const int mode = rec_.chn.at(size_t(chn)).ChnMode;
    Panel->setTMode(mode >= 0 && mode < rec_.ModeList.size() ? Lang(rec_.ModeList.at(mode)) : QString());
}

void SlotView::ShowTabs()
{
    Panel->TabClear();
    for (const TestTab& t : rec_.Tabs)
        Panel->TabAdd(t.position, t.key);
}

void SlotView::ShowDeviceName(int chn) { gridRun->setTextMatrix(chn + 1, 0, rec_.chn.at(size_t(chn)).DevName); }
void SlotView::setAxesY1Txt(const QString& text) { Chart->setAxesY1Txt(text); }
void SlotView::InitAutoTest() { autoTest_.Init(n_); }
void SlotView::SetupModeFields(int chn) { Refresh(chn, ql::SetupModeFields(link_, n_, chn, *Panel)); }

// The two-channel legends, colours and curves of the chart and the second
// row of the run grid.
void SlotView::InitChnCurves()
{
    CurveGraph* chart = Chart;
    const Settings& cfg = settings();
    chart->setCurveCount(10);
    const char* words[3] = {"Voltage", "Current", "Temp"};
    for (int k = 0; k < 3; ++k) {
        chart->setLegendText(k, Lang(QString::fromLatin1(words[k]) + QLatin1Char('1')));
        chart->setLegendText(5 + k, Lang(QString::fromLatin1(words[k]) + QLatin1Char('2')));
    }
    chart->setCurveLineColor(5, uint32_t(cfg.VolColor[1]));
    chart->setCurveLineColor(6, uint32_t(cfg.CurColor[1]));
    chart->setCurveLineColor(7, chart->CurveLineColor(6));
    chart->setCurveAxesY(5, chart->CurveAxesY(0));
    chart->setCurveAxesY(6, chart->CurveAxesY(1));
    chart->setShowCurve(5, chart->ShowCurve(0));
    chart->setShowCurve(6, chart->ShowCurve(1));
    chart->setShowCurve(7, chart->ShowCurve(2));
    for (int k : {0, 1, 5, 6})
        chart->setShowLegend(k, cfg.ShowLabel);
    rec_.chn[1].DevName = Lang(QStringLiteral("No Device"));
    showRunCells(1);
    gridRun->setCellBackColor(2, 7, int32_t(chart->CurveLineColor(5)));
    gridRun->setCellBackColor(2, 8, int32_t(chart->CurveLineColor(6)));
}

// ------------------------------------------------------------------ RunViewIf

void SlotView::Refresh(int chn, unsigned parts)
{
    const ChanState& c = rec_.chn.at(size_t(chn));
    if (parts & Readouts) {
        Panel->setTVol(chn, c.VoltText);
        Panel->setTCur(chn, c.CurText);
        Panel->setTPwr(chn, c.PwrText);
    }
    if (parts & Fields)
        Panel->ShowFields(chn);
    if (parts & RunCells)
        showRunCells(chn);
    if (parts & Timers) {
        Panel->setTmrShowEnable(chn, c.ShowOn);
        Panel->setTmrCurveEnable(chn, c.CurveOn);
    }
}

void SlotView::showRunCells(int chn)
{
    const std::array<QString, 7> cells = RunRowTexts(rec_.chn.at(size_t(chn)));
    for (size_t k = 0; k < cells.size(); ++k)
        gridRun->setTextMatrix(chn + 1, int(k), cells[k]);
}

void SlotView::endRunRows(bool lost)
{
    for (int c = 0; c < kChanCount; ++c) {
        ChanState& ch = rec_.chn[size_t(c)];
        // No run of this program goes on: a run found going at the next
        // connect is taken up from its record.
        ch.HasBegin = ch.HasCutoff = ch.BeginIsNumber = false;
        ch.Monitoring = false;
        if (lost)
            continue;
        if (c == 0 || rec_.Dev2S)
            ch.DevName = Lang(QStringLiteral("No Device"));
        ch.ModeCell.clear();
        ch.BeginCell.clear();
        ch.CutoffCell.clear();
        ch.CapCell.clear();
        ch.EnergyCell.clear();
        ch.AvgCell.clear();
        showRunCells(c);
    }
}

void SlotView::ShowTime(int chn, const QString& text) { Panel->setTTime(chn, text); }
void SlotView::SetRunState(bool idle) { ql::SetRunState(idle, n_, *Panel, link_, &menus_); }

} // namespace ql
