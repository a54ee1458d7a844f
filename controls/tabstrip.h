#pragma once
// The panel's test tab strip: a tab bar of fixed width whose tabs always
// fit it. When the captions at the style's spacing would run past the right
// edge, the spacing around each caption shrinks (never the caption itself),
// so "Single Test", "Auto Test" and "Cycle Test" all show whole.
#include <QTabBar>

namespace ql {

class TabStrip : public QTabBar {
public:
    explicit TabStrip(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

} // namespace ql
