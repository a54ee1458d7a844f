#pragma once
// The colour cells of a run grid (columns 7 and 8): a press on a channel
// row's cell asks for a colour that the cell, the channel's voltage or
// current curve and the settings (DATA/VCOL<chn>, CCOL<chn>) take at once.
namespace ql {

class CurveGraph;
class DevCtrl;
class FlexGrid;

// gridRun_MouseDown: a press on cell (row, col) of the slot's grid. Columns
// other than 7 and 8 and the header row do nothing. Colours come from
// PickColor (platform/prompter.h); a cancel keeps the cell's colour (and writes it
// again). A failure is logged as "ErrCol".
void GridRunMouseDown(FlexGrid& grid, CurveGraph& chart, DevCtrl& panel, int row, int col);

// Routes every mouse press on the grid to GridRunMouseDown. The filter is a
// child of the grid.
void AttachColorCells(FlexGrid* grid, CurveGraph* chart, DevCtrl* panel);

} // namespace ql
