#pragma once
// Whole-file saves. Every file the program writes in one piece (settings,
// data files, run-record headers, parameter and step files, results,
// pictures) goes through SaveWholeFile: the new contents are written to a
// temporary file beside the target, flushed and synced, and only then
// renamed over it. A failure at any step (a full disk, a file-size limit, a
// missing folder) leaves the earlier file byte for byte as it was and no
// temporary file behind.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ql {

// Replaces path with bytes once every byte is known written. False with a
// reason in *error when anything failed; the target is then untouched.
bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The same for a text file of lines, each written in UTF-8 and ended by CR LF.
bool SaveWholeLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// SaveWholeLines, with a failure written to the error log under label as
// "<path>: <reason>".
bool SaveWholeLinesLogged(const QString& path, const QStringList& lines, const QString& label);

} // namespace ql
