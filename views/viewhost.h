#pragma once
// The main window as the parameter file, picture, colour-cell, dialog and
// readout code sees it: its slots' controls (for pictures and the chart and
// panel colours), the selected slot, the link records, the slot's chart
// title, the channel's device name and layout, the clock that dates proposed
// file names, and the temperature menu entry. The main window implements it
// (app/mainviewhost.h); tests fake it.
#include "link/state.h"

#include <QDateTime>
#include <QString>
#include <QWidget>

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
    // Makes text the slot's chart title (SlotState::TitleText) and draws it.
    virtual void setTitleText(int slot, const QString& text) = 0;
    // The channel's device name ("No Device" before one answered) and the
    // slot's two-channel layout.
    virtual QString DevName(int slot, int chn) const = 0;
    virtual bool Dev2S(int slot) const = 0;
    // The date and time proposed file names carry.
    virtual QDateTime now() const = 0;
    // Check mark of the temperature menu entry (set without its click).
    virtual void setMenuTemp(bool checked) = 0;
};

// "<year>-<month>-<day>-<hour>-<minute>-<second>-<device>", unpadded; a
// two-channel panel adds "-" and chn + 1. The device name loses path
// separators and control characters (FileNamePart): whatever a device or a
// record calls itself, the proposal names a file in the dialog's folder.
QString ProposedViewFileName(const QDateTime& when, const QString& device, int chn, bool dev2s);
// Lang(word + "--Device" + (slot + 1)); a two-channel panel adds
// "-Channel" and chn + 1.
QString ViewDialogTitle(const QString& word, int slot, int chn, bool dev2s);
// path, with "." and ext appended unless its last three characters are
// exactly ext (case counts).
QString WithExtension(const QString& path, const QString& ext);

} // namespace ql
