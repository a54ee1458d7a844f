// Save Curve and Save Picture at the scale factor this program runs at: the
// main window and the viewer write the screen's pixels alike, and the
// bitmap's header gives the picture's size and a resolution to match.
#include "../app/apptest.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "platform/twips.h"
#include "views/dataviewer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

using namespace qltest;

namespace {

struct BmpHeader {
    int width = 0, height = 0, xPerMetre = 0, yPerMetre = 0;
};

// The size and resolution fields of a bitmap file's information header.
BmpHeader readHeader(const QString& path)
{
    const QByteArray b = fileBytes(path);
    BmpHeader h;
    if (b.size() < 54 || !b.startsWith("BM"))
        return h;
    const auto field = [&](int at) { return qFromLittleEndian<qint32>(b.constData() + at); };
    h.width = field(18);
    h.height = std::abs(field(22));
    h.xPerMetre = field(38);
    h.yPerMetre = field(42);
    return h;
}

int device(int logical) { return qRound(logical * qApp->devicePixelRatio()); }

// The resolution of a picture of the screen: a widget pixel is 1/96 inch.
int perMetre() { return qRound(QImage(1, 1, QImage::Format_RGB32).dotsPerMeterX() * qApp->devicePixelRatio()); }

void expectScreenPicture(const QString& path, int logicalWidth, int logicalHeight)
{
    const BmpHeader h = readHeader(path);
    EXPECT_EQ(h.width, device(logicalWidth)) << path.toStdString();
    EXPECT_EQ(h.height, device(logicalHeight)) << path.toStdString();
    EXPECT_EQ(h.xPerMetre, perMetre()) << path.toStdString();
    EXPECT_EQ(h.yPerMetre, perMetre()) << path.toStdString();
    const QImage img(path, "BMP");
    EXPECT_EQ(img.size(), QSize(h.width, h.height));
}

} // namespace

TEST_F(AppTest, SavedPicturesOfBothWindowsAreTheScreensPixels)
{
    auto w = makeWindow();
    w->show();
    const QString scale = QString::number(qApp->devicePixelRatio());
    const QString out = pictureDir();
    QDir().mkpath(out);

    // The main window: the chart, and the chart down to below the run grid.
    const ql::CurveGraph* chart = inside(w).slot(0).Chart;
    const ql::FlexGrid* grid = inside(w).slot(0).gridRun;
    prompt.fileAnswer = out + QStringLiteral("/main-curve-x") + scale;
    inside(w).action("menuSavePic")->trigger();
    ASSERT_TRUE(qltest::settleDisk());
    expectScreenPicture(prompt.fileAnswer + ".bmp", chart->width(), chart->height());
    prompt.fileAnswer = out + QStringLiteral("/main-picture-x") + scale;
    inside(w).action("menuCapture")->trigger();
    ASSERT_TRUE(qltest::settleDisk());
    expectScreenPicture(prompt.fileAnswer + ".bmp", chart->width(), grid->y() + grid->height() + ql::TwipsToPixels(50));

    // The viewer: the same rule over its own areas.
    inside(w).action("menuOpenData")->trigger();
    ql::frmData* viewer = nullptr;
    ASSERT_TRUE(waitFor([&] {
        viewer = qobject_cast<ql::frmData*>(inside(w).otherWindow("frmData"));
        return viewer && viewer->isVisible();
    }));
    const QImage curve = viewer->CaptureToPicture(0);
    prompt.fileAnswer = out + QStringLiteral("/viewer-curve-x") + scale;
    viewer->menuSavePic_Click();
    ASSERT_TRUE(qltest::settleDisk());
    expectScreenPicture(prompt.fileAnswer + ".bmp", qRound(curve.width() / curve.devicePixelRatio()),
                        qRound(curve.height() / curve.devicePixelRatio()));
    const QImage all = viewer->CaptureToPicture(1);
    prompt.fileAnswer = out + QStringLiteral("/viewer-picture-x") + scale;
    viewer->menuCapture_Click();
    ASSERT_TRUE(qltest::settleDisk());
    expectScreenPicture(prompt.fileAnswer + ".bmp", qRound(all.width() / all.devicePixelRatio()),
                        qRound(all.height() / all.devicePixelRatio()));
    viewer->close();
    closeWindow(*w);
}
