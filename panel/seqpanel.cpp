#include "panel/seqpanel.h"

#include "controls/flexgrid.h"

namespace ql {

void FillAutolist(FlexGrid& grid, const QList<QStringList>& rows)
{
    grid.Clear();
    grid.setRows(41);
    for (int r = 0; r < rows.size(); ++r) {
        if (r >= 40)
            grid.setRows(grid.Rows() + 1);
        const QStringList& cells = rows[r];
        for (int c = 0; c < 4 && c < cells.size() && c < grid.Cols(); ++c)
            grid.setTextMatrix(r, c, cells[c]);
    }
}

} // namespace ql
