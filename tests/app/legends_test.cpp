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
    writeIni("[DATA]\r\nSLA=1\r\n");
    DeviceSim dev(18, 300);
    auto w = connectedWindow(dev, 5);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
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
