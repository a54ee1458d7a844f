// SeqHost: the main window as the auto-test and step-test sequencers see it,
// and the run commands shared with the tools.
#include "app/seqhost.h"

#include "app/mainwindow.h"
#include "controls/curvegraph.h"
#include "link/frames.h"

namespace ql {

// ------------------------------------------------------------------ commands

bool MainCommands::DevCtrl_RunClick(int slot, int chn, RunCaller caller)
{
    return w_.tracker_.RunClick(slot, chn, caller);
}

void MainCommands::DevCtrl_StopClick(int slot, int chn) { w_.DevCtrl_StopClick(slot, chn); }
void MainCommands::RemoteSet(int slot, int chn, float value)
{
    if (ql::RemoteSetOn(w_.link(), slot, chn, value))
        w_.host_->Refresh(slot, chn, RunViewIf::Fields);
}
void MainCommands::RemoteQC(int slot, int code) { ql::RemoteQC(w_.link(), slot, code); }
void MainCommands::RemotePE(int slot, int direction) { ql::RemotePE(w_.link(), slot, direction); }

// ------------------------------------------------------------------ sequencers

SeqPanelIf* SeqHost::panel(int slot) const
{
    if (slot < 0 || slot >= kMaxDevices)
        return nullptr;
    return w_.slot(slot).Panel;
}

AutoPageIf* SeqHost::autoPage(int slot) { return panel(slot); }
StepPageIf* SeqHost::stepPage(int slot) { return panel(slot); }
RunFieldsIf* SeqHost::fields(int slot) { return panel(slot); }
void SeqHost::TmrStop(int slot, int chn) { w_.ticker_.TmrStop(slot, chn); }
void SeqHost::ChartClearAll(int slot) { w_.slot(slot).Chart->ClearAll(); }
void SeqHost::ChartYStep(int slot, bool on) { w_.slot(slot).Chart->setYStep(on); }
QString SeqHost::DevName(int slot, int chn) const { return w_.link().ch(slot, chn).DevName; }
bool SeqHost::Monitoring(int slot, int chn) const { return w_.link().ch(slot, chn).Monitoring; }

}  // namespace ql
