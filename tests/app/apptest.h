#pragma once
// Shared pieces of the main-window tests: the scripted prompter
// (testutil.h), a pseudo-terminal standing in for a
// device's serial line, and a fixture with a fresh program folder.
#include "app/mainseam.h"
#include "platform/settings.h"
#include "testutil.h"

#include <QApplication>
#include <QByteArray>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;

namespace ql {
class DevCtrl;
class frmSet;
namespace sim {
class DeviceSim;
}
}  // namespace ql

namespace qltest {

// Short link and panel periods for window tests: the run seconds tick every
// 20 ms, ports are polled every 5 ms, connect is resent every 40 ms, the
// receive lamp goes out after 20 ms and the panel timers tick every 20 ms.
ql::MainOptions FastOptions();
// The same for a line that never answers: connect is sent once, at the click.
ql::MainOptions SilentLineOptions();

// The inside of a main window: records, slot widgets, menus, timers.
inline ql::frmMain::Seam inside(ql::frmMain& w) { return ql::frmMain::Seam(w); }
inline ql::frmMain::Seam inside(const std::unique_ptr<ql::frmMain>& w) { return ql::frmMain::Seam(*w); }

// Processes events until cond holds; false after ms.
bool waitFor(const std::function<bool()>& cond, int ms = 8000);

// The lines of a CR LF text file, without the empty one after the last end.
QStringList fileLines(const QString& path);

// Types text into a field and leaves it, as a user does.
void typeInto(QLineEdit* e, const QString& text);

// Types into an editable list as a user does, removing what the inline
// completion added ("1" completes to "10").
void chooseText(QComboBox* c, const QString& text);

// The shown top-level window of class T, or null.
template <typename T>
T* shownWindow()
{
    return qltest::topWindow<T>(true);
}

// One step entered in the step editor: its kind and the values its
// enabled fields take. False when the editor refuses the step.
bool enterStep(ql::frmSet& editor, int kind, const QString& set, const QString& lmt, const QString& third);

// The frames a simulated device received: their operation (the low nibble
// of the command byte), a two-byte value at pos, those of one operation, and
// the channel digit of each of those.
int opOf(const QByteArray& frame);
int pairAt(const QByteArray& frame, int pos);
QList<QByteArray> framesOf(const ql::sim::DeviceSim& dev, int op);
std::vector<int> channelsOf(const ql::sim::DeviceSim& dev, int op);

// Today's error log, line by line.
QStringList errorLog();

// Fills slot's auto-test page: c1 to c2 in steps of step, time per step in
// seconds, down to vol.
void fillAutoTest(ql::DevCtrl& p, const QString& c1, const QString& c2, const QString& step, const QString& time,
                  const QString& vol);

// A pseudo-terminal whose slave side is linked as ports/<name>.
class Pty {
public:
    Pty(const QString& portsDir, const QString& name);
    ~Pty();
    bool ok() const { return master_ >= 0; }
    // Everything the program wrote, waiting up to ms for at least min bytes.
    QByteArray readAll(int min = 1, int ms = 1000);
    void write(const QByteArray& bytes);

private:
    int master_ = -1;
    QString link_;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A main window whose closing does not ask: answers are queued first.
    std::unique_ptr<ql::frmMain> makeWindow(ql::MainOptions options = FastOptions());
    void closeWindow(ql::frmMain& w);  // answers OK to every question
    QString home() const { return dir_->path(); }
    QString portsDir() const;
    QString iniText() const;
    // Writes ql.ini: the header line, then body.
    void writeIni(const QByteArray& body);

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedPrompter prompt;
    QByteArray oldHome_, oldPorts_, oldSys_;
};

// Splits the bytes into ten-byte frames.
std::vector<QByteArray> Frames(const QByteArray& bytes);

// Main-window tests against simulated devices: the ports folder exists, and
// a failing test prints the error log and the messages it was shown.
class DeviceAppTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A main window, shown, exposed and active.
    std::unique_ptr<ql::frmMain> startWindow(ql::MainOptions options = FastOptions());
    // Connects slot n to the device on COM<port> with the panel's button
    // and waits until the device is identified.
    void connectDevice(ql::frmMain& w, int n, ql::sim::DeviceSim& dev, int port);
    // Plugs dev in as COM<port>, replying every replyMs.
    bool plug(ql::sim::DeviceSim& dev, int port, int replyMs = 20);
    // dev plugged in as COM<port>, a shown window, and its slot 0 connected
    // to the device and identified; null after a failure.
    std::unique_ptr<ql::frmMain> connectedWindow(ql::sim::DeviceSim& dev, int port, int replyMs = 20,
                                                 ql::MainOptions options = FastOptions());
    // Types set value and limit into slot n's one-channel fields, starts,
    // and waits until the slot's record has channel 0 running.
    void startRun(ql::frmMain& w, const QString& sval, const QString& slmt, int n = 0);
    // Stop on slot n's one-channel page, then waits until channel 0 stopped.
    void stopRun(ql::frmMain& w, int n = 0);
    // The live record of slot n's channel c.
    static QString recordOf(ql::frmMain& w, int n = 0, int c = 0);
    // Opens slot n's step editor, hands it to edit, and closes it with OK;
    // returns once the editor is hidden.
    void editSteps(ql::frmMain& w, const std::function<void(ql::frmSet&)>& edit, int n = 0);
    // Saves slot n's steps as <home>/<name>.stp, clears them and opens the
    // file again.
    void reopenSteps(ql::frmMain& w, const QString& name, int n = 0);
};

} // namespace qltest
