#include "views/viewhost.h"

#include "platform/services.h"

#include <QDateTime>

namespace ql {

QString ProposedViewFileName(const QDateTime& when, const QString& device, int chn, bool dev2s)
{
    const QDate d = when.date();
    const QTime t = when.time();
    QString name = QStringLiteral("%1-%2-%3-%4-%5-%6-")
                       .arg(d.year()).arg(d.month()).arg(d.day())
                       .arg(t.hour()).arg(t.minute()).arg(t.second()) +
                   device;
    if (dev2s)
        name += QStringLiteral("-%1").arg(chn + 1);
    return name;
}

QString ViewDialogTitle(const QString& word, int slot, int chn, bool dev2s)
{
    QString title = Lang(word + QStringLiteral("--Device%1").arg(slot + 1));
    if (dev2s)
        title += QStringLiteral("-Channel%1").arg(chn + 1);
    return title;
}

QString WithExtension(const QString& path, const QString& ext)
{
    return path.right(3) == ext ? path : path + QLatin1Char('.') + ext;
}

} // namespace ql
