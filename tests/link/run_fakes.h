#pragma once
// Fakes of what the run code drives: its views (panel, run grid,
// information list), chart and floating readouts. They record
// what they are told and show the records they are asked to.
#include "link/runtrack.h"
#include "platform/services.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <functional>
#include <stdexcept>

namespace qltest {

// What the view shows of a slot's panel: readouts, time, value fields
// (channel index as the panel addresses them) and timers, rendered from the
// records when the run code asks.
struct ShownPanel {
    QString vol[2], cur[2], pwr[2], time[2];
    QString sval[2], slmt[2], stim[2];
    bool tmrShow[2] = {false, false};
    bool tmrCurve[2] = {false, false};
};

// A slot's run grid as shown: row 0 the headers, row chn + 1 the channel.
class FakeGrid {
public:
    QMap<QPair<int, int>, QString> cells;
    FakeGrid()
    {
        for (int c = 0; c < 7; ++c)
            cells[{0, c}] = QString::fromLatin1(ql::kRunHeaders[size_t(c)]);
    }
    QString text(int r, int c) const { return cells.value({r, c}); }
};

class FakeChart : public ql::RunChartIf {
public:
    int curveCount = 5;
    QVector<QVector<QPair<double, double>>> pts = QVector<QVector<QPair<double, double>>>(10);
    double minX = 0, maxX = 60;
    double minY[3] = {0, 0, 0}, maxY[3] = {20, 10, 100};
    int draws = 0;
    bool yStep = true, large = false, sizeOn = true;

    int CurveCount() const override { return curveCount; }
    int DpCnt(int c) const override { return static_cast<int>(curve(c).size()); }
    double DpX(int c, int i) const override { return curve(c).at(i).first; }
    double DpY(int c, int i) const override { return curve(c).at(i).second; }
    void AddXY(int c, double x, double y) override { curveRef(c).append({x, y}); }
    void Clear(int c) override { curveRef(c).clear(); }
    void ClearAll() override
    {
        for (auto& p : pts)
            p.clear();
    }
    double MinX() const override { return minX; }
    void setMinX(double v) override { minX = v; }
    double MaxX() const override { return maxX; }
    void setMaxX(double v) override { maxX = v; }
    double MinY(int a) const override { return minY[a]; }
    void setMinY(int a, double v) override { minY[a] = v; }
    double MaxY(int a) const override { return maxY[a]; }
    void setMaxY(int a, double v) override { maxY[a] = v; }
    std::function<void()> onDraw;  // runs on every redraw (a tick may land meanwhile)
    void DrawCurve() override
    {
        ++draws;
        if (onDraw)
            onDraw();
    }
    void setYStep(bool on) override { yStep = on; }
    bool Large() const override { return large; }
    void setLarge(bool on) override { large = on; }
    void setSize(bool on) override { sizeOn = on; }

private:
    const QVector<QPair<double, double>>& curve(int c) const
    {
        if (c < 0 || c >= curveCount)
            throw std::out_of_range("curve");
        return pts[c];
    }
    QVector<QPair<double, double>>& curveRef(int c)
    {
        if (c < 0 || c >= curveCount)
            throw std::out_of_range("curve");
        return pts[c];
    }
};

// The run code's host, per-slot views and floating readouts, recording what
// they are asked to do; parts asked for are shown from the records.
class FakeHost : public ql::RunHostIf, public ql::ReadoutWindowsIf {
public:
    explicit FakeHost(ql::LinkState& state) : st(state) {}
    ql::LinkState& st;
    ShownPanel panels[2];
    FakeGrid grids[2];
    FakeChart charts[2];
    QString infos[2][5];
    QStringList added[2];  // notes added below the fixed lines, in order

    bool minDisp = false, meterOpen = false;
    QStringList calls;  // everything the host was asked to do, in order
    QStringList msgs;
    QVector<QPair<int, QString>> saves;  // (chn, path)
    ql::ReadoutValues disp, meter;
    QString fwText;

    // One slot's views, showing into the host's arrays.
    class View : public ql::RunViewIf {
    public:
        View(FakeHost& h, int s) : h_(h), s_(s) {}
        void Refresh(int c, unsigned parts) override { h_.refresh(s_, c, parts); }
        void ShowTime(int c, const QString& t) override { h_.panels[s_].time[c] = t; }
        void SetInfoLine(int i, const QString& t) override { h_.infos[s_][i] = t; }
        void AddInfoLine(const QString& t) override { h_.added[s_] << t; }
        ql::RunChartIf& chart() override { return h_.charts[s_]; }
        void SetRunState(bool idle) override { h_.calls << QStringLiteral("SetRunState(%1,%2)").arg(idle).arg(s_); }
        void SaveDataFile(int c, const QString& path, std::function<void(bool)> written) override
        {
            h_.calls << QStringLiteral("SaveDataFile");
            h_.saves.append({c, path});
            written(true);
        }

    private:
        FakeHost& h_;
        int s_;
    };
    View views[2] = {View(*this, 0), View(*this, 1)};

    // RunHostIf
    ql::RunViewIf& runView(int s) override { return views[s]; }
    void SetAdjButtons(bool e) override { calls << QStringLiteral("SetAdjButtons(%1)").arg(e); }
    void ShowMsg(const QString& t) override { msgs << t; }
    void SetFwText(const QString& t) override { fwText = t; }

    void refresh(int s, int c, unsigned parts)
    {
        const ql::SlotState& slot = st.slot[size_t(s)];
        const ql::ChanState& ch = slot.chn[size_t(c)];
        ShownPanel& p = panels[s];
        if (parts & ql::RunViewIf::Readouts) {
            p.vol[c] = ch.VoltText;
            p.cur[c] = ch.CurText;
            p.pwr[c] = ch.PwrText;
        }
        if (parts & ql::RunViewIf::Fields) {
            const ql::ChanState& f = slot.chn[size_t(slot.FieldChn(c))];
            p.sval[c] = f.SvalText;
            p.slmt[c] = f.SlmtText;
            p.stim[c] = f.StimText;
        }
        if (parts & ql::RunViewIf::RunCells) {
            const std::array<QString, 7> cells = ql::RunRowTexts(ch);
            for (int k = 0; k < 7; ++k)
                grids[s].cells[{c + 1, k}] = cells[size_t(k)];
        }
        if (parts & ql::RunViewIf::Timers) {
            p.tmrShow[c] = ch.ShowOn;
            p.tmrCurve[c] = ch.CurveOn;
        }
    }

    // ReadoutWindowsIf
    bool MinDispShown() const override { return minDisp; }
    void ShowDisp(const ql::ReadoutValues& v) override { disp = v; }
    bool MeterOpen() const override { return meterOpen; }
    void ShowMeter() override
    {
        calls << QStringLiteral("ShowMeter");
        meterOpen = true;
    }
    void HideMeter() override { calls << QStringLiteral("HideMeter"); }
    void UnloadMeter() override
    {
        calls << QStringLiteral("UnloadMeter");
        meterOpen = false;
    }
    void SetMeter(const ql::ReadoutValues& v) override { meter = v; }
};

// The error log of today in the program folder (created so ErrLog writes).
inline QString errLogPath()
{
    QDir(ql::ProgramDir()).mkpath(QStringLiteral("Log"));
    const QDate d = QDate::currentDate();
    return ql::ProgramDir() + QStringLiteral("/Log/ql-%1%2%3.log").arg(d.year()).arg(d.month()).arg(d.day());
}

inline QString readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace qltest
