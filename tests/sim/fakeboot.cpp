#include "sim/fakeboot.h"

#include "sim/pty.h"

#include <QFile>
#include <QSocketNotifier>

#include <sys/ioctl.h>
#include <unistd.h>

namespace ql::sim {

namespace {
constexpr uint8_t kAck = 0x79, kNak = 0x1F, kKey = 0xD7;

// A five-byte address frame: 00 00 hi lo check; -1 when the check fails.
int Address(const QByteArray& b)
{
    const auto u = [&](int i) { return uint8_t(b[i]); };
    if ((u(0) ^ u(1) ^ u(2) ^ u(3)) != u(4))
        return -1;
    return (u(2) << 8) | u(3);
}
} // namespace

FakeBoot::FakeBoot(int devType, QObject* parent) : QObject(parent), type_(devType), mem_(65536, 0) {}

FakeBoot::~FakeBoot() { unplug(); }

bool FakeBoot::plug(const QString& folder, int port)
{
    unplug();
    LinkedPty p;
    if (!OpenLinkedPty(folder, QStringLiteral("COM%1").arg(port), true, p))
        return false;
    master_ = p.master;
    slaveFd_ = p.slave;
    link_ = p.link;
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FakeBoot::onReadable);
    return true;
}

void FakeBoot::setFault(Fault f, int failBlock)
{
    if (f != Fault::Flood)
        stopFlood();
    fault_ = f;
    failBlock_ = failBlock;
}

void FakeBoot::startFlood()
{
    if (flooding_.load() || master_ < 0)
        return;
    stopFlood();
    floodBytes_ = 0;
    flooding_ = true;
    const int fd = master_;
    flood_ = std::thread([this, fd] {
        const QByteArray block(4096, char(kAck));
        while (flooding_.load() && floodBytes_.load() < kFloodBytes) {
            const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
            if (n > 0)
                floodBytes_ += n;
            else
                ::usleep(200);  // the line's buffers are full
        }
    });
}

void FakeBoot::stopFlood()
{
    flooding_ = false;
    if (flood_.joinable())
        flood_.join();
}

void FakeBoot::unplug()
{
    stopFlood();
    delete notifier_;
    notifier_ = nullptr;
    ClosePtyEnds(master_, slaveFd_);
}

int FakeBoot::unread() const
{
    int n = 0;
    return slaveFd_ >= 0 && ::ioctl(slaveFd_, FIONREAD, &n) == 0 ? n : 0;
}

void FakeBoot::setId(int address, int id)
{
    mem_[size_t(address)] = uint8_t(((id >> 8) & 0xFF) ^ kKey);
    mem_[size_t(address + 1)] = uint8_t((id & 0xFF) ^ kKey);
}

void FakeBoot::send(const QByteArray& b)
{
    if (master_ >= 0 && fault_ != Fault::Silent)
        (void)::write(master_, b.constData(), size_t(b.size()));
}

void FakeBoot::ack()
{
    const bool twice = fault_ == Fault::DoubleAck && st_ == St::Cmd;
    send(QByteArray(twice ? 2 : 1, char(kAck)));
}

void FakeBoot::onReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        received_.append(buf, qsizetype(n));
        in_.append(buf, qsizetype(n));
    }
    process();
}

void FakeBoot::process()
{
    for (;;) {
        const auto u = [this](int i) { return uint8_t(in_[i]); };
        switch (st_) {
        case St::Cmd:
            if (in_.isEmpty())
                return;
            if (u(0) == 0x7F) {
                in_.remove(0, 1);
                ++syncs_;
                if (fault_ == Fault::Flood)
                    startFlood();
                else
                    send(QByteArray(1, char(fault_ == Fault::NakSync ? kNak : kAck)));
                continue;
            }
            if (in_.size() < 2)
                return;
            {
                const uint8_t c = u(0);
                const bool ok = (c ^ u(1)) == 0xFF;
                in_.remove(0, 2);
                if (!ok) {
                    send(QByteArray(1, char(kNak)));
                    continue;
                }
                if (c == 0x00) {
                    QByteArray r(9, 0);
                    r[0] = char(kAck);
                    r[1] = 6;
                    r[3] = char(type_);
                    r[5] = fault_ == Fault::BadMarker ? 'X' : 'W';
                    r[7] = 'J';
                    r[8] = char(kAck);
                    if (fault_ == Fault::LongGet)
                        r.append(char(kAck));
                    send(fault_ == Fault::ShortGet ? r.left(6) : r);
                } else if (c == 0x11) {
                    ack();
                    st_ = St::ReadAddr;
                } else if (c == 0x31) {
                    ack();
                    st_ = St::WriteAddr;
                } else if (c == 0x43) {
                    ack();
                    st_ = St::EraseCode;
                } else if (c == 0x21) {
                    ack();
                    st_ = St::GoAddr;
                } else {
                    send(QByteArray(1, char(kNak)));
                }
            }
            continue;
        case St::ReadAddr:
        case St::WriteAddr:
        case St::GoAddr: {
            if (in_.size() < 5)
                return;
            addr_ = Address(in_.left(5));
            in_.remove(0, 5);
            if (addr_ < 0) {
                send(QByteArray(1, char(kNak)));
                st_ = St::Cmd;
                continue;
            }
            ack();
            if (st_ == St::GoAddr) {
                go_ = addr_;
                st_ = St::Cmd;
            } else {
                st_ = st_ == St::ReadAddr ? St::ReadCount : St::WriteData;
            }
            continue;
        }
        case St::ReadCount: {
            if (in_.size() < 2)
                return;
            const int n = u(0) + 1;
            const bool ok = (u(0) ^ u(1)) == 0xFF;
            in_.remove(0, 2);
            st_ = St::Cmd;
            if (!ok) {
                send(QByteArray(1, char(kNak)));
                continue;
            }
            reads_.append(addr_);
            QByteArray r(1, char(kAck));
            for (int i = 0; i < n; ++i)
                r.append(char(mem_[size_t((addr_ + i) & 0xFFFF)]));
            send(r);
            continue;
        }
        case St::WriteData: {
            if (in_.isEmpty())
                return;
            const int n = u(0) + 1;
            if (in_.size() < n + 2)
                return;
            uint8_t check = uint8_t(n - 1);
            for (int i = 0; i < n; ++i)
                check ^= uint8_t(u(1 + i) ^ kKey);
            const bool ok = check == u(n + 1) &&
                            !(fault_ == Fault::NakWrite && int(writes_.size()) == failBlock_);
            const QByteArray data = in_.mid(1, n);
            in_.remove(0, n + 2);
            st_ = St::Cmd;
            if (!ok) {
                send(QByteArray(1, char(kNak)));
                continue;
            }
            writes_.append({addr_, data});
            for (int i = 0; i < n; ++i)
                mem_[size_t((addr_ + i) & 0xFFFF)] = uint8_t(data[i]);
            ack();
            continue;
        }
        case St::EraseCode: {
            if (in_.size() < 2)
                return;
            const bool ok = u(0) == 0xFF && u(1) == 0x00;
            in_.remove(0, 2);
            st_ = St::Cmd;
            if (fault_ == Fault::EraseNoAnswer)
                continue;
            if (ok)
                erased_ = true;
            send(QByteArray(1, char(ok ? kAck : kNak)));
            continue;
        }
        }
    }
}

} // namespace ql::sim
