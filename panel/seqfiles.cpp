#include "panel/seqfiles.h"

#include "link/state.h"
#include "link/modefields.h"
#include "link/valuecheck.h"
#include "platform/numfmt.h"
#include "platform/profile.h"
#include "platform/services.h"

#include <QFile>

namespace ql {

QString SeqFileBanner() { return QStringLiteral("----------www.qltester.example--------------"); }

// ---- Text files ---------------------------------------------------------------

bool ReadTextLines(const QString& path, QStringList* lines, QString* error, qint64 maxBytes)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString());
    if (f.size() > maxBytes)
        return fail(QStringLiteral("file larger than %1 bytes").arg(maxBytes));
    const QByteArray bytes = f.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return fail(QStringLiteral("file larger than %1 bytes").arg(maxBytes));
    if (f.error() != QFileDevice::NoError)
        return fail(f.errorString());
    *lines = TextLines(bytes);
    return true;
}

QStringList TextLines(const QByteArray& bytes)
{
    QString text = profile::decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList out = text.split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

// ---- Step program ---------------------------------------------------------------

int StepKindOf(const QString& text, const QStringList& modes)
{
    if (text == QLatin1String(kStepCycle))
        return int(modes.size()) + 1;
    if (text == QLatin1String(kStepWait))
        return int(modes.size());
    return int(modes.indexOf(text));
}

std::optional<QStringList> StepFileLines(const StepTable& t, int devType, const QStringList& modes, QString* error)
{
    QStringList lines{SeqFileBanner(), QStringLiteral("DEV:%1").arg(devType)};
    const int rows = t.programRows();
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= 4; ++c) {
            const QString& cell = t.at(r, c);
            if (cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n'))) {
                if (error)
                    *error = QStringLiteral("row %1 column %2 holds a line break").arg(r).arg(c);
                return std::nullopt;
            }
            QString value = cell;
            if (c == 1) {
                const int code = StepKindOf(cell, modes);
                if (code < 0) {
                    if (error)
                        *error = QStringLiteral("row %1: \"%2\" is no mode of this device").arg(r).arg(cell);
                    return std::nullopt;
                }
                value = QString::number(code);
            }
            lines << QStringLiteral("%1%2:%3").arg(r, 2, 10, QLatin1Char('0')).arg(c).arg(value);
        }
    }
    return lines;
}

StepFileRead ParseStepFile(const QStringList& lines, int devType, const QStringList& modes)
{
    StepFileRead r;
    if (lines.size() < 2 || !lines[1].startsWith(QLatin1String("DEV:")) || Val(lines[1].mid(4)) != devType) {
        r.result = StepFileRead::OtherType;
        return r;
    }
    auto damaged = [&](int i, const QString& why) {
        r.damaged << QStringLiteral("line %1 \"%2\": %3").arg(i + 1).arg(lines[i].left(40), why);
    };
    const auto ascii = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    for (int i = 2; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.size() < 4)
            continue;
        if (!ascii(line[0]) || !ascii(line[1]) || !ascii(line[2]) || line[3] != QLatin1Char(':')) {
            damaged(i, QStringLiteral("not a cell line"));
            continue;
        }
        const int row = line.left(2).toInt();
        const int col = line[2].digitValue();
        if (row > 10 || col > 4)
            continue;
        if (row < 1 || col < 1) {
            damaged(i, QStringLiteral("no such cell"));
            continue;
        }
        const QString value = line.mid(4);
        if (value.contains(QChar::ReplacementCharacter) || value.contains(QChar(0))) {
            damaged(i, QStringLiteral("bytes that are no text"));
            continue;
        }
        if (col == 1) {
            bool ok = false;
            const int code = value.toInt(&ok);
            if (!ok || code < 0) {
                damaged(i, QStringLiteral("mode code is not a number"));
                continue;
            }
            if (code < modes.size())
                r.table.at(row, 1) = modes[code];
            else if (code == modes.size())
                r.table.at(row, 1) = Lang(QLatin1String(kStepWait));
            else
                r.table.at(row, 1) = Lang(QLatin1String(kStepCycle));
        } else {
            // A value an earlier build wrote with a decimal comma reads with
            // its value; other text stays for the start's check to refuse.
            r.table.at(row, col) = FileNumberText(value).value_or(value);
        }
    }
    return r;
}

QString CheckStepRow(const SlotState& s, int chn, int mode, int modeCnt, const QString& set, const QString& lmt,
                     const QString& third, QString* reason)
{
    const QString invalid = QString::fromLatin1(kMsgInvalidValue);
    const QString range = QString::fromLatin1(kMsgOutOfRange);
    auto fail = [&](const QString& msg, const QString& why) {
        if (reason)
            *reason = why;
        return msg;
    };
    auto within = [](double v, double lo, double hi) {
        const float f = float(v);
        return f >= float(lo) && f <= float(hi);
    };
    double v1 = 0, v2 = 0, v3 = 0;
    if (mode == modeCnt || mode == modeCnt + 1) {
        if (!ParseFieldNumber(third, &v3))
            return fail(invalid, QStringLiteral("not a number: \"%1\"").arg(third));
        if (v3 < 0 || v3 > 9999)
            return fail(range, QStringLiteral("out of range: %1").arg(third));
        return {};
    }
    if (mode < 0 || mode > modeCnt + 1)
        return fail(invalid, QStringLiteral("no such mode"));
    if (!ParseFieldNumber(set, &v1))
        return fail(invalid, QStringLiteral("not a number: \"%1\"").arg(set));
    if (!ParseFieldNumber(lmt, &v2))
        return fail(invalid, QStringLiteral("not a number: \"%1\"").arg(lmt));
    if (!ParseFieldNumber(third, &v3))
        return fail(invalid, QStringLiteral("not a number: \"%1\"").arg(third));

    if (s.DevType != 0) {
        const bool power = SetValueIsPower(s.DevType, mode);
        const bool charge = s.LastDisMode < mode && mode <= s.CvMode;
        const bool fixedFields = mode > s.CvMode;  // entries after the charge modes take no set value or limit
        const bool cells = charge && mode < modeCnt && LimitIsCells(s.DevType, mode);
        const bool cutOff = ThirdIsCutOff(s, mode);
        if (!fixedFields) {
            if (power ? !within(v1, 1, 60) : !within(v1, s.MinCur, s.MaxCur))
                return fail(range, QStringLiteral("set value out of range: %1").arg(set));
            if (cells ? !CellCountOk(s.DevType, mode, v2) : !within(v2, s.MinVol, s.MaxVol))
                return fail(range, QStringLiteral("limit out of range: %1").arg(lmt));
        }
        if (cutOff ? !within(v3, s.MinCur, s.MaxCur) : !(v3 >= 0 && v3 <= 9999))
            return fail(range, QStringLiteral("third value out of range: %1").arg(third));
    }

    // What the start command would encode, on a copy of the slot's limits
    // with the row's mode.
    SlotState probe;
    probe.DevType = s.DevType;
    probe.FwVersion = s.FwVersion;
    probe.MaxCur = s.MaxCur;
    probe.MaxVol = s.MaxVol;
    probe.MinCur = s.MinCur;
    probe.MinVol = s.MinVol;
    probe.CurFactor = s.CurFactor;
    probe.VolFactor = s.VolFactor;
    probe.PwrFactor = s.PwrFactor;
    probe.LastDisMode = s.LastDisMode;
    probe.CvMode = s.CvMode;
    probe.CvCutCur = s.CvCutCur;
    probe.chn.at(chn == 1 ? 1 : 0).ChnMode = int16_t(mode);
    StartFields f;
    f.sval = set;
    f.slmt = lmt;
    f.stim = third;
    f.svalEnabled = f.slmtEnabled = f.stimEnabled = false;  // bounds were checked above
    const StartCheck c = CheckStartValues(probe, chn == 1 ? 1 : 0, 1, f);
    if (!c.ok())
        return fail(c.message(), c.reason);
    return {};
}

// ---- Auto-test result file ----------------------------------------------------

QStringList AutoResultLines(const QList<QStringList>& rows, const QString& deviceName, const QString& sep)
{
    QStringList lines{QStringLiteral("Device:") + deviceName, QStringLiteral("Mode:Auto Test"), SeqFileBanner()};
    for (const QStringList& r : rows)
        lines << QStringList{r.value(0), r.value(1), r.value(2)}.join(sep);
    return lines;
}

} // namespace ql
