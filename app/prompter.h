#pragma once
// Everything that asks the user something goes through one Prompter: message
// boxes, the open/save and colour dialogs and the input box. The program uses
// QtPrompter; tests install their own to answer without a person.
#include <QString>

class QWidget;

namespace ql {

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
    // The open (save false) or save dialog. filters: Qt filter text
    // ("desc (*.x);;desc (*.y)"). Returns the chosen path or "" on cancel.
    virtual QString FileDialog(bool save, const QString& title, const QString& filters, const QString& name) = 0;
    // The colour dialog; returns a COLORREF (0x00BBGGRR) or -1 on cancel.
    virtual int PickColor() = 0;
    // An input box; ok tells OK from Cancel.
    virtual QString Input(const QString& prompt, const QString& title, const QString& def, bool* ok) = 0;
    // Opens a web page in the desktop's browser.
    virtual void OpenUrl(const QString& url);
};

// The real dialogs, parented to a window when one is given.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    int Message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString FileDialog(bool save, const QString& title, const QString& filters, const QString& name) override;
    int PickColor() override;
    QString Input(const QString& prompt, const QString& title, const QString& def, bool* ok) override;

private:
    QWidget* parent_;
};

// The prompter of the program; QtPrompter unless one was installed.
Prompter& prompter();
// Installs p (not owned) as the program's prompter; nullptr restores QtPrompter.
void setPrompter(Prompter* p);

// Converts a "|"-separated list of description and pattern pairs
// ("bmp file(*.bmp)|*.bmp|...") into Qt's filter text.
QString QtFilter(const QString& pairs);

// The common open/save dialog: "" at once for a proposed name longer than
// 260 characters; a dialog answered within 20 ms is shown once more with no
// proposed name and that answer counts.
QString FileDialog(bool save, const QString& title, const QString& filter, const QString& name);

// The colour dialog: a COLORREF or -1 on cancel.
int PickColor();

// A message box whose text and title pass through Lang.
int MsgBox(const QString& text, const QString& title, Prompter::Buttons buttons, Prompter::Icon icon);

} // namespace ql
