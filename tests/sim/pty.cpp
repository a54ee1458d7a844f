#include "sim/pty.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace ql::sim {

bool OpenLinkedPty(const QString& folder, const QString& name, bool holdSlave, LinkedPty& out)
{
    out = LinkedPty{};
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return false;
    char path[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, path, sizeof path) != 0) {
        ::close(master);
        return false;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    int slave = -1;
    if (holdSlave) {
        slave = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (slave >= 0 && ::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
    }
    QDir().mkpath(folder);
    const QString link = QDir(folder).filePath(name);
    QFile::remove(link);
    if (!QFile::link(QString::fromLocal8Bit(path), link)) {
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    out = LinkedPty{master, slave, QString::fromLocal8Bit(path), link};
    return true;
}

void ClosePtyEnds(int& master, int& slave)
{
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
    master = slave = -1;
}

} // namespace ql::sim
