#pragma once
// The text layout of a run's files: the data file (Save Data, the automatic
// data file), the live run record (".bak") and what the stored-data viewer
// reads back. Header keys, banner lines, column titles and row layouts are
// written here once; every writer and reader takes them from here, so a new
// column or key is one change in this file (and in the readers that show it).
#include <QChar>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace ql {

// Header keys in the order of the run grid's columns ("Device" ... "Avg
// Volt") and the data file's "Title". A header line is the key, ":" and the
// value.
enum HeaderKey { colDevice, colMode, colBeginVolt, colCutoffVolt, colCapacity, colEnergy, colAvgVolt, colTitle };
inline constexpr int kHeaderKeys = colTitle + 1;
// The run grid's cells, Device to Avg Volt: the keys before "Title".
inline constexpr int kRunCells = colTitle;
inline constexpr std::array<const char*, kHeaderKeys> kHeaderKeyTexts = {
    "Device", "Mode", "Begin Volt", "Cutoff Volt", "Capacity", "Energy", "Avg Volt", "Title"};
inline QString HeaderKeyText(int key) { return QLatin1String(kHeaderKeyTexts.at(size_t(key))); }
// "<key>:<value>".
inline QString HeaderLine(const QString& key, const QString& value) { return key + QLatin1Char(':') + value; }
inline QString HeaderLine(int key, const QString& value) { return HeaderLine(HeaderKeyText(key), value); }

// The first line of a data file: 11 dashes, the product name, 11 dashes.
QString DataFileBanner();
// The first line of a live record: 11 dashes, the product name, 12 dashes.
QString RecordBanner();
// The banner of a record superseded by a later run that could not write its
// own: as long as the banner, whose place it takes.
QString SupersededBanner();  // 11 dashes, the product name, "--superseded"
// The line that closes the header of both: 12 dashes, the maker's web
// address, 14 dashes.
QString FileTrailer();

// Columns of a row, in the order written.
enum RowColumn { rowTime, rowCur, rowVolt, rowTemp };
// Column titles: "Time(S)", "Cur(A)", "Vol(V)", "Temp(C)" with the
// temperature column; "Cur(mA)" in place of "Cur(A)" for a model counting
// milliamperes without it.
QStringList ColumnTitles(bool withTemp, bool milliAmps);

// How a row is written: the separator, the current's pattern and whether
// the temperature column follows.
struct RowLayout {
    QChar sep = QLatin1Char('\t');
    QString curPattern;
    bool withTemp = false;
};
// The separator of a live record's column titles and rows.
inline constexpr char kRecordSep = '\t';
// A live record's rows: TAB; current "00.00" with current factor 100, else
// "0.000".
RowLayout RecordRowLayout(int curFactor, bool withTemp);
// A data file's rows: "," (csv) or TAB; current "0.00" with current factor
// 100, else "0.000".
RowLayout DataFileRowLayout(bool csv, int curFactor, bool withTemp);
// One row without its line end: whole seconds, the current, the voltage
// "0.000" and, with the temperature column, the temperature "0.0".
QString FormatRow(const RowLayout& layout, int64_t secs, float cur, float volt, float temp);

} // namespace ql
