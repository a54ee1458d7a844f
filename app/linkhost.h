#pragma once
// The main window as the device link and the run code see it: one object
// that answers the receive path (RecvHostIf with its menu entries, through
// the table it holds; RecvViewIf), run tracking (RunHostIf) and the
// calibration buttons (AdjButtonsIf) from the main window's slots, and small
// views that show a slot's run grid, chart and information list through the
// link's narrow interfaces.
#include "app/actiontable.h"
#include "link/hostif.h"
#include "link/runtrack.h"
#include "panel/runstate.h"
#include "panel/seqif.h"
#include "tools/toolhost.h"

#include <array>
#include <memory>

class QListWidget;

namespace ql {

class CurveGraph;
class FlexGrid;
class frmMain;

// A slot's run grid.
class RunGridView : public RunGridIf {
public:
    explicit RunGridView(FlexGrid* g) : g_(g) {}
    QString text(int row, int col) const override;
    void setText(int row, int col, const QString& text) override;
    void setCellBackColor(int row, int col, int32_t colorref) override;

private:
    FlexGrid* g_;
};

// A slot's curve chart.
class RunChartView : public RunChartIf {
public:
    explicit RunChartView(CurveGraph* c) : c_(c) {}
    int CurveCount() const override;
    void setCurveCount(int n) override;
    int DpCnt(int curve) const override;
    double DpX(int curve, int index) const override;
    double DpY(int curve, int index) const override;
    void AddXY(int curve, double x, double y) override;
    void Clear(int curve) override;
    void ClearAll() override;
    double MinX() const override;
    void setMinX(double v) override;
    double MaxX() const override;
    void setMaxX(double v) override;
    double MinY(int axis) const override;
    void setMinY(int axis, double v) override;
    double MaxY(int axis) const override;
    void setMaxY(int axis, double v) override;
    void DrawCurve() override;
    void setYStep(bool on) override;
    bool Large() const override;
    void setLarge(bool on) override;
    void setSize(bool on) override;
    QString TitleText() const override;
    void setLegendText(int curve, const QString& text) override;
    int32_t CurveLineColor(int curve) const override;
    void setCurveLineColor(int curve, int32_t colorref) override;
    int CurveAxesY(int curve) const override;
    void setCurveAxesY(int curve, int axis) override;
    bool ShowCurve(int curve) const override;
    void setShowCurve(int curve, bool on) override;
    void setShowLegend(int curve, bool on) override;

private:
    CurveGraph* c_;
};

// A slot's information list; a line it does not have reads empty and
// takes no text.
class RunInfoView : public RunInfoIf {
public:
    explicit RunInfoView(QListWidget* l) : l_(l) {}
    QString line(int i) const override;
    void setLine(int i, const QString& text) override;
    void addLine(const QString& text) override;

private:
    QListWidget* l_;
};

class LinkHost : public RecvHostIf, public RecvViewIf, public RunHostIf, public AdjButtonsIf {
public:
    explicit LinkHost(frmMain& w);
    ~LinkHost() override;

    // Makes the views of a slot whose controls have just been created.
    void addSlot(int slot);
    // The menu entries, filled when the menus are built.
    ActionTable& menus() { return menus_; }

    // RecvHostIf
    void setMenuVisible(MenuId id, bool visible) override;
    void setMenuEnabled(MenuId id, bool enabled) override;
    int DevCount() const override;

    // RecvViewIf
    void ShowLayout(int slot) override;
    void ShowModeList(int slot) override;
    void ShowMode(int slot, int chn) override;
    void ShowTabs(int slot) override;
    void ShowDeviceName(int slot, int chn) override;
    void setAxesY1Txt(int slot, const QString& text) override;
    void InitChnCurves(int slot) override;
    void InitAutoTest(int slot) override;
    void SetupModeFields(int slot, int chn) override;  // also RunHostIf

    // RunHostIf
    RunPanelIf* panel(int slot) override;
    RunGridIf* grid(int slot) override;
    RunChartIf* chart(int slot) override;
    RunInfoIf* info(int slot) override;
    bool AutoSave() const override;
    bool SaveCsv() const override;
    bool AutoScale() const override;
    bool ShowLabel() const override;
    bool MenuTemp() const override;
    int CurDev() const override;
    int32_t ChannelColor(bool current) const override;
    void SetRunState(bool idle, int slot) override;
    void SetAdjButtons(bool enable) override;
    void ShowMsg(const QString& text) override;
    void ShowCritical(const QString& text) override;
    void SetFwText(const QString& text) override;
    void SaveDataFile(int slot, int chn, const QString& path) override;
    void SendStart(int slot, int chn, int kind) override;
    void SendStop(int slot, int chn) override;
    void SendTime(int slot, int chn) override;
    void TmrStart(int slot, int chn) override;
    void TmrStop(int slot, int chn) override;
    void TmrResume(int slot, int chn) override;
    void TmrPause(int slot, int chn) override;
    void SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs) override;
    bool MinDispShown() const override;
    void ShowDisp(const ReadoutValues& v) override;
    bool MeterOpen() const override;
    bool UsbOpen() const override;
    void ShowMeter() override;
    void HideMeter() override;
    void UnloadMeter() override;
    void SetMeter(const ReadoutValues& v) override;

    // AdjButtonsIf
    void setAdjButtonEnabled(const QString& name, bool enabled) override;

private:
    struct Views {
        std::unique_ptr<RunGridView> grid;
        std::unique_ptr<RunChartView> chart;
        std::unique_ptr<RunInfoView> info;
    };
    bool exists(int slot) const;

    frmMain& w_;
    std::array<Views, kSlotCount> views_;
    ActionTable menus_;
};

} // namespace ql

#include "app/maintoolhost.h"
#include "app/seqhost.h"
