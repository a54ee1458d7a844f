#pragma once
// The full-size copy of a panel's auto-test result list into the main
// window's result view.
#include <QList>
#include <QStringList>

namespace ql {

class FlexGrid;

// Fills the main window's result view (gridAutolist) with rows as returned
// by AutoTest::ListClick: 41 rows to begin with, one more per row from row
// 40 on.
void FillAutolist(FlexGrid& grid, const QList<QStringList>& rows);

} // namespace ql
