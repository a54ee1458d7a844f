// A golden sweep of the start check and the start frames: for every model
// (one test and one golden file, start_sweep/typeNN.txt, per row of the
// model table), mode (one outside the list on each side), channel and kind
// (start, set, continue), the verdict of the check on the fields and the
// frame that goes out for them (none where the check refuses), with each
// field taken to its boundaries (one step below zero, zero, the model's
// maximum, one step above it) while the other two hold sound values. A
// difference is a change of behaviour. QL_UPDATE_GOLDEN=1 rewrites the files.
//
// Over the same sweep the check and the encoder agree: with the focus rules
// left out the check refuses exactly what the encoder refuses, for the same
// field, and nothing the check lets through fails to encode.
#include "link/encode.h"
#include "link/frames.h"
#include "link/modeltable.h"
#include "link/valuecheck.h"
#include "modelcodes.h"
#include "recordvalues.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ql;

namespace {

QString Num(double v, int decimals) { return QString::number(v, 'f', decimals); }

struct Fields {
    QString sval, slmt, stim;
};

FieldKind KindOf(EncodeFail f)
{
    return f == EncodeFail::Limit ? FieldKind::Limit : f == EncodeFail::Third ? FieldKind::Third : FieldKind::SetValue;
}

QString Line(int type, int mode, int chn, int kind, const Fields& f, QStringList* disagreements)
{
    auto owned = std::make_unique<SlotState>();
    SlotState& s = *owned;
    s.DevType = int16_t(type);
    ApplyModelRow(s, chn);
    s.Dev2S = chn == 1;
    ChanState& c = s.chn[size_t(chn)];
    c.ChnMode = int16_t(mode);
    c.SvalText = f.sval;
    c.SlmtText = f.slmt;
    c.StimText = f.stim;

    const StartCheck check = CheckStartValues(s, chn, kind, StartFields{f.sval, f.slmt, f.stim});
    const Encoded e = EncodeStart(s, chn, kind, RecordValues(s, chn));
    QString out = QStringLiteral("t%1 m%2 c%3 k%4 %5|%6|%7: ")
                      .arg(type)
                      .arg(mode)
                      .arg(chn)
                      .arg(kind)
                      .arg(f.sval, f.slmt, f.stim);
    out += check.ok() ? QStringLiteral("ok") : QStringLiteral("refused %1 %2").arg(int(check.verdict)).arg(int(check.field));
    out += QStringLiteral(" / ");
    // The program sends only what the check lets through; the channel keeps
    // the raw values of what went out (-7 stands for untouched).
    c.SetRaw = c.LmtRaw = c.TimRaw = -7;
    if (check.ok() && e.frame) {
        c.SetRaw = *e.SetRaw, c.LmtRaw = *e.LmtRaw, c.TimRaw = *e.TimRaw;
        out += QString::fromLatin1(FrameBytes(*e.frame).toHex(' ').toUpper());
    } else {
        out += QStringLiteral("none");
    }
    out += QStringLiteral(" raws %1,%2,%3").arg(c.SetRaw).arg(c.LmtRaw).arg(c.TimRaw);

    // The frame rules of the check are the encoder's.
    StartFields noFocus{f.sval, f.slmt, f.stim, false, false, false};
    const StartCheck rules = CheckStartValues(s, chn, kind, noFocus);
    const bool agree = rules.ok() == e.frame.has_value() && (rules.ok() || rules.field == KindOf(e.failed)) &&
                       (!check.ok() || e.frame.has_value());
    if (!agree)
        *disagreements << out + QStringLiteral(" (encoder: %1)").arg(e.error);
    return out;
}

} // namespace

class StartSweep : public ::testing::TestWithParam<int> {};

TEST_P(StartSweep, VerdictsAndFramesOfEveryModeChannelAndKind)
{
    const int type = GetParam();
    const ModelRow* row = FindModelRow(type);
    ASSERT_TRUE(row);
    QStringList lines, disagreements;
    const int modes = int(qltest::ModeListFor(type).size());
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
                    lines << Line(type, mode, chn, kind, f, &disagreements);
    EXPECT_TRUE(disagreements.isEmpty()) << disagreements.size() << " disagree, e.g. "
                                         << disagreements.value(0).toStdString();
    const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    const QString path = QStringLiteral(QL_GOLDEN_DIR "/start_sweep/type%1.txt").arg(type, 2, 10, QLatin1Char('0'));
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

INSTANTIATE_TEST_SUITE_P(ModelRows, StartSweep, ::testing::ValuesIn(qltest::RowCodes()),
                         [](const ::testing::TestParamInfo<int>& info) { return "Type" + std::to_string(info.param); });
