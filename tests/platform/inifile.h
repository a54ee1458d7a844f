#pragma once
// A scratch ql.ini for the profile and settings tests: written and read as bytes.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("ql.ini"));

    void put(const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};
