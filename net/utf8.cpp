#include "net/utf8.h"

#include <QStringDecoder>

namespace ql {

QByteArray EncodeUtf8(const QString& text)
{
    return text.toUtf8();
}

QString DecodeUtf8(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

bool DecodeUtf8Strict(const QByteArray& bytes, QString* out)
{
    out->clear();
    if (bytes.contains('\0'))
        return false;
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = dec.decode(bytes);
    if (dec.hasError())
        return false;
    *out = std::move(text);
    return true;
}

} // namespace ql
