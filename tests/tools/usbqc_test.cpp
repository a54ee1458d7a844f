// The fast-charge trigger window's codes and the QC2.0 load test's walk
// through its lists, against the simulated device.
#include "toolfakes.h"
#include "tools/frmqc.h"
#include "tools/frmusb.h"

#include "controls/flexgrid.h"
#include "controls/lcdisp.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ql;
using namespace tooltest;

TEST(UsbTrigger, OpeningLevelFromTheVoltage)
{
    FakeHost h;
    struct Case {
        const char* volts;
        int level;
        QStringList sent;
    };
    const Case cases[] = {{"5.10", 0, {}},
                          {"8.50", 1, {"qc 0 1"}},
                          {"18.00", 2, {"qc 0 2"}},
                          {"19.00", 3, {"qc 0 3"}}};
    for (const Case& c : cases) {
        h.calls.clear();
        h.showVolt(0, 0, QString::fromLatin1(c.volts));
        {
            frmUSB w(h);
            EXPECT_EQ(w.QcLevel, c.level) << c.volts;
            EXPECT_TRUE(w.optLevel[size_t(c.level)]->isChecked());
            EXPECT_EQ(h.calls, c.sent) << c.volts;
            EXPECT_TRUE(h.link.UsbOpen);
            EXPECT_TRUE(h.charts[0]->YStep());
            w.Timer1_Timer();
            EXPECT_EQ(w.lcdVol->Value(), QString::fromLatin1(c.volts));
        }
        EXPECT_FALSE(h.link.UsbOpen);
    }
}

TEST(UsbTrigger, ButtonsSendTheirCodes)
{
    sim::PortsDir ports;
    FakeHost h;
    h.link.slot[0].DevType = 26;
    auto dev = h.plug(ports, 0, 6);
    h.showVolt(0, 0, QStringLiteral("9.00"));
    auto* w = new frmUSB(h);
    QPointer<frmUSB> guard(w);
    // Opening at 9 V sends code 1 once: FA 07 00 00 00 00 00 0B 0C F8.
    EXPECT_EQ(Frames(h, *dev), QStringList{"FA 07 00 00 00 00 00 0B 0C F8"});

    // QC2.0: "+" from 9 V sends code 2 twice and selects 12V; "+" at 20 V
    // and "-" at 5 V do nothing.
    h.calls.clear();
    w->cmdQCInc->click();
    EXPECT_EQ(h.calls, (QStringList{"qc 0 2", "qc 0 2"}));
    EXPECT_TRUE(w->optLevel[2]->isChecked());
    w->cmdQCInc->click();
    h.calls.clear();
    w->cmdQCInc->click();
    EXPECT_TRUE(h.calls.isEmpty());
    w->optLevel[0]->click();
    EXPECT_EQ(h.calls, QStringList{"qc 0 0"});
    w->cmdQCDec->click();
    EXPECT_EQ(h.calls, QStringList{"qc 0 0"});

    // Protocol options: QC3.0 enters with code 4; QC2.0 returns to the level.
    h.calls.clear();
    w->optQc3->click();
    w->cmdQCInc->click();
    w->cmdQCDec->click();
    EXPECT_EQ(h.calls, (QStringList{"qc 0 4", "qc 0 5", "qc 0 6"}));

    // Auto ramp: "+" sends 5 at once and then on every ramp tick; "-" stops
    // it without sending; a further "-" starts a down ramp.
    h.calls.clear();
    w->optAuto->click();
    w->cmdQCInc->click();
    EXPECT_TRUE(w->Timer2->isActive());
    EXPECT_FALSE(w->optManual->isEnabled());
    w->Timer2_Timer();
    w->cmdQCDec->click();
    EXPECT_FALSE(w->Timer2->isActive());
    EXPECT_TRUE(w->optManual->isEnabled());
    w->cmdQCDec->click();
    w->Timer2_Timer();
    EXPECT_EQ(h.calls, (QStringList{"qc 0 5", "qc 0 5", "qc 0 6", "qc 0 6"}));
    w->optQc2->click();
    EXPECT_EQ(h.calls.last(), "qc 0 0");

    // PE: up 21, down 20.
    h.calls.clear();
    w->cmdPEInc->click();
    w->cmdPEDec->click();
    EXPECT_EQ(h.calls, (QStringList{"pe 0 1", "pe 0 0"}));

    // Every request above as it reached the device: byte 8 = code + 10
    // (QC) or direction + 20 (PE).
    QStringList want;
    for (int b8 : {12, 12, 13, 13, 10, 14, 15, 16, 15, 15, 16, 16, 10, 21, 20})
        want << QStringLiteral("FA 07 00 00 00 00 00 %1 %2 F8")
                    .arg(b8, 2, 16, QLatin1Char('0'))
                    .arg((b8 ^ 7) % 240, 2, 16, QLatin1Char('0'))
                    .toUpper();
    EXPECT_EQ(Frames(h, *dev), want);

    // Requests follow the selected slot; a slot without a port sends nothing.
    h.cur = 1;
    h.calls.clear();
    w->cmdPEInc->click();
    EXPECT_EQ(h.calls, QStringList{"pe 1 1"});
    EXPECT_TRUE(Frames(h, *dev).isEmpty());

    w->close();
    EXPECT_FALSE(h.link.UsbOpen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST(QcLoadTest, WalksTheTickedCurrents)
{
    sim::PortsDir ports;
    FakeHost h;
    h.link.slot[0].DevType = 11;
    h.link.slot[0].CurFactor = 100;
    auto dev = h.plug(ports, 0, 7);
    frmQC w(h);
    EXPECT_EQ(w.gridList->TextMatrix(0, 1), "Open");
    EXPECT_EQ(w.gridList->TextMatrix(3, 0), "12V Out");
    h.showVolt(0, 0, QStringLiteral("5.10"));
    h.showCur(0, 0, QStringLiteral("0.00"));

    // All 5 V boxes: open circuit and start at 0.5 A, then 1.0 .. 2.2 A,
    // then the last reading and the stop.
    w.cmdTest_Click();
    EXPECT_EQ(w.Loads[0], (std::vector<float>{0.5f, 1.0f, 1.5f, 2.0f, 2.2f, 0.0f}));
    EXPECT_FALSE(w.cmdTest->isEnabled());
    EXPECT_FALSE(w.menuClear->isEnabled());
    const char* volts[] = {"5.10", "5.05", "5.00", "4.95", "4.90", "4.85"};
    for (int t = 0; t < 6; ++t) {
        h.showVolt(0, 0, QString::fromLatin1(volts[t]));
        w.Timer1_Timer();
        if (t == 0) {
            EXPECT_EQ(h.panels[0]->tSval(0), "00.50");
            EXPECT_EQ(h.panels[0]->tSlmt(0), "04.00");
        }
    }
    EXPECT_EQ(h.calls, (QStringList{"run 0 0", "set 0 0 1.00", "set 0 0 1.50", "set 0 0 2.00", "set 0 0 2.20", "stop 0 0"}));
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(w.gridList->TextMatrix(1, c), QString::fromLatin1(volts[c - 1]));
    EXPECT_EQ(w.Chart->DpCnt(0), 12);
    EXPECT_EQ(w.Chart->DpX(0, 11), 6.0f);
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(w.cmdTest->isEnabled());
    // The set values went out as op-7 frames: 1.0 A = 100 units.
    const QStringList f = Frames(h, *dev);
    ASSERT_EQ(f.size(), 4);
    EXPECT_TRUE(f[0].startsWith("FA 07 00 64")) << f[0].toStdString();

    // 9 V with only 1.0 A and 2.0 A: readings land under the first two
    // load headings; the second test's points follow the first's.
    h.calls.clear();
    for (QCheckBox* c : w.chk9)
        c->setChecked(false);
    w.chk9[1]->setChecked(true);
    w.chk9[3]->setChecked(true);
    w.optLevel[1]->setChecked(true);
    w.cmdTest_Click();
    EXPECT_EQ(w.Loads[1], (std::vector<float>{1.0f, 2.0f, 0.0f}));
    const char* v9[] = {"9.10", "9.00", "8.90"};
    for (const char* v : v9) {
        h.showVolt(0, 0, QString::fromLatin1(v));
        w.Timer1_Timer();
    }
    EXPECT_EQ(h.calls, (QStringList{"run 0 0", "set 0 0 2.00", "stop 0 0"}));
    EXPECT_EQ(h.panels[0]->tSlmt(0), "08.00");
    EXPECT_EQ(w.gridList->TextMatrix(2, 2), "9.00");
    EXPECT_EQ(w.gridList->TextMatrix(2, 3), "8.90");
    EXPECT_EQ(w.Chart->DpCnt(0), 18);
    EXPECT_EQ(w.Chart->DpX(0, 12), 6.0f);

    // No 12 V box: the first tick records the open circuit and stops.
    h.calls.clear();
    for (QCheckBox* c : w.chk12)
        c->setChecked(false);
    w.optLevel[2]->setChecked(true);
    w.cmdTest_Click();
    w.Timer1_Timer();
    EXPECT_EQ(h.calls, QStringList{"stop 0 0"});
    EXPECT_EQ(w.gridList->TextMatrix(3, 1), "8.90");

    // Clear Test: Chinese headings, empty chart; an empty title is refused.
    w.menuClear_Click();
    EXPECT_EQ(w.gridList->TextMatrix(0, 1), QString::fromUtf8("空载"));
    EXPECT_EQ(w.gridList->TextMatrix(1, 1), "");
    EXPECT_EQ(w.Chart->DpCnt(0), 0);
    EXPECT_EQ(w.TickCnt, 0);
    const QString title = w.Chart->TitleText();
    h.ask.inputOk = true;
    h.ask.inputAnswer = "";
    w.menuTitle_Click();
    EXPECT_EQ(w.Chart->TitleText(), title);
    h.ask.inputAnswer = "Charger A";
    w.menuTitle_Click();
    EXPECT_EQ(w.Chart->TitleText(), "Charger A");
}

// A test started on a two-channel device keeps to the channel and slot it
// started on: choosing the second channel on the panel, or another tab,
// while it runs moves none of its set commands, and each carries channel 0's
// limit.
TEST(QcLoadTest, KeepsToTheChannelItStarted)
{
    sim::PortsDir ports;
    FakeHost h;
    for (int s = 0; s < 2; ++s) {
        h.link.slot[size_t(s)].DevType = 17;
        h.link.slot[size_t(s)].CurFactor = 1000;
    }
    h.link.ch(1, 0).LmtRaw = 400;
    h.link.ch(1, 1).LmtRaw = 1234;
    ql::DevCtrl& p = *h.panels[1];
    p.setDev2S(true);
    auto dev = h.plug(ports, 1, 8, 17);
    auto other = h.plug(ports, 0, 9, 11);
    h.cur = 1;
    frmQC w(h);
    for (QCheckBox* c : w.chk5)
        c->setChecked(false);
    w.chk5[0]->setChecked(true);
    w.chk5[2]->setChecked(true);
    w.cmdTest_Click();
    w.Timer1_Timer();  // open circuit, start at 0.5 A

    // The user picks channel 2 on the panel, then the first tab.
    p.ui().optChn1->setChecked(true);
    ASSERT_EQ(p.ChnIndex(), 1);
    h.cur = 0;
    w.Timer1_Timer();  // 1.5 A
    w.Timer1_Timer();  // used up: stop
    EXPECT_EQ(h.calls, (QStringList{"run 1 0", "set 1 0 1.50", "stop 1 0"}));

    // On the line: one set frame on channel 0 (command byte 07) with 1.5 A
    // in mA and channel 0's limit; the panel shows it in channel 0's field,
    // in the milliamperes sent.
    const QStringList f = Frames(h, *dev);
    ASSERT_EQ(f.size(), 1);
    const QByteArray set = QByteArray::fromHex(f[0].toLatin1().replace(' ', ""));
    EXPECT_EQ(uint8_t(set[1]), 0x07);
    EXPECT_EQ(sim::Pair(reinterpret_cast<const uint8_t*>(set.constData()) + 2), 1500);
    EXPECT_EQ(sim::Pair(reinterpret_cast<const uint8_t*>(set.constData()) + 4), 400);
    EXPECT_EQ(p.tSval(0), "1.500");
    EXPECT_TRUE(Frames(h, *other).isEmpty());
}
