#pragma once
// The main window as the parameter file, picture, colour-cell, dialog and
// readout code sees it: its slots' controls, the selected slot, the link
// state and the temperature menu entry.
//
// MakeViewHost(window) adapts any window that has the main window's public
// members (DevCount(), CurDev(), slot(n).Panel/Chart/gridRun/frmDev, link(),
// menuTemp), so the views need not see the main window's header.
#include "link/state.h"

#include <QAction>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace ql {

class CurveGraph;
class DevCtrl;
class FlexGrid;

class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual QWidget* window() const = 0;  // owner of the dialogs
    virtual int DevCount() const = 0;
    virtual int CurDev() const = 0;
    virtual DevCtrl* panel(int slot) const = 0;
    virtual CurveGraph* chart(int slot) const = 0;
    virtual FlexGrid* grid(int slot) const = 0;
    virtual QWidget* frame(int slot) const = 0;  // frmDev(slot)
    virtual const LinkState& link() const = 0;
    // Check mark of the temperature menu entry (set without its click).
    virtual void setMenuTemp(bool checked) = 0;
};

template <class W>
class WindowViewHost final : public ViewHost {
public:
    explicit WindowViewHost(W& w) : w_(w) {}
    QWidget* window() const override { return &w_; }
    int DevCount() const override { return w_.DevCount(); }
    int CurDev() const override { return w_.CurDev(); }
    DevCtrl* panel(int slot) const override { return w_.slot(slot).Panel; }
    CurveGraph* chart(int slot) const override { return w_.slot(slot).Chart; }
    FlexGrid* grid(int slot) const override { return w_.slot(slot).gridRun; }
    QWidget* frame(int slot) const override { return w_.slot(slot).frmDev; }
    const LinkState& link() const override { return w_.link(); }
    void setMenuTemp(bool checked) override
    {
        if (w_.menuTemp)
            w_.menuTemp->setChecked(checked);
    }

private:
    W& w_;
};

template <class W>
std::shared_ptr<ViewHost> MakeViewHost(W& w)
{
    return std::make_shared<WindowViewHost<W>>(w);
}

// "<year>-<month>-<day>-<hour>-<minute>-<second>-<device>", unpadded; a
// two-channel panel adds "-" and chn + 1.
QString ProposedViewFileName(const QDateTime& when, const QString& device, int chn, bool dev2s);
// Lang(word + "--Device" + (slot + 1)); a two-channel panel adds
// "-Channel" and chn + 1.
QString ViewDialogTitle(const QString& word, int slot, int chn, bool dev2s);
// path, with "." and ext appended unless its last three characters are
// exactly ext (case counts).
QString WithExtension(const QString& path, const QString& ext);

} // namespace ql
