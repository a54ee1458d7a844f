// LinkHost as the reply decoder sees it: the slot's panel and grid, the
// menus, the curves and the link timers.
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

#include <QListWidget>
#include <QTimer>

namespace ql {

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

void LinkHost::setMenuVisible(MenuId id, bool visible) { menus_.setVisible(id, visible); }
void LinkHost::setMenuEnabled(MenuId id, bool enabled) { menus_.setEnabled(id, enabled); }

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
    if (exists(slot)) {
        w_.slots_[size_t(slot)].tmrConn->stop();
        w_.link_.slot[size_t(slot)].Connecting = false;
    }
}

void LinkHost::RecvStarted(int slot)
{
    // Enabling a running timer keeps its rhythm: the lamp goes out its
    // period after it was lit, not after the last start byte.
    if (exists(slot) && !w_.slots_[size_t(slot)].tmrRecv->isActive())
        w_.slots_[size_t(slot)].tmrRecv->start();
}

} // namespace ql
