// LinkHost as the reply decoder sees it: the menus, and the slot's panel,
// run grid and chart showing what the decoder put in the slot's records.
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

#include <QListWidget>
#include <QTimer>

namespace ql {

// ---- RecvViewIf: the slot's records rendered

void LinkHost::ShowLayout(int slot)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].Panel->setDev2S(w_.link_.slot[size_t(slot)].Dev2S);
}

void LinkHost::ShowModeList(int slot)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].Panel->ShowModeList();
}

void LinkHost::ShowMode(int slot, int chn)
{
    if (!exists(slot))
        return;
    const SlotState& s = w_.link_.slot[size_t(slot)];
    const int mode = s.chn.at(size_t(chn)).ChnMode;
    w_.slots_[size_t(slot)].Panel->setTMode(mode >= 0 && mode < s.ModeList.size() ? Lang(s.ModeList.at(mode))
                                                                                  : QString());
}

void LinkHost::ShowTabs(int slot)
{
    if (!exists(slot))
        return;
    DevCtrl* p = w_.slots_[size_t(slot)].Panel;
    p->TabClear();
    for (const TestTab& t : w_.link_.slot[size_t(slot)].Tabs)
        p->TabAdd(t.position, t.key);
}

void LinkHost::ShowDeviceName(int slot, int chn)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].gridRun->setTextMatrix(chn + 1, 0, w_.link_.ch(slot, chn).DevName);
}

void LinkHost::setAxesY1Txt(int slot, const QString& text)
{
    if (exists(slot))
        w_.slots_[size_t(slot)].Chart->setAxesY1Txt(text);
}

// ---- RecvHostIf

void LinkHost::setMenuVisible(MenuId id, bool visible) { menus_.setVisible(id, visible); }
void LinkHost::setMenuEnabled(MenuId id, bool enabled) { menus_.setEnabled(id, enabled); }

int LinkHost::DevCount() const { return w_.devCount_; }
void LinkHost::InitChnCurves(int slot) { initChnCurves(slot); }
void LinkHost::InitAutoTest(int slot) { w_.InitAutoTest(slot); }

void LinkHost::SetupModeFields(int slot, int chn)
{
    if (!exists(slot))
        return;
    ql::SetupModeFields(w_.link_, slot, chn, *w_.slots_[size_t(slot)].Panel,
                        [this](int s, int c) { w_.showCapacity(s, c); });
}

} // namespace ql
