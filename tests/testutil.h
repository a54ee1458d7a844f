#pragma once
// Helpers shared by the test programs.
#include <QString>

class QWidget;

namespace qltest {

// Folder under the build tree where tests save pictures for a person to look at.
QString pictureDir();

// Saves a widget's picture as <pictureDir>/<name>.png; returns the path.
QString savePicture(QWidget* widget, const QString& name);

} // namespace qltest
