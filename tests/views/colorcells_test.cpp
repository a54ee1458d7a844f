// The run grid's colour cells: a pick recolours cell, curve and panel and
// writes the channel's key; other cells and a cancel change nothing.
#include "platform/services.h"
#include "platform/settings.h"
#include "testutil.h"
#include "viewfakes.h"
#include "views/colorcells.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace ql;

TEST(ColorCells, PickWritesCellCurvePanelAndKey)
{
    qltest::FakeViewHost host;
    qltest::ScriptedPrompter prompts;
    FlexGrid& g = *host.grid(0);
    CurveGraph& c = *host.chart(0);
    DevCtrl& p = *host.panel(0);
    c.setCurveCount(10);
    g.setCellBackColor(1, 7, 0xFF0000);
    g.setCellBackColor(2, 7, 0xFF0000);
    g.setCellBackColor(2, 8, 0x0000FF);
    p.setVolColor(0xFF0000);
    const QString ini = settings().IniFile.isEmpty() ? SettingsFile() : settings().IniFile;

    // Channel 2's voltage cell: curve 5 and VCOL1; the panel keeps curve 0's colour.
    prompts.colours = {0x00AA00};
    GridRunMouseDown(g, c, p, 2, 7);
    EXPECT_EQ(g.CellBackColor(2, 7), 0x00AA00);
    EXPECT_EQ(c.CurveLineColor(5), 0x00AA00u);
    EXPECT_EQ(p.VolColor(), c.CurveLineColor(0));
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "DATA", "VCOL1", ""), "43520");

    // Channel 1's current cell through a real press on the grid.
    prompts.colours = {0x123456};
    AttachColorCells(&g, &c, &p);
    const QRect cell = g.visualRect(g.model()->index(1, 8));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(c.CurveLineColor(1), 0x123456u);
    EXPECT_EQ(p.CurColor(), 0x123456u);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "DATA", "CCOL0", ""), QString::number(0x123456));

    // Cancel: the cell keeps its colour, which is written again.
    WriteIni(ini, "DATA", "CCOL1", "1");
    GridRunMouseDown(g, c, p, 2, 8);
    EXPECT_EQ(g.CellBackColor(2, 8), 0x0000FF);
    EXPECT_EQ(c.CurveLineColor(6), 0x0000FFu);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "DATA", "CCOL1", ""), "255");

    // Other columns and the header row ask for nothing.
    const int asks = prompts.colourAsks;
    GridRunMouseDown(g, c, p, 1, 6);
    GridRunMouseDown(g, c, p, 0, 7);
    EXPECT_EQ(prompts.colourAsks, asks);
}
