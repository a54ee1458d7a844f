#include "views/viewhost.h"

#include "link/runrecord.h"
#include "platform/filetext.h"
#include "platform/services.h"

#include <QDateTime>

namespace ql {

QString ProposedViewFileName(const QDateTime& when, const QString& device, int chn, bool dev2s)
{
    QString name = DateStem(when) + QLatin1Char('-') + FileNamePart(device);
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
