#include "app/linkhost.h"

#include "app/mainwindow.h"
#include "app/prompter.h"
#include "controls/curvegraph.h"
#include "link/frames.h"
#include "panel/flexgrid.h"
#include "panel/modesetup.h"
#include "panel/seqpanel.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/datafile.h"
#include "views/readouts.h"

#include <QAction>
#include <QListWidget>
#include <QTimer>

namespace ql {

// ------------------------------------------------------------------ views

QString RunGridView::text(int row, int col) const { return g_->TextMatrix(row, col); }
void RunGridView::setText(int row, int col, const QString& text) { g_->setTextMatrix(row, col, text); }
void RunGridView::setCellBackColor(int row, int col, int32_t colorref) { g_->setCellBackColor(row, col, colorref); }

int RunChartView::CurveCount() const { return c_->CurveCount(); }
void RunChartView::setCurveCount(int n) { c_->setCurveCount(n); }
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
QString RunChartView::TitleText() const { return c_->TitleText(); }
void RunChartView::setLegendText(int curve, const QString& text) { c_->setLegendText(curve, text); }
int32_t RunChartView::CurveLineColor(int curve) const { return int32_t(c_->CurveLineColor(curve)); }
void RunChartView::setCurveLineColor(int curve, int32_t colorref) { c_->setCurveLineColor(curve, uint32_t(colorref)); }
int RunChartView::CurveAxesY(int curve) const { return c_->CurveAxesY(curve); }
void RunChartView::setCurveAxesY(int curve, int axis) { c_->setCurveAxesY(curve, axis); }
bool RunChartView::ShowCurve(int curve) const { return c_->ShowCurve(curve); }
void RunChartView::setShowCurve(int curve, bool on) { c_->setShowCurve(curve, on); }
void RunChartView::setShowLegend(int curve, bool on) { c_->setShowLegend(curve, on); }

QString RunInfoView::line(int i) const
{
    QListWidgetItem* item = i >= 0 ? l_->item(i) : nullptr;
    return item ? item->text() : QString();
}

void RunInfoView::setLine(int i, const QString& text)
{
    if (QListWidgetItem* item = i >= 0 ? l_->item(i) : nullptr)
        item->setText(text);
}

void RunInfoView::addLine(const QString& text)
{
    l_->addItem(text);
    l_->scrollToBottom();
}

// ------------------------------------------------------------------ host

LinkHost::LinkHost(frmMain& w) : w_(w) {}
LinkHost::~LinkHost() = default;

void LinkHost::addSlot(int slot)
{
    DevSlot& s = w_.slots_.at(size_t(slot));
    Views& v = views_.at(size_t(slot));
    v.grid = std::make_unique<RunGridView>(s.gridRun);
    v.chart = std::make_unique<RunChartView>(s.Chart);
    v.info = std::make_unique<RunInfoView>(s.lstInfo);
}

bool LinkHost::exists(int slot) const
{
    return slot >= 0 && slot < w_.devCount_ && slot < kMaxDevices && w_.slots_[size_t(slot)].Panel;
}

// ---- RecvHostIf

RecvPanelIf* LinkHost::recvPanel(int slot) { return exists(slot) ? w_.slots_[size_t(slot)].Panel : nullptr; }

void LinkHost::setGridText(int slot, int row, int col, const QString& text)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].gridRun->setTextMatrix(row, col, text);
}

void LinkHost::setAxesY1Txt(int slot, const QString& text)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].Chart->setAxesY1Txt(text);
}

void LinkHost::setMenuVisible(const QString& name, bool visible)
{
    if (QAction* a = w_.findChild<QAction*>(name))
        a->setVisible(visible);
}

void LinkHost::setMenuEnabled(const QString& name, bool enabled)
{
    if (QAction* a = w_.findChild<QAction*>(name))
        a->setEnabled(enabled);
}

int LinkHost::DevCount() const { return w_.devCount_; }
void LinkHost::InitChnCurves(int slot) { w_.tracker_.InitChnCurves(slot); }
void LinkHost::InitAutoTest(int slot) { w_.InitAutoTest(slot); }

void LinkHost::SetupModeFields(int slot, int chn)
{
    if (!exists(slot))
        return;
    ql::SetupModeFields(w_.link_, slot, chn, *w_.slots_[size_t(slot)].Panel,
                        [this](int s, int c) { w_.showCapacity(s, c); });
}

// ---- RecvTimersIf

bool LinkHost::ConnEnabled(int slot) const { return exists(slot) && w_.slots_[size_t(slot)].tmrConn->isActive(); }

void LinkHost::StopConn(int slot)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].tmrConn->stop();
}

void LinkHost::RecvStarted(int slot)
{
    // Enabling a running timer keeps its rhythm: the lamp goes out its
    // period after it was lit, not after the last start byte.
    if (exists(slot) && !w_.slots_[size_t(slot)].tmrRecv->isActive())
        w_.slots_[size_t(slot)].tmrRecv->start();
}

// ---- RunHostIf

RunPanelIf* LinkHost::panel(int slot) { return w_.slots_.at(size_t(slot)).Panel; }
RunGridIf* LinkHost::grid(int slot) { return views_.at(size_t(slot)).grid.get(); }
RunChartIf* LinkHost::chart(int slot) { return views_.at(size_t(slot)).chart.get(); }
RunInfoIf* LinkHost::info(int slot) { return views_.at(size_t(slot)).info.get(); }

bool LinkHost::AutoSave() const { return settings().AutoSave; }
bool LinkHost::SaveCsv() const { return settings().SaveCsv; }
bool LinkHost::AutoScale() const { return settings().AutoScale; }
bool LinkHost::ShowLabel() const { return settings().ShowLabel; }
bool LinkHost::MenuTemp() const { return w_.menuTemp->isChecked(); }
int LinkHost::CurDev() const { return w_.curDev_; }

int32_t LinkHost::ChannelColor(bool current) const
{
    const Settings& s = settings();
    return current ? s.CurColor[1] : s.VolColor[1];
}

void LinkHost::SetRunState(bool idle, int slot) { w_.SetRunState(idle, slot); }
void LinkHost::SetAdjButtons(bool enable) { ql::SetAdjButtons(enable, *this); }
void LinkHost::ShowMsg(const QString& text) { w_.ShowMsg(text); }

void LinkHost::ShowCritical(const QString& text)
{
    prompter().Message(text, Lang(QStringLiteral("Prompt")), Prompter::OkOnly, Prompter::Critical);
}

void LinkHost::SetFwText(const QString& text) { w_.FwText = text; }

void LinkHost::SaveDataFile(int slot, int chn, const QString& path)
{
    ql::SaveDataFile(w_.link_, *this, slot, chn, path);
}

void LinkHost::SendStart(int slot, int chn, int kind) { ql::SendStart(w_.link_, slot, chn, kind); }
void LinkHost::SendStop(int slot, int chn) { ql::SendStop(w_.link_, slot, chn); }
void LinkHost::SendTime(int slot, int chn) { ql::SendTime(w_.link_, slot, chn); }
void LinkHost::TmrStart(int slot, int chn) { w_.ticker_.TmrStart(slot, chn); }
void LinkHost::TmrStop(int slot, int chn) { w_.ticker_.TmrStop(slot, chn); }
void LinkHost::TmrResume(int slot, int chn) { w_.ticker_.TmrResume(slot, chn); }
void LinkHost::TmrPause(int slot, int chn) { w_.ticker_.TmrPause(slot, chn); }

void LinkHost::SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs)
{
    w_.ticker_.SetCounters(slot, chn, tickSecs, runSecs);
}

bool LinkHost::MinDispShown() const { return w_.MinDispShown; }

void LinkHost::ShowDisp(const ReadoutValues& v)
{
    if (w_.hooks.dispValues)
        w_.hooks.dispValues(v);
}

bool LinkHost::MeterOpen() const { return w_.hooks.meterOpen && w_.hooks.meterOpen(); }
bool LinkHost::UsbOpen() const { return w_.link_.UsbOpen; }

void LinkHost::ShowMeter()
{
    if (w_.hooks.showMeter)
        w_.hooks.showMeter(true);
}

void LinkHost::HideMeter()
{
    if (w_.hooks.showMeter)
        w_.hooks.showMeter(false);
}

void LinkHost::UnloadMeter() { w_.readouts().unloadMeter(); }

void LinkHost::SetMeter(const ReadoutValues& v)
{
    if (w_.hooks.meterValues)
        w_.hooks.meterValues(v);
}

// ---- AdjButtonsIf

void LinkHost::setAdjButtonEnabled(const QString& name, bool enabled)
{
    if (w_.hooks.setAdjButtonEnabled)
        w_.hooks.setAdjButtonEnabled(name, enabled);
}

// ------------------------------------------------------------------ sequencers

SeqHost::SeqHost(frmMain& w) : w_(w) {}
SeqHost::~SeqHost() = default;

SeqPanelIf* SeqHost::seqPanel(int slot)
{
    if (slot < 0 || slot >= kMaxDevices)
        return nullptr;
    return w_.slot(slot).Panel;
}

bool SeqHost::RunClick(int slot, int chn) { return w_.tracker().RunClick(slot, chn, RunCaller::Program); }
void SeqHost::StopClick(int slot, int chn) { w_.tracker().StopClick(slot, chn); }
void SeqHost::RemoteSet(int slot, float value) { ql::RemoteSet(w_.link(), slot, value); }
void SeqHost::TmrStop(int slot, int chn) { w_.host().TmrStop(slot, chn); }
void SeqHost::ChartClearAll(int slot) { w_.slot(slot).Chart->ClearAll(); }
void SeqHost::ChartYStep(int slot, bool on) { w_.slot(slot).Chart->setYStep(on); }

QString SeqHost::GridText(int slot, int row, int col) const
{
    return w_.slot(slot).gridRun->TextMatrix(row, col);
}

QString SeqHost::InfoLine(int slot, int line) const { return RunInfoView(w_.slot(slot).lstInfo).line(line); }
bool SeqHost::SaveCsv() const { return settings().SaveCsv; }

QString SeqHost::FileDialog(bool save, const QString& title, const QString& filter)
{
    return ql::FileDialog(save, title, filter, QString());
}

void SeqHost::Critical(const QString& text) { w_.host().ShowCritical(text); }

// ------------------------------------------------------------------ tools

int MainToolHost::CurDev() const { return w_.CurDev(); }
LinkState& MainToolHost::Link() { return w_.link(); }

DevCtrl* MainToolHost::Panel(int slot)
{
    return slot >= 0 && slot < kMaxDevices ? w_.slot(slot).Panel : nullptr;
}

CurveGraph* MainToolHost::Chart(int slot)
{
    return slot >= 0 && slot < kMaxDevices ? w_.slot(slot).Chart : nullptr;
}

void MainToolHost::DevCtrl_RunClick(int slot, int chn) { w_.DevCtrl_RunClick(slot, chn); }
void MainToolHost::DevCtrl_StopClick(int slot, int chn) { w_.DevCtrl_StopClick(slot, chn); }
void MainToolHost::RemoteSet(int slot, float value) { ql::RemoteSet(w_.link(), slot, value); }
void MainToolHost::RemoteSetOn(int slot, int chn, float value) { ql::RemoteSetOn(w_.link(), slot, chn, value); }
void MainToolHost::RemoteQC(int slot, int code) { ql::RemoteQC(w_.link(), slot, code); }
void MainToolHost::RemotePE(int slot, int direction) { ql::RemotePE(w_.link(), slot, direction); }

void MainToolHost::Message(const QString& text, Icon icon)
{
    MsgBox(text, QStringLiteral("Prompt"), Prompter::OkOnly,
           icon == Icon::Critical ? Prompter::Critical : Prompter::Information);
}

QString MainToolHost::Input(const QString& prompt, const QString& title, const QString& def, bool* ok)
{
    return prompter().Input(prompt, title, def, ok);
}

} // namespace ql
