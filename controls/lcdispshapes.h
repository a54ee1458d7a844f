#pragma once
// Shapes, colours and pictures of the seven-segment readout: the segment
// patterns, segment and separator regions, gradients and rounded outlines.
// Private to the readout's sources.
#include <QImage>
#include <QPoint>
#include <QRegion>

#include <cstdint>
#include <initializer_list>

namespace ql::lcdisp {

inline constexpr int kMaxSegmentSize = 1000;  // keeps the pictures of a cell sane

// Lit ("1") and unlit ("0") segments a to g of each pattern.
extern const char* const kPatterns[18];

// Pattern index of a character, or -1 for none.
int charToPattern(QChar c, bool showBurnIn);

QRegion polygonRegion(std::initializer_list<QPoint> pts);
// A region spanning (l, t) to (r, b), right and bottom edges excluded.
QRegion rectRegion(int l, int t, int r, int b);
QRegion ellipseRegion(int l, int t, int r, int b);
// Segment hexagon of width a and height b, pointed at both ends.
QRegion hexagon(int a, int b);
// Segment trapezoid; the long edge is the outer side of the digit.
QRegion trapezoid(int a, int b, int slant);
QRegion separatorShape(int form, int h, int w, int y);

// Two-colour gradient of w x h pixels at an angle in degrees; with middleOut
// the colours run c1, c2, c1.
QImage makeGradient(int w, int h, uint32_t colour1, uint32_t colour2, double angle, bool middleOut);

// Rectangle (x1, y1)-(x2, y2) with each corner rounded by its own radius.
QRegion roundedRect(int x1, int y1, int x2, int y2, int tl, int tr, int bl, int br);

} // namespace ql::lcdisp
