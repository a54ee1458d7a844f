#include "app/prompter.h"

#include "platform/services.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QUrl>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace ql {

void Prompter::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

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

QString QtPrompter::FileDialog(bool save, const QString& title, const QString& filters, const QString& name)
{
    if (save)
        return QFileDialog::getSaveFileName(parent_, title, name, filters);
    return QFileDialog::getOpenFileName(parent_, title, name, filters);
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

namespace {
Prompter* g_installed = nullptr;
}

Prompter& prompter()
{
    static QtPrompter real;
    return g_installed ? *g_installed : real;
}

void setPrompter(Prompter* p) { g_installed = p; }

QString QtFilter(const QString& pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        out << parts.last();
    return out.join(QStringLiteral(";;"));
}

QString FileDialog(bool save, const QString& title, const QString& filter, const QString& name)
{
    constexpr int kMaxPath = 260;
    if (name.size() > kMaxPath)
        return QString();
    const QString filters = QtFilter(filter);
    QElapsedTimer clock;
    clock.start();
    QString chosen = prompter().FileDialog(save, title, filters, name);
    // A dialog that comes back at once did not reach the user: ask again.
    if (clock.elapsed() < 20)
        chosen = prompter().FileDialog(save, title, filters, QString());
    return chosen;
}

int PickColor() { return prompter().PickColor(); }

int MsgBox(const QString& text, const QString& title, Prompter::Buttons buttons, Prompter::Icon icon)
{
    return prompter().Message(Lang(text), Lang(title), buttons, icon);
}

} // namespace ql
