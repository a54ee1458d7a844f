// Pictures of the chart and of the chart with its run grid, as bitmaps.
#include "testutil.h"
#include "viewfakes.h"
#include "views/pictures.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ql;

TEST(Pictures, CurveAndPanelPicturesAreWrittenAsReadableBitmaps)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qltest::FakeViewHost host;
    qltest::ScriptedPrompter prompts;
    host.chart(0)->setBackColor(0x0000FF);  // red background: visible in the picture
    host.chart(0)->DrawCurve();

    prompts.fileAnswer = dir.filePath("curve.BMP");  // capitals: a further ".bmp"
    SaveCurvePicture(host, false);
    ASSERT_TRUE(qltest::settleDisk());
    ASSERT_EQ(prompts.fileAsks.size(), 1u);
    EXPECT_EQ(prompts.fileAsks[0].title, "Save Curve--Device1");
    EXPECT_EQ(prompts.fileAsks[0].filters, "bmp file(*.bmp) (*.bmp)");
    EXPECT_EQ(prompts.fileAsks[0].name, "2024-3-5-7-8-9-QL-K01");
    QFile f(dir.filePath("curve.BMP.bmp"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(2), QByteArray("BM"));
    f.close();
    QImage curve(dir.filePath("curve.BMP.bmp"), "BMP");
    ASSERT_FALSE(curve.isNull());
    EXPECT_EQ(curve.size(), host.chart(0)->size());
    int red = 0;
    for (int y = 0; y < curve.height(); y += 4)
        for (int x = 0; x < curve.width(); x += 4)
            red += curve.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_GT(red, curve.width() * curve.height() / 64);  // the chart, not a blank picture

    prompts.fileAnswer = dir.filePath("panel");
    SaveCurvePicture(host, true);
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(prompts.fileAsks.back().title, "Save Picture--Device1");
    QImage panel(dir.filePath("panel.bmp"), "BMP");
    ASSERT_FALSE(panel.isNull());
    const FlexGrid* g = host.grid(0);
    EXPECT_EQ(panel.height(), g->y() + g->height() + 3);
    EXPECT_EQ(panel.width(), host.chart(0)->width());

    // A cancelled dialog writes nothing; a folder that does not exist fails.
    prompts.fileAnswer.clear();
    SaveCurvePicture(host, false);
    ASSERT_TRUE(qltest::settleDisk());
    bool written = true;
    SaveBitmap(curve, dir.filePath("no/such/dir/x.bmp"), nullptr, [&](bool ok) { written = ok; });
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_FALSE(written);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}
