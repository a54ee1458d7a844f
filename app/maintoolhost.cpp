// MainToolHost: the main window as the tool windows see it.
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

} // namespace ql
