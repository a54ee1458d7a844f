// LinkHost as the reply decoder sees it: the slot's panel and grid, the
// menus and the curves.
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

} // namespace ql
