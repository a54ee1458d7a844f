#pragma once
// Texts to and from UTF-8 bytes for the news-server exchange.
#include <QByteArray>
#include <QString>

namespace ql {

// The text as UTF-8 bytes, no terminator; the empty text gives no bytes.
QByteArray EncodeUtf8(const QString& text);

// The UTF-8 bytes as text; malformed sequences become U+FFFD.
QString DecodeUtf8(const QByteArray& bytes);

// As DecodeUtf8, but refuses bytes that are not well-formed UTF-8 or that
// hold a NUL: false, and out is left empty.
bool DecodeUtf8Strict(const QByteArray& bytes, QString* out);

} // namespace ql
