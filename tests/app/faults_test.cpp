// The whole program under faults a user meets: a disk that takes no more,
// a program killed mid-run, an adapter pulled out and put back.
#include "apptest.h"

#include "../sim/devsim.h"
#include "link/recordfile.h"
#include "link/runrecord.h"
#include "link/runtrack.h"
#include "controls/curvegraph.h"
#include "platform/services.h"
#include "testutil.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

using qltest::FileSizeLimit;

// The rows of a live record (the lines after its six header lines).
QStringList recordRows(const QString& path) { return fileLines(path).mid(6); }

// A record without its first line, the banner (a superseded record keeps
// everything else).
QByteArray afterBanner(const QByteArray& record) { return record.mid(record.indexOf('\n') + 1); }

// While it lives, what the process writes to standard error goes into a
// pipe instead (as much as the pipe holds), read back by text().
class StderrCapture {
public:
    StderrCapture()
    {
        if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
            return;
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(pipe_[1], STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        if (pipe_[0] >= 0)
            ::close(pipe_[0]);
    }
    QByteArray text()
    {
        restore();
        QByteArray out;
        char buf[4096];
        ssize_t n = 0;
        while (pipe_[0] >= 0 && (n = ::read(pipe_[0], buf, sizeof buf)) > 0)
            out.append(buf, n);
        return out;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        ::close(pipe_[1]);
        saved_ = -1;
    }
    int pipe_[2] = {-1, -1};
    int saved_ = -1;
};

class Faults : public DeviceAppTest {
protected:
    // Runs slot 0's device at 1 A down to 3 V until its record holds rows.
    void runUntilRows(ql::frmMain& w, int rows)
    {
        startRun(w, "1.00", "3.00");
        ASSERT_TRUE(waitFor([&] { return recordRows(recordOf(w)).size() >= rows; }));
    }
    // Stop, and waits until the device stopped too.
    void stopBoth(ql::frmMain& w)
    {
        stopRun(w);
        ASSERT_TRUE(waitFor([&] { return !dev.channel(0).running; }));
    }
    // A first run of slot 0, recorded and stopped: its record's bytes.
    QByteArray earlierRun(ql::frmMain& w)
    {
        runUntilRows(w, 3);
        stopBoth(w);
        return fileBytes(recordOf(w));
    }

    DeviceSim dev{11, 300};  // on COM3
};

} // namespace

// A new run whose record cannot be created (the disk is full at its start)
// says so, and its rows never land in the previous run's record: that
// record keeps its rows, marked superseded, until the new one can be
// written, and then holds the new run alone.
TEST_F(Faults, ANewRunWhoseRecordCannotBeCreatedLeavesThePreviousRecordAlone)
{
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    const auto& u = s.Panel->ui();
    const QString record = recordOf(*w);
    const QByteArray previous = earlierRun(*w);
    const int fixed = s.lstInfo->count();

    {
        FileSizeLimit full(64);  // no room for the new header
        u.cmdRun->click();
    }
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    ASSERT_GT(s.lstInfo->count(), fixed);
    EXPECT_EQ(s.lstInfo->item(fixed)->text(), " Device1: Record write failed");

    // Room again: the new run's record replaces the previous one, header
    // first, and holds only the new run's rows.
    ASSERT_TRUE(waitFor([&] {
        return fileLines(record).value(0) == ql::RecordBanner() &&
               afterBanner(fileBytes(record)) != afterBanner(previous) && recordRows(record).size() >= 2;
    }));
    const QStringList lines = fileLines(record);
    EXPECT_EQ(lines.value(0), ql::RecordBanner());
    EXPECT_EQ(lines.filter(ql::RecordBanner()).size(), 1);
    int prev = -1;
    for (const QString& row : recordRows(record)) {
        const int t = row.split('\t').value(0).toInt();
        EXPECT_GE(t, prev) << row.toStdString();
        prev = t;
    }
    // Said once the record has its name and takes rows again.
    EXPECT_TRUE(waitFor([&] { return s.lstInfo->item(s.lstInfo->count() - 1)->text() == " Device1: Record write OK"; }));
    closeWindow(*w);
    dev.stop();
}

// The disk stays full for the whole of the new run: nothing of it is
// written, and a continue after it finds no record of it, so it neither
// takes up the earlier run's rows nor adds to them. The earlier record
// keeps its rows; its banner marks it superseded.
TEST_F(Faults, AContinueAfterARunWhoseRecordWasNeverWrittenLeavesTheEarlierRecordAlone)
{
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    const auto& u = s.Panel->ui();
    const QString record = recordOf(*w);
    const QByteArray previous = earlierRun(*w);
    {
        FileSizeLimit full(64);
        u.cmdRun->click();
        ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 3; }));
        stopBoth(*w);
    }
    EXPECT_EQ(fileLines(record).value(0), ql::SupersededBanner());
    EXPECT_TRUE(afterBanner(fileBytes(record)) == afterBanner(previous)) << "the earlier record's rows changed";
    dev.clearRecorded();
    const int points = int(runCurve(w, 0).size());
    u.cmdCont->click();
    ASSERT_TRUE(waitFor([&] { return dev.sent().size() >= 5 * 19; }));  // five replies later
    EXPECT_TRUE(dev.received().isEmpty());  // no continue frame
    EXPECT_EQ(int(runCurve(w, 0).size()), points);  // the earlier run's rows not loaded
    EXPECT_TRUE(afterBanner(fileBytes(record)) == afterBanner(previous)) << "the earlier record's rows changed";
    closeWindow(*w);
    dev.stop();
}

// The same across a restart, which forgets that the new run's record was
// never written: the program is closed (as good as killed) while that run
// goes on, started again, and connected to the device still running it.
// The connect does not take the run up from the earlier run's record, and
// the new run's rows never land there.
TEST_F(Faults, AfterARestartARunWhoseRecordWasNeverWrittenIsNotContinuedInTheEarlierRecord)
{
    QString record;
    QByteArray previous;
    {
        auto w = connectedWindow(dev, 3);
        ASSERT_TRUE(w);
        record = recordOf(*w);
        previous = earlierRun(*w);
        FileSizeLimit full(64);  // till the program is gone: no record of the new run
        inside(w).slot(0).Panel->ui().cmdRun->click();
        ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).RunSecs.load() >= 3; }));
        prompt.answers = {ql::Prompter::IdOk, ql::Prompter::IdCancel};  // close, and keep the run going
        ASSERT_TRUE(w->close());
        ASSERT_TRUE(waitFor([&] { return !dev.connected(); }));
    }
    ASSERT_TRUE(dev.channel(0).running);
    ASSERT_TRUE(afterBanner(fileBytes(record)) == afterBanner(previous));

    auto w = startWindow();
    connectDevice(*w, 0, dev, 3);
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    dev.clearRecorded();
    ASSERT_TRUE(waitFor([&] { return dev.sent().size() >= 8 * 19; }));  // eight replies later
    EXPECT_TRUE(framesOf(dev, 0x08).isEmpty());  // no continue frame
    EXPECT_TRUE(afterBanner(fileBytes(record)) == afterBanner(previous)) << "the earlier record's rows changed";
    EXPECT_EQ(errorLog().filter("[ErrCont]" + record + ": an earlier run's record").size(), 1)
        << errorLog().join('\n').toStdString();
    closeWindow(*w);
    dev.stop();
}

// A run's automatic data file that cannot be written (a folder stands
// where it would go) is shown in the information list like a failing
// record; the log line of it goes to standard error when the error log
// cannot be written either.
TEST_F(Faults, AnAutomaticDataFileThatCannotBeWrittenIsShownAndLogged)
{
    writeIni("[AUTO]\r\nSAVE=True\r\n");
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    inside(w).tracker().now = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
    const QString name = inside(w).tracker().AutoDataFileName(0, 0);
    ASSERT_TRUE(QDir().mkpath(name));
    ASSERT_TRUE(QDir().mkpath(ql::ErrLogPath(QDate::currentDate())));
    runUntilRows(*w, 3);
    const int fixed = s.lstInfo->count();
    StderrCapture err;
    stopBoth(*w);
    ASSERT_TRUE(settleDisk());
    const QByteArray stderrText = err.text();
    ASSERT_EQ(s.lstInfo->count(), fixed + 1);
    EXPECT_EQ(s.lstInfo->item(fixed)->text(), " Device1: Data file write failed");
    EXPECT_TRUE(stderrText.contains(":[ErrSaveData]" + QFile::encodeName(name) + ": ")) << stderrText.toStdString();
    closeWindow(*w);
    dev.stop();
}

// Rows that could not be brought to the disk when the record is let go of
// (the last sync fails, as with a disk that filled up behind delayed
// writes) are a failed record, whether the run ends or the adapter is
// pulled out: the log has the cause once, and at a run's end the
// information list says so.
TEST_F(Faults, ARecordWhoseLastSyncFailsIsReported)
{
    for (const bool unplugged : {false, true}) {
        SCOPED_TRACE(unplugged ? "unplugged" : "stopped");
        DeviceSim one(11, 300);
        auto w = connectedWindow(one, unplugged ? 4 : 3);
        ASSERT_TRUE(w);
        ql::SlotView& s = inside(w).slot(0);
        ql::RecordFiles& records = inside(w).tracker().records;
        records.setSyncPeriod(std::chrono::hours(1));  // rows after the first wait for the end
        const int fixed = s.lstInfo->count();
        runUntilRows(*w, 3);
        ASSERT_EQ(s.lstInfo->count(), fixed);
        const QString record = ql::RunRecord::PathOf(inside(w).tracker().RecordBase(0, 0));
        ASSERT_TRUE(qltest::heldOpen(record));
        const int cause = unplugged ? EIO : ENOSPC;
        records.syncFile = [cause](int) {
            errno = cause;
            return -1;
        };
        if (unplugged) {
            one.unplug();
            ASSERT_TRUE(waitFor([&] { return !s.Panel->Conn(); }));
            ASSERT_TRUE(settleDisk());
        } else {
            stopRun(*w);
            ASSERT_TRUE(settleDisk());
            ASSERT_EQ(s.lstInfo->count(), fixed + 1);
            EXPECT_EQ(s.lstInfo->item(fixed)->text(), " Device1: Record write failed");
        }
        EXPECT_FALSE(qltest::heldOpen(record));
        const QStringList log = errorLog().filter("[ErrData]");
        const QString line = "]0 " + record + ": " + QString::fromLocal8Bit(std::strerror(cause));
        EXPECT_EQ(std::count_if(log.begin(), log.end(), [&](const QString& l) { return l.endsWith(line); }), 1)
            << log.join('\n').toStdString();
        closeWindow(*w);
    }
}

// A log line cut off by a full disk stays a line of its own: the next one
// starts on a fresh line and can be read whole.
TEST_F(Faults, ALogLineCutOffByAFullDiskLeavesTheNextLineWhole)
{
    auto w = makeWindow();
    {
        FileSizeLimit full(40);
        ql::ErrLog(QStringLiteral("ErrData"), QStringLiteral("a line longer than the disk has room for"));
    }
    ql::ErrLog(QStringLiteral("ErrComm"), QStringLiteral("COM3: the next line"));
    const QStringList log = errorLog();
    ASSERT_EQ(log.size(), 2) << log.join('\n').toStdString();
    EXPECT_TRUE(log[1].endsWith(":[ErrComm]COM3: the next line")) << log[1].toStdString();
    EXPECT_TRUE(log[1].startsWith(QDate::currentDate().toString("yyyy"))) << log[1].toStdString();
    closeWindow(*w);
}
