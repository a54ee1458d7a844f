#pragma once
// frmCurve: the axis-range dialog. It shows the selected slot's voltage,
// current and time ranges; OK checks them, stores them (CURVE/VY0 .. CT1)
// and applies them to every slot's chart. It deletes itself when closed.
#include "views/viewhost.h"

#include <QWidget>

#include <memory>

class QLineEdit;
class QPushButton;

namespace ql {

class frmCurve : public QWidget {
    Q_OBJECT
public:
    explicit frmCurve(std::shared_ptr<ViewHost> host, QWidget* parent = nullptr);

    QLineEdit *txtVL, *txtVH, *txtCL, *txtCH, *txtTime, *txtTime2;
    QPushButton *cmdOK, *cmdCancel;

    // The leave-field check: false (message shown, focus back, text kept)
    // for text that is not a number or lies outside the field's interval;
    // otherwise the text is rewritten in the field's format.
    bool FieldLostFocus(QLineEdit* field);
    // Checks, stores, applies and closes; false leaves the dialog open.
    bool cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void tell(const QString& text);

    std::shared_ptr<ViewHost> host_;
    bool checking_ = false;
};

// The curve menu's hook: a new dialog for the host's selected slot, not yet shown.
QWidget* OpenAxisRanges(std::shared_ptr<ViewHost> host);

} // namespace ql
