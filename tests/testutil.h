#pragma once
// Helpers shared by the test programs.
#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

namespace qltest {

// Folder under the build tree where tests save pictures for a person to look at.
QString pictureDir();

// Saves a widget's picture as <pictureDir>/<name>.png; returns the path.
QString savePicture(QWidget* widget, const QString& name);

// Runs body in a child process whose files cannot grow past limitBytes:
// a write beyond it fails with EFBIG, as on a full disk (SIGXFSZ is
// ignored). Returns body's result (0..255), or -1 when the child did not
// exit normally.
int withFileSizeLimit(long limitBytes, const std::function<int()>& body);

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

} // namespace qltest
