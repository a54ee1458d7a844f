#include "link/runparts.h"
#include "link/runtrack.h"

#include "link/comm.h"
#include "link/counters.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/recv.h"
#include "link/runrecord.h"
#include "link/valuecheck.h"
#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/runmath.h"
#include "platform/rounding.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <exception>

namespace ql {

using namespace runparts;

RunTracker::RunTracker(LinkState& state, SecondTicker& ticker, RunHostIf& host, ReadoutWindowsIf& readouts)
    : now([] { return QDateTime::currentDateTime(); }), programDir(ProgramDir()), st_(state), ticker_(ticker),
      host_(host), readouts_(readouts)
{
    records.failed = [this](int slot, int chn, const QString& path, const QString& error) {
        RecordFailed(slot, chn, path, error);
    };
}

std::array<QString, kRunCells> RunRowTexts(const ChanState& c)
{
    return {c.DevName, c.ModeCell, c.BeginCell, c.CutoffCell, c.CapCell, c.EnergyCell, c.AvgCell};
}

bool RunTracker::WithTemp(int slot) const { return st_.slot[slot].TempOk && st_.TempColumn; }

QString RunTracker::RecordBase(int slot, int chn) const
{
    // The port that is open names the record.
    const SlotState& s = st_.slot.at(slot);
    const QString port = s.hComm ? s.hComm->name() : s.PortNo > 0 ? PortName(s.PortNo) : QString();
    return RunRecord::BaseName(programDir, s.chn.at(chn).DevName, port, slot, chn);
}

QString RunTracker::AutoDataFileName(int slot, int chn) const
{
    return programDir + QStringLiteral("/Data/") + DateStem(now()) + QLatin1Char('-') +
           FileNamePart(st_.ch(slot, chn).DevName) + QLatin1Char('-') + QString::number(slot + 1) + QLatin1Char('-') +
           QString::number(chn + 1) + (settings().SaveCsv ? QStringLiteral(".csv") : QStringLiteral(".dat"));
}

namespace {

// What a record's rows add up to: the capacity and the last row's run
// seconds.
struct Replayed {
    CapacitySum cap;
    int32_t last = 0;
};

// The rows of a record as the channel's curve points: voltage, current,
// and the capacity and energy summed up to each row.
Replayed ReplayRows(RunTracker& t, ChanState& c, int slot, int chn, const QList<RunRecord::Row>& rows)
{
    Replayed r;
    float energySum = 0;  // mW*s
    for (const RunRecord::Row& row : rows) {
        const double step = r.cap.add(row.t, row.cur);
        energySum = static_cast<float>(energySum + step * row.volt);
        r.last = row.t;
        t.AddCurvePoint2(row.t, row.volt, row.cur, 0, slot, chn);
        const float x = static_cast<float>(row.t);
        c.Curves[kCurveCap].push_back({x, roundTrip(r.cap.mas / 3600.0 / 1000.0, k000)});
        c.Curves[kCurveEnergy].push_back({x, roundTrip(energySum / 3600.0 / 1000.0, k000)});
    }
    return r;
}

// The record's summary is shown as it stands; its begin voltage is read
// once, for a first point drawn before any row.
void TakeSummary(ChanState& c, const RunRecord::Contents& rec)
{
    if (rec.hasDevice)
        c.DevName = rec.device;
    if (rec.hasMode)
        c.ModeCell = rec.mode;
    if (rec.hasBegin) {
        c.BeginCell = rec.begin;
        c.HasBegin = !rec.begin.isEmpty();
        bool ok = false;
        const double v = toNumber(rec.begin.left(rec.begin.size() - 1), &ok);
        c.BeginIsNumber = ok;
        c.BeginVolt = ok ? static_cast<float>(v) : 0;
    }
}

// True when two mode cells ("<mode>  <value><unit>  <value><unit>") name the
// same mode and values: the mode word alike, each value the same number in
// the same unit however it is written ("1" and "1.00").
bool SameModeCell(const QString& a, const QString& b)
{
    const QStringList x = a.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList y = b.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (x.size() != y.size() || x.isEmpty() || x[0] != y[0])
        return false;
    for (qsizetype i = 1; i < x.size(); ++i) {
        if (x[i] == y[i])
            continue;
        const auto unitAt = [](const QString& t) {
            qsizetype n = t.size();
            while (n > 0 && !t.at(n - 1).isDigit())
                --n;
            return n;
        };
        const qsizetype nx = unitAt(x[i]), ny = unitAt(y[i]);
        bool okx = false, oky = false;
        const double vx = toNumber(x[i].left(nx), &okx), vy = toNumber(y[i].left(ny), &oky);
        if (!okx || !oky || x[i].mid(nx) != y[i].mid(ny) || std::fabs(vx - vy) > 1e-6 * std::max(1.0, std::fabs(vx)))
            return false;
    }
    return true;
}

// A record under its temporary name (RunRecord::PendingPathOf) is the newer
// run's, left by a crash or still waiting for its rename: it is read in
// place of the record at path (into *rec, its name into *pending). One
// without a whole header (cut off by a crash), or older than a record not
// marked superseded at path (a later run's, renamed there since), is
// another run's: it is removed, and Missing returned as for none.
RunRecord::ReadStatus ReadPending(const QString& path, QString* pending, RunRecord::Contents* rec, QString* error)
{
    *pending = RunRecord::PendingPathOf(path);
    const QFileInfo newer(*pending);
    const RunRecord::ReadStatus status =
        newer.exists() ? RunRecord::Read(*pending, rec, error) : RunRecord::ReadStatus::Missing;
    if (status == RunRecord::ReadStatus::Unreadable)
        return status;
    bool other = status == RunRecord::ReadStatus::Missing || !rec->hasDevice || !rec->hasMode || !rec->hasBegin;
    if (!other) {
        const QFileInfo record(path);
        RunRecord::Contents later;
        other = record.exists() && record.lastModified() > newer.lastModified() &&
                RunRecord::Read(path, &later) == RunRecord::ReadStatus::Ok && !later.superseded;
    }
    if (!other)
        return status;
    if (status == RunRecord::ReadStatus::Ok)
        QFile::remove(*pending);
    pending->clear();
    *rec = {};
    return RunRecord::ReadStatus::Missing;
}

// Why the record cannot be the one of the run the device reports going on
// the channel, or nothing when it can be. The run is known by what the
// device tells: its mode is the record's, and so are its set values, unless
// an Adjust changed them; the record's last row then carries the current
// the device draws now (within a tenth and 0.02 A).
QString OtherRunsRecord(const SlotState& s, int chn, const RunRecord::Contents& rec)
{
    const QString running = ModeCellText(s, chn);
    const auto modeOf = [](const QString& cell) {
        return cell.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    };
    if (!rec.hasMode || modeOf(rec.mode) != modeOf(running))
        return QStringLiteral("its mode %1; the device runs %2").arg(rec.mode, running);
    if (SameModeCell(rec.mode, running))
        return {};
    const float now = s.chn.at(size_t(chn)).Cur;
    if (!rec.rows.isEmpty() && std::fabs(rec.rows.last().cur - now) <= 0.02f + 0.1f * std::fabs(now))
        return {};
    return QStringLiteral("its values %1 and a last current of %2 A; the device runs %3 at %4 A")
        .arg(rec.mode, rec.rows.isEmpty() ? QStringLiteral("-") : shortest(rec.rows.last().cur), running,
             shortest(now));
}

} // namespace

// --- Run tracking ------------------------------------------------------------

void RunTracker::Attach(ReplyDecoder& decoder)
{
    decoder.onSample = [this](int slot, int chn, int runState, bool dataReply) {
        Track(slot, chn, runState, dataReply);
    };
}

void RunTracker::Track(int slot, int chn, int runState, bool dataReply)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    bool stopMsg = false;
    const int panelChn = s.ChnSel;
    RunViewIf& v = view(slot);

    if (IsRunning(runState)) {
        if (!c.Running) {
            // A run this program did not start since the connect is taken up
            // from its record, once the device's set values are known. Until
            // then no record is its own: a record of an earlier connection
            // takes no rows counted from a clock that started afresh.
            c.ContWait = !c.HasBegin;
            if (c.ContWait)
                c.DataFile.clear();
        }
        c.Running = true;
        // An info reply carries no set values: the continue waits for a data
        // reply, so it is checked and sent with the device's own values.
        if (c.ContWait && dataReply) {
            c.ContWait = false;
            if (!c.HasBegin)
                ContClick(slot, chn, RunCaller::Program);
        }
        if (panelChn == chn)
            v.SetRunState(false);
        const int cur = st_.CurDev;
        if (s.Dev2S)
            host_.SetAdjButtons(!st_.ch(cur, panelChn == 1 ? 1 : 0).Running);
        else
            host_.SetAdjButtons(!st_.ch(cur, chn).Running);
        c.ShowOn = c.CurveOn = true;
        v.Refresh(chn, RunViewIf::Timers);
        ticker_.TmrResume(slot, chn);
        ticker_.TmrStart(slot, chn);
        ShowSample(slot, chn);
    } else {
        ShowSample(slot, chn);
        if (c.Running)
            RunEnd(slot, chn, &stopMsg);
        c.Running = false;
        c.ContWait = false;
        if (panelChn == chn)
            v.SetRunState(true);
        host_.SetAdjButtons(!s.chn[panelChn == 1 ? 1 : 0].Running);
    }

    if (stopMsg && !s.StepRunning && !s.AutoRunning)
        host_.ShowMsg(QStringLiteral("STOP"));
}

void RunTracker::RunEnd(int slot, int chn, bool* stopMsg)
{
    SlotState& s = st_.slot[slot];
    ChanState& c = s.chn[chn];
    RunViewIf& v = view(slot);

    // The cut-off voltage is the readout as shown at the end.
    c.CutoffCell = c.VoltText + QLatin1Char('V');
    c.CutoffVolt = c.VoltShown;
    c.HasCutoff = true;
    v.Refresh(chn, RunViewIf::RunCells);
    *stopMsg = !s.Dev2S;

    // The automatic data file holds the channel whose run ended; one that
    // cannot be written is shown like a failing record, once the file queue
    // has tried.
    if (!c.DataFile.isEmpty() && settings().AutoSave) {
        const QString name = AutoDataFileName(slot, chn);
        const QString who = ChannelWho(s, slot, chn);
        if (QDir(programDir + QStringLiteral("/Data")).exists())
            v.SaveDataFile(chn, name, [this, slot, who](bool ok) {
                if (!ok)
                    view(slot).AddInfoLine(QLatin1Char(' ') + Lang(who + QStringLiteral(": Data file write failed")));
            });
    }
    c.DataFile.clear();
    records.Close(slot, chn);

    c.ShowOn = false;
    v.Refresh(chn, RunViewIf::Timers);
    ticker_.TmrPause(slot, chn);
    if (!s.StepRunning) {
        if (!c.Monitoring) {
            c.CurveOn = false;
            v.Refresh(chn, RunViewIf::Timers);
            ticker_.TmrStop(slot, chn);
        }
        c.RunStartPt = 0;
    }
    v.chart().setSize(true);
}

// --- Panel commands ----------------------------------------------------------

// The channel's values are checked (link/valuecheck) before a start, set or
// continue changes anything; the frame the check encoded is the one sent.
std::optional<Encoded> RunTracker::CheckedFrame(int slot, int chn, int kind, RunCaller caller)
{
    SlotState& s = st_.slot.at(slot);
    StartCheck r = CheckAndEncodeStart(s, chn, kind);
    if (r.ok()) {
        // Values typed in the user's form ("1,5") are sent, shown and
        // written in the program's ("1.5").
        ChanState& f = s.chn.at(size_t(s.FieldChn(chn)));
        bool changed = false;
        for (QString* text : {&f.SvalText, &f.SlmtText, &f.StimText}) {
            const QString point = PointForm(*text);
            changed |= point != *text;
            *text = point;
        }
        if (changed)
            view(slot).Refresh(chn, RunViewIf::Fields);
        return std::move(r.encoded);
    }
    if (caller == RunCaller::User) {
        ShowPrompt(r.message());
        if (!r.replacement.isEmpty()) {
            ChanState& f = s.chn.at(size_t(s.FieldChn(chn)));
            (r.field == FieldKind::SetValue ? f.SvalText
             : r.field == FieldKind::Limit  ? f.SlmtText
                                            : f.StimText) = r.replacement;
            view(slot).Refresh(chn, RunViewIf::Fields);
        }
    } else {
        ErrLog(QStringLiteral("ErrStart%1").arg(kind), QStringLiteral("%1 %2: %3").arg(slot).arg(chn).arg(r.reason));
    }
    return std::nullopt;
}

bool RunTracker::RunClick(int slot, int chn, RunCaller caller)
{
    const std::optional<Encoded> frame = CheckedFrame(slot, chn, 1, caller);
    if (!frame)
        return false;

    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    const ChanState& fields = s.chn.at(size_t(s.FieldChn(chn)));
    RunViewIf& v = view(slot);
    RunChartIf* chart = &v.chart();

    if (!s.StepRunning) {
        // A one-channel device keeps no second channel's curves (a
        // two-channel device on the slot before may have left them).
        if (!s.Dev2S)
            s.chn[1].ClearCurves();
        c.ClearCurves();
        // On a two-channel chart whose other channel has data the axes stay.
        const bool shared = s.Dev2S && (!s.chn[0].Curves[kCurveCur].empty() || !s.chn[1].Curves[kCurveCur].empty());
        if (!shared) {
            const int m = c.ChnMode;
            if (!settings().AutoScale) {
                s.VolAxisMax = s.VolAxisMin = s.CurAxisMax = s.CurAxisMin = 0;
            } else if (s.LastDisMode < m && m <= s.CvMode) {
                s.VolAxisMax = static_cast<float>(Val(fields.SlmtText));
                s.VolAxisMin = c.Volt;
                s.CurAxisMax = static_cast<float>(Val(fields.SvalText));
                s.CurAxisMin = 0;
            } else if (m > s.CvMode) {
                s.VolAxisMax = s.VolAxisMin = s.CurAxisMax = s.CurAxisMin = 0;
            } else {
                s.VolAxisMax = c.Volt;
                s.VolAxisMin = static_cast<float>(Val(fields.SlmtText));
                s.CurAxisMax = s.CurAxisMin = 0;
            }
            s.AuxAxisMax = s.AuxAxisMin = 0;
            s.CurveSecs = 0;
        }
        chart->setMinX(0);
    }
    ticker_.SetCounters(slot, chn, s.StepRunning ? c.TickSecs.load() : 0, 0);
    c.CheckVal = c.Energy = c.VoltSum = c.Cap = c.CapOffset = 0;
    c.LastLogSec = 0;
    c.LastTimeMin = 0;
    c.ContPend = false;

    chart->setYStep(false);
    if (chart->Large())
        chart->setLarge(false);
    chart->setSize(false);
    c.RunStartPt = c.RunPoints();

    SendStartFrame(st_, slot, chn, *frame);
    v.SetRunState(false);
    host_.SetAdjButtons(false);

    // The begin voltage is the readout as shown at the start.
    c.BeginCell = c.VoltText + QLatin1Char('V');
    c.BeginVolt = c.VoltShown;
    c.HasBegin = true;
    c.BeginIsNumber = !c.VoltText.isEmpty();
    c.CutoffCell.clear();
    c.HasCutoff = false;
    c.ModeCell = ModeCellText(s, chn);
    v.Refresh(chn, RunViewIf::RunCells);
    c.DataFile = RecordBase(slot, chn);

    RunRecord::Header h;
    h.device = c.DevName;
    h.mode = c.ModeCell;
    h.begin = c.BeginCell;
    h.columns = ColumnTitles(WithTemp(slot), HasQuirk(s.DevType, kMilliAmps));
    QString error;
    recordFailing_[slot][chn] = false;
    if (!records.Create(slot, chn, RunRecord::PathOf(c.DataFile), h, &error)) {
        ErrLog(QStringLiteral("ErrBak"), QStringLiteral("%1 %2: %3").arg(slot).arg(RunRecord::PathOf(c.DataFile), error));
        RecordFailing(slot, chn, true);
    }
    return true;
}

void RunTracker::StopClick(int slot, int chn)
{
    SendStop(st_, slot, chn);
    view(slot).SetRunState(true);
    host_.SetAdjButtons(true);
}

bool RunTracker::SetClick(int slot, int chn, RunCaller caller)
{
    const std::optional<Encoded> frame = CheckedFrame(slot, chn, 7, caller);
    if (!frame)
        return false;
    SendStartFrame(st_, slot, chn, *frame);
    st_.ch(slot, chn).SetPend = 1;
    return true;
}

bool RunTracker::ContClick(int slot, int chn, RunCaller caller)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    const QString base = RecordBase(slot, chn);
    const QString path = RunRecord::PathOf(base);

    // The whole record is read and checked before anything changes. A run
    // whose record never got its header has none: a file of that name is
    // an earlier run's (and marked so, for a continue after a restart). One
    // not yet renamed is read under its temporary name.
    if (records.Headless(slot, chn, path))
        return false;
    RunRecord::Contents rec;
    QString error, pending;
    RunRecord::ReadStatus status = ReadPending(path, &pending, &rec, &error);
    if (status == RunRecord::ReadStatus::Missing)
        status = RunRecord::Read(path, &rec, &error);
    switch (status) {
    case RunRecord::ReadStatus::Missing:
        return false;
    case RunRecord::ReadStatus::Unreadable:
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: %2").arg(pending.isEmpty() ? path : pending, error));
        return false;
    case RunRecord::ReadStatus::Ok:
        break;
    }
    if (rec.superseded) {
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: an earlier run's record, superseded").arg(path));
        return false;
    }
    // A run found going is taken up only from a record it can have made: a
    // record another run left, which that run could not mark, stays alone.
    if (caller == RunCaller::Program) {
        const QString why = OtherRunsRecord(s, chn, rec);
        if (!why.isEmpty()) {
            ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: another run's record (%2)").arg(path, why));
            return false;
        }
    }
    const int kind = IsVariantB(s.DevType, s.FwVersion) ? 1 : 8;
    const std::optional<Encoded> frame = CheckedFrame(slot, chn, kind, caller);
    const bool canSend = frame.has_value();
    if (!canSend && caller == RunCaller::User)
        return false;
    // A record under its temporary name takes the rows from here on.
    if (!pending.isEmpty() && !records.Resume(slot, chn, path, pending, &error)) {
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: %2").arg(pending, error));
        return false;
    }
    for (const QString& line : rec.skipped)
        ErrLog(QStringLiteral("ErrCont"), QStringLiteral("%1: skipped %2").arg(path, line));

    RunViewIf& v = view(slot);
    RunChartIf* chart = &v.chart();

    c.CheckVal = c.Energy = c.VoltSum = c.Cap = 0;
    c.LastLogSec = 0;
    if (chart->Large())
        chart->setLarge(false);
    chart->setSize(false);
    s.ClearCurves();
    chart->ClearAll();

    TakeSummary(c, rec);
    const Replayed replayed = ReplayRows(*this, c, slot, chn, rec.rows);
    const float capSum = replayed.cap.mas;
    const int32_t last = replayed.last;

    const int n = c.RunPoints();
    if (n > 0) {
        const double avg = Val(Format(c.VoltSum / n, k00));
        c.AvgCell = QString::number(avg, 'g', QLocale::FloatingPointShortest) + QLatin1Char('V');
    } else {
        c.AvgCell.clear();
    }
    c.CutoffCell.clear();
    c.HasCutoff = false;
    v.Refresh(chn, RunViewIf::RunCells);

    const long long mas = static_cast<long long>(RoundHalfEven(capSum));
    c.CapOffset = roundTrip(static_cast<double>(mas / 3600) / 1000.0, k000);
    c.ContPend = true;
    if (HasQuirk(s.DevType, kUsbLines))
        c.Cap = c.CapOffset;

    ticker_.SetCounters(slot, chn, last, last);
    c.LastTimeMin = last / 60;
    if (s.CurveSecs < last)
        s.CurveSecs = last;
    ScaleCurveAxes(slot);
    chart->DrawCurve();

    c.DataFile = base;
    if (pending.isEmpty())
        records.Close(slot, chn);  // opened afresh by the next row: a cut-off tail goes
    recordFailing_[slot][chn] = false;
    if (frame)
        SendStartFrame(st_, slot, chn, *frame);
    v.SetRunState(false);
    host_.SetAdjButtons(false);
    return canSend;
}

void RunTracker::MonitorClick(int slot, int chn)
{
    SlotState& s = st_.slot.at(slot);
    ChanState& c = s.chn.at(chn);
    if (!s.RunEnable || s.VerFrames < 2)
        return;
    RunViewIf& v = view(slot);
    if (!c.CurveOn) {
        const PointSeries& volts = c.Curves[kCurveVolt];
        const int32_t tick = volts.empty() ? 0 : static_cast<int32_t>(RoundHalfEven(volts.back().X));
        ticker_.SetCounters(slot, chn, tick, c.RunSecs.load());
        c.CurveOn = true;
        c.Monitoring = true;
        v.Refresh(chn, RunViewIf::Timers);
        ticker_.TmrStart(slot, chn);
        v.SetInfoLine(chn + 3, QLatin1Char(' ') + Lang(ChannelWho(s, slot, chn) + QStringLiteral(": Monitor ON")));
    } else {
        c.CurveOn = false;
        c.Monitoring = false;
        v.Refresh(chn, RunViewIf::Timers);
        ticker_.TmrStop(slot, chn);
        v.SetInfoLine(chn + 3, QString());
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
        const int32_t secs = c.RunSecs.load();
        view(slot).ShowTime(chn, Format(secs / 3600, QStringLiteral("00")) + QLatin1Char(':') +
                                     Format((secs % 3600) / 60, QStringLiteral("00")) + QLatin1Char(':') +
                                     Format(secs % 60, QStringLiteral("00")));
        // The device learns the run time once per whole minute. The minute
        // is tracked rather than caught on a tick at second 0, so neither the
        // tick's phase against the counter nor a late tick sends a minute
        // twice or skips one.
        const int32_t minute = secs / 60;
        if (minute < c.LastTimeMin)
            c.LastTimeMin = minute;  // the clock was set back
        if (st_.slot.at(slot).Dev2S && secs >= 1 && secs < 65530 && minute >= 1 && minute > c.LastTimeMin) {
            c.LastTimeMin = minute;
            SendTime(st_, slot, chn);
        }
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrTmrShow"), QString::fromLocal8Bit(e.what()));
    }
}

} // namespace ql
