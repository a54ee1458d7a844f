// The stored-data viewer window and its dialogs, driven through their
// public commands with every question answered by the test.
#include "scratchfile.h"
#include "testutil.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "controls/legendcheck.h"
#include "platform/services.h"
#include "views/dataviewer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

using namespace ql;
using qltest::writeBytes;

namespace {

// Answers every question of the viewer and records what it was asked: the
// X-axis type from capacityAxis, the colour dialog by onColor (else OK), a
// message box with messageAnswer.
struct Answers : qltest::ScriptedPrompter {
    Answers()
    {
        inputOk = false;
        onDialog = [this](QDialog& d) {
            if (auto* t = qobject_cast<frmType*>(&d)) {
                (capacityAxis ? t->optVC : t->optVT)->setChecked(true);
                t->cmdOK->click();
            } else if (onColor) {
                onColor(d);
            } else {
                d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            }
        };
    }
    int Message(const QString& text, const QString& title, Buttons buttons, Icon icon) override
    {
        ScriptedPrompter::Message(text, title, buttons, icon);
        return messageAnswer;
    }
    static ViewerEnv env() { return {}; }

    int messageAnswer = IdOk;
    bool capacityAxis = false;
    std::function<void(QDialog&)> onColor;  // what the user does in frmColor
};

// A discharge of n seconds at current I from 4.2 V down by 0.5 mV a second.
QByteArray Discharge(const char* device, int n, double I, char sep = ',')
{
    QByteArray t = "-----------QL Tester Software-----------\r\nDevice:";
    t += device;
    t += "\r\nMode:D-CC  1.00A  3.00V\r\nBegin Volt:4.200V\r\nTitle:Cell\r\n"
         "------------www.qltester.example--------------\r\nTime(S),Cur(A),Vol(V)\r\n";
    t.replace(',', sep);
    for (int s = 0; s < n; ++s)
        t += QByteArray::number(s) + sep + QByteArray::number(I, 'f', 2) + sep +
             QByteArray::number(4.2 - s * 0.0005, 'f', 3) + "\r\n";
    return t;
}

QString ReadLog()
{
    QFile f(QDir(ProgramDir()).filePath(QStringLiteral("ql.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ViewerTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (QPointer<frmData> w = viewer)
            delete w.data();
    }
    frmData* open()
    {
        viewer = new frmData(ask.env());
        viewer->resize(900, 600);
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer));
        return viewer;
    }
    QTemporaryDir dir;
    Answers ask;
    QPointer<frmData> viewer;
};

} // namespace

// A file without capacity, energy and average lines: the viewer works them
// out of the rows, under a locale with a decimal comma as under C: 1000 mAh
// at an average of 2.15 V are 2150 mWh.
TEST_F(ViewerTest, WorksOutTheEnergyTheSameInEveryLocale)
{
    QByteArray t = "Device:QL-K01\r\nMode:D-CC  1.00A  2.00V\r\nTime(S),Cur(A),Vol(V)\r\n";
    for (int s = 0; s <= 3600; ++s)
        t += QByteArray::number(s) + ",1.00," + (s % 2 ? "2.100" : "2.200") + "\r\n";
    t += "3601,1.00,2.150\r\n";
    const QString file = writeBytes(dir, "avg.csv", t);
    for (const char* name : {"C.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        SCOPED_TRACE(name);
        QL_UNDER_LOCALE(locale, QString::fromLatin1(name));
        frmData* w = open();
        ask.files = {file};
        w->menuOpenData_Click();
        ASSERT_EQ(w->FileCnt(), 1);
        EXPECT_EQ(w->grid()->TextMatrix(1, 4), QStringLiteral("1000mAh"));
        EXPECT_EQ(w->grid()->TextMatrix(1, 6), QStringLiteral("2.15V"));
        EXPECT_EQ(w->grid()->TextMatrix(1, 5), QStringLiteral("2150mWh"));
        delete w;
    }
}

TEST_F(ViewerTest, ShowsFilesOnTheChartAndInTheGrid)
{
    frmData* w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("V--A--Second"));
    EXPECT_TRUE(w->menuCur->isChecked());
    EXPECT_FALSE(w->menuLa->isChecked());
    CurveGraph* g = w->chart();
    FlexGrid* grid = w->grid();
    EXPECT_EQ(grid->TextMatrix(0, 7), QStringLiteral("Title"));

    // First file: user keeps the colours, names the curve "Cell A".
    ask.files = {writeBytes(dir, "a.csv", Discharge("QL-K01", 3601, 1.0))};
    ask.onColor = [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("txtVol"))->setText(QStringLiteral("Cell A"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    };
    w->menuOpenData_Click();
    EXPECT_EQ(ask.fileTitles.value(0), QStringLiteral("Open Data"));
    ASSERT_EQ(w->FileCnt(), 1);
    EXPECT_EQ(g->CurveCount(), 5);
    EXPECT_EQ(g->DpCnt(0), 3601);
    EXPECT_EQ(g->DpCnt(1), 3601);
    EXPECT_EQ(g->DpCnt(2), 0);
    EXPECT_EQ(g->DpCnt(3), 3601);
    EXPECT_EQ(g->DpCnt(4), 3601);
    EXPECT_FLOAT_EQ(g->DpY(3, 3600), 1.0f);  // Ah after an hour at 1 A
    EXPECT_TRUE(g->ShowCurve(0));
    EXPECT_TRUE(g->ShowCurve(1));
    EXPECT_FALSE(g->ShowCurve(3));
    EXPECT_EQ(g->LegendText(0), QStringLiteral("Cell A"));
    EXPECT_EQ(grid->TextMatrix(1, 0), QStringLiteral("QL-K01"));
    EXPECT_EQ(grid->TextMatrix(1, 2), QStringLiteral("4.200V"));
    EXPECT_EQ(grid->TextMatrix(1, 7), QStringLiteral("Cell"));
    EXPECT_EQ(grid->TextMatrix(1, 4), QStringLiteral("1000mAh"));
    EXPECT_EQ(grid->TextMatrix(1, 6), QStringLiteral("3.3V"));
    EXPECT_EQ(grid->TextMatrix(1, 5), QStringLiteral("3300mWh"));
    EXPECT_FLOAT_EQ(g->MaxX(), 3600);
    EXPECT_FLOAT_EQ(g->MinY(0), 2.3f);  // 2.4 V down to 0.1 V under, whole divisions
    EXPECT_FLOAT_EQ(g->MaxY(0), 4.3f);
    EXPECT_FLOAT_EQ(g->MinY(1), 0.75f);  // 0.9..1.1 A: 4 divisions, out by 6 x 0.025
    EXPECT_FLOAT_EQ(g->MaxY(1), 1.25f);

    // Second file, TAB-separated, from the fine-current model;
    // the user picks a green voltage colour and cancels the current one.
    const int heightBefore = w->height();
    ask.files = {writeBytes(dir, "b.dat", Discharge("QL-R35", 100, 0.2, '\t'))};
    ask.colours = {0x00FF00, -1};
    ask.onColor = [](QDialog& d) {
        auto* c = static_cast<frmColor*>(&d);
        EXPECT_EQ(c->VolIdx(), 5);
        EXPECT_EQ(c->txtVol->text(), QStringLiteral("2Voltage"));
        c->lblVolColor_Click();
        c->lblCurColor_Click();
        c->cmdOK->click();
    };
    w->menuOpenData_Click();
    ASSERT_EQ(w->FileCnt(), 2);
    EXPECT_EQ(g->CurveCount(), 10);
    EXPECT_EQ(grid->Rows(), 3);
    EXPECT_EQ(w->height(), heightBefore + FlexGrid::kRowHeight);
    EXPECT_FALSE(g->Size());
    EXPECT_EQ(g->DpCnt(5), 100);
    EXPECT_EQ(g->CurveAxesY(6), 1);
    EXPECT_EQ(g->CurveLineColor(5), 0x00FF00u);
    EXPECT_EQ(g->CurveLineColor(6), 0x0000FFu);  // red kept
    EXPECT_EQ(grid->TextMatrix(2, 0), QStringLiteral("QL-R35"));
    EXPECT_TRUE(w->FineCur());
    EXPECT_EQ(g->DpCnt(0), 3601);  // the first file stays
    EXPECT_FLOAT_EQ(g->MaxX(), 3600);  // one X range for both

    qltest::savePicture(w, QStringLiteral("viewer_two_files"));

    // Current off hides every current curve and its axis; Label then shows
    // only the voltage legends.
    w->menuCur_Click();
    EXPECT_FALSE(g->ShowAxesY1());
    EXPECT_FALSE(g->ShowCurve(1));
    EXPECT_FALSE(g->ShowCurve(6));
    w->menuLa_Click();
    EXPECT_TRUE(g->ShowLegend(0));
    EXPECT_TRUE(g->ShowLegend(5));
    EXPECT_FALSE(g->ShowLegend(6));

    // Clear, refused and then confirmed: the next file owns curves 0..4 and row 1 again.
    ask.messageAnswer = Prompter::IdCancel;
    w->menuClear_Click();
    EXPECT_EQ(w->FileCnt(), 2);
    ask.messageAnswer = Prompter::IdOk;
    w->menuClear_Click();
    EXPECT_EQ(w->FileCnt(), 0);
    EXPECT_EQ(g->CurveCount(), 5);
    EXPECT_EQ(g->DpCnt(0), 0);
    EXPECT_TRUE(grid->TextMatrix(2, 0).isEmpty());
    EXPECT_EQ(grid->Rows(), 3);
    ask.onColor = nullptr;
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "c.csv", Discharge("QL-K02", 10, 1.0))));
    EXPECT_EQ(g->DpCnt(0), 10);
    EXPECT_EQ(grid->TextMatrix(1, 0), QStringLiteral("QL-K02"));
    EXPECT_FALSE(w->FineCur());
}

TEST_F(ViewerTest, UnreadableEmptyOrDamagedFilesNeverChangeTheViewerWrongly)
{
    frmData* w = open();
    CurveGraph* g = w->chart();
    // The log's last line was cut off (a full disk): the next entry still
    // starts a line of its own.
    {
        QFile f(QDir(ProgramDir()).filePath(QStringLiteral("ql.log")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
        f.write("2026-01-01 00:00:00:[ErrData]cut o");
    }
    const int before = ReadLog().size();

    // A text that is no data file, neither header lines nor rows: the user
    // is told and nothing changes.
    ask.files = {writeBytes(dir, "notes.csv", "shopping list\r\n- milk\r\n")};
    w->menuOpenData_Click();
    EXPECT_EQ(ask.texts().value(0), QStringLiteral("No data in the file!"));
    EXPECT_EQ(w->FileCnt(), 0);
    EXPECT_EQ(g->CurveCount(), 5);

    // A file that cannot be opened: told and logged.
    EXPECT_FALSE(w->OpenDataFile(dir.filePath("gone.csv")));
    EXPECT_EQ(ask.texts().value(1), QStringLiteral("Can not open the file!"));

    // A run without points writes a file of header lines only: it opens
    // with its header shown and no curve, keeping the chart's ranges, and
    // the next file takes the next row and curves.
    const float maxX = g->MaxX(), maxV = g->MaxY(0);
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "empty.csv", Discharge("QL-K01", 0, 1.0))));
    EXPECT_EQ(ask.texts().size(), 2);
    EXPECT_EQ(w->FileCnt(), 1);
    EXPECT_EQ(w->grid()->TextMatrix(1, 0), QStringLiteral("QL-K01"));
    EXPECT_EQ(w->grid()->TextMatrix(1, 2), QStringLiteral("4.200V"));
    EXPECT_EQ(w->grid()->TextMatrix(1, 7), QStringLiteral("Cell"));
    EXPECT_TRUE(w->grid()->TextMatrix(1, 4).isEmpty());  // no rows, no capacity made up
    EXPECT_EQ(g->DpCnt(0), 0);
    EXPECT_EQ(g->LegendText(0), QStringLiteral("1Voltage"));
    EXPECT_EQ(g->MaxX(), maxX);
    EXPECT_EQ(g->MaxY(0), maxV);
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "next.csv", Discharge("QL-K02", 4, 1.0))));
    EXPECT_EQ(w->grid()->TextMatrix(2, 0), QStringLiteral("QL-K02"));
    EXPECT_EQ(g->DpCnt(5), 4);
    EXPECT_EQ(g->DpCnt(0), 0);
    ask.messageAnswer = Prompter::IdOk;
    w->menuClear_Click();
    ASSERT_EQ(w->FileCnt(), 0);

    // A truncated file with damaged rows: the good rows show, the bad are logged.
    QByteArray text = Discharge("QL-K01", 5, 1.0);
    text += "5,1.00,\r\n6,x,4.0\r\n7,1.0";
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "cut.csv", text)));
    EXPECT_EQ(g->DpCnt(0), 5);
    const QString log = ReadLog().mid(before);
    const QStringList lines = ReadLog().split(QStringLiteral("\r\n"));
    const qsizetype cut = lines.indexOf(QStringLiteral("2026-01-01 00:00:00:[ErrData]cut o"));
    ASSERT_GE(cut, 0) << log.toStdString();
    EXPECT_TRUE(lines.value(cut + 1).startsWith(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    EXPECT_TRUE(lines.value(cut + 1).contains(QStringLiteral(":[ErrOpenData]"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(":[ErrData]"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("3 damaged data rows skipped, the first in line 13")));

    // The limit: ten files, the eleventh is refused after being chosen.
    const QString one = writeBytes(dir, "one.csv", Discharge("QL-K01", 3, 1.0));
    for (int i = 1; i < frmData::kMaxFiles; ++i)
        ASSERT_TRUE(w->OpenDataFile(one));
    EXPECT_EQ(g->CurveCount(), 50);
    ask.files = {one};
    w->menuOpenData_Click();
    EXPECT_EQ(ask.texts().last(), QStringLiteral("Beyond the maximum display number!"));
    EXPECT_EQ(w->FileCnt(), 10);
    EXPECT_EQ(g->CurveCount(), 50);
}

TEST_F(ViewerTest, CapacityAxisTitlesAndPictures)
{
    ask.capacityAxis = true;
    frmData* w = open();
    EXPECT_TRUE(w->XCap());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("V--A--mAh"));
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "a.csv", Discharge("QL-K01", 721, 0.5))));
    CurveGraph* g = w->chart();
    EXPECT_EQ(g->xBarType(), 1);
    EXPECT_FLOAT_EQ(g->DpX(0, 720), 100);   // mAh after 720 s at 0.5 A
    EXPECT_FLOAT_EQ(g->DpX(3, 720), 720);   // capacity curve stays on time
    EXPECT_FLOAT_EQ(g->MaxX(), 100);

    // Titles: chart, legend and the grid's Title column (header included);
    // an empty answer changes nothing; other columns ask nothing.
    ask.inputs = {QStringLiteral("Run 5"), QString(), QStringLiteral("Name")};
    w->menuTitle_Click();
    EXPECT_EQ(g->TitleText(), QStringLiteral("Run 5"));
    w->gridRun_Click(1, 7);
    EXPECT_EQ(w->grid()->TextMatrix(1, 7), QStringLiteral("Cell"));
    w->gridRun_Click(0, 7);
    EXPECT_EQ(ask.inputDefaults.value(2), QStringLiteral("Title"));
    EXPECT_EQ(w->grid()->TextMatrix(0, 7), QStringLiteral("Name"));
    w->gridRun_Click(1, 3);
    EXPECT_EQ(ask.inputDefaults.size(), 3);

    // Save Curve: ".bmp" appended unless the name ends in exactly "bmp";
    // the proposed name ends with the file's device.
    const QString upper = dir.filePath("pic.BMP");
    ask.files = {upper};
    w->menuSavePic_Click();
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_TRUE(ask.fileNames.last().endsWith(QStringLiteral("-QL-K01")));
    QImage curve(upper + QStringLiteral(".bmp"));
    ASSERT_FALSE(curve.isNull());
    EXPECT_EQ(curve.height(), g->height());
    ask.files = {dir.filePath("all.bmp")};
    w->menuCapture_Click();
    ASSERT_TRUE(qltest::settleDisk());
    QImage all(dir.filePath("all.bmp"));
    ASSERT_FALSE(all.isNull());
    EXPECT_GT(all.height(), g->height() + w->grid()->height());

    // On a full disk the earlier picture stays and the user is told.
    const QByteArray earlier = qltest::fileBytes(dir.filePath("all.bmp"));
    ask.messages.clear();
    ask.files = {dir.filePath("all.bmp")};
    {
        qltest::FileSizeLimit full(4096);
        w->menuCapture_Click();
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(ask.texts(), QStringList{QStringLiteral("Cannot save file!")});
    EXPECT_EQ(qltest::fileBytes(dir.filePath("all.bmp")), earlier);
}

TEST(ViewerDialogs, AxisRangeChecksAndApply)
{
    QString re;
    EXPECT_TRUE(AxisFieldCheck(fCL, QStringLiteral(" 1 "), &re).isEmpty());
    EXPECT_EQ(re, QStringLiteral("1.0"));
    EXPECT_TRUE(AxisFieldCheck(fTime2, QStringLiteral("600.4"), &re).isEmpty());
    EXPECT_EQ(re, QStringLiteral("600"));
    EXPECT_EQ(AxisFieldCheck(fVH, QStringLiteral("100.1"), &re), QString::fromUtf8("电压坐标设置超出范围"));
    EXPECT_EQ(AxisFieldCheck(fCH, QStringLiteral("-1"), &re), QString::fromUtf8("电流坐标设置超出范围"));
    EXPECT_EQ(AxisFieldCheck(fTime, QStringLiteral("60001"), &re), QString::fromUtf8("时间坐标设置超出范围"));
    EXPECT_EQ(AxisFieldCheck(fVL, QStringLiteral("1.2.3"), &re), QString::fromUtf8("设置数据有误！"));

    using T = std::array<QString, kAxisFields>;
    AxisRanges r;
    EXPECT_EQ(AxisRangesCheck(T{"2", "5", "1.0", "1.1", "0", "11"}, &r),
              QString::fromUtf8("电流轴范围需大于等于0.1A"));
    EXPECT_TRUE(AxisRangesCheck(T{"2", "5", "1.0", "1.2", "0", "11"}, &r).isEmpty());
    EXPECT_DOUBLE_EQ(r.CH, 1.2);
    EXPECT_EQ(AxisRangesCheck(T{"2", "2.1", "1", "2", "0", "11"}, &r), QString::fromUtf8("电压轴范围需大于等于0.1V"));
    EXPECT_EQ(AxisRangesCheck(T{"2", "5", "1", "2", "0", "10"}, &r), QString::fromUtf8("时间轴范围需大于等于10S"));
    // Order: the current range is checked before the voltage range.
    EXPECT_EQ(AxisRangesCheck(T{"200", "5", "-1", "2", "0", "100"}, &r), QString::fromUtf8("电流坐标设置超出范围"));
    EXPECT_EQ(AxisRangesCheck(T{"2", "5", "1", "2", "x", "100"}, &r), QString::fromUtf8("设置数据有误！"));
    // A span must be more than 0.1 wide wherever it lies, reckoned on the
    // decimals typed (0.6 to 0.7 is not more than 0.1).
    for (int k = 0; k < 1000; ++k) {
        const QString lo = QString::number(k / 10.0, 'f', 1), hi = QString::number((k + 1) / 10.0, 'f', 1);
        const QString wider = QString::number((k + 2) / 10.0, 'f', 1);
        ASSERT_EQ(AxisRangesCheck(T{"2", "5", lo, hi, "0", "11"}, &r), QString::fromUtf8("电流轴范围需大于等于0.1A"))
            << lo.toStdString();
        ASSERT_EQ(AxisRangesCheck(T{lo, hi, "1", "2", "0", "11"}, &r), QString::fromUtf8("电压轴范围需大于等于0.1V"))
            << lo.toStdString();
        if (k < 999) {
            ASSERT_TRUE(AxisRangesCheck(T{lo, wider, lo, wider, "0", "11"}, &r).isEmpty()) << lo.toStdString();
            const QString t0 = QString::number(k * 0.1 + 0.1, 'f', 1), t1 = QString::number(k * 0.1 + 10.1, 'f', 1);
            ASSERT_EQ(AxisRangesCheck(T{"2", "5", "1", "2", t0, t1}, &r), QString::fromUtf8("时间轴范围需大于等于10S"))
                << t0.toStdString();
        }
    }

    // The dialog: loads the chart's ranges, refuses without applying, applies on a valid OK.
    CurveGraph chart;
    chart.setMinY(0, 2.5f);
    chart.setMaxY(0, 4.25f);
    chart.setMaxX(3600);
    qltest::ScriptedPrompter prompts;
    frmCurve2 d(chart);
    const auto shown = [&] {
        for (const auto& m : prompts.messages) {
            EXPECT_EQ(m.title, QString::fromUtf8("提示"));
            EXPECT_EQ(m.icon, Prompter::Critical);
        }
        return prompts.texts();
    };
    EXPECT_EQ(d.field(fVL)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(d.field(fVH)->text(), QStringLiteral("4.3"));
    EXPECT_EQ(d.field(fTime2)->text(), QStringLiteral("3600"));
    d.field(fCH)->setText(QStringLiteral("abc"));
    EXPECT_FALSE(d.FieldLostFocus(fCH));
    EXPECT_EQ(d.field(fCH)->text(), QStringLiteral("abc"));  // kept as typed
    EXPECT_FALSE(d.cmdOK_Click());
    EXPECT_EQ(shown().size(), 2);
    EXPECT_FLOAT_EQ(chart.MaxY(1), 10);  // nothing applied
    // Leaving a field by Tab checks it and brings the focus back to it.
    d.field(fCH)->setText(QStringLiteral("3"));
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.field(fVL)->setFocus();
    d.field(fVL)->setText(QStringLiteral("500"));
    QTest::keyClick(d.field(fVL), Qt::Key_Tab);
    ASSERT_EQ(shown().size(), 3);
    EXPECT_EQ(shown().last(), QString::fromUtf8("电压坐标设置超出范围"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d.field(fVL)->hasFocus(); }, 1000));
    d.field(fVL)->setText(QStringLiteral("2.54"));
    QTest::keyClick(d.field(fVL), Qt::Key_Tab);
    EXPECT_EQ(shown().size(), 3);
    EXPECT_EQ(d.field(fVL)->text(), QStringLiteral("2.5"));
    d.field(fTime)->setText(QStringLiteral("60"));
    EXPECT_TRUE(d.cmdOK_Click());
    EXPECT_FLOAT_EQ(chart.MaxY(1), 3);
    EXPECT_FLOAT_EQ(chart.MinX(), 60);
    EXPECT_FLOAT_EQ(chart.MaxY(0), 4.3f);

    // frmColor cancelled: the chart keeps its colours and legend.
    chart.setLegendText(0, QStringLiteral("1Voltage"));
    prompts.colourAnswer = 0x123456;
    frmColor c(chart);
    c.lblVolColor_Click();
    c.txtVol->clear();
    c.cmdCancel->click();
    EXPECT_EQ(chart.CurveLineColor(0), 0xFF0000u);
    EXPECT_EQ(chart.LegendText(0), QStringLiteral("1Voltage"));
    // ... and confirmed with an empty legend: the legend becomes empty.
    frmColor ok(chart);
    ok.lblVolColor_Click();
    ok.txtVol->clear();
    ok.cmdOK->click();
    EXPECT_EQ(chart.CurveLineColor(0), 0x123456u);
    EXPECT_TRUE(chart.LegendText(0).isEmpty());

    // frmType closed without OK keeps the time axis.
    frmType t;
    t.optVC->setChecked(true);
    t.reject();
    EXPECT_FALSE(t.XCap());
}

TEST(ViewerEntry, OneViewerAtATimeAndMenuChecksToggleOnce)
{
    Answers ask;
    frmData* w = ShowDataViewer(nullptr, ask.env());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ShowDataViewer(nullptr, ask.env()), w);
    w->show();
    w->menuCur->trigger();
    EXPECT_FALSE(w->menuCur->isChecked());
    EXPECT_FALSE(w->chart()->ShowAxesY1());
    w->menuLa->trigger();
    EXPECT_TRUE(w->menuLa->isChecked());
    QPointer<frmData> gone = w;
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 1000));
    frmData* again = ShowDataViewer(nullptr, ask.env());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->menuCur->isChecked());
    delete again;
}

// Shown legends stand clear of each other and of the left axis texts, at
// every step of the label and current switches, with one and two files.
TEST_F(ViewerTest, ShownLegendsNeverOverlap)
{
    frmData* w = open();
    CurveGraph* g = w->chart();
    const auto checkLegends = [&](const char* when) {
        const qltest::LegendLook look = qltest::lookAtLegends(*g);
        EXPECT_TRUE(look.faults.isEmpty()) << when << ": " << look.faults.join(", ").toStdString();
        return look.shown;
    };
    w->menuLa_Click();
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "a.csv", Discharge("QL-K01", 600, 1.0))));
    EXPECT_EQ(checkLegends("one file"), 2);
    ASSERT_TRUE(w->OpenDataFile(writeBytes(dir, "b.csv", Discharge("QL-K02", 300, 0.5))));
    EXPECT_EQ(checkLegends("two files"), 4);
    qltest::savePicture(w, QStringLiteral("viewer_legends_two_files"));
    w->menuCur_Click();
    EXPECT_EQ(checkLegends("current off"), 2);
    w->menuCur_Click();
    EXPECT_EQ(checkLegends("current on"), 4);
    w->menuLa_Click();
    EXPECT_EQ(checkLegends("labels off"), 0);
    w->menuLa_Click();
    EXPECT_EQ(checkLegends("labels on"), 4);
}
