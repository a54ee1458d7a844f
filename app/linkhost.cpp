#include "app/linkhost.h"

#include "app/mainwindow.h"
#include "app/prompter.h"
#include "controls/curvegraph.h"
#include "link/frames.h"
#include "controls/flexgrid.h"
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
    v.chart = std::make_unique<RunChartView>(s.Chart);
    v.info = std::make_unique<RunInfoView>(s.lstInfo);
}

bool LinkHost::exists(int slot) const
{
    return slot >= 0 && slot < w_.devCount_ && slot < kMaxDevices && w_.slots_[size_t(slot)].Panel;
}

// ---- AdjButtonsIf

void LinkHost::setAdjButtonEnabled(const QString& name, bool enabled)
{
    if (w_.hooks.setAdjButtonEnabled)
        w_.hooks.setAdjButtonEnabled(name, enabled);
}

} // namespace ql
