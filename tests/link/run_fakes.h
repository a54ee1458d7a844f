#pragma once
// Fakes of the panel, run grid, chart, information list and main window
// that the run code drives; they record what they are told.
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

class FakePanel : public ql::RunPanelIf {
public:
    int selChn = 0;
    bool dev2s = false;
    QString port = QStringLiteral("COM3");
    QString mode = QStringLiteral("D-CC");
    QString sval[2] = {QStringLiteral("1.00"), QStringLiteral("1.00")};
    QString slmt[2] = {QStringLiteral("3.00"), QStringLiteral("3.00")};
    QString stim[2] = {QStringLiteral("0"), QStringLiteral("0")};
    bool enabled[3] = {true, true, true};
    QString vol[2], cur[2], pwr[2], time[2];
    bool runEnable = true;
    bool tmrShow[2] = {false, false};
    bool tmrCurve[2] = {false, false};
    int test = 1;
    QVector<QStringList> stepList;  // rows of 4 cells; row 0 the header

    int ChnIndex() const override { return selChn; }
    bool Dev2S() const override { return dev2s; }
    QString tPort() const override { return port; }
    QString tMode() const override { return mode; }
    QString tSval(int c) const override { return sval[idx(c)]; }
    void setTSval(int c, const QString& t) override { sval[idx(c)] = t; }
    QString tSlmt(int c) const override { return slmt[idx(c)]; }
    void setTSlmt(int c, const QString& t) override { slmt[idx(c)] = t; }
    QString tStim(int c) const override { return stim[idx(c)]; }
    void setTStim(int c, const QString& t) override { stim[idx(c)] = t; }
    QString lSvalt(int) const override { return QStringLiteral("A"); }
    QString lSlmtt(int) const override { return QStringLiteral("V"); }
    bool SvalEnable(int) const override { return enabled[0]; }
    bool SlmtEnable(int) const override { return enabled[1]; }
    bool StimEnable(int) const override { return enabled[2]; }
    QString tVol(int c) const override { return vol[idx(c)]; }
    void setTVol(int c, const QString& t) override { vol[idx(c)] = t; }
    QString tCur(int c) const override { return cur[idx(c)]; }
    void setTCur(int c, const QString& t) override { cur[idx(c)] = t; }
    QString tPwr(int c) const override { return pwr[idx(c)]; }
    void setTPwr(int c, const QString& t) override { pwr[idx(c)] = t; }
    void setTTime(int c, const QString& t) override { time[idx(c)] = t; }
    bool RunEnable() const override { return runEnable; }
    bool TmrShowEnable(int c) const override { return tmrShow[c]; }
    void setTmrShowEnable(int c, bool on) override { tmrShow[c] = on; }
    bool TmrCurveEnable(int c) const override { return tmrCurve[c]; }
    void setTmrCurveEnable(int c, bool on) override { tmrCurve[c] = on; }
    int Test() const override { return test; }
    QString tStepList(int r, int c) const override
    {
        return r < stepList.size() && c < stepList[r].size() ? stepList[r][c] : QString();
    }
    int StepListCnt() const override { return static_cast<int>(stepList.size()); }

private:
    // In the single-channel layout the one field answers for both channels.
    int idx(int c) const { return dev2s ? c : 0; }
};

class FakeGrid : public ql::RunGridIf {
public:
    QMap<QPair<int, int>, QString> cells;
    QMap<QPair<int, int>, int32_t> colors;
    FakeGrid()
    {
        const char* heads[] = {"Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt"};
        for (int c = 0; c < 7; ++c)
            cells[{0, c}] = QString::fromLatin1(heads[c]);
    }
    QString text(int r, int c) const override { return cells.value({r, c}); }
    void setText(int r, int c, const QString& t) override { cells[{r, c}] = t; }
    void setCellBackColor(int r, int c, int32_t color) override { colors[{r, c}] = color; }
};

class FakeChart : public ql::RunChartIf {
public:
    int curveCount = 5;
    QVector<QVector<QPair<double, double>>> pts = QVector<QVector<QPair<double, double>>>(10);
    double minX = 0, maxX = 60;
    double minY[3] = {0, 0, 0}, maxY[3] = {20, 10, 100};
    int draws = 0;
    bool yStep = true, large = false, sizeOn = true;
    QString title = QStringLiteral("Chart");
    QMap<int, QString> legend;
    int32_t color[10] = {};
    int axes[10] = {0, 1, 2, 0, 0, 0, 1, 2, 0, 0};
    bool show[10] = {true, true, true, true, true, true, true, true, true, true};
    QMap<int, bool> legendOn;

    int CurveCount() const override { return curveCount; }
    void setCurveCount(int n) override { curveCount = n; }
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
    QString TitleText() const override { return title; }
    void setLegendText(int c, const QString& t) override { legend[c] = t; }
    int32_t CurveLineColor(int c) const override { return color[c]; }
    void setCurveLineColor(int c, int32_t v) override { color[c] = v; }
    int CurveAxesY(int c) const override { return axes[c]; }
    void setCurveAxesY(int c, int a) override { axes[c] = a; }
    bool ShowCurve(int c) const override { return show[c]; }
    void setShowCurve(int c, bool on) override { show[c] = on; }
    void setShowLegend(int c, bool on) override { legendOn[c] = on; }

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

class FakeInfo : public ql::RunInfoIf {
public:
    QString lines[5];
    QStringList added;  // notes added below the fixed lines, in order
    QString line(int i) const override { return lines[i]; }
    void setLine(int i, const QString& t) override { lines[i] = t; }
    void addLine(const QString& t) override { added << t; }
};

class FakeHost : public ql::RunHostIf {
public:
    explicit FakeHost(ql::LinkState& state) : st(state) {}
    ql::LinkState& st;
    FakePanel panels[2];
    FakeGrid grids[2];
    FakeChart charts[2];
    FakeInfo infos[2];

    bool autoSave = false, saveCsv = true, autoScale = true, showLabel = true, menuTemp = false;
    int curDev = 0;
    bool minDisp = false, meterOpen = false, usbOpen = false;
    QStringList calls;  // everything the host was asked to do, in order
    struct Sent {
        int slot, chn, kind;
    };
    QVector<Sent> starts;
    QVector<QPair<int, int>> stops, times;
    QStringList criticals, msgs;
    QVector<QPair<int, QString>> saves;  // (chn, path)
    ql::ReadoutValues disp, meter;
    QString fwText;

    ql::RunPanelIf* panel(int s) override { return &panels[s]; }
    ql::RunGridIf* grid(int s) override { return &grids[s]; }
    ql::RunChartIf* chart(int s) override { return &charts[s]; }
    ql::RunInfoIf* info(int s) override { return &infos[s]; }
    bool AutoSave() const override { return autoSave; }
    bool SaveCsv() const override { return saveCsv; }
    bool AutoScale() const override { return autoScale; }
    bool ShowLabel() const override { return showLabel; }
    bool MenuTemp() const override { return menuTemp; }
    int CurDev() const override { return curDev; }
    int32_t ChannelColor(bool current) const override { return current ? 255 : 16711680; }
    void SetRunState(bool idle, int s) override { calls << QStringLiteral("SetRunState(%1,%2)").arg(idle).arg(s); }
    void SetAdjButtons(bool e) override { calls << QStringLiteral("SetAdjButtons(%1)").arg(e); }
    void ShowMsg(const QString& t) override { msgs << t; }
    void ShowCritical(const QString& t) override { criticals << t; }
    void SetupModeFields(int s, int c) override { calls << QStringLiteral("SetupModeFields(%1,%2)").arg(s).arg(c); }
    void SetFwText(const QString& t) override { fwText = t; }
    void SaveDataFile(int, int c, const QString& path) override
    {
        calls << QStringLiteral("SaveDataFile");
        saves.append({c, path});
    }
    void SendStart(int s, int c, int k) override
    {
        calls << QStringLiteral("SendStart(%1)").arg(k);
        starts.append({s, c, k});
    }
    void SendStop(int s, int c) override { stops.append({s, c}); }
    void SendTime(int s, int c) override { times.append({s, c}); }
    void TmrStart(int s, int c) override { calls << QStringLiteral("TmrStart(%1,%2)").arg(s).arg(c); }
    void TmrStop(int s, int c) override { calls << QStringLiteral("TmrStop(%1,%2)").arg(s).arg(c); }
    void TmrResume(int s, int c) override { calls << QStringLiteral("TmrResume(%1,%2)").arg(s).arg(c); }
    void TmrPause(int s, int c) override { calls << QStringLiteral("TmrPause(%1,%2)").arg(s).arg(c); }
    void SetCounters(int s, int c, int32_t tick, int32_t run) override
    {
        st.ch(s, c).TickSecs = tick;
        st.ch(s, c).RunSecs = run;
    }
    bool MinDispShown() const override { return minDisp; }
    void ShowDisp(const ql::ReadoutValues& v) override { disp = v; }
    bool MeterOpen() const override { return meterOpen; }
    bool UsbOpen() const override { return usbOpen; }
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
