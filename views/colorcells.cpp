#include "views/colorcells.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/viewhost.h"

#include <QMouseEvent>
#include <QPointer>

#include <exception>

namespace ql {

void GridRunMouseDown(FlexGrid& grid, CurveGraph& chart, DevCtrl& panel, int row, int col)
{
    if (col != 7 && col != 8)
        return;
    if (row < 1 || row > 2)  // the header row has no curve
        return;
    try {
        grid.setCurrentCell(row, col);
        const int picked = PickColor();
        if (picked != -1)
            grid.setCellBackColor(row, col, picked);
        const int r = grid.Row();
        const int64_t color = grid.CellBackColor(r, grid.Col());
        if (color < 0)
            return;  // the cell never had a colour: nothing to keep
        const bool current = col == 8;
        const int curve = (r - 1) * 5 + (current ? 1 : 0);
        chart.setCurveLineColor(curve, uint32_t(color));
        if (current)
            panel.setCurColor(chart.CurveLineColor(1));
        else
            panel.setVolColor(chart.CurveLineColor(0));
        settings().SaveCurveColor(r - 1, current, int32_t(color));
        chart.DrawCurve();
    } catch (const std::exception& ex) {
        ErrLog(QStringLiteral("ErrCol"), QString::fromLocal8Bit(ex.what()));
    }
}

namespace {

class ColorCellFilter : public QObject {
public:
    ColorCellFilter(FlexGrid* grid, CurveGraph* chart, DevCtrl* panel)
        : QObject(grid), grid_(grid), chart_(chart), panel_(panel)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress && grid_ && chart_ && panel_) {
            const auto* me = static_cast<QMouseEvent*>(event);
            const QModelIndex i = grid_->indexAt(me->position().toPoint());
            if (i.isValid())
                GridRunMouseDown(*grid_, *chart_, *panel_, i.row(), i.column());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<FlexGrid> grid_;
    QPointer<CurveGraph> chart_;
    QPointer<DevCtrl> panel_;
};

} // namespace

void AttachColorCells(FlexGrid* grid, CurveGraph* chart, DevCtrl* panel)
{
    if (!grid || !chart || !panel)
        return;
    grid->viewport()->installEventFilter(new ColorCellFilter(grid, chart, panel));
}

} // namespace ql
