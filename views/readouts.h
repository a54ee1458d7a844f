#pragma once
// The floating readout windows: frmDisp, which stands in for the minimised
// main window, and frmMeter, the USB meter window. Both are borderless,
// topmost, at alpha 200 with rounded corners, dragged by their title, and
// only show what the per-sample update writes into them.
#include "link/runtrack.h"
#include "views/viewhost.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QFrame;
class QLabel;

namespace ql {

class LCDisp;

class FloatReadout : public QWidget {
    Q_OBJECT
public:
    // Colours of the current, voltage and power readouts from slot 0's panel.
    FloatReadout(bool meter, const ViewHost& host, QWidget* parent = nullptr);

    LCDisp *lcdCurM, *lcdVolM, *lcdPwrM, *lcdD1M, *lcdD2M;
    QLabel *lblCurM, *lblVolM, *lblPwrM, *lblD1M, *lblD2M, *lblTitle;
    QFrame *Line1, *Line2;

    // Double-click on a label: a picked colour (not -1) goes to the readout's
    // lit segments and the label's text (for the title: title and lines).
    void LabelDblClick(QLabel* label);
    void setValues(const ReadoutValues& v, bool withTitle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;

private:
    void Form_Activate();
    bool dragging_ = false;
    QPoint grab_;
};

class frmDisp final : public FloatReadout {
    Q_OBJECT
public:
    explicit frmDisp(const ViewHost& host, QWidget* parent = nullptr) : FloatReadout(false, host, parent) {}
};

class frmMeter final : public FloatReadout {
    Q_OBJECT
public:
    explicit frmMeter(const ViewHost& host, QWidget* parent = nullptr) : FloatReadout(true, host, parent) {}
};

// The two windows of the main window, loaded when first needed. frmMeter is
// deleted when closed (its unload), so meterOpen() is true from its load to
// its close.
class FloatingReadouts : public QObject {
    Q_OBJECT
public:
    explicit FloatingReadouts(std::shared_ptr<ViewHost> host, QObject* parent = nullptr);
    ~FloatingReadouts() override;

    void showDisp(bool show);
    void showMeter(bool show);   // show loads the window
    void unloadMeter();
    bool meterOpen() const { return !meter_.isNull(); }
    void dispValues(const ReadoutValues& v);   // loads frmDisp hidden when needed
    void meterValues(const ReadoutValues& v);  // only while frmMeter is loaded
    frmMeter* meter() const { return meter_; }

    // Points the main window's hooks at this object.
    template <class Hooks>
    void attach(Hooks& h)
    {
        h.showDisp = [this](bool s) { showDisp(s); };
        h.showMeter = [this](bool s) { showMeter(s); };
        h.meterOpen = [this] { return meterOpen(); };
        h.dispValues = [this](const ReadoutValues& v) { dispValues(v); };
        h.meterValues = [this](const ReadoutValues& v) { meterValues(v); };
    }

private:
    frmDisp* loadDisp();
    std::shared_ptr<ViewHost> host_;
    QPointer<frmDisp> disp_;
    QPointer<frmMeter> meter_;
};

} // namespace ql
