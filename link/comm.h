#pragma once
// The serial transport of the device link: open, close, read, write and
// line settings on a slot's port handle, and the port scan that fills a
// panel's port list. A handle is a shared SerialPort; null means closed.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace ql {

class SerialPort;

using CommHandle = std::shared_ptr<SerialPort>;

// Opens port "COM<n>" exclusively; null when it cannot be opened (missing,
// held by this or another program, refused by the device). error, when
// given, receives why: the port, the device path and the system's reason.
CommHandle OpenPort(int n, QString* error = nullptr);

// Closes the port (nothing when already null) and sets the handle to null.
void ClosePort(CommHandle& h);

// One read without waiting: what has arrived, up to SerialPort::kMaxRead
// bytes. count receives the number of bytes read; 0 (and an empty result)
// when nothing is there, the handle is null or the port has closed.
QByteArray ReadBytes(const CommHandle& h, int& count);

// Writes the whole frame, giving up after 100 ms. Returns the number of
// bytes written; an empty frame or a closed port writes nothing and gives 0.
int WriteBytes(const CommHandle& h, const QByteArray& frame);

// Line settings: baud rate, data bits, stop bits (0 = one, 1 = one and a
// half, 2 = two) and parity (0 none, 1 odd, 2 even, 3 mark, 4 space). False
// for a null or closed handle and for settings the device refuses.
bool SetPortState(const CommHandle& h, int32_t baudRate, uint8_t byteSize, uint8_t stopBits, uint8_t parity);

// Reads return at once and writes give up after 100 ms on every port this
// program opens; this only confirms the port is open.
bool SetPortTimeouts(const CommHandle& h);

// The ports a panel offers: every port COM2..COM20 that can be opened
// exclusively right now, in ascending order. Each probe opens the port only
// for a moment.
QStringList ScanPorts();

// "COM" and the number.
QString PortName(int n);

// The number a port name gives: "COM" (ASCII letters, in any case) and
// nothing but ASCII digits after it. -1 for any other text (blanks, signs,
// other digits or letters that merely look alike).
int PortNumber(const QString& text);

} // namespace ql
