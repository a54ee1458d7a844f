#pragma once
// The data file of one channel of a device slot: a header (the run grid's
// summary of the channel, or the step-test result list), the chart title,
// the trailer, the column titles and one row per curve point of the run.
// Fields are separated by "," (".csv") or TAB (".dat"); text is UTF-8 with
// CR LF line ends; numbers always use a decimal point.
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
    int runStartPt = 0;     // first point of the run on the channel's curves
    bool stepBusy = false;  // a step test holds the slot
};

// The file's lines, without line ends.
QStringList DataFileLines(const RunPanelIf& panel, const RunGridIf& grid, const RunChartIf& chart,
                          const DataFileOptions& o);

// Writes the lines under a temporary name and renames it onto path, so an
// earlier file is replaced only by a complete one. A failure is logged as
// "ErrSaveData" and returns false.
bool WriteDataFile(const QString& path, const QStringList& lines);

// SaveDataFile(slot, chn, path) of the main window, from the slot's state,
// panel, grid and chart and the host's settings.
bool SaveDataFile(const LinkState& state, RunHostIf& host, int slot, int chn, const QString& path);

// --- The "Save Data" menu command -------------------------------------

// Proposed name: y-m-d-h-n-s (unpadded), the channel's "Device" cell,
// slot + 1, chn + 1 joined by "-"; a two-channel panel adds "-" and chn + 1.
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
