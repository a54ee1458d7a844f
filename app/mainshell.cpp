// frmMain: layout, minimising to the tray, the information lists' clock and news
// lines, the other windows and the message window.
#include "app/mainwindow.h"
#include "app/mainparts.h"
#include "app/prompter.h"
#include "app/slotlayout.h"
#include "link/comm.h"
#include "link/frames.h"
#include "controls/flexgrid.h"
#include "panel/modesetup.h"
#include "panel/runstate.h"
#include "panel/seqpanel.h"
#include "panel/stepedit.h"
#include "views/colorcells.h"
#include "views/datafile.h"
#include "views/dataviewer.h"
#include "views/frmcurve.h"
#include "views/frmshow.h"
#include "views/paramfile.h"
#include "views/pictures.h"
#include "views/readouts.h"
#include "views/viewhost.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace ql {

using namespace mainparts;

// ------------------------------------------------------------------ layout

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool frmMain::trayAvailable() const
{
    return opts_.trayAvailable ? opts_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void frmMain::Form_Resize()
{
    if (devCount_ == 0 || closing_)
        return;
    const int W = tw(client_->width());
    const int H = tw(client_->height());
    tlbSys->move(px(toolbarLeftTwips()), 0);
    tabDev->setGeometry(0, 0, px(W), tabDev->sizeHint().height());

    const bool minimised = isMinimized();
    if (!minimised) {
        for (int i = 0; i < devCount_; ++i)
            if (!LayoutSlot(slots_[i], W, H))
                return;  // smaller than the fixed margins: keep what is set
    }

    if (minimised && !MinDispShown) {
        MinDispShown = true;
        const bool meter = hooks.meterOpen && hooks.meterOpen();
        if (settings().FloatDisp && slots_[link_.CurDev].Panel->Conn() && !meter && hooks.showDisp)
            hooks.showDisp(true);
        if (!settings().FloatDisp && meter && hooks.showMeter)
            hooks.showMeter(false);
        // Without a system tray a hidden window could never come back.
        if (settings().MinHide && trayAvailable()) {
            if (!tray_) {
                tray_ = new QSystemTrayIcon(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                                                  : windowIcon());
                connect(tray_, &QSystemTrayIcon::activated, this, &frmMain::trayActivated);
            }
            tray_->setToolTip(windowTitle());
            QTimer::singleShot(0, this, &QWidget::hide);
            tray_->show();
        }
    } else if (!minimised && MinDispShown) {
        MinDispShown = false;
        if (hooks.showDisp)
            hooks.showDisp(false);
        if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
            hooks.showMeter(true);
    }
}

void frmMain::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Any click on the icon brings the window back, whatever the switches
    // say now: the icon is the only way back to a hidden window.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (tray_)
        tray_->hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    MinDispShown = false;
    if (hooks.showDisp)
        hooks.showDisp(false);
    if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
        hooks.showMeter(true);
}

// ------------------------------------------------------------------ information list

void frmMain::Timer1_Timer()
{
    if (!NewsText.isEmpty()) {
        if (!Timer4->isActive())
            Timer4->start();
        MarqueeText = QString(40, QLatin1Char(' ')) + NewsText;
        return;
    }
    Timer4->stop();
    QListWidget* list = slots_[link_.CurDev].lstInfo;
    if (list->count() == 0)
        return;
    const QLocale loc = QLocale::system();
    list->item(0)->setText(QLatin1Char(' ') + loc.toString(QDate::currentDate(), QLocale::ShortFormat) +
                           QLatin1Char(' ') + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                           QStringLiteral("  ") + FwText);
}

void frmMain::Timer4_Timer()
{
    if (MarqPos == 0)
        MarqPos = 1;
    QListWidget* list = slots_[link_.CurDev].lstInfo;
    if (list->count() > 0)
        list->item(0)->setText(QLatin1Char(' ') + MarqueeText.mid(MarqPos - 1));
    ++MarqPos;
    if (MarqPos > MarqueeText.size() + 1)
        MarqPos = 1;
}

void frmMain::lstInfo_NewsClick()
{
    if (NewsText.isEmpty())
        return;
    NewsText.clear();
    if (!NewsUrl.isEmpty()) {
        prompter().OpenUrl(NewsUrl);
        NewsUrl.clear();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::Drop) {
        for (int i = 0; i < devCount_; ++i) {
            QListWidget* l = slots_[i].lstInfo;
            if (l && (watched == l || watched == l->viewport())) {
                lstInfo_NewsClick();
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------------ dialogs

void frmMain::registerWindow(const QString& name, QWidget* w)
{
    if (w)
        windows_[name] = w;
}

QWidget* frmMain::otherWindow(const QString& name) const
{
    if (name == QLatin1String("frmMsg"))
        return msg_;
    if (name == QLatin1String("frmAbout"))
        return about_;
    if (name == QLatin1String("frmSw"))
        return sw_;
    auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->second.data();
}

void frmMain::ShowAndWait(QWidget* w)
{
    if (!w)
        return;
    QPointer<QWidget> guard(w);
    QEventLoop loop;
    CloseWatcher watcher(w, &loop);
    w->show();
    if (guard && guard->isVisible())
        loop.exec();
    if (guard)
        guard->removeEventFilter(&watcher);
}

void frmMain::waitWithTabsLocked(QWidget* w)
{
    tabDev->setEnabled(false);
    DlgDone = false;
    ShowAndWait(w);
    DlgDone = true;
    tabDev->setEnabled(true);
}

void frmMain::ShowMsg(const QString& text)
{
    if (!settings().PromptMsg)
        return;
    if (!msg_) {
        // A window of its own, not a child: closing the program fades it out
        // and the program ends when it has gone.
        msg_ = new frmMsg(nullptr);
        msg_->setAttribute(Qt::WA_DeleteOnClose);
    }
    msg_->show();
    msg_->setText(text);
}

} // namespace ql
