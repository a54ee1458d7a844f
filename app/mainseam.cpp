// frmMain::Seam: the menu entries, toolbar buttons and timers by name.
#include "app/mainseam.h"

#include <QAction>
#include <QToolBar>

#include <utility>

namespace ql {

QAction* frmMain::Seam::action(const QString& name) const
{
    static constexpr std::pair<const char*, QAction * frmMain::*> kEntries[] = {
        {"menuOpenCfg", &frmMain::menuOpenCfg},   {"menuSaveCfg", &frmMain::menuSaveCfg},
        {"menuOpenData", &frmMain::menuOpenData}, {"menuSaveData", &frmMain::menuSaveData},
        {"menuSavePic", &frmMain::menuSavePic},   {"menuCapture", &frmMain::menuCapture},
        {"menuExit", &frmMain::menuExit},         {"menuAddDev", &frmMain::menuAddDev},
        {"menuAdj", &frmMain::menuAdj},           {"menuUpdate", &frmMain::menuUpdate},
        {"menuClear", &frmMain::menuClear},       {"menuSearch", &frmMain::menuSearch},
        {"menuRes", &frmMain::menuRes},           {"menuQc", &frmMain::menuQc},
        {"menuUsb", &frmMain::menuUsb},           {"menuTitle", &frmMain::menuTitle},
        {"menuCurve", &frmMain::menuCurve},       {"menuShow", &frmMain::menuShow},
        {"menuTemp", &frmMain::menuTemp},         {"menuSwSet", &frmMain::menuSwSet},
        {"menuSimp", &frmMain::menuSimp},         {"menuUnSimp", &frmMain::menuUnSimp},
        {"menuHelp", &frmMain::menuHelp},         {"menuAbout", &frmMain::menuAbout},
        {"menuCDT", &frmMain::menuCDT},           {"menuZin", &frmMain::menuZin},
        {"menuZout", &frmMain::menuZout},
    };
    for (const auto& [entry, member] : kEntries)
        if (name == QLatin1String(entry))
            return w_.*member;
    return nullptr;
}

QAction* frmMain::Seam::tool(const QString& key) const
{
    for (QAction* a : w_.tlbSys->actions())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

QTimer* frmMain::Seam::timer(int n) const
{
    switch (n) {
    case 1: return w_.Timer1;
    case 2: return w_.Timer2;
    case 3: return w_.Timer3;
    case 4: return w_.Timer4;
    default: return nullptr;
    }
}

}  // namespace ql
