#pragma once
// Widget-free stand-ins for a slot's panel, run grid, chart and information
// list and for the main window, shared by the link benchmarks. They keep
// what the link writes (texts, chart points) the way the real controls do,
// but draw nothing: the benchmarks measure the link and time drawing apart.
//
// BenchHost wires the real command senders (link/frames) and, when given
// one, the real one-second ticker; a chart can be swapped for another
// RunChartIf (a real CurveGraph through CurveGraphChart in day_bench).
#include "controls/curvegraphstore.h"
#include "link/counters.h"
#include "link/frames.h"
#include "link/hostif.h"
#include "link/panelif.h"
#include "link/recv.h"
#include "link/runtrack.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <time.h>

namespace qlbench {

// Resident memory of the process in bytes.
inline long long residentBytes()
{
    std::ifstream f("/proc/self/statm");
    long long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * 4096;
}

// CPU seconds used by the calling thread.
inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The fields of one panel; three facades give the link its three views.
struct PanelFields {
    bool dev2s = false;
    int selChn = 0;
    QString port;
    QString mode = QStringLiteral("D-CC");
    QStringList modes;
    std::array<QString, 2> sval{QStringLiteral("1.00"), QStringLiteral("1.00")};
    std::array<QString, 2> slmt{QStringLiteral("0.50"), QStringLiteral("0.50")};
    std::array<QString, 2> stim{QStringLiteral("0"), QStringLiteral("0")};
    std::array<QString, 2> vol, cur, pwr, time;
    std::array<bool, 2> tmrShow{}, tmrCurve{};
    bool led = false;
    int idx(int c) const { return dev2s ? (c & 1) : 0; }
};

class RecvPanel : public ql::RecvPanelIf {
public:
    explicit RecvPanel(PanelFields& f) : f_(f) {}
    bool Dev2S() const override { return f_.dev2s; }
    void setDev2S(bool on) override { f_.dev2s = on; }
    void setLedRecv(bool on) override { f_.led = on; }
    void ModeClr() override { f_.modes.clear(); }
    void ModeAdd(const QString& t) override { f_.modes << t; }
    void setTMode(const QString& t) override { f_.mode = t; }
    void TabClear() override {}
    void TabAdd(int, const QString&) override {}

private:
    PanelFields& f_;
};

class RunPanel : public ql::RunPanelIf {
public:
    explicit RunPanel(PanelFields& f) : f_(f) {}
    int ChnIndex() const override { return f_.selChn; }
    bool Dev2S() const override { return f_.dev2s; }
    QString tPort() const override { return f_.port; }
    QString tMode() const override { return f_.mode; }
    QString tSval(int c) const override { return f_.sval[f_.idx(c)]; }
    void setTSval(int c, const QString& t) override { f_.sval[f_.idx(c)] = t; }
    QString tSlmt(int c) const override { return f_.slmt[f_.idx(c)]; }
    void setTSlmt(int c, const QString& t) override { f_.slmt[f_.idx(c)] = t; }
    QString tStim(int c) const override { return f_.stim[f_.idx(c)]; }
    void setTStim(int c, const QString& t) override { f_.stim[f_.idx(c)] = t; }
    QString lSvalt(int) const override { return QStringLiteral("A"); }
    QString lSlmtt(int) const override { return QStringLiteral("V"); }
    bool SvalEnable(int) const override { return true; }
    bool SlmtEnable(int) const override { return true; }
    bool StimEnable(int) const override { return true; }
    QString tVol(int c) const override { return f_.vol[f_.idx(c)]; }
    void setTVol(int c, const QString& t) override { f_.vol[f_.idx(c)] = t; }
    QString tCur(int c) const override { return f_.cur[f_.idx(c)]; }
    void setTCur(int c, const QString& t) override { f_.cur[f_.idx(c)] = t; }
    QString tPwr(int c) const override { return f_.pwr[f_.idx(c)]; }
    void setTPwr(int c, const QString& t) override { f_.pwr[f_.idx(c)] = t; }
    void setTTime(int c, const QString& t) override { f_.time[f_.idx(c)] = t; }
    bool RunEnable() const override { return true; }
    bool TmrShowEnable(int c) const override { return f_.tmrShow[c & 1]; }
    void setTmrShowEnable(int c, bool on) override { f_.tmrShow[c & 1] = on; }
    bool TmrCurveEnable(int c) const override { return f_.tmrCurve[c & 1]; }
    void setTmrCurveEnable(int c, bool on) override { f_.tmrCurve[c & 1] = on; }
    int Test() const override { return 1; }
    QString tStepList(int, int) const override { return {}; }
    int StepListCnt() const override { return 0; }

private:
    PanelFields& f_;
};

// The view the command senders take (set value, limit, third value, channel).
class LinkPanel : public ql::PanelIf {
public:
    explicit LinkPanel(PanelFields& f) : f_(f) {}
    QString tSval(int c) const override { return f_.sval[f_.idx(c)]; }
    void setTSval(int c, const QString& t) override { f_.sval[f_.idx(c)] = t; }
    QString tSlmt(int c) const override { return f_.slmt[f_.idx(c)]; }
    QString tStim(int c) const override { return f_.stim[f_.idx(c)]; }
    QString chn() const override { return f_.dev2s && f_.selChn == 1 ? QStringLiteral("1") : QStringLiteral("0"); }
    void PortClr() override {}
    void PortAdd(const QString&) override {}
    QString tPort() const override { return f_.port; }
    void setTPort(const QString& n) override { f_.port = n; }

private:
    PanelFields& f_;
};

class Grid : public ql::RunGridIf {
public:
    Grid()
    {
        const char* heads[] = {"Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt"};
        for (int c = 0; c < 7; ++c)
            cells_[0][size_t(c)] = QString::fromLatin1(heads[c]);
    }
    QString text(int r, int c) const override { return ok(r, c) ? cells_[size_t(r)][size_t(c)] : QString(); }
    void setText(int r, int c, const QString& t) override
    {
        if (ok(r, c))
            cells_[size_t(r)][size_t(c)] = t;
    }
    void setCellBackColor(int, int, int32_t) override {}

private:
    static bool ok(int r, int c) { return r >= 0 && r < 3 && c >= 0 && c < 9; }
    std::array<std::array<QString, 9>, 3> cells_;
};

// Chart points in the chart's own point store; drawing passes are counted.
class StoreChart : public ql::RunChartIf {
public:
    int draws = 0;
    int CurveCount() const override { return count_; }
    void setCurveCount(int n) override { count_ = std::clamp(n, 1, 10); }
    int DpCnt(int c) const override { return int(pts_.at(size_t(c)).size()); }
    double DpX(int c, int i) const override { return pts_.at(size_t(c))[size_t(i)].X; }
    double DpY(int c, int i) const override { return pts_.at(size_t(c))[size_t(i)].Y; }
    void AddXY(int c, double x, double y) override { pts_.at(size_t(c)).push_back({float(x), float(y)}); }
    void Clear(int c) override { pts_.at(size_t(c)).clear(); }
    void ClearAll() override
    {
        for (auto& p : pts_)
            p.clear();
    }
    double MinX() const override { return minX_; }
    void setMinX(double v) override { minX_ = v; }
    double MaxX() const override { return maxX_; }
    void setMaxX(double v) override { maxX_ = v; }
    double MinY(int a) const override { return minY_.at(size_t(a)); }
    void setMinY(int a, double v) override { minY_.at(size_t(a)) = v; }
    double MaxY(int a) const override { return maxY_.at(size_t(a)); }
    void setMaxY(int a, double v) override { maxY_.at(size_t(a)) = v; }
    void DrawCurve() override { ++draws; }
    void setYStep(bool) override {}
    bool Large() const override { return false; }
    void setLarge(bool) override {}
    void setSize(bool) override {}
    QString TitleText() const override { return QStringLiteral("Chart"); }
    void setLegendText(int, const QString&) override {}
    int32_t CurveLineColor(int) const override { return 0; }
    void setCurveLineColor(int, int32_t) override {}
    int CurveAxesY(int c) const override { return c % 5 == 1 ? 1 : c % 5 == 2 ? 2 : 0; }
    void setCurveAxesY(int, int) override {}
    bool ShowCurve(int) const override { return true; }
    void setShowCurve(int, bool) override {}
    void setShowLegend(int, bool) override {}
    size_t bytes() const
    {
        size_t n = 0;
        for (const auto& p : pts_)
            n += p.bytesReserved();
        return n;
    }

private:
    int count_ = 5;
    std::array<ql::curvegraph::PointStore, 10> pts_;
    double minX_ = 0, maxX_ = 60;
    std::array<double, 3> minY_{0, 0, 0}, maxY_{20, 10, 100};
};

class Info : public ql::RunInfoIf {
public:
    QString line(int i) const override { return i >= 0 && i < 5 ? lines_[size_t(i)] : QString(); }
    void setLine(int i, const QString& t) override
    {
        if (i >= 0 && i < 5)
            lines_[size_t(i)] = t;
    }
    void addLine(const QString& t) override { notes_ << t; }

private:
    std::array<QString, 5> lines_;
    QStringList notes_;
};

// One slot's stand-ins.
struct Slot {
    PanelFields fields;
    RecvPanel recv{fields};
    RunPanel run{fields};
    LinkPanel link{fields};
    Grid grid;
    StoreChart store;
    ql::RunChartIf* chart = &store;
    Info info;
};

// The main window as the receive path and the run code see it.
class Host : public ql::RecvHostIf, public ql::RunHostIf {
public:
    Host(ql::LinkState& st, ql::SecondTicker* ticker) : st_(st), ticker_(ticker)
    {
        for (int s = 0; s < ql::kSlotCount; ++s)
            st_.slot[size_t(s)].Panel = &peers[size_t(s)].link;
    }
    std::array<Slot, ql::kSlotCount> peers;
    ql::RunTracker* tracker = nullptr;
    bool autoSave = false;
    std::function<void(int slot, int chn, const QString& path)> saveData;
    int criticals = 0, messages = 0;

    // RecvHostIf
    ql::RecvPanelIf* recvPanel(int s) override { return &peers.at(size_t(s)).recv; }
    void setGridText(int s, int r, int c, const QString& t) override { peers.at(size_t(s)).grid.setText(r, c, t); }
    void setAxesY1Txt(int, const QString&) override {}
    void setMenuVisible(ql::MenuId, bool) override {}
    void setMenuEnabled(ql::MenuId, bool) override {}
    int DevCount() const override { return ql::kMaxDevices; }
    void InitChnCurves(int s) override
    {
        if (tracker)
            tracker->InitChnCurves(s);
    }
    void InitAutoTest(int) override {}
    void SetupModeFields(int, int) override {}

    // RunHostIf
    ql::RunPanelIf* panel(int s) override { return &peers.at(size_t(s)).run; }
    ql::RunGridIf* grid(int s) override { return &peers.at(size_t(s)).grid; }
    ql::RunChartIf* chart(int s) override { return peers.at(size_t(s)).chart; }
    ql::RunInfoIf* info(int s) override { return &peers.at(size_t(s)).info; }
    bool AutoSave() const override { return autoSave; }
    bool SaveCsv() const override { return true; }
    bool AutoScale() const override { return true; }
    bool ShowLabel() const override { return true; }
    bool MenuTemp() const override { return false; }
    int CurDev() const override { return 0; }
    int32_t ChannelColor(bool current) const override { return current ? 0x0000FF : 0xFF0000; }
    void SetRunState(bool, int) override {}
    void SetAdjButtons(bool) override {}
    void ShowMsg(const QString&) override { ++messages; }
    void ShowCritical(const QString&) override { ++criticals; }
    void SetFwText(const QString&) override {}
    void SaveDataFile(int s, int c, const QString& path) override
    {
        if (saveData)
            saveData(s, c, path);
    }
    void SendStart(int s, int c, int kind) override { ql::SendStart(st_, s, c, kind); }
    void SendStop(int s, int c) override { ql::SendStop(st_, s, c); }
    void SendTime(int s, int c) override { ql::SendTime(st_, s, c); }
    void TmrStart(int s, int c) override
    {
        if (ticker_)
            ticker_->TmrStart(s, c);
    }
    void TmrStop(int s, int c) override
    {
        if (ticker_)
            ticker_->TmrStop(s, c);
    }
    void TmrResume(int s, int c) override
    {
        if (ticker_)
            ticker_->TmrResume(s, c);
        else
            st_.ch(s, c).Counting = true;
    }
    void TmrPause(int s, int c) override
    {
        if (ticker_)
            ticker_->TmrPause(s, c);
        else
            st_.ch(s, c).Counting = false;
    }
    void SetCounters(int s, int c, int32_t tick, int32_t run) override
    {
        if (ticker_) {
            ticker_->SetCounters(s, c, tick, run);
        } else {
            st_.ch(s, c).TickSecs = tick;
            st_.ch(s, c).RunSecs = run;
        }
    }
    bool MinDispShown() const override { return false; }
    void ShowDisp(const ql::ReadoutValues&) override {}
    bool MeterOpen() const override { return false; }
    bool UsbOpen() const override { return false; }
    void ShowMeter() override {}
    void HideMeter() override {}
    void UnloadMeter() override {}
    void SetMeter(const ql::ReadoutValues&) override {}

private:
    ql::LinkState& st_;
    ql::SecondTicker* ticker_;
};

// Link timers the decoder may ask about, without timers (day_bench).
class NoTimers : public ql::RecvTimersIf {
public:
    bool conn[ql::kSlotCount] = {};
    bool ConnEnabled(int s) const override { return conn[s]; }
    void StopConn(int s) override { conn[s] = false; }
    void RecvStarted(int) override {}
};

} // namespace qlbench
