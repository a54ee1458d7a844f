#include "app/slotlayout.h"

#include "app/mainparts.h"
#include "controls/curvegraph.h"
#include "link/frames.h"
#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "platform/rounding.h"

#include <QFrame>
#include <QListWidget>

#include <algorithm>
#include <cmath>

namespace ql {

namespace {

// The frame keeps a margin of 50 twips on every side of what it holds, so
// the panel's right edge and the run grid's last row stay inside it.
constexpr int kMargin = 50;
constexpr int kGap = 100;  // between chart and panel, chart and grid

using mainparts::px;
using mainparts::tw;

// Run-grid columns: 0, 7 and 8 keep 1300, 750 and 750 twips; 2 to 6 share
// the rest with column 1 two and a half times as wide. Widths come from the
// inside of the grid's frame, and what the rounding to whole pixels adds is
// taken from column 1, so the last column shows whole.
bool FitRunColumns(FlexGrid& g, int gridW)
{
    const int viewPx = px(gridW) - 2 * g.frameWidth();
    const int col = int(RoundHalfEven((tw(viewPx) - 2800) / 7.5));
    if (col < 0)
        return false;
    for (int c = 2; c <= 6; ++c)
        g.setColWidth(c, col);
    g.setColWidth(1, int(RoundHalfEven(2.5 * g.ColWidth(2))));
    int used = 0;
    for (int c = 0; c < g.Cols(); ++c)
        used += g.columnWidth(c);
    if (used > viewPx)
        g.setColumnWidth(1, std::max(0, g.columnWidth(1) - (used - viewPx)));
    return true;
}

} // namespace

bool LayoutSlot(SlotView& s, int W, int H)
{
    const int fw = W - 100, fh = H - 500;
    const int panelW = tw(s.Panel->width()), panelH = tw(s.Panel->height());
    const int chartW = fw - panelW - kGap - 2 * kMargin;
    const int gridH = tw(s.gridRun->height());
    const int chartTop = tw(s.Chart->y());
    const int chartH = fh - chartTop - kGap - gridH - kMargin;
    if (fw < 0 || fh < 0 || chartW < 0 || chartH < 0)
        return false;
    s.frmDev->resize(px(fw), px(fh));
    s.Chart->setGeometry(px(kMargin), px(chartTop), px(chartW), px(chartH));
    const int gridTop = chartTop + chartH + kGap;
    s.gridRun->setGeometry(px(kMargin), px(gridTop), px(chartW), px(gridH));
    const int panelLeft = kMargin + chartW + kGap;
    const int panelTop = tw(s.Panel->y());
    s.Panel->move(px(panelLeft), px(panelTop));
    const int listTop = panelTop + panelH + kGap;
    const int listH = fh - listTop;
    const int listW = panelW - 100;
    if (listH < 0 || listW < 0)
        return false;
    s.lstInfo->setGeometry(px(panelLeft), px(listTop), px(listW), px(listH));
    if (!FitRunColumns(*s.gridRun, chartW))
        return false;
    // The auto-test list covers the panel down to the run grid's bottom edge.
    const int alH = gridTop + gridH;
    s.gridAutolist->setGeometry(px(panelLeft), px(panelTop), px(listW), px(alH - panelTop));
    s.gridAutolist->setColWidth(0, 650);
    const int alCol = int(RoundHalfEven((listW - 650 - 300) / 3.0));
    if (alCol < 0)
        return false;
    for (int c = 1; c <= 3; ++c)
        s.gridAutolist->setColWidth(c, alCol);
    return true;
}

} // namespace ql
