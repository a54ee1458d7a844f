#pragma once
// What a shown widget repaints, as its paint events tell it: used by the
// tests and benchmarks to see which parts of a control a change redraws.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <optional>

namespace qltest {

class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* w) : w_(w) { w_->installEventFilter(this); }

    // Everything repainted from the updates asked for so far. A one-pixel
    // mark in the top-left corner is asked for too and waited for (5 s at
    // most): Qt joins pending updates into one paint, so what has not come
    // with the mark was never asked for. The mark itself is left out;
    // nothing when the mark never came.
    std::optional<QRegion> Flush()
    {
        const QRect mark(0, 0, 1, 1);
        painted_ = QRegion();
        w_->update(mark);
        QElapsedTimer t;
        t.start();
        while (!painted_.contains(mark) && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!painted_.contains(mark))
            return std::nullopt;
        return painted_ - QRegion(mark);
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == w_ && e->type() == QEvent::Paint)
            painted_ += static_cast<QPaintEvent*>(e)->region();
        return false;
    }

private:
    QWidget* w_;
    QRegion painted_;
};

} // namespace qltest
