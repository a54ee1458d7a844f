// Golden transcripts: scripted sessions of the whole program against
// simulated devices, each compared with a checked-in transcript of every
// command frame the devices received and the exact bytes of every file the
// program left in its folder. A difference is a change of behaviour.
//
// The sessions run on a hand-driven clock: the run-second counters tick only
// when the script says so, the panels' timers are fired by the script, the
// devices step one second per tick and reply at once, and file names are
// dated by a fixed clock. So every frame and every row comes out the same on
// every run.
//
// Each session runs under C and again under German and French locales (set
// up in this process as QApplication sets one up from the environment), where
// the user types numbers with a decimal comma (or, under German, with a
// point): the transcript is the same.
//
// QL_UPDATE_GOLDEN=1 rewrites the transcripts in the source tree.
#include "apptest.h"

#include "../sim/devsim.h"
#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "controls/lcdisp.h"
#include "panel/stepedit.h"
#include "platform/services.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <ostream>
#include <set>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// Bytes as readable text that gives every byte back: printable ASCII as it
// is, a backslash doubled, CR and LF as \r and \n (a line break follows
// \n), every other byte as \xHH.
QString Escape(const QByteArray& bytes)
{
    QString out;
    for (const char ch : bytes) {
        const auto b = uint8_t(ch);
        if (b == '\\')
            out += QStringLiteral("\\\\");
        else if (b == '\r')
            out += QStringLiteral("\\r");
        else if (b == '\n')
            out += QStringLiteral("\\n\n");
        else if (b >= 0x20 && b < 0x7F)
            out += QChar(b);
        else
            out += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("\\X"),
                                                                                              QLatin1String("\\x"));
    }
    return out;
}

QString Hex(const QByteArray& frame)
{
    return QString::fromLatin1(frame.toHex(' ').toUpper());
}

// A user's locale and the decimal mark its user types.
struct UserLocaleCase {
    const char* name;
    const char* label;  // of the test's name
    char mark;
};

void PrintTo(const UserLocaleCase& c, std::ostream* os) { *os << c.name; }

class Transcript : public DeviceAppTest, public ::testing::WithParamInterface<UserLocaleCase> {
protected:
    // A number as the user types it under the session's locale ("1.5" as "1,5").
    static QString typed(QString point) { return point.replace(QLatin1Char('.'), QLatin1Char(GetParam().mark)); }

    struct Device {
        DeviceSim* sim;
        QString port;
        int seen = 0;  // frames already written to the transcript
    };

    static constexpr std::chrono::milliseconds kPoll{5};

    static ql::MainOptions Options()
    {
        using std::chrono::hours;
        using std::chrono::milliseconds;
        ql::MainOptions o;
        o.timings.tick = milliseconds(0);  // the script ticks
        o.timings.poll = kPoll;
        o.timings.connect = hours(1);      // devices answer the first connect
        o.timings.recvLamp = milliseconds(20);
        o.timings.panel = hours(1);        // the script fires the panel timers
        o.now = [] { return QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)); };
        return o;
    }

    std::unique_ptr<ql::frmMain> open(const QByteArray& ini = QByteArray())
    {
        if (!ini.isEmpty())
            writeIni(ini);
        return startWindow(Options());
    }

    void plug(DeviceSim& dev, int port)
    {
        ASSERT_TRUE(dev.plug(portsDir(), port));
        devices_.push_back({&dev, QStringLiteral("COM%1").arg(port)});
    }

    // Lets the program and the devices exchange everything in flight: done
    // once no device has received a frame, nor had a byte of its own waiting
    // on its line, for three poll periods (the program has then polled in
    // and answered everything the devices sent).
    void settle(ql::frmMain& w)
    {
        auto anyOpen = [&] {
            for (int n = 0; n < w.DevCount(); ++n)
                if (inside(w).link().slot[size_t(n)].hComm)
                    return true;
            return false;
        };
        QElapsedTimer quiet;
        quiet.start();
        int quietPasses = 0;  // passes begun with the span over
        for (int guard = 0; guard < 4000; ++guard) {
            // Measured before the events run: a poll due within the span
            // runs in them.
            const bool spanOver = quiet.elapsed() >= 3 * kPoll.count();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            int taken = 0;
            bool onLine = false;
            for (Device& d : devices_)
                if (d.sim->plugged()) {
                    taken += d.sim->pump(0);
                    onLine = onLine || d.sim->unread() > 0;
                }
            if (taken > 0 || onLine) {
                quiet.restart();
                quietPasses = 0;
                continue;
            }
            if (!anyOpen() && guard > 3)
                return;  // nothing polls: nothing more can come in
            // Two passes: what a poll that came late in the first one
            // answered reaches its device by the second.
            if (spanOver && ++quietPasses >= 2)
                return;
            QTest::qWait(1);
        }
        ADD_FAILURE() << "the exchange did not settle";
    }

    // One second: the run counters tick, the devices step (deviceSeconds_
    // of their own time) and reply, then the enabled panel timers fire.
    void second(ql::frmMain& w)
    {
        settle(w);  // commands reach the devices at once
        inside(w).ticker().TickAll();
        for (Device& d : devices_)
            if (d.sim->plugged() && d.sim->connected())
                d.sim->step(deviceSeconds_);
        settle(w);
        for (int n = 0; n < w.DevCount(); ++n) {
            ql::DevCtrl* p = inside(w).slot(n).Panel;
            for (int c = 0; c < 2; ++c) {
                if (p->TmrCurveEnable(c))
                    emit p->TmrCurveOn(n, c);
                if (p->TmrShowEnable(c))
                    emit p->TmrShowOn(n, c);
            }
            if (p->AutoTmrEnable())
                emit p->AutoTmrOn(n);
            if (p->StepTmrEnable())
                emit p->StepTmrOn(n);
        }
        settle(w);
    }

    void seconds(ql::frmMain& w, int n)
    {
        for (int i = 0; i < n; ++i)
            second(w);
    }

    // A section of the transcript: the frames each device received since
    // the last one.
    void mark(ql::frmMain& w, const QString& what)
    {
        settle(w);
        agree(w, what);
        section(what);
    }

    // A heading, then the frames each device received since the last one.
    void section(const QString& what)
    {
        text_ += QStringLiteral("## ") + what + QLatin1Char('\n');
        for (Device& d : devices_) {
            const QList<QByteArray>& got = d.sim->received();
            for (int i = d.seen; i < got.size(); ++i)
                text_ += d.port + QStringLiteral(" < ") + Hex(got[i]) + QLatin1Char('\n');
            d.seen = int(got.size());
        }
    }

    // What the widgets show agrees with the slot's and channels' records
    // they are rendered from.
    void agree(ql::frmMain& w, const QString& what)
    {
        const std::string at = what.toStdString();
        for (int n = 0; n < w.DevCount(); ++n) {
            const ql::SlotState& st = inside(w).link().slot[size_t(n)];
            ql::SlotView& d = inside(w).slot(n);
            ql::DevCtrl* p = d.Panel;
            const auto& u = p->ui();
            EXPECT_EQ(st.PortNo, st.hComm ? u.cmbPort->currentText().mid(3).toInt() : 0) << at << " slot " << n;
            EXPECT_EQ(st.Dev2S, u.frmRun2S->isVisibleTo(p)) << at << " slot " << n;
            EXPECT_EQ(st.ChnSel, st.Dev2S && u.optChn1->isChecked() ? 1 : 0) << at << " slot " << n;
            EXPECT_EQ(st.ModeText, (st.Dev2S ? u.cmbMode2S : u.cmbMode)->currentText()) << at << " slot " << n;
            EXPECT_EQ(st.RunEnable, (st.Dev2S ? u.cmdRun2S : u.cmdRun)->isEnabled()) << at << " slot " << n;
            EXPECT_EQ(st.StopEnable, (st.Dev2S ? u.cmdStop2S : u.cmdStop)->isEnabled()) << at << " slot " << n;
            QStringList modes;
            for (const QComboBox* box = st.Dev2S ? u.cmbMode2S : u.cmbMode; modes.size() < box->count();)
                modes << box->itemText(int(modes.size()));
            EXPECT_EQ(ql::ModeEntries(st), modes) << at << " slot " << n;
            for (size_t r = 0; r < st.StepResults.size(); ++r)
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(st.StepResults[r][size_t(c)], p->tStepList(int(r) + 1, c)) << at << " slot " << n;
            for (size_t r = 0; r < st.AutoResults.size(); ++r)
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(st.AutoResults[r][size_t(c)], p->tAutoRun(int(r) + 1, c)) << at << " slot " << n;
            EXPECT_EQ(st.RecvLit, p->LedRecv()) << at << " slot " << n;
            QStringList tabs;  // the record's tabs inserted at their positions
            for (const ql::TestTab& t : st.Tabs)
                tabs.insert(t.position - 1, t.key);
            QStringList shown;
            for (int i = 0; i < u.tabDev->count(); ++i)
                shown << u.tabDev->tabData(i).toString();
            EXPECT_EQ(tabs, shown) << at << " slot " << n;
            EXPECT_EQ(st.TitleText, d.Chart->TitleText()) << at << " slot " << n;
            for (int c = 0; c < 2; ++c) {
                const std::string where = at + " " + std::to_string(n) + std::to_string(c);
                const ql::ChanState& ch = st.chn[size_t(c)];
                const ql::ChanState& f = st.chn[size_t(st.FieldChn(c))];
                EXPECT_EQ(f.SvalText, (st.Dev2S ? u.txtSval2S[size_t(c)] : u.txtSval)->text()) << where;
                EXPECT_EQ(f.SlmtText, (st.Dev2S ? u.txtSlmt2S[size_t(c)] : u.txtSlmt)->text()) << where;
                EXPECT_EQ(f.StimText, (st.Dev2S ? u.txtStim2S[size_t(c)] : u.txtStim)->text()) << where;
                EXPECT_EQ(f.SvalUnit, (st.Dev2S ? u.lblSval2St[size_t(c)] : u.lblSvalt)->text()) << where;
                EXPECT_EQ(f.SlmtUnit, (st.Dev2S ? u.lblSlmt2St[size_t(c)] : u.lblSlmtt)->text()) << where;
                const QString lcdTime = u.lcdTime->Value();  // hh:mm, then ss in the exponent
                EXPECT_EQ(f.TimeText, st.Dev2S ? u.txtTime2S[size_t(c)]->text()
                                               : lcdTime.left(5) + QLatin1Char(':') + lcdTime.right(2))
                    << where;
                EXPECT_EQ(ch.CurveOn, u.tmrCurve[size_t(c)]->isActive()) << where;
                EXPECT_EQ(ch.ShowOn, u.tmrShow[size_t(c)]->isActive()) << where;
                QListWidgetItem* monitor = d.lstInfo->item(c + 3);
                EXPECT_EQ(ch.Monitoring, monitor && !monitor->text().isEmpty()) << where;
                if (c == 1 && !st.Dev2S)
                    continue;  // the second row shows nothing of a one-channel device
                const std::array<QString, 7> cells = ql::RunRowTexts(ch);
                for (int k = 0; k < 7; ++k)
                    EXPECT_EQ(cells[size_t(k)], d.gridRun->TextMatrix(c + 1, k)) << where << " cell " << k;
                EXPECT_EQ(ch.HasBegin, !ch.BeginCell.isEmpty()) << where;
                if (st.hComm && st.DevType != 0 && (c == 0 || st.Dev2S)) {
                    EXPECT_EQ(ch.VoltText, p->tVol(c)) << where;
                    EXPECT_EQ(ch.CurText, p->tCur(c)) << where;
                    EXPECT_EQ(ch.PwrText, p->tPwr(c)) << where;
                    EXPECT_FLOAT_EQ(ch.VoltShown, float(p->tVol(c).toDouble())) << where;
                    EXPECT_FLOAT_EQ(ch.CurShown, float(p->tCur(c).toDouble())) << where;
                }
            }
        }
    }

    // Every file of the program folder but the error log (its lines carry
    // the wall clock), byte for byte; the folder's path reads <home>.
    void files(const QString& what)
    {
        text_ += QStringLiteral("## files ") + what + QLatin1Char('\n');
        QStringList paths;
        QDirIterator it(home(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << QDir(home()).relativeFilePath(it.next());
        paths.sort();
        for (const QString& rel : paths) {
            if (rel.startsWith(QLatin1String("Log/")))
                continue;
            QFile f(home() + QLatin1Char('/') + rel);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            QByteArray bytes = f.readAll();
            bytes.replace(QDir::toNativeSeparators(home()).toLocal8Bit(), "<home>");
            text_ += QStringLiteral("== %1 (%2 bytes)\n").arg(rel).arg(bytes.size()) + Escape(bytes) +
                     QStringLiteral("\n== end\n");
        }
    }

    void connectSlot(ql::frmMain& w, int n, int port)
    {
        ql::DevCtrl* p = inside(w).slot(n).Panel;
        p->setTPort(QStringLiteral("COM%1").arg(port));
        p->ui().cmdConn->click();
        ASSERT_TRUE(p->Conn());
        settle(w);
        ASSERT_FALSE(inside(w).link().slot[size_t(n)].Connecting) << "not identified";
    }

    void closeAnswering(std::unique_ptr<ql::frmMain>& w, std::deque<int> answers)
    {
        prompt.answers = std::move(answers);
        w->close();
        for (Device& d : devices_)
            if (d.sim->plugged())
                d.sim->pump(0);
        QCoreApplication::processEvents();
        for (Device& d : devices_)
            if (d.sim->plugged())
                d.sim->pump(50);
        w.reset();
        section(QStringLiteral("closed"));
    }

    void compare(const QString& name)
    {
        text_ += QStringLiteral("## messages\n") + prompt.texts().join(QLatin1Char('\n')) + QLatin1Char('\n');
        const QString path = QStringLiteral(QL_GOLDEN_DIR "/") + name + QStringLiteral(".txt");
        const QByteArray now = text_.toUtf8();
        if (qEnvironmentVariableIntValue("QL_UPDATE_GOLDEN") == 1) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(now);
            return;
        }
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "no transcript " << path.toStdString();
        const QStringList want = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        const QStringList got = text_.split(QLatin1Char('\n'));
        for (int i = 0; i < std::max(want.size(), got.size()); ++i) {
            if (want.value(i) != got.value(i)) {
                ADD_FAILURE() << name.toStdString() << " differs at line " << i + 1 << "\n  golden: "
                              << want.value(i).toStdString() << "\n  now:    " << got.value(i).toStdString();
                return;
            }
        }
    }

    std::vector<Device> devices_;
    QString text_;
    double deviceSeconds_ = 1.0;
};

const QByteArray kAutoSave = "[AUTO]\r\nSAVE=True\r\n";

} // namespace

INSTANTIATE_TEST_SUITE_P(Locales, Transcript,
                         ::testing::Values(UserLocaleCase{"C.UTF-8", "C", '.'},
                                           UserLocaleCase{"de_DE.UTF-8", "de_DE", ','},
                                           UserLocaleCase{"de_DE.UTF-8", "de_DE_point", '.'},
                                           UserLocaleCase{"fr_FR.UTF-8", "fr_FR", ','}),
                         [](const ::testing::TestParamInfo<UserLocaleCase>& info) { return info.param.label; });

// Connect, identify, start with typed values, set, stop with the run's end
// and its automatic data file, monitor without a run, Save Data, disconnect.
TEST_P(Transcript, SingleChannelRun)
{
    QL_UNDER_LOCALE(locale, QString::fromLatin1(GetParam().name));
    DeviceSim dev(11, 300);
    plug(dev, 3);
    auto w = open(kAutoSave);
    const auto& u = inside(w).slot(0).Panel->ui();
    connectSlot(*w, 0, 3);
    mark(*w, "connect and identify");

    u.cmbMode->setCurrentIndex(0);
    emit u.cmbMode->activated(0);
    typeInto(u.txtSval, typed("1.5"));
    typeInto(u.txtSlmt, typed("3.00"));
    typeInto(u.txtStim, typed("0"));
    u.cmdRun->click();
    mark(*w, "start 1.5 A to 3.00 V");
    seconds(*w, 4);
    mark(*w, "four seconds");

    typeInto(u.txtSval, typed("2.00"));
    u.cmdSet->click();
    seconds(*w, 3);
    mark(*w, "set 2.00 A, three seconds");

    u.cmdStop->click();
    seconds(*w, 2);
    mark(*w, "stop");

    u.cmdMonitor->click();
    seconds(*w, 3);
    mark(*w, "monitor");

    prompt.fileAnswer = home() + "/saved";
    inside(w).action("menuSaveData")->trigger();
    mark(*w, "save data");

    u.cmdConn->click();
    mark(*w, "disconnect");
    files("at the end");
    closeAnswering(w, {});
    compare(QStringLiteral("single_channel_run"));
}

// A run closed mid-way with its device stopped, its record cut in the middle
// of a row, then continued in a new window twice.
TEST_P(Transcript, ContinueInNewWindows)
{
    QL_UNDER_LOCALE(locale, QString::fromLatin1(GetParam().name));
    DeviceSim dev(11, 300);
    plug(dev, 3);
    {
        auto w = open();
        const auto& u = inside(w).slot(0).Panel->ui();
        connectSlot(*w, 0, 3);
        typeInto(u.txtSval, typed("1.50"));
        typeInto(u.txtSlmt, typed("3.00"));
        u.cmdRun->click();
        seconds(*w, 4);
        mark(*w, "first window: start and four seconds");
        closeAnswering(w, {ql::Prompter::IdOk, ql::Prompter::IdOk});
    }
    files("after the first window");
    // A row cut short, as a crash leaves it.
    const QStringList baks = QDir(home()).entryList({QStringLiteral("ql-*.bak")}, QDir::Files);
    ASSERT_EQ(baks.size(), 1);
    {
        QFile f(home() + "/" + baks[0]);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("9\t1.5");
    }
    for (int round = 1; round <= 2; ++round) {
        auto w = open();
        const auto& u = inside(w).slot(0).Panel->ui();
        connectSlot(*w, 0, 3);
        typeInto(u.txtSval, typed("1.50"));
        typeInto(u.txtSlmt, typed("3.00"));
        u.cmdCont->click();
        seconds(*w, 3);
        mark(*w, QStringLiteral("window %1: continue and three seconds").arg(round + 1));
        closeAnswering(w, {ql::Prompter::IdOk, ql::Prompter::IdOk});
        files(QStringLiteral("after window %1").arg(round + 1));
    }
    compare(QStringLiteral("continue_in_new_windows"));
}

// A run going on the device before the program connects is taken up, and a
// two-channel device runs both channels to their stops.
TEST_P(Transcript, RunFoundGoingAndTwoChannels)
{
    QL_UNDER_LOCALE(locale, QString::fromLatin1(GetParam().name));
    DeviceSim one(11, 300), two(18, 300);
    plug(one, 3);
    plug(two, 6);
    one.reportRun(0, 0, 150, 320);
    auto w = open(kAutoSave);
    w->menuAddDev_Click();
    connectSlot(*w, 0, 3);
    connectSlot(*w, 1, 6);
    mark(*w, "connect both");
    seconds(*w, 3);
    mark(*w, "the run found going, three seconds");

    const auto& u = inside(w).slot(1).Panel->ui();
    typeInto(u.txtSval2S[0], typed("1.00"));
    typeInto(u.txtSlmt2S[0], typed("3.20"));
    typeInto(u.txtSval2S[1], typed("0.50"));
    typeInto(u.txtSlmt2S[1], typed("3.10"));
    u.optChn2->setChecked(true);  // both channels
    u.cmdRun2S->click();
    seconds(*w, 3);
    mark(*w, "both channels started, three seconds");
    u.optChn1->setChecked(true);  // channel 2
    u.cmdStop2S->click();
    second(*w);
    mark(*w, "channel 2 stopped");
    u.optChn0->setChecked(true);  // channel 1
    second(*w);  // its next reply offers Stop again
    u.cmdStop2S->click();
    inside(w).slot(0).Panel->ui().cmdStop->click();
    seconds(*w, 2);
    mark(*w, "every channel stopped");
    files("at the end");
    closeAnswering(w, {});
    compare(QStringLiteral("run_found_going_and_two_channels"));
}

// The auto test steps the load and saves its results; a step program is
// saved, opened again and run; parameter files are saved and loaded.
TEST_P(Transcript, SequencesAndParameterFiles)
{
    QL_UNDER_LOCALE(locale, QString::fromLatin1(GetParam().name));
    DeviceSim dev(11, 300);
    plug(dev, 3);
    auto w = open();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    const auto& u = p->ui();
    connectSlot(*w, 0, 3);
    mark(*w, "connect");

    chooseText(u.cmbC1Auto, "1.0");
    chooseText(u.cmbC2Auto, "2.0");
    chooseText(u.cmbStepAuto, "0.5");
    chooseText(u.cmbTimeAuto, "2");
    u.optAutoSec->setChecked(true);
    typeInto(u.txtVolAuto, typed("2.50"));
    QStringList shown;  // the set field as the auto test steps it
    const QMetaObject::Connection watch =
        QObject::connect(u.txtSval, &QLineEdit::textChanged, [&](const QString& t) { shown << t; });
    u.cmdStartAuto->click();
    for (int i = 0; i < 20 && inside(w).autoTest().at(0).AutoOn; ++i)
        second(*w);
    ASSERT_FALSE(inside(w).autoTest().at(0).AutoOn);
    QObject::disconnect(watch);
    shown.removeDuplicates();
    EXPECT_EQ(shown, (QStringList{"1.00", "1.50", "2.00"}));
    seconds(*w, 1);
    mark(*w, "auto test");
    prompt.fileAnswer = home() + "/auto";
    u.cmdSave->click();

    bool edited = false;
    QTimer::singleShot(0, w.get(), [&] {
        ql::frmSet* dlg = shownWindow<ql::frmSet>();
        if (!dlg)
            return;
        auto step = [&](int kind, const QString& set, const QString& lmt, const QString& third) {
            return enterStep(*dlg, kind, set, lmt, third);
        };
        const int wait = dlg->cmbMode->findText("Wait");
        edited = wait > 0 && step(0, typed("1.00"), typed("2.50"), typed("0.05")) &&
                 step(wait, "", "", typed("0.03")) && step(0, typed("2.00"), typed("2.50"), typed("0.05"));
        dlg->cmdOK->click();
    });
    u.cmdSetStep->click();
    ASSERT_TRUE(edited);
    prompt.fileAnswer = home() + "/prog";
    u.cmdSaveStep->click();
    ASSERT_TRUE(settleDisk());
    u.cmdClearStep->click();
    prompt.fileAnswer = home() + "/prog.stp";
    u.cmdOpenStep->click();
    deviceSeconds_ = 30;  // a step's 0.05 Ah at 1 A in six ticks
    u.cmdStartStep->click();
    for (int i = 0; i < 40 && inside(w).stepTest().at(0).StepOn; ++i)
        second(*w);
    EXPECT_FALSE(inside(w).stepTest().at(0).StepOn);
    mark(*w, "step test");
    text_ += QStringLiteral("## step results\n");
    for (int r = 1; r < p->StepListCnt(); ++r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << p->tStepList(r, c);
        text_ += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
    }
    deviceSeconds_ = 1;

    typeInto(u.txtSval, typed("1.25"));
    typeInto(u.txtSlmt, typed("2.75"));
    prompt.fileAnswer = home() + "/params";
    inside(w).action("menuSaveCfg")->setEnabled(true);
    inside(w).action("menuSaveCfg")->trigger();
    ASSERT_TRUE(settleDisk());
    typeInto(u.txtSval, typed("3.00"));
    prompt.fileAnswer = home() + "/params.cfg";
    inside(w).action("menuOpenCfg")->setEnabled(true);
    inside(w).action("menuOpenCfg")->trigger();
    text_ += QStringLiteral("## fields after loading the parameters\n") + p->tSval(0) + QLatin1Char(' ') +
             p->tSlmt(0) + QLatin1Char(' ') + p->tStim(0) + QLatin1Char('\n');
    u.cmdRun->click();
    seconds(*w, 2);
    u.cmdStop->click();
    seconds(*w, 1);
    mark(*w, "a run from the loaded parameters");
    files("at the end");
    closeAnswering(w, {});
    compare(QStringLiteral("sequences_and_parameter_files"));
}
