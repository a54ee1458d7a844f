#include "apptest.h"

#include "link/runrecord.h"
#include "panel/stepedit.h"
#include "platform/services.h"
#include "sim/devsim.h"
#include "sim/pty.h"

#include <QComboBox>
#include <QDate>
#include <QRadioButton>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace qltest {

ql::MainOptions FastOptions()
{
    using std::chrono::milliseconds;
    ql::MainOptions o;
    o.timings.tick = milliseconds(20);
    o.timings.poll = milliseconds(5);
    o.timings.connect = milliseconds(40);
    o.timings.recvLamp = milliseconds(20);
    o.timings.panel = milliseconds(20);
    return o;
}

ql::MainOptions SilentLineOptions()
{
    ql::MainOptions o = FastOptions();
    o.timings.connect = std::chrono::hours(1);
    return o;
}

bool waitFor(const std::function<bool()>& cond, int ms)
{
    QElapsedTimer t;
    t.start();
    // The loop sleeps until the next event; this timer bounds the sleep so
    // that what other threads change is seen too.
    QTimer wake;
    wake.start(2);
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void typeInto(QLineEdit* e, const QString& text)
{
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
    e->clearFocus();
}

void chooseText(QComboBox* c, const QString& text)
{
    QLineEdit* e = c->lineEdit();
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
    if (e->hasSelectedText())
        QTest::keyClick(e, Qt::Key_Delete);
    e->clearFocus();
    EXPECT_EQ(c->currentText(), text);
}

bool enterStep(ql::frmSet& editor, int kind, const QString& set, const QString& lmt, const QString& third)
{
    editor.cmbMode->setCurrentIndex(kind);
    if (editor.txtSet->isEnabled())
        editor.txtSet->setText(set);
    if (editor.txtLmt->isEnabled())
        editor.txtLmt->setText(lmt);
    editor.txtLmt2->setText(third);
    return editor.cmdSet_Click();
}

int opOf(const QByteArray& frame) { return uint8_t(frame.at(1)) & 0x0F; }

int pairAt(const QByteArray& frame, int pos)
{
    return ql::sim::Pair(reinterpret_cast<const uint8_t*>(frame.constData()) + pos);
}

QList<QByteArray> framesOf(const ql::sim::DeviceSim& dev, int op)
{
    QList<QByteArray> out;
    for (const QByteArray& f : dev.received())
        if (opOf(f) == op)
            out << f;
    return out;
}

std::vector<int> channelsOf(const ql::sim::DeviceSim& dev, int op)
{
    std::vector<int> out;
    for (const QByteArray& f : framesOf(dev, op))
        out.push_back((uint8_t(f.at(1)) >> 4) / 10);
    return out;
}

QStringList errorLog() { return fileLines(ql::ErrLogPath(QDate::currentDate())); }

void fillAutoTest(ql::DevCtrl& p, const QString& c1, const QString& c2, const QString& step, const QString& time,
                  const QString& vol)
{
    const auto& u = p.ui();
    chooseText(u.cmbC1Auto, c1);
    chooseText(u.cmbC2Auto, c2);
    chooseText(u.cmbStepAuto, step);
    chooseText(u.cmbTimeAuto, time);
    u.optAutoSec->setChecked(true);
    typeInto(u.txtVolAuto, vol);
}

Pty::Pty(const QString& portsDir, const QString& name)
{
    ql::sim::LinkedPty p;
    if (ql::sim::OpenLinkedPty(portsDir, name, false, p)) {
        master_ = p.master;
        link_ = p.link;
    }
}

Pty::~Pty()
{
    if (master_ >= 0)
        ::close(master_);
    if (!link_.isEmpty())
        QFile::remove(link_);
}

QByteArray Pty::readAll(int min, int ms)
{
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (true) {
        char buf[256];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, int(n));
            continue;
        }
        if (out.size() >= min || clock.elapsed() > ms)
            break;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return out;
}

void Pty::write(const QByteArray& bytes)
{
    const ssize_t n = ::write(master_, bytes.constData(), size_t(bytes.size()));
    (void)n;
}

void AppTest::SetUp()
{
    oldHome_ = qgetenv("QL_HOME");
    oldPorts_ = qgetenv("QL_PORTS");
    oldSys_ = qgetenv("QL_SYSTEM_PORTS");
    dir_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir_->isValid());
    qputenv("QL_HOME", dir_->path().toLocal8Bit());
    qputenv("QL_PORTS", portsDir().toLocal8Bit());
    qputenv("QL_SYSTEM_PORTS", "0");
}

void AppTest::TearDown()
{
    ql::SetLanguage(0);
    qputenv("QL_HOME", oldHome_);
    qputenv("QL_PORTS", oldPorts_);
    qputenv("QL_SYSTEM_PORTS", oldSys_);
}

QString AppTest::portsDir() const { return dir_->path() + QStringLiteral("-ports"); }

std::unique_ptr<ql::frmMain> AppTest::makeWindow(ql::MainOptions options)
{
    auto w = std::make_unique<ql::frmMain>(std::move(options));
    w->resize(1100, 720);
    return w;
}

void AppTest::closeWindow(ql::frmMain& w)
{
    prompt.answers.clear();
    w.close();
}

QString AppTest::iniText() const
{
    QFile f(QDir(home()).filePath(QStringLiteral("ql.ini")));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll());
}

void AppTest::writeIni(const QByteArray& body)
{
    QFile f(QDir(home()).filePath(QStringLiteral("ql.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(";--------QL Config File----------\r\n" + body);
}

std::vector<QByteArray> Frames(const QByteArray& bytes)
{
    std::vector<QByteArray> out;
    for (int i = 0; i + 10 <= bytes.size(); i += 10)
        out.push_back(bytes.mid(i, 10));
    return out;
}

void DeviceAppTest::SetUp()
{
    AppTest::SetUp();
    QDir().mkpath(portsDir());
}

std::unique_ptr<ql::frmMain> DeviceAppTest::startWindow(ql::MainOptions options)
{
    auto w = makeWindow(std::move(options));
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    return w;
}

void DeviceAppTest::connectDevice(ql::frmMain& w, int n, ql::sim::DeviceSim& dev, int port)
{
    ql::DevCtrl* p = inside(w).slot(n).Panel;
    p->setTPort(QStringLiteral("COM%1").arg(port));
    p->ui().cmdConn->click();
    ASSERT_TRUE(p->Conn());
    ASSERT_TRUE(waitFor([&] { return dev.connected() && !inside(w).link().slot[size_t(n)].Connecting; }));
}

bool DeviceAppTest::plug(ql::sim::DeviceSim& dev, int port, int replyMs)
{
    if (!dev.plug(portsDir(), port))
        return false;
    dev.start(replyMs);
    return true;
}

std::unique_ptr<ql::frmMain> DeviceAppTest::connectedWindow(ql::sim::DeviceSim& dev, int port, int replyMs,
                                                            ql::MainOptions options)
{
    if (!plug(dev, port, replyMs)) {
        ADD_FAILURE() << "COM" << port << " not plugged";
        return nullptr;
    }
    auto w = startWindow(std::move(options));
    connectDevice(*w, 0, dev, port);
    if (HasFatalFailure())
        return nullptr;
    return w;
}

void DeviceAppTest::startRun(ql::frmMain& w, const QString& sval, const QString& slmt, int n)
{
    const auto& u = inside(w).slot(n).Panel->ui();
    typeInto(u.txtSval, sval);
    typeInto(u.txtSlmt, slmt);
    u.cmdRun->click();
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(n, 0).Running; }));
}

void DeviceAppTest::stopRun(ql::frmMain& w, int n)
{
    inside(w).slot(n).Panel->ui().cmdStop->click();
    ASSERT_TRUE(waitFor([&] { return !inside(w).link().ch(n, 0).Running; }));
}

QString DeviceAppTest::recordOf(ql::frmMain& w, int n, int c)
{
    return ql::RunRecord::PathOf(inside(w).tracker().RecordBase(n, c));
}

void DeviceAppTest::editSteps(ql::frmMain& w, const std::function<void(ql::frmSet&)>& edit, int n)
{
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
        ql::frmSet* dlg = shownWindow<ql::frmSet>();
        if (!dlg)
            return;
        shown = true;
        edit(*dlg);
        dlg->cmdOK->click();
    });
    inside(w).slot(n).Panel->ui().cmdSetStep->click();
    EXPECT_TRUE(shown) << "no step editor";
}

void DeviceAppTest::reopenSteps(ql::frmMain& w, const QString& name, int n)
{
    const auto& u = inside(w).slot(n).Panel->ui();
    prompt.fileAnswer = home() + QLatin1Char('/') + name;
    u.cmdSaveStep->click();
    ASSERT_TRUE(settleDisk());
    ASSERT_TRUE(QFile::exists(prompt.fileAnswer + QStringLiteral(".stp")));
    u.cmdClearStep->click();
    EXPECT_EQ(inside(w).link().slot[size_t(n)].Steps, ql::StepTable{});
    prompt.fileAnswer += QStringLiteral(".stp");
    u.cmdOpenStep->click();
}

void DeviceAppTest::TearDown()
{
    if (HasFailure()) {
        QFile log(ql::ErrLogPath(QDate::currentDate()));
        if (log.open(QIODevice::ReadOnly))
            std::cerr << "error log:\n" << log.readAll().toStdString();
        std::cerr << "messages: " << prompt.texts().join(" | ").toStdString() << "\n";
    }
    AppTest::TearDown();
}

} // namespace qltest
