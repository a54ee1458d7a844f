// The main window's layout: everything placed in a device slot is fully
// visible at the starting size and after the window is enlarged, for a
// two-channel device (both run-grid rows) and a device with all three test
// tabs.
#include "apptest.h"

#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "testutil.h"

#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

using namespace qltest;

namespace {

QString describe(const QWidget* w)
{
    QString name = w->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(w->metaObject()->className());
    return name;
}

// Every visible widget below root lies inside its parent's rectangle. Only
// the widgets a layout places are walked: the parts Qt builds inside a
// scroll area or a header are its own business.
void expectInsideParents(const QWidget* root, const QString& where, QStringList& faults)
{
    for (const QObject* o : root->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisibleTo(root->window()))
            continue;
        const QRect inner = root->rect();
        if (!inner.contains(w->geometry()))
            faults << QStringLiteral("%1: %2 at %3,%4 %5x%6 outside %7 (%8x%9)")
                          .arg(where, describe(w))
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(describe(root))
                          .arg(root->width())
                          .arg(root->height());
        if (qobject_cast<const QAbstractScrollArea*>(w))
            continue;
        expectInsideParents(w, where, faults);
    }
}

// Every row and column of a grid shows whole inside its viewport, with
// no scroll bar needed.
void expectWholeGrid(const ql::FlexGrid* g, const QString& where, QStringList& faults)
{
    const QSize view = g->viewport()->size();
    for (int r = 0; r < g->Rows(); ++r) {
        // Row 0 is the header row drawn in the viewport like the others.
        const int bottom = g->rowViewportPosition(r) + g->rowHeight(r);
        if (g->rowViewportPosition(r) < 0 || bottom > view.height())
            faults << QStringLiteral("%1: %2 row %3 ends at %4 of %5 px")
                          .arg(where, describe(g))
                          .arg(r)
                          .arg(bottom)
                          .arg(view.height());
    }
    for (int c = 0; c < g->Cols(); ++c) {
        const int right = g->columnViewportPosition(c) + g->columnWidth(c);
        if (g->columnViewportPosition(c) < 0 || right > view.width())
            faults << QStringLiteral("%1: %2 column %3 \"%4\" ends at %5 of %6 px")
                          .arg(where, describe(g))
                          .arg(c)
                          .arg(g->TextMatrix(0, c))
                          .arg(right)
                          .arg(view.width());
    }
}

void expectWholeTabs(const QTabBar* t, const QWidget* panel, const QString& where, QStringList& faults)
{
    for (int i = 0; i < t->count(); ++i) {
        const QRect r(t->mapTo(panel, t->tabRect(i).topLeft()), t->tabRect(i).size());
        if (!t->rect().contains(t->tabRect(i)) || !panel->rect().contains(r))
            faults << QStringLiteral("%1: tab \"%2\" at %3,%4 %5x%6 beyond its strip (%7x%8) or the panel's %9 px")
                          .arg(where, t->tabText(i))
                          .arg(r.left())
                          .arg(r.top())
                          .arg(r.width())
                          .arg(r.height())
                          .arg(t->width())
                          .arg(t->height())
                          .arg(panel->width());
    }
}

QStringList layoutFaults(ql::frmMain& w, const QString& where)
{
    QStringList faults;
    expectInsideParents(w.centralWidget(), where, faults);
    for (int n = 0; n < w.DevCount(); ++n) {
        const ql::SlotView& s = inside(w).slot(n);
        expectWholeGrid(s.gridRun, where, faults);
        expectWholeTabs(s.Panel->ui().tabDev, s.Panel, where, faults);
        // The information list fills the frame below the panel.
        if (s.lstInfo->geometry().bottom() >= s.frmDev->height())
            faults << where + QStringLiteral(": information list below its frame");
    }
    return faults;
}

} // namespace

TEST_F(AppTest, EverythingPlacedShowsWholeAtTheStartSizeAndEnlarged)
{
    auto w = makeWindow();
    w->resize(1000, 680);
    w->menuAddDev_Click();
    // Slot 0 shows a two-channel device with both run-grid rows filled;
    // slot 1 a device with all three test tabs.
    ql::DevCtrl* two = inside(w).slot(0).Panel;
    two->setDev2S(true);
    inside(w).slot(0).gridRun->setTextMatrix(1, 0, "QL-R18");
    inside(w).slot(0).gridRun->setTextMatrix(2, 0, "QL-R18");
    ql::DevCtrl* three = inside(w).slot(1).Panel;
    three->TabClear();
    three->TabAdd(1, "key1");
    three->TabAdd(2, "key2");
    three->TabAdd(3, "key3");
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));

    for (const QSize size : {QSize(1000, 680), QSize(1400, 900), QSize(1000, 680)}) {
        w->resize(size);
        ASSERT_TRUE(waitFor([&] { return w->size() == size; }));
        for (int n = 0; n < 2; ++n) {
            inside(w).tabs()->setCurrentIndex(n);
            const QString where = QStringLiteral("%1x%2 slot %3").arg(size.width()).arg(size.height()).arg(n);
            const QStringList faults = layoutFaults(*w, where);
            EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
            savePicture(w.get(), QStringLiteral("layout-%1x%2-slot%3").arg(size.width()).arg(size.height()).arg(n));
        }
    }
    closeWindow(*w);
}
