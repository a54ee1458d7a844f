// The live records kept open during runs: the bytes, when rows reach the
// disk (on an injected clock, counting syncs), a crash, a failing disk and a
// record replaced or removed under the program.
#include "link/recordfile.h"

#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ql;
using namespace std::chrono_literals;

namespace {

RunRecord::Header header()
{
    RunRecord::Header h;
    h.device = QStringLiteral("QL-R11");
    h.mode = QStringLiteral("D-CC  1.00A  3.00V");
    h.begin = QStringLiteral("4.125V");
    h.columns = RunRecord::ColumnTitles(false, 11);
    return h;
}

const QByteArray kHeader("-----------QL Tester Software------------\r\n"
                         "Device:QL-R11\r\n"
                         "Mode:D-CC  1.00A  3.00V\r\n"
                         "Begin Volt:4.125V\r\n"
                         "------------www.qltester.example--------------\r\n"
                         "Time(S)\tCur(A)\tVol(V)\r\n");

QString row(int t) { return RunRecord::FormatRow(t, 1.0f, 3.7f, 0, 100, false); }

// Records on a clock the test moves, counting the syncs.
struct Files {
    RecordFiles files;
    RecordFiles::Clock::time_point t{std::chrono::hours(1)};
    int syncs = 0;
    int failNextSync = 0;  // errno of the next sync, 0 = it works

    Files()
    {
        files.setSyncPeriod(1000ms);
        files.now = [this] { return t; };
        files.syncFile = [this](int fd) {
            ++syncs;
            if (failNextSync) {
                errno = std::exchange(failNextSync, 0);
                return -1;
            }
            return ::fdatasync(fd);
        };
    }
};

// Runs body in a child process and returns its exit code; the child leaves
// with _exit, as a crash would: nothing is closed, synced or flushed.
int inChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(RecordFiles, RowsAreAppendedByteForByteAsTheOneShotWriterWritesThem)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("kept.bak"));
    const QString once = dir.filePath(QStringLiteral("once.bak"));
    Files f;
    ASSERT_TRUE(f.files.Create(3, 1, kept, header()));
    EXPECT_TRUE(f.files.IsOpen(3, 1));
    ASSERT_TRUE(RunRecord::Create(once, header()));
    for (int t = 0; t < 3; ++t) {
        ASSERT_TRUE(f.files.Append(3, 1, kept, row(t)));
        ASSERT_TRUE(RunRecord::AppendRow(once, row(t)));
    }
    const QByteArray expected = kHeader + "0\t01.00\t3.700\r\n1\t01.00\t3.700\r\n2\t01.00\t3.700\r\n";
    EXPECT_EQ(qltest::fileBytes(kept), expected);  // readable while open
    EXPECT_EQ(qltest::fileBytes(once), expected);
    f.files.Close(3, 1);
    EXPECT_FALSE(f.files.IsOpen(3, 1));
    EXPECT_EQ(qltest::fileBytes(kept), expected);
}

TEST(RecordFiles, ManyRowsInASecondAreSyncedOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    // A hundred rows within one second: the first goes to the disk at once,
    // the rest wait for the next sync.
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(f.files.Append(0, 0, path, row(i)));
        f.t += 9ms;
    }
    EXPECT_EQ(f.syncs, 1);
    EXPECT_EQ(qltest::fileBytes(path).count('\n'), 6 + 100);
    f.files.SyncDue();  // not yet a second since the last sync
    EXPECT_EQ(f.syncs, 1);
    f.t += 100ms;
    f.files.SyncDue();  // a second after it: the waiting rows are synced
    EXPECT_EQ(f.syncs, 2);
    f.files.SyncDue();  // nothing waits
    EXPECT_EQ(f.syncs, 2);

    // Rows at the line rate for three seconds: a sync per second.
    for (int i = 0; i < 150; ++i) {
        f.t += 20ms;
        ASSERT_TRUE(f.files.Append(0, 0, path, row(100 + i)));
    }
    EXPECT_EQ(f.syncs, 2 + 3);

    // A row half a second before the run ends is synced by the close.
    f.t += 500ms;
    ASSERT_TRUE(f.files.Append(0, 0, path, row(250)));
    const int before = f.syncs;
    f.t += 500ms;
    f.files.Close(0, 0);
    EXPECT_EQ(f.syncs, before + 1);
    // Closing again, or a slot without records, syncs nothing.
    f.files.Close(0, 0);
    f.files.CloseSlot(4);
    EXPECT_EQ(f.syncs, before + 1);
}

TEST(RecordFiles, EachFileKeepsItsOwnSyncRhythmAndTheTimerSyncsTheRest)
{
    QTemporaryDir dir;
    RecordFiles files;  // the real clock and fdatasync, short period
    files.setSyncPeriod(20ms);
    int syncs[2] = {0, 0};
    int fds[2] = {-1, -1};
    const QString a = dir.filePath(QStringLiteral("a.bak")), b = dir.filePath(QStringLiteral("b.bak"));
    ASSERT_TRUE(files.Create(0, 0, a, header()));
    ASSERT_TRUE(files.Create(5, 1, b, header()));
    // Each file's descriptor is known by its first sync.
    files.syncFile = [&](int fd) {
        if (fds[0] < 0)
            fds[0] = fd;
        else if (fds[1] < 0 && fd != fds[0])
            fds[1] = fd;
        for (int i = 0; i < 2; ++i)
            syncs[i] += fd == fds[i];
        return 0;
    };
    ASSERT_TRUE(files.Append(0, 0, a, row(1)));
    ASSERT_TRUE(files.Append(5, 1, b, row(1)));
    ASSERT_TRUE(files.Append(0, 0, a, row(2)));  // waits for the timer
    ASSERT_TRUE(files.Append(5, 1, b, row(2)));
    EXPECT_EQ(syncs[0], 1);
    EXPECT_EQ(syncs[1], 1);
    // No further row comes: the timer syncs both within their period.
    ASSERT_TRUE(QTest::qWaitFor([&] { return syncs[0] == 2 && syncs[1] == 2; }, 5000));
    files.CloseAll();
    EXPECT_EQ(syncs[0], 2);
    EXPECT_EQ(syncs[1], 2);
}

// The program dies right after writing rows: every row written is in the
// file, though none but the first was synced.
TEST(RecordFiles, ACrashLosesNoWrittenRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    const int rc = inChild([&] {
        Files f;
        f.files.setSyncPeriod(std::chrono::hours(1));
        if (!f.files.Create(0, 0, path, header()))
            return 1;
        for (int i = 0; i < 500; ++i)
            if (!f.files.Append(0, 0, path, row(i)))
                return 2;
        return f.syncs == 1 ? 0 : 3;
    });
    ASSERT_EQ(rc, 0);
    RunRecord::Contents rec;
    ASSERT_EQ(RunRecord::Read(path, &rec), RunRecord::ReadStatus::Ok);
    ASSERT_EQ(rec.rows.size(), 500);
    EXPECT_EQ(rec.rows.last().t, 499);
    EXPECT_TRUE(rec.skipped.isEmpty());
}

// A write that fails part way (a full disk) is reported, and once the disk
// has room the next row follows the last whole one: the fragment is gone.
TEST(RecordFiles, AFailedWriteIsCutBackBeforeTheNextRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    const int rc = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        Files f;
        if (!f.files.Create(0, 0, path, header()) || !f.files.Append(0, 0, path, row(1)))
            return 1;
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(kHeader.size() + row(1).size() + 2 + 5);  // room for five bytes more
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        QString error;
        if (f.files.Append(0, 0, path, row(2), &error) || error.isEmpty())
            return 3;
        if (qltest::fileBytes(path).size() != qsizetype(limit.rlim_cur))
            return 4;  // part of the row did reach the file
        if (f.files.Append(0, 0, path, row(3)))
            return 5;  // still no room
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 6;
        return f.files.Append(0, 0, path, row(4)) ? 0 : 7;
    });
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(qltest::fileBytes(path), kHeader + "1\t01.00\t3.700\r\n4\t01.00\t3.700\r\n");
}

TEST(RecordFiles, ASyncThatFailsIsReportedByTheNextRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    f.failNextSync = EIO;
    QString error;
    EXPECT_FALSE(f.files.Append(0, 0, path, row(1), &error));  // its own sync failed
    EXPECT_FALSE(error.isEmpty());
    f.t += 100ms;
    EXPECT_TRUE(f.files.Append(0, 0, path, row(2)));
    f.t += 1000ms;
    f.failNextSync = EIO;
    f.files.SyncDue();  // the timer's sync fails
    error.clear();
    f.t += 10ms;
    EXPECT_FALSE(f.files.Append(0, 0, path, row(3), &error));
    EXPECT_FALSE(error.isEmpty());
    f.t += 10ms;
    EXPECT_TRUE(f.files.Append(0, 0, path, row(4)));
    // Every row is in the file all the same.
    EXPECT_EQ(qltest::fileBytes(path).count('\n'), 6 + 4);
}

// The open record is removed or replaced by someone else: rows go to the
// file of that name, never to the one that went; a fragment found there is
// cut away first. A record created afresh takes it from any holder.
TEST(RecordFiles, ARecordRemovedOrReplacedIsOpenedAfresh)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.bak"));
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(1)));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(2)));
    EXPECT_EQ(qltest::fileBytes(path), QByteArray("2\t01.00\t3.700\r\n"));

    QFile other(path + QStringLiteral(".new"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("7\t01.00\t3.700\r\n8\t01.0");
    other.close();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(other.fileName(), path));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(9)));
    EXPECT_EQ(qltest::fileBytes(path), QByteArray("7\t01.00\t3.700\r\n9\t01.00\t3.700\r\n"));

    // Another channel creates a record of the same name: the first lets go.
    ASSERT_TRUE(f.files.Create(1, 0, path, header()));
    EXPECT_FALSE(f.files.IsOpen(0, 0));
    ASSERT_TRUE(f.files.Append(1, 0, path, row(1)));
    EXPECT_EQ(qltest::fileBytes(path), kHeader + "1\t01.00\t3.700\r\n");
    // A row for another path moves the channel's record there.
    const QString next = dir.filePath(QStringLiteral("next.bak"));
    ASSERT_TRUE(f.files.Append(1, 0, next, row(2)));
    EXPECT_EQ(f.files.OpenPath(1, 0), next);
}

TEST(RecordFiles, FailuresToCreateOrOpenAreReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/r.bak"));
    Files f;
    QString error;
    EXPECT_FALSE(f.files.Create(2, 0, path, header(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(f.files.IsOpen(2, 0));
    error.clear();
    EXPECT_FALSE(f.files.Append(2, 0, path, row(1), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(f.syncs, 0);
}
