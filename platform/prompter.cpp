#include "platform/prompter.h"

#include "platform/services.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <chrono>

namespace ql {

namespace {

// Answers as a user who closes every box and dialog.
class Unanswered final : public Prompter {
public:
    int Message(const QString&, const QString&, Buttons, Icon) override { return IdCancel; }
    QString FileDialog(bool, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    int PickColor() override { return -1; }
    QString Input(const QString&, const QString&, const QString&, bool* ok) override
    {
        if (ok)
            *ok = false;
        return {};
    }
    void OpenUrl(const QString&) override {}
    void RunDialog(QDialog&) override {}
};

Prompter* g_installed = nullptr;
std::function<qint64()> g_clock;

qint64 NowMs()
{
    if (g_clock)
        return g_clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Prompter& prompter()
{
    static Unanswered none;
    return g_installed ? *g_installed : none;
}

Prompter* setPrompter(Prompter* p)
{
    Prompter* before = g_installed;
    g_installed = p;
    return before;
}

void setPromptClock(std::function<qint64()> msNow) { g_clock = std::move(msNow); }

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

QString FileDialog(FileKind kind, bool save, const QString& title, const QString& filter, const QString& name)
{
    constexpr int kMaxPath = 260;
    constexpr qint64 kAtOnceMs = 20;
    if (name.size() > kMaxPath)
        return QString();
    Prompter& user = prompter();
    QString& last = user.chosenFolders.at(size_t(kind));
    const QString folder = !last.isEmpty()          ? last
                           : kind == FileKind::Data ? QDir(ProgramDir()).filePath(QStringLiteral("Data"))
                                                    : ProgramDir();
    const QString filters = QtFilter(filter);
    const qint64 shown = NowMs();
    QString chosen = user.FileDialog(save, title, filters, name, folder);
    // A dialog that comes back at once did not reach the user: ask again.
    if (NowMs() - shown < kAtOnceMs)
        chosen = user.FileDialog(save, title, filters, QString(), folder);
    if (!chosen.isEmpty())
        last = QFileInfo(chosen).absolutePath();
    return chosen;
}

int PickColor() { return prompter().PickColor(); }

int MsgBox(const QString& text, const QString& title, Prompter::Buttons buttons, Prompter::Icon icon)
{
    return prompter().Message(Lang(text), Lang(title), buttons, icon);
}

void ShowPrompt(const QString& text, Prompter::Icon icon)
{
    MsgBox(text, QStringLiteral("Prompt"), Prompter::OkOnly, icon);
}

void TellCannotSave() { ShowPrompt(QStringLiteral("Cannot save file!")); }

void TellUnlessWritten(bool ok)
{
    if (!ok)
        TellCannotSave();
}

}  // namespace ql
