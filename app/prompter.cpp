#include "app/prompter.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace ql {

int QtPrompter::Message(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Information: box.setIcon(QMessageBox::Information); break;
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    }
    box.setStandardButtons(buttons == OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    if (buttons == OkCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? IdOk : IdCancel;
}

QString QtPrompter::FileDialog(bool save, const QString& title, const QString& filters, const QString& name,
                               const QString& folder)
{
    const QString start = name.isEmpty() ? folder : QDir(folder).filePath(name);
    if (save)
        return QFileDialog::getSaveFileName(parent_, title, start, filters);
    return QFileDialog::getOpenFileName(parent_, title, start, filters);
}

int QtPrompter::PickColor()
{
    // No initial colour and no custom colours kept between calls.
    QColorDialog dlg(parent_);
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(0, 0, 0));
    if (dlg.exec() != QDialog::Accepted)
        return -1;
    const QColor c = dlg.selectedColor();
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QString QtPrompter::Input(const QString& prompt, const QString& title, const QString& def, bool* ok)
{
    return QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, def, ok);
}

void QtPrompter::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

void QtPrompter::RunDialog(QDialog& dialog) { dialog.exec(); }

}  // namespace ql
