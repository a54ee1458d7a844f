#pragma once
// Outside text (a chart title typed or pasted, a device name read from a
// device or a file, a grid cell) on its way into a file the program writes.
// Inside one line of a text file it must not end that line; inside a file
// name it must not lead to another folder.
#include <QString>

namespace ql {

// True for a character that can end a line or steer a terminal: the C0 and
// C1 control characters, DEL, and the Unicode line and paragraph separators.
bool IsControlChar(QChar c);

// text as the content of one line: each run of control characters but TAB
// becomes one blank, so CR, LF and their kin can never start a new line.
QString OneLine(const QString& text);

// text as a part of a file name: path separators ("/" and "\") and control
// characters removed. An ordinary name comes back as it is.
QString FileNamePart(const QString& text);

} // namespace ql
