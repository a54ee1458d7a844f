#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

int withFileSizeLimit(long limitBytes, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        int rc = 255;
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
            rc = body();
        ::_exit(rc);  // no exit handlers or leak check of the parent's state
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace qltest
