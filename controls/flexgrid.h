#pragma once
// A small text grid in the manner of a flexible grid control: every cell,
// header rows included, is addressed by (row, column) and holds a text;
// the first FixedRows rows and FixedCols columns are drawn as shaded
// header cells. Column widths are given in twips (platform/twips.h), the unit
// the panels' layouts are written in. The user cannot edit cells.
//
// Tab and Shift+Tab pass the focus on to the next or previous control, as
// they do from a button. A grid whose cells the user fills in (through its
// window's fields) can take Tab between its cells instead (setTabBetweenCells);
// Ctrl+Tab and Ctrl+Shift+Tab then leave it.
//
// A cell outside the grid is an error: TextMatrix and the other cell
// members throw std::out_of_range, so a caller's error trap sees it.
#include <QTableView>

#include <cstdint>
#include <memory>

namespace ql {

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    static constexpr int kRowHeight = 16;  // pixels, 240 twips

    int Rows() const;
    void setRows(int rows);  // keeps the texts of the rows that remain
    int Cols() const;
    void setCols(int cols);
    void setFixedRows(int rows);
    void setFixedCols(int cols);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);

    // Empties every cell's text; rows, columns and colours stay.
    void Clear();

    int ColWidth(int col) const;  // twips
    void setColWidth(int col, int twips);
    // Every column's alignment (new columns take it too).
    void setAllColAlignment(Qt::Alignment align);

    // Cell colours as COLORREF (0x00BBGGRR); -1 means the grid's default.
    int64_t CellBackColor(int row, int col) const;
    void setCellBackColor(int row, int col, int64_t colorref);

    // The current cell (the grid's Row and Col).
    int Row() const;
    int Col() const;
    void setCurrentCell(int row, int col);

    // Pixel size of the columns (rows) plus the frame: what the grid needs to
    // show every column (row) without a scroll bar.
    int contentWidth() const;
    int contentHeight() const;

    void setTabBetweenCells(bool on) { setTabKeyNavigation(on); }

signals:
    void DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void checkCell(int row, int col) const;

    std::unique_ptr<FlexGridModel> model_;
    int row_ = 0, col_ = 0;
};

} // namespace ql
