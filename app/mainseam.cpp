// frmMain::Seam: the menu entries, toolbar buttons and timers by name.
#include "app/mainseam.h"

#include <QAction>
#include <QToolBar>

namespace ql {

QAction* frmMain::Seam::action(const QString& name) const
{
    // Every menu entry carries its name; menus and toolbar buttons have
    // other names.
    return name.startsWith(QLatin1String("menu")) ? w_.findChild<QAction*>(name) : nullptr;
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
