#pragma once
// frmAdj: calibration of the selected device's voltage and current
// measurement at four points. Each point sends the true value read from a
// reference instrument in a calibration frame to the slot's port; OK sends
// the store command. The point buttons are enabled from outside
// (AdjButtonsIf) as the channel's run state changes.
//
// The window is set up for the slot and channel selected when it is
// created; OK, Cancel and the close box all close it (it deletes itself),
// so a later opening is set up afresh for the slot selected then.
#include "panel/runstate.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace ql {

class ToolHost;

class frmAdj : public QWidget, public AdjButtonsIf {
    Q_OBJECT
public:
    explicit frmAdj(ToolHost& host, QWidget* parent = nullptr);

    // Point codes of the four buttons; 4 is the store command of OK.
    enum Point { VoltLow = 0, VoltHigh = 1, CurLow = 2, CurHigh = 3, Store = 4 };

    // AdjButtonsIf: "cmdVL", "cmdVH", "cmdCL", "cmdCH".
    void setAdjButtonEnabled(const QString& name, bool enabled) override;

    // Handlers. The point handler checks the field and sends; it returns
    // whether a frame went out to an open port or would have (false when a
    // check refused the value).
    bool cmdPoint_Click(int point);
    // The check on leaving a field; false when it refused the text.
    bool txt_LostFocus(int point);
    void cmdOK_Click();
    void cmdCancel_Click();

    float CurScale = 100;
    QString CurFmt, VolFmt;
    int Slot() const { return slot_; }

    QLineEdit *txtVL, *txtVH, *txtCL, *txtCH;
    QPushButton *cmdVL, *cmdVH, *cmdCL, *cmdCH, *cmdOK, *cmdCancel;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* field(int point) const;
    void endCalibration();

    ToolHost& host_;
    int slot_ = 0;
    int chn_ = 0;
    bool ended_ = false;
    bool checking_ = false;
};

// The multiplier from amperes to the integer a current point sends.
float AdjCurScale(int devType, int fwVersion, int curFactor);

} // namespace ql
