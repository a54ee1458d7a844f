#include "link/runtrack.h"

#include "link/comm.h"
#include "link/recv.h"
#include "link/runrecord.h"
#include "platform/serial.h"
#include "platform/numfmt.h"
#include "platform/services.h"

#include <QDir>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <exception>

namespace ql {

namespace {

const QString k000 = QStringLiteral("0.000");
const QString k00 = QStringLiteral("0.00");
const QString k0 = QStringLiteral("0");
const QString k1 = QStringLiteral("0.0");

// The run grid's "Mode" cell: mode, set value and limit with their units.
QString ModeCellText(const RunPanelIf& panel, int chn)
{
    return panel.tMode() + QStringLiteral("  ") + panel.tSval(chn) + panel.lSvalt(chn) + QStringLiteral("  ") +
           panel.tSlmt(chn) + panel.lSlmtt(chn);
}

// Shortest text of a single-precision value, as the error log wants it.
QString shortest(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, static_cast<int>(r.ptr - buf));
}

// A value written with a pattern and read back (the rounding a text round trip makes).
float roundTrip(double v, const QString& pattern) { return static_cast<float>(Format(v, pattern).toDouble()); }

double toNumber(const QString& text, bool* ok)
{
    const double v = QLocale::c().toDouble(text.trimmed(), ok);
    if (*ok && !std::isfinite(v))
        *ok = false;
    return v;
}

bool inList(int t, std::initializer_list<int> list)
{
    for (int v : list)
        if (v == t)
            return true;
    return false;
}

// The three-digit pattern of the floating readouts' capacity and energy.
QString dispPattern(float v) { return v > 100 ? QStringLiteral("000.0") : v > 10 ? QStringLiteral("00.00") : k000; }

} // namespace

RunTracker::RunTracker(LinkState& state, RunHostIf& host)
    : now([] { return QDateTime::currentDateTime(); }), programDir(ProgramDir()), st_(state), host_(host)
{
}

bool RunTracker::WithTemp(int slot) const { return st_.slot[slot].TempOk && host_.MenuTemp(); }

QString RunTracker::RecordBase(int slot, int chn) const
{
    // The port that is open names the record, not what the port field shows.
    const CommHandle& h = st_.slot.at(slot).hComm;
    const QString port = h ? h->name() : host_.panel(slot)->tPort();
    return RunRecord::BaseName(programDir, host_.grid(slot)->text(chn + 1, 0), port, slot, chn);
}

QString RunTracker::AutoDataFileName(int slot, int chn) const
{
    return programDir + QStringLiteral("/Data/") + DateStem(now()) + QLatin1Char('-') +
           DeviceNamePart(host_.grid(slot)->text(chn + 1, 0)) + QLatin1Char('-') + QString::number(slot + 1) + QLatin1Char('-') +
           QString::number(chn + 1) + (host_.SaveCsv() ? QStringLiteral(".csv") : QStringLiteral(".dat"));
}

// --- Run tracking ------------------------------------------------------------

void RunTracker::Attach(ReplyDecoder& decoder)
{
    class Echo : public RunEchoIf {
    public:
        explicit Echo(ReplyDecoder& d) : d_(d) {}
        void RunStartEcho(int slot, int chn) override { d_.RunStartEcho(slot, chn); }
        void SetEcho(int slot, int chn) override { d_.SetEcho(slot, chn); }
        bool CarriesEchoes(int slot, int chn) const override { return d_.CarriesEchoes(slot, chn); }

    private:
        ReplyDecoder& d_;
    };
    decoder.onSample = [this, &decoder](int slot, int chn, int runState) {
        Echo echo(decoder);
        Track(slot, chn, runState, &echo);
    };
}

void RunTracker::Track(int slot, int chn, int runState, RunEchoIf* echo)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    RunPanelIf* panel = host_.panel(slot);
    bool stopMsg = false;
    const int panelChn = panel->ChnIndex();

    if (runState == 1 || runState == 2) {
        if (!c.Running) {
            if (echo)
                echo->RunStartEcho(slot, chn);
            // A run this program did not start since the connect is taken up
            // from its record, once the device's set values are known. Until
            // then no record is its own: a record of an earlier connection
            // takes no rows counted from a clock that started afresh.
            c.ContWait = host_.grid(slot)->text(chn + 1, 2).isEmpty();
            if (c.ContWait)
                c.DataFile.clear();
        }
        c.Running = true;
        if (echo && c.SetPend > 0)
            echo->SetEcho(slot, chn);
        // An info reply carries no set values: the continue waits for a data
        // reply, so it is checked and sent with the device's own values.
        if (c.ContWait && (!echo || echo->CarriesEchoes(slot, chn))) {
            c.ContWait = false;
            if (host_.grid(slot)->text(chn + 1, 2).isEmpty())
                ContClick(slot, chn, RunCaller::Program);
        }
        if (panelChn == chn)
            host_.SetRunState(false, slot);
        const int cur = host_.CurDev();
        if (panel->Dev2S())
            host_.SetAdjButtons(!st_.ch(cur, panelChn == 1 ? 1 : 0).Running);
        else
            host_.SetAdjButtons(!st_.ch(cur, chn).Running);
        panel->setTmrShowEnable(chn, true);
        panel->setTmrCurveEnable(chn, true);
        host_.TmrResume(slot, chn);
        host_.TmrStart(slot, chn);
        ShowSample(slot, chn);
    } else {
        ShowSample(slot, chn);
        if (c.Running)
            RunEnd(slot, chn, &stopMsg);
        c.Running = false;
        c.ContWait = false;
        if (panelChn == chn)
            host_.SetRunState(true, slot);
        host_.SetAdjButtons(!s.chn[panelChn == 1 ? 1 : 0].Running);
    }

    if (stopMsg && !s.StepRunning && !s.AutoRunning)
        host_.ShowMsg(QStringLiteral("STOP"));
}

void RunTracker::RunEnd(int slot, int chn, bool* stopMsg)
{
    SlotState& s = st_.slot[slot];
    ChanState& c = s.chn[chn];
    RunPanelIf* panel = host_.panel(slot);
    RunGridIf* grid = host_.grid(slot);

    grid->setText(chn + 1, 3, panel->tVol(chn) + QLatin1Char('V'));
    *stopMsg = !panel->Dev2S();

    // The automatic data file holds the channel whose run ended.
    if (!c.DataFile.isEmpty() && host_.AutoSave()) {
        const QString name = AutoDataFileName(slot, chn);
        if (QDir(programDir + QStringLiteral("/Data")).exists())
            host_.SaveDataFile(slot, chn, name);
    }
    c.DataFile.clear();

    panel->setTmrShowEnable(chn, false);
    host_.TmrPause(slot, chn);
    if (!s.StepRunning) {
        if (host_.info(slot)->line(chn + 3).isEmpty()) {
            panel->setTmrCurveEnable(chn, false);
            host_.TmrStop(slot, chn);
        }
        c.RunStartPt = 0;
    }
    host_.chart(slot)->setSize(true);
}

// --- Per-sample update -------------------------------------------------------

void RunTracker::ShowSample(int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);

    if (!(c.Volt <= s.MaxVol && c.Cur <= s.MaxCur && c.Temp <= 100.0f)) {
        ErrLog(QStringLiteral("ErrData"), QStringLiteral("%1 %2-%3 %4-%5")
                                              .arg(slot)
                                              .arg(shortest(c.Volt), shortest(s.MaxVol), shortest(c.Cur),
                                                   shortest(s.MaxCur)));
        return;
    }

    try {
        RunPanelIf* panel = host_.panel(slot);
        RunGridIf* grid = host_.grid(slot);
        RunChartIf* chart = host_.chart(slot);
        const int t = s.DevType;
        // One reading of the run clock serves the whole sample: the curve
        // point (and so the data file), the record row and the capacity.
        const RunClock clock = ReadRunClock(c);
        const QString curFmt = s.CurFactor == 100 ? QStringLiteral("00.00") : k000;

        // Readouts.
        QString volFmt;
        if ((s.VolFactor == 1000 || t == 26) && c.Volt < 9.999f)
            volFmt = k000;
        else if (inList(t, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 24, 25, 32, 35, 36, 37, 40}) &&
                 c.Volt < 4.5f)
            volFmt = k000;
        else if (c.Volt < 100)
            volFmt = QStringLiteral("00.00");
        else
            volFmt = QStringLiteral("000.0");
        panel->setTVol(chn, Format(c.Volt, volFmt));
        if (t == 40)
            panel->setTCur(chn, Format(c.Cur, c.Cur < 10 ? k000 : k00));
        else
            panel->setTCur(chn, Format(c.Cur, curFmt));
        c.Pwr = static_cast<float>(static_cast<double>(c.Cur) * static_cast<double>(c.Volt));
        panel->setTPwr(chn, Format(c.Pwr, c.Pwr < 100 ? QStringLiteral("00.00")
                                          : c.Pwr < 1000 ? QStringLiteral("000.0") : QStringLiteral("0000")));

        // Status and temperature lines.
        const QString state = c.Running ? QStringLiteral("START") : QStringLiteral("STOP");
        if (panel->Dev2S())
            host_.info(slot)->setLine(chn + 1, QLatin1Char(' ') + Lang(QStringLiteral("Channel%1: ").arg(chn + 1) + state));
        else
            host_.info(slot)->setLine(1, QLatin1Char(' ') + Lang(QStringLiteral("Device%1: ").arg(slot + 1) + state));
        if (s.TempOk)
            host_.info(slot)->setLine(2, QLatin1Char(' ') + Lang(QStringLiteral("Temp%1: ").arg(slot + 1) +
                                                                  Format(c.Temp, k1) + QStringLiteral(" \u2103")));

        // Firmware text of the clock line, for the selected slot.
        const int cur = host_.CurDev();
        if (cur >= 0 && cur < kSlotCount && !st_.slot[cur].StepRunning) {
            const int32_t fw = st_.slot[cur].FwVersion;
            host_.SetFwText(fw != 0 ? QLatin1Char('V') + Format(fw * 0.01, k00) : QString());
        }

        // Run cells, average voltage, type-26 capacity and energy.
        if (c.Running) {
            grid->setText(chn + 1, 1, ModeCellText(*panel, chn));
            const int n = chart->DpCnt(chn * 5);
            if (n > c.RunStartPt) {
                const double avg = static_cast<double>(c.VoltSum) / (n - c.RunStartPt);
                grid->setText(chn + 1, 6, Format(avg, k00) + QLatin1Char('V'));
                const int32_t secs = clock.run;
                if (t == 26 && secs > c.LastLogSec) {
                    c.Cap += c.Cur * static_cast<float>(secs - c.LastLogSec) / 3600.0f;
                    c.LastLogSec = secs;
                }
                const double e = avg * c.Cap;
                if (e > c.Energy)
                    c.Energy = static_cast<float>(e);
            }
        }

        // Curve points and the record row, while curve sampling is on.
        if (panel->TmrCurveEnable(chn)) {
            const float third = WithTemp(slot) ? c.Temp : c.Pwr;
            if (chart->DpCnt(chn * 5) == 0 && c.Running) {
                float begin = c.Volt;
                QString cell = grid->text(chn + 1, 2);
                if (!cell.isEmpty()) {
                    cell.chop(1);
                    bool ok = false;
                    const double v = toNumber(cell, &ok);
                    if (ok)
                        begin = static_cast<float>(v);
                }
                AddCurvePoint(0, begin, c.Cur, third, slot, chn);
                chart->AddXY(chn * 5 + 3, clock.tick, roundTrip(c.Cap, k000));
                chart->AddXY(chn * 5 + 4, clock.tick, roundTrip(c.Energy, k000));
            }
            const int32_t x = clock.tick;
            AddCurvePoint(x, c.Volt, c.Cur, third, slot, chn);
            chart->AddXY(chn * 5 + 3, x, roundTrip(c.Cap, k000));
            chart->AddXY(chn * 5 + 4, x, roundTrip(c.Energy, k000));

            if (!c.DataFile.isEmpty() && c.Running) {
                const QString path = RunRecord::PathOf(c.DataFile);
                QString error;
                const QString row = RunRecord::FormatRow(clock.run, c.Cur, c.Volt, c.Temp, s.CurFactor,
                                                         WithTemp(slot));
                // A failing record never stops the run: the failure is logged
                // and shown in the information list once, and shown again
                // when rows are written again.
                if (!RunRecord::AppendRow(path, row, &error)) {
                    if (!recordFailing_[slot][chn])
                        ErrLog(QStringLiteral("ErrData"), QStringLiteral("%1 %2: %3").arg(slot).arg(path, error));
                    RecordFailing(slot, chn, true);
                } else {
                    RecordFailing(slot, chn, false);
                }
            }
        }

        ShowCapacity(slot, chn);

        // Large floating readout: the selected slot, channel 0.
        if (host_.MinDispShown() && cur >= 0 && cur < kSlotCount) {
            RunPanelIf* p = host_.panel(cur);
            const ChanState& c0 = st_.ch(cur, 0);
            host_.ShowDisp({host_.grid(cur)->text(1, 0), p->tCur(0), p->tVol(0), p->tPwr(0),
                            Format(c0.Cap, dispPattern(c0.Cap)), Format(c0.Energy, dispPattern(c0.Energy))});
        }

        // Small floating readout: the USB meter of type 26 from version 320.
        if (!(t == 26 && s.FwVersion >= 320)) {
            if (host_.MeterOpen())
                host_.HideMeter();
        } else if (c.ChnMode != 1) {
            host_.UnloadMeter();
        } else {
            if (s.VerFrames >= 2 && !host_.MeterOpen())
                host_.ShowMeter();
            const bool usb = host_.UsbOpen();
            host_.SetMeter({QString(), Format(c.CurTenth, QStringLiteral("0.0000")),
                            Format(c.Volt, QStringLiteral("00.000")),
                            Format(static_cast<double>(c.Volt) * c.CurTenth, QStringLiteral("00.000")),
                            usb ? QStringLiteral("-.---") : Format(c.AuxVolt1, k000),
                            usb ? QStringLiteral("-.---") : Format(c.AuxVolt2, k000)});
        }
    } catch (const std::exception&) {
        ErrLog(QStringLiteral("ErrData"),
               QStringLiteral("%1 %2 %3 %4").arg(slot).arg(shortest(c.Volt), shortest(c.Cur), shortest(c.Temp)));
    }
}

void RunTracker::RecordFailing(int slot, int chn, bool failing)
{
    if (recordFailing_[slot][chn] == failing)
        return;
    recordFailing_[slot][chn] = failing;
    const QString who = host_.panel(slot)->Dev2S() ? QStringLiteral("Channel%1").arg(chn + 1)
                                                   : QStringLiteral("Device%1").arg(slot + 1);
    host_.info(slot)->addLine(QLatin1Char(' ') + Lang(who + (failing ? QStringLiteral(": Record write failed")
                                                                     : QStringLiteral(": Record write OK"))));
}

void RunTracker::ShowCapacity(int slot, int chn)
{
    try {
        const ChanState& c = st_.ch(slot, chn);
        RunGridIf* grid = host_.grid(slot);
        grid->setText(chn + 1, 4, c.Cap >= 10 ? Format(c.Cap, k00) + QStringLiteral("Ah")
                                              : Format(c.Cap * 1000.0f, k0) + QStringLiteral("mAh"));
        grid->setText(chn + 1, 5, c.Energy >= 10 ? Format(c.Energy, k00) + QStringLiteral("Wh")
                                                 : Format(c.Energy * 1000.0f, k0) + QStringLiteral("mWh"));
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCap"), QString::fromLocal8Bit(e.what()));
    }
}

// --- Curves ------------------------------------------------------------------

void RunTracker::CurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    RunChartIf* chart = host_.chart(slot);
    const float X = static_cast<float>(x);

    // Unset pairs start from the sample or from the chart's present range.
    auto seed = [&](float& top, float& bottom, int axis, float value) {
        if (top != 0 || bottom != 0)
            return;
        if (host_.AutoScale()) {
            top = bottom = value;
        } else {
            top = static_cast<float>(chart->MaxY(axis));
            bottom = static_cast<float>(chart->MinY(axis));
        }
    };
    seed(s.VolAxisMax, s.VolAxisMin, 0, volt);
    seed(s.CurAxisMax, s.CurAxisMin, 1, cur);
    seed(s.AuxAxisMax, s.AuxAxisMin, 2, third);

    auto widen = [](float& top, float& bottom, float v, float margin) {
        if (v + margin > top)
            top = roundTrip(v + margin, k1);
        if (v <= margin)
            bottom = 0;
        else if (v - margin < bottom)
            bottom = roundTrip(v - margin, k1);
    };
    widen(s.VolAxisMax, s.VolAxisMin, volt, 0.1f);
    widen(s.CurAxisMax, s.CurAxisMin, cur, 0.1f);
    widen(s.AuxAxisMax, s.AuxAxisMin, third, 1.0f);

    s.chn[chn].VoltSum += volt;
    chart->AddXY(chn * 5, X, roundTrip(volt, k000));
    chart->AddXY(chn * 5 + 1, X, roundTrip(cur, s.CurFactor == 100 ? k00 : k000));
    chart->AddXY(chn * 5 + 2, X, roundTrip(third, k1));
}

void RunTracker::AddCurvePoint(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    try {
        CurvePoint(x, volt, cur, third, slot, chn);
        ScaleCurveAxes(slot);
        host_.chart(slot)->DrawCurve();
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCurve"), QString::fromLocal8Bit(e.what()));
    }
}

void RunTracker::AddCurvePoint2(int32_t x, float volt, float cur, float third, int slot, int chn)
{
    try {
        CurvePoint(x, volt, cur, third, slot, chn);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCurve2"), QString::fromLocal8Bit(e.what()));
    }
}

void RunTracker::ScaleCurveAxes(int slot)
{
    const SlotState& s = st_.slot.at(slot);
    RunChartIf* chart = host_.chart(slot);

    const double t = s.CurveSecs;
    if (static_cast<float>(chart->MaxX()) < t + 5)
        chart->setMaxX(t + 30);
    if (chart->MaxX() > t + 30)
        chart->setMaxX(t + 30);

    // Grows the span to a multiple of unit, splitting the growth over both
    // ends when the bottom is clear of zero.
    auto fit = [&](int axis, float top, float bottom, double unit) {
        const float span = top - bottom;
        const long long steps = static_cast<long long>(std::nearbyint(span / (unit / 10)));
        const long long r = steps % 10;
        double hi = top, lo = bottom;
        if (r != 0) {
            if (bottom > unit) {
                hi = top + (10 - r) * unit / 20;
                lo = bottom - (10 - r) * unit / 20;
            } else {
                hi = top + (10 - r) * unit / 10;
            }
        }
        if (chart->MinY(axis) != lo)
            chart->setMinY(axis, lo);
        if (chart->MaxY(axis) != hi)
            chart->setMaxY(axis, hi);
    };
    fit(0, s.VolAxisMax, s.VolAxisMin, 0.5);
    fit(1, s.CurAxisMax, s.CurAxisMin, s.DevType == 35 ? 0.05 : 0.5);
    if (chart->MaxY(2) != s.AuxAxisMax)
        chart->setMaxY(2, s.AuxAxisMax);
    if (chart->MinY(2) != s.AuxAxisMin)
        chart->setMinY(2, s.AuxAxisMin);
}

// --- Panel commands ----------------------------------------------------------

bool RunTracker::CheckBeforeSend(int slot, int chn, int kind, RunCaller caller)
{
    if (!checkSend)
        return true;
    RunPanelIf* panel = host_.panel(slot);
    const SendCheck r = checkSend(st_.slot.at(slot), chn, kind, *panel);
    if (r.ok)
        return true;
    if (caller == RunCaller::User) {
        host_.ShowCritical(Lang(r.message));
        if (!r.replacement.isEmpty()) {
            if (r.field == 0)
                panel->setTSval(chn, r.replacement);
            else if (r.field == 1)
                panel->setTSlmt(chn, r.replacement);
            else
                panel->setTStim(chn, r.replacement);
        }
    } else {
        ErrLog(QStringLiteral("ErrStart%1").arg(kind), QStringLiteral("%1 %2: %3").arg(slot).arg(chn).arg(r.reason));
    }
    return false;
}

bool RunTracker::RunClick(int slot, int chn, RunCaller caller)
{
    if (!CheckBeforeSend(slot, chn, 1, caller))
        return false;

    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    RunPanelIf* panel = host_.panel(slot);
    RunChartIf* chart = host_.chart(slot);
    RunGridIf* grid = host_.grid(slot);

    if (!s.StepRunning) {
        if (!panel->Dev2S() && chart->CurveCount() == 10)
            for (int k = 5; k <= 9; ++k)
                chart->Clear(k);
        for (int k = 0; k <= 4; ++k)
            chart->Clear(chn * 5 + k);
        // On a two-channel chart whose other channel has data the axes stay.
        const bool shared = panel->Dev2S() && (chart->DpCnt(1) > 0 || (chart->CurveCount() > 6 && chart->DpCnt(6) > 0));
        if (!shared) {
            const int m = c.ChnMode;
            if (!host_.AutoScale()) {
                s.VolAxisMax = s.VolAxisMin = s.CurAxisMax = s.CurAxisMin = 0;
            } else if (s.LastDisMode < m && m <= s.CvMode) {
                s.VolAxisMax = static_cast<float>(Val(panel->tSlmt(chn)));
                s.VolAxisMin = c.Volt;
                s.CurAxisMax = static_cast<float>(Val(panel->tSval(chn)));
                s.CurAxisMin = 0;
            } else if (m > s.CvMode) {
                s.VolAxisMax = s.VolAxisMin = s.CurAxisMax = s.CurAxisMin = 0;
            } else {
                s.VolAxisMax = c.Volt;
                s.VolAxisMin = static_cast<float>(Val(panel->tSlmt(chn)));
                s.CurAxisMax = s.CurAxisMin = 0;
            }
            s.AuxAxisMax = s.AuxAxisMin = 0;
            s.CurveSecs = 0;
        }
        chart->setMinX(0);
    }
    host_.SetCounters(slot, chn, s.StepRunning ? c.TickSecs.load() : 0, 0);
    c.CheckVal = c.Energy = c.VoltSum = c.Cap = c.CapOffset = 0;
    c.LastLogSec = 0;
    c.LastTimeMin = 0;
    c.ContPend = false;

    chart->setYStep(false);
    if (chart->Large())
        chart->setLarge(false);
    chart->setSize(false);
    c.RunStartPt = chart->DpCnt(chn * 5 + 1);

    host_.SendStart(slot, chn, 1);
    host_.SetRunState(false, slot);
    host_.SetAdjButtons(false);

    const int r = chn + 1;
    grid->setText(r, 2, panel->tVol(chn) + QLatin1Char('V'));
    grid->setText(r, 3, QString());
    grid->setText(r, 1, ModeCellText(*panel, chn));
    c.DataFile = RecordBase(slot, chn);

    RunRecord::Header h;
    h.deviceKey = grid->text(0, 0);
    h.device = grid->text(r, 0);
    h.modeKey = grid->text(0, 1);
    h.mode = grid->text(r, 1);
    h.beginKey = grid->text(0, 2);
    h.begin = grid->text(r, 2);
    h.columns = RunRecord::ColumnTitles(WithTemp(slot), s.DevType);
    QString error;
    recordFailing_[slot][chn] = false;
    if (!RunRecord::Create(RunRecord::PathOf(c.DataFile), h, &error)) {
        ErrLog(QStringLiteral("ErrBak"), QStringLiteral("%1 %2: %3").arg(slot).arg(RunRecord::PathOf(c.DataFile), error));
        RecordFailing(slot, chn, true);
    }
    return true;
}

void RunTracker::StopClick(int slot, int chn)
{
    host_.SendStop(slot, chn);
    host_.SetRunState(true, slot);
    host_.SetAdjButtons(true);
}

bool RunTracker::SetClick(int slot, int chn, RunCaller caller)
{
    if (!CheckBeforeSend(slot, chn, 7, caller))
        return false;
    host_.SendStart(slot, chn, 7);
    st_.ch(slot, chn).SetPend = 1;
    return true;
}

bool RunTracker::ContClick(int slot, int chn, RunCaller caller)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    const QString base = RecordBase(slot, chn);
    const QString path = RunRecord::PathOf(base);

    // The whole record is read and checked before anything changes.
    RunRecord::Contents rec;
    QString error;
    switch (RunRecord::Read(path, &rec, &error)) {
    case RunRecord::ReadStatus::Missing:
        return false;
    case RunRecord::ReadStatus::Unreadable:
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: %2").arg(path, error));
        return false;
    case RunRecord::ReadStatus::Ok:
        break;
    }
    const int kind = (s.DevType == 26 && s.FwVersion >= 320) ? 1 : 8;
    const bool canSend = CheckBeforeSend(slot, chn, kind, caller);
    if (!canSend && caller == RunCaller::User)
        return false;
    for (const QString& line : rec.skipped)
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: skipped %2").arg(path, line));

    RunChartIf* chart = host_.chart(slot);
    RunGridIf* grid = host_.grid(slot);
    const int r = chn + 1;

    c.CheckVal = c.Energy = c.VoltSum = c.Cap = 0;
    c.LastLogSec = 0;
    if (chart->Large())
        chart->setLarge(false);
    chart->setSize(false);
    chart->ClearAll();

    if (rec.hasDevice)
        grid->setText(r, 0, rec.device);
    if (rec.hasMode)
        grid->setText(r, 1, rec.mode);
    if (rec.hasBegin)
        grid->setText(r, 2, rec.begin);

    float capSum = 0, energySum = 0;  // mA*s and mW*s
    int32_t previous = 0, last = 0;
    for (const RunRecord::Row& row : rec.rows) {
        const double step = static_cast<double>(row.cur) * (row.t - previous) * 1000;
        capSum = static_cast<float>(capSum + step);
        energySum = static_cast<float>(energySum + step * row.volt);
        previous = last = row.t;
        AddCurvePoint2(row.t, row.volt, row.cur, 0, slot, chn);
        chart->AddXY(chn * 5 + 3, row.t, roundTrip(capSum / 3600.0 / 1000.0, k000));
        chart->AddXY(chn * 5 + 4, row.t, roundTrip(energySum / 3600.0 / 1000.0, k000));
    }

    const int n = chart->DpCnt(chn * 5 + 1);
    if (n > 0) {
        const double avg = Format(c.VoltSum / n, k00).toDouble();
        grid->setText(r, 6, QString::number(avg, 'g', QLocale::FloatingPointShortest) + QLatin1Char('V'));
    } else {
        grid->setText(r, 6, QString());
    }
    grid->setText(r, 3, QString());

    const long long mas = static_cast<long long>(std::nearbyint(capSum));
    c.CapOffset = roundTrip(static_cast<double>(mas / 3600) / 1000.0, k000);
    c.ContPend = true;
    if (s.DevType == 26)
        c.Cap = c.CapOffset;

    host_.SetCounters(slot, chn, last, last);
    c.LastTimeMin = last / 60;
    if (s.CurveSecs < last)
        s.CurveSecs = last;
    ScaleCurveAxes(slot);
    chart->DrawCurve();

    c.DataFile = base;
    recordFailing_[slot][chn] = false;
    if (canSend)
        host_.SendStart(slot, chn, kind);
    host_.SetRunState(false, slot);
    host_.SetAdjButtons(false);
    return canSend;
}

void RunTracker::MonitorClick(int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    RunPanelIf* panel = host_.panel(slot);
    if (!panel->RunEnable() || s.VerFrames < 2)
        return;
    if (!panel->TmrCurveEnable(chn)) {
        RunChartIf* chart = host_.chart(slot);
        const int n = chart->DpCnt(chn * 5);
        const int32_t tick = n == 0 ? 0 : static_cast<int32_t>(std::nearbyint(chart->DpX(chn * 5, n - 1)));
        host_.SetCounters(slot, chn, tick, s.chn[chn].RunSecs.load());
        panel->setTmrCurveEnable(chn, true);
        host_.TmrStart(slot, chn);
        const QString who = panel->Dev2S() ? QStringLiteral("Channel%1").arg(chn + 1)
                                           : QStringLiteral("Device%1").arg(slot + 1);
        host_.info(slot)->setLine(chn + 3, QLatin1Char(' ') + Lang(who + QStringLiteral(": Monitor ON")));
    } else {
        panel->setTmrCurveEnable(chn, false);
        host_.TmrStop(slot, chn);
        host_.info(slot)->setLine(chn + 3, QString());
    }
}

void RunTracker::TmrCurveOn(int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    const int32_t tick = s.chn.at(chn).TickSecs.load();
    if (s.CurveSecs < tick)
        s.CurveSecs = tick;
}

void RunTracker::TmrShowOn(int slot, int chn)
{
    try {
        ChanState& c = st_.ch(slot, chn);
        RunPanelIf* panel = host_.panel(slot);
        const int32_t secs = c.RunSecs.load();
        panel->setTTime(chn, Format(secs / 3600, QStringLiteral("00")) + QLatin1Char(':') +
                                 Format((secs % 3600) / 60, QStringLiteral("00")) + QLatin1Char(':') +
                                 Format(secs % 60, QStringLiteral("00")));
        // The device learns the run time once per whole minute. The minute
        // is tracked rather than caught on a tick at second 0, so neither the
        // tick's phase against the counter nor a late tick sends a minute
        // twice or skips one.
        const int32_t minute = secs / 60;
        if (minute < c.LastTimeMin)
            c.LastTimeMin = minute;  // the clock was set back
        if (panel->Dev2S() && secs >= 1 && secs < 65530 && minute >= 1 && minute > c.LastTimeMin) {
            c.LastTimeMin = minute;
            host_.SendTime(slot, chn);
        }
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrTmrShow"), QString::fromLocal8Bit(e.what()));
    }
}

void RunTracker::InitChnCurves(int slot)
{
    RunChartIf* chart = host_.chart(slot);
    chart->setCurveCount(10);
    const char* words[3] = {"Voltage", "Current", "Temp"};
    for (int k = 0; k < 3; ++k) {
        chart->setLegendText(k, Lang(QString::fromLatin1(words[k]) + QLatin1Char('1')));
        chart->setLegendText(5 + k, Lang(QString::fromLatin1(words[k]) + QLatin1Char('2')));
    }
    chart->setCurveLineColor(5, host_.ChannelColor(false));
    chart->setCurveLineColor(6, host_.ChannelColor(true));
    chart->setCurveLineColor(7, chart->CurveLineColor(6));
    chart->setCurveAxesY(5, chart->CurveAxesY(0));
    chart->setCurveAxesY(6, chart->CurveAxesY(1));
    chart->setShowCurve(5, chart->ShowCurve(0));
    chart->setShowCurve(6, chart->ShowCurve(1));
    chart->setShowCurve(7, chart->ShowCurve(2));
    for (int k : {0, 1, 5, 6})
        chart->setShowLegend(k, host_.ShowLabel());
    RunGridIf* grid = host_.grid(slot);
    grid->setText(2, 0, Lang(QStringLiteral("No Device")));
    grid->setCellBackColor(2, 7, chart->CurveLineColor(5));
    grid->setCellBackColor(2, 8, chart->CurveLineColor(6));
}

} // namespace ql
