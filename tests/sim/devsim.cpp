#include "sim/devsim.h"

#include "sim/pty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ql::sim {

// ---- PortsDir --------------------------------------------------------

PortsDir::PortsDir()
{
    hadPorts_ = qEnvironmentVariableIsSet("QL_PORTS");
    oldPorts_ = qgetenv("QL_PORTS");
    hadSystem_ = qEnvironmentVariableIsSet("QL_SYSTEM_PORTS");
    oldSystem_ = qgetenv("QL_SYSTEM_PORTS");
    qputenv("QL_PORTS", QFile::encodeName(dir_.path()));
    qputenv("QL_SYSTEM_PORTS", "0");
}

PortsDir::~PortsDir()
{
    if (hadPorts_)
        qputenv("QL_PORTS", oldPorts_);
    else
        qunsetenv("QL_PORTS");
    if (hadSystem_)
        qputenv("QL_SYSTEM_PORTS", oldSystem_);
    else
        qunsetenv("QL_SYSTEM_PORTS");
}

// ---- Encoding --------------------------------------------------------

uint16_t Pair(const uint8_t* p)
{
    return uint16_t(p[0] * 240 + p[1]);
}

void PutPair(uint8_t* p, int64_t v)
{
    v = std::clamp<int64_t>(v, 0, 57599);
    p[0] = uint8_t(v / 240);
    p[1] = uint8_t(v % 240);
}

uint8_t ReplyCheck(const uint8_t* body16)
{
    uint8_t x = 0;
    for (int i = 0; i < 16; ++i)
        x ^= body16[i];
    return uint8_t(x % 240);
}

// ---- DeviceSim -------------------------------------------------------

namespace {

// Voltage (V) and capacity (Ah) as the reply carries them: thousandths up
// to 32767, then the range offsets.
int EncodeVolt(double volts)
{
    const long mv = std::lround(std::max(volts, 0.0) * 1000);
    if (mv < 32768)
        return int(mv);
    return int(std::min(32768L + std::lround(volts * 100), 57599L));
}

int EncodeCap(double ampHours)
{
    ampHours = std::max(ampHours, 0.0);
    const long milli = std::lround(ampHours * 1000);
    if (milli < 32768)
        return int(milli);
    const long centi = std::lround(ampHours * 100);
    if (centi < 53248 - 32768)
        return int(32768 + centi);
    return int(std::min(53248L + std::lround(ampHours * 10), 57599L));
}

bool in(int v, std::initializer_list<int> set)
{
    return std::find(set.begin(), set.end(), v) != set.end();
}

// The end voltage of one cell when a charge profile is sent a cell count
// as its limit; 0 where the limit is a voltage. Profiles in list order:
// NiMH, NiCd, Li-ion or Li-Po, LiFePO4, lead-acid.
double CellEndVolts(int type, int mode)
{
    static const double kCell[5] = {1.5, 1.5, 4.2, 3.65, 2.4};
    int first = 0;
    if (in(type, {1, 2, 3, 4}))
        first = 1;
    else if (in(type, {5, 6}))
        first = 2;
    else if (in(type, {7, 36, 37}))
        first = 3;
    const int k = mode - first + (first == 3 ? 1 : 0);
    if (first == 0 || mode < first || mode > 6 || (first == 1 && mode > 5) || k < 0 || k > 4)
        return 0;
    return kCell[k];
}

// Current units per ampere of a model: 1 mA where it has it, else 10 mA.
int CurFactorOf(int type) { return in(type, {5, 17, 18, 24, 25, 26, 35, 36, 40, 41, 42}) ? 1000 : 100; }

} // namespace

DeviceSim::DeviceSim(int devType, int fwVersion, QObject* parent)
    : QObject(parent), type_(devType), fw_(fwVersion), twoChannel_(devType == 17 || devType == 18)
{
    // Resolution of the family's models: 1 mA / 1 mV / 0.1 W where they
    // have it, else 10 mA / 10 mV / 1 W.
    curFactor_ = CurFactorOf(devType);
    if (in(devType, {17, 18}))
        volFactor_ = 1000;
    if (in(devType, {5, 17, 18, 35, 36}))
        pwrFactor_ = 10;
    // Chargers: the modes after the discharge ones charge.
    if (in(devType, {1, 2, 3, 4, 8, 28, 29, 39, 40}))
        chargeMode_ = 1;
    else if (in(devType, {5, 6, 7, 9, 10, 36, 37}))
        chargeMode_ = 2;
    for (auto& c : ch_)
        settle(c);
}

DeviceSim::~DeviceSim()
{
    unplug();
    if (!link_.isEmpty())
        QFile::remove(link_);
}

bool DeviceSim::plug(const QString& folder, int port)
{
    unplug();
    LinkedPty p;
    if (!OpenLinkedPty(folder, QStringLiteral("COM%1").arg(port), true, p))
        return false;
    master_ = p.master;
    slaveFd_ = p.slave;
    slave_ = p.slavePath;
    link_ = p.link;
    return true;
}

void DeviceSim::unplug()
{
    stopFlood();
    delete notifier_;
    notifier_ = nullptr;
    ClosePtyEnds(master_, slaveFd_);
    connected_ = false;
    inbuf_.clear();
}

void DeviceSim::clearRecorded()
{
    received_.clear();
    sent_.clear();
    bytesIn_ = 0;
}

int DeviceSim::pump(int waitMs)
{
    if (master_ < 0)
        return 0;
    const int before = int(received_.size());
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return 0;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        bytesIn_ += n;
        feed(QByteArray(buf, qsizetype(n)));
    }
    return int(received_.size()) - before;
}

bool DeviceSim::waitForFrames(int n, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (received_.size() < n && clock.elapsed() < timeoutMs && master_ >= 0)
        pump(10);
    return received_.size() >= n;
}

qint64 DeviceSim::unread() const
{
    // The simulator holds the line's far end open: its input queue is the
    // one the program reads from.
    int n = 0;
    if (slaveFd_ < 0 || ::ioctl(slaveFd_, FIONREAD, &n) != 0)
        return 0;
    return n;
}

bool DeviceSim::waitUnread(qint64 n, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (unread() < n) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        ::usleep(500);
    }
    return true;
}

void DeviceSim::feed(const QByteArray& bytes)
{
    inbuf_.append(bytes);
    for (;;) {
        const qsizetype start = inbuf_.indexOf(char(0xFA));
        if (start < 0) {
            inbuf_.clear();
            return;
        }
        inbuf_.remove(0, start);
        if (inbuf_.size() < 10)
            return;
        if (uint8_t(inbuf_[9]) == 0xF8) {
            const QByteArray frame = inbuf_.left(10);
            inbuf_.remove(0, 10);
            handle(frame);
        } else {
            inbuf_.remove(0, 1);  // not a frame: look for the next start
        }
    }
}

void DeviceSim::handle(const QByteArray& frame)
{
    received_.append(frame);
    if (silent_)
        return;
    const auto* f = reinterpret_cast<const uint8_t*>(frame.constData());
    uint8_t x = 0;
    for (int i = 1; i <= 7; ++i)
        x ^= f[i];
    if (x % 240 != f[8])
        return;

    const int cmd = f[1];
    const int op = cmd & 0x0F;
    const int chn = (cmd >> 4) / 10;
    const int mode = (cmd >> 4) % 10;
    const int a = Pair(f + 2), b = Pair(f + 4), c = Pair(f + 6);
    if (chn >= channels())
        return;
    Channel& ch = ch_[size_t(chn)];

    switch (op) {
    case 0x05:  // connect
        connected_ = true;
        for (int k = 0; k < channels(); ++k) {
            settle(ch_[size_t(k)]);
            sendReply(k, Reply::Info);
            if (!connectInfoOnly_)
                sendReply(k, Reply::Data);
        }
        break;
    case 0x06:  // disconnect
        connected_ = false;
        break;
    case 0x01:  // start
        ch.cap = ch.energy = ch.runSecs = 0;
        [[fallthrough]];
    case 0x08:  // continue: the counters go on
        ch.mode = mode;
        ch.setRaw = a, ch.lmtRaw = b, ch.timRaw = c;
        ch.running = true;
        settle(ch);
        break;
    case 0x07:  // set, or a fast-charge trigger in byte 8
        if (f[2] == 0 && f[3] == 0 && f[4] == 0 && f[5] == 0 && f[6] == 0 && f[7] != 0) {
            lastTrigger_ = f[7];
        } else {
            ch.mode = mode;
            ch.setRaw = a, ch.lmtRaw = b, ch.timRaw = c;
            settle(ch);
        }
        break;
    case 0x02:  // stop
        endRun(ch);
        break;
    case 0x0A:  // time
        timeMinutes_[size_t(chn)] = a;
        break;
    case 0x09:  // resistance test: value A in the device's current units
        if (!ch.running)
            ch.resDrop = double(a) / curFactor_ * ch.rint;
        break;
    default:  // calibration, boot: recorded only
        break;
    }
}

double DeviceSim::emf(const Channel& c) const
{
    const double soc = c.capacityAh > 0 ? std::clamp(c.charge / c.capacityAh, 0.0, 1.0) : 0;
    return c.emfEmpty + (c.emfFull - c.emfEmpty) * soc;
}

void DeviceSim::settle(Channel& c)
{
    const double e = emf(c);
    if (!c.running) {
        c.current = 0;
        c.volt = e;
    } else if (c.mode >= chargeMode_) {
        c.current = double(c.setRaw) / curFactor_;
        c.volt = e + c.current * c.rint;
    } else if (c.mode == 1) {
        // Constant power: V = E - I r and I = P / V.
        const double p = double(c.setRaw) / pwrFactor_;
        const double d = e * e - 4 * p * c.rint;
        c.volt = d >= 0 ? (e + std::sqrt(d)) / 2 : e / 2;
        c.current = c.volt > 0 ? p / c.volt : 0;
    } else {
        c.current = double(c.setRaw) / curFactor_;
        c.volt = std::max(0.0, e - c.current * c.rint);
    }
    c.temp = 25 + c.current;
}

void DeviceSim::endRun(Channel& c)
{
    c.running = false;
    settle(c);
}

void DeviceSim::step(double seconds)
{
    for (int k = 0; k < channels(); ++k) {
        Channel& c = ch_[size_t(k)];
        settle(c);
        if (c.running) {
            const double ah = c.current * seconds / 3600;
            const bool charging = c.mode >= chargeMode_;
            c.cap += ah;
            c.energy += c.volt * ah;
            c.charge = std::clamp(c.charge + (charging ? ah : -ah), 0.0, c.capacityAh);
            c.runSecs += seconds;
            settle(c);
            // A charge profile counts cells: it ends at their end voltage.
            const double perCell = CellEndVolts(type_, c.mode);
            const double limit = perCell > 0 ? c.lmtRaw * perCell : double(c.lmtRaw) / volFactor_;
            bool end = false;
            if (charging)
                end = (limit >= 1 && c.volt >= limit) || c.charge >= c.capacityAh;
            else
                end = (limit > 0 && c.volt <= limit) || c.charge <= 0
                      || (c.timRaw > 0 && c.runSecs >= c.timRaw * 60.0);
            if (end)
                endRun(c);
        }
    }
    if (!connected_)
        return;
    ++steps_;
    for (int k = 0; k < channels(); ++k) {
        sendReply(k, Reply::Data);
        if (infoEvery_ > 0 && steps_ % infoEvery_ == 0)
            sendReply(k, Reply::Info);
        if (foreign_ > 0)
            sendRaw(replyAs(k, Reply::Data, foreign_));
    }
}

QByteArray DeviceSim::replyAs(int chn, Reply kind, int type) const
{
    const Channel& c = ch_.at(size_t(chn));
    const int curFactor = type == type_ ? curFactor_ : CurFactorOf(type);
    uint8_t b[19] = {};
    uint8_t* p = b + 1;
    const int run = c.forcedRunState >= 0 ? c.forcedRunState : (c.running ? 1 : 0);
    const int mode = c.forcedMode >= 0 ? c.forcedMode : c.mode;
    p[0] = uint8_t((kind == Reply::Info ? 100 : 0) + 10 * run + mode % 10);
    const double curUnits = (type == 26 && fw_ >= 320) ? 10000 : curFactor;
    PutPair(p + 1, std::lround(c.current * curUnits));
    PutPair(p + 3, EncodeVolt(c.volt));
    if (type == 26) {
        PutPair(p + 5, std::lround(aux1_ * 1000));
        PutPair(p + 7, std::lround(aux2_ * 1000));
    } else if (kind == Reply::Data && !c.running && c.resDrop >= 0) {
        PutPair(p + 5, std::lround(c.resDrop * 1000));
        PutPair(p + 7, std::lround(c.temp * 10));
    } else {
        PutPair(p + 5, EncodeCap(c.cap));
        PutPair(p + 7, std::lround(c.temp * 10));
    }
    if (kind == Reply::Info) {
        PutPair(p + 9, fw_);
        PutPair(p + 11, std::lround(ratedVolt_ * volFactor_));
        PutPair(p + 13, std::lround(ratedCur_ * curFactor));
    } else {
        PutPair(p + 9, c.setRaw);
        PutPair(p + 11, c.lmtRaw);
        PutPair(p + 13, c.timRaw);
    }
    p[15] = uint8_t(100 * chn + type);
    p[16] = ReplyCheck(p);
    b[0] = 0xFA;
    b[18] = 0xF8;
    return QByteArray(reinterpret_cast<const char*>(b), 19);
}

void DeviceSim::sendReply(int chn, Reply kind)
{
    QByteArray r = reply(chn, kind);
    Channel& c = ch_.at(size_t(chn));
    if (kind == Reply::Data && !c.running)
        c.resDrop = -1;  // the drop is reported once
    if (corruptNext_) {
        r[17] = char(uint8_t(r[17]) ^ 1);
        corruptNext_ = false;
    }
    sendRaw(noise_ + r);
}

void DeviceSim::sendShortFrame(int bodyBytes, int chn)
{
    const QByteArray r = reply(chn, Reply::Data);
    sendRaw(r.left(1 + std::clamp(bodyBytes, 0, 17)) + char(0xF8));
}

void DeviceSim::sendRaw(const QByteArray& bytes)
{
    if (master_ < 0 || bytes.isEmpty())
        return;
    sent_.append(bytes);
    qsizetype done = 0;
    QElapsedTimer clock;
    clock.start();
    while (done < bytes.size() && clock.elapsed() < 200) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

void DeviceSim::startFlood(Flood kind)
{
    stopFlood();
    if (master_ < 0)
        return;
    // A block built once: the writer thread shares nothing else with the
    // simulator but the descriptor and its counter.
    QByteArray block;
    if (kind == Flood::Frames) {
        const QByteArray r = reply(0, Reply::Data);
        for (int i = 0; i < 216; ++i)  // whole frames, so copies join cleanly
            block += r;
    } else {
        uint32_t x = 2463534242u;
        for (int i = 0; i < 4096; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;  // xorshift: every byte value, FA and F8 too
            block.append(char(x & 0xFF));
        }
    }
    flooding_ = true;
    const int fd = master_;
    flood_ = std::thread([this, fd, block] {
        qsizetype at = 0;
        while (flooding_.load()) {
            const ssize_t n = ::write(fd, block.constData() + at, size_t(block.size() - at));
            if (n > 0) {
                floodBytes_ += n;
                at = (at + n) % block.size();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            } else {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    });
}

void DeviceSim::stopFlood()
{
    flooding_ = false;
    if (flood_.joinable())
        flood_.join();
}

void DeviceSim::reportRun(int chn, int mode, int32_t setRaw, int32_t lmtRaw, int32_t timRaw)
{
    Channel& c = ch_.at(size_t(chn));
    c.mode = mode;
    c.setRaw = setRaw, c.lmtRaw = lmtRaw, c.timRaw = timRaw;
    c.running = true;
    settle(c);
}

void DeviceSim::setCell(int chn, double emfFull, double emfEmpty, double rint, double capacityAh)
{
    Channel& c = ch_.at(size_t(chn));
    c.emfFull = emfFull, c.emfEmpty = emfEmpty, c.rint = rint;
    c.capacityAh = c.charge = capacityAh;
    settle(c);
}

void DeviceSim::start(int intervalMs)
{
    stop();
    if (master_ >= 0) {
        notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { pump(0); });
    }
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this, intervalMs] { step(intervalMs / 1000.0); });
    timer_->start(intervalMs);
}

void DeviceSim::stop()
{
    delete notifier_;
    notifier_ = nullptr;
    delete timer_;
    timer_ = nullptr;
}

} // namespace ql::sim
