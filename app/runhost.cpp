// LinkHost as the run tracker sees it: the slot's views, options, run
// commands, counters and floating readouts.
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

} // namespace ql
