#include "tools/toolwindows.h"

#include "tools/frmadj.h"
#include "tools/frmqc.h"
#include "tools/frmres.h"
#include "tools/frmupdate.h"
#include "tools/frmusb.h"

namespace ql {

ToolWindows::~ToolWindows()
{
    for (QWidget* w : std::initializer_list<QWidget*>{adj_, res_, update_, qc_, usb_})
        delete w;
}

QWidget* ToolWindows::openCalibration()
{
    if (!adj_) {
        adj_ = new frmAdj(host_);
        for (const auto& [name, on] : adjButtons_)
            adj_->setAdjButtonEnabled(name, on);
    }
    return adj_;
}

void ToolWindows::setAdjButtonEnabled(const QString& name, bool enabled)
{
    adjButtons_[name] = enabled;
    if (adj_)
        adj_->setAdjButtonEnabled(name, enabled);
}

QWidget* ToolWindows::openResistanceTest()
{
    if (!res_)
        res_ = new frmRes(host_);
    return res_;
}

QWidget* ToolWindows::openFirmwareUpdate()
{
    if (!update_)
        update_ = new frmUpdate(host_);
    return update_;
}

QWidget* ToolWindows::openQcTest()
{
    if (!qc_)
        qc_ = new frmQC(host_);
    return qc_;
}

QWidget* ToolWindows::openUsbTrigger()
{
    if (!usb_)
        usb_ = new frmUSB(host_);
    return usb_;
}

} // namespace ql
