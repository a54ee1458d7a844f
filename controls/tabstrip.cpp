#include "controls/tabstrip.h"

#include <algorithm>
#include <vector>

namespace ql {

TabStrip::TabStrip(QWidget* parent) : QTabBar(parent)
{
    setDrawBase(false);
    setUsesScrollButtons(false);
    setExpanding(false);
    setElideMode(Qt::ElideNone);
}

QSize TabStrip::tabSizeHint(int index) const
{
    const QSize own = QTabBar::tabSizeHint(index);
    int total = 0, spacing = 0;
    std::vector<int> room(static_cast<size_t>(count()));
    for (int i = 0; i < count(); ++i) {
        const int w = QTabBar::tabSizeHint(i).width();
        room[size_t(i)] = std::max(0, w - fontMetrics().horizontalAdvance(tabText(i)));
        total += w;
        spacing += room[size_t(i)];
    }
    const int excess = total - width();
    if (excess <= 0 || spacing <= 0)
        return own;
    // Each tab gives up its share of the excess, rounded up, out of the
    // room around its caption; a few pixels of it always stay.
    const int share = (excess * room[size_t(index)] + spacing - 1) / spacing;
    const int keep = std::min(room[size_t(index)], 6);
    return {own.width() - std::min(share, room[size_t(index)] - keep), own.height()};
}

} // namespace ql
