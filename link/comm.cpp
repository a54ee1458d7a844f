#include "link/comm.h"

#include "platform/serial.h"

namespace ql {

QString PortName(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

int PortNumber(const QString& text)
{
    // At most nine digits: every such number fits an int.
    if (text.size() <= 3 || text.size() > 12)
        return -1;
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (i < 3 ? (c | 0x20) != u"com"[i] : c < u'0' || c > u'9')
            return -1;
        if (i >= 3)
            n = n * 10 + (c - u'0');
    }
    return n;
}

CommHandle OpenPort(int n, QString* error)
{
    if (n < 1) {
        if (error)
            *error = PortName(n) + QStringLiteral(": no such port");
        return {};
    }
    return SerialPort::open(PortName(n), {}, error);
}

void ClosePort(CommHandle& h)
{
    if (h)
        h->close();
    h.reset();
}

QByteArray ReadBytes(const CommHandle& h, int& count)
{
    count = 0;
    if (!h)
        return {};
    QByteArray data = h->read(SerialPort::kMaxRead);
    count = int(data.size());
    return data;
}

int WriteBytes(const CommHandle& h, const QByteArray& frame)
{
    if (!h || frame.isEmpty())
        return 0;
    return int(h->write(frame));
}

bool SetPortTimeouts(const CommHandle& h)
{
    return h && h->isOpen();
}

bool SetPortState(const CommHandle& h, int32_t baudRate, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    if (!h)
        return false;
    const bool ok = h->setLine(LineSettings{baudRate, byteSize, stopBits, parity});
    SetPortTimeouts(h);
    return ok;
}

QStringList ScanPorts()
{
    QStringList ports;
    for (int n = 2; n <= 20; ++n) {
        CommHandle h = OpenPort(n);
        if (!h)
            continue;
        ports << PortName(n);
        ClosePort(h);
    }
    return ports;
}

} // namespace ql
