#pragma once
// Program-wide services every subsystem calls: the program folder, the
// settings file access, text conversion and the error log.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace ql {

// The program folder: where ql.ini, Data, Log, the live records and the
// firmware images live. In this order: the folder named by the environment
// variable QL_HOME; the executable's folder when it holds a file ql.ini (a
// portable copy); otherwise the user's data folder, "QL Tester" in
// $XDG_DATA_HOME (~/.local/share/QL Tester). The folder may not exist yet:
// CreateProgramDir makes it.
QString ProgramDir();

// Creates the program folder, and the folders above it, when it does not
// exist yet (a new QL_HOME, a first start). False when it cannot be made;
// the reason is logged as "ErrIni".
bool CreateProgramDir();

// Full path of the settings file, ql.ini in the program folder.
QString SettingsFile();

// Reads key of section from a profile file (Windows profile rules, see
// platform/profile.h); returns def when the file, section or key is missing
// or the value is empty. Values and def are cut at 254 characters.
QString ReadIni(const QString& file, const QString& section, const QString& key, const QString& def);

// Writes key=value into section of a profile file, keeping every other
// byte of the file; creates the file, section or key as needed. Returns
// false when section, key or value hold CR, LF or NUL (or would otherwise
// break the file) or the file cannot be written; the file then stays as it
// was and the failure is logged as "ErrIni".
bool WriteIni(const QString& file, const QString& section, const QString& key, const QString& value);

// Program language: 0 keeps texts as they are, 1 turns Simplified Chinese
// into Traditional Chinese one character at a time; other text, English
// among it, passes unchanged. Lang may be called from any thread.
void SetLanguage(int language);
int Language();
QString Lang(const QString& text);

// Appends "<date> <time> V<major>.<minor>.<revision>:[<label>]<text>" to
// Log/ql-<y><m><d>.log in the program folder, only when Log exists; a line
// the file cannot take goes to standard error instead. Never throws; line
// breaks in the text are folded into one line.
void ErrLog(const QString& label, const QString& text = QString()) noexcept;

// The pieces of ErrLog, for callers and tests that need them: the day's log
// file (year, month and day unpadded, so 2024-1-28 and 2024-12-8 share a
// file) and one line without its line end ("yyyy-MM-dd HH:mm:ss" date and
// time; CR, LF and NUL in label or text become single blanks).
QString ErrLogPath(const QDate& day);
QString ErrLogLine(const QDateTime& when, const QString& label, const QString& text);

// Appends one line and CR LF to a log file. A line cut off earlier (by a full
// disk) keeps its own line: this one starts on a fresh line. False when the
// file cannot be opened or written.
bool AppendLogLine(const QString& path, const QString& line) noexcept;

// The program's version, as shown in the title and the error log.
QString VersionText();  // "<major>.<minor>.<revision>"

} // namespace ql
