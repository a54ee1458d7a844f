// Connect and disconnect from the panel, checked on the line's far side,
// and what a slot's port, lamp and records do meanwhile.
#include "apptest.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "sim/devsim.h"
#include "ticking.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

using namespace qltest;

namespace {

uint8_t cmd(const QByteArray& frame) { return uint8_t(frame.at(1)); }

} // namespace

TEST_F(AppTest, ConnectOpensPortWritesKeyAndSendsOneConnect)
{
    Pty dev(portsDir(), "COM12");
    ASSERT_TRUE(dev.ok());
    auto w = makeWindow(SilentLineOptions());
    w->menuAddDev_Click();
    w->menuAddDev_Click();
    inside(w).tabs()->setCurrentIndex(2);  // the menus show the slot connected
    ql::SlotView& s = inside(w).slot(2);
    s.Panel->setTPort("COM12");
    w->DevCtrl_ConnClick(2);
    ASSERT_TRUE(inside(w).link().slot[2].hComm);
    EXPECT_TRUE(s.Panel->Conn());
    EXPECT_TRUE(inside(w).link().slot[2].Connecting);
    EXPECT_FALSE(inside(w).action("menuUpdate")->isEnabled());
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "COMM", "PORT3", ""), "12");
    const auto line = inside(w).link().slot[2].hComm->line();
    EXPECT_EQ(line.baudRate, 9600);
    EXPECT_EQ(line.byteSize, 8);
    EXPECT_EQ(line.parity, 2);
    EXPECT_EQ(line.stopBits, 0);
    // Exactly one connect frame at once (the repeat comes a period later).
    const auto frames = Frames(dev.readAll(10, 500));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(cmd(frames[0]), 0x05);
    EXPECT_EQ(uint8_t(frames[0].at(0)), 0xFA);
    EXPECT_EQ(uint8_t(frames[0].at(9)), 0xF8);
    // The port is polled: a start byte on the line lights the receive lamp.
    dev.write(QByteArray(1, char(0xFA)));
    EXPECT_TRUE(waitFor([&] { return s.Panel->LedRecv(); }));

    // A second press on a slot whose handle is set but panel shows closed
    // does nothing.
    s.Panel->setConn(false);
    w->DevCtrl_ConnClick(2);
    EXPECT_TRUE(prompt.messages.empty());
    s.Panel->setConn(true);

    // Disconnect: frame, port closed, panel back to "No Device".
    s.gridRun->setTextMatrix(2, 3, "x");
    w->DevCtrl_ConnClick(2);
    EXPECT_FALSE(inside(w).link().slot[2].hComm);
    EXPECT_FALSE(s.Panel->Conn());
    EXPECT_FALSE(inside(w).link().slot[2].Connecting);
    EXPECT_FALSE(s.Panel->LedRecv());
    EXPECT_TRUE(inside(w).action("menuUpdate")->isEnabled());
    EXPECT_FALSE(inside(w).action("menuAdj")->isEnabled());
    EXPECT_EQ(s.Panel->tMode(), "No Device");
    EXPECT_EQ(s.Panel->tSval(1), "00.00");
    EXPECT_EQ(s.Panel->tStim(0), "0");
    EXPECT_EQ(s.Panel->ui().tabDev->count(), 1);
    EXPECT_EQ(s.Panel->Test(), 1);
    EXPECT_EQ(s.gridRun->TextMatrix(1, 0), "No Device");
    EXPECT_EQ(s.gridRun->TextMatrix(2, 3), "");
    const auto after = Frames(dev.readAll(10, 500));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(cmd(after.back()), 0x06);
    closeWindow(*w);
}

TEST_F(AppTest, BadPortsAreReportedAndLeaveTheSlotClosed)
{
    Pty dev(portsDir(), "COM5");
    ASSERT_TRUE(dev.ok());
    auto w = makeWindow();
    w->menuAddDev_Click();
    const QString before = iniText();

    // A port that does not exist.
    inside(w).slot(0).Panel->setTPort("COM9");
    w->DevCtrl_ConnClick(0);
    ASSERT_EQ(prompt.texts(), QStringList{"Wrong Port!"});
    EXPECT_EQ(prompt.messages[0].icon, ql::Prompter::Critical);
    EXPECT_EQ(prompt.messages[0].buttons, ql::Prompter::OkOnly);
    EXPECT_FALSE(inside(w).link().slot[0].hComm);
    EXPECT_FALSE(inside(w).slot(0).Panel->Conn());
    EXPECT_FALSE(inside(w).link().slot[0].Connecting);
    EXPECT_EQ(iniText(), before);
    ASSERT_EQ(errorLog().size(), 1);
    EXPECT_TRUE(errorLog()[0].contains("[ErrConn]COM9: no such port")) << errorLog()[0].toStdString();

    // A text that names no port.
    inside(w).slot(0).Panel->setTPort("CO");
    w->DevCtrl_ConnClick(0);
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_FALSE(inside(w).link().slot[0].hComm);

    // A port another slot holds.
    inside(w).slot(0).Panel->setTPort("COM5");
    w->DevCtrl_ConnClick(0);
    ASSERT_TRUE(inside(w).link().slot[0].hComm);
    inside(w).slot(1).Panel->setTPort("COM5");
    w->DevCtrl_ConnClick(1);
    EXPECT_EQ(prompt.messages.size(), 3u);
    EXPECT_EQ(prompt.messages.back().text, "Wrong Port!");
    EXPECT_FALSE(inside(w).link().slot[1].hComm);
    EXPECT_FALSE(inside(w).link().slot[1].Connecting);
    EXPECT_FALSE(inside(w).slot(1).Panel->Conn());
    EXPECT_TRUE(inside(w).link().slot[0].hComm);  // the holder keeps its port
    closeWindow(*w);
}

// A port name is "COM" in any case and ASCII digits: text that merely looks
// like one is refused before any port is opened. A port that cannot be
// opened is logged with its device path and the system's reason; the user
// sees "Wrong Port!" either way.
TEST_F(AppTest, PortNamesAreComAndDigitsAndAFailedOpenIsLoggedWithItsReason)
{
    Pty dev(portsDir(), "COM5");
    ASSERT_TRUE(dev.ok());
    auto w = makeWindow(SilentLineOptions());
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const QStringList lookAlikes{QStringLiteral("\uFF23\uFF2F\uFF2D5"),
                                 QStringLiteral("COM\uFF15"),
                                 "COM5 ",
                                 " COM5",
                                 "COM+5",
                                 "COM 5",
                                 "COM5x",
                                 "COM0x5",
                                 "C0M5"};
    for (const QString& text : lookAlikes) {
        p->setTPort(text);
        w->DevCtrl_ConnClick(0);
        EXPECT_FALSE(inside(w).link().slot[0].hComm) << text.toStdString();
        EXPECT_FALSE(p->Conn());
    }
    EXPECT_EQ(prompt.texts(), QStringList(lookAlikes.size(), "Wrong Port!"));
    QStringList log = errorLog();
    ASSERT_EQ(log.size(), lookAlikes.size());
    EXPECT_TRUE(log[2].endsWith("[ErrConn]\"COM5 \" names no port")) << log[2].toStdString();

    // Any case of "COM" names the port; the settings keep its number.
    p->setTPort("cOm05");
    w->DevCtrl_ConnClick(0);
    ASSERT_TRUE(inside(w).link().slot[0].hComm);
    EXPECT_EQ(inside(w).link().slot[0].PortNo, 5);
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "COMM", "PORT1", ""), "5");
    w->DevCtrl_ConnClick(0);
    ASSERT_FALSE(inside(w).link().slot[0].hComm);

    // A port whose device refuses to open: the path and the system's reason.
    const QString notATerminal = QDir(portsDir()).filePath("COM7");
    QFile file(notATerminal);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    p->setTPort("COM7");
    w->DevCtrl_ConnClick(0);
    EXPECT_FALSE(inside(w).link().slot[0].hComm);
    log = errorLog();
    EXPECT_TRUE(log.last().endsWith(
        QStringLiteral("[ErrConn]COM7: cannot open %1: %2")
            .arg(QFileInfo(notATerminal).canonicalFilePath(), QString::fromLocal8Bit(std::strerror(ENOTTY)))))
        << log.last().toStdString();
    // Without the rights to the device (root has them all).
    if (::geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(QFileInfo(portsDir() + "/COM5").canonicalFilePath(), {}));
        p->setTPort("COM5");
        w->DevCtrl_ConnClick(0);
        EXPECT_FALSE(inside(w).link().slot[0].hComm);
        EXPECT_TRUE(errorLog().last().endsWith(QString::fromLocal8Bit(std::strerror(EACCES))))
            << errorLog().last().toStdString();
    }
    EXPECT_EQ(prompt.texts(), QStringList(lookAlikes.size() + (::geteuid() != 0 ? 2 : 1), "Wrong Port!"));
    closeWindow(*w);
}

TEST_F(AppTest, DisconnectWithoutOpenPortStillResetsPanelAndTimers)
{
    auto w = makeWindow();
    ql::SlotView& s = inside(w).slot(0);
    s.Panel->setConn(true);
    inside(w).link().slot[0].ModeList = QStringList{"D-CC"};
    s.Panel->ShowModeList();
    s.Panel->setTMode("D-CC");
    inside(w).link().slot[0].Connecting = true;
    inside(w).ticker().TmrStart(0, 0);
    w->DevCtrl_ConnClick(0);
    EXPECT_FALSE(s.Panel->Conn());
    EXPECT_FALSE(inside(w).link().slot[0].Connecting);
    EXPECT_FALSE(qltest::TimerTicks(inside(w).ticker(), inside(w).link().ch(0, 0)));
    EXPECT_EQ(s.Panel->tMode(), "No Device");
    EXPECT_TRUE(inside(w).link().slot[0].ModeList.isEmpty());  // the model's modes went with it
    EXPECT_EQ(s.Panel->ModeCnt(), 1);
    // Names proposed for the slot's files say so too.
    ASSERT_TRUE(inside(w).hooks().saveParameterFile);
    inside(w).hooks().saveParameterFile();
    ASSERT_FALSE(prompt.fileNames.isEmpty());
    EXPECT_TRUE(prompt.fileNames.last().endsWith("-No Device")) << prompt.fileNames.last().toStdString();
    closeWindow(*w);
}

// While replies flow the receive lamp blinks: it goes out its period after
// it was lit, however many start bytes came meanwhile, and the next reply
// lights it again. The panel shows what the slot's record holds.
TEST_F(DeviceAppTest, ReceiveLampGoesOutWhileRepliesFlow)
{
    ql::sim::DeviceSim dev(11, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 6));  // replies once the lamp is watched
    ql::MainOptions o = FastOptions();
    o.timings.recvLamp = std::chrono::milliseconds(100);  // replies come five times faster
    auto w = makeWindow(o);
    ql::SlotView& s = inside(w).slot(0);
    s.Chart->setAxesY1Txt(QStringLiteral("[x]"));
    s.Panel->setTPort("COM6");
    w->DevCtrl_ConnClick(0);
    ASSERT_TRUE(inside(w).link().slot[0].hComm);
    // Every change the connection reports reaches the panel.
    ql::SlotConnection& conn = inside(w).connection(0);
    std::vector<bool> changes;
    bool agreed = true;
    conn.onLamp = [&, render = conn.onLamp](bool lit) {
        changes.push_back(lit);
        render(lit);
        agreed = agreed && s.Panel->LedRecv() == lit && inside(w).link().slot[0].RecvLit == lit;
    };
    dev.start(20);
    ASSERT_TRUE(waitFor([&] { return std::count(changes.begin(), changes.end(), false) >= 3; }));
    EXPECT_TRUE(agreed);
    for (size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(changes[i], i % 2 == 0) << i;
    // It is lit again by the replies that follow.
    ASSERT_TRUE(waitFor([&] { return s.Panel->LedRecv(); }));
    EXPECT_TRUE(dev.connected());
    EXPECT_EQ(s.Chart->AxesY1Txt(), QStringLiteral("[A]"));  // the load's current axis, from its set-up
    dev.stop();
    closeWindow(*w);
}

// A running channel's record stays open for its rows; a disconnect, a lost
// adapter and the shut-down put it to the disk and let go of it, and its
// rows are all there.
TEST_F(DeviceAppTest, RecordsAreClosedByDisconnectLossAndShutDown)
{
    ql::sim::DeviceSim a(11, 300), b(11, 300);
    ASSERT_TRUE(plug(a, 3) && plug(b, 4));
    auto w = makeWindow();
    w->menuAddDev_Click();
    auto start = [&](int n, ql::sim::DeviceSim& dev, int port) {
        connectDevice(*w, n, dev, port);
        startRun(*w, "1.00", "3.00", n);
        EXPECT_TRUE(waitFor([&] { return heldOpen(recordOf(*w, n)); }));
    };
    start(0, a, 3);
    start(1, b, 4);
    ASSERT_FALSE(HasFatalFailure());
    const QString record0 = recordOf(*w, 0);
    const QString record1 = recordOf(*w, 1);
    ASSERT_TRUE(waitFor([&] { return fileLines(record0).size() > 8 && fileLines(record1).size() > 8; }));

    // Disconnect (the run is stopped first).
    prompt.answers = {ql::Prompter::IdOk};
    inside(w).slot(0).Panel->ui().cmdConn->click();
    EXPECT_TRUE(waitFor([&] { return !heldOpen(record0); }));  // synced and closed by the file queue
    EXPECT_TRUE(heldOpen(record1));

    // The other adapter goes.
    b.unplug();
    ASSERT_TRUE(waitFor([&] { return !inside(w).link().slot[1].hComm; }));
    EXPECT_TRUE(waitFor([&] { return !heldOpen(record1); }));
    ql::RunRecord::Contents rec;
    ASSERT_EQ(ql::RunRecord::Read(record1, &rec), ql::RunRecord::ReadStatus::Ok);
    EXPECT_TRUE(rec.skipped.isEmpty());
    EXPECT_GE(rec.rows.size(), 3);

    // Connected and running again, then the program closes.
    start(0, a, 3);
    closeWindow(*w);
    EXPECT_TRUE(waitFor([&] { return !heldOpen(record0); }));
    ASSERT_EQ(ql::RunRecord::Read(record0, &rec), ql::RunRecord::ReadStatus::Ok);
    EXPECT_TRUE(rec.skipped.isEmpty());
}

// The port list offers the ports free right now and the port field shows
// the first; with none free the field keeps what it shows.
TEST_F(AppTest, PortSearchListsFreePortsAndKeepsThePortTextWhenNoneIsFree)
{
    Pty a(portsDir(), "COM4"), b(portsDir(), "COM6");
    ASSERT_TRUE(a.ok() && b.ok());
    auto w = makeWindow(SilentLineOptions());
    w->menuAddDev_Click();
    ql::DevCtrl* p0 = inside(w).slot(0).Panel;
    ql::DevCtrl* p1 = inside(w).slot(1).Panel;
    // "Search Comm Port" on the slot in front.
    auto search = [&](int n) {
        inside(w).tabs()->setCurrentIndex(n);
        prompt.messages.clear();
        inside(w).action("menuSearch")->trigger();
        EXPECT_EQ(prompt.texts(), QStringList{"Search comm port finished"});
    };
    p1->setTPort("COM9");
    search(1);
    EXPECT_EQ(p1->PortCnt(), 2);
    EXPECT_EQ(p1->tPort(), "COM4");

    p0->setTPort("COM4");
    w->DevCtrl_ConnClick(0);
    ASSERT_TRUE(inside(w).link().slot[0].hComm);
    search(1);
    EXPECT_EQ(p1->PortCnt(), 1);
    EXPECT_EQ(p1->tPort(), "COM6");

    p1->setTPort("COM6");
    w->DevCtrl_ConnClick(1);
    ASSERT_TRUE(inside(w).link().slot[1].hComm);
    w->menuAddDev_Click();
    ql::DevCtrl* p3 = inside(w).slot(2).Panel;
    p3->setTPort("COM11");
    search(2);
    EXPECT_EQ(p3->PortCnt(), 0);
    EXPECT_EQ(p3->tPort(), "COM11");
    closeWindow(*w);
}
