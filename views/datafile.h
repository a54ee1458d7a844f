#pragma once
// The data file of one channel of a device slot: a header (the channel's run
// cells as its record holds them, or the step-test result list), the chart title,
// the trailer, the column titles and one row per point of the run's curves
// as the channel's record holds them. The layout is platform/runfile.h's.
// Text is UTF-8 with CR LF line ends; numbers always use a decimal point.
#include "link/runtrack.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ql {

struct DataFileOptions {
    int chn = 0;            // the channel the file holds
    bool csv = true;        // SaveCsv: "," when true, TAB when false
    bool withTemp = false;  // temperature menu checked and the slot's TempOk
    int devType = 0;
    int curFactor = 100;
    int runStartPt = 0;     // first point of the run on the channel's curves (RunStartPt)
    QString title;          // the slot's chart title
    // The step-test result list (row 0 its header, four cells a row) when
    // the cycle-test page holds results and no step test runs: the header
    // then lists its rows in place of the run cells.
    QList<QStringList> stepRows;
};

// The file's lines, without line ends: the header from the channel's
// record, the rows from the run's points in its curves (ChanState::Curves).
QStringList DataFileLines(const ChanState& chn, const DataFileOptions& o);

// Writes the lines under a temporary name and renames it onto path, so an
// earlier file is replaced only by a complete one. A failure is logged as
// "ErrSaveData" and returns false.
bool WriteDataFile(const QString& path, const QStringList& lines);

// What the file holds of a slot's channel (o.chn) from its records (the
// chart title among them) and the settings; step rows and the temperature
// menu come from the caller.
DataFileOptions DataFileOptionsOf(const SlotState& s, int chn, bool menuTemp);

// --- The "Save Data" menu command -------------------------------------

// Proposed name: y-m-d-h-n-s (unpadded), the channel's "Device" cell (as
// FileNamePart), slot + 1, chn + 1 joined by "-"; a two-channel panel adds "-" and chn + 1.
QString ProposedDataFileName(const QDateTime& when, const QString& device, int slot, int chn, bool dev2s);
// Dialog title: Lang("Save Data--Device<slot + 1>"), and on a two-channel
// panel "-Channel<chn + 1>" appended to the converted text.
QString SaveDataTitle(int slot, int chn, bool dev2s);
// "csv file(*.csv)|*.csv" or "data file(*.dat)|*.dat".
QString DataFileFilter(bool csv);
QString DataFileExtension(bool csv);
// Appends "." and the extension unless the last three characters are
// exactly the extension (case counts).
QString WithDataExtension(const QString& path, bool csv);

} // namespace ql
