#include "platform/runfile.h"

#include "platform/numfmt.h"

namespace ql {

QString DataFileBanner() { return QStringLiteral("-----------QL Tester Software-----------"); }

QString RecordBanner() { return QStringLiteral("-----------QL Tester Software------------"); }

QString SupersededBanner() { return QStringLiteral("-----------QL Tester Software--superseded"); }

QString FileTrailer() { return QStringLiteral("------------www.qltester.example--------------"); }

QStringList ColumnTitles(bool withTemp, bool milliAmps)
{
    if (withTemp)
        return {QStringLiteral("Time(S)"), QStringLiteral("Cur(A)"), QStringLiteral("Vol(V)"),
                QStringLiteral("Temp(C)")};
    return {QStringLiteral("Time(S)"), milliAmps ? QStringLiteral("Cur(mA)") : QStringLiteral("Cur(A)"),
            QStringLiteral("Vol(V)")};
}

RowLayout RecordRowLayout(int curFactor, bool withTemp)
{
    return {QLatin1Char(kRecordSep), curFactor == 100 ? QStringLiteral("00.00") : QStringLiteral("0.000"), withTemp};
}

RowLayout DataFileRowLayout(bool csv, int curFactor, bool withTemp)
{
    return {csv ? QLatin1Char(',') : QLatin1Char('\t'),
            curFactor == 100 ? QStringLiteral("0.00") : QStringLiteral("0.000"), withTemp};
}

QString FormatRow(const RowLayout& layout, int64_t secs, float cur, float volt, float temp)
{
    QString row = QString::number(secs) + layout.sep + Format(cur, layout.curPattern) + layout.sep +
                  Format(volt, QStringLiteral("0.000"));
    if (layout.withTemp)
        row += layout.sep + Format(temp, QStringLiteral("0.0"));
    return row;
}

} // namespace ql
