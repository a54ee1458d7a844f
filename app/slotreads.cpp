#include "app/slotreads.h"

#include "app/linkhost.h"
#include "app/mainwindow.h"
#include "panel/flexgrid.h"

namespace ql {

QString ShownDevName(frmMain& w, int slot, int chn) { return w.slot(slot).gridRun->TextMatrix(chn + 1, 0); }
bool ShownDev2S(frmMain& w, int slot) { return w.slot(slot).Panel->Dev2S(); }

bool ShownMonitoring(frmMain& w, int slot, int chn)
{
    return !RunInfoView(w.slot(slot).lstInfo).line(3 + chn).isEmpty();
}

QString ShownVoltText(frmMain& w, int slot, int chn) { return w.slot(slot).Panel->tVol(chn); }

}  // namespace ql
