#pragma once
// The main window as the device link and the run code see it: one object
// that answers the receive path (RecvHostIf with its menu entries, through
// the table it holds; RecvViewIf), run tracking (RunViewIf, RunLinkIf,
// ReadoutWindowsIf) and the calibration buttons (AdjButtonsIf) from the main
// window's slots, and small views of a slot's chart and information list.
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

// A slot's curve chart.
class RunChartView : public RunChartIf {
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

// A slot's information list; a line it does not have reads empty and
// takes no text.
class RunInfoView {
public:
    explicit RunInfoView(QListWidget* l) : l_(l) {}
    QString line(int i) const;
    void setLine(int i, const QString& text);
    void addLine(const QString& text);

private:
    QListWidget* l_;
};

class LinkHost : public RecvHostIf,
                 public RecvViewIf,
                 public RunViewIf,
                 public RunLinkIf,
                 public ReadoutWindowsIf,
                 public AdjButtonsIf {
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
    void SetupModeFields(int slot, int chn) override;

    // RunViewIf
    void Refresh(int slot, int chn, unsigned parts) override;
    void ShowTime(int slot, int chn, const QString& text) override;
    void SetInfoLine(int slot, int line, const QString& text) override;
    void AddInfoLine(int slot, const QString& text) override;
    RunChartIf* chart(int slot) override;
    bool MenuTemp() const override;
    void SetRunState(bool idle, int slot) override;
    void SetAdjButtons(bool enable) override;
    void ShowMsg(const QString& text) override;
    void SetFwText(const QString& text) override;
    bool SaveDataFile(int slot, int chn, const QString& path) override;
    // The data file of a slot's channel; false when it cannot be written.
    bool WriteDataFile(int slot, int chn, const QString& path);

    // RunLinkIf
    void SendStart(int slot, int chn, int kind) override;
    void SendStop(int slot, int chn) override;
    void SendTime(int slot, int chn) override;
    void TmrStart(int slot, int chn) override;
    void TmrStop(int slot, int chn) override;
    void TmrResume(int slot, int chn) override;
    void TmrPause(int slot, int chn) override;
    void SetCounters(int slot, int chn, int32_t tickSecs, int32_t runSecs) override;

    // ReadoutWindowsIf
    bool MinDispShown() const override;
    void ShowDisp(const ReadoutValues& v) override;
    bool MeterOpen() const override;
    void ShowMeter() override;
    void HideMeter() override;
    void UnloadMeter() override;
    void SetMeter(const ReadoutValues& v) override;

    // A slot's runs are over, its monitors off. After a disconnect its run
    // cells go back to no device and no run; after a lost device (lost) they
    // keep what the runs reached.
    void EndRunRows(int slot, bool lost);
    // The two-channel legends, colours and curves of a slot's chart and its
    // second row of the run grid.
    void initChnCurves(int slot);

    // AdjButtonsIf
    void setAdjButtonEnabled(const QString& name, bool enabled) override;

private:
    struct Views {
        std::unique_ptr<RunChartView> chart;
        std::unique_ptr<RunInfoView> info;
    };
    bool exists(int slot) const;
    void showRunCells(int slot, int chn);

    frmMain& w_;
    std::array<Views, kSlotCount> views_;
    ActionTable menus_;
};

} // namespace ql

#include "app/maintoolhost.h"
#include "app/seqhost.h"
