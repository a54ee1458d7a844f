#pragma once
// The tool windows of the main window, one instance each while it is open.
// Each open* returns the window (created on first use, not yet shown) for
// the main window to show, wait for and close; the windows delete
// themselves when closed.
#include <QPointer>
#include <QString>

#include <map>

class QWidget;

namespace ql {

class ToolHost;
class frmAdj;
class frmRes;
class frmUpdate;
class frmQC;
class frmUSB;

class ToolWindows {
public:
    explicit ToolWindows(ToolHost& host) : host_(host) {}
    ~ToolWindows();  // closes the windows still open
    ToolWindows(const ToolWindows&) = delete;
    ToolWindows& operator=(const ToolWindows&) = delete;

    QWidget* openCalibration();
    QWidget* openResistanceTest();
    QWidget* openFirmwareUpdate();
    QWidget* openQcTest();
    QWidget* openUsbTrigger();
    // A calibration point button; remembered when the window is not open and
    // applied when it is created.
    void setAdjButtonEnabled(const QString& name, bool enabled);

private:
    ToolHost& host_;
    QPointer<frmAdj> adj_;
    QPointer<frmRes> res_;
    QPointer<frmUpdate> update_;
    QPointer<frmQC> qc_;
    QPointer<frmUSB> usb_;
    std::map<QString, bool> adjButtons_;
};

} // namespace ql
