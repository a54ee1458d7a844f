#pragma once
// Where a readout's cells lie, by the layout lcdisp.h documents, in the
// widget's pixels.
#include "controls/lcdisp.h"

#include <QRect>

namespace qltest {

inline QRect LcdCell(const ql::LCDisp& d, int cell, bool exponent = false)
{
    const int style = exponent ? d.SegmentStyleExp() : d.SegmentStyle();
    const int h = exponent ? d.SegmentHeightExp() : d.SegmentHeight();
    const int w = exponent ? d.SegmentWidthExp() : d.SegmentWidth();
    const int g = exponent ? d.InterSegmentGapExp() : d.InterSegmentGap();
    QSize size;
    switch (style) {
    case 0: size = QSize(h + w + 2 * g, 2 * h + w + 4 * g); break;
    case 1: size = QSize(h + 2 * g, 2 * h + 4 * g); break;
    default: size = QSize(h + 2 * w + 2 * g - 3, 2 * h + 3 * w + 4 * g - 4); break;
    }
    const int x0 = d.BorderWidth() + (exponent ? d.XOffsetExp() : d.XOffset());
    const int gap = exponent ? d.InterDigitGapExp() : d.InterDigitGap();
    return QRect(QPoint(x0 + cell * (size.width() + gap), exponent ? d.YOffsetExp() : d.YOffset()), size);
}

}  // namespace qltest
