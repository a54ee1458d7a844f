#pragma once
// Reading a stored data file for the viewer, without widgets.
//
// ReadDataFile streams the file once, line by line: header lines are told by
// their key ("Device:" ... "Title:"), data rows by a digit in the first
// position; everything else (banner, "*" step-result lines, trailer, column
// titles) is passed over. A row whose time, current or voltage is not a
// plain finite number is skipped and counted; it never becomes a point.
//
// The rest of this header is the arithmetic the viewer applies to the rows:
// capacity and energy integration, the summary cells a file did not supply,
// and the display bounds and axis ranges over every file loaded.
#include "platform/runfile.h"
#include "platform/runmath.h"

#include <QIODevice>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace ql {

// Grid columns of a file's row in the viewer: one per header key
// (platform/runfile.h), in the keys' order.
inline constexpr int kViewerCols = kHeaderKeys;

struct DataRow {
    float t = 0;  // seconds
    float I = 0;  // amperes
    float V = 0;  // volts
};

struct DataFileRead {
    bool opened = false;      // false: the file could not be opened (error says why)
    QString error;
    // Header values by column; has[c] tells a taken "Key:" line from none.
    std::array<QString, kViewerCols> cells;
    std::array<bool, kViewerCols> has{};
    std::vector<DataRow> rows;
    int64_t badRows = 0;      // lines that began with a digit but were no valid row
    int64_t firstBadLine = 0; // line number (from 1) of the first of them
};

// Separator of a file by its name: "," when the last three characters are
// "csv" or "CSV", else TAB.
char DataFileSeparator(const QString& path);

// Reads the file at path with the given separator.
DataFileRead ReadDataFile(const QString& path, char sep);
// Reads an open device to its end, chunk bytes at a time (ReadDataFile
// reads 1 MiB at a time); the result does not depend on the chunk size.
DataFileRead ReadDataStream(QIODevice& in, char sep, qsizetype chunk = qsizetype(1) << 20);

// Parses one line (without its line end). Header values go to out.cells;
// a data row is appended to out.rows; returns false only for a line that
// began with a digit and was not a valid row.
bool ReadDataLine(const char* line, int64_t len, char sep, DataFileRead& out);

// Capacity and energy of a file's rows, in file order: capacity grows by the
// interval since the previous row (whose time is kept rounded to a whole
// second; the first interval starts at 0) times the current; energy is the
// capacity so far times the average voltage so far.
struct RunIntegrator {
    CapacitySum cap;      // mA·s
    float energyMws = 0;  // mW·s
    float vsum = 0;
    int64_t n = 0;
    void add(const DataRow& r);
};

// The summary cells a file's header left empty, filled from its rows: the
// average voltage, the capacity, and the energy from the capacity cell
// (from the header or computed) times the average voltage.
void FillSummaryCells(std::array<QString, kViewerCols>& cells, const RunIntegrator& run);

// Display bounds over every point loaded into the viewer, and the axis
// ranges they give.
struct ViewerBounds {
    float VolHi = 0, VolLo = 0, CurHi = 0, CurLo = 0;
    int MaxXVal = 0;
    void add(float X, float V, float I);
    void reset() { *this = ViewerBounds{}; }
};
// Voltage axis: unit 0.5 V in ten divisions.
AxisRange VoltageAxisRange(const ViewerBounds& b);
// Current axis: unit 0.05 A for the fine-current model, else 0.5 A.
AxisRange CurrentAxisRange(const ViewerBounds& b, bool fineCur);

} // namespace ql
