#pragma once
// Reader and writer of Windows profile files ("[SECTION]" lines followed by
// "key=value" lines), with the semantics existing ql.ini files rely on:
// - section and key names are trimmed and match without regard to case;
// - the key is what stands before the first "="; the value is trimmed and
//   loses one pair of matching quotes; no inline comments, no escapes;
// - lines end in CR LF, LF or CR; the first matching section and key win;
// - a write changes only its own line (or inserts the key after the section's
//   last key, or appends the section and key at the end), keeps every other
//   byte, ends its lines in CR LF and replaces the file atomically.
// Text is written as UTF-8; a file that is not valid UTF-8 is read as
// GB18030 (files written on Chinese Windows) and written back as UTF-8.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace ql::profile {

// Longest value a read returns, in characters (code points).
constexpr int kMaxValueLength = 254;

// Largest profile file read or rewritten, in bytes. A settings file holds a
// few kilobytes; a larger file is damage: reads find no key in it (each key
// takes its default) and writes leave it as it is and fail.
constexpr qsizetype kMaxFileSize = qsizetype(1) << 20;

// Decodes the bytes of a profile file: UTF-8 when valid, else GB18030.
QString decode(const QByteArray& bytes);

// Value of key in section of the profile text, or nothing when the section
// or key is missing. The value is trimmed and unquoted but not cut.
std::optional<QString> find(const QString& text, const QString& section, const QString& key);

// The profile text with key=value written into section. Returns nothing when
// the section, key or value cannot be written safely (line breaks or NUL, a
// "]" in the section, a "=" in the key, an empty key).
std::optional<QString> put(const QString& text, const QString& section, const QString& key, const QString& value);

// Reads key of section from a profile file; nothing when the file, section or
// key is missing or the file is larger than kMaxFileSize. The value is cut
// at kMaxValueLength characters.
std::optional<QString> read(const QString& file, const QString& section, const QString& key);

// The decoded text of a whole profile file, for reading many keys of it
// (with find); nothing when it cannot be read or is larger than kMaxFileSize.
std::optional<QString> load(const QString& file);

// How long a change waits for the lock of its file by default.
constexpr int kLockWaitMs = 5000;

// Runs change while this program holds the lock of file: a QLockFile,
// "<file>.lock", beside it. Programs (two instances on one program folder)
// that change the file under its lock each read what the one before wrote,
// so no change is lost. A lock left by a program that was killed is taken
// over; one held by a live program (or a folder of that name) is waited for
// waitMs at most. False with the reason in *error when the lock cannot be
// had; else change's result. It waits: call it off the interface thread.
bool whileLocked(const QString& file, const std::function<bool(QString* error)>& change, QString* error = nullptr,
                 int waitMs = kLockWaitMs);

// One key of a change.
struct Entry {
    QString section, key, value;
};

// Writes each entry into its section of a profile file, creating the file,
// section or key as needed: read once, changed and replaced once under the
// file's lock (whileLocked). False when a value is refused or the file
// cannot be read or written or is larger than kMaxFileSize (the reason in
// *error); the file is then as it was.
bool write(const QString& file, const QList<Entry>& entries, QString* error = nullptr, int waitMs = kLockWaitMs);
bool write(const QString& file, const QString& section, const QString& key, const QString& value,
           QString* error = nullptr);

// Cuts text to at most max code points, never splitting a surrogate pair.
QString cut(const QString& text, int max);

} // namespace ql::profile
