// The floating readout windows: values shown, slot 0's colours, colour
// choice by double-click, dragging, the look and the meter's open flag.
#include "viewfakes.h"
#include "controls/lcdisp.h"
#include "views/readouts.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace ql;

TEST(Readouts, ShowValuesColoursAndMeterFlag)
{
    auto host = std::make_shared<qltest::FakeViewHost>(2);
    qltest::ScriptedPrompter prompts;
    host->panel(0)->setCurColor(0x0000FF);
    host->panel(0)->setVolColor(0xFF0000);
    host->panel(1)->setCurColor(0x00FF00);
    host->cur = 1;
    FloatingReadouts ro(host);

    // frmDisp takes the title and all five values; it loads hidden.
    ro.dispValues({"QL-K01", "1.50", "4.20", "6.30", "0.850", "3.100"});
    const frmDisp* disp = qltest::topWindow<frmDisp>();
    ASSERT_TRUE(disp);
    EXPECT_FALSE(disp->isVisible());
    EXPECT_EQ(disp->lblTitle->text(), "QL-K01");
    EXPECT_EQ(disp->lcdCurM->Value(), "1.50");
    EXPECT_EQ(disp->lcdD2M->Value(), "3.100");
    EXPECT_EQ(disp->lcdCurM->SegmentLitColor(), 0x0000FFu);  // slot 0, not the selected slot
    EXPECT_EQ(disp->lcdVolM->SegmentLitColorNeg(), 0xFF0000u);
    EXPECT_EQ(disp->lblD1M->text(), "Ah");
    EXPECT_DOUBLE_EQ(disp->windowOpacity(), 200 / 255.0);
    ro.showDisp(true);
    EXPECT_TRUE(disp->isVisible());
    EXPECT_FALSE(disp->mask().contains(QPoint(0, 0)));  // rounded corner
    EXPECT_TRUE(disp->mask().contains(disp->rect().center()));
    ro.showDisp(false);
    EXPECT_FALSE(disp->isVisible());

    // frmMeter: values only while loaded, its title stays, open flag until unload.
    ro.meterValues({"x", "0.1234", "05.012", "00.618", "0.600", "-.---"});
    EXPECT_FALSE(ro.meterOpen());
    ro.showMeter(true);
    ASSERT_TRUE(ro.meterOpen());
    ro.meterValues({"x", "0.1234", "05.012", "00.618", "0.600", "-.---"});
    EXPECT_EQ(ro.meter()->lblTitle->text(), "QL-R26B");
    EXPECT_EQ(ro.meter()->lcdVolM->Value(), "05.012");
    EXPECT_EQ(ro.meter()->lblD2M->text(), "D-");
    ro.showMeter(false);
    EXPECT_TRUE(ro.meterOpen());
    ro.meter()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ro.meterOpen());
}

TEST(Readouts, DoubleClickPicksColourAndTitleDrags)
{
    auto host = std::make_shared<qltest::FakeViewHost>(1);
    qltest::ScriptedPrompter prompts;
    FloatingReadouts ro(host);
    ro.showDisp(true);
    frmDisp* w = qltest::topWindow<frmDisp>(true);
    ASSERT_TRUE(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));

    const uint32_t before = w->lcdPwrM->SegmentLitColor();
    QTest::mouseDClick(w->lblPwrM, Qt::LeftButton);  // cancelled: nothing changes
    EXPECT_EQ(w->lcdPwrM->SegmentLitColor(), before);
    prompts.colours = {0x00FFFF};
    QTest::mouseDClick(w->lblPwrM, Qt::LeftButton);
    EXPECT_EQ(w->lcdPwrM->SegmentLitColor(), 0x00FFFFu);
    EXPECT_EQ(w->lcdPwrM->SegmentLitColorNeg(), 0x00FFFFu);
    EXPECT_EQ(w->lblPwrM->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    prompts.colours = {0x0000FF};
    w->LabelDblClick(w->lblTitle);
    EXPECT_EQ(w->Line1->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    const QPoint start = w->pos();
    QTest::mousePress(w->lblTitle, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, 15), w->lblTitle->mapToGlobal(QPointF(25, 15)), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(w->lblTitle, &move);
    QTest::mouseRelease(w->lblTitle, Qt::LeftButton, {}, QPoint(25, 15));
    EXPECT_EQ(w->pos(), start + QPoint(20, 10));
    QMouseEvent after(QEvent::MouseMove, QPointF(60, 60), w->lblTitle->mapToGlobal(QPointF(60, 60)), Qt::NoButton,
                      Qt::NoButton, {});
    QCoreApplication::sendEvent(w->lblTitle, &after);
    EXPECT_EQ(w->pos(), start + QPoint(20, 10));  // released: no more dragging
}
