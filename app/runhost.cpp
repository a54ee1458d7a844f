// LinkHost as the run tracker sees it: the slot's panel, run grid, chart
// and information list shown from the records, run commands, counters and
// floating readouts.
#include "app/linkhost.h"

#include "app/mainwindow.h"
#include "app/prompter.h"
#include "controls/curvegraph.h"
#include "link/frames.h"
#include "panel/devctrl.h"
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

// ---- RunViewIf

void LinkHost::Refresh(int slot, int chn, unsigned parts)
{
    if (!exists(slot))
        return;
    DevCtrl* p = w_.slots_[size_t(slot)].Panel;
    const SlotState& s = w_.link_.slot[size_t(slot)];
    const ChanState& c = s.chn.at(size_t(chn));
    if (parts & Readouts) {
        p->setTVol(chn, c.VoltText);
        p->setTCur(chn, c.CurText);
        p->setTPwr(chn, c.PwrText);
    }
    if (parts & Fields)
        p->ShowFields(chn);
    if (parts & RunCells)
        showRunCells(slot, chn);
    if (parts & Timers) {
        p->setTmrShowEnable(chn, c.ShowOn);
        p->setTmrCurveEnable(chn, c.CurveOn);
    }
}

void LinkHost::showRunCells(int slot, int chn)
{
    FlexGrid* g = w_.slots_[size_t(slot)].gridRun;
    const std::array<QString, 7> cells = RunRowTexts(w_.link_.ch(slot, chn));
    for (size_t k = 0; k < cells.size(); ++k)
        g->setTextMatrix(chn + 1, int(k), cells[k]);
}

void LinkHost::EndRunRows(int slot, bool lost)
{
    SlotState& s = w_.link_.slot.at(size_t(slot));
    for (int c = 0; c < kChanCount; ++c) {
        ChanState& ch = s.chn[size_t(c)];
        // No run of this program goes on: a run found going at the next
        // connect is taken up from its record.
        ch.HasBegin = ch.HasCutoff = ch.BeginIsNumber = false;
        ch.Monitoring = false;
        if (lost)
            continue;
        if (c == 0 || s.Dev2S)
            ch.DevName = Lang(QStringLiteral("No Device"));
        ch.ModeCell.clear();
        ch.BeginCell.clear();
        ch.CutoffCell.clear();
        ch.CapCell.clear();
        ch.EnergyCell.clear();
        ch.AvgCell.clear();
        if (exists(slot))
            showRunCells(slot, c);
    }
}

void LinkHost::initChnCurves(int slot)
{
    if (!exists(slot))
        return;
    CurveGraph* chart = w_.slots_[size_t(slot)].Chart;
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
    w_.link_.ch(slot, 1).DevName = Lang(QStringLiteral("No Device"));
    showRunCells(slot, 1);
    FlexGrid* grid = w_.slots_[size_t(slot)].gridRun;
    grid->setCellBackColor(2, 7, int32_t(chart->CurveLineColor(5)));
    grid->setCellBackColor(2, 8, int32_t(chart->CurveLineColor(6)));
}

void LinkHost::ShowTime(int slot, int chn, const QString& text)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].Panel->setTTime(chn, text);
}

void LinkHost::SetInfoLine(int slot, int line, const QString& text)
{
    if (exists(slot))
        views_[size_t(slot)].info->setLine(line, text);
}

void LinkHost::AddInfoLine(int slot, const QString& text)
{
    if (exists(slot))
        views_[size_t(slot)].info->addLine(text);
}

RunChartIf* LinkHost::chart(int slot) { return views_.at(size_t(slot)).chart.get(); }
bool LinkHost::MenuTemp() const { return w_.menuTemp->isChecked(); }

void LinkHost::SetRunState(bool idle, int slot) { w_.SetRunState(idle, slot); }
void LinkHost::SetAdjButtons(bool enable) { ql::SetAdjButtons(enable, *this); }
void LinkHost::ShowMsg(const QString& text) { w_.ShowMsg(text); }

void LinkHost::SetFwText(const QString& text) { w_.FwText = text; }

bool LinkHost::SaveDataFile(int slot, int chn, const QString& path) { return WriteDataFile(slot, chn, path); }

bool LinkHost::WriteDataFile(int slot, int chn, const QString& path)
{
    const SlotState& s = w_.link_.slot.at(size_t(slot));
    DataFileOptions o = DataFileOptionsOf(s, chn, MenuTemp());
    const DevSlot& d = w_.slots_.at(size_t(slot));
    // The step-test results stand in the header, under the list's header
    // row, while the cycle-test page shows them and no step test runs.
    const auto& results = s.StepResults;
    if (d.Panel->Test() == 3 && !results.empty() && !results.front()[1].isEmpty() && !s.StepRunning) {
        o.stepRows << StepResultHeader();
        for (const auto& r : results)
            o.stepRows << QStringList(r.begin(), r.end());
    }
    return ql::SaveDataFile(w_.link_, slot, *views_.at(size_t(slot)).chart, o, path);
}

// ---- RunLinkIf

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

// ---- ReadoutWindowsIf

bool LinkHost::MinDispShown() const { return w_.MinDispShown; }

void LinkHost::ShowDisp(const ReadoutValues& v)
{
    if (w_.hooks.dispValues)
        w_.hooks.dispValues(v);
}

bool LinkHost::MeterOpen() const { return w_.hooks.meterOpen && w_.hooks.meterOpen(); }

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

} // namespace ql
