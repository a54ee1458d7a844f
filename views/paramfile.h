#pragma once
// The parameter file (".cfg"): the set value, limit and elapsed-time text of
// one channel of a device panel, with the chart title and the device it was
// made for. "Save Parameter" writes it for the selected slot and channel;
// "Open Parameter" puts its values back into the selected channel's fields,
// only when the file names the slot's device.
//
// Opening reads and checks the whole file before anything changes: a file
// that cannot be read or is not a text file is refused whole; a value that is
// not a number or is outside the device's bounds is skipped and the user is
// told. The elapsed-time entry is restored only when it is a plain number of
// at least 0; its usual "hh:mm:ss" text is left alone without a word. Opening only writes fields; it never sends anything to the device.
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

// The seven lines of a file, without line ends (CR and LF inside a value
// become blanks so that every entry stays on its line).
QStringList ParameterFileLines(const CfgEntries& e);

// Writes the lines with CR LF under a temporary name and renames it onto
// path. A failure is logged as "ErrSaveCfg" and returns false.
bool WriteParameterFile(const QString& path, const QStringList& lines);

// What a file holds for a device: the entries after its matching "D:" line
// (the last of each key that is usable), and what was skipped.
struct CfgRead {
    enum Status {
        Ok,            // the device line matched; the entries below apply
        OtherDevice,   // no "D:" line names the device: nothing applies
        Unreadable,    // the file cannot be opened or read
        Damaged,       // too large, NUL bytes or not UTF-8 text: refused whole
    };
    Status status = Ok;
    std::optional<QString> title, sval, slmt, time;
    QStringList skipped;  // "S:abc" and the like: set values and limits that were refused
    QString reason;       // for the log when not Ok
};

// Checks of a value before it goes into the panel: set value and limit by
// the slot's field rules (any number while no device is identified), the
// elapsed-time text a number of at least 0. Null means every number passes.
using CfgValueCheck = std::function<bool(char key, const QString& value)>;

// Reads and checks a file against the device name (the run grid's row-1
// "Device" cell). Pure: changes nothing.
CfgRead ReadParameterFile(const QString& path, const QString& device, const CfgValueCheck& check = {});

// The value check of a slot and channel: panel field rules of link state.
CfgValueCheck SlotValueCheck(const SlotState& slot, int chn);

// menuSaveCfg_Click and menuOpenCfg_Click for the selected slot.
void SaveParameterFile(ViewHost& host);
void OpenParameterFile(ViewHost& host);

} // namespace ql
