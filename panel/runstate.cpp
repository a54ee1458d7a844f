#include "panel/runstate.h"

#include "link/state.h"
#include "panel/devctrl.h"

namespace ql {

namespace {
// Menu entries switched with the run state, in the order they are written.
const char* const kRunMenus[] = {"menuSwSet", "menuOpenCfg", "menuSaveCfg", "menuOpenData", "menuSaveData",
                                 "menuClear", "menuCurve",   "menuRes",     "menuQc"};
} // namespace

void SetRunState(bool idle, int slot, DevCtrl& panel, const LinkState& state, MenuEnableIf* menus)
{
    const SlotState& s = state.slot.at(size_t(slot));
    const bool stepBusy = s.StepRunning;

    if (!idle) {
        panel.setRunEnable(false);
        panel.setContEnable(false);
        panel.setStopEnable(true);
        // Adjusting a running test is offered in the first mode only.
        const int c = panel.ChnIndex();
        if (s.chn.at(size_t(c)).ChnMode == 0 && !stepBusy)
            panel.setSetEnable(true);
        panel.setModeEnable(false);
        panel.setMonitorEnable(false);
        if (menus)
            for (const char* m : kRunMenus)
                menus->setMenuEnabled(QString::fromLatin1(m), false);
        return;
    }

    panel.setRunEnable(true);
    panel.setStopEnable(false);
    panel.setContEnable(true);
    panel.setSetEnable(false);
    if (stepBusy)
        return;  // between the steps of a step test
    panel.setModeEnable(true);
    panel.setMonitorEnable(true);
    if (!menus)
        return;
    const bool conn = panel.Conn();
    for (const char* m : kRunMenus) {
        const QString name = QString::fromLatin1(m);
        const bool cfg = name == QLatin1String("menuOpenCfg") || name == QLatin1String("menuSaveCfg");
        menus->setMenuEnabled(name, cfg ? conn : true);
    }
}

void SetAdjButtons(bool idle, AdjButtonsIf& adj)
{
    adj.setAdjButtonEnabled(QStringLiteral("cmdVL"), idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdVH"), idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdCL"), !idle);
    adj.setAdjButtonEnabled(QStringLiteral("cmdCH"), !idle);
}

void ShowMsg(const QString& text, bool promptMsg, MessageWindowIf& window)
{
    if (promptMsg)
        window.ShowMessage(text);
}

} // namespace ql
