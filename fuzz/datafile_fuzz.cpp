// Fuzz target of the data-file reader the viewer uses: arbitrary bytes read
// whole and in small chunks (the first byte picks the chunk size and the
// separator), then the viewer's arithmetic over the rows. Checks that the
// chunk size changes nothing and that no row holds a value the reader
// refuses (non-finite or absurd).
#include "views/datareader.h"

#include <QBuffer>
#include <QByteArray>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

ql::DataFileRead readAll(const QByteArray& bytes, char sep, qsizetype chunk)
{
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    return ql::ReadDataStream(in, sep, chunk);
}

bool sameRows(const ql::DataFileRead& a, const ql::DataFileRead& b)
{
    if (a.rows.size() != b.rows.size() || a.badRows != b.badRows || a.firstBadLine != b.firstBadLine
        || a.cells != b.cells || a.has != b.has)
        return false;
    for (size_t i = 0; i < a.rows.size(); ++i)
        if (std::memcmp(&a.rows[i], &b.rows[i], sizeof(ql::DataRow)) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char sep = (data[0] & 0x80) ? '\t' : ',';
    const qsizetype chunk = 1 + (data[0] & 0x3F);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const ql::DataFileRead whole = readAll(bytes, sep, qsizetype(1) << 20);
    const ql::DataFileRead pieces = readAll(bytes, sep, chunk);
    if (!whole.opened || !sameRows(whole, pieces))
        std::abort();

    ql::RunIntegrator run;
    ql::ViewerBounds bounds;
    for (const ql::DataRow& r : whole.rows) {
        for (float v : {r.t, r.I, r.V})
            if (!std::isfinite(v) || std::fabs(v) > 1e9f)
                std::abort();
        run.add(r);
        bounds.add(r.t, r.V, r.I);
    }
    std::array<QString, ql::kViewerCols> cells = whole.cells;
    ql::FillSummaryCells(cells, run);
    ql::VoltageAxisRange(bounds);
    ql::CurrentAxisRange(bounds, true);
    ql::CurrentAxisRange(bounds, false);
    return 0;
}
