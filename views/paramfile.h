#pragma once
// The parameter file (".cfg"): the set value, limit and elapsed-time text of
// one channel of a device panel (its time readout's "hh:mm:ss"), with the
// chart title and the device it was made for. "Save Parameter" writes it
// for the selected slot and channel; "Open Parameter" puts its values back
// into the selected channel's fields, only when the file names the slot's
// device.
//
// Opening reads the whole file before anything changes: a file that cannot
// be read, or is larger than any parameter file, is refused whole. Text
// that is not UTF-8 is read as GB18030 (titles written on Chinese Windows);
// CR LF, LF and CR end lines. A damaged line (a set value or limit that is
// no number, bytes that are no text) is skipped and the user told once; the
// other lines still apply. Values go into the fields as the file holds
// them, without the device's bounds: the start and set commands check what
// they send. The elapsed-time entry is restored only when it is a number;
// its usual "hh:mm:ss" text is left alone without a word. Opening only
// writes fields; it never sends anything to the device.
#include "views/viewhost.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ql {

inline constexpr char kCfgBanner[] = "---------QL Tester Software--------";
inline constexpr char kCfgTrailer[] = "----------www.qltester.example----------";
inline constexpr char kCfgFilter[] = "config file(*.cfg)|*.cfg";
inline constexpr qint64 kCfgMaxBytes = 64 * 1024;  // a real file has a few hundred bytes

struct CfgEntries {
    QString device, title, sval, slmt, time;
};

// The seven lines of a file, without line ends. Written with
// WriteParameterFile, every entry stays on its line whatever it holds.
QStringList ParameterFileLines(const CfgEntries& e);

// Writes the lines with CR LF (SaveWholeLines) under a temporary name and
// renames it onto path. A failure is logged as "ErrSaveCfg" and returns false.
bool WriteParameterFile(const QString& path, const QStringList& lines);

// What a file holds for a device: the entries after its matching "D:" line
// (the last of each key that is usable), and what was skipped.
struct CfgRead {
    enum Status {
        Ok,            // the device line matched; the entries below apply
        OtherDevice,   // no "D:" line names the device: nothing applies
        Unreadable,    // the file cannot be opened or read
        TooLarge,      // larger than any parameter file: refused whole
    };
    Status status = Ok;
    std::optional<QString> title, sval, slmt, time;
    QStringList skipped;  // damaged lines after the device line: "S:abc" and the like
    QString reason;       // for the log when not Ok
};

// Reads a file against the device name (the run grid's row-1 "Device"
// cell). Pure: changes nothing.
CfgRead ReadParameterFile(const QString& path, const QString& device);
// The same for a file's bytes, of any size.
CfgRead ParseParameterFile(const QByteArray& bytes, const QString& device);

// menuSaveCfg_Click and menuOpenCfg_Click for the selected slot.
void SaveParameterFile(ViewHost& host);
void OpenParameterFile(ViewHost& host);

} // namespace ql
