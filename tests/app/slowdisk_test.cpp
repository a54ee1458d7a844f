// The whole program on a disk that holds its callers up: a settings lock
// another program holds (or a folder in the lock's place), syncs and
// renames that do not end while the disk is held, and a program folder that
// takes no write at all. The window keeps answering, the device's replies
// keep coming in with their own seconds, what could not be saved is told as
// ever once it is known, and a record is only taken up by its own run.
#include "apptest.h"

#include "../sim/devsim.h"
#include "../views/scratchfile.h"
#include "app/smalldialogs.h"
#include "link/runrecord.h"
#include "panel/devctrl.h"
#include "panel/stepedit.h"
#include "platform/diskqueue.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "views/dataviewer.h"
#include "views/frmshow.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <thread>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace qltest;
using namespace std::chrono_literals;
using ql::sim::DeviceSim;

namespace {

// How late the interface thread answers: a timer on it notes the longest
// time between two of its ticks.
class Lateness {
public:
    Lateness()
    {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
        timer_.start(10);
    }
    qint64 worstMs() const { return worst_; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0, worst_ = 0;
};

// The run seconds of a record's rows.
QList<int> rowSeconds(const QString& path)
{
    QList<int> out;
    for (const QString& line : fileLines(path).mid(6))
        if (!line.isEmpty() && line.at(0).isDigit())
            out << line.section('\t', 0, 0).toInt();
    return out;
}

// The longest step between two rows' seconds: a row that waited for the
// interface thread carries a later second than its reply.
int widestStep(const QList<int>& secs)
{
    int widest = 0;
    for (qsizetype i = 1; i < secs.size(); ++i)
        widest = std::max(widest, secs[i] - secs[i - 1]);
    return widest;
}

// Another program holding the settings lock: a child process that took it
// and sleeps until it is killed.
class LockHolder {
public:
    explicit LockHolder(const QString& ini)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ql::profile::whileLocked(ini, [&](QString*) {
                (void)!::write(ready[1], "x", 1);
                ::pause();
                return true;
            });
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte = 0;
        held_ = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~LockHolder() { release(); }
    bool held() const { return held_; }
    void release()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

constexpr int kTickMs = 20;     // a run second in the tests' timings
constexpr int kAnswerMs = 500;  // the longest the window may take to answer
constexpr int kWidestStep = kAnswerMs / kTickMs;

class SlowDisk : public DeviceAppTest {
protected:
    // Software Setting with Auto Save switched on, and OK.
    void switchesOk(ql::frmMain& w)
    {
        inside(w).action("menuSwSet")->trigger();
        ql::frmSw* dlg = inside(w).switchWindow();
        ASSERT_TRUE(dlg);
        dlg->chkAuto->setChecked(true);
        dlg->cmdOK->click();
    }
    // Display Setting and OK, answered while it is shown.
    void displayOk(ql::frmMain& w)
    {
        QTimer::singleShot(0, [] {
            if (auto* dlg = shownWindow<ql::frmShow>())
                dlg->cmdOK_Click();
        });
        inside(w).action("menuShow")->trigger();
    }

    // An earlier 2.00 A run of dev's first channel, stopped with rows in
    // its record, which is on the disk: the record's path.
    QString earlierRun(ql::frmMain& w)
    {
        const QString record = recordOf(w);
        startRun(w, "2.00", "3.00");
        EXPECT_TRUE(waitFor([&] { return fileLines(record).size() >= 6 + 5; }));
        stopRun(w);
        EXPECT_TRUE(settleDisk());
        return record;
    }

    DeviceSim dev{11, 300};  // on COM3
};

}  // namespace

// A settings lock that cannot be had: another program holds it, or a folder
// stands where it would be. Connect, the temperature entry, Software Setting
// and Display Setting each wait for it on the settings queue, never on the
// window: it answers, the run started meanwhile keeps its rows' seconds, and
// each change is in force at once. The saves that could not be made are
// told as failed saves; once the lock is free the next change is written.
TEST_F(SlowDisk, AHeldSettingsLockFreezesNothingAndFailsItsSaves)
{
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder named ql.ini.lock" : "another program holds the lock");
        DeviceSim one(11, 300);
        ASSERT_TRUE(plug(one, folder ? 4 : 3));
        auto w = startWindow();
        ASSERT_TRUE(settleDisk());  // ql.ini made
        ql::settings().LockWait = 1000;
        const QString ini = ql::SettingsFile();
        const QString lockPath = ini + ".lock";
        std::unique_ptr<LockHolder> holder;
        if (folder) {
            ASSERT_TRUE(QDir().mkpath(lockPath));
        } else {
            holder = std::make_unique<LockHolder>(ini);
            ASSERT_TRUE(holder->held());
        }
        const QString before = iniText();
        const qsizetype logged = errorLog().size();
        prompt.messages.clear();
        Lateness late;

        connectDevice(*w, 0, one, folder ? 4 : 3);
        inside(w).action("menuTemp")->trigger();
        switchesOk(*w);
        displayOk(*w);
        startRun(*w, "1.00", "3.00");          // while the changes wait for the lock
        EXPECT_TRUE(ql::settings().AutoSave);  // in force at once
        EXPECT_TRUE(inside(w).link().TempColumn);
        // Four changes, each given up after the lock wait.
        ASSERT_TRUE(waitFor([&] { return prompt.texts().size() >= 2; }, 20000));
        ASSERT_TRUE(settleDisk());
        EXPECT_EQ(prompt.texts(), (QStringList{"Cannot save file!", "Cannot save file!"}));
        EXPECT_LT(late.worstMs(), kAnswerMs);
        EXPECT_EQ(iniText(), before);
        EXPECT_TRUE(ql::settings().AutoSave);
        const QStringList failed = errorLog().mid(logged).filter("[ErrIni]");
        for (const char* key : {"[COMM] PORT", "[AUTO] TEMP", "[AUTO] SAVE", "[DATA] LINE"})
            EXPECT_EQ(failed.filter(key).size(), 1) << key << "\n" << failed.join('\n').toStdString();
        stopRun(*w);
        const QList<int> secs = rowSeconds(recordOf(*w));
        ASSERT_GE(secs.size(), 10);
        EXPECT_LE(widestStep(secs), kWidestStep);

        // Free again: the next change is written, and what was in force
        // stays so.
        if (holder)
            holder->release();
        else
            ASSERT_TRUE(QDir(lockPath).removeRecursively());
        inside(w).action("menuTemp")->trigger();
        ASSERT_TRUE(settleDisk());
        EXPECT_EQ(ql::ReadIni(ini, "AUTO", "TEMP", ""), "False");
        EXPECT_TRUE(errorLog().filter("input comes faster").isEmpty());
        closeWindow(*w);
        one.stop();
        ql::settings().LockWait = ql::profile::kLockWaitMs;
    }
}

// Syncs and renames that do not end while the disk is held: the settings
// saved by Connect, the record's header and its syncs, the automatic data
// file at the run's end and File > Save Data all wait on their queues. The
// window answers throughout and the run's rows keep their seconds; once the
// disk lets go every file is there, whole.
TEST_F(SlowDisk, ASlowDiskFreezesNothingAndEveryFileLandsWhenItLetsGo)
{
    writeIni("[AUTO]\r\nSAVE=True\r\n");
    ASSERT_TRUE(plug(dev, 3));
    auto w = startWindow();
    auto disk = std::make_unique<HeldDisk>();
    Lateness late;
    connectDevice(*w, 0, dev, 3);
    startRun(*w, "1.00", "3.00");
    const QString record = recordOf(*w);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 40; }));
    ASSERT_GT(disk->waiting(), 0);  // something waits on the disk
    stopRun(*w);
    prompt.fileAnswer = home() + "/mine";
    inside(w).action("menuSaveData")->trigger();
    EXPECT_LT(late.worstMs(), kAnswerMs);
    EXPECT_FALSE(QFileInfo::exists(home() + "/mine.csv"));  // still on its way

    disk->release();
    ASSERT_TRUE(settleDisk());
    disk.reset();
    EXPECT_EQ(ql::ReadIni(ql::SettingsFile(), "COMM", "PORT1", ""), "3");
    const QList<int> secs = rowSeconds(record);
    ASSERT_GE(secs.size(), 10);
    EXPECT_LE(widestStep(secs), kWidestStep);
    EXPECT_GE(secs.last(), 40);
    EXPECT_EQ(fileLines(record).value(0), ql::RecordBanner());
    const QStringList data = QDir(home() + "/Data").entryList(QDir::Files);
    ASSERT_EQ(data.size(), 1);
    EXPECT_EQ(fileLines(home() + "/mine.csv"), fileLines(home() + "/Data/" + data[0]));
    EXPECT_TRUE(prompt.texts().filter("Cannot save").isEmpty());
    EXPECT_TRUE(errorLog().filter("input comes faster").isEmpty());  // no reply was lost
    EXPECT_TRUE(QDir(home()).entryList({"*.XXXXXX", "ql-*.bak.*"}, QDir::Files).isEmpty());
    closeWindow(*w);
    dev.stop();
}

// File > Exit on a slow disk ends the program once the pending writes are
// done; on a disk that does not let go it ends after a bounded wait, which
// the error log tells of.
TEST_F(SlowDisk, ExitWaitsForPendingWritesForABoundedTime)
{
    writeIni("[AUTO]\r\nSAVE=True\r\n");
    for (const bool lets_go : {true, false}) {
        SCOPED_TRACE(lets_go ? "slow disk" : "held disk");
        DeviceSim one(11, 300);
        ASSERT_TRUE(plug(one, lets_go ? 3 : 4));
        ql::MainOptions options = FastOptions();
        options.exitWait = lets_go ? 20s : 300ms;
        auto w = startWindow(options);
        connectDevice(*w, 0, one, lets_go ? 3 : 4);
        ASSERT_TRUE(settleDisk());
        startRun(*w, "1.00", "3.00");
        ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 5; }));
        std::unique_ptr<HeldDisk> disk;
        if (lets_go)  // each step of the disk takes a while
            ql::SetDiskDelay([](const char*) { std::this_thread::sleep_for(50ms); });
        else
            disk = std::make_unique<HeldDisk>();
        stopRun(*w);
        const int before = QDir(home() + "/Data").entryList(QDir::Files).size();
        QElapsedTimer clock;
        clock.start();
        closeWindow(*w);
        if (lets_go) {
            // Closed, and the run's data file and record are on the disk.
            EXPECT_EQ(QDir(home() + "/Data").entryList(QDir::Files).size(), before + 1);
            EXPECT_TRUE(errorLog().filter("[ErrExit]").isEmpty());
        } else {
            EXPECT_LT(clock.elapsed(), 5000);
            EXPECT_EQ(errorLog().filter("[ErrExit]").size(), 1) << errorLog().join('\n').toStdString();
            EXPECT_EQ(QDir(home() + "/Data").entryList(QDir::Files).size(), before);
        }
        disk.reset();
        ql::SetDiskDelay({});
        ASSERT_TRUE(settleDisk());
        one.stop();
    }
}

// A program folder made read-only (a read-only bind mount, as a user makes
// one): a new run's record cannot be made and the earlier run's record cannot
// be marked. The program is closed while that run goes on and
// started again on a folder that takes writes: the connect does not take
// the run up from the earlier run's record, which keeps its rows.
TEST_F(SlowDisk, ARecordAnotherRunLeftIsNotTakenUpAfterARestart)
{
    QString record;
    QByteArray earlier;
    {
        auto w = connectedWindow(dev, 3);
        ASSERT_TRUE(w);
        record = earlierRun(*w);
        ASSERT_FALSE(HasFailure());
        earlier = fileBytes(record);
        {
            QL_READ_ONLY_FOLDER(readOnly, home());  // till the program is gone
            ASSERT_FALSE(QFile(home() + "/written").open(QIODevice::WriteOnly)) << "the folder takes writes";
            startRun(*w, "1.00", "3.00");
            ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 3; }));
            ASSERT_TRUE(settleDisk());
            prompt.answers = {ql::Prompter::IdOk, ql::Prompter::IdCancel};  // close, and keep the run going
            ASSERT_TRUE(w->close());
            ASSERT_TRUE(waitFor([&] { return !dev.connected(); }));
            ASSERT_TRUE(settleDisk());
        }
        ASSERT_TRUE(fileBytes(record) == earlier) << "the earlier record was changed";
    }
    ASSERT_TRUE(dev.channel(0).running);

    auto w = startWindow();
    connectDevice(*w, 0, dev, 3);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    dev.clearRecorded();
    ASSERT_TRUE(waitFor([&] { return dev.sent().size() >= 8 * 19; }));  // eight replies later
    EXPECT_TRUE(framesOf(dev, 0x08).isEmpty());                         // no continue frame
    ASSERT_TRUE(settleDisk());
    EXPECT_TRUE(fileBytes(record) == earlier) << "the earlier record took the new run's rows";
    EXPECT_EQ(errorLog().filter("[ErrCont]" + record + ": another run's record").size(), 1)
        << errorLog().join('\n').toStdString();
    closeWindow(*w);
    dev.stop();
}

// The runs a record is theirs still take it up after a restart: one whose
// set value was adjusted (the device reports the adjusted value), and a
// second run with the same mode and values that replaced the first run's
// record.
TEST_F(SlowDisk, ItsOwnRunTakesTheRecordUpAfterARestart)
{
    for (const bool adjusted : {true, false}) {
        SCOPED_TRACE(adjusted ? "adjusted" : "a second run alike");
        DeviceSim one(11, 300);
        const int port = adjusted ? 3 : 4;
        QString record;
        {
            auto w = connectedWindow(one, port);
            ASSERT_TRUE(w);
            record = recordOf(*w);
            const auto& u = inside(w).slot(0).Panel->ui();
            startRun(*w, "1.00", "3.00");
            if (adjusted) {
                typeInto(u.txtSval, "1.50");
                u.cmdSet->click();
                ASSERT_TRUE(waitFor([&] { return one.channel(0).setRaw == 150; }));
            } else {
                ASSERT_TRUE(waitFor([&] { return fileLines(record).size() >= 6 + 3; }));
                stopRun(*w);
                startRun(*w, "1.00", "3.00");
            }
            ASSERT_TRUE(waitFor([&] {
                const QStringList rows = fileLines(record).mid(6);
                return rows.size() >= 3 &&
                       std::abs(rows.last().section('\t', 1, 1).toDouble() - (adjusted ? 1.5 : 1.0)) < 0.011;
            }));
            prompt.answers = {ql::Prompter::IdOk, ql::Prompter::IdCancel};
            ASSERT_TRUE(w->close());
            ASSERT_TRUE(waitFor([&] { return !one.connected(); }));
            ASSERT_TRUE(settleDisk());
        }
        const int rows = fileLines(record).size();
        auto w = startWindow();
        one.clearRecorded();
        connectDevice(*w, 0, one, port);
        ASSERT_TRUE(waitFor([&] { return !framesOf(one, 0x08).isEmpty(); }));  // continued
        ASSERT_TRUE(waitFor([&] { return fileLines(record).size() > rows + 2; }));
        EXPECT_TRUE(errorLog().filter("[ErrCont]").isEmpty()) << errorLog().join('\n').toStdString();
        closeWindow(*w);
        one.stop();
    }
}

// Stop and Continue while the disk still holds the new run's record under
// its temporary name: the continue takes it up there and the run goes on
// in it; once the disk lets go the record holds that run's rows alone, in
// order, and nothing is left under the temporary name.
TEST_F(SlowDisk, AContinueWhileTheNewRecordWaitsForItsRenameGoesOnInIt)
{
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const QString record = earlierRun(*w);
    ASSERT_FALSE(HasFailure());
    const QString pending = ql::RunRecord::PendingPathOf(record);
    const auto& u = inside(w).slot(0).Panel->ui();
    auto disk = std::make_unique<HeldDisk>();
    startRun(*w, "1.00", "3.00");
    ASSERT_TRUE(waitFor([&] { return fileLines(pending).size() >= 6 + 3; }));
    stopRun(*w);
    dev.clearRecorded();
    ASSERT_TRUE(u.cmdCont->isEnabled());
    u.cmdCont->click();
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x08).isEmpty() && dev.channel(0).running; }));
    const int rowsBefore = fileLines(pending).size();
    ASSERT_TRUE(waitFor([&] { return fileLines(pending).size() >= rowsBefore + 3; }));
    disk->release();
    ASSERT_TRUE(settleDisk());
    disk.reset();
    stopRun(*w);
    ASSERT_TRUE(settleDisk());
    const QStringList lines = fileLines(record);
    ASSERT_GE(lines.size(), rowsBefore + 3);
    QList<int> secs;
    for (const QString& row : lines.mid(6)) {
        secs << row.section('\t', 0, 0).toInt();
        const QString cur = row.section('\t', 1, 1);
        EXPECT_TRUE(cur == "01.00" || cur == "00.00") << row.toStdString();  // the run's, or its stops'
    }
    EXPECT_TRUE(std::is_sorted(secs.begin(), secs.end())) << "rows out of order";
    EXPECT_FALSE(QFileInfo::exists(pending));
    EXPECT_TRUE(errorLog().filter("[ErrCont]").isEmpty()) << errorLog().join('\n').toStdString();
    closeWindow(*w);
    dev.stop();
}

// A new run's record not yet renamed when the program is killed: another
// program (tests/probes/killedrun.cpp) starts a 1.00 A run over an earlier
// 2.00 A record while its disk holds every sync and rename, writes rows and
// is killed. A new window that finds the run going takes up the new record
// under its temporary name, with every row written, and renames it over the
// earlier one: no row of the earlier run is mixed in and no temporary file
// is left.
TEST_F(SlowDisk, AKilledRunsRecordNotYetRenamedIsTakenUpWithEveryRow)
{
    QString record;
    {
        auto w = connectedWindow(dev, 3);
        ASSERT_TRUE(w);
        record = earlierRun(*w);
        ASSERT_FALSE(HasFailure());
        closeWindow(*w);
        ASSERT_TRUE(waitFor([&] { return !dev.connected(); }));
    }
    const QString pending = ql::RunRecord::PendingPathOf(record);
    const QByteArray earlier = fileBytes(record);

    {
        // It inherits QL_HOME, QL_PORTS and the platform; this process's
        // device answers it. Killed at the latest when it goes out of scope.
        QProcess killed;
        killed.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        killed.start(QStringLiteral(QL_KILLEDRUN_PROBE), QStringList());
        ASSERT_TRUE(killed.waitForStarted(10000)) << killed.errorString().toStdString();
        QByteArray said;
        const bool written = waitFor(
            [&] {
                said += killed.readAllStandardOutput();
                return said.contains("rows written\n") || killed.state() == QProcess::NotRunning;
            },
            60000);
        said += killed.readAllStandardOutput();
        ASSERT_TRUE(written && said.contains("rows written\n")) << "the killed program never wrote its rows:\n"
                                                                << said.toStdString();
        killed.kill();
        ASSERT_TRUE(killed.waitForFinished(10000));
        ASSERT_EQ(killed.exitStatus(), QProcess::CrashExit);
    }
    ASSERT_TRUE(fileBytes(record) == earlier) << "renamed before the kill: nothing tested";
    const QStringList written = fileLines(pending);
    ASSERT_GE(written.size(), 6 + 5);
    ASSERT_TRUE(dev.channel(0).running);

    auto w = startWindow();
    dev.clearRecorded();
    connectDevice(*w, 0, dev, 3);
    ASSERT_TRUE(waitFor([&] { return !framesOf(dev, 0x08).isEmpty(); }));  // continued
    ASSERT_TRUE(waitFor([&] { return fileLines(record).size() > written.size() + 2; }));
    ASSERT_TRUE(settleDisk());
    const QStringList now = fileLines(record);
    EXPECT_EQ(now.mid(0, written.size()), written) << "the killed program's lines are not all there";
    for (const QString& row : now.mid(6))
        EXPECT_LT(std::abs(row.section('\t', 1, 1).toDouble() - 1.0), 0.011) << row.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pending));
    EXPECT_TRUE(errorLog().filter("[ErrCont]").isEmpty()) << errorLog().join('\n').toStdString();
    closeWindow(*w);
    dev.stop();
}

// Every other whole-file save of the windows on a held disk: Save Parameter,
// Save Step, the auto test's Save Result, the main window's Save Curve and
// Save Picture, and the viewer's two pictures. Each is made ready on the
// window, which answers while the disk holds them; once it lets go every
// file is whole, a save that failed is told as ever, and the result of a
// window closed meanwhile is dropped.
TEST_F(SlowDisk, EveryWindowsSaveWaitsOnTheQueueNotOnTheWindow)
{
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const auto& u = inside(w).slot(0).Panel->ui();
    editSteps(*w, [](ql::frmSet& dlg) { EXPECT_TRUE(enterStep(dlg, 0, "1.00", "2.50", "0.05")); });
    const ql::StepTable steps = inside(w).link().slot[0].Steps;
    const QString data = home() + "/view.csv";
    writeBytes(data, "Device:x\r\nTitle:x\r\n0,1.00,4.000\r\n1,1.00,3.990\r\n");
    inside(w).tool("opendat")->trigger();
    auto* viewer = qobject_cast<ql::frmData*>(inside(w).otherWindow("frmData"));
    ASSERT_TRUE(viewer);
    prompt.fileAnswer = data;
    viewer->menuOpenData->trigger();
    ASSERT_EQ(viewer->FileCnt(), 1);
    ASSERT_TRUE(settleDisk());
    for (QPushButton* b : {u.cmdSave, u.cmdSaveStep, u.cmdOpenStep})
        b->setEnabled(true);
    for (const char* a : {"menuSaveCfg", "menuSavePic", "menuCapture"})
        inside(w).action(a)->setEnabled(true);
    prompt.messages.clear();
    const qsizetype logged = errorLog().size();

    auto disk = std::make_unique<HeldDisk>();
    Lateness late;
    const auto save = [&](const QString& name, const std::function<void()>& click) {
        prompt.fileAnswer = home() + "/" + name;
        click();
    };
    save("params", [&] { inside(w).action("menuSaveCfg")->trigger(); });
    save("prog", [&] { u.cmdSaveStep->click(); });
    save("no/such/folder/prog", [&] { u.cmdSaveStep->click(); });
    save("result", [&] { u.cmdSave->click(); });
    save("curve", [&] { inside(w).action("menuSavePic")->trigger(); });
    save("picture", [&] { inside(w).action("menuCapture")->trigger(); });
    save("viewcurve", [&] { viewer->menuSavePic->trigger(); });
    save("no/such/folder/viewpic", [&] { viewer->menuCapture->trigger(); });
    ASSERT_TRUE(waitFor([&] { return disk->waiting() > 0; }));
    viewer->close();  // gone before its saves end: their results are dropped
    const QString result = "result." + QString(ql::settings().SaveCsv ? "csv" : "dat");
    const QStringList files{"params.cfg", "prog.stp", result, "curve.bmp", "picture.bmp", "viewcurve.bmp"};
    for (const QString& f : files)
        EXPECT_FALSE(QFileInfo::exists(home() + "/" + f)) << f.toStdString() << " saved while the disk held it";
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_LT(late.worstMs(), kAnswerMs);

    disk->release();
    ASSERT_TRUE(settleDisk());
    disk.reset();
    EXPECT_EQ(prompt.texts(), QStringList{"Cannot save file!"});  // the step file; the viewer's is dropped
    EXPECT_EQ(errorLog().mid(logged).filter("[ErrSaveStep]").size(), 1);
    EXPECT_EQ(fileLines(QDir(ql::ProgramDir()).filePath("ql.log")).filter("[ErrCapture]").size(), 1);  // the viewer's log
    const QStringList cfg = fileLines(home() + "/params.cfg");
    ASSERT_EQ(cfg.size(), 7);
    EXPECT_EQ(cfg.value(2), "T:" + inside(w).link().slot[0].TitleText);
    EXPECT_TRUE(fileLines(home() + "/" + result).value(0).startsWith("Device:"));
    for (const char* pic : {"curve.bmp", "picture.bmp", "viewcurve.bmp"}) {
        const QByteArray bytes = fileBytes(home() + "/" + pic);
        ASSERT_GE(bytes.size(), 6) << pic;
        EXPECT_TRUE(bytes.startsWith("BM")) << pic;
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 2), quint32(bytes.size())) << pic;  // whole
    }
    u.cmdClearStep->click();
    prompt.fileAnswer = home() + "/prog.stp";
    u.cmdOpenStep->click();
    EXPECT_EQ(inside(w).link().slot[0].Steps, steps);
    EXPECT_TRUE(QDir(home()).entryList({"*.XXXXXX"}, QDir::Files).isEmpty());
    closeWindow(*w);
    dev.stop();
}
