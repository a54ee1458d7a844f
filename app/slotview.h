#pragma once
// One device slot of the main window. Its frame holds the slot's device
// panel, curve chart, run grid, auto-test list and information list; the
// view sets them up and shows what the slot's records hold. The reply
// decoder (RecvViewIf) and the run tracker (RunViewIf) reach this slot's
// widgets through it alone.
#include "link/hostif.h"
#include "link/runtrack.h"

#include <QString>

#include <array>
#include <chrono>
#include <memory>

class QFrame;
class QListWidget;
class QWidget;

namespace ql {

class AutoTest;
class CurveGraph;
class DevCtrl;
class FlexGrid;

// A slot's curve chart as the run code draws on it.
class RunChartView final : public RunChartIf {
public:
    explicit RunChartView(CurveGraph* c) : c_(c) {}
    int CurveCount() const override;
    int DpCnt(int curve) const override;
    double DpX(int curve, int index) const override;
    double DpY(int curve, int index) const override;
    void AddXY(int curve, double x, double y) override;
    void Clear(int curve) override;
    void ClearAll() override;
    void DrawCurve() override;
    double MinX() const override;
    void setMinX(double v) override;
    double MaxX() const override;
    void setMaxX(double v) override;
    double MinY(int axis) const override;
    void setMinY(int axis, double v) override;
    double MaxY(int axis) const override;
    void setMaxY(int axis, double v) override;
    void setYStep(bool on) override;
    bool Large() const override;
    void setLarge(bool on) override;
    void setSize(bool on) override;

private:
    CurveGraph* c_;
};

class SlotView final : public RecvViewIf, public RunViewIf {
public:
    // The widgets of slot n inside parent, shown. menus: the main window's
    // entries the slot's run state switches; autoTest: the sequencer whose
    // page the panel holds.
    SlotView(int n, LinkState& link, MenuEnableIf& menus, AutoTest& autoTest, QWidget* parent,
             std::chrono::milliseconds panelPeriod);
    ~SlotView() override;
    SlotView(const SlotView&) = delete;
    SlotView& operator=(const SlotView&) = delete;

    // The slot's frame; every widget below lies inside it.
    QFrame* frmDev = nullptr;
    DevCtrl* Panel = nullptr;     // the device panel, at the right
    CurveGraph* Chart = nullptr;  // the curves, at the left
    // The run grid under the chart; the auto-test results over the panel.
    FlexGrid *gridRun = nullptr, *gridAutolist = nullptr;
    QListWidget* lstInfo = nullptr;  // under the panel: clock, status, notes

    // ---- set-up; first is slot 0's view, whose look a later slot takes
    void setupChart(const SlotView* first);
    void setupRunGrid(const SlotView* first);
    // The "No Device" panel: one channel, no modes, zeroed fields.
    void panelNoDevice();
    // The same without changing the channel count.
    void panelModesNoDevice();
    // Makes text the chart title (SlotState::TitleText) and draws it.
    void setTitleText(const QString& text);
    // The free ports in the port list, the first of them in the port field.
    void ScanPorts();
    // The port field shows name when the list has it.
    void preferredPort(const QString& name);

    // ---- what the panel and the window ask
    // The panel's mode choice: the channels set up for the mode chosen.
    void ModeClick();
    // Shows the auto-test results full size (rows given) or, with none,
    // the panel and information list again.
    void showAutolist(const QList<QStringList>* rows);
    // The "No Device" reset of a disconnect or a lost device (lost), after
    // the port is closed: information lines, run rows, buttons, timers and
    // modes.
    void disconnectReset(bool lost);
    // A line of the information list; a line it does not have takes no text.
    void setInfoText(int line, const QString& text);
    // The data file of a channel: its lines made now, written on the file
    // queue; written(ok) then tells whether it could be.
    void WriteDataFile(int chn, const QString& path, std::function<void(bool ok)> written);

    // RecvViewIf
    void ShowLayout() override;
    void ShowModeList() override;
    void ShowMode(int chn) override;
    void ShowTabs() override;
    void ShowDeviceName(int chn) override;
    void setAxesY1Txt(const QString& text) override;
    void InitChnCurves() override;
    void InitAutoTest() override;
    void SetupModeFields(int chn) override;

    // RunViewIf
    void Refresh(int chn, unsigned parts) override;
    void ShowTime(int chn, const QString& text) override;
    void SetInfoLine(int line, const QString& text) override { setInfoText(line, text); }
    void AddInfoLine(const QString& text) override;
    RunChartIf& chart() override { return chart_; }
    void SetRunState(bool idle) override;
    void SaveDataFile(int chn, const QString& path, std::function<void(bool ok)> written) override
    {
        WriteDataFile(chn, path, std::move(written));
    }

private:
    void createWidgets(QWidget* parent, std::chrono::milliseconds panelPeriod);
    void showRunCells(int chn);
    // The runs are over, the monitors off. After a disconnect the run cells
    // go back to no device and no run; after a lost device (lost) they keep
    // what the runs reached.
    void endRunRows(bool lost);

    const int n_;
    LinkState& link_;
    SlotState& rec_;
    MenuEnableIf& menus_;
    AutoTest& autoTest_;
    RunChartView chart_{nullptr};
};

// Views of a slot the window has none of: they show nothing, and their chart
// holds no point.
class NoSlotView final : public RecvViewIf, public RunViewIf, private RunChartIf {
public:
    static NoSlotView& instance();

    void ShowLayout() override {}
    void ShowModeList() override {}
    void ShowMode(int) override {}
    void ShowTabs() override {}
    void ShowDeviceName(int) override {}
    void setAxesY1Txt(const QString&) override {}
    void InitChnCurves() override {}
    void InitAutoTest() override {}
    void SetupModeFields(int) override {}
    void Refresh(int, unsigned) override {}
    void ShowTime(int, const QString&) override {}
    void SetInfoLine(int, const QString&) override {}
    void AddInfoLine(const QString&) override {}
    RunChartIf& chart() override { return *this; }
    void SetRunState(bool) override {}
    void SaveDataFile(int, const QString&, std::function<void(bool)> written) override { written(false); }

private:
    int CurveCount() const override { return 0; }
    int DpCnt(int) const override { return 0; }
    double DpX(int, int) const override { return 0; }
    double DpY(int, int) const override { return 0; }
    void AddXY(int, double, double) override {}
    void Clear(int) override {}
    void ClearAll() override {}
    void DrawCurve() override {}
    double MinX() const override { return 0; }
    void setMinX(double) override {}
    double MaxX() const override { return 0; }
    void setMaxX(double) override {}
    double MinY(int) const override { return 0; }
    void setMinY(int, double) override {}
    double MaxY(int) const override { return 0; }
    void setMaxY(int, double) override {}
    void setYStep(bool) override {}
    bool Large() const override { return false; }
    void setLarge(bool) override {}
    void setSize(bool) override {}
};

// The slots of the main window, made one by one up to ten.
class SlotViews {
public:
    int count() const { return count_; }
    // The view of a slot; null for a slot not made.
    SlotView* at(int slot) const;
    // One widget of a slot's view; null for a slot not made.
    template <class W>
    W* part(int slot, W* SlotView::*widget) const
    {
        const SlotView* v = at(slot);
        return v ? v->*widget : nullptr;
    }
    SlotView& add(std::unique_ptr<SlotView> view);
    // The views that exist, in slot order.
    template <class Fn>
    void forEach(Fn&& fn) const
    {
        for (int i = 0; i < count_; ++i)
            fn(*views_[size_t(i)]);
    }

private:
    std::array<std::unique_ptr<SlotView>, kSlotCount> views_{};
    int count_ = 0;
};

} // namespace ql
