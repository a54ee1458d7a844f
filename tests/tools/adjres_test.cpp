// Calibration and resistance test against a simulated device: their frames
// byte for byte, the checks that keep bad values off the line, and the
// resistance shown from the captured voltage drop.
#include "toolfakes.h"
#include "tools/frmadj.h"
#include "tools/frmres.h"
#include "tools/toolwindows.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ql;
using namespace tooltest;

namespace {

void setDevice(FakeHost& h, int slot, int type, int fw, int curFactor, float maxVol, float maxCur)
{
    SlotState& st = h.link.slot[size_t(slot)];
    st.DevType = int16_t(type);
    st.FwVersion = fw;
    st.CurFactor = curFactor;
    st.MaxVol = maxVol;
    st.MaxCur = maxCur;
}

} // namespace

TEST(Calibration, SetUpScaleFormatsAndCaption)
{
    FakeHost h;
    setDevice(h, 0, 9, 300, 100, 150, 20);
    {
        frmAdj w(h);
        EXPECT_EQ(w.CurScale, 1000);
        EXPECT_EQ(w.CurFmt, "0.000");
        EXPECT_EQ(w.txtCL->text(), "0.000");
        EXPECT_EQ(w.txtVL->text(), "0.000");
        EXPECT_EQ(w.windowTitle(), "Calibration--Device1");
        EXPECT_FALSE(w.cmdOK->isEnabled());
        EXPECT_FALSE(w.cmdVL->isEnabled());
    }
    EXPECT_EQ(AdjCurScale(11, 300, 100), 100);
    EXPECT_EQ(AdjCurScale(26, 320, 1000), 10000);
    EXPECT_EQ(AdjCurScale(26, 315, 1000), 1000);
    EXPECT_EQ(AdjCurScale(5, 310, 100), 1000);
    EXPECT_EQ(AdjCurScale(5, 311, 100), 100);

    // Channel 2 of a two-channel panel.
    h.cur = 1;
    setDevice(h, 1, 11, 300, 100, 30, 10);
    h.panels[1]->setDev2S(true);
    h.panels[1]->setChnEnable(true);
    frmAdj w2(h);
    EXPECT_EQ(w2.windowTitle(), "Calibration--Device2-Channel1");
}

TEST(Calibration, PointFramesChecksAndStore)
{
    sim::PortsDir ports;
    FakeHost h;
    setDevice(h, 0, 9, 300, 100, 150, 20);
    auto dev = h.plug(ports, 0, 3);
    auto* w = new frmAdj(h);
    QPointer<frmAdj> guard(w);
    w->show();
    EXPECT_TRUE(h.link.AdjOpen);
    SetAdjButtons(false, *w);  // running: current points
    EXPECT_TRUE(w->cmdCL->isEnabled());
    EXPECT_FALSE(w->cmdVL->isEnabled());

    // Current 1.5 A at scale 1000 against a live 1.5 A: raw 1500 = 6, 60.
    h.showCur(0, 0, QStringLiteral("1.500"));
    w->txtCH->setText(QStringLiteral("1.5"));
    EXPECT_TRUE(w->cmdPoint_Click(frmAdj::CurHigh));
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 04 03 06 3C 00 00 00 3D F8"});
    EXPECT_TRUE(w->cmdOK->isEnabled());

    // Voltage 12.3456 V against a live 12.34 V: raw 12346 = 51, 106.
    h.showVolt(0, 0, QStringLiteral("12.34"));
    w->txtVL->setText(QStringLiteral("12.3456"));
    EXPECT_TRUE(w->cmdPoint_Click(frmAdj::VoltLow));
    const QStringList f = Frames(h, *dev);
    ASSERT_EQ(f.size(), 1);
    EXPECT_TRUE(f[0].startsWith("FA 04 00 33 6A 00 00 00")) << f[0].toStdString();

    // Refusals send nothing: not a number, above the limit, outside 10 % of
    // the live reading (4.40 passes at 4.00, 4.50 does not), and a value
    // the frame cannot carry.
    h.showVolt(0, 0, QStringLiteral("4.00"));
    w->txtVH->setText(QStringLiteral("4.50"));
    EXPECT_FALSE(w->cmdPoint_Click(frmAdj::VoltHigh));
    w->txtVH->setText(QStringLiteral("abc"));
    EXPECT_FALSE(w->cmdPoint_Click(frmAdj::VoltHigh));
    w->txtVH->setText(QStringLiteral("151"));
    EXPECT_FALSE(w->cmdPoint_Click(frmAdj::VoltHigh));
    h.showVolt(0, 0, QStringLiteral("60.00"));
    w->txtVH->setText(QStringLiteral("60"));
    EXPECT_FALSE(w->cmdPoint_Click(frmAdj::VoltHigh));
    EXPECT_EQ(h.shown(), (QStringList{"!Setting value out of range!", "!Invalid value!",
                                       "!Setting value out of range!", "!Setting value out of range!"}));
    h.showVolt(0, 0, QStringLiteral("4.00"));
    w->txtVH->setText(QStringLiteral("4.40"));
    EXPECT_TRUE(w->cmdPoint_Click(frmAdj::VoltHigh));
    EXPECT_EQ(Frames(h, *dev).size(), 1);

    // Leaving a field checks and re-formats it; a refused text stays.
    h.ask.messages.clear();
    w->txtVL->setText(QStringLiteral("3.2"));
    EXPECT_TRUE(w->txt_LostFocus(frmAdj::VoltLow));
    EXPECT_EQ(w->txtVL->text(), "3.200");
    w->txtCL->setText(QStringLiteral("21"));
    EXPECT_FALSE(w->txt_LostFocus(frmAdj::CurLow));
    EXPECT_EQ(w->txtCL->text(), "21");
    EXPECT_EQ(h.shown(), QStringList{"!Setting value out of range!"});

    // OK stores, closes the window and gives the channel option back.
    h.panels[0]->setChnEnable(false);
    w->cmdOK_Click();
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 04 04 00 00 00 00 00 00 F8"});
    EXPECT_FALSE(h.link.AdjOpen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST(Calibration, ChannelTwoAndClosedPort)
{
    sim::PortsDir ports;
    FakeHost h;
    setDevice(h, 0, 11, 300, 100, 30, 10);
    h.panels[0]->setDev2S(true);
    auto dev = h.plug(ports, 0, 4);
    // Choose the panel's second channel.
    for (auto* r : h.panels[0]->findChildren<QRadioButton*>())
        if (r->text() == QLatin1String("Chn2"))
            r->setChecked(true);
    ASSERT_EQ(h.panels[0]->chn(), "1");
    frmAdj w(h);
    EXPECT_EQ(w.windowTitle(), "Calibration--Device1-Channel2");
    h.showCur(0, 1, QStringLiteral("1.50"));
    w.txtCL->setText(QStringLiteral("1.5"));
    EXPECT_TRUE(w.cmdPoint_Click(frmAdj::CurLow));
    // 1.5 A at scale 100: raw 150 = 0, 150; command byte A4.
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA A4 02 00 96 00 00 00 30 F8"});

    // A closed port: nothing goes out, OK is enabled all the same.
    h.link.slot[0].hComm->close();
    EXPECT_TRUE(w.cmdPoint_Click(frmAdj::CurLow));
    ql::ClosePort(h.link.slot[0].hComm);
    EXPECT_TRUE(w.cmdPoint_Click(frmAdj::CurLow));
    EXPECT_TRUE(Frames(h, *dev).isEmpty());
}

TEST(Resistance, FramesChecksAndResult)
{
    sim::PortsDir ports;
    FakeHost h;
    setDevice(h, 0, 11, 300, 100, 30, 10);
    auto dev = h.plug(ports, 0, 5);
    frmRes w(h);
    EXPECT_EQ(w.windowTitle(), "Resistance Test-Device1");
    EXPECT_EQ(w.txtCap->text(), "1000");
    h.link.ch(0, 0).Volt = 3.7f;

    EXPECT_TRUE(w.cmdTest_Click());
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 09 00 64 00 00 00 00 6D F8"});
    EXPECT_FALSE(w.cmdTest->isEnabled());
    EXPECT_TRUE(w.Timer1->isActive());
    // Nothing yet on ticks 1..3; the fourth gives up and keeps the old text.
    w.Timer1_Timer();
    w.Timer1_Timer();
    w.Timer1_Timer();
    EXPECT_TRUE(w.Timer1->isActive());
    w.Timer1_Timer();
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(w.cmdTest->isEnabled());
    EXPECT_EQ(w.txtRes->text(), "0");

    // A captured 25 mV at 1000 mA shows 25.0 mR on the next tick.
    EXPECT_TRUE(w.cmdTest_Click());
    Frames(h, *dev);
    h.link.ResVolt = 0.025f;
    w.Timer1_Timer();
    EXPECT_EQ(w.txtRes->text(), "25.0");
    EXPECT_EQ(h.link.ResVolt, 0.0f);
    EXPECT_FALSE(w.Timer1->isActive());

    // A device counting in mA, and a request above its maximum: the frame
    // carries the maximum and the result is computed with it.
    h.link.slot[0].CurFactor = 1000;
    EXPECT_TRUE(w.cmdTest_Click());
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 09 04 28 00 00 00 00 25 F8"});
    w.Timer1->stop();
    h.link.slot[0].MaxCur = 2.0f;
    w.txtCap->setText(QStringLiteral("5000"));
    EXPECT_TRUE(w.cmdTest_Click());
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 09 08 50 00 00 00 00 51 F8"});
    h.link.ResVolt = 0.05f;
    w.Timer1_Timer();
    EXPECT_EQ(w.txtRes->text(), "25.0");

    // Refusals send nothing.
    h.ask.messages.clear();
    w.txtCap->setText(QStringLiteral("150"));
    EXPECT_FALSE(w.cmdTest_Click());
    w.txtCap->setText(QStringLiteral("abc"));
    EXPECT_FALSE(w.cmdTest_Click());
    w.txtCap->setText(QStringLiteral("1000.4"));
    h.link.ch(0, 0).Volt = 4.6f;
    EXPECT_FALSE(w.cmdTest_Click());
    h.link.ch(0, 0).Volt = 3.7f;
    h.link.ch(0, 0).Running = true;
    EXPECT_FALSE(w.cmdTest_Click());
    EXPECT_EQ(h.shown(), (QStringList{"!Setting value out of range!", "!Invalid value!",
                                       "!Resistance test only support single battery",
                                       "!Please stop other test first"}));
    EXPECT_TRUE(Frames(h, *dev).isEmpty());
    h.link.ch(0, 0).Running = false;
    h.link.ch(0, 0).Volt = 4.5f;
    EXPECT_TRUE(w.txtCap_LostFocus());
    EXPECT_EQ(w.txtCap->text(), "1000");

    // A closed port: the test runs, nothing is written.
    ql::ClosePort(h.link.slot[0].hComm);
    w.Timer1->stop();
    EXPECT_TRUE(w.cmdTest_Click());
    EXPECT_TRUE(Frames(h, *dev).isEmpty());
    h.link.ResVolt = 0.01f;
    w.close();
    EXPECT_EQ(h.link.ResVolt, 0.0f);
}

TEST(ToolWindowsHolder, OneInstanceAndRememberedButtons)
{
    FakeHost h;
    h.link.slot[0].MaxVol = 30;
    ToolWindows tools(h);
    // The run state reaches the point buttons before the window exists.
    tools.setAdjButtonEnabled(QStringLiteral("cmdVL"), true);
    tools.setAdjButtonEnabled(QStringLiteral("cmdCL"), false);
    auto* adj = static_cast<frmAdj*>(tools.openCalibration());
    EXPECT_TRUE(adj->cmdVL->isEnabled());
    EXPECT_FALSE(adj->cmdCL->isEnabled());
    EXPECT_EQ(tools.openCalibration(), adj);
    tools.setAdjButtonEnabled(QStringLiteral("cmdCL"), true);
    EXPECT_TRUE(adj->cmdCL->isEnabled());
    adj->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(tools.openCalibration(), nullptr);
    EXPECT_NE(tools.openUsbTrigger(), nullptr);
    EXPECT_TRUE(h.link.UsbOpen);
}
