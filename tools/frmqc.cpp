#include "tools/frmqc.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "controls/windowkeys.h"
#include "link/state.h"
#include "panel/seqif.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/twips.h"
#include "tools/toolhost.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace ql {

namespace {
const char* const kLimit[3] = {"04.00", "08.00", "11.00"};
}

frmQC::frmQC(ToolHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("QC2.0 测试"));

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    menuSave = file->addAction(QStringLiteral("Save Test"));
    menuSave->setEnabled(false);  // nothing to save yet
    menuTitle = file->addAction(QStringLiteral("Modify Title"));
    menuClear = file->addAction(QStringLiteral("Clear Test"));
    connect(menuTitle, &QAction::triggered, this, &frmQC::menuTitle_Click);
    connect(menuClear, &QAction::triggered, this, &frmQC::menuClear_Click);

    Chart = new CurveGraph;
    Chart->setMinimumHeight(260);
    gridList = new FlexGrid;
    gridList->setRows(4);
    gridList->setCols(7);
    gridList->setFixedRows(1);
    gridList->setFixedCols(1);
    gridList->setAllColAlignment(Qt::AlignCenter);
    gridList->setMinimumHeight(4 * FlexGrid::kRowHeight + 4);

    auto* frm = new QGroupBox;
    auto* g = new QGridLayout(frm);
    const char* levelNames[3] = {"5V输出:", "9V输出:", "12V输出:"};
    const int boxes[3] = {5, 4, 3};
    std::vector<QCheckBox*>* rows[3] = {&chk5, &chk9, &chk12};
    for (int l = 0; l < 3; ++l) {
        optLevel[size_t(l)] = new QRadioButton(QString::fromUtf8(levelNames[l]));
        g->addWidget(optLevel[size_t(l)], l, 0);
        for (int k = 0; k < boxes[l]; ++k) {
            const double amps = (l == 0 && k == 4) ? 2.2 : (k + 1) * 0.5;
            auto* c = new QCheckBox(Format(amps, QStringLiteral("0.0")) + QLatin1Char('A'));
            c->setChecked(true);
            rows[l]->push_back(c);
            g->addWidget(c, l, k + 1);
        }
    }
    optLevel[0]->setChecked(true);
    cmdTest = new QPushButton(QString::fromUtf8("测试"));
    g->addWidget(cmdTest, 0, 6, 3, 1);
    connect(cmdTest, &QPushButton::clicked, this, &frmQC::cmdTest_Click);

    auto* v = new QVBoxLayout(this);
    v->setMenuBar(bar);
    v->addWidget(Chart, 1);
    v->addWidget(gridList);
    v->addWidget(frm);

    Timer1 = new QTimer(this);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &frmQC::Timer1_Timer);

    // Form_Load.
    headings(false);
    setUpChart();
    TickCnt = 0;
    resize(760, 560);
    if (QScreen* s = screen())
        move(s->geometry().center() - rect().center());
}

// Voltage and current curves on fixed ranges, in the main chart's look.
void frmQC::setUpChart()
{
    Chart->setLegendText(0, QStringLiteral("Voltage"));
    Chart->setLegendText(1, QStringLiteral("Current"));
    Chart->setCurveAxesY(0, 0);
    Chart->setCurveAxesY(1, 1);
    for (int c = 0; c < 2; ++c) {
        Chart->setShowCurve(c, true);
        Chart->setShowLegend(c, true);
    }
    Chart->setMinY(0, 3);
    Chart->setMaxY(0, 13);
    Chart->setMinY(1, 0);
    Chart->setMaxY(1, 2.5f);
    Chart->setMinX(0);
    Chart->setMaxX(15);
    Chart->setxBarType(1);
    Chart->setSize(true);
    if (const CurveGraph* main = host_.Chart(0)) {
        for (int c = 0; c < 3; ++c)
            Chart->setCurveLineColor(c, main->CurveLineColor(c));
        Chart->setLine(main->Line());
        Chart->setGridType1(main->GridType1());
        Chart->setGridType2(main->GridType2());
        Chart->setGridColor(main->GridColor());
        Chart->setBackColor(main->BackColor());
        Chart->setAxesColor(main->AxesColor());
    }
    Chart->ClearAll();
}

void frmQC::headings(bool chinese)
{
    static const char* const cols[] = {"0.5A", "1.0A", "1.5A", "2.0A", "2.2A"};
    gridList->setTextMatrix(0, 0, QStringLiteral("QC2.0"));
    gridList->setTextMatrix(0, 1, chinese ? QString::fromUtf8("空载") : QStringLiteral("Open"));
    for (int j = 0; j < 5; ++j)
        gridList->setTextMatrix(0, j + 2, QString::fromLatin1(cols[j]));
    const char* const rowsEn[] = {"5V Out", "9V Out", "12V Out"};
    const char* const rowsZh[] = {"5V输出", "9V输出", "12V输出"};
    for (int r = 0; r < 3; ++r)
        gridList->setTextMatrix(r + 1, 0, chinese ? QString::fromUtf8(rowsZh[r]) : QString::fromLatin1(rowsEn[r]));
}

void frmQC::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const int w = PixelsToTwips(gridList->width());
    for (int c = 0; c < 7; ++c)
        gridList->setColWidth(c, int(std::lround(w / 7.0)));
}

void frmQC::cmdTest_Click()
{
    const std::vector<QCheckBox*>* rows[3] = {&chk5, &chk9, &chk12};
    for (int l = 0; l < 3; ++l) {
        std::vector<float>& list = Loads[size_t(l)];
        list.clear();
        for (size_t k = 0; k < rows[l]->size(); ++k)
            if ((*rows[l])[k]->isChecked())
                list.push_back((l == 0 && k == 4) ? 2.2f : float(k + 1) * 0.5f);
        list.push_back(0);
    }
    StepIdx = 0;
    // Every command of this test goes to channel 0 of the slot selected now,
    // also when another tab or channel is chosen while it runs.
    slot_ = host_.CurDev();
    Timer1->start();
    cmdTest->setEnabled(false);
    menuClear->setEnabled(false);
}

void frmQC::plot()
{
    // Channel 0's readouts as shown.
    const ChanState& c = host_.Link().ch(slot_, kChannel);
    const float v = c.VoltShown;
    const float i = c.CurShown;
    Chart->AddXY(0, float(TickCnt), v);
    Chart->AddXY(1, float(TickCnt), i);
}

void frmQC::Timer1_Timer()
{
    const int slot = slot_;
    RunFieldsIf* fields = host_.Fields(slot);
    RunCommandsIf& run = host_.Commands();
    plot();
    ++TickCnt;
    int level = -1;
    for (int l = 0; l < 3 && level < 0; ++l)
        if (optLevel[size_t(l)]->isChecked())
            level = l;
    if (level >= 0 && !Loads[size_t(level)].empty()) {
        const std::vector<float>& list = Loads[size_t(level)];
        // A level switched during a test goes on at the same step; past the
        // end of its list it ends like a used-up list.
        const size_t s = size_t(StepIdx);
        const float load = s < list.size() ? list[s] : 0.0f;
        if (s + 1 < 7 && fields)
            gridList->setTextMatrix(level + 1, int(s) + 1, host_.VoltText(slot, kChannel));
        if (load > 0) {
            if (fields)
                fields->setTSval(kChannel, Format(load, QStringLiteral("00.00")));
            if (s == 0) {
                if (fields) {
                    fields->setTSlmt(kChannel, QString::fromLatin1(kLimit[level]));
                    fields->setTStim(kChannel, QStringLiteral("0"));
                }
                run.DevCtrl_RunClick(slot, kChannel, RunCaller::User);
            } else {
                run.RemoteSet(slot, kChannel, load);
            }
            StepIdx = int(s) + 1;
        } else {
            Timer1->stop();
            cmdTest->setEnabled(true);
            menuClear->setEnabled(true);
            run.DevCtrl_StopClick(slot, kChannel);
        }
    }
    plot();
    Chart->DrawCurve();
}

void frmQC::menuClear_Click()
{
    Chart->ClearAll();
    TickCnt = 0;
    gridList->Clear();
    headings(true);
}

void frmQC::menuTitle_Click()
{
    bool ok = false;
    const QString t = prompter().Input(QStringLiteral("Please input new title"), QStringLiteral("Prompt"),
                                  Chart->TitleText(), &ok);
    if (ok && !t.isEmpty()) {
        Chart->setTitleText(t);
        Chart->DrawCurve();
    }
}

} // namespace ql
