#pragma once
// The curve chart: up to 50 curves of (X, Y) points on three Y axes (one on
// the left, two on the right), drawn through an off-screen buffer, with a
// cursor read-out (right button), rubber-band zoom and scrolling (left
// button, when Size is on) and draggable legend labels.
//
// Colours are Windows colour values (0x00BBGGRR). Setters store their value
// and never redraw unless noted; hosts call DrawCurve after changing points,
// ranges or colours. A curve, axis or point index outside its table throws
// std::out_of_range and changes nothing.
//
// DrawCurve records what is to be drawn and asks for a paint; paints come at
// most once per repaint period (50 ms), however often DrawCurve is called,
// and each shows the state of the last DrawCurve. Frame, grid and axis texts
// are drawn again only when the axes, the look or the size change; each
// curve keeps its path per pixel column and extends it with new points.
#include "controls/curvegraphdamage.h"
#include "controls/curvegraphtrace.h"

#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QMouseEvent;
class QPainter;
class QScrollBar;
class QTimer;

namespace ql {

namespace curvegraph {
class Surface;
class LegendLabel;
class TitleLabel;
class OutlineBox;
} // namespace curvegraph

class CurveGraph : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxCurves = 50;
    static constexpr int kAxes = 3;

    explicit CurveGraph(QWidget* parent = nullptr);
    ~CurveGraph() override;

    // (Re)creates the back buffer at the drawing surface's current size.
    void Initialize_DrawCurve();
    // Appends a point to a curve. No redraw.
    void AddXY(int Curve, float X, float Y);
    // Full drawing pass: frame, grid, labels, then every point in range of
    // each shown curve (at most one paint per repaint period). A pass that
    // cannot be drawn is dropped; the screen keeps its previous picture.
    void DrawCurve();
    // Empties every curve and shows the empty frame. Legends, ranges and
    // look stay.
    void ClearAll();
    // Empties one curve. No redraw.
    void Clear(int Curve);
    // Draws the curve from series, whose owner fills and empties it (null:
    // from the curve's own points again). The series must outlive the
    // binding. A bound curve takes no AddXY, Clear or setDpY (they throw
    // std::logic_error); ClearAll leaves its points to the owner.
    void BindCurve(int Curve, const PointSeries* series);

    uint32_t BackColor() const { return backColor_; }
    void setBackColor(uint32_t color);
    // Caption of a legend label without its "---- " lead; throws
    // std::invalid_argument for a label whose text was never set.
    QString LegendText(int Index) const;
    void setLegendText(int Index, const QString& text);
    QString TitleText() const;
    void setTitleText(const QString& text);
    int GridType1() const { return gridType1_; }
    void setGridType1(int style) { gridType1_ = style; }
    int GridType2() const { return gridType2_; }
    void setGridType2(int style) { gridType2_ = style; }
    uint32_t GridColor() const { return gridColor_; }
    void setGridColor(uint32_t color) { gridColor_ = color; }
    uint32_t AxesColor() const { return axesColor_; }
    void setAxesColor(uint32_t color);
    bool ShowAxesY1() const { return showAxesY1_; }
    void setShowAxesY1(bool on);
    bool ShowAxesY2() const { return showAxesY2_; }
    void setShowAxesY2(bool on);
    int Line() const { return line_; }
    void setLine(int width) { line_ = width; }
    uint32_t CurveLineColor(int Curve) const;
    void setCurveLineColor(int Curve, uint32_t color);
    // Y axis 0..2 of a curve; another axis throws std::out_of_range.
    int CurveAxesY(int Curve) const;
    void setCurveAxesY(int Curve, int axis);
    bool ShowCurve(int Curve) const;
    void setShowCurve(int Curve, bool on);
    bool ShowLegend(int Curve) const;
    // Shows or hides the legend label; for curve 2 also lays the control out
    // again and redraws.
    void setShowLegend(int Curve, bool on);
    int DpCnt(int Curve) const;
    float DpX(int Curve, int Index) const;
    float DpY(int Curve, int Index) const;
    void setDpY(int Curve, int Index, float Y);
    int xBarType() const { return xBarType_; }
    void setxBarType(int style) { xBarType_ = style; }
    float MaxX() const { return maxX_; }
    void setMaxX(float v) { maxX_ = v; }
    float MinX() const { return minX_; }
    void setMinX(float v) { minX_ = v; }
    float MaxY(int axis) const;
    void setMaxY(int axis, float v);
    float MinY(int axis) const;
    void setMinY(int axis, float v);
    bool Size() const { return size_; }
    void setSize(bool on) { size_ = on; }
    bool YStep() const { return yStep_; }
    void setYStep(bool on) { yStep_ = on; }
    QString AxesY2Txt() const { return axesY2Txt_; }
    void setAxesY2Txt(const QString& text) { axesY2Txt_ = text; }
    QString AxesY1Txt() const { return axesY1Txt_; }
    void setAxesY1Txt(const QString& text) { axesY1Txt_ = text; }
    int CurveCount() const { return int(curves_.size()); }
    // Clamped to 1..50. Keeps the remaining curves' points and colours, hides
    // every legend, colours curve count-5 blue and count-4 red and forgets
    // dragged legend places.
    void setCurveCount(int count);
    bool Large() const { return large_; }
    // True shows the scroll bar under a shortened surface. False fills the
    // control again and restores the ranges saved by the last zoom; with no
    // zoom made it restores nothing. No redraw.
    void setLarge(bool on);

    // Shortest time between two paints in milliseconds (50 unless set).
    void setRepaintPeriod(int ms);

signals:
    // The title was double-clicked.
    void DblClick();
    // Legend label Index (the curve) was double-clicked.
    void LblClick(int Index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class curvegraph::Surface;
    friend class curvegraph::LegendLabel;
    friend class curvegraph::TitleLabel;

    using Point = curvegraph::Point;
    // A curve's path under the pixel mapping it was folded with.
    struct TraceCache {
        bool valid = false;
        bool tooMany = false;  // more columns than a picture shows: not kept
        curvegraph::PixelMap map;
        bool large = false;
        size_t begin = 0, end = 0;  // points folded
        uint64_t version = 0;
        curvegraph::Trace trace;
    };
    struct Curve {
        PointSeries own;
        const PointSeries* bound = nullptr;  // drawn from here when set
        uint64_t version = 0;                // raised when the drawn points change or go
        const PointSeries& points() const { return bound ? *bound : own; }
        // Changes with every change of the points other than an append.
        uint64_t stamp() const { return version + points().generation(); }
        int axis = 0;
        bool show = false;
        uint32_t color = 0;
        bool legend = false;
        TraceCache cache;
    };
    // Everything the frame drawing reads.
    struct FrameLook {
        int W = 0, H = 0;
        qreal ratio = 1;  // screen pixels per widget pixel the picture is drawn at
        uint32_t back = 0, axes = 0, grid = 0;
        int gridType1 = 0, gridType2 = 0;
        bool showY1 = false, showY2 = false;
        int xBarType = 0;
        float minX = 0, maxX = 0;
        float minY[kAxes] = {0, 0, 0}, maxY[kAxes] = {0, 0, 0};
        QString y1Txt, y2Txt;
        QFont font;
        bool operator==(const FrameLook&) const = default;
    };
    struct CurvePass {
        size_t index = 0;
        size_t count = 0;
        uint32_t color = 0;
        curvegraph::PixelMap map;
    };
    // What the last DrawCurve (or ClearAll) asked to be shown.
    struct Pass {
        FrameLook look;
        bool large = false;
        bool yStep = false;
        int line = 1;
        std::vector<CurvePass> curves;
    };
    struct LegendState {
        bool dragging = false;
        QRect rect;          // label rectangle as last laid out
        QPoint grab;         // pointer at the press, in surface pixels
        bool userPlaced = false;
    };

    const Curve& curve(int index) const;
    Curve& curve(int index);
    Curve& ownCurve(int index);  // a curve that holds its own points
    static void checkAxis(int axis);
    static size_t checkedAxis(int axis);  // the axis as an index; throws as checkAxis

    int surfaceWidth() const;
    int surfaceHeight() const;
    int rightMargin() const { return (showAxesY1_ && showAxesY2_) ? 100 : 50; }

    // Drawing.
    FrameLook currentLook() const;
    static bool frameDrawable(const FrameLook& look);
    static bool drawFrame(QPainter& p, const FrameLook& look);
    static void drawFrameLabels(QPainter& p, const FrameLook& look, int m);
    bool drawOneCurve(QImage& img, const CurvePass& cp, const Pass& pass);
    void forget(Curve& c);
    void scheduleRepaint();
    // Paints the pending pass into the picture on screen.
    bool beginPass(Pass& pass);
    void queuePass(Pass&& pass);
    void compose();

    // Layout.
    void resizeLayout();
    void layoutLegends();
    void layoutLegend(int i);
    void stackLegends();
    void placeSurface();
    void ensureLegend(int i);

    // Mouse on the surface.
    void surfacePress(QMouseEvent* e);
    void surfaceMove(QMouseEvent* e);
    void surfaceRelease(QMouseEvent* e);
    void showReadout(int x);
    void placeCursor(int x, int y);
    void zoomTo(const QRect& band);
    void unzoom();
    void scrolled(int value);

    // Legend drag.
    void legendPress(int i, QMouseEvent* e);
    void legendMove(int i, QMouseEvent* e);
    void legendRelease(int i, QMouseEvent* e);

    std::vector<Curve> curves_;
    std::vector<LegendState> legendState_;

    uint32_t backColor_ = 0xFFFFFF;
    int gridType1_ = 0;
    int gridType2_ = 2;
    uint32_t gridColor_ = 100 | (100 << 8) | (100 << 16);
    uint32_t axesColor_ = 0;
    bool showAxesY1_ = true;
    bool showAxesY2_ = false;
    int line_ = 2;
    int xBarType_ = 0;
    float minX_ = 0, maxX_ = 60;
    float minY_[kAxes] = {0, 0, 0};
    float maxY_[kAxes] = {20, 10, 100};
    bool size_ = false;
    bool yStep_ = false;
    QString axesY1Txt_ = QStringLiteral("[A]");
    QString axesY2Txt_ = QStringLiteral("[W]");

    // Scales and right margin of the last drawing.
    double xScale_ = 0;
    double yScale_[kAxes] = {0, 0, 0};
    bool scalesValid_ = false;
    int margin_ = 50;

    // Zoom state.
    bool large_ = false;
    bool zoomSaved_ = false;
    float zoomWidth_ = 0;
    float fullMinX_ = 0, fullMaxX_ = 0;
    float fullMinY_[2] = {0, 0}, fullMaxY_[2] = {0, 0};

    // Back buffer, the frame of the last pass and the picture on screen.
    QImage buffer_;
    QImage frame_;
    FrameLook frameLook_;
    bool frameValid_ = false;
    QImage screen_;
    // What the curves wrote into buffer_ (drawOneCurve marks it) and into
    // screen_ since each was last a copy of frame_.
    curvegraph::Damage bufferDamage_, screenDamage_;
    QFont chartFont_;
    Pass pending_;
    bool dirty_ = false;
    QTimer* repaintTimer_ = nullptr;
    QElapsedTimer sincePaint_;
    int repaintPeriod_ = 50;

    // Child elements.
    curvegraph::Surface* picGraph_ = nullptr;
    curvegraph::TitleLabel* lblTitle_ = nullptr;
    std::vector<curvegraph::LegendLabel*> lblLegend_;
    std::vector<curvegraph::OutlineBox*> shapeLegend_;
    QLabel* lblDisp_ = nullptr;
    QWidget* line1_ = nullptr;
    curvegraph::OutlineBox* shpRect_ = nullptr;
    QScrollBar* hScroll1_ = nullptr;
};

} // namespace ql
