#pragma once
// Everything that asks the user something goes through the one installed
// Prompter: message boxes, the open/save, colour and input dialogs, the
// program's own small dialogs and opening a web page. The program installs
// the Qt dialogs at start (app/prompter.h); tests install a scripted one.
// With none installed every question is answered as if cancelled.
#include <QString>

#include <array>
#include <functional>

class QDialog;

namespace ql {

// The kinds of file the program asks for. Each kind's dialog starts in the
// folder where the user last chose a file of that kind.
enum class FileKind { Data, Parameter, Step, Result, Picture };
constexpr int kFileKinds = 5;

class Prompter {
public:
    enum Buttons { OkOnly, OkCancel };
    enum Icon { Information, Critical, Question };
    // Answers of Message, the values a caller compares with.
    static constexpr int IdOk = 1;
    static constexpr int IdCancel = 2;

    virtual ~Prompter() = default;

    // A message box; returns IdOk or IdCancel (closing the box is Cancel).
    virtual int Message(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
    // The open (save false) or save dialog, showing folder with name
    // proposed. filters: Qt filter text ("desc (*.x);;desc (*.y)"). Returns
    // the chosen path or "" on cancel.
    virtual QString FileDialog(bool save, const QString& title, const QString& filters, const QString& name,
                               const QString& folder) = 0;
    // The colour dialog; returns a COLORREF (0x00BBGGRR) or -1 on cancel.
    virtual int PickColor() = 0;
    // An input box; ok tells OK from Cancel.
    virtual QString Input(const QString& prompt, const QString& title, const QString& def, bool* ok) = 0;
    // Opens a web page in the desktop's browser.
    virtual void OpenUrl(const QString& url) = 0;
    // Shows one of the program's own dialogs modally; returns once it is closed.
    virtual void RunDialog(QDialog& dialog) = 0;

    // The folder of the file last chosen of each kind through this prompter
    // (empty: none yet). A prompter lives as long as a session of the
    // program, so the dialogs follow the user's choices for that long.
    std::array<QString, kFileKinds> chosenFolders;
};

// The installed prompter, or one that cancels every question.
Prompter& prompter();
// Installs p (not owned; nullptr: none); returns the one installed before.
Prompter* setPrompter(Prompter* p);

// The clock of the re-show rule of FileDialog, in milliseconds; an empty
// function restores the steady system clock.
void setPromptClock(std::function<qint64()> msNow);

// Converts a "|"-separated list of description and pattern pairs
// ("bmp file(*.bmp)|*.bmp|...") into Qt's filter text.
QString QtFilter(const QString& pairs);

// The common open/save dialog: "" at once for a proposed name longer than
// 260 characters; a dialog answered within 20 ms is shown once more with no
// proposed name and that answer counts. It starts where the user last chose
// a file of that kind; before that, data files start in the program
// folder's Data, the other kinds in the program folder.
QString FileDialog(FileKind kind, bool save, const QString& title, const QString& filter, const QString& name);

// The colour dialog: a COLORREF or -1 on cancel.
int PickColor();

// A message box whose text and title pass through Lang.
int MsgBox(const QString& text, const QString& title, Prompter::Buttons buttons, Prompter::Icon icon);

// A box titled "Prompt" with OK; text and title pass through Lang.
void ShowPrompt(const QString& text, Prompter::Icon icon = Prompter::Critical);

// Tells the user that a save they asked for failed ("Cannot save file!").
void TellCannotSave();
// The same once a save ended, when it failed (ok false).
void TellUnlessWritten(bool ok);

}  // namespace ql
