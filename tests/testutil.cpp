#include "testutil.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace qltest {

QString pictureDir()
{
    QDir().mkpath(QStringLiteral(QL_TEST_OUTPUT_DIR));
    return QStringLiteral(QL_TEST_OUTPUT_DIR);
}

QString savePicture(QWidget* widget, const QString& name)
{
    const QString path = pictureDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

} // namespace qltest
