#include "panel/autotest.h"

#include "link/frames.h"
#include "panel/modefields.h"
#include "panel/seqfiles.h"
#include "panel/seqif.h"
#include "panel/valuecheck.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <cmath>
#include <exception>

namespace ql {

namespace {

constexpr int kMaxListEntries = 10000;  // guards the lists against a wild MaxCur

float Num(const QString& text) { return static_cast<float>(Val(text)); }

} // namespace

AutoTest::AutoTest(LinkState& state, SeqHostIf& host) : st_(state), host_(host) {}

void AutoTest::Init(int slot)
{
    try {
        const SlotState& s = st_.slot.at(size_t(slot));
        SeqPanelIf* p = host_.seqPanel(slot);
        p->AutoC1Clr();
        p->AutoC2Clr();
        p->AutoStepClr();
        p->AutoTimeClr();
        const bool fine = s.DevType == 35;
        const float inc = fine ? 0.01f : 0.1f;
        const float pad = fine ? 0.001f : 0.01f;
        const QString pattern = fine ? QStringLiteral("0.00") : QStringLiteral("0.0");
        int n = 0;
        for (float v = inc; v <= s.MaxCur + pad && n < kMaxListEntries; v += inc, ++n) {
            p->AutoC1Add(Format(v, pattern));
            p->AutoC2Add(Format(v, pattern));
        }
        for (float v = inc; v <= 1.0f + pad; v += inc)
            p->AutoStepAdd(Format(v, pattern));
        const QString first = Format(inc, pattern);
        p->setTAutoC1(first);
        p->setTAutoC2(first);
        p->setTAutoStep(first);
        for (int t = 2; t <= 100; t += 2)
            p->AutoTimeAdd(QString::number(t));
        p->setTAutoTime(QStringLiteral("2"));
        p->AutoModeAdd(Lang(QStringLiteral("D-CC")));
        p->setTAutoMode(Lang(QStringLiteral("D-CC")));
        p->setTAutoVol(Format(Val(p->tAutoVol()), VoltagePattern(s.VolFactor)));
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
    AutoSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    SeqPanelIf* p = host_.seqPanel(slot);
    const int chn = p->ChnIndex();
    p->setAutoTmrEnable(false);
    p->setTSval(chn, Format(a.AutoCur, SetValuePattern(s)));
    host_.StopClick(slot, chn);
    p->setAutoCmd(Lang(QStringLiteral("Start")));
    a.AutoOn = false;
    s.AutoRunning = false;
}

void AutoTest::Halt(int slot)
{
    AutoSlot& a = a_.at(size_t(slot));
    if (!a.AutoOn)
        return;
    SeqPanelIf* p = host_.seqPanel(slot);
    p->setAutoTmrEnable(false);
    p->setAutoCmd(Lang(QStringLiteral("Start")));
    a.AutoOn = false;
    st_.slot.at(size_t(slot)).AutoRunning = false;
}

void AutoTest::start(int slot)
{
    AutoSlot& a = a_.at(size_t(slot));
    SlotState& s = st_.slot.at(size_t(slot));
    SeqPanelIf* p = host_.seqPanel(slot);
    const int chn = p->ChnIndex();

    // The parameters, checked before anything changes.
    double c1 = 0, c2 = 0, inc = 0, dwellText = 0;
    const bool numbers = ParseFieldNumber(p->tAutoC1(), &c1) && ParseFieldNumber(p->tAutoC2(), &c2) &&
                         ParseFieldNumber(p->tAutoStep(), &inc) && ParseFieldNumber(p->tAutoTime(), &dwellText);
    if (!numbers) {
        ShowPrompt(QString::fromLatin1(kMsgInvalidValue));
        return;
    }
    const double dwell = p->AutoOptSec() ? std::floor(dwellText) : RoundEven(dwellText * 60);
    auto outside = [&](double v) { return s.DevType != 0 && (float(v) < s.MinCur || float(v) > s.MaxCur); };
    if (!(float(inc) > 0) || !(dwell >= 1 && dwell <= 32767) || outside(c1) || outside(c2)) {
        ShowPrompt(QString::fromLatin1(kMsgOutOfRange));
        return;
    }
    const FieldCheck vol = CheckField(s, chn, FieldKind::AutoVol, p->tAutoVol());
    if (!vol.ok()) {
        ShowPrompt(vol.message());
        return;
    }

    a.AutoCur = float(c1);
    a.AutoEnd = float(c2);
    a.AutoInc = float(inc);
    a.AutoUp = a.AutoCur <= a.AutoEnd;
    p->setTMode(p->ModeTxt(0));
    p->setTSval(chn, Format(a.AutoCur, SetValuePattern(s)));
    p->setTSlmt(chn, p->tAutoVol());
    p->setTStim(chn, QStringLiteral("0"));
    host_.RunClick(slot, chn);
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
    SeqPanelIf* p = host_.seqPanel(slot);
    const float cur = Num(p->tCur(chn));
    const float vol = Num(p->tVol(chn));
    p->setTAutoList(1, Format(cur, QStringLiteral("0.00")));
    p->setTAutoList(2, Format(vol, QStringLiteral("0.00")));
    p->setTAutoList(3, Format(vol * cur, QStringLiteral("0.0")));
}

void AutoTest::OnTimer(int slot)
{
    try {
        AutoSlot& a = a_.at(size_t(slot));
        SlotState& s = st_.slot.at(size_t(slot));
        SeqPanelIf* p = host_.seqPanel(slot);
        if (!a.AutoOn) {
            p->setAutoTmrEnable(false);
            return;
        }
        const int chn = p->ChnIndex();
        if (a.AutoSecs == 0 && Num(p->tCur(chn)) != a.AutoCur)
            host_.RemoteSet(slot, a.AutoCur);
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

        bool over = false;
        if (a.AutoUp) {
            if (a.AutoSecs >= a.AutoDwell) {
                a.AutoCur += a.AutoInc;
                a.AutoSecs = 0;
            }
            over = a.AutoCur > float(a.AutoEnd + 0.01f);
        } else {
            if (a.AutoSecs >= a.AutoDwell) {
                a.AutoCur -= a.AutoInc;
                a.AutoSecs = 0;
            }
            over = a.AutoCur < float(a.AutoEnd - 0.01f);
        }
        if (!over) {
            if (a.AutoSecs == 0) {
                p->AutoListAdd();
                host_.RemoteSet(slot, a.AutoCur);
            }
            return;
        }
        // The end: the value that passed the end current is never sent.
        p->setAutoTmrEnable(false);
        host_.StopClick(slot, chn);
        p->setAutoCmd(Lang(QStringLiteral("Start")));
        a.AutoOn = false;
        s.AutoRunning = false;
        writeRow(slot, chn);
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoTmrOn"), QString::fromUtf8(e.what()));
    }
}

void AutoTest::SaveClick(int slot)
{
    try {
        const bool csv = settings().SaveCsv;
        const QString ext = csv ? QStringLiteral("csv") : QStringLiteral("dat");
        const QString filter = csv ? QStringLiteral("csv file(*.csv)|*.csv") : QStringLiteral("data file(*.dat)|*.dat");
        QString path = FileDialog(true, Lang(QStringLiteral("Save Result")), filter, QString());
        if (path.isEmpty())
            return;
        if (path.right(3) != ext)
            path += QLatin1Char('.') + ext;
        SeqPanelIf* p = host_.seqPanel(slot);
        const int chn = p->ChnIndex();
        const QStringList lines = AutoResultLines(*p, host_.GridText(slot, 0, 0), host_.GridText(slot, chn + 1, 0),
                                                  csv ? QStringLiteral(",") : QStringLiteral("\t"));
        QString error;
        if (!WriteTextLines(path, lines, &error)) {
            ErrLog(QStringLiteral("ErrAutoSave"), path + QStringLiteral(": ") + error);
            ShowPrompt(QStringLiteral("Cannot save file!"));
        }
    } catch (const std::exception& e) {
        ErrLog(QStringLiteral("ErrAutoSave"), QString::fromUtf8(e.what()));
    }
}

std::optional<QList<QStringList>> AutoTest::ListClick(int slot) const
{
    if (st_.slot.at(size_t(slot)).AutoRunning)
        return std::nullopt;
    SeqPanelIf* p = host_.seqPanel(slot);
    QList<QStringList> rows;
    const int n = p->AutoRunCnt();
    for (int r = 0; r < n; ++r) {
        if (p->tAutoRun(r, 1).isEmpty())
            break;
        rows << QStringList{p->tAutoRun(r, 0), p->tAutoRun(r, 1), p->tAutoRun(r, 2), p->tAutoRun(r, 3)};
    }
    return rows;
}

} // namespace ql
