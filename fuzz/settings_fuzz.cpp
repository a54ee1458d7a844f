// Fuzz target of the settings-file reader and writer: arbitrary bytes as the
// content of ql.ini. Checks its promises: a key written reads back as
// written, writing it again changes nothing, and the other keys of the file
// read as before.
#include "platform/profile.h"

#include "fuzzcheck.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace ql;
using ql::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = profile::decode(bytes);

    const QString comm = QStringLiteral("COMM");
    const QString port = QStringLiteral("PORT1");
    const QString other = QStringLiteral("PORT2");
    const std::optional<QString> otherBefore = profile::find(text, comm, other);

    const std::optional<QString> out = profile::put(text, comm, port, QStringLiteral("42"));
    check(out.has_value());
    check(profile::find(*out, comm, port) == QStringLiteral("42"));
    check(profile::put(*out, comm, port, QStringLiteral("42")) == out);
    check(profile::find(*out, comm, other) == otherBefore);
    return 0;
}
