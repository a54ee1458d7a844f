#pragma once
// Drawing at the screen's pixel ratio. Controls that draw their own pictures
// lay them out in the widget's (logical) pixels and draw them in the
// screen's pixels: a length of n logical pixels covers ToDevice(n) of them.
// At a ratio of 1 both are the same.
#include <QImage>
#include <QRect>
#include <QtGlobal>

namespace ql {

inline int ToDevice(int logical, qreal ratio) { return qRound(logical * ratio); }

inline QSize ToDevice(const QSize& logical, qreal ratio)
{
    return QSize(ToDevice(logical.width(), ratio), ToDevice(logical.height(), ratio));
}

// The screen pixels of a logical rectangle: its edges mapped one by one,
// so that rectangles that meet still meet and never overlap.
inline QRect ToDevice(const QRect& logical, qreal ratio)
{
    const int l = ToDevice(logical.left(), ratio), t = ToDevice(logical.top(), ratio);
    return QRect(l, t, ToDevice(logical.left() + logical.width(), ratio) - l,
                 ToDevice(logical.top() + logical.height(), ratio) - t);
}

// The smallest logical rectangle that holds the screen pixels r.
inline QRect ToLogical(const QRect& r, qreal ratio)
{
    const QRectF f(r.x() / ratio, r.y() / ratio, r.width() / ratio, r.height() / ratio);
    return f.toAlignedRect();
}

// An image for a logical size, in screen pixels, that paints at the logical size.
inline QImage DeviceImage(const QSize& logical, qreal ratio, QImage::Format format)
{
    QImage img(ToDevice(logical, ratio), format);
    img.setDevicePixelRatio(ratio);
    return img;
}

} // namespace ql
