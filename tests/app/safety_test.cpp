// What reaches a device from values it must not get: limits loaded from
// files into fields the user cannot edit, against simulated devices.
#include "apptest.h"

#include "../sim/devsim.h"
#include "testutil.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

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
            ASSERT_TRUE(waitFor([&] { return dev.channel(0).running; }));
            EXPECT_EQ(dev.channel(0).mode, 1);
            EXPECT_EQ(dev.channel(0).setRaw, 100);
            EXPECT_EQ(dev.channel(0).lmtRaw, 1440);
            EXPECT_EQ(dev.channel(0).timRaw, 50);
            stopRun(*w);
        } else {
            EXPECT_EQ(prompt.texts(), QStringList{"Setting value out of range!"});
            EXPECT_FALSE(inside(w).link().ch(0, 0).Running);
        }
    }
    // The line keeps its order: a refused start would stand before the one
    // that went out.
    const QList<QByteArray> starts = framesOf(dev, 0x01);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(pairAt(starts[0], 4), 1440);
    dev.stop();
    closeWindow(*w);
}

} // namespace
