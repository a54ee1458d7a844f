// Outside text on its way into the files the program writes: a title with
// line breaks stays on its header line, a device name read from a record or
// a data file proposes file names in the chosen folder only, and a second
// program changing the same settings file loses none of this window's keys
// nor this window any of its.
#include "apptest.h"

#include "../sim/devsim.h"
#include "../views/scratchfile.h"
#include "controls/curvegraph.h"
#include "link/runrecord.h"
#include "panel/devctrl.h"
#include "controls/flexgrid.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "views/dataviewer.h"
#include "views/datareader.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

class OutsideText : public DeviceAppTest {
protected:
    // The viewer window the toolbar opens, with the file at path loaded.
    ql::frmData* viewerWith(ql::frmMain& w, const QString& path)
    {
        inside(w).tool("opendat")->trigger();
        auto* viewer = qobject_cast<ql::frmData*>(inside(w).otherWindow("frmData"));
        if (!viewer)
            return nullptr;
        prompt.fileAnswer = path;
        viewer->menuOpenData->trigger();
        prompt.fileAnswer.clear();
        return viewer->FileCnt() == 1 ? viewer : nullptr;
    }
};

// True when a proposed name names a file in the dialog's own folder.
bool isPlainName(const QString& name)
{
    for (QChar c : name)
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    return !name.isEmpty();
}

// Waits for a child process; its exit code, or -1 when it did not exit.
int exitCodeOf(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// A title set with CR LF in it (as a paste or an assistive tool sets the
// title field) is one header line of the data and parameter files: the
// viewer reads no row and no device name out of it.
TEST_F(OutsideText, ALineBreakInTheTitleStaysOnTheTitleLine)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const QString device = inside(w).link().ch(0, 0).DevName;
    prompt.inputAnswer = "T1\r\n77,9.99,9.999\r\nDevice:QL-FAKE";
    inside(w).action("menuTitle")->trigger();
    ASSERT_EQ(inside(w).link().slot[0].TitleText, prompt.inputAnswer);
    const QString title = "T1 77,9.99,9.999 Device:QL-FAKE";

    const QString data = home() + "/title.csv";
    prompt.fileAnswer = data;
    inside(w).action("menuSaveData")->trigger();
    ASSERT_TRUE(settleDisk());
    const QStringList lines = fileLines(data);
    EXPECT_TRUE(lines.contains("Title:" + title)) << lines.join('|').toStdString();
    const qsizetype columns = lines.indexOf("Time(S),Cur(A),Vol(V)");
    ASSERT_GT(columns, 0);

    ql::frmData* viewer = viewerWith(*w, data);
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->chart()->DpCnt(0), lines.size() - columns - 1);  // the run's rows only
    EXPECT_EQ(viewer->grid()->TextMatrix(1, ql::colDevice), device);
    EXPECT_EQ(viewer->grid()->TextMatrix(1, ql::colTitle), title);
    viewer->close();

    prompt.fileAnswer = home() + "/title.cfg";
    inside(w).action("menuSaveCfg")->trigger();
    ASSERT_TRUE(settleDisk());
    const QStringList cfg = fileLines(home() + "/title.cfg");
    EXPECT_EQ(cfg.size(), 7);
    EXPECT_EQ(cfg.value(2), "T:" + title);

    closeWindow(*w);
    dev.stop();
}

// A record whose device name leads into another folder, continued: Save
// Parameter, Save Data, Save Curve and Save Picture propose a plain name;
// so does the viewer's Save Curve for a data file naming such a device.
TEST_F(OutsideText, ADeviceNameNeverSteersAProposedNameIntoAnotherFolder)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    const QString evil = QStringLiteral("../outside/CFG\x01\\EVIL");
    const QString header = ql::RecordBanner() + "\r\nDevice:" + evil + "\r\nMode:D-CC\r\nBegin Volt:4.000V\r\n" +
                           ql::FileTrailer() + "\r\nTime(S)\tCur(A)\tVol(V)\r\n";
    writeBytes(recordOf(*w), (header + "0\t01.00\t4.000\r\n1\t01.00\t3.990\r\n").toUtf8());
    const auto& u = inside(w).slot(0).Panel->ui();
    typeInto(u.txtSval, "1.00");
    typeInto(u.txtSlmt, "3.00");
    u.cmdCont->click();
    ASSERT_TRUE(waitFor([&] { return inside(w).link().ch(0, 0).Running; }));
    ASSERT_EQ(inside(w).link().ch(0, 0).DevName, evil);
    stopRun(*w);

    prompt.fileAnswer.clear();  // every dialog is cancelled
    const auto proposal = [&](QAction* a) {
        prompt.fileNames.clear();
        a->trigger();
        return prompt.fileNames.value(0);
    };
    for (QAction* a : {inside(w).action("menuSaveCfg"), inside(w).action("menuSaveData"),
                       inside(w).action("menuSavePic"), inside(w).tool("savepic")}) {
        const QString name = proposal(a);
        EXPECT_TRUE(isPlainName(name) && name.contains("..outsideCFGEVIL")) << a->objectName().toStdString()
                                                                              << ": " << name.toStdString();
    }

    const QString data = home() + "/evil.csv";
    writeBytes(data, ("Device:" + evil + "\r\nTitle:x\r\n0,1.00,4.000\r\n1,1.00,3.990\r\n").toUtf8());
    ql::frmData* viewer = viewerWith(*w, data);
    ASSERT_TRUE(viewer);
    const QString name = proposal(viewer->menuSavePic);
    EXPECT_TRUE(isPlainName(name) && name.endsWith("-..outsideCFGEVIL")) << name.toStdString();
    viewer->close();

    closeWindow(*w);
    dev.stop();
}

// Two instances on one program folder: while this window switches its
// temperature entry, a second program writes keys of its own into the same
// ql.ini. Afterwards every key of both holds its last value. A second
// program killed while it held the settings lock holds nothing up, and no
// lock or temporary file is left beside ql.ini.
TEST_F(OutsideText, TwoInstancesChangingTheSettingsAtOnceLoseNoKey)
{
    auto w = makeWindow();
    const QString ini = ql::SettingsFile();
    QAction* temp = inside(w).action("menuTemp");
    const auto leftovers = [&] {
        return QDir(home()).entryList({"ql.ini?*"}, QDir::Files | QDir::Hidden | QDir::System);
    };
    constexpr int kKeys = 40;

    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        bool ok = true;
        for (int k = 0; k < kKeys; ++k)
            ok &= ql::WriteIni(ini, "OTHER", QStringLiteral("K%1").arg(k), QString::number(k));
        ::_exit(ok ? 0 : 1);
    }
    for (int k = 0; k < kKeys; ++k)
        temp->trigger();
    ASSERT_EQ(exitCodeOf(other), 0);
    ASSERT_TRUE(settleDisk());
    QStringList lost;
    for (int k = 0; k < kKeys; ++k)
        if (ql::ReadIni(ini, "OTHER", QStringLiteral("K%1").arg(k), "") != QString::number(k))
            lost << QStringLiteral("K%1").arg(k);
    EXPECT_TRUE(lost.isEmpty()) << lost.join(' ').toStdString();
    EXPECT_EQ(ql::ReadIni(ini, "AUTO", "TEMP", ""), temp->isChecked() ? "True" : "False");
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();

    // Killed while holding the lock: the next change takes the lock over.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t killed = ::fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        ql::profile::whileLocked(ini, [&](QString*) {
            (void)!::write(ready[1], "x", 1);
            ::pause();
            return true;
        });
        ::_exit(0);
    }
    ::close(ready[1]);  // a child that never got the lock ends the read
    char byte = 0;
    const bool held = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    const QStringList lockFile = leftovers();
    ::kill(killed, SIGKILL);
    exitCodeOf(killed);
    ASSERT_TRUE(held);
    ASSERT_FALSE(lockFile.isEmpty());  // the lock of the second program
    temp->trigger();
    ASSERT_TRUE(settleDisk());
    EXPECT_EQ(ql::ReadIni(ini, "AUTO", "TEMP", ""), temp->isChecked() ? "True" : "False");
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    closeWindow(*w);
}
