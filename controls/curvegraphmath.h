#pragma once
// Arithmetic and text rules of the curve chart, free of widgets so that they
// can be checked on their own.
#include <QColor>
#include <QPen>
#include <QString>

#include <cstdint>
#include <optional>

namespace ql::curvegraph {

// RoundHalfEven(v) as an int, or nothing when v is not finite or the result does
// not fit an int (such a value must never reach an integer conversion).
std::optional<int> ToInt(double v);

// Points the cursor read-out looks at: every s-th point,
// s = round(count / (4 * width) + 1).
int DecimationStep(int64_t count, int width);

// Text of an X label for the whole number v: "hh:mm:ss" for style 0 (hours
// are not wrapped), plain "0" for any other style.
QString XLabelText(int64_t v, int xBarType);

// Whole-number value of X label k (0..10) of the window minX..maxX, or
// nothing when it does not fit an int.
std::optional<int> XLabelValue(double minX, double maxX, int k);

// Text of Y label k (0..10) of the range minY..maxY with the given decimals.
QString YLabelText(double minY, double maxY, int k, int decimals);

// The cursor read-out caption of the values of curves 0, 1, 3 and 4; the two
// lines are split by a carriage return.
QString ReadoutText(double volt, double amp, double ah, double wh);

// A Windows colour (0x00BBGGRR) as a QColor and back.
QColor ToQColor(uint32_t colorRef);
void SplitRGB(uint32_t colorRef, int& red, int& green, int& blue);
uint32_t InvertColor(uint32_t colorRef);

// Windows pen style number (0 solid, 1 dash, 2 dot, 3 dash-dot,
// 4 dash-dot-dot, 5 none, 6 inside frame) applied to a 1-pixel pen.
void ApplyPenStyle(QPen& pen, int style);

} // namespace ql::curvegraph
