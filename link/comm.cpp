#include "link/comm.h"

#include "platform/serial.h"

namespace ql {

QString PortName(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

CommHandle OpenPort(int n)
{
    if (n < 1)
        return {};
    return SerialPort::open(PortName(n));
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
