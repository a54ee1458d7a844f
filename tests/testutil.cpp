#include "testutil.h"

#include "platform/diskqueue.h"

#include <QCoreApplication>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <malloc.h>
#include <mutex>
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's runtime (its header comes with clang only).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qltest {

struct HeldDisk::State {
    std::mutex mutex;
    std::condition_variable wake;
    bool held = true;
    int waiting = 0;
};

HeldDisk::HeldDisk(std::chrono::milliseconds bound) : state_(std::make_shared<State>())
{
    ql::SetDiskDelay([s = state_, bound](const char*) {
        std::unique_lock<std::mutex> lock(s->mutex);
        ++s->waiting;
        s->wake.wait_for(lock, bound, [&] { return !s->held; });
        --s->waiting;
    });
}

HeldDisk::~HeldDisk()
{
    ql::SetDiskDelay({});
    release();
}

void HeldDisk::release()
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->held = false;
    }
    state_->wake.notify_all();
}

int HeldDisk::waiting() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->waiting;
}

bool settleDisk()
{
    // A result may hand in more work (a record that failed is marked).
    for (int round = 0; round < 4; ++round) {
        if (!ql::WaitDiskQueues(std::chrono::seconds(10)))
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    return ql::WaitDiskQueues(std::chrono::seconds(10));
}

namespace {

// The folder the locales are built into, for the whole run.
QTemporaryDir& localeDir()
{
    static QTemporaryDir dir;
    return dir;
}

bool builtIn(const QString& name) { return name == QLatin1String("C") || name.startsWith(QLatin1String("C.")); }

// Builds `name` ("de_DE.UTF-8") with localedef unless it is there; the
// reason when it cannot.
QString buildLocale(const QString& name)
{
    if (builtIn(name))
        return {};
    if (!localeDir().isValid())
        return QStringLiteral("no temporary folder");
    const QString target = localeDir().filePath(name);
    if (QFileInfo::exists(target + QStringLiteral("/LC_NUMERIC")))
        return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("localedef"),
            {QStringLiteral("-i"), name.section(u'.', 0, 0), QStringLiteral("-f"), name.section(u'.', 1), target});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("localedef: %1 %2").arg(p.errorString(), QString::fromLocal8Bit(p.readAll()).trimmed());
    return {};
}

}  // namespace

UserLocale::UserLocale(const QString& name)
    : oldAll_(qgetenv("LC_ALL")), oldPath_(qgetenv("LOCPATH")), oldC_(std::setlocale(LC_ALL, nullptr)),
      hadAll_(qEnvironmentVariableIsSet("LC_ALL")), hadPath_(qEnvironmentVariableIsSet("LOCPATH"))
{
    why_ = buildLocale(name);
    if (!why_.isEmpty())
        return;
    if (!builtIn(name))
        qputenv("LOCPATH", localeDir().path().toLocal8Bit());
    qputenv("LC_ALL", name.toLatin1());
    if (!std::setlocale(LC_ALL, ""))
        why_ = QStringLiteral("setlocale refuses %1").arg(name);
}

UserLocale::~UserLocale()
{
    hadAll_ ? qputenv("LC_ALL", oldAll_) : qunsetenv("LC_ALL");
    hadPath_ ? qputenv("LOCPATH", oldPath_) : qunsetenv("LOCPATH");
    std::setlocale(LC_ALL, oldC_.constData());
}

bool UserLocale::required() { return qEnvironmentVariableIntValue("QL_LOCALE_REQUIRED") != 0; }

QString pictureDir()
{
    QDir().mkpath(QStringLiteral(QL_TEST_OUTPUT_DIR));
    return QStringLiteral(QL_TEST_OUTPUT_DIR);
}

QString savePicture(QWidget* widget, const QString& name)
{
    const QString path = pictureDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

size_t heapBytesInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

struct WindowWatcher::Timer : QTimer {};

WindowWatcher::WindowWatcher(QStringList classes, Act act) : timer_(new Timer)
{
    timer_->setInterval(5);
    QObject::connect(timer_, &QTimer::timeout, [classes = std::move(classes), act = std::move(act)] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QString cls = QString::fromLatin1(w->metaObject()->className());
            cls.remove(QStringLiteral("ql::"));
            if (w->isVisible() && classes.contains(cls))
                act(w, cls);
        }
    });
    timer_->start();
}

WindowWatcher::~WindowWatcher() { delete timer_; }

bool heldOpen(const QString& path) { return timesHeldOpen(path) > 0; }

int timesHeldOpen(const QString& path)
{
    // By the file itself, not its name: a record made without a name and
    // named later shows in /proc under the name it was made with.
    struct stat target {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return 0;
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        struct stat held {};
        if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &held) == 0 && held.st_dev == target.st_dev &&
            held.st_ino == target.st_ino)
            ++n;
    }
    return n;
}

int withFileSizeLimit(long limitBytes, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        int rc = 255;
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
            rc = body();
        ::_exit(rc);  // no exit handlers or leak check of the parent's state
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

FileSizeLimit::FileSizeLimit(long limitBytes)
{
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    oldCur_ = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(limitBytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(oldCur_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler_);
}

namespace {
bool ownMounts = false;
}

void enterOwnMounts()
{
    if (::geteuid() != 0)
        return;
    // Private propagation: nothing mounted here reaches the machine's view.
    ownMounts = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

ReadOnlyFolder::ReadOnlyFolder(const QString& folder) : folder_(QFile::encodeName(folder))
{
    if (!ownMounts) {
        why_ = QStringLiteral("no mount namespace of the test's own (the tests run as root to have one)");
        return;
    }
    if (::mount(folder_.constData(), folder_.constData(), nullptr, MS_BIND, nullptr) != 0) {
        why_ = QStringLiteral("bind %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    bound_ = true;
    if (::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        why_ = QStringLiteral("read-only %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    // Detached, should a file of the program still be open under it.
    if (bound_)
        ::umount2(folder_.constData(), MNT_DETACH);
}

bool ReadOnlyFolder::required() { return qEnvironmentVariableIntValue("QL_MOUNT_REQUIRED") != 0; }

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ScriptedPrompter::ScriptedPrompter()
{
    before_ = ql::setPrompter(this);
    ql::setPromptClock([this] { return now_; });
}

ScriptedPrompter::~ScriptedPrompter()
{
    ql::setPromptClock({});
    ql::setPrompter(before_);
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Asked& a : messages)
        out << a.text;
    return out;
}

QStringList ScriptedPrompter::titledTexts() const
{
    QStringList out;
    for (const Asked& a : messages)
        out << a.title + QLatin1Char('|') + a.text;
    return out;
}

int ScriptedPrompter::Message(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    messages.push_back({text, title, buttons, icon});
    if (onMessage)
        onMessage();
    if (answers.empty())
        return IdOk;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedPrompter::FileDialog(bool save, const QString& title, const QString& filters, const QString& name,
                                     const QString& folder)
{
    fileAsks.push_back({save, title, filters, name, folder});
    ++fileCalls;
    fileTitles << title;
    fileNames << name;
    now_ += fileDelayMs;
    if (files.empty())
        return fileAnswer;
    const QString a = files.front();
    files.pop_front();
    return a;
}

int ScriptedPrompter::PickColor()
{
    ++colourAsks;
    if (colours.empty())
        return colourAnswer;
    const int c = colours.front();
    colours.pop_front();
    return c;
}

QString ScriptedPrompter::Input(const QString&, const QString&, const QString& def, bool* ok)
{
    inputDefaults << def;
    inputDefault = def;
    if (inputs.empty()) {
        *ok = inputOk;
        return inputAnswer;
    }
    const QString a = inputs.front();
    inputs.pop_front();
    *ok = !a.isEmpty();
    return a;
}

void ScriptedPrompter::RunDialog(QDialog& dialog)
{
    QString cls = QString::fromLatin1(dialog.metaObject()->className());
    cls.remove(QStringLiteral("ql::"));
    dialogs << cls;
    if (onDialog) {
        onDialog(dialog);
    } else if (auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))) {
        ok->click();
    } else {
        dialog.reject();
    }
}

} // namespace qltest
