#include "panel/steptest.h"

#include "link/frames.h"
#include "link/modefields.h"
#include "link/valuecheck.h"
#include "panel/seqfiles.h"
#include "panel/seqif.h"
#include "platform/diskqueue.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/wholefile.h"

#include <exception>

namespace ql {

namespace {

const QString kStepFilter = QStringLiteral("step file(*.stp)|*.stp");

bool IsWord(const QString& cell, const char* word) { return cell == QLatin1String(word); }

// The first program row that must not run, with the message for the user
// (before Lang) and a reason for the log; 0 when every row may run.
int CheckProgram(const SlotState& s, int chn, const StepTable& t, const QStringList& modes, QString* message,
                 QString* reason)
{
    const int rows = t.programRows();
    for (int r = 1; r <= rows; ++r) {
        const int kind = StepKindOf(t.at(r, 1), modes);
        QString why;
        QString msg;
        if (kind < 0 || (r == 1 && kind == modes.size() + 1)) {
            msg = QString::fromLatin1(kMsgInvalidValue);
            why = QStringLiteral("\"%1\" cannot run here").arg(t.at(r, 1));
        } else {
            msg = CheckStepRow(s, chn, kind, int(modes.size()), t.at(r, 2), t.at(r, 3), t.at(r, 4), &why);
        }
        if (!msg.isEmpty()) {
            *message = msg;
            *reason = QStringLiteral("row %1: %2").arg(r).arg(why);
            return r;
        }
        if (kind == modes.size() + 1)
            break;  // rows below a "Cycle" row never run
    }
    return 0;
}

} // namespace

StepTest::StepTest(LinkState& state, SeqHostIf& host) : st_(state), host_(host) {}

QString StepTest::FormatAmount(float v)
{
    return Format(v, v >= 10 ? QStringLiteral("0.00") : QStringLiteral("0.000"));
}

QStringList StepTest::modes(const RunFieldsIf& f)
{
    QStringList m;
    const int n = f.ModeCnt();
    for (int k = 0; k < n; ++k)
        m << f.ModeTxt(k);
    return m;
}

void StepTest::StartStop(int slot)
{
    if (a_.at(size_t(slot)).StepOn)
        stop(slot);
    else
        start(slot);
}

void StepTest::Halt(int slot)
{
    if (a_.at(size_t(slot)).StepOn)
        stop(slot, false);
}

void StepTest::stop(int slot, bool sendStop)
{
    StepSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    StepPageIf* p = host_.stepPage(slot);
    RunFieldsIf* f = host_.fields(slot);
    const int chn = f->ChnIndex();
    s.StepRunning = false;
    a.StepOn = false;
    for (int r = 1; r <= 5; ++r)
        p->setStepColor(r, kStepIdleColor);
    if (sendStop && f->StopEnable())
        host_.Commands().DevCtrl_StopClick(slot, chn);
    s.chn.at(size_t(chn)).RunStartPt = 0;
    p->setStepTmrEnable(false);
    p->setStepCmd(Lang(QStringLiteral("Start")));
    p->setStepEnable(true);
    if (!host_.Monitoring(slot, chn)) {
        f->setTmrCurveEnable(chn, false);
        host_.TmrStop(slot, chn);
    }
}

void StepTest::start(int slot)
{
    StepSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    if (s.Steps.at(1, 1).isEmpty())
        return;
    StepPageIf* p = host_.stepPage(slot);
    RunFieldsIf* f = host_.fields(slot);
    const int chn = f->ChnIndex();
    QString message, reason;
    if (CheckProgram(s, chn, s.Steps, modes(*f), &message, &reason) != 0) {
        ErrLog(QStringLiteral("ErrStepStart"), reason);
        ShowPrompt(message);
        return;
    }
    p->setStepTmrEnable(true);
    p->setStepCmd(Lang(QStringLiteral("Stop")));
    // Nothing of a program run before carries over: a channel already
    // running runs on without a time limit or step kind left behind.
    a = StepSlot{};
    a.StepOn = true;
    s.StepRunning = false;
    p->setStepEnable(false);
    host_.ChartClearAll(slot);
    p->StepListClr();
}

void StepTest::amounts(int slot, StepPageIf& p, int chn)
{
    const ChanState& c = st_.ch(slot, chn);
    p.setTStepList(2, FormatAmount(c.Cap));
    p.setTStepList(3, FormatAmount(c.Energy));
}

void StepTest::load(int slot, StepPageIf& p, RunFieldsIf& f, int chn)
{
    StepSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    const int row = a.StepPos;
    const QString kind = s.Steps.at(row, 1);
    const int modeCnt = f.ModeCnt();
    if (IsWord(kind, kStepWait)) {
        a.StepMode = int16_t(modeCnt);
    } else {
        for (int k = 0; k < modeCnt; ++k)
            if (f.ModeTxt(k) == kind) {
                a.StepMode = int16_t(k);
                break;
            }
    }
    // A mode step whose column 4 is a cut-off current has no time limit.
    if (a.StepMode != modeCnt && ThirdIsCutOff(s, a.StepMode)) {
        a.StepLimit = 0;
    } else {
        const double secs = RoundHalfEven(Val(s.Steps.at(row, 4)) * 60);
        a.StepLimit = secs > 0 && secs < 2147483647.0 ? int32_t(secs) : 0;
    }

    p.setTStepList(0, QStringLiteral("%1-%2").arg(a.StepCycle).arg(row));
    p.setTStepList(1, kind);
    if (a.StepMode != modeCnt) {
        f.setTMode(kind);
        f.setTSval(chn, s.Steps.at(row, 2));
        f.setTSlmt(chn, s.Steps.at(row, 3));
        f.setTStim(chn, s.Steps.at(row, 4));
        if (f.RunEnable())
            host_.Commands().DevCtrl_RunClick(slot, chn, RunCaller::Program);
        amounts(slot, p, chn);
    } else {
        p.setTStepList(2, QStringLiteral("0"));
        p.setTStepList(3, QStringLiteral("0"));
    }
    s.StepRunning = true;
    a.StepState = 1;
    a.StepTries = 0;

    const uint32_t colour = a.StepMode <= s.LastDisMode ? kStepDisColor
                            : a.StepMode <= s.CvMode    ? kStepChgColor
                                                        : kStepWaitColor;
    for (int r = 1; r <= 5; ++r)
        p.setStepColor(r, r == row ? colour : kStepIdleColor);
}

void StepTest::record(int slot, StepPageIf& p, const RunFieldsIf& f, int chn)
{
    StepSlot& a = a_.at(size_t(slot));
    const StepTable& steps = st_.slot.at(size_t(slot)).Steps;
    if (a.StepMode == f.ModeCnt()) {
        p.setTStepList(2, QStringLiteral("0"));
        p.setTStepList(3, QStringLiteral("0"));
    } else {
        amounts(slot, p, chn);
    }
    const int next = a.StepPos + 1;
    bool finished = next > 10 || steps.at(next, 1).isEmpty();
    if (!finished) {
        if (IsWord(steps.at(next, 1), kStepCycle)) {
            if (Val(steps.at(next, 4)) > a.StepCycle) {
                ++a.StepCycle;
                a.StepPos = 1;
            } else {
                finished = true;
            }
        } else {
            a.StepPos = int16_t(next);
        }
    }
    if (finished)
        stop(slot);
    else
        p.StepListAdd();
    a.StepState = 0;
    a.StepSecs = 0;
}

void StepTest::OnTimer(int slot)
{
    StepSlot& a = a_.at(size_t(slot));
    if (!a.StepOn)
        return;
    bool running = false;
    try {
        StepPageIf* p = host_.stepPage(slot);
        RunFieldsIf* f = host_.fields(slot);
        const int chn = f->ChnIndex();
        running = st_.ch(slot, chn).Running;
        if (running) {
            ++a.StepSecs;
            if (a.StepLimit > 0 && a.StepSecs >= a.StepLimit && f->StopEnable())
                host_.Commands().DevCtrl_StopClick(slot, chn);
            amounts(slot, *p, chn);
            a.StepState = 2;
            return;
        }
        switch (a.StepState) {
        case 0: load(slot, *p, *f, chn); break;
        case 1:
            if (a.StepMode == f->ModeCnt()) {
                ++a.StepSecs;
                if (a.StepSecs >= a.StepLimit)
                    a.StepState = 2;
            } else if (f->RunEnable()) {
                host_.Commands().DevCtrl_RunClick(slot, chn, RunCaller::Program);
                if (a.StepTries >= 3) {
                    a.StepState = 2;
                    a.StepTries = 0;
                } else {
                    ++a.StepTries;
                }
            }
            break;
        default: record(slot, *p, *f, chn); break;
        }
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrStepTmrOn(%1 %2 %3)")
                   .arg(slot)
                   .arg(running ? QStringLiteral("True") : QStringLiteral("False"))
                   .arg(a.StepState),
               QString::fromUtf8(e.what()));
    }
}

void StepTest::setSteps(int slot, const StepTable& steps)
{
    st_.slot.at(size_t(slot)).Steps = steps;
    host_.stepPage(slot)->ShowSteps(steps);
}

void StepTest::ClearClick(int slot) { setSteps(slot, StepTable{}); }

void StepTest::SaveClick(int slot, QObject* asking)
{
    QString path = FileDialog(FileKind::Step, true, Lang(QStringLiteral("Save Step")), kStepFilter, QString());
    if (path.isEmpty())
        return;
    if (path.right(3) != QLatin1String("stp"))
        path += QStringLiteral(".stp");
    QString error;
    const SlotState& s = st_.slot.at(size_t(slot));
    const auto lines = StepFileLines(s.Steps, s.DevType, modes(*host_.fields(slot)), &error);
    const auto failed = [path](const QString& why) {
        ErrLog(QStringLiteral("ErrSaveStep"), path + QStringLiteral(": ") + why);
        return false;
    };
    if (!lines)
        TellUnlessWritten(failed(error));
    else
        FileQueue().Post(
            [path, lines = *lines, failed](QString* why) { return SaveWholeLines(path, lines, why) || failed(*why); },
            asking, [](bool ok, const QString&) { TellUnlessWritten(ok); });
}

void StepTest::OpenClick(int slot)
{
    const SlotState& s = st_.slot.at(size_t(slot));
    const QString path = FileDialog(FileKind::Step, false, Lang(QStringLiteral("Open Step")), kStepFilter, QString());
    if (path.isEmpty() || path.right(3) != QLatin1String("stp"))
        return;
    QStringList lines;
    QString error;
    if (!ReadTextLines(path, &lines, &error)) {
        ErrLog(QStringLiteral("ErrOpenStep"), path + QStringLiteral(": ") + error);
        ShowPrompt(QStringLiteral("Cannot open file!"));
        return;
    }
    // The cells load as the file holds them; the start checks what may be sent.
    const StepFileRead read = ParseStepFile(lines, s.DevType, modes(*host_.fields(slot)));
    if (read.result == StepFileRead::OtherType) {
        setSteps(slot, StepTable{});
        return;
    }
    setSteps(slot, read.table);
    if (!read.damaged.isEmpty()) {
        ErrLog(QStringLiteral("ErrOpenStep"), QStringLiteral("%1: %2 damaged lines skipped, the first: %3")
                                                  .arg(path)
                                                  .arg(read.damaged.size())
                                                  .arg(read.damaged.mid(0, 3).join(QStringLiteral("; "))));
        ShowPrompt(QStringLiteral("Damaged lines of the file were skipped!"));
    }
}

} // namespace ql
