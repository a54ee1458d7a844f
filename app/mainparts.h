#pragma once
// Helpers shared by the files of the main window (frmMain).
#include "platform/twips.h"

#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <functional>
#include <utility>

namespace ql::mainparts {
inline constexpr const char* kBuildDate = "2024-06-01";
inline constexpr const char* kCdtUrl = "https://qltester.example.com/cdt";

constexpr int px(int twips) { return TwipsToPixels(twips); }
constexpr int tw(int pixels) { return PixelsToTwips(pixels); }

// Closing order of the other windows at shut-down.
inline const char* const kWindowOrder[] = {"frmAdj", "frmCurve", "frmUpdate", "frmShow", "frmRes", "frmData", "frmMsg",
                                    "frmBanner", "frmQC", "frmUSB", "frmMeter", "frmDisp", "frmAbout"};

// Ends a local event loop when the watched window closes or goes away.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QWidget* w, QEventLoop* loop) : loop_(loop)
    {
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, loop, &QEventLoop::quit);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Hide || e->type() == QEvent::Close)
            QTimer::singleShot(0, loop_, &QEventLoop::quit);
        return false;
    }

private:
    QEventLoop* loop_;
};

// Calls fn once when the watched window closes or is hidden.
class CloseHook : public QObject {
public:
    CloseHook(QWidget* w, std::function<void()> fn) : QObject(w), fn_(std::move(fn)) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if ((e->type() == QEvent::Hide || e->type() == QEvent::Close) && fn_) {
            auto fn = std::move(fn_);
            fn_ = nullptr;
            fn();
        }
        return false;
    }

private:
    std::function<void()> fn_;
};

} // namespace ql::mainparts
