#include "tools/bootloader.h"

#include "link/modeltable.h"
#include "platform/serial.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <initializer_list>
#include <utility>

namespace ql {

uint16_t BootLoader::ImageBaseFor(int type) { return HasQuirk(type, kBootBase8C00) ? 0x8C00 : 0x9000; }

namespace {
QByteArray Bytes(std::initializer_list<int> b)
{
    QByteArray out;
    for (int v : b)
        out.append(char(uint8_t(v)));
    return out;
}
QByteArray Cmd(uint8_t c) { return Bytes({c, c ^ 0xFF}); }
const QString kNoReply = QStringLiteral("no reply");

class PortLine final : public BootLine {
public:
    explicit PortLine(std::shared_ptr<SerialPort> port) : port_(std::move(port)) {}
    bool isOpen() const override { return port_->isOpen(); }
    QByteArray read(int max) override { return port_->read(max); }
    void write(const QByteArray& bytes) override { port_->write(bytes); }

private:
    std::shared_ptr<SerialPort> port_;
};
} // namespace

BootLoader::BootLoader(std::function<void(const QString&, const QString&)> log) : log_(std::move(log))
{
    if (!log_)
        log_ = [](const QString& label, const QString& text) { ErrLog(label, text); };
}

void BootLoader::setPort(std::shared_ptr<SerialPort> port)
{
    port_ = std::move(port);
    line_ = port_ ? std::make_shared<PortLine>(port_) : nullptr;
    inbuf_.clear();
}

void BootLoader::setLine(std::shared_ptr<BootLine> line)
{
    port_.reset();
    line_ = std::move(line);
    inbuf_.clear();
}

QByteArray BootLoader::AddressFrame(uint32_t address)
{
    const uint8_t hi = uint8_t((address >> 8) & 0xFF), lo = uint8_t(address & 0xFF);
    return Bytes({0, 0, hi, lo, hi ^ lo});
}

QByteArray BootLoader::WritePacket(const uint8_t* data, int n)
{
    QByteArray p;
    uint8_t c = uint8_t(n - 1);
    p.append(char(c));
    for (int i = 0; i < n; ++i) {
        p.append(char(data[i]));
        c ^= uint8_t(data[i] ^ kXorKey);
    }
    p.append(char(c));
    return p;
}

void BootLoader::flush()
{
    inbuf_.clear();
    if (!lineOpen())
        return;
    // Bounded, so that a line that never stops talking cannot hold us here.
    for (int i = 0; i < kFlushReads && !line_->read(SerialPort::kMaxRead).isEmpty(); ++i) {
    }
}

bool BootLoader::take(int limit)
{
    // Reads no further than one byte past the limit: enough to know the
    // line said more than it should, while the rest stays unread.
    while (lineOpen() && inbuf_.size() <= limit) {
        const QByteArray b = line_->read(int(limit + 1 - inbuf_.size()));
        if (b.isEmpty())
            break;
        inbuf_.append(b);
    }
    return inbuf_.size() <= limit;
}

bool BootLoader::exchange(const QByteArray& out, int n, QByteArray* reply, QString* error)
{
    reply->clear();
    // Bytes that came after the last reply and before this request belong to
    // no request: the line is out of step.
    take(0);
    if (!inbuf_.isEmpty()) {
        *error = QStringLiteral("unexpected bytes before the request");
        inbuf_.clear();
        return false;
    }
    if (lineOpen())
        line_->write(out);
    QElapsedTimer clock;
    clock.start();
    qint64 complete = -1;  // when n bytes had arrived
    for (;;) {
        if (!take(n)) {
            // More than the reply can be: a line that talks on (noise, a
            // flood) fails the step at once and holds nothing of it.
            inbuf_.clear();
            *error = QStringLiteral("more than the %1 bytes due").arg(n);
            return false;
        }
        if (inbuf_.size() >= n && complete < 0)
            complete = clock.elapsed();
        // Once complete, a moment more to see whether more follows.
        if ((complete >= 0 && clock.elapsed() - complete >= settleMs) || clock.elapsed() >= replyTimeoutMs ||
            !lineOpen())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    *reply = std::exchange(inbuf_, QByteArray());
    if (reply->isEmpty()) {
        *error = kNoReply;
        return false;
    }
    return true;
}

bool BootLoader::ackStep(const QByteArray& out, QString* error)
{
    QByteArray r;
    return exchange(out, 1, &r, error) && uint8_t(r[0]) == kAck;
}

bool BootLoader::fail(const char* label, const QString& error)
{
    if (!error.isEmpty())
        log_(QString::fromLatin1(label), error);
    return false;
}

bool BootLoader::BootSync()
{
    flush();
    QString error;
    return ackStep(QByteArray(1, char(kSync)), &error) || fail("ErrCO", error);
}

bool BootLoader::BootReadMem(uint32_t address, int n)
{
    flush();
    return readMem(address, n);
}

bool BootLoader::readMem(uint32_t address, int n)
{
    QString error;
    if (n < 1 || n > kBlock)
        return fail("ErrRM", QStringLiteral("count %1 out of range").arg(n));
    if (!ackStep(Cmd(0x11), &error) || !ackStep(AddressFrame(address), &error))
        return fail("ErrRM", error);
    QByteArray r;
    if (!exchange(Bytes({n - 1, (n - 1) ^ 0xFF}), n + 1, &r, &error))
        return fail("ErrRM", error);
    if (uint8_t(r[0]) != kAck)
        return false;
    if (r.size() < n + 1)
        return fail("ErrRM", QStringLiteral("short reply"));
    std::copy(r.begin() + 1, r.begin() + 1 + n, RdBuf.begin());
    return true;
}

bool BootLoader::readId(uint32_t address, QString* error)
{
    if (!readMem(address, 2)) {
        // A failed id read fails the Get: an id made of stale bytes could
        // offer the wrong image.
        *error = QStringLiteral("firmware id not read");
        return false;
    }
    const uint8_t hi = RdBuf[0] ^ kXorKey, lo = RdBuf[1] ^ kXorKey;
    if (hi >= 0x80) {
        *error = QStringLiteral("firmware id out of range");
        return false;
    }
    FwId = int16_t(hi * 256 + lo);
    return true;
}

bool BootLoader::BootGet()
{
    flush();
    QByteArray r;
    QString stepError;
    if (!exchange(Cmd(0x00), 9, &r, &stepError))
        return fail("ErrGT", stepError);
    if (uint8_t(r[0]) != kAck)
        return false;
    if (r.size() < 8)
        return fail("ErrGT", QStringLiteral("short reply"));
    if (r[5] != 'W' || r[7] != 'J')
        return false;
    const int type = uint8_t(r[3]);
    const int16_t oldId = FwId;
    const int oldType = BootType;
    BootType = type;
    QString error;
    bool ok = readId(0x4002, &error);
    if (ok && HasQuirk(type, kBootIdLow) && FwId == 0)
        ok = readId(0x1002, &error);
    if (!ok) {
        BootType = oldType;
        FwId = oldId;
        return fail("ErrGT", error);
    }
    return true;
}

bool BootLoader::BootWriteMem(uint32_t address, const uint8_t* data, int n)
{
    flush();
    QString error;
    if (n < 1 || n > kBlock || !data)
        return fail("ErrWM", QStringLiteral("count %1 out of range").arg(n));
    if (!ackStep(Cmd(0x31), &error) || !ackStep(AddressFrame(address), &error) ||
        !ackStep(WritePacket(data, n), &error))
        return fail("ErrWM", error);
    return true;
}

bool BootLoader::BootErase()
{
    flush();
    QString error;
    if (!ackStep(Cmd(0x43), &error) || !ackStep(Bytes({0xFF, 0x00}), &error))
        return fail("ErrEE", error);
    return true;
}

bool BootLoader::BootGo()
{
    flush();
    QString error;
    if (!ackStep(Cmd(0x21), &error) || !ackStep(AddressFrame(ImageBase()), &error))
        return fail("ErrGO", error);
    return true;
}

} // namespace ql
