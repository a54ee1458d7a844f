#include "panel/autotest.h"

#include "link/frames.h"
#include "link/modefields.h"
#include "link/modeltable.h"
#include "link/valuecheck.h"
#include "panel/seqfiles.h"
#include "panel/seqif.h"
#include "platform/diskqueue.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/wholefile.h"

#include <cmath>
#include <exception>

namespace ql {

namespace {

constexpr int kMaxListEntries = 10000;  // guards the lists against a wild MaxCur

// A current as the set frame carries it: times the slot's factor, rounded
// half to even (kept in double, so no value overflows).
double InCurrentUnits(const SlotState& s, float amps)
{
    return RoundHalfEven(double(s.CurFactor) * double(amps));
}

} // namespace

AutoTest::AutoTest(LinkState& state, SeqHostIf& host) : st_(state), host_(host) {}

void AutoTest::Init(int slot)
{
    try {
        const SlotState& s = st_.slot.at(size_t(slot));
        AutoPageIf* p = host_.autoPage(slot);
        const bool fine = HasQuirk(s.DevType, kFineCurSteps);
        const float inc = fine ? 0.01f : 0.1f;
        const float pad = fine ? 0.001f : 0.01f;
        const QString pattern = fine ? QStringLiteral("0.00") : QStringLiteral("0.0");
        AutoChoices c;
        int n = 0;
        for (float v = inc; v <= s.MaxCur + pad && n < kMaxListEntries; v += inc, ++n)
            c.currents << Format(v, pattern);
        for (float v = inc; v <= 1.0f + pad; v += inc)
            c.steps << Format(v, pattern);
        c.c1 = c.c2 = c.step = Format(inc, pattern);
        for (int t = 2; t <= 100; t += 2)
            c.times << QString::number(t);
        c.time = QStringLiteral("2");
        c.mode = Lang(QStringLiteral("D-CC"));
        // The cut-off voltage typed so far, in the model's resolution.
        c.vol = Format(Val(p->AutoParameters().vol), VoltagePattern(s.VolFactor));
        p->ShowAutoChoices(c);
        p->AutoListClr();
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoInit"), QString::fromUtf8(e.what()));
    }
}

void AutoTest::Click(int slot)
{
    try {
        if (a_.at(size_t(slot)).AutoOn)
            stop(slot);
        else
            start(slot);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoClick"), QString::fromUtf8(e.what()));
    }
}

void AutoTest::stop(int slot)
{
    RunFieldsIf* f = host_.fields(slot);
    const int chn = f->ChnIndex();
    host_.autoPage(slot)->setAutoTmrEnable(false);
    f->setTSval(chn, Format(a_.at(size_t(slot)).AutoCur, SetValuePattern(st_.slot.at(size_t(slot)))));
    host_.Commands().DevCtrl_StopClick(slot, chn);
    ended(slot);
}

void AutoTest::Halt(int slot)
{
    if (a_.at(size_t(slot)).AutoOn)
        ended(slot);
}

// The test is over: its timer off, the button back to "Start".
void AutoTest::ended(int slot)
{
    AutoPageIf* p = host_.autoPage(slot);
    p->setAutoTmrEnable(false);
    p->setAutoCmd(Lang(QStringLiteral("Start")));
    a_.at(size_t(slot)).AutoOn = false;
    st_.slot.at(size_t(slot)).AutoRunning = false;
}

void AutoTest::start(int slot)
{
    AutoSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    AutoPageIf* p = host_.autoPage(slot);
    RunFieldsIf* f = host_.fields(slot);
    const int chn = f->ChnIndex();

    // The parameters, checked before anything changes.
    const AutoParams in = p->AutoParameters();
    double c1 = 0, c2 = 0, inc = 0, dwellText = 0;
    const bool numbers = ParseFieldNumber(in.c1, &c1) && ParseFieldNumber(in.c2, &c2) &&
                         ParseFieldNumber(in.step, &inc) && ParseFieldNumber(in.time, &dwellText);
    if (!numbers) {
        ShowPrompt(QString::fromLatin1(kMsgInvalidValue));
        return;
    }
    const double dwell = in.seconds ? std::floor(dwellText) : RoundHalfEven(dwellText * 60);
    auto outside = [&](double v) { return s.DevType != 0 && (float(v) < s.MinCur || float(v) > s.MaxCur); };
    if (!(float(inc) > 0) || !(dwell >= 1 && dwell <= 32767) || outside(c1) || outside(c2)) {
        ShowPrompt(QString::fromLatin1(kMsgOutOfRange));
        return;
    }
    const FieldCheck vol = CheckField(s, chn, FieldKind::AutoVol, in.vol);
    if (!vol.ok()) {
        ShowPrompt(vol.message());
        return;
    }
    // The first mode is the load's current mode; a panel whose mode box is
    // still empty (its device not yet identified) has nothing to run.
    if (f->ModeCnt() == 0)
        return;

    a.AutoCur = float(c1);
    a.AutoEnd = float(c2);
    a.AutoInc = float(inc);
    a.AutoStart = a.AutoCur;
    a.AutoSteps = 0;
    a.AutoUp = a.AutoCur <= a.AutoEnd;
    f->setTMode(f->ModeTxt(0));
    f->setTSval(chn, Format(a.AutoCur, SetValuePattern(s)));
    f->setTSlmt(chn, PointForm(in.vol));
    f->setTStim(chn, QStringLiteral("0"));
    host_.Commands().DevCtrl_RunClick(slot, chn, RunCaller::Program);
    a.AutoSecs = 0;
    a.AutoDwell = int16_t(dwell);
    p->setAutoTmrEnable(true);
    p->setAutoCmd(Lang(QStringLiteral("Stop")));
    p->AutoListClr();
    a.AutoOn = true;
    s.AutoRunning = true;
    host_.ChartYStep(slot, true);
}

void AutoTest::writeRow(int slot, int chn)
{
    // The readouts as the panel shows them.
    const ChanState& c = st_.ch(slot, chn);
    const float cur = c.CurShown;
    const float vol = c.VoltShown;
    AutoPageIf* p = host_.autoPage(slot);
    p->setTAutoList(1, Format(cur, QStringLiteral("0.00")));
    p->setTAutoList(2, Format(vol, QStringLiteral("0.00")));
    p->setTAutoList(3, Format(vol * cur, QStringLiteral("0.0")));
}

void AutoTest::OnTimer(int slot)
{
    try {
        AutoSlot& a = a_.at(size_t(slot));
        SlotState& s = st_.slot.at(size_t(slot));
        AutoPageIf* p = host_.autoPage(slot);
        if (!a.AutoOn) {
            p->setAutoTmrEnable(false);
            return;
        }
        const int chn = host_.fields(slot)->ChnIndex();
        RunCommandsIf& run = host_.Commands();
        if (a.AutoSecs == 0 && st_.ch(slot, chn).CurShown != a.AutoCur)
            run.RemoteSet(slot, chn, a.AutoCur);
        ++a.AutoSecs;

        if (!s.chn.at(size_t(chn)).Running) {
            p->setAutoCmd(Lang(QStringLiteral("Start")));
            a.AutoOn = false;
            s.AutoRunning = false;
            writeRow(slot, chn);
            p->setAutoTmrEnable(false);
            return;
        }
        writeRow(slot, chn);

        if (a.AutoSecs >= a.AutoDwell) {
            ++a.AutoSteps;
            const double moved = double(a.AutoSteps) * double(a.AutoInc);
            a.AutoCur = float(double(a.AutoStart) + (a.AutoUp ? moved : -moved));
            a.AutoSecs = 0;
        }
        // Judged as the device is sent the values, in its current units.
        const double cur = InCurrentUnits(s, a.AutoCur), end = InCurrentUnits(s, a.AutoEnd);
        const bool over = a.AutoUp ? cur > end : cur < end;
        if (!over) {
            if (a.AutoSecs == 0) {
                p->AutoListAdd();
                run.RemoteSet(slot, chn, a.AutoCur);
            }
            return;
        }
        // The end: the value that passed the end current is never sent.
        p->setAutoTmrEnable(false);
        run.DevCtrl_StopClick(slot, chn);
        p->setAutoCmd(Lang(QStringLiteral("Start")));
        a.AutoOn = false;
        s.AutoRunning = false;
        writeRow(slot, chn);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoTmrOn"), QString::fromUtf8(e.what()));
    }
}

void AutoTest::SaveClick(int slot, QObject* asking)
{
    try {
        const bool csv = settings().SaveCsv;
        const QString ext = csv ? QStringLiteral("csv") : QStringLiteral("dat");
        const QString filter = csv ? QStringLiteral("csv file(*.csv)|*.csv") : QStringLiteral("data file(*.dat)|*.dat");
        QString path = FileDialog(FileKind::Result, true, Lang(QStringLiteral("Save Result")), filter, QString());
        if (path.isEmpty())
            return;
        if (path.right(3) != ext)
            path += QLatin1Char('.') + ext;
        const int chn = host_.fields(slot)->ChnIndex();
        const QStringList lines = AutoResultLines(host_.autoPage(slot)->AutoRows(), host_.DevName(slot, chn),
                                                  csv ? QStringLiteral(",") : QStringLiteral("\t"));
        FileQueue().Post(
            [path, lines](QString*) { return SaveWholeLinesLogged(path, lines, QStringLiteral("ErrAutoSave")); },
            asking, [](bool ok, const QString&) { TellUnlessWritten(ok); });
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoSave"), QString::fromUtf8(e.what()));
    }
}

std::optional<QList<QStringList>> AutoTest::ListClick(int slot) const
{
    if (st_.slot.at(size_t(slot)).AutoRunning)
        return std::nullopt;
    return host_.autoPage(slot)->AutoRows();
}

} // namespace ql
