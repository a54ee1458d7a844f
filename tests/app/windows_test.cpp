// The real windows of the other parts behind the main window's menus and
// toolbar, the floating readouts at shut-down, the run grid's colour cells
// and the idle news link.
#include "apptest.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "views/readouts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTimer>
#include <QtTest/QTest>

using namespace qltest;

namespace {

// Visible top-level windows of the program's own classes other than frmMain.
QStringList openWindows()
{
    QStringList out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const QString cls = QString::fromLatin1(w->metaObject()->className());
        if (w->isVisible() && cls.startsWith(QLatin1String("ql::frm")) && cls != QLatin1String("ql::frmMain"))
            out << cls;
    }
    return out;
}

} // namespace

TEST_F(AppTest, MenusAndToolbarOpenTheRealWindows)
{
    auto w = makeWindow();
    w->show();
    // Each window the program opens is closed as soon as it shows (a modal
    // dialog's exec returns, a waited-for window ends the wait) and noted.
    struct {
        QStringList seen;
    } closer;
    qltest::WindowWatcher watcher({"frmType", "frmData", "frmCurve", "frmShow", "frmUpdate", "frmRes", "frmQC", "frmUSB"},
                                  [&](QWidget* w, const QString& cls) {
                                      closer.seen << cls;
                                      w->close();
                                  });

    // The viewer asks for its X axis in a modal dialog, then stays open.
    inside(w).action("menuOpenData")->trigger();
    EXPECT_EQ(prompt.dialogs, QStringList{"frmType"});
    EXPECT_TRUE(waitFor([&] { return closer.seen == QStringList{"frmData"}; }));
    closer.seen.clear();
    inside(w).tool("opendat")->trigger();
    EXPECT_EQ(prompt.dialogs, (QStringList{"frmType", "frmType"}));
    EXPECT_TRUE(waitFor([&] { return closer.seen == QStringList{"frmData"}; }));

    // Waited-for windows: the handler returns once the window has closed.
    closer.seen.clear();
    inside(w).action("menuCurve")->trigger();
    inside(w).action("menuShow")->trigger();
    inside(w).tool("setting")->trigger();
    EXPECT_EQ(closer.seen, (QStringList{"frmCurve", "frmShow", "frmShow"}));
    EXPECT_TRUE(inside(w).dlgDone());

    closer.seen.clear();
    inside(w).action("menuUpdate")->trigger();
    EXPECT_EQ(closer.seen, QStringList{"frmUpdate"});
    EXPECT_TRUE(inside(w).tabs()->isEnabled());
    inside(w).link().slot[0].DevType = 5;
    inside(w).link().ch(0, 0).Volt = 3.7f;
    closer.seen.clear();
    inside(w).action("menuRes")->setVisible(true);
    inside(w).action("menuRes")->setEnabled(true);
    inside(w).action("menuRes")->trigger();
    EXPECT_EQ(closer.seen, QStringList{"frmRes"});
    EXPECT_TRUE(inside(w).tabs()->isEnabled());

    closer.seen.clear();
    for (QAction* a : {inside(w).action("menuQc"), inside(w).action("menuUsb")}) {
        a->setVisible(true);
        a->setEnabled(true);
        a->trigger();
    }
    // Both were open at once.
    EXPECT_TRUE(waitFor([&] {
        closer.seen.sort();
        return closer.seen == QStringList{"frmQC", "frmUSB"};
    }));
    EXPECT_FALSE(inside(w).link().UsbOpen);

    // The calibration window sets the link's flag itself while it is open
    // and gives the tabs back when closed.
    inside(w).action("menuAdj")->setEnabled(true);
    inside(w).action("menuAdj")->trigger();
    QWidget* adj = inside(w).otherWindow("frmAdj");
    ASSERT_TRUE(adj);
    EXPECT_TRUE(adj->isVisible());
    EXPECT_TRUE(inside(w).link().AdjOpen);
    EXPECT_FALSE(inside(w).tabs()->isEnabled());
    adj->close();
    EXPECT_FALSE(inside(w).link().AdjOpen);
    EXPECT_TRUE(inside(w).tabs()->isEnabled());
    EXPECT_TRUE(openWindows().isEmpty()) << openWindows().join(',').toStdString();

    // Parameter and picture entries ask through the program's prompter; a
    // chosen name gets its picture.
    prompt.fileCalls = 0;
    inside(w).action("menuOpenCfg")->setEnabled(true);
    inside(w).action("menuSaveCfg")->setEnabled(true);
    inside(w).action("menuOpenCfg")->trigger();
    inside(w).action("menuSaveCfg")->trigger();
    EXPECT_EQ(prompt.fileCalls, 2);
    prompt.fileAnswer = QDir(home()).filePath("curve");
    inside(w).action("menuSavePic")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_TRUE(QFile::exists(QDir(home()).filePath("curve.bmp")));
    prompt.fileAnswer = QDir(home()).filePath("panel");
    inside(w).tool("savepic")->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_TRUE(QFile::exists(QDir(home()).filePath("panel.bmp")));
    EXPECT_EQ(prompt.fileCalls, 4);

    closeWindow(*w);
}

TEST_F(AppTest, FloatingReadoutsAreGoneAfterShutDownAndTheNewsLinkIdles)
{
    auto w = makeWindow();
    w->show();
    // The news link fetches only when Timer2 is enabled; it is not at start-up.
    EXPECT_FALSE(inside(w).timer(2)->isActive());
    EXPECT_FALSE(inside(w).timer(3)->isActive());
    EXPECT_EQ(inside(w).news().SvrTick(), 0);

    // The link's unload reaches the real meter window.
    inside(w).readoutWindows().ShowMeter();
    ASSERT_TRUE(inside(w).readoutWindows().MeterOpen());
    EXPECT_TRUE(inside(w).readouts().meter()->isVisible());
    inside(w).readoutWindows().UnloadMeter();
    EXPECT_FALSE(inside(w).readoutWindows().MeterOpen());

    inside(w).readoutWindows().ShowMeter();
    inside(w).hooks().showDisp(true);
    ASSERT_TRUE(qltest::topWindow<ql::frmDisp>());
    EXPECT_TRUE(qltest::topWindow<ql::frmDisp>()->isVisible());
    closeWindow(*w);
    EXPECT_FALSE(inside(w).readouts().meter());
    EXPECT_FALSE(qltest::topWindow<ql::frmDisp>()->isVisible());
    EXPECT_TRUE(openWindows().isEmpty()) << openWindows().join(',').toStdString();
}

TEST_F(AppTest, ColourCellClickPicksThroughThePrompter)
{
    auto w = makeWindow();
    w->show();
    w->menuAddDev_Click();
    for (int n : {0, 1}) {
        ql::FlexGrid& g = *inside(w).slot(n).gridRun;
        prompt.colourAnswer = n == 0 ? 0x0000FF : 0x00FF00;
        const QRect cell = g.visualRect(g.model()->index(1, 8));
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(g.CellBackColor(1, 8), prompt.colourAnswer);
        EXPECT_EQ(inside(w).slot(n).Chart->CurveLineColor(1), uint32_t(prompt.colourAnswer));
    }
    // A cancel keeps the colour.
    prompt.colourAnswer = -1;
    ql::FlexGrid& g = *inside(w).slot(0).gridRun;
    const QRect cell = g.visualRect(g.model()->index(1, 7));
    const auto before = g.CellBackColor(1, 7);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(g.CellBackColor(1, 7), before);
    closeWindow(*w);
}
