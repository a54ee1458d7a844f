// A program killed part way through a run, for tests/app/slowdisk_test.cpp,
// which starts it and kills it. On the program folder (QL_HOME) and the
// ports (QL_PORTS) it is started with, and on a disk that holds every sync
// and rename, a window connects COM3 and starts a 1.00 A run to 3.00 V.
// Once the run's new record, not yet renamed, holds its header and five
// rows, the line "rows written" goes to standard output; the run then goes
// on until the program is killed. Whatever fails ends it with a failure.
#include "app/apptest.h"
#include "link/runrecord.h"
#include "panel/devctrl.h"
#include "testutil.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace qltest;

namespace {

class KilledRun : public DeviceAppTest {
protected:
    // The program folder and ports are those of the test that started it,
    // not fresh ones.
    void SetUp() override
    {
        oldHome_ = qgetenv("QL_HOME");
        oldPorts_ = qgetenv("QL_PORTS");
        oldSys_ = qgetenv("QL_SYSTEM_PORTS");
        ASSERT_FALSE(oldHome_.isEmpty());
        ASSERT_FALSE(oldPorts_.isEmpty());
    }
};

}  // namespace

TEST_F(KilledRun, RunsUntilKilled)
{
    HeldDisk disk(std::chrono::hours(1));
    auto w = startWindow();
    ql::DevCtrl* p = inside(w).slot(0).Panel;
    p->setTPort(QStringLiteral("COM3"));
    p->ui().cmdConn->click();
    ASSERT_TRUE(p->Conn());
    const auto& slot = inside(w).link().slot[0];
    ASSERT_TRUE(waitFor([&] { return slot.PortNo != 0 && !slot.Connecting; }));
    startRun(*w, QStringLiteral("1.00"), QStringLiteral("3.00"));
    const QString pending = ql::RunRecord::PendingPathOf(recordOf(*w));
    ASSERT_TRUE(waitFor([&] { return fileLines(pending).size() >= 6 + 5; }));
    std::puts("rows written");
    std::fflush(stdout);
    waitFor([] { return false; }, 120000);
    ADD_FAILURE() << "not killed";
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
