#pragma once
// Files of the test pages: the step program file (".stp") and the auto-test
// result file, the step-program table they carry, and the check that a step
// holds values the device may be sent.
//
// Text files are UTF-8 with CR LF line ends, written whole under a temporary
// name and renamed into place, so a failed write leaves any older file as it
// was. Readers accept CR LF, LF or CR line ends, and text that is not UTF-8
// is read as GB18030 (files written on Chinese Windows).
#include "link/state.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ql {

struct SlotState;

// Reads a text file of at most maxBytes; false with a reason when it cannot
// be read or is larger. Bytes that are no character in either encoding
// become U+FFFD.
bool ReadTextLines(const QString& path, QStringList* lines, QString* error, qint64 maxBytes = 1 << 20);
// The lines of a text file's bytes, decoded and split as ReadTextLines does.
QStringList TextLines(const QByteArray& bytes);

// ---- Step program ----------------------------------------------------------

inline constexpr char kStepWait[] = "Wait";
inline constexpr char kStepCycle[] = "Cycle";

// The ".stp" lines of a table for a device of type devType with the mode
// names modes; nothing when a program row's column 1 is neither a mode nor
// "Wait" nor "Cycle" (error says which).
std::optional<QStringList> StepFileLines(const StepTable& t, int devType, const QStringList& modes,
                                         QString* error);

// Reading a ".stp" file's lines. Cells are taken as the file holds them (a
// number with a decimal comma, as earlier builds wrote under such a locale,
// with a point); whether a program may run is the start's check. A line that
// is no cell line (not two row digits, a column digit and ":", a row or
// column of 0, a mode code that is no number, bytes that are no text) is
// skipped and listed; the other lines still load.
struct StepFileRead {
    enum Result {
        Ok,         // table holds the cells read
        OtherType,  // written for another device type: an empty table, no message
    } result = Ok;
    StepTable table;
    QStringList damaged;  // the lines skipped, with their numbers, for the log
};
StepFileRead ParseStepFile(const QStringList& lines, int devType, const QStringList& modes);

// The values a program row would send, checked as the step editor checks
// typed values and as the start command needs them encoded. mode is the
// row's position in the device's mode list, modeCnt for "Wait", modeCnt + 1
// for "Cycle". An empty answer means the row is fine; otherwise the message
// to show (before Lang) and, in reason, what failed.
QString CheckStepRow(const SlotState& s, int chn, int mode, int modeCnt, const QString& set,
                     const QString& lmt, const QString& third, QString* reason = nullptr);

// The mode position of a column-1 text: the first k with modes[k] equal to
// it, modes.size() for "Wait", modes.size() + 1 for "Cycle", or -1.
int StepKindOf(const QString& text, const QStringList& modes);

// ---- Auto-test result file -------------------------------------------------

// Lines of the result file: the device line ("Device:" and the channel's
// device name), the mode line, the trailer, then columns 0..2 of the result
// rows (header first) joined by sep.
QStringList AutoResultLines(const QList<QStringList>& rows, const QString& deviceName, const QString& sep);

// Banner of the step file and trailer of the result file's header.
QString SeqFileBanner();

} // namespace ql
