#pragma once
// The Qt dialogs behind the program's Prompter (platform/prompter.h): the
// program installs one at start; nothing else shows a Qt message box, file,
// colour or input dialog.
#include "platform/prompter.h"

class QWidget;

namespace ql {

// The real dialogs, parented to a window when one is given.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    int Message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString FileDialog(bool save, const QString& title, const QString& filters, const QString& name,
                       const QString& folder) override;
    int PickColor() override;
    QString Input(const QString& prompt, const QString& title, const QString& def, bool* ok) override;
    void OpenUrl(const QString& url) override;
    void RunDialog(QDialog& dialog) override;

private:
    QWidget* parent_;
};

}  // namespace ql
