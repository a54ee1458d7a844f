// The legends of a live chart, set up by a two-channel device's first reply.
#include "apptest.h"

#include "../sim/devsim.h"
#include "controls/curvegraph.h"
#include "testutil.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <vector>

using namespace qltest;
using ql::sim::DeviceSim;

TEST_F(DeviceAppTest, TwoChannelChartShowsItsLegendsApart)
{
    {
        QFile f(home() + "/ql.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(";--------QL Config File----------\r\n[DATA]\r\nSLA=1\r\n");
    }
    DeviceSim dev(18, 300);
    ASSERT_TRUE(dev.plug(portsDir(), 5));
    dev.start(20);
    auto w = makeWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    ql::DevSlot& s = inside(w).slot(0);
    s.Panel->setTPort(QStringLiteral("COM5"));
    s.Panel->ui().cmdConn->click();
    ASSERT_TRUE(waitFor([&] { return dev.connected() && !inside(w).link().slot[0].Connecting; }));
    ASSERT_EQ(s.Chart->CurveCount(), 10);

    const QWidget* surface = s.Chart->findChild<QWidget*>(QStringLiteral("picGraph"));
    std::vector<const QLabel*> shown;
    for (int i = 0; i < 10; ++i) {
        const auto* l = s.Chart->findChild<QLabel*>(QStringLiteral("lblLegend%1").arg(i));
        if (l && !l->isHidden())
            shown.push_back(l);
    }
    ASSERT_EQ(shown.size(), 4u);  // voltage and current of both channels
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_GE(shown[i]->x(), 50) << shown[i]->text().toStdString();
        EXPECT_TRUE(surface->rect().contains(shown[i]->geometry())) << shown[i]->text().toStdString();
        for (size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << shown[i]->text().toStdString() << " / " << shown[j]->text().toStdString();
        }
    }
    qltest::savePicture(w.get(), QStringLiteral("mainwindow-two-channel-legends"));
    dev.stop();
    closeWindow(*w);
}
