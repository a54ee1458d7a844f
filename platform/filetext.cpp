#include "platform/filetext.h"

namespace ql {

bool IsControlChar(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString OneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    bool inBreak = false;
    for (QChar c : text) {
        const bool breaks = c != QLatin1Char('\t') && IsControlChar(c);
        if (!breaks)
            line += c;
        else if (!inBreak)
            line += QLatin1Char(' ');
        inBreak = breaks;
    }
    return line;
}

QString FileNamePart(const QString& text)
{
    QString part;
    part.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char('/') && c != QLatin1Char('\\') && !IsControlChar(c))
            part += c;
    return part;
}

} // namespace ql
