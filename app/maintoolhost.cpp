// MainToolHost: the main window as the tool windows see it.
#include "app/maintoolhost.h"

#include "app/mainwindow.h"

namespace ql {

DevCtrl* MainToolHost::panel(int slot) const { return slot >= 0 && slot < kMaxDevices ? w_.slot(slot).Panel : nullptr; }

int MainToolHost::CurDev() const { return w_.CurDev(); }
LinkState& MainToolHost::Link() { return w_.link(); }

CurveGraph* MainToolHost::Chart(int slot) { return slot >= 0 && slot < kMaxDevices ? w_.slot(slot).Chart : nullptr; }

RunFieldsIf* MainToolHost::Fields(int slot) { return panel(slot); }
bool MainToolHost::Dev2S(int slot) const { return panel(slot) && w_.link().slot.at(size_t(slot)).Dev2S; }

void MainToolHost::setChnEnable(int slot, bool on)
{
    if (DevCtrl* p = panel(slot))
        p->setChnEnable(on);
}

QString MainToolHost::PortText(int slot) const
{
    const DevCtrl* p = panel(slot);
    return p ? p->tPort() : QString();
}

QString MainToolHost::VoltText(int slot, int chn) const
{
    return panel(slot) ? w_.link().ch(slot, chn).VoltText : QString();
}

}  // namespace ql
