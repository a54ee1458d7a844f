// Fuzz target of the step-file and parameter-file readers: arbitrary bytes
// as a file's content. Checks their promises: a step cell's kind is a mode
// of the device, "Wait", "Cycle" or empty; a parameter file's set value and
// limit, when taken, are numbers; nothing skipped is invented.
#include "panel/seqfiles.h"
#include "link/valuecheck.h"
#include "views/paramfile.h"

#include "fuzzcheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace ql;
using ql::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // As a step file for a device of type 17 with three modes; the type
    // line is given so that the cell lines are read.
    const QStringList modes{QStringLiteral("D-CC"), QStringLiteral("D-CP"), QStringLiteral("C-CV")};
    QStringList lines = TextLines(QByteArray("banner\r\nDEV:17\r\n") + bytes);
    const StepFileRead step = ParseStepFile(lines, 17, modes);
    check(step.result == StepFileRead::Ok);
    check(step.damaged.size() <= lines.size());
    for (int r = 1; r <= 10; ++r) {
        const QString& kind = step.table.at(r, 1);
        check(kind.isEmpty() || modes.contains(kind) || kind == QLatin1String(kStepWait) ||
              kind == QLatin1String(kStepCycle));
    }
    // And as it comes, type line included.
    lines = TextLines(bytes);
    const StepFileRead raw = ParseStepFile(lines, 17, modes);
    check(raw.damaged.size() <= lines.size());

    // As a parameter file for the device "QL-K01".
    const CfgRead cfg = ParseParameterFile(QByteArray("b\r\nD:QL-K01\r\n") + bytes, QStringLiteral("QL-K01"));
    check(cfg.status == CfgRead::Ok);
    check(!cfg.sval || ParseFieldNumber(*cfg.sval, nullptr));
    check(!cfg.slmt || ParseFieldNumber(*cfg.slmt, nullptr));
    check(cfg.skipped.size() <= bytes.count('\n') + bytes.count('\r') + 1);
    ParseParameterFile(bytes, QStringLiteral("QL-K01"));
    return 0;
}
