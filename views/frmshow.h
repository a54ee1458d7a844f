#pragma once
// frmShow: the "Display Setting" dialog. OK applies grid styles, colours,
// line width, legends and the second Y axis to every slot's chart and panel
// and stores the look in the settings (section DATA). It deletes itself
// when closed.
#include "views/viewhost.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ql {

class frmShow : public QWidget {
    Q_OBJECT
public:
    // tempEnabled: optTemp usable; tempSelected: it starts chosen instead of "Power".
    frmShow(std::shared_ptr<ViewHost> host, bool tempEnabled, bool tempSelected, QWidget* parent = nullptr);

    QComboBox *cmbDot, *cmbDot2, *cmbLine;
    QLabel *lblGridColor, *lblBackColor, *lblAxesColor, *lblPwrColor, *lblTimeColor, *lblY2;
    QCheckBox *chkLabel, *chkScale, *chkCap, *chkWh, *chkY2;
    QRadioButton *optCap, *optTime, *optPwr, *optTemp;
    QPushButton *cmdOK, *cmdCancel;

    static uint32_t swatch(const QLabel* l);
    void swatchClick(QLabel* l);  // PickColor; a colour (not -1) becomes the swatch's
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(bool tempEnabled, bool tempSelected);

    std::shared_ptr<ViewHost> host_;
};

// The display menu's hook: a new dialog, not yet shown.
QWidget* OpenDisplaySetting(std::shared_ptr<ViewHost> host, bool tempEnabled, bool tempSelected);

} // namespace ql
