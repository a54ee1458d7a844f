#include "controls/flexgrid.h"

#include "platform/twips.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <stdexcept>
#include <vector>

namespace ql {

namespace {
QColor RefColor(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}
const QColor kFixedBack(0xF0, 0xF0, 0xF0);
const QColor kGridBack(Qt::white);
} // namespace

// Texts and colours of every cell, row by row.
class FlexGridModel : public QAbstractTableModel {
public:
    struct Cell {
        QString text;
        int64_t back = -1;
    };

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Cell& c = cell(index.row(), index.column());
        switch (role) {
        case Qt::DisplayRole:
            return c.text;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(align_ | Qt::AlignVCenter));
        case Qt::BackgroundRole:
            if (c.back >= 0)
                return RefColor(uint32_t(c.back));
            return isFixed(index.row(), index.column()) ? kFixedBack : kGridBack;
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return isFixed(index.row(), index.column()) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    bool isFixed(int row, int col) const { return row < fixedRows_ || col < fixedCols_; }

    Cell& cell(int row, int col) { return cells_[size_t(row) * size_t(cols_) + size_t(col)]; }
    const Cell& cell(int row, int col) const { return cells_[size_t(row) * size_t(cols_) + size_t(col)]; }

    void resize(int rows, int cols)
    {
        rows = std::max(rows, 0);
        cols = std::max(cols, 0);
        if (rows == rows_ && cols == cols_)
            return;
        beginResetModel();
        std::vector<Cell> next(size_t(rows) * size_t(cols));
        for (int r = 0; r < std::min(rows, rows_); ++r)
            for (int c = 0; c < std::min(cols, cols_); ++c)
                next[size_t(r) * size_t(cols) + size_t(c)] = std::move(cell(r, c));
        cells_ = std::move(next);
        rows_ = rows;
        cols_ = cols;
        endResetModel();
    }

    void changed(int row, int col)
    {
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i);
    }
    void changedAll()
    {
        if (rows_ > 0 && cols_ > 0)
            emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
    }

    int rows_ = 0, cols_ = 0;
    int fixedRows_ = 1, fixedCols_ = 0;
    std::vector<Cell> cells_;
    Qt::Alignment align_ = Qt::AlignLeft;
};

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(std::make_unique<FlexGridModel>())
{
    model_->resize(2, 2);
    setModel(model_.get());
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    // The current cell shows by its focus frame; cells are not selected.
    setSelectionMode(QAbstractItemView::NoSelection);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setGridStyle(Qt::SolidLine);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: #a0a0a0; }"));
}

FlexGrid::~FlexGrid()
{
    // The view must let go of the model before the model goes.
    setModel(nullptr);
}

int FlexGrid::Rows() const { return model_->rows_; }
int FlexGrid::Cols() const { return model_->cols_; }

void FlexGrid::setRows(int rows)
{
    const int oldCols = Cols();
    std::vector<int> widths;
    for (int c = 0; c < oldCols; ++c)
        widths.push_back(columnWidth(c));
    model_->resize(rows, Cols());
    for (int c = 0; c < oldCols; ++c)
        setColumnWidth(c, widths[size_t(c)]);
    row_ = std::min(row_, std::max(rows - 1, 0));
}

void FlexGrid::setCols(int cols)
{
    const int keep = std::min(cols, Cols());
    std::vector<int> widths;
    for (int c = 0; c < keep; ++c)
        widths.push_back(columnWidth(c));
    model_->resize(Rows(), cols);
    for (int c = 0; c < keep; ++c)
        setColumnWidth(c, widths[size_t(c)]);
    col_ = std::min(col_, std::max(cols - 1, 0));
}

void FlexGrid::setFixedRows(int rows)
{
    model_->fixedRows_ = std::max(rows, 0);
    model_->changedAll();
}

void FlexGrid::setFixedCols(int cols)
{
    model_->fixedCols_ = std::max(cols, 0);
    model_->changedAll();
}

void FlexGrid::checkCell(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                                ") outside the grid");
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    checkCell(row, col);
    return model_->cell(row, col).text;
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    checkCell(row, col);
    QString& cell = model_->cell(row, col).text;
    if (cell == text)
        return;  // nothing to repaint
    cell = text;
    model_->changed(row, col);
}

void FlexGrid::Clear()
{
    for (auto& c : model_->cells_)
        c.text.clear();
    model_->changedAll();
}

int FlexGrid::ColWidth(int col) const
{
    checkCell(0, col);
    return PixelsToTwips(columnWidth(col));
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= Cols())
        throw std::out_of_range("grid column outside the grid");
    setColumnWidth(col, std::max(0, TwipsToPixels(twips)));
}

void FlexGrid::setAllColAlignment(Qt::Alignment align)
{
    model_->align_ = align & Qt::AlignHorizontal_Mask;
    model_->changedAll();
}

int64_t FlexGrid::CellBackColor(int row, int col) const
{
    checkCell(row, col);
    return model_->cell(row, col).back;
}

void FlexGrid::setCellBackColor(int row, int col, int64_t colorref)
{
    checkCell(row, col);
    model_->cell(row, col).back = colorref < 0 ? -1 : (colorref & 0xFFFFFF);
    model_->changed(row, col);
}

int FlexGrid::Row() const { return row_; }
int FlexGrid::Col() const { return col_; }

void FlexGrid::setCurrentCell(int row, int col)
{
    checkCell(row, col);
    row_ = row;
    col_ = col;
    setCurrentIndex(model_->index(row, col));
}

int FlexGrid::contentWidth() const
{
    int w = 2 * frameWidth();
    for (int c = 0; c < Cols(); ++c)
        w += columnWidth(c);
    return w;
}

int FlexGrid::contentHeight() const
{
    int h = 2 * frameWidth();
    for (int r = 0; r < Rows(); ++r)
        h += rowHeight(r);
    return h;
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void FlexGrid::keyPressEvent(QKeyEvent* event)
{
    // The table view would take Ctrl+Tab as Tab, to the next cell.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back);
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace ql
