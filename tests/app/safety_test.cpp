// What reaches a device from values it must not get: limits loaded from
// files into fields the user cannot edit, against simulated devices.
#include "apptest.h"

#include "../sim/devsim.h"
#include "testutil.h"
#include "tools/frmusb.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

class Safety : public DeviceAppTest {
protected:
    // Writes a parameter file for the device of slot 0 and opens it.
    void openParameters(ql::frmMain& w, const QByteArray& body)
    {
        const QString device = inside(w).link().ch(0, 0).DevName;
        QFile cfg(home() + "/in.cfg");
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
        cfg.write("b\r\nD:" + device.toUtf8() + "\r\n" + body);
        cfg.close();
        prompt.fileAnswer = cfg.fileName();
        inside(w).action("menuOpenCfg")->trigger();
    }
};

// Sets a field's text as an assistive tool does: through the field's
// accessibility interface, with no key typed.
void setByAssistiveTool(QLineEdit* e, const QString& text)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(e);
    ASSERT_TRUE(a);
    a->setText(QAccessible::Value, text);
    ASSERT_EQ(e->text(), text);
}

// Start, Adjust and Continue send what the fields show, however the text
// came there: here set through the accessibility interface, with no key.
TEST_F(Safety, CommandsSendWhatTheFieldsShowWhenAnAssistiveToolSetThem)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const auto& u = inside(w).slot(0).Panel->ui();
    const ql::ChanState& c = inside(w).link().ch(0, 0);
    typeInto(u.txtSval, "0.10");
    typeInto(u.txtSlmt, "2.50");

    setByAssistiveTool(u.txtSval, "2.00");
    setByAssistiveTool(u.txtSlmt, "3.00");
    u.cmdRun->click();
    ASSERT_TRUE(waitFor([&] { return c.Running && c.RunSecs.load() >= 2; }));
    ASSERT_EQ(framesOf(dev, 0x01).size(), 1);
    EXPECT_EQ(pairAt(framesOf(dev, 0x01)[0], 2), 200);
    EXPECT_EQ(pairAt(framesOf(dev, 0x01)[0], 4), 300);

    setByAssistiveTool(u.txtSval, "1.50");
    u.cmdSet->click();
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x07).isEmpty() && c.SetPend == 0; }));
    EXPECT_EQ(pairAt(framesOf(dev, 0x07)[0], 2), 150);

    stopRun(*w);
    setByAssistiveTool(u.txtSval, "0.50");
    u.cmdCont->click();
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x08).isEmpty(); }));
    EXPECT_EQ(pairAt(framesOf(dev, 0x08)[0], 2), 50);
    EXPECT_EQ(u.txtSval->text(), "0.50");
    dev.stop();
    closeWindow(*w);
}

// Type 28's C-CV shows the power and voltage the device echoes in greyed
// fields, and the start frame sends them. A parameter file that puts a
// voltage above the model's 90 V (or a power above its bound) into them is
// refused at Start: nothing goes out, and values within the bounds still
// start the charge as before.
TEST_F(Safety, GreyedChargeValuesFromAParameterFileAreHeldToTheModelsMaxima)
{
    DeviceSim dev(28, 300);
    auto w = connectedWindow(dev, 4);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    u.cmbMode->setCurrentIndex(1);
    emit u.cmbMode->activated(1);
    ASSERT_EQ(p->tMode(), "C-CV");
    ASSERT_FALSE(u.txtSlmt->isEnabled());
    typeInto(u.txtStim, "0.50");  // the cut-off current, typed by the user

    struct Case {
        QByteArray body;
        bool sent;
    } cases[] = {
        {"S:100\r\nL:200\r\n", false},   // 200 V on a 90 V charger
        {"S:5000\r\nL:14.4\r\n", false}, // a power above the model's bound
        {"S:100\r\nL:14.4\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        prompt.messages.clear();
        openParameters(*w, c.body);
        u.cmdRun->click();
        if (c.sent) {
            ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x01).isEmpty(); }));
            const QByteArray start = framesOf(dev, 0x01).first();
            EXPECT_EQ(uint8_t(start.at(1)) >> 4, 1);  // mode 1 (C-CV), first channel
            EXPECT_EQ(pairAt(start, 2), 100);
            EXPECT_EQ(pairAt(start, 4), 1440);
            EXPECT_EQ(pairAt(start, 6), 50);
        } else {
            EXPECT_EQ(prompt.texts(), QStringList{"Setting value out of range!"});
            EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
        }
    }
    // The line keeps its order: a refused start would stand before the one
    // that went out.
    EXPECT_EQ(framesOf(dev, 0x01).size(), 1);
    dev.stop();
    closeWindow(*w);
}

// Type 41's D-CV greys its set value with a fixed "0.00" and sends it as a
// current. A step file whose D-CV row holds 50 A for this 5 A load loads as
// the file has it; the step's start sends nothing beyond the model's
// maximum, and the row with the fixed text runs.
TEST_F(Safety, AStepFileCannotSendAGreyedSetValueAboveTheModelsMaximum)
{
    DeviceSim dev(41, 300);
    auto w = connectedWindow(dev, 4);
    ASSERT_TRUE(w);
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    ASSERT_EQ(p->ModeTxt(1), "D-CV");
    u.tmrStep->setInterval(3600 * 1000);  // the page's tick is given by hand

    for (const char* set : {"50", "0.00"}) {
        SCOPED_TRACE(set);
        QFile f(home() + "/dcv.stp");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("----------www.qltester.example--------------\r\nDEV:41\r\n011:1\r\n012:" + QByteArray(set) +
                "\r\n013:3.00\r\n014:0\r\n");
        f.close();
        prompt.fileAnswer = f.fileName();
        u.cmdOpenStep->click();
        ASSERT_EQ(inside(w).link().slot[0].Steps.at(1, 2), set);
        prompt.messages.clear();
        u.cmdStartStep->click();
        if (inside(w).stepTest().at(0).StepOn)
            emit p->StepTmrOn(0);  // step 1 starts
        if (QByteArray(set) == "50") {
            EXPECT_TRUE(framesOf(dev, 0x01).isEmpty());
            EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
            if (inside(w).stepTest().at(0).StepOn)
                u.cmdStartStep->click();  // stops the program
        } else {
            ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x01).isEmpty(); }));
        }
    }
    // The line keeps its order: a start of the first file would stand
    // before the second's.
    const QList<QByteArray> starts = framesOf(dev, 0x01);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(pairAt(starts[0], 2), 0);
    EXPECT_EQ(pairAt(starts[0], 4), 300);
    dev.stop();
    closeWindow(*w);
}

// The trigger window asks the USB tester of the selected slot for another
// source voltage with a frame that, to any other device, is a set of 0 A
// down to 0 V. With a load running on another tab, its buttons pressed
// there send nothing to the load; back on the tester's tab they reach the
// tester.
TEST_F(Safety, TriggerCodesGoOnlyToAUsbTester)
{
    DeviceSim load(7, 300), usb(26, 300);
    ASSERT_TRUE(plug(load, 3, 10) && plug(usb, 4, 10));
    auto w = startWindow();
    w->menuAddDev_Click();
    QTabBar* tabs = inside(w).tabs();
    ASSERT_TRUE(tabs);
    connectDevice(*w, 0, load, 3);
    connectDevice(*w, 1, usb, 4);
    startRun(*w, "1.00", "3.00");

    tabs->setCurrentIndex(1);
    inside(w).action("menuUsb")->trigger();
    auto* trigger = shownWindow<ql::frmUSB>();
    ASSERT_TRUE(trigger);

    tabs->setCurrentIndex(0);
    trigger->cmdQCInc->click();
    trigger->cmdPEInc->click();
    trigger->optQc3->click();
    stopRun(*w);
    ASSERT_TRUE(waitFor([&] { return !load.channel(0).running; }));
    EXPECT_TRUE(framesOf(load, 0x07).isEmpty());

    tabs->setCurrentIndex(1);
    const qsizetype before = framesOf(usb, 0x07).size();
    trigger->cmdPEInc->click();
    ASSERT_TRUE(waitFor([&] { return framesOf(usb, 0x07).size() > before; }));
    EXPECT_EQ(uint8_t(framesOf(usb, 0x07).last().at(7)), 21);

    trigger->close();
    load.stop();
    usb.stop();
    closeWindow(*w);
}

} // namespace
