// frmMain: layout, minimising to the tray, the information lists' clock and news
// lines, the other windows and the message window.
#include "app/mainwindow.h"

#include "app/mainparts.h"
#include "app/slotlayout.h"
#include "platform/prompter.h"
#include "platform/settings.h"

#include <QDate>
#include <QEventLoop>
#include <QListWidget>
#include <QStyle>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>

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
    if (slots_.count() == 0 || closing_)
        return;
    const int W = tw(client_->width());
    const int H = tw(client_->height());
    tlbSys->move(px(toolbarLeftTwips()), 0);
    tabDev->setGeometry(0, 0, px(W), tabDev->sizeHint().height());

    const bool minimised = isMinimized();
    if (!minimised) {
        for (int i = 0; i < slots_.count(); ++i)
            if (!LayoutSlot(slot(i), W, H))
                return;  // smaller than the fixed margins: keep what is set
    }

    if (minimised && !minDispShown_) {
        minDispShown_ = true;
        const bool meter = hooks.meterOpen && hooks.meterOpen();
        if (settings().FloatDisp && slot(link_.CurDev).Panel->Conn() && !meter && hooks.showDisp)
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
    } else if (!minimised && minDispShown_) {
        minDispShown_ = false;
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
    minDispShown_ = false;
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
    // The date as the error log writes it: the same numbers in every locale.
    slot(link_.CurDev)
        .setInfoText(0, QLatin1Char(' ') + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                            QLatin1Char(' ') + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                            QStringLiteral("  ") + FwText);
}

void frmMain::Timer4_Timer()
{
    if (MarqPos == 0)
        MarqPos = 1;
    slot(link_.CurDev).setInfoText(0, QLatin1Char(' ') + MarqueeText.mid(MarqPos - 1));
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
        bool news = false;
        slots_.forEach(
            [&](const SlotView& s) { news = news || watched == s.lstInfo || watched == s.lstInfo->viewport(); });
        if (news)
            lstInfo_NewsClick();
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

void frmMain::waitWithTabsLocked(const QString& name, const std::function<QWidget*()>& open)
{
    QWidget* w = open ? open() : nullptr;
    registerWindow(name, w);
    tabDev->setEnabled(false);
    DlgDone = false;
    ShowAndWait(w);
    unlockTabs();
}

void frmMain::unlockTabs()
{
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
