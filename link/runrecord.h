#pragma once
// The live run record: one ".bak" text file per slot and channel, named from
// the device's display name, the port, the slot and the channel. The start
// handler writes its six header lines, every sample of the run appends one
// row, and the continue command reads it back.
//
// Text is UTF-8 with CR LF line ends. During a run the record stays open
// and rows are appended by RecordFiles (link/recordfile.h); a fragment left
// by a crash or a failed write is cut away before the next row, and the
// reader skips it and any other damaged row.
#include "platform/runfile.h"

#include <QList>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace ql {

// The date and time part of default file names: year, month, day, hour,
// minute and second, unpadded, joined by "-".
QString DateStem(const QDateTime& when);

namespace RunRecord {

// <programDir>/ql-<device>-<port>-<slot + 1>-<chn + 1>, without ".bak".
// The port part keeps only ASCII letters and digits and the device part
// loses path separators and control characters, so the record always lies
// in the program folder.
QString BaseName(const QString& programDir, const QString& device, const QString& port, int slot, int chn);
inline QString PathOf(const QString& baseName) { return baseName + QStringLiteral(".bak"); }
// Where a new record is written until the file queue renames it to path: a
// crash before that leaves the new run's record here.
inline QString PendingPathOf(const QString& path) { return path + QStringLiteral(".new"); }

// The three summary lines: each is the run grid's header cell, ":" and the
// channel's cell of columns 0 ("Device"), 1 ("Mode") and 2 ("Begin Volt").
struct Header {
    QString deviceKey = HeaderKeyText(colDevice), device;
    QString modeKey = HeaderKeyText(colMode), mode;
    QString beginKey = HeaderKeyText(colBeginVolt), begin;
    QStringList columns;  // ColumnTitles
};
QStringList HeaderLines(const Header& h);

// Writes the header afresh under a temporary name and renames it over any
// earlier record, so a failure leaves the earlier record as it was.
bool Create(const QString& path, const Header& h, QString* error = nullptr);

// Marks the record at path as an earlier run's, one a continue does not
// take up: its banner is overwritten in place with SupersededBanner(), so no
// byte is added and no folder entry needed (a full disk, a read-only folder
// take the mark), and the mark is on the disk before it returns. The rest of
// the record stays as it was. True when it is marked or there is none.
bool Supersede(const QString& path, QString* error = nullptr);

struct Row {
    int32_t t = 0;  // run seconds
    float cur = 0;  // A
    float volt = 0; // V
};

struct Contents {
    bool hasDevice = false, hasMode = false, hasBegin = false;
    QString device, mode, begin;
    QList<Row> rows;
    QStringList skipped;  // damaged rows left out, each as "line <n>: <text>"
    bool superseded = false;  // the record is marked superseded: nothing else is read
};

enum class ReadStatus { Ok, Missing, Unreadable };

// The largest current or voltage a reply can carry: two bytes of at most
// 255 read in base 240, in steps of 0.01.
constexpr double kMaxReading = (255 * 240 + 255) * 0.01;

// Reads and checks the whole record; of a superseded one only the mark.
// A row is a line whose first character is
// a digit: seconds, current and voltage separated by TAB (further fields are
// ignored). A row that does not convert, holds a current or voltage no device
// can report (negative, above kMaxReading, infinite or not a number), goes
// back in time, or lacks its line end (cut off by a crash) is skipped and
// listed in skipped.
ReadStatus Read(const QString& path, Contents* out, QString* error = nullptr);

} // namespace RunRecord
} // namespace ql
