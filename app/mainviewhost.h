#pragma once
#include "views/viewhost.h"

#include <memory>

namespace ql {

class frmMain;

// The main window as the views see it.
class MainViewHost final : public ViewHost {
public:
    explicit MainViewHost(frmMain& w) : w_(w) {}
    QWidget* window() const override;
    int DevCount() const override;
    int CurDev() const override;
    DevCtrl* panel(int slot) const override;
    CurveGraph* chart(int slot) const override;
    FlexGrid* grid(int slot) const override;
    QWidget* frame(int slot) const override;
    const LinkState& link() const override;
    void setTitleText(int slot, const QString& text) override;
    QString DevName(int slot, int chn) const override;
    bool Dev2S(int slot) const override;
    QDateTime now() const override;
    void setMenuTemp(bool checked) override;

private:
    frmMain& w_;
};

inline std::shared_ptr<ViewHost> MakeViewHost(frmMain& w) { return std::make_shared<MainViewHost>(w); }

}  // namespace ql
