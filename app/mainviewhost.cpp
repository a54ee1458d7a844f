// MainViewHost: the main window as the views see it.
#include "app/mainviewhost.h"

#include "app/mainwindow.h"

#include <QAction>
#include <QFrame>

namespace ql {

QWidget* MainViewHost::window() const { return &w_; }
int MainViewHost::DevCount() const { return w_.DevCount(); }
int MainViewHost::CurDev() const { return w_.CurDev(); }
DevCtrl* MainViewHost::panel(int slot) const { return w_.slot(slot).Panel; }
CurveGraph* MainViewHost::chart(int slot) const { return w_.slot(slot).Chart; }
FlexGrid* MainViewHost::grid(int slot) const { return w_.slot(slot).gridRun; }
QWidget* MainViewHost::frame(int slot) const { return w_.slot(slot).frmDev; }
const LinkState& MainViewHost::link() const { return w_.link(); }
void MainViewHost::setTitleText(int slot, const QString& text) { w_.setTitleText(slot, text); }
QString MainViewHost::DevName(int slot, int chn) const { return w_.link().ch(slot, chn).DevName; }
bool MainViewHost::Dev2S(int slot) const { return w_.link().slot.at(size_t(slot)).Dev2S; }
QDateTime MainViewHost::now() const { return w_.tracker_.now ? w_.tracker_.now() : QDateTime::currentDateTime(); }

void MainViewHost::setMenuTemp(bool checked)
{
    if (w_.menuTemp)
        w_.menuTemp->setChecked(checked);
}

}  // namespace ql
