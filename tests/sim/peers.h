#pragma once
// Small test peers of the device link: a capture of the error log.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <array>

namespace ql::sim {

// Points QL_HOME at a fresh folder with a Log folder while it lives, so
// ErrLog lines can be read back.
class LogCapture {
public:
    LogCapture() : old_(qgetenv("QL_HOME")), had_(qEnvironmentVariableIsSet("QL_HOME"))
    {
        QDir(dir_.path()).mkdir(QStringLiteral("Log"));
        qputenv("QL_HOME", QFile::encodeName(dir_.path()));
    }
    ~LogCapture()
    {
        if (had_)
            qputenv("QL_HOME", old_);
        else
            qunsetenv("QL_HOME");
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line logged so far.
    QStringList lines() const
    {
        QStringList out;
        const QDir log(dir_.path() + QStringLiteral("/Log"));
        for (const QString& name : log.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name)) {
            QFile f(log.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                out += QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        }
        return out;
    }
    // Lines carrying the label, e.g. "ErrStart1".
    int count(const QString& label) const
    {
        int n = 0;
        for (const QString& l : lines())
            n += l.contains(QLatin1Char('[') + label + QLatin1Char(']')) ? 1 : 0;
        return n;
    }

private:
    QTemporaryDir dir_;
    QByteArray old_;
    bool had_;
};

} // namespace ql::sim

#include "link/comm.h"

#include <QElapsedTimer>
#include <QThread>

namespace ql::sim {

// Reads from a port until want bytes have come or the time is up.
inline QByteArray ReadUntil(const CommHandle& h, int want, int timeoutMs = 2000)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < want && clock.elapsed() < timeoutMs) {
        int n = 0;
        got += ReadBytes(h, n);
        if (n == 0)
            QThread::msleep(2);
    }
    return got;
}

} // namespace ql::sim
