#pragma once
// Child elements of the curve chart. Private to the chart's sources: they
// only forward their events to the owning CurveGraph.
#include "controls/curvegraph.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QWidget>

namespace ql::curvegraph {

// The drawing surface: shows the picture of the last finished pass.
class Surface : public QWidget {
public:
    Surface(CurveGraph* owner, QWidget* parent);
    const QImage* picture = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    CurveGraph* owner_;
};

// The title: a double click is raised to the host.
class TitleLabel : public QLabel {
public:
    TitleLabel(CurveGraph* owner, QWidget* parent);

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    CurveGraph* owner_;
};

// One legend label: dragged with the left button, double click raised.
class LegendLabel : public QLabel {
public:
    LegendLabel(CurveGraph* owner, int index, QWidget* parent);
    bool captionSet = false;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    CurveGraph* owner_;
    int index_;
};

// A 1-pixel rectangle outline that lets the mouse through (rubber band,
// legend drag frame).
class OutlineBox : public QWidget {
public:
    explicit OutlineBox(QWidget* parent);
    void setColor(const QColor& c);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor color_ = Qt::black;
};

} // namespace ql::curvegraph
