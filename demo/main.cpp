// qltester-demo: the program's main window against simulated devices.
//
// Creates a temporary ports folder with two simulated devices on
// pseudo-terminals, a one-channel load (type 11) as COM3 and a two-channel
// load (type 18) as COM4, and opens the main window with a second device
// slot added. Press Connect on a panel, choose a mode and value, press
// Start. The devices answer like real ones and discharge a simulated cell.
//
//   qltester-demo [--connect] [--running] [--one] [--quit-after <s>] [--grab <file.png>]
//
//   --connect        connect every slot once the window shows
//   --running        the devices report a discharge already going (as if
//                    started on the device's own keys)
//   --one            only the device on COM3
//   --quit-after s   close the program after s seconds (no questions)
//   --grab file      save a picture of the window just before quitting, and
//                    one more per further device tab, that tab selected
//                    (file-Device2.png ...)
//
// At its end the demo says of each device whether the program connected it.
// The program folder is a fresh temporary one, deleted with everything in it
// when the demo ends, unless QL_HOME is set (a folder that does not exist yet
// is made). Either
// way its settings file names each slot's device port (PORT1 = 3, PORT2 =
// 4), so that each slot connects to its own device.
// Without a display, run it with QT_QPA_PLATFORM=offscreen.
#include "app/mainwindow.h"
#include "app/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "sim/devsim.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Options {
    bool connect = false, running = false, one = false;
    int quitAfter = 0;
    QString grab;
};

bool parse(const QStringList& args, Options& o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--connect"))
            o.connect = true;
        else if (a == QLatin1String("--running"))
            o.running = true;
        else if (a == QLatin1String("--one"))
            o.one = true;
        else if (a == QLatin1String("--quit-after") && i + 1 < args.size())
            o.quitAfter = args[++i].toInt();
        else if (a == QLatin1String("--grab") && i + 1 < args.size())
            o.grab = args[++i];
        else
            return false;
    }
    return true;
}

// The picture of the window with each device tab selected in turn, as a
// user clicks them: the first under the given name, the others with
// "-Device<n>" before the extension.
bool grabTabs(ql::frmMain& w, const QString& file)
{
    QTabBar* tabs = nullptr;
    for (QTabBar* t : w.findChildren<QTabBar*>())
        if (t->count() == w.DevCount() && t->tabText(0) == QLatin1String("Device1"))
            tabs = t;
    const QFileInfo fi(file);
    bool ok = true;
    for (int n = 0; n < (tabs ? w.DevCount() : 1); ++n) {
        QString name = file;
        if (n > 0) {
            tabs->setCurrentIndex(n);
            QApplication::processEvents();
            name = fi.dir().filePath(QStringLiteral("%1-Device%2.%3").arg(fi.completeBaseName()).arg(n + 1).arg(fi.suffix()));
        }
        if (!w.grab().save(name)) {
            std::fprintf(stderr, "qltester-demo: cannot save %s\n", qPrintable(name));
            ok = false;
        }
    }
    return ok;
}

// A program folder of its own, unless the user named one, with a settings
// file that gives each slot its own device's port (a fresh settings file
// would give every slot the same one); the file is made as the program
// makes it when it is missing.
bool PrepareProgramFolder(std::unique_ptr<QTemporaryDir>& home, bool one)
{
    if (!qEnvironmentVariableIsSet("QL_HOME")) {
        home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/qltester-demo-XXXXXX"));
        if (!home->isValid()) {
            std::fprintf(stderr, "qltester-demo: cannot create a temporary program folder\n");
            return false;
        }
        qputenv("QL_HOME", QFile::encodeName(home->path()));
    }
    // A named folder that does not exist yet is made first, as the program
    // makes it, so that the settings below can be written into it.
    if (!ql::CreateProgramDir()) {
        std::fprintf(stderr, "qltester-demo: cannot create the program folder %s\n", qPrintable(ql::ProgramDir()));
        return false;
    }
    const QString ini = ql::SettingsFile();
    if (!QFileInfo::exists(ini))
        ql::CreateSettingsFile(ini);
    for (int n = 0; n < (one ? 1 : 2); ++n)
        ql::WriteIni(ini, QStringLiteral("COMM"), QStringLiteral("PORT%1").arg(n + 1), QString::number(3 + n));
    return true;
}

// The simulated devices on COM3 (a load) and COM4 (a two-channel load).
bool PlugDevices(const ql::sim::PortsDir& ports, const Options& opt,
                 std::vector<std::unique_ptr<ql::sim::DeviceSim>>& devices)
{
    devices.push_back(std::make_unique<ql::sim::DeviceSim>(11, 300));
    if (!opt.one)
        devices.push_back(std::make_unique<ql::sim::DeviceSim>(18, 300));
    for (size_t i = 0; i < devices.size(); ++i) {
        ql::sim::DeviceSim& d = *devices[i];
        d.setRated(i == 0 ? 30 : 15, i == 0 ? 10 : 5);
        d.setInfoEvery(10);
        if (!d.plug(ports.path(), 3 + int(i))) {
            std::fprintf(stderr, "qltester-demo: cannot create a pseudo-terminal\n");
            return false;
        }
        if (opt.running) {
            // 1.00 A (type 11: 10 mA units) and 0.500 A per channel (1 mA units), cut-off 3.0 V.
            if (d.devType() == 11)
                d.reportRun(0, 0, 100, 300);
            else
                for (int c = 0; c < d.channels(); ++c)
                    d.reportRun(c, 0, 500 + 250 * c, 3000);
        }
        d.start(500);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QL Tester"));
    Options opt;
    if (!parse(QApplication::arguments(), opt)) {
        std::fprintf(stderr, "usage: qltester-demo [--connect] [--running] [--one] [--quit-after <s>] [--grab <file.png>]\n");
        return 2;
    }

    std::unique_ptr<QTemporaryDir> home;
    if (!PrepareProgramFolder(home, opt.one))
        return 1;

    // The simulated devices; QL_PORTS points at their folder while it lives.
    ql::sim::PortsDir ports;
    std::vector<std::unique_ptr<ql::sim::DeviceSim>> devices;
    if (!PlugDevices(ports, opt, devices))
        return 1;
    std::printf("qltester-demo: program folder %s\n", qPrintable(ql::ProgramDir()));
    for (const auto& d : devices)
        std::printf("qltester-demo: type %d device on %s (%s)\n", d->devType(),
                    qPrintable(QFileInfo(d->linkPath()).fileName()), qPrintable(d->slavePath()));
    std::fflush(stdout);

    int rc = 0;
    {
        ql::QtPrompter ask;
        ql::setPrompter(&ask);
        ql::frmMain w;
        w.show();
        for (size_t i = 1; i < devices.size(); ++i)
            w.menuAddDev_Click();
        if (opt.connect)
            QTimer::singleShot(300, &w, [&w] {
                for (int n = 0; n < w.DevCount(); ++n)
                    w.DevCtrl_ConnClick(n);
            });
        if (opt.quitAfter > 0)
            QTimer::singleShot(opt.quitAfter * 1000, &w, [&] {
                if (!opt.grab.isEmpty())
                    grabTabs(w, opt.grab);
                QApplication::exit(0);
            });
        rc = QApplication::exec();
    }
    for (auto& d : devices) {
        d->stop();
        std::printf("qltester-demo: device on %s %s\n", qPrintable(QFileInfo(d->linkPath()).fileName()),
                    d->connected() ? "was connected" : "was not connected");
    }
    return rc;
}
