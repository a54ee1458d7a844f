// The live run record: its name, header and rows, reading it back, and the
// records kept open during runs: when rows reach the disk (on an injected
// clock, counting syncs), a crash, a failing disk and a record replaced or
// removed under the program.
#include "link/recordfile.h"
#include "link/runrecord.h"

#include "platform/diskqueue.h"
#include "testutil.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ql;
using namespace std::chrono_literals;
using qltest::fileBytes;

namespace {

RunRecord::Header header()
{
    RunRecord::Header h;
    h.device = QStringLiteral("QL-R11");
    h.mode = QStringLiteral("D-CC  1.00A  3.00V");
    h.begin = QStringLiteral("4.125V");
    h.columns = ColumnTitles(false, false);
    return h;
}

const QByteArray kHeader("-----------QL Tester Software------------\r\n"
                         "Device:QL-R11\r\n"
                         "Mode:D-CC  1.00A  3.00V\r\n"
                         "Begin Volt:4.125V\r\n"
                         "------------www.qltester.example--------------\r\n"
                         "Time(S)\tCur(A)\tVol(V)\r\n");

// A child process whose files may grow as they like (it lowers the limit
// itself where it needs to).
constexpr long kNoLimit = long(RLIM_INFINITY);

QString row(int t) { return FormatRow(RecordRowLayout(100, false), t, 1.0f, 3.7f, 0); }

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<int32_t> times(const RunRecord::Contents& c)
{
    QList<int32_t> out;
    for (const auto& r : c.rows)
        out << r.t;
    return out;
}

// Records on a clock the test moves, counting the syncs (made on the file
// queue) and the failures it tells of.
struct Files {
    RecordFiles files;
    RecordFiles::Clock::time_point t{std::chrono::hours(1)};
    std::atomic<int> syncs{0};
    std::atomic<int> failNextSync{0};  // errno of the next sync, 0 = it works
    QStringList failures;              // "<slot> <chn> <path>: <error>"

    Files()
    {
        files.setSyncPeriod(1000ms);
        files.now = [this] { return t; };
        files.syncFile = [this](int fd) {
            ++syncs;
            if (const int e = failNextSync.exchange(0)) {
                errno = e;
                return -1;
            }
            return ::fdatasync(fd);
        };
        files.failed = [this](int slot, int chn, const QString& path, const QString& error) {
            failures << QStringLiteral("%1 %2 %3: %4").arg(slot).arg(chn).arg(path, error);
        };
    }
    // The last syncs, which call syncFile, are done before it goes.
    ~Files()
    {
        files.CloseAll();
        EXPECT_TRUE(qltest::settleDisk());
    }
    // The syncs made once the queue ran what it was handed.
    int settled()
    {
        EXPECT_TRUE(qltest::settleDisk());
        return syncs;
    }
};

// Appends one row to a record that is not open, as a run's record files do,
// the row synced at once.
bool appendRow(const QString& path, const QString& row)
{
    RecordFiles files;
    files.setSyncPeriod(0ms);
    return files.Append(0, 0, path, row);
}

// A fresh folder for records, written whole (Record) or kept open
// (LiveRecord).
class Record : public ::testing::Test {
protected:
    QString path(const char* name = "r.bak") const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};
using LiveRecord = Record;

}  // namespace

TEST_F(Record, NamesCarryDevicePortSlotAndChannel)
{
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("D"), QStringLiteral("COM3"), 0, 0),
              QStringLiteral("/p/ql-D-COM3-1-1"));
    EXPECT_EQ(RunRecord::PathOf(
                  RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("QL-2"), QStringLiteral("COM7"), 4, 1)),
              QStringLiteral("/p/ql-QL-2-COM7-5-2.bak"));
    // Whatever the texts hold, the record stays in the program folder.
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("QL-K01"), QStringLiteral("COM3/../../x"), 0, 0),
              QStringLiteral("/p/ql-QL-K01-COM3x-1-1"));
    EXPECT_EQ(RunRecord::BaseName(QStringLiteral("/p"), QStringLiteral("../a\\b/c\n"), QStringLiteral("COM 4"), 1, 0),
              QStringLiteral("/p/ql-..abc-COM4-2-1"));
}

TEST_F(Record, CreateReplacesAnEarlierRecordWhole)
{
    const QString path = Record::path();
    writeBytes(path, "old\r\n1\t01.00\t3.000\r\n");
    ASSERT_TRUE(RunRecord::Create(path, header()));
    EXPECT_FALSE(fileBytes(path).contains("old"));
    EXPECT_TRUE(fileBytes(path).endsWith("Time(S)\tCur(A)\tVol(V)\r\n"));
}

TEST_F(Record, AFragmentLeftByACrashNeverBecomesARow)
{
    const QString path = Record::path();
    // 12.345 V cut off after its first digit by a crash.
    writeBytes(path, "Time(S)\tCur(A)\tVol(V)\r\n5\t01.00\t12.345\r\n6\t01.00\t1");
    ASSERT_TRUE(appendRow(path, QStringLiteral("7\t01.00\t12.300")));
    EXPECT_EQ(fileBytes(path), QByteArray("Time(S)\tCur(A)\tVol(V)\r\n5\t01.00\t12.345\r\n7\t01.00\t12.300\r\n"));
    // A fragment longer than one read block, and a file of nothing but a fragment.
    writeBytes(path, "1\t01.00\t3.000\r\n" + QByteArray(9000, '9'));
    ASSERT_TRUE(appendRow(path, QStringLiteral("2\t01.00\t3.000")));
    EXPECT_EQ(fileBytes(path), QByteArray("1\t01.00\t3.000\r\n2\t01.00\t3.000\r\n"));
    writeBytes(path, "3\t01.0");
    ASSERT_TRUE(appendRow(path, QStringLiteral("4\t01.00\t3.000")));
    EXPECT_EQ(fileBytes(path), QByteArray("4\t01.00\t3.000\r\n"));
}

TEST_F(Record, ValuesNoDeviceCanReportAreSkipped)
{
    const QString path = Record::path();
    writeBytes(path, "1\t1e30\t3.700\r\n"
                     "2\tinf\t3.700\r\n"
                     "3\t01.00\tnan\r\n"
                     "4\t-0.50\t3.700\r\n"
                     "5\t01.00\t700.000\r\n"
                     "6\t614.55\t286.870\r\n"  // the largest a reply carries
                     "7\t00.00\t0.000\r\n");
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    EXPECT_EQ(times(c), (QList<int32_t>{6, 7}));
    EXPECT_EQ(c.skipped.size(), 5);
}

TEST_F(Record, AFullDiskKeepsTheEarlierRecordAndLeavesNoFragment)
{
    const QString path = Record::path();
    ASSERT_TRUE(RunRecord::Create(path, header()));
    const QByteArray earlier = fileBytes(path);
    const long limit = earlier.size() + 5;  // room for part of one row

    RunRecord::Header bigger = header();
    bigger.mode = QString(400, QLatin1Char('M'));
    EXPECT_EQ(qltest::withFileSizeLimit(limit, [&] { return RunRecord::Create(path, bigger) ? 1 : 0; }), 0);
    EXPECT_EQ(fileBytes(path), earlier);

    // A row that does not fit is reported; part of it may reach the disk...
    EXPECT_EQ(
        qltest::withFileSizeLimit(limit, [&] { return appendRow(path, QStringLiteral("1\t01.00\t12.345")) ? 1 : 0; }),
        0);
    EXPECT_EQ(fileBytes(path).size(), limit);
    // ...but never becomes a row once the disk has room again.
    ASSERT_TRUE(appendRow(path, QStringLiteral("2\t01.00\t12.300")));
    EXPECT_EQ(fileBytes(path), earlier + "2\t01.00\t12.300\r\n");
}

TEST_F(Record, ReadBackRestoresHeaderAndRows)
{
    const QString path = Record::path();
    ASSERT_TRUE(RunRecord::Create(path, header()));
    for (int t : {0, 10, 20})
        ASSERT_TRUE(appendRow(path, FormatRow(RecordRowLayout(100, true), t, 1.0f, 4.0f, 25)));
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    EXPECT_TRUE(c.hasDevice && c.hasMode && c.hasBegin);
    EXPECT_EQ(c.device, QStringLiteral("QL-R11"));
    EXPECT_EQ(c.mode, QStringLiteral("D-CC  1.00A  3.00V"));
    EXPECT_EQ(c.begin, QStringLiteral("4.125V"));
    ASSERT_EQ(c.rows.size(), 3);
    EXPECT_EQ(c.rows[2].t, 20);
    EXPECT_FLOAT_EQ(c.rows[2].cur, 1.0f);
    EXPECT_FLOAT_EQ(c.rows[2].volt, 4.0f);
    EXPECT_TRUE(c.skipped.isEmpty());
}

TEST_F(Record, DamagedAndTruncatedRowsAreSkippedTheRestRestored)
{
    const QString path = Record::path();
    writeBytes(path, "-----------QL Tester Software------------\r\n"
                     "Device:QL-K01\r\n"
                     "Time(S)\tCur(A)\tVol(V)\r\n"
                     "1\t01.00\t3.700\r\n"
                     "2\t01.00\r\n"          // a field missing
                     "3x\t01.00\t3.600\r\n"  // not a whole number
                     "4\tab\t3.600\r\n"      // current not a number
                     "5\t01.00\t3.500\n"     // LF alone still ends a line
                     "2\t01.00\t3.400\r\n"   // time goes back
                     "6\t01.00\t3.400\r\n"
                     "7\t01.00\t3.3");  // cut off by a crash
    RunRecord::Contents c;
    ASSERT_EQ(RunRecord::Read(path, &c), RunRecord::ReadStatus::Ok);
    EXPECT_EQ(times(c), (QList<int32_t>{1, 5, 6}));
    EXPECT_EQ(c.skipped.size(), 5);
    EXPECT_TRUE(c.hasDevice);
    EXPECT_FALSE(c.hasMode);
    EXPECT_EQ(RunRecord::Read(Record::path("missing.bak"), &c), RunRecord::ReadStatus::Missing);
}

// No writer leaves a file where the folder is missing; each says why.
TEST_F(Record, FailuresToCreateOrAppendAreReportedAndLeaveNoFile)
{
    const QString path = Record::path("missing/r.bak");
    QString error;
    EXPECT_FALSE(RunRecord::Create(path, header(), &error));
    EXPECT_FALSE(std::exchange(error, {}).isEmpty());
    Files f;
    EXPECT_FALSE(f.files.Create(2, 0, path, header(), &error));
    EXPECT_FALSE(std::exchange(error, {}).isEmpty());
    EXPECT_FALSE(qltest::heldOpen(path));
    EXPECT_FALSE(f.files.Append(2, 0, path, row(1), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(f.settled(), 0);
}

TEST_F(LiveRecord, RowsAreAppendedByteForByteWhileTheRecordStaysOpen)
{
    const QString kept = Record::path("kept.bak");
    Files f;
    ASSERT_TRUE(f.files.Create(3, 1, kept, header()));
    EXPECT_TRUE(f.files.Unwritten(3, 1, kept));  // till the queue names it
    for (int t = 0; t < 3; ++t)
        ASSERT_TRUE(f.files.Append(3, 1, kept, row(t)));
    const QByteArray expected = kHeader + "0\t01.00\t3.700\r\n1\t01.00\t3.700\r\n2\t01.00\t3.700\r\n";
    f.settled();
    EXPECT_FALSE(f.files.Unwritten(3, 1, kept));
    EXPECT_TRUE(qltest::heldOpen(kept));
    EXPECT_EQ(fileBytes(kept), expected);  // readable while open, the rows written before it was named too
    f.files.Close(3, 1);
    EXPECT_FALSE(qltest::heldOpen(kept));
    EXPECT_EQ(fileBytes(kept), expected);
}

TEST_F(LiveRecord, ManyRowsInASecondAreSyncedOnce)
{
    const QString path = Record::path();
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    f.settled();  // named, with its header synced
    // A hundred rows within one second: the first goes to the disk at once,
    // the rest wait for the next sync.
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(f.files.Append(0, 0, path, row(i)));
        f.t += 9ms;
    }
    EXPECT_EQ(f.settled(), 1);
    EXPECT_EQ(fileBytes(path).count('\n'), 6 + 100);
    f.files.SyncDue();  // not yet a second since the last sync
    EXPECT_EQ(f.settled(), 1);
    f.t += 100ms;
    f.files.SyncDue();  // a second after it: the waiting rows are synced
    EXPECT_EQ(f.settled(), 2);
    f.files.SyncDue();  // nothing waits
    EXPECT_EQ(f.settled(), 2);

    // Rows at the line rate for three seconds, on a disk that keeps up: a
    // sync per second.
    for (int i = 0; i < 150; ++i) {
        f.t += 20ms;
        ASSERT_TRUE(f.files.Append(0, 0, path, row(100 + i)));
        if (i % 10 == 9)
            f.settled();
    }
    EXPECT_EQ(f.settled(), 2 + 3);

    // A disk that does not keep up: while a sync is on the queue the rows
    // wait for the next one instead of queueing more. Once it is done, one
    // more brings every row that waited to the disk.
    for (int i = 0; i < 150; ++i) {
        f.t += 20ms;
        ASSERT_TRUE(f.files.Append(0, 0, path, row(250 + i)));
    }
    EXPECT_EQ(f.settled(), 2 + 3 + 2);

    // A row half a second before the run ends is synced by the close.
    f.t += 500ms;
    ASSERT_TRUE(f.files.Append(0, 0, path, row(400)));
    const int before = f.settled();
    f.t += 500ms;
    f.files.Close(0, 0);
    EXPECT_EQ(f.settled(), before + 1);
    // Closing again, or a slot without records, syncs nothing.
    f.files.Close(0, 0);
    f.files.CloseSlot(4);
    EXPECT_EQ(f.settled(), before + 1);
}

TEST_F(LiveRecord, EachFileKeepsItsOwnSyncRhythmAndTheTimerSyncsTheRest)
{
    RecordFiles files;  // the real clock and fdatasync, short period
    files.setSyncPeriod(20ms);
    std::atomic<int> syncs[2] = {0, 0};
    const QString a = Record::path("a.bak"), b = Record::path("b.bak");
    ASSERT_TRUE(files.Create(0, 0, a, header()));
    ASSERT_TRUE(files.Create(5, 1, b, header()));
    ASSERT_TRUE(qltest::settleDisk());
    // Each file is known by its inode.
    ino_t inodes[2] = {};
    for (int i = 0; i < 2; ++i) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(i == 0 ? a : b).constData(), &st), 0);
        inodes[i] = st.st_ino;
    }
    files.syncFile = [&](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        for (int i = 0; i < 2; ++i)
            syncs[i] += st.st_ino == inodes[i];
        return 0;
    };
    ASSERT_TRUE(files.Append(0, 0, a, row(1)));
    ASSERT_TRUE(files.Append(5, 1, b, row(1)));
    ASSERT_TRUE(files.Append(0, 0, a, row(2)));  // waits for the timer
    ASSERT_TRUE(files.Append(5, 1, b, row(2)));
    ASSERT_TRUE(ql::WaitDiskQueues(5s));
    EXPECT_EQ(syncs[0], 1);
    EXPECT_EQ(syncs[1], 1);
    // No further row comes: the timer syncs both within their period.
    ASSERT_TRUE(QTest::qWaitFor([&] { return syncs[0] == 2 && syncs[1] == 2; }, 5000));
    files.CloseAll();
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(syncs[0], 2);
    EXPECT_EQ(syncs[1], 2);
}

// The program dies right after writing rows (a child with the record open,
// whose file queue never runs): every row written is in the file, though
// none but the first was synced.
TEST_F(LiveRecord, ACrashLosesNoWrittenRow)
{
    const QString path = Record::path();
    Files f;
    f.files.setSyncPeriod(std::chrono::hours(1));
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(0)));
    ASSERT_EQ(f.settled(), 1);
    const int rc = qltest::withFileSizeLimit(kNoLimit, [&] {
        for (int i = 1; i < 500; ++i)
            if (!f.files.Append(0, 0, path, row(i)))
                return 2;
        return 0;
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
TEST_F(LiveRecord, AFailedWriteIsCutBackBeforeTheNextRow)
{
    const QString path = Record::path();
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(1)));
    f.settled();
    {
        const long room = long(kHeader.size() + row(1).size() + 2 + 5);  // five bytes more
        qltest::FileSizeLimit full(room);
        QString error;
        EXPECT_FALSE(f.files.Append(0, 0, path, row(2), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(fileBytes(path).size(), room);           // part of the row did reach the file
        EXPECT_FALSE(f.files.Append(0, 0, path, row(3)));  // still no room
    }
    EXPECT_TRUE(f.files.Append(0, 0, path, row(4)));
    EXPECT_EQ(fileBytes(path).toStdString(), (kHeader + "1\t01.00\t3.700\r\n4\t01.00\t3.700\r\n").toStdString());
}

TEST_F(LiveRecord, ASyncThatFailsIsTold)
{
    const QString path = Record::path();
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    f.settled();
    f.failNextSync = EIO;
    EXPECT_TRUE(f.files.Append(0, 0, path, row(1)));  // its own sync fails on the queue
    f.settled();
    const QString told = QStringLiteral("0 0 %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(EIO)));
    EXPECT_EQ(f.failures, QStringList{told});
    f.t += 100ms;
    EXPECT_TRUE(f.files.Append(0, 0, path, row(2)));
    f.t += 1000ms;
    f.failNextSync = EIO;
    f.files.SyncDue();  // the timer's sync fails
    f.settled();
    EXPECT_EQ(f.failures, (QStringList{told, told}));
    f.t += 10ms;
    EXPECT_TRUE(f.files.Append(0, 0, path, row(3)));
    // Every row is in the file all the same.
    EXPECT_EQ(fileBytes(path).count('\n'), 6 + 3);
}

// The open record is removed or replaced by someone else: rows go to the
// file of that name, never to the one that went; a fragment found there is
// cut away first. A record created afresh takes it from any holder.
TEST_F(LiveRecord, ARecordRemovedOrReplacedIsOpenedAfresh)
{
    const QString path = Record::path();
    Files f;
    ASSERT_TRUE(f.files.Create(0, 0, path, header()));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(1)));
    f.settled();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(2)));
    EXPECT_EQ(fileBytes(path), QByteArray("2\t01.00\t3.700\r\n"));

    QFile other(path + QStringLiteral(".new"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("7\t01.00\t3.700\r\n8\t01.0");
    other.close();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(other.fileName(), path));
    ASSERT_TRUE(f.files.Append(0, 0, path, row(9)));
    EXPECT_EQ(fileBytes(path), QByteArray("7\t01.00\t3.700\r\n9\t01.00\t3.700\r\n"));

    // Another channel creates a record of the same name: the first lets go
    // of its file (seen through a second name of it).
    const QString first = path + QStringLiteral(".first");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(first).constData()), 0);
    EXPECT_TRUE(qltest::heldOpen(first));
    ASSERT_TRUE(f.files.Create(1, 0, path, header()));
    f.settled();  // the queue's work on the first is done too
    EXPECT_FALSE(qltest::heldOpen(first));
    ASSERT_TRUE(f.files.Append(1, 0, path, row(1)));
    f.settled();
    EXPECT_EQ(fileBytes(path), kHeader + "1\t01.00\t3.700\r\n");
    // A row for another path moves the channel's record there.
    const QString next = Record::path("next.bak");
    ASSERT_TRUE(f.files.Append(1, 0, next, row(2)));
    EXPECT_TRUE(qltest::heldOpen(next));
    EXPECT_FALSE(qltest::heldOpen(path));
}

// The new record loses its temporary name before the queue renames it (it
// is removed under the program): that is told, once, as a record that
// cannot be named, and the earlier record is marked superseded and takes
// none of the rows that follow.
TEST_F(LiveRecord, ANewRecordRemovedBeforeItsRenameIsToldAndTheEarlierOneTakesNoRow)
{
    const QString path = Record::path();
    writeBytes(path, kHeader + "1\t02.00\t3.700\r\n");
    const QByteArray earlier = fileBytes(path);
    const qsizetype banner = earlier.indexOf('\n') + 1;
    Files f;
    {
        qltest::HeldDisk disk;
        ASSERT_TRUE(f.files.Create(0, 0, path, header()));
        ASSERT_TRUE(f.files.Append(0, 0, path, row(1)));
        ASSERT_TRUE(QFile::remove(RunRecord::PendingPathOf(path)));
    }
    f.settled();
    ASSERT_EQ(f.failures.size(), 1);
    for (int t = 2; t < 5; ++t) {
        f.t += 2s;  // the rename is tried again
        ASSERT_TRUE(f.files.Append(0, 0, path, row(t)));
        f.settled();
    }
    EXPECT_EQ(f.failures.size(), 1);
    const QByteArray now = fileBytes(path);
    EXPECT_EQ(now.left(banner), (SupersededBanner() + QStringLiteral("\r\n")).toUtf8());
    EXPECT_EQ(now.mid(banner), earlier.mid(banner));
}

// The folder turns read-only (remounted so) while the new record waits for
// its rename: the rename fails and is told once, the rows go on into the
// new record under its temporary name, and the earlier record, which cannot
// be marked either, takes none of them. Once the folder takes writes again
// the next try renames the new record, every row in it.
TEST_F(LiveRecord, ARecordWhoseFolderTurnsReadOnlyBeforeItsRenameKeepsItsRowsAndIsRenamedLater)
{
    const QString path = Record::path();
    writeBytes(path, kHeader + "1\t02.00\t3.700\r\n");
    const QByteArray earlier = fileBytes(path);
    Files f;
    {
        std::optional<qltest::HeldDisk> disk(std::in_place);
        ASSERT_TRUE(f.files.Create(0, 0, path, header()));
        ASSERT_TRUE(f.files.Append(0, 0, path, row(1)));
        QL_READ_ONLY_FOLDER(readOnly, dir.path());
        disk.reset();
        f.settled();
        ASSERT_EQ(f.failures.size(), 1);
        EXPECT_TRUE(f.failures[0].contains(QString::fromLocal8Bit(std::strerror(EROFS))))
            << f.failures[0].toStdString();
        for (int t = 2; t < 5; ++t) {
            f.t += 2s;  // the rename is tried again, and fails again
            ASSERT_TRUE(f.files.Append(0, 0, path, row(t)));
            f.settled();
        }
        EXPECT_EQ(f.failures.size(), 1);
        EXPECT_TRUE(fileBytes(path) == earlier) << "the earlier record was changed";
    }
    f.t += 2s;
    ASSERT_TRUE(f.files.Append(0, 0, path, row(5)));
    f.settled();
    QByteArray rows;
    for (int t = 1; t <= 5; ++t)
        rows += (row(t) + QStringLiteral("\r\n")).toUtf8();
    EXPECT_EQ(fileBytes(path).toStdString(), (kHeader + rows).toStdString());
    EXPECT_FALSE(QFileInfo::exists(RunRecord::PendingPathOf(path)));
}
