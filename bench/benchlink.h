#pragma once
// Widget-free stand-ins for a slot's panel, chart and information list and
// for the main window, shared by the link benchmarks. They keep what the
// link shows (texts, chart points) the way the real controls do, but draw
// nothing: the benchmarks measure the link and time drawing apart.
//
// BenchHost wires the real command senders (link/frames) and, when given
// one, the real one-second ticker; a chart can be swapped for another
// RunChartIf (a real CurveGraph through CurveGraphChart in day_bench).
#include "controls/curvegraphstore.h"
#include "link/counters.h"
#include "link/frames.h"
#include "link/hostif.h"
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

// What one panel shows; the receive path's facade writes it.
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

// Chart points in the chart's own point store; drawing passes are counted.
class StoreChart : public ql::RunChartIf {
public:
    int draws = 0;
    int CurveCount() const override { return count_; }
    void setCurveCount(int n) { count_ = std::clamp(n, 1, 10); }
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

// One slot's stand-ins.
struct Slot {
    PanelFields fields;
    RecvPanel recv{fields};
    StoreChart store;
    ql::RunChartIf* chart = &store;
    std::array<QString, 5> lines;
    QStringList notes;
};

// The main window as the receive path and the run code see it. The panel's
// inputs are the slots' records: D-CC, 1.00 A to 0.50 V, no time limit.
class Host : public ql::RecvHostIf, public ql::RunViewIf, public ql::RunLinkIf, public ql::ReadoutWindowsIf {
public:
    Host(ql::LinkState& st, ql::SecondTicker* ticker) : st_(st), ticker_(ticker)
    {
        for (ql::SlotState& s : st_.slot) {
            s.ModeText = QStringLiteral("D-CC");
            s.RunEnable = true;
            for (ql::ChanState& c : s.chn) {
                c.SvalText = QStringLiteral("1.00");
                c.SlmtText = QStringLiteral("0.50");
                c.StimText = QStringLiteral("0");
                c.SvalUnit = QStringLiteral("A");
                c.SlmtUnit = QStringLiteral("V");
            }
        }
    }
    std::array<Slot, ql::kSlotCount> peers;
    ql::RunTracker* tracker = nullptr;
    std::function<void(int slot, int chn, const QString& path)> saveData;
    int criticals = 0, messages = 0;

    // RecvHostIf
    ql::RecvPanelIf* recvPanel(int s) override { return &peers.at(size_t(s)).recv; }
    void setGridText(int, int, int, const QString&) override {}
    void setAxesY1Txt(int, const QString&) override {}
    void setMenuVisible(const QString&, bool) override {}
    void setMenuEnabled(const QString&, bool) override {}
    int DevCount() const override { return ql::kMaxDevices; }
    void InitChnCurves(int s) override { peers.at(size_t(s)).store.setCurveCount(10); }
    void InitAutoTest(int) override {}
    void SetupModeFields(int, int) override {}

    // RunViewIf: the panel's readouts, time and timers as the records hold them.
    void Refresh(int s, int c, unsigned parts) override
    {
        PanelFields& f = peers.at(size_t(s)).fields;
        const ql::ChanState& ch = st_.ch(s, c);
        if (parts & Readouts) {
            f.vol[size_t(c)] = ch.VoltText;
            f.cur[size_t(c)] = ch.CurText;
            f.pwr[size_t(c)] = ch.PwrText;
        }
        if (parts & Timers) {
            f.tmrShow[size_t(c)] = ch.ShowOn;
            f.tmrCurve[size_t(c)] = ch.CurveOn;
        }
    }
    void ShowTime(int s, int c, const QString& t) override { peers.at(size_t(s)).fields.time[size_t(c)] = t; }
    void SetInfoLine(int s, int i, const QString& t) override
    {
        if (i >= 0 && i < 5)
            peers.at(size_t(s)).lines[size_t(i)] = t;
    }
    void AddInfoLine(int s, const QString& t) override { peers.at(size_t(s)).notes << t; }
    ql::RunChartIf* chart(int s) override { return peers.at(size_t(s)).chart; }
    bool MenuTemp() const override { return false; }
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

    // RunLinkIf
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

    // ReadoutWindowsIf
    bool MinDispShown() const override { return false; }
    void ShowDisp(const ql::ReadoutValues&) override {}
    bool MeterOpen() const override { return false; }
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
