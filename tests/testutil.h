#pragma once
// Helpers shared by the test programs.
#include "platform/prompter.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace qltest {

// Folder under the build tree where tests save pictures for a person to look at.
QString pictureDir();

// Every few milliseconds until it is destroyed, calls act on each visible
// top-level window whose class (without "ql::") is listed: how a test
// answers, checks or closes the windows the program opens while it waits.
class WindowWatcher {
public:
    using Act = std::function<void(QWidget* window, const QString& cls)>;
    WindowWatcher(QStringList classes, Act act);
    ~WindowWatcher();
    WindowWatcher(const WindowWatcher&) = delete;
    WindowWatcher& operator=(const WindowWatcher&) = delete;

private:
    struct Timer;
    Timer* timer_;
};

// The top-level window of class T that is open (shown when shown is set),
// or null: how a test finds a window the program opened on its own.
template <typename T>
T* topWindow(bool shown = false)
{
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* w = qobject_cast<T*>(t); w && (!shown || w->isVisible()))
            return w;
    return nullptr;
}

// Saves a widget's picture as <pictureDir>/<name>.png; returns the path.
QString savePicture(QWidget* widget, const QString& name);

// Runs body in a child process whose files cannot grow past limitBytes:
// a write beyond it fails with EFBIG, as on a full disk (SIGXFSZ is
// ignored). Returns body's result (0..255), or -1 when the child did not
// exit normally.
int withFileSizeLimit(long limitBytes, const std::function<int()>& body);

// Bytes this process has taken from the heap and not given back (the
// address sanitizer's count in a sanitized build, the C library's otherwise).
size_t heapBytesInUse();

// True while this process holds the file at path open (a descriptor in
// /proc/self/fd is that file).
bool heldOpen(const QString& path);
// How many of this process's descriptors hold the file at path.
int timesHeldOpen(const QString& path);

// While it lives, files of this process cannot grow past limitBytes (a
// write beyond it fails with EFBIG, as on a full disk); the limit and the
// SIGXFSZ handling before it come back at its end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long limitBytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long oldCur_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// Gives the test program a mount namespace of its own when it runs as root,
// so the folders a test makes read-only are so for this program alone. The
// test main calls it first, before any thread starts (a thread keeps the
// namespace it was started in).
void enterOwnMounts();

// While it lives, folder takes no write at all, root's included: it is bound
// onto itself read-only, as a user's read-only bind mount or medium would
// be. Files opened for writing before stay writable, as there. ok() is
// false, with why(), where the mount cannot be made (not root, or no
// namespace of our own); required() says whether that must fail the test
// rather than skip it (QL_MOUNT_REQUIRED, set by scripts/test).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool ok() const { return why_.isEmpty(); }
    QString why() const { return why_; }
    static bool required();

private:
    QByteArray folder_;
    QString why_;
    bool bound_ = false;
};

// While it lives and until release(), every sync and rename of a
// whole-file save or a record waits on the file queues (each at most bound):
// a disk that holds its callers up.
class HeldDisk {
public:
    explicit HeldDisk(std::chrono::milliseconds bound = std::chrono::seconds(30));
    ~HeldDisk();  // lets go
    HeldDisk(const HeldDisk&) = delete;
    HeldDisk& operator=(const HeldDisk&) = delete;
    void release();
    // Syncs and renames waiting now.
    int waiting() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// Waits until the file queues ran everything handed to them and delivers
// their results on this thread; false when they did not within 10 s.
bool settleDisk();

// While it lives, the process runs under the user's locale `name`
// ("de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8") as QApplication sets one up
// from the environment: LC_ALL names it, LOCPATH a folder where localedef
// built it (once per process), and setlocale(LC_ALL, "") makes the C library
// follow it (under de_DE strtod("0.1") is then 0). The environment and the C
// library's locale come back at its end. ok() is false, with why(), when the
// locale could not be built; required() says whether that must fail the
// test rather than skip it (QL_LOCALE_REQUIRED, set by scripts/test).
class UserLocale {
public:
    explicit UserLocale(const QString& name);
    ~UserLocale();
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;
    bool ok() const { return why_.isEmpty(); }
    QString why() const { return why_; }
    static bool required();

private:
    QString why_;
    QByteArray oldAll_, oldPath_, oldC_;
    bool hadAll_ = false, hadPath_ = false;
};

// Sets up what a test needs, a Type (UserLocale, ReadOnlyFolder) made from
// arg and named var, or leaves the test: skipped, or failed where the test
// command requires it.
#define QL_SET_UP_OR_LEAVE(Type, var, arg)                                                        \
    qltest::Type var(arg);                                                                        \
    if (!var.ok()) {                                                                              \
        if (qltest::Type::required())                                                             \
            FAIL() << #Type " " << qPrintable(QString(arg)) << ": " << qPrintable(var.why());     \
        GTEST_SKIP() << #Type " " << qPrintable(QString(arg)) << ": " << qPrintable(var.why());   \
    }
#define QL_UNDER_LOCALE(var, name) QL_SET_UP_OR_LEAVE(UserLocale, var, name)
#define QL_READ_ONLY_FOLDER(var, folder) QL_SET_UP_OR_LEAVE(ReadOnlyFolder, var, folder)

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// The user as a script: answers every question of the program from the
// queues below and records what was asked. While it exists it is the
// program's prompter, and its own clock times the re-show rule of the file
// dialog: a dialog takes fileDelayMs on that clock and no real time.
class ScriptedPrompter : public ql::Prompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

    struct Asked {
        QString text, title;
        Buttons buttons;
        Icon icon;
    };
    std::vector<Asked> messages;
    std::deque<int> answers;          // popped per message; IdOk when empty
    std::function<void()> onMessage;  // runs while a message box is "open"
    QStringList texts() const;        // the texts of messages
    QStringList titledTexts() const;  // "title|text" of each message

    // Open/save dialogs: files is answered front first, then fileAnswer.
    struct FileAsk {
        bool save;
        QString title, filters, name;  // filters in Qt's form
        QString folder;                // where the dialog starts
    };
    std::vector<FileAsk> fileAsks;
    std::deque<QString> files;
    QString fileAnswer;
    int fileCalls = 0;
    QStringList fileTitles, fileNames;  // titles and proposed names seen
    int fileDelayMs = 30;               // how long the "user" takes

    // Colour dialog: colours front first, then colourAnswer (-1 cancels).
    std::deque<int> colours;
    int colourAnswer = -1;
    int colourAsks = 0;

    // Input box: inputs front first ("" cancels), then inputAnswer/inputOk.
    std::deque<QString> inputs;
    QString inputAnswer;
    bool inputOk = true;
    QStringList inputDefaults;
    QString inputDefault;  // the last one

    QStringList urls;

    // The program's own dialogs: their class names, and what the user does
    // in them (default: OK through their "cmdOK" button, else closed).
    QStringList dialogs;
    std::function<void(QDialog&)> onDialog;

    int Message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString FileDialog(bool save, const QString& title, const QString& filters, const QString& name,
                       const QString& folder) override;
    int PickColor() override;
    QString Input(const QString& prompt, const QString& title, const QString& def, bool* ok) override;
    void OpenUrl(const QString& url) override { urls << url; }
    void RunDialog(QDialog& dialog) override;

private:
    ql::Prompter* before_ = nullptr;
    qint64 now_ = 0;
};

} // namespace qltest
