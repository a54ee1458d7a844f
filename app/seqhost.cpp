// SeqHost: the main window as the auto-test and step-test sequencers see it.
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
} // namespace ql
