#pragma once
// Files the view tests hand to the program: written byte for byte.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qltest {

// Writes the bytes as the file at path; returns the path.
inline QString writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

inline QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    return writeBytes(dir.filePath(name), bytes);
}

} // namespace qltest
