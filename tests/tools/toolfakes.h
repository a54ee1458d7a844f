#pragma once
// The main window as the tool windows see it: a real link state, real panels
// and charts for slots 0 and 1, the remote commands of the device link, and
// recorded messages (a scripted prompter) and run handler calls. sim() plugs a simulated device
// into a slot's port.
#include "controls/curvegraph.h"
#include "link/comm.h"
#include "link/frames.h"
#include "link/state.h"
#include "panel/devctrl.h"
#include "panel/seqif.h"
#include "platform/serial.h"
#include "sim/devsim.h"
#include "tools/toolhost.h"

#include "testutil.h"

#include <QCoreApplication>
#include <QStringList>

#include <map>
#include <memory>
#include <ostream>
#include <vector>

// Readable QString output in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace tooltest {

struct FakeHost : ql::ToolHost, ql::RunCommandsIf {
    ql::LinkState link;
    std::array<std::unique_ptr<ql::DevCtrl>, 2> panels{std::make_unique<ql::DevCtrl>(0),
                                                       std::make_unique<ql::DevCtrl>(1)};
    std::array<std::unique_ptr<ql::CurveGraph>, 2> charts{std::make_unique<ql::CurveGraph>(),
                                                          std::make_unique<ql::CurveGraph>()};
    int cur = 0;
    qltest::ScriptedPrompter ask;
    QStringList calls;  // "run 0 0", "stop 0 0", "set 0 1 1.50" (slot, channel, amperes), "qc 0 5", "pe 0 1"

    FakeHost()
    {
        for (int s = 0; s < 2; ++s)
            panels[size_t(s)]->setRecord(link.slot[size_t(s)]);
    }
    int CurDev() const override { return cur; }
    ql::LinkState& Link() override { return link; }
    ql::CurveGraph* Chart(int slot) override { return slot < 2 ? charts[size_t(slot)].get() : nullptr; }
    ql::RunFieldsIf* Fields(int slot) override { return slot < 2 ? panels[size_t(slot)].get() : nullptr; }
    ql::RunCommandsIf& Commands() override { return *this; }
    bool Dev2S(int slot) const override { return slot < 2 && panels[size_t(slot)]->Dev2S(); }
    void setChnEnable(int slot, bool on) override { panels.at(size_t(slot))->setChnEnable(on); }
    QString PortText(int slot) const override { return slot < 2 ? panels[size_t(slot)]->tPort() : QString(); }
    QString VoltText(int slot, int chn) const override { return panels.at(size_t(slot))->tVol(chn); }

    bool DevCtrl_RunClick(int slot, int chn, ql::RunCaller) override
    {
        calls << QStringLiteral("run %1 %2").arg(slot).arg(chn);
        return true;
    }
    void DevCtrl_StopClick(int slot, int chn) override { calls << QStringLiteral("stop %1 %2").arg(slot).arg(chn); }
    void RemoteSet(int slot, int chn, float v) override
    {
        calls << QStringLiteral("set %1 %2 %3").arg(slot).arg(chn).arg(double(v), 0, 'f', 2);
        ql::RemoteSetOn(link, slot, chn, v);
    }
    void RemoteQC(int slot, int code) override
    {
        calls << QStringLiteral("qc %1 %2").arg(slot).arg(code);
        ql::RemoteQC(link, slot, code);
    }
    void RemotePE(int slot, int dir) override
    {
        calls << QStringLiteral("pe %1 %2").arg(slot).arg(dir);
        ql::RemotePE(link, slot, dir);
    }

    // A reply's readouts: the panel shows the text and the channel's record
    // keeps the value as shown.
    void showVolt(int slot, int chn, const QString& text)
    {
        panels.at(size_t(slot))->setTVol(chn, text);
        link.ch(slot, chn).VoltShown = float(text.toDouble());
    }
    void showCur(int slot, int chn, const QString& text)
    {
        panels.at(size_t(slot))->setTCur(chn, text);
        link.ch(slot, chn).CurShown = float(text.toDouble());
    }

    // The boxes shown, "!" for the critical icon and "i" for information
    // before each text; every one is titled "Prompt".
    QStringList shown() const
    {
        QStringList out;
        for (const auto& m : ask.messages)
            out << (m.title == QLatin1String("Prompt") ? QString() : QStringLiteral("<") + m.title + QStringLiteral(">")) +
                       (m.icon == ql::Prompter::Critical ? QStringLiteral("!") : QStringLiteral("i")) + m.text;
        return out;
    }

    // Plugs a simulated device into the slot as COM<port> and opens it.
    std::unique_ptr<ql::sim::DeviceSim> plug(ql::sim::PortsDir& ports, int slot, int port, int type = 11)
    {
        auto dev = std::make_unique<ql::sim::DeviceSim>(type, 300);
        dev->plug(ports.path(), port);
        link.slot[size_t(slot)].hComm = ql::OpenPort(port);
        slotOf[dev.get()] = slot;
        return dev;
    }
    std::map<const ql::sim::DeviceSim*, int> slotOf;
};

// Hex text of bytes: "FA 04 00 ...".
inline QString Hex(const QByteArray& b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }

// Everything the device received since the last call, as hex frames. A
// marker frame (its check byte wrong, so no device acts on it) written last
// on the device's port shows when the line has delivered everything before
// it; it is not listed. On a closed port nothing can have been written.
inline QStringList Frames(FakeHost& h, ql::sim::DeviceSim& dev)
{
    const ql::CmdFrame marker{0xFA, 0x0E, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x00, 0xF8};
    const QByteArray mark(reinterpret_cast<const char*>(marker.data()), int(marker.size()));
    const int slot = h.slotOf.at(&dev);
    const bool open = ql::WriteFrame(h.link, slot, marker) > 0;
    QStringList out;
    bool marked = false;
    for (int i = 0; open && !marked && i < 500; ++i) {
        dev.pump(10);
        marked = !dev.received().isEmpty() && dev.received().last() == mark;
    }
    for (const QByteArray& f : dev.received())
        if (f != mark)
            out << Hex(f);
    dev.clearRecorded();
    return out;
}

} // namespace tooltest
