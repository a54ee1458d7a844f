// RunTracker: the per-sample update of readouts, run cells, curve points and
// the live record.
#include "link/runparts.h"
#include "link/runtrack.h"

#include "link/modeltable.h"
#include "link/recv.h"
#include "link/runrecord.h"
#include "platform/serial.h"
#include "platform/numfmt.h"
#include "platform/services.h"

#include <exception>

namespace ql {

using namespace runparts;

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
        // One reading of the run clock serves the whole sample: the curve
        // point (and so the data file), the record row and the capacity.
        const RunClock clock = ReadRunClock(c);
        ShowReadouts(slot, chn);
        ShowStatusLines(slot, chn);
        ShowFwText();
        if (c.Running)
            SampleRunCells(slot, chn, clock);
        if (c.CurveOn)
            SamplePoints(slot, chn, clock);
        ShowCapacity(slot, chn);
        ShowDispReadout();
        ShowMeterReadout(slot, chn);
    } catch (const std::exception&) {
        ErrLog(QStringLiteral("ErrData"),
               QStringLiteral("%1 %2 %3 %4").arg(slot).arg(shortest(c.Volt), shortest(c.Cur), shortest(c.Temp)));
    }
}

void RunTracker::ShowReadouts(int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    const int t = s.DevType;
    QString volFmt;
    if ((s.VolFactor == 1000 || HasQuirk(t, kVoltFine10V)) && c.Volt < 9.999f)
        volFmt = k000;
    else if (HasQuirk(t, kVoltFine4V5) && c.Volt < 4.5f)
        volFmt = k000;
    else if (c.Volt < 100)
        volFmt = QStringLiteral("00.00");
    else
        volFmt = QStringLiteral("000.0");
    c.VoltText = Format(c.Volt, volFmt);
    c.VoltShown = roundTrip(c.Volt, volFmt);
    const QString curFmt = s.CurFactor == 100 ? QStringLiteral("00.00") : k000;
    const QString curShownFmt = HasQuirk(t, kMilliAmps) ? (c.Cur < 10 ? k000 : k00) : curFmt;
    c.CurText = Format(c.Cur, curShownFmt);
    c.CurShown = roundTrip(c.Cur, curShownFmt);
    c.Pwr = static_cast<float>(static_cast<double>(c.Cur) * static_cast<double>(c.Volt));
    const QString pwrFmt = c.Pwr < 100    ? QStringLiteral("00.00")
                           : c.Pwr < 1000 ? QStringLiteral("000.0")
                                          : QStringLiteral("0000");
    c.PwrText = Format(c.Pwr, pwrFmt);
    c.PwrShown = roundTrip(c.Pwr, pwrFmt);
    view(slot).Refresh(chn, RunViewIf::Readouts);
}

void RunTracker::DeviceLost(int slot)
{
    // Nothing is measured any more: the readouts fall to zero. What the run
    // reached (capacity, energy, the run cells, the curves) stays.
    for (int chn = 0; chn < kChanCount; ++chn) {
        ChanState& c = st_.ch(slot, chn);
        c.Volt = c.Cur = c.CurTenth = c.Temp = c.AuxVolt1 = c.AuxVolt2 = 0;
        ShowReadouts(slot, chn);
    }
    if (slot == st_.CurDev)
        ShowDispReadout();
}

void RunTracker::ShowStatusLines(int slot, int chn)
{
    const SlotState& s = st_.slot.at(slot);
    const ChanState& c = s.chn.at(chn);
    RunViewIf& v = view(slot);
    const QString state = c.Running ? QStringLiteral("START") : QStringLiteral("STOP");
    if (s.Dev2S)
        v.SetInfoLine(chn + 1, QLatin1Char(' ') + Lang(QStringLiteral("Channel%1: ").arg(chn + 1) + state));
    else
        v.SetInfoLine(1, QLatin1Char(' ') + Lang(QStringLiteral("Device%1: ").arg(slot + 1) + state));
    if (s.TempOk)
        v.SetInfoLine(2, QLatin1Char(' ') + Lang(QStringLiteral("Temp%1: ").arg(slot + 1) + Format(c.Temp, k1) +
                                                 QStringLiteral(" \u2103")));
}

// The firmware text of the clock line, for the selected slot.
void RunTracker::ShowFwText()
{
    const int cur = st_.CurDev;
    if (cur >= 0 && cur < kSlotCount && !st_.slot[cur].StepRunning) {
        const int32_t fw = st_.slot[cur].FwVersion;
        host_.SetFwText(fw != 0 ? QLatin1Char('V') + Format(fw * 0.01, k00) : QString());
    }
}

// Run cells, average voltage, counted capacity and energy of a running channel.
void RunTracker::SampleRunCells(int slot, int chn, const RunClock& clock)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    const int t = s.DevType;
    c.ModeCell = ModeCellText(s, chn);
    const int n = RunPointCount(view(slot).chart(), chn);
    if (n > c.RunStartPt) {
        const double avg = static_cast<double>(c.VoltSum) / (n - c.RunStartPt);
        c.AvgCell = Format(avg, k00) + QLatin1Char('V');
        const int32_t secs = clock.run;
        if (HasQuirk(t, kUsbLines) && secs > c.LastLogSec) {
            c.Cap += c.Cur * static_cast<float>(secs - c.LastLogSec) / 3600.0f;
            c.LastLogSec = secs;
        }
        const double e = avg * c.Cap;
        if (e > c.Energy)
            c.Energy = static_cast<float>(e);
    }
}

// Curve points and the record row, while curve sampling is on.
void RunTracker::SamplePoints(int slot, int chn, const RunClock& clock)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    RunChartIf& chart = view(slot).chart();
    const float third = WithTemp(slot) ? c.Temp : c.Pwr;
    if (RunPointCount(chart, chn) == 0 && c.Running) {
        const float begin = c.HasBegin && c.BeginIsNumber ? c.BeginVolt : c.Volt;
        AddCurvePoint(0, begin, c.Cur, third, slot, chn);
        chart.AddXY(chn * 5 + 3, clock.tick, roundTrip(c.Cap, k000));
        chart.AddXY(chn * 5 + 4, clock.tick, roundTrip(c.Energy, k000));
    }
    const int32_t x = clock.tick;
    AddCurvePoint(x, c.Volt, c.Cur, third, slot, chn);
    chart.AddXY(chn * 5 + 3, x, roundTrip(c.Cap, k000));
    chart.AddXY(chn * 5 + 4, x, roundTrip(c.Energy, k000));

    if (!c.DataFile.isEmpty() && c.Running) {
        const QString path = RunRecord::PathOf(c.DataFile);
        QString error;
        const QString row = RunRecord::FormatRow(clock.run, c.Cur, c.Volt, c.Temp, s.CurFactor, WithTemp(slot));
        // A failing record never stops the run: the failure is logged and
        // shown in the information list once, and shown again when rows are
        // written again.
        if (!records.Append(slot, chn, path, row, &error))
            RecordFailed(slot, chn, path, error);
        else if (!records.Unwritten(slot, chn, path))
            RecordFailing(slot, chn, false);
    }
}

void RunTracker::ShowDispReadout()
{
    // Large floating readout: the selected slot, channel 0.
    const int cur = st_.CurDev;
    if (readouts_.MinDispShown() && cur >= 0 && cur < kSlotCount) {
        const ChanState& c0 = st_.ch(cur, 0);
        readouts_.ShowDisp({c0.DevName, c0.CurText, c0.VoltText, c0.PwrText, Format(c0.Cap, dispPattern(c0.Cap)),
                            Format(c0.Energy, dispPattern(c0.Energy))});
    }
}

// Small floating readout: the USB meter of a "B" variant.
void RunTracker::ShowMeterReadout(int slot, int chn)
{
    const SlotState& s = st_.slot.at(slot);
    const ChanState& c = s.chn.at(chn);
    if (!IsVariantB(s.DevType, s.FwVersion)) {
        if (readouts_.MeterOpen())
            readouts_.HideMeter();
    } else if (c.ChnMode != 1) {
        readouts_.UnloadMeter();
    } else {
        if (s.VerFrames >= 2 && !readouts_.MeterOpen())
            readouts_.ShowMeter();
        const bool usb = st_.UsbOpen;
        readouts_.SetMeter({QString(), Format(c.CurTenth, QStringLiteral("0.0000")),
                            Format(c.Volt, QStringLiteral("00.000")),
                            Format(static_cast<double>(c.Volt) * c.CurTenth, QStringLiteral("00.000")),
                            usb ? QStringLiteral("-.---") : Format(c.AuxVolt1, k000),
                            usb ? QStringLiteral("-.---") : Format(c.AuxVolt2, k000)});
    }
}

void RunTracker::RecordFailed(int slot, int chn, const QString& path, const QString& error)
{
    if (!recordFailing_[slot][chn])
        ErrLog(QStringLiteral("ErrData"), QStringLiteral("%1 %2: %3").arg(slot).arg(path, error));
    RecordFailing(slot, chn, true);
}

void RunTracker::RecordFailing(int slot, int chn, bool failing)
{
    if (recordFailing_[slot][chn] == failing)
        return;
    recordFailing_[slot][chn] = failing;
    view(slot).AddInfoLine(QLatin1Char(' ') + Lang(ChannelWho(st_.slot[slot], slot, chn) +
                                                   (failing ? QStringLiteral(": Record write failed")
                                                            : QStringLiteral(": Record write OK"))));
}

void CapacityCells(ChanState& c)
{
    c.CapCell =
        c.Cap >= 10 ? Format(c.Cap, k00) + QStringLiteral("Ah") : Format(c.Cap * 1000.0f, k0) + QStringLiteral("mAh");
    c.EnergyCell = c.Energy >= 10 ? Format(c.Energy, k00) + QStringLiteral("Wh")
                                  : Format(c.Energy * 1000.0f, k0) + QStringLiteral("mWh");
}

void RunTracker::ShowCapacity(int slot, int chn)
{
    try {
        CapacityCells(st_.ch(slot, chn));
        view(slot).Refresh(chn, RunViewIf::RunCells);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrCap"), QString::fromLocal8Bit(e.what()));
    }
}

} // namespace ql
