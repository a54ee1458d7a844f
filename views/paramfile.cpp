#include "views/paramfile.h"

#include "link/valuecheck.h"
#include "panel/devctrl.h"
#include "platform/diskqueue.h"
#include "platform/numfmt.h"
#include "platform/profile.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/wholefile.h"

#include <QFile>

#include <exception>

namespace ql {

QStringList ParameterFileLines(const CfgEntries& e)
{
    return {QString::fromLatin1(kCfgBanner),
            QStringLiteral("D:") + e.device,
            QStringLiteral("T:") + e.title,
            QStringLiteral("S:") + e.sval,
            QStringLiteral("L:") + e.slmt,
            QStringLiteral("M:") + e.time,
            QString::fromLatin1(kCfgTrailer)};
}

bool WriteParameterFile(const QString& path, const QStringList& lines)
{
    return SaveWholeLinesLogged(path, lines, QStringLiteral("ErrSaveCfg"));
}

CfgRead ReadParameterFile(const QString& path, const QString& device)
{
    CfgRead r;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.status = CfgRead::Unreadable;
        r.reason = path + QStringLiteral(": ") + file.errorString();
        return r;
    }
    const QByteArray bytes = file.read(kCfgMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        r.status = CfgRead::Unreadable;
        r.reason = path + QStringLiteral(": ") + file.errorString();
        return r;
    }
    if (bytes.size() > kCfgMaxBytes) {
        r.status = CfgRead::TooLarge;
        r.reason = path + QStringLiteral(": larger than a parameter file");
        return r;
    }
    return ParseParameterFile(bytes, device);
}

CfgRead ParseParameterFile(const QByteArray& bytes, const QString& device)
{
    CfgRead r;
    QString text = profile::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();

    bool matched = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {  // the banner line is not looked at
        const QString& line = lines[i];
        if (line.size() <= 3)
            continue;
        const QString key = line.left(2);
        const QString value = line.mid(2);
        if (!matched) {
            matched = key == QLatin1String("D:") && value == device;
            continue;
        }
        if (line.contains(QChar::ReplacementCharacter) || line.contains(QChar(0))) {
            r.skipped << QStringLiteral("line %1 (bytes that are no text)").arg(i + 1);
            continue;
        }
        if (key == QLatin1String("T:")) {
            r.title = value;
            continue;
        }
        std::optional<QString>* slot = nullptr;
        char k = 0;
        if (key == QLatin1String("S:"))
            slot = &r.sval, k = 'S';
        else if (key == QLatin1String("L:"))
            slot = &r.slmt, k = 'L';
        else if (key == QLatin1String("M:"))
            slot = &r.time, k = 'M';
        if (!slot)
            continue;
        // A value an earlier build wrote with a decimal comma reads with its value.
        if (const std::optional<QString> number = FileNumberText(value))
            *slot = *number;
        else if (k != 'M')  // the time readout's own "hh:mm:ss" text is not restored
            r.skipped << line;
    }
    if (!matched) {
        r = CfgRead{};
        r.status = CfgRead::OtherDevice;
    }
    return r;
}

void SaveParameterFile(ViewHost& host)
{
    try {
        const int n = host.CurDev();
        DevCtrl& p = *host.panel(n);
        const int chn = p.ChnIndex();
        if (host.link().ch(n, chn).Running)
            return;
        const bool dev2s = host.Dev2S(n);
        const QString title = ViewDialogTitle(QStringLiteral("Save Parameter"), n, chn, dev2s);
        const QString name = ProposedViewFileName(host.now(), host.DevName(n, chn), chn, dev2s);
        const QString chosen = FileDialog(FileKind::Parameter, true, title, QString::fromLatin1(kCfgFilter), name);
        if (chosen.isEmpty())
            return;
        CfgEntries e;
        e.device = host.DevName(n, 0);
        e.title = host.link().slot.at(size_t(n)).TitleText;
        e.sval = PointForm(p.tSval(chn));
        e.slmt = PointForm(p.tSlmt(chn));
        e.time = PointForm(p.tTime(chn));
        const QString path = WithExtension(chosen, QStringLiteral("cfg"));
        const QStringList lines = ParameterFileLines(e);
        FileQueue().Post([path, lines](QString*) { return WriteParameterFile(path, lines); }, host.window(),
                         [](bool ok, const QString&) { TellUnlessWritten(ok); });
    } catch (const std::exception& ex) {
        ErrLog(QStringLiteral("ErrSaveCfg"), QString::fromLocal8Bit(ex.what()));
    }
}

void OpenParameterFile(ViewHost& host)
{
    const QString chosen = FileDialog(FileKind::Parameter, false, Lang(QStringLiteral("Open Parameter")),
                                      QString::fromLatin1(kCfgFilter), QString());
    if (chosen.isEmpty() || chosen.right(3) != QLatin1String("cfg"))
        return;
    const auto tell = [](const char* text) {
        MsgBox(QString::fromLatin1(text), QString::fromLatin1(kMsgTitle), Prompter::OkOnly, Prompter::Critical);
    };
    try {
        const int n = host.CurDev();
        DevCtrl& p = *host.panel(n);
        const int chn = p.ChnIndex();
        const CfgRead r = ReadParameterFile(chosen, host.DevName(n, 0));
        if (r.status == CfgRead::OtherDevice)
            return;
        if (r.status != CfgRead::Ok) {
            ErrLog(QStringLiteral("ErrOpenCfg"), r.reason);
            tell(kMsgInvalidValue);
            return;
        }
        if (r.title)
            host.setTitleText(n, *r.title);
        if (r.sval)
            p.setTSval(chn, *r.sval);
        if (r.slmt)
            p.setTSlmt(chn, *r.slmt);
        if (r.time)
            p.setTTime(chn, *r.time);
        if (!r.skipped.isEmpty()) {
            ErrLog(QStringLiteral("ErrOpenCfg"), QStringLiteral("%1: %2 damaged lines skipped, the first: %3")
                                                     .arg(chosen)
                                                     .arg(r.skipped.size())
                                                     .arg(r.skipped.mid(0, 3).join(QStringLiteral(", "))));
            tell(kMsgInvalidValue);
        }
    } catch (const std::exception& ex) {
        ErrLog(QStringLiteral("ErrOpenCfg"), QString::fromLocal8Bit(ex.what()));
    }
}

} // namespace ql
