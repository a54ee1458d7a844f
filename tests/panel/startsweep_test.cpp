// A golden sweep of the start check and the start frames: for every model,
// mode (one outside the list on each side), channel and kind (start, set,
// continue), the verdict of the check on the fields and the frame the link
// builds from the same fields, with each field taken to its boundaries (one
// step below zero, zero, the model's maximum, one step above it) while the
// other two hold sound values. Today's answers are recorded: a difference
// is a change of behaviour. QL_UPDATE_GOLDEN=1 rewrites the file.
#include "link/frames.h"
#include "link/modeltable.h"
#include "panel/valuecheck.h"
#include "sim/peers.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ql;

namespace {

QString Num(double v, int decimals) { return QString::number(v, 'f', decimals); }

struct Fields {
    QString sval, slmt, stim;
};

QString Line(int type, int mode, int chn, int kind, const Fields& f)
{
    LinkState st;
    sim::FakePanel panel;
    SlotState& s = st.slot[0];
    s.Panel = &panel;
    s.DevType = int16_t(type);
    ApplyModelRow(s, chn);
    ChanState& c = s.chn[size_t(chn)];
    c.ChnMode = int16_t(mode);
    c.SetRaw = c.LmtRaw = c.TimRaw = -7;
    panel.sval[size_t(chn)] = f.sval;
    panel.slmt[size_t(chn)] = f.slmt;
    panel.stim[size_t(chn)] = f.stim;

    const StartCheck check = CheckStartValues(s, chn, kind, StartFields{f.sval, f.slmt, f.stim});
    QString error;
    const auto frame = StartFrame(st, 0, chn, kind, &error);
    QString out = QStringLiteral("t%1 m%2 c%3 k%4 %5|%6|%7: ")
                      .arg(type)
                      .arg(mode)
                      .arg(chn)
                      .arg(kind)
                      .arg(f.sval, f.slmt, f.stim);
    out += check.ok() ? QStringLiteral("ok") : QStringLiteral("refused %1 %2").arg(int(check.verdict)).arg(int(check.field));
    out += QStringLiteral(" / ");
    out += frame ? QString::fromLatin1(FrameBytes(*frame).toHex(' ').toUpper()) : QStringLiteral("none");
    out += QStringLiteral(" raws %1,%2,%3").arg(c.SetRaw).arg(c.LmtRaw).arg(c.TimRaw);
    return out;
}

} // namespace

TEST(StartSweep, VerdictsAndFramesOfEveryModelModeChannelAndKind)
{
    QStringList lines;
    for (int type = 1; type <= kMaxTypeCode; ++type) {
        const ModelRow* row = FindModelRow(type);
        if (!row)
            continue;
        const int modes = int(ModeListFor(type).size());
        const int channels = row->twoChannel ? 2 : 1;
        const int dec = 3;
        const double cur = row->MaxCur, vol = row->MaxVol;
        const double step = 0.001;
        const Fields sound{Num(cur / 2, dec), Num(vol / 2, dec), QStringLiteral("0")};
        std::vector<Fields> cases{sound};
        for (double v : {-step, 0.0, cur, cur + step, cur * vol})
            cases.push_back({Num(v, dec), sound.slmt, sound.stim});
        for (double v : {-step, 0.0, vol, vol + step})
            cases.push_back({sound.sval, Num(v, dec), sound.stim});
        for (const char* t : {"-1", "1", "0.5", "999", "1092"})
            cases.push_back({sound.sval, sound.slmt, QString::fromLatin1(t)});
        for (int chn = 0; chn < channels; ++chn)
            for (int mode = -1; mode <= modes; ++mode)
                for (int kind : {1, 7, 8})
                    for (const Fields& f : cases)
                        lines << Line(type, mode, chn, kind, f);
    }
    const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    const QString path = QStringLiteral(QL_GOLDEN_DIR "/start_sweep.txt");
    if (qEnvironmentVariableIntValue("QL_UPDATE_GOLDEN") == 1) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "no golden " << path.toStdString();
    const QList<QByteArray> want = f.readAll().split('\n');
    const QList<QByteArray> got = text.split('\n');
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i)
        ASSERT_EQ(want.value(i).toStdString(), got.value(i).toStdString()) << "line " << i + 1;
}
