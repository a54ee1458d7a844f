// The main window's side of a slot's connection: Connect and Disconnect on
// the panel, a port that closes itself because the device is gone, and the
// slot's link timers (polling, connect repeat, receive lamp).
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "link/comm.h"
#include "link/frames.h"
#include "panel/flexgrid.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QListWidget>
#include <QTimer>

#include <utility>

namespace ql {

void frmMain::onPortLost(int n, const SerialPort* port)
{
    SlotState& st = link_.slot[n];
    if (!port || st.hComm.get() != port)
        return;  // a port this slot no longer holds
    // The port has closed itself and logged the cause. The device may well
    // go on with its test, but nothing of it reaches the program any more:
    // the slot goes back to "No Device" (no command can be sent) and says
    // which device was lost where. One Connect after replugging takes a run
    // up again from its record.
    const QString name = port->name();
    // The port object is released after the signal that brought us here.
    CommHandle gone = std::exchange(st.hComm, nullptr);
    QMetaObject::invokeMethod(this, [gone] {}, Qt::QueuedConnection);
    for (ChanState& c : st.chn) {
        c.Running = false;
        c.ContWait = false;
    }
    disconnectReset(n);
    DevSlot& s = slots_.at(n);
    s.tmrRecv->stop();
    s.Panel->setLedRecv(false);
    if (s.lstInfo->count() > 1)
        s.lstInfo->item(1)->setText(QLatin1Char(' ') + Lang(QStringLiteral("Device%1: %2 lost").arg(n + 1).arg(name)));
}

void frmMain::DevCtrl_ConnClick(int Index)
{
    DevSlot& s = slots_.at(Index);
    SlotState& st = link_.slot[Index];
    DevCtrl* p = s.Panel;
    if (!p->Conn()) {
        if (st.hComm)
            return;
        const QString port = p->tPort();
        const QString digits = port.mid(3);
        bool ok = false;
        const int number = digits.toInt(&ok);
        CommHandle h;
        if (ok && port.size() > 3)
            h = OpenPort(number);
        if (h && !SetPortState(h, 9600, 8, 0, 2)) {
            ClosePort(h);
        }
        if (!h) {
            // Nothing is left half done: no handle, no timer, no setting.
            MsgBox(QStringLiteral("Wrong Port!"), QStringLiteral("Prompt"), Prompter::OkOnly, Prompter::Critical);
            ErrLog(QStringLiteral("Conn"), QStringLiteral("cannot open port ") + port);
            return;
        }
        st.hComm = h;
        st.PortNo = number;
        const SerialPort* opened = h.get();
        connect(h.get(), &SerialPort::lost, this, [this, Index, opened] { onPortLost(Index, opened); });
        s.tmrComm->start();
        WriteIni(IniFile, QStringLiteral("COMM"), QStringLiteral("PORT") + QString::number(Index + 1), digits);
        decoder_.ResetFraming(Index);
        ConnectReset(link_, ticker_, Index);
        s.tmrConn->start();
        st.Connecting = true;
        sendConnect(Index);
        menuUpdate->setEnabled(false);
        p->setConn(true);
        return;
    }

    if (p->StopEnable()) {
        if (MsgBox(QStringLiteral("Stop running?"), QStringLiteral("Prompt"), Prompter::OkCancel,
                   Prompter::Information) == Prompter::IdOk) {
            DevCtrl_StopClick(Index, 0);
            if (p->Dev2S()) {
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                DevCtrl_StopClick(Index, 1);
            }
        }
    }
    // Without an open port the panel and timers are reset all the same.
    if (st.hComm) {
        sendDisconnect(Index);
        ClosePort(st.hComm);
    }
    disconnectReset(Index);
}

void frmMain::disconnectReset(int Index)
{
    DevSlot& s = slots_.at(Index);
    DevCtrl* p = s.Panel;
    // A test page's run ends with the port: nothing more goes to the device.
    autoTest_.Halt(Index);
    stepTest_.Halt(Index);
    s.tmrComm->stop();
    s.tmrConn->stop();
    link_.slot[Index].Connecting = false;
    link_.slot[Index].PortNo = 0;
    for (int i = 1; i <= 4 && i < s.lstInfo->count(); ++i)
        s.lstInfo->item(i)->setText(QString());
    s.gridRun->setTextMatrix(1, 0, Lang(QStringLiteral("No Device")));
    if (p->Dev2S())
        s.gridRun->setTextMatrix(2, 0, Lang(QStringLiteral("No Device")));
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 6; ++c)
            s.gridRun->setTextMatrix(r, c, QString());
    p->setRunEnable(false);
    p->setContEnable(false);
    p->setSetEnable(false);
    p->setMonitorEnable(false);
    p->setStopEnable(false);
    for (int c = 0; c < 2; ++c) {
        p->setTmrCurveEnable(c, false);
        p->setTmrShowEnable(c, false);
    }
    tmrPauseStop(Index);
    panelModesNoDevice(Index);
    host_->setMenuEnabled(MenuId::menuAdj, false);
    host_->setMenuEnabled(MenuId::menuQc, false);
    host_->setMenuEnabled(MenuId::menuRes, false);
    host_->setMenuEnabled(MenuId::menuCurve, true);
    menuUpdate->setEnabled(true);
    if (hooks.meterOpen && hooks.meterOpen() && hooks.showMeter)
        hooks.showMeter(false);
    p->setConn(false);
    p->TabClear();
    p->TabAdd(1, QStringLiteral("key1"));
}

// ------------------------------------------------------------------ link

void frmMain::sendConnect(int n) { SendConnect(link_, n); }
void frmMain::sendDisconnect(int n) { SendDisconnect(link_, n); }

void frmMain::tmrPauseStop(int n)
{
    ticker_.TmrPause(n, 0);
    ticker_.TmrPause(n, 1);
    ticker_.TmrStop(n, 0);
    ticker_.TmrStop(n, 1);
}

void frmMain::tmrComm_Timer(int n)
{
    if (!closing_)
        decoder_.RecvDevice(n);
}

void frmMain::tmrConn_Timer(int n) { sendConnect(n); }

void frmMain::tmrRecv_Timer(int n)
{
    slots_[n].Panel->setLedRecv(false);
    slots_[n].tmrRecv->stop();
}

// Connect, disconnect and a lost port: app/connection.cpp.

} // namespace ql
