#pragma once
// Pictures of the selected device slot as ".bmp" files: "Save Curve" takes
// the chart alone, "Save Picture" the chart with the run grid below it. The
// picture is rendered from the slot's own widgets, so a window lying over
// the main window does not show up in it.
#include "views/viewhost.h"

#include <QImage>

#include <functional>

namespace ql {

inline constexpr char kBmpFilter[] = "bmp file(*.bmp)|*.bmp";

// The picture of area (in w's pixels) as the screen shows it, in the
// screen's pixels: on a high-resolution screen every screen pixel of it,
// with a resolution to match (96 dots per inch times the screen's pixels
// per widget pixel). Where w does not reach the picture is white. Both the
// main window's and the viewer's pictures are taken so.
QImage ScreenPicture(QWidget* w, const QRect& area);

// ComposeCurvePic: the chart of the slot's frame, 50 twips in from its left
// edge; withGrid extends it down to 50 twips below the run grid.
QImage ComposeCurvePic(ViewHost& host, int slot, bool withGrid);

// The image as a Windows bitmap file's bytes; empty when it cannot be encoded.
QByteArray BitmapBytes(const QImage& image);

// Saves the image as a Windows bitmap under a temporary name renamed onto
// path, on the file queue: the image is encoded here, the file written
// there. written(ok) comes back on asking's thread, unless asking is gone
// by then. A failure is logged as "ErrSavePic".
void SaveBitmap(const QImage& image, const QString& path, QObject* asking, std::function<void(bool ok)> written);

// menuSavePic_Click (withGrid false) and menuCapture_Click (true).
void SaveCurvePicture(ViewHost& host, bool withGrid);

} // namespace ql
