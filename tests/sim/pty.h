#pragma once
// A pseudo-terminal linked into a ports folder under a port name, so that
// the program under test opens it as a serial port.
#include <QString>

namespace ql::sim {

struct LinkedPty {
    int master = -1;    // non-blocking
    int slave = -1;     // held open in raw mode when asked for, else -1
    QString slavePath;  // /dev/pts/N
    QString link;       // <folder>/<name>
};

// Opens a pseudo-terminal and links its slave as <folder>/<name>. With
// holdSlave the slave stays open in raw mode, so the line stays up while the
// program closes and reopens its end and no byte is translated. On failure
// everything opened is closed and false is returned.
bool OpenLinkedPty(const QString& folder, const QString& name, bool holdSlave, LinkedPty& out);

// Closes both ends that are open and marks them closed (-1).
void ClosePtyEnds(int& master, int& slave);

} // namespace ql::sim
