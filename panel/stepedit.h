#pragma once
// frmSet, "Parameter Setting": the step-program editor of one slot. The
// program is edited in the window's own grid, step by step (kind, set value,
// limit, third value), and becomes the slot's step program (SlotState::Steps,
// shown on the panel) only by OK; Cancel leaves it as it was.
//
// Use (the main window's DevCtrl_StepSetClick(i)):
//   frmSet dlg(link(), i, seqHost, this);   // reads the slot's program
//   frmMain::ShowAndWait(&dlg);               // OK or Cancel hides it
//
// Kinds: the device's modes, then "Wait" and "Cycle". Each field asks for what
// the start frame sends: a cell count or a voltage as the limit, minutes or a
// cut-off current as the third value (DC5V is sent a cut-off current and no
// set value or limit). A value is checked when
// its field is left ("Invalid value!" or "Setting value out of range!", the
// field reset) and the whole step again by Set, with the same rules the step
// test applies before it starts a program.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ql {

class FlexGrid;
class RunFieldsIf;
class SeqHostIf;
struct LinkState;
struct SlotState;

class frmSet : public QDialog {
    Q_OBJECT
public:
    frmSet(LinkState& state, int slot, SeqHostIf& host, QWidget* parent = nullptr);

    // Controls, by their names (public for tests).
    QComboBox* cmbFlow = nullptr;
    QComboBox* cmbMode = nullptr;
    QLineEdit *txtSet = nullptr, *txtLmt = nullptr, *txtLmt2 = nullptr;
    QLabel *lblSet = nullptr, *lblSett = nullptr, *lblLmt = nullptr, *lblLimit1t = nullptr, *lblLmt2 = nullptr,
           *lblLmt2t = nullptr;
    FlexGrid* gridSet = nullptr;
    QPushButton *cmdSet = nullptr, *cmdClear = nullptr, *cmdOK = nullptr, *cmdCancel = nullptr;

    // The handlers, callable directly.
    void cmbFlow_Click(int index);
    void cmbMode_Click(int index);
    void txtSet_LostFocus();
    void txtLmt_LostFocus();
    void txtLmt2_LostFocus();
    bool cmdSet_Click();  // false when the step was refused
    void cmdClear_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    void build();
    void load();
    void applyKind(int k, bool defaults);
    int kindCount() const;
    bool isCycle(int k) const { return k == kindCount() - 1; }
    bool isPower(int k) const;
    bool isCells(int k) const;
    bool isCutOff(int k) const;
    bool isPauseType(int k) const;  // "Wait" and "Cycle"
    bool isFixed(int k) const;      // a mode after the charge modes: no set value or limit
    void refuse(QLineEdit* field, const char* message, const QString& reset);

    SlotState& s_;
    int slot_;
    SeqHostIf& host_;
    RunFieldsIf& fields_;
    int modeCnt_ = 0;
    int flow_ = -1, kind_ = -1;
    QString curFmt_, volFmt_, pwrFmt_;
    bool filling_ = false;
};

} // namespace ql
