#pragma once
// frmUSB: fast-charge triggering on the selected device. Level options and
// step buttons send trigger codes through RemoteQC and RemotePE to the slot
// selected at each event; a readout shows the panel's voltage every second.
// While the window exists the link's UsbOpen is true.
#include <QWidget>

#include <array>

class QRadioButton;
class QPushButton;
class QTimer;

namespace ql {

class ToolHost;
class LCDisp;

class frmUSB : public QWidget {
    Q_OBJECT
public:
    explicit frmUSB(ToolHost& host, QWidget* parent = nullptr);
    ~frmUSB() override;

    void cmdQCInc_Click();
    void cmdQCDec_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    int QcLevel = 0;
    bool RampUp = true;

    QRadioButton *optQc2, *optQc3, *optManual, *optAuto;
    std::array<QRadioButton*, 4> optLevel{};  // opt5V, opt9V, opt12V, opt20V
    QPushButton *cmdQCInc, *cmdQCDec, *cmdPEInc, *cmdPEDec;
    LCDisp* lcdVol;
    QTimer *Timer1, *Timer2;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void step(bool up);
    void unload();
    void wire();
    ToolHost& host_;
    bool unloaded_ = false;
};

// The QC2.0 level a source at this voltage is taken to be at: 0 = 5 V,
// 1 = 9 V, 2 = 12 V, 3 = 20 V.
int QcLevelForVolts(double volts);

} // namespace ql
