#pragma once
// Whole-file saves. Every file the program writes in one piece (settings,
// data files, run-record headers, parameter and step files, results,
// pictures) goes through SaveWholeFile: the new contents are written to a
// temporary file beside the target, flushed and synced, and only then
// renamed over it, and the folder is synced so the rename lasts too. A
// failure at any step before the rename (a full disk, a file-size limit, a
// missing folder) leaves the earlier file byte for byte as it was and no
// temporary file behind. Where the file system allows it (Linux ext4, xfs,
// btrfs, tmpfs) the temporary file has no name until the moment it is
// renamed, so a program killed while saving leaves none behind either.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ql {

// Replaces path with bytes once every byte is known written. False with a
// reason in *error when anything failed; the target is then untouched.
bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The same for a text file of lines, each written in UTF-8 and ended by CR LF.
// Whatever text a line holds stays on it: control characters but TAB are
// written as blanks (OneLine), so no title or name can add a line.
bool SaveWholeLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// SaveWholeLines, with a failure written to the error log under label as
// "<path>: <reason>".
bool SaveWholeLinesLogged(const QString& path, const QStringList& lines, const QString& label);

// A new file at tempPath (a name beside the file it is to become), made
// for reading and appending; a file left there by an earlier run is
// replaced. -1 with a reason in *error when it cannot be made. It makes no
// sync: an open is all it waits for.
int OpenPending(const QString& tempPath, QString* error = nullptr);

// Whether the file at path is the one open as fd.
bool IsFileAt(int fd, const QString& path);

// Syncs the file open as fd (made by OpenPending at tempName) and renames it
// to path, replacing any earlier file there at once, then syncs the folder.
// A file at tempName that is no longer fd's (a newer one took the name) is
// left alone; one already renamed to path counts as done. False with a
// reason when any step failed or the file lost its temporary name
// otherwise; the earlier file is then as it was. Waits on the disk: call it
// off the interface thread.
bool PlaceFile(int fd, const QString& tempName, const QString& path, QString* error = nullptr);

// Writes bytes over the start of an existing file, in place (no folder entry
// is made, so it works where a new file cannot be created), and syncs it. A
// missing file is left missing and counts as done.
bool OverwriteHead(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace ql
