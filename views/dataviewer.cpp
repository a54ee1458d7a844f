#include "views/dataviewer.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "link/modeltable.h"
#include "link/runrecord.h"
#include "platform/diskqueue.h"
#include "platform/filetext.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/twips.h"
#include "platform/wholefile.h"
#include "views/pictures.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <exception>

namespace ql {

namespace {

constexpr int kMargin = TwipsToPixels(100);
constexpr int kCentreLift = TwipsToPixels(200);  // the window stands 200 twips above centre

const int kWidths[kViewerCols - 1] = {1100, 2200, 1000, 1000, 1100, 1100, 1000};  // the Title column takes the rest

QPointer<frmData>& Instance()
{
    static QPointer<frmData> w;
    return w;
}

} // namespace

frmData* ShowDataViewer(QWidget* parent, const ViewerEnv& env)
{
    QPointer<frmData>& w = Instance();
    if (!w) {
        w = new frmData(env, parent);
        w->setAttribute(Qt::WA_DeleteOnClose);
    }
    return w;
}

void ViewerErrLog(const QString& label, const QString& text) noexcept
{
    try {
        const QString line = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                             QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(":[") + label +
                             QLatin1Char(']') + text;
        AppendLogLine(QDir(ProgramDir()).filePath(QStringLiteral("ql.log")), OneLine(line));
    } catch (...) {
    }
}

frmData::frmData(const ViewerEnv& env, QWidget* parent) : QMainWindow(parent, Qt::Window), env_(env)
{
    setObjectName(QStringLiteral("frmData"));

    auto* file = menuBar()->addMenu(QStringLiteral("File"));
    menuOpenData = file->addAction(QStringLiteral("Open Data"), this, &frmData::menuOpenData_Click);
    menuSavePic = file->addAction(QStringLiteral("Save Curve"), this, &frmData::menuSavePic_Click);
    menuCapture = file->addAction(QStringLiteral("Save Picture"), this, &frmData::menuCapture_Click);
    auto* curve = menuBar()->addMenu(QStringLiteral("Curve"));
    menuCur = curve->addAction(QStringLiteral("Current"));
    menuCur->setCheckable(true);
    menuCur->setChecked(true);
    // The check marks toggle in the handlers, so the actions carry no
    // automatic toggling of their own.
    connect(menuCur, &QAction::triggered, this, [this] {
        menuCur->setChecked(!menuCur->isChecked());
        menuCur_Click();
    });
    menuLa = curve->addAction(QStringLiteral("Label"));
    menuLa->setCheckable(true);
    connect(menuLa, &QAction::triggered, this, [this] {
        menuLa->setChecked(!menuLa->isChecked());
        menuLa_Click();
    });
    curve->addSeparator();
    menuTitle = curve->addAction(QStringLiteral("Title"), this, &frmData::menuTitle_Click);
    menuXY = curve->addAction(QStringLiteral("Coordinate Settings"), this, &frmData::menuXY_Click);
    menuClear = curve->addAction(QStringLiteral("Clear"), this, &frmData::menuClear_Click);
    const char* const names[] = {"menuOpenData", "menuSavePic", "menuCapture", "menuCur",
                                 "menuLa",       "menuTitle",   "menuXY",      "menuClear"};
    QAction* const acts[] = {menuOpenData, menuSavePic, menuCapture, menuCur, menuLa, menuTitle, menuXY, menuClear};
    for (int i = 0; i < 8; ++i)
        acts[i]->setObjectName(QString::fromLatin1(names[i]));

    area_ = new QWidget(this);
    setCentralWidget(area_);
    area_->installEventFilter(this);
    CurveGraph_ = new CurveGraph(area_);
    CurveGraph_->setObjectName(QStringLiteral("CurveGraph"));
    gridRun = new FlexGrid(area_);
    gridRun->setObjectName(QStringLiteral("gridRun"));
    gridRun->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridRun->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    connect(CurveGraph_, &CurveGraph::DblClick, this, &frmData::menuTitle_Click);
    connect(CurveGraph_, &CurveGraph::LblClick, this, &frmData::CurveGraph_LblClick);
    connect(gridRun, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& i) { gridRun_Click(i.row(), i.column()); });

    resize(900, 620);
    Form_Load();
}

frmData::~frmData() = default;

void frmData::Form_Load()
{
    if (const QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2 - kCentreLift);
    }

    gridRun->setCols(kViewerCols);
    gridRun->setRows(2);
    gridRun->setFixedRows(1);
    gridRun->setFixedCols(0);
    for (int c = 0; c < kViewerCols; ++c)
        gridRun->setTextMatrix(0, c, HeaderKeyText(c));
    for (int c = 0; c < kViewerCols - 1; ++c)
        gridRun->setColWidth(c, kWidths[c]);
    gridRun->setAllColAlignment(Qt::AlignCenter);
    gridHeight_ = gridRun->contentHeight();

    FileCnt_ = 0;
    bounds_.reset();
    XCap_ = false;

    frmType type(this);
    prompter().RunDialog(type);
    XCap_ = type.XCap();

    setWindowTitle(Lang(XCap_ ? QStringLiteral("V--A--mAh") : QStringLiteral("V--A--Second")));
    CurveGraph_->setLegendText(0, Lang(QStringLiteral("1Voltage")));
    CurveGraph_->setLegendText(1, Lang(QStringLiteral("1Current")));
    CurveGraph_->setLegendText(2, Lang(QStringLiteral("1Temp")));

    if (const CurveGraph* look = env_.look) {
        for (int i = 0; i < 3 && i < look->CurveCount(); ++i)
            CurveGraph_->setCurveLineColor(i, look->CurveLineColor(i));
        CurveGraph_->setLine(look->Line());
        CurveGraph_->setGridType1(look->GridType1());
        CurveGraph_->setGridType2(look->GridType2());
        CurveGraph_->setGridColor(look->GridColor());
        CurveGraph_->setBackColor(look->BackColor());
        CurveGraph_->setAxesColor(look->AxesColor());
    }

    CurveGraph_->setShowAxesY1(menuCur->isChecked());
    CurveGraph_->setSize(true);
    Form_Resize();
    CurveGraph_->ClearAll();
}

bool frmData::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == area_ && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmData::Form_Resize()
{
    const int w = area_->width(), h = area_->height();
    const int gridW = w - 2 * kMargin;
    const int gridTop = h - gridHeight_ - kMargin;
    const int chartH = gridTop - kMargin - kMargin;
    if (gridW <= 0 || gridTop <= 0 || chartH <= 0)
        return;  // too small for the margins
    gridRun->setGeometry(kMargin, gridTop, gridW, gridHeight_);
    CurveGraph_->setGeometry(kMargin, kMargin, gridW, chartH);
    int fixed = 0;
    for (int wd : kWidths)
        fixed += wd;
    const int title = PixelsToTwips(gridW) - fixed;
    if (title > 0)
        gridRun->setColWidth(kViewerCols - 1, title);
}

void frmData::growGrid()
{
    gridRun->setRows(gridRun->Rows() + 1);
    gridHeight_ += FlexGrid::kRowHeight;
    if (isMaximized() || isFullScreen()) {
        Form_Resize();  // the grid moves up, the chart gives up the row
        return;
    }
    resize(width(), height() + FlexGrid::kRowHeight);
    if (const QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(x(), r.y() + (r.height() - height()) / 2 - kCentreLift);
    }
    Form_Resize();
}

// ------------------------------------------------------------- reading

void frmData::menuOpenData_Click()
{
    const QString path = ql::FileDialog(FileKind::Data, false, QStringLiteral("Open Data"),
                                        QStringLiteral("csv file(*.csv)|*.csv|data file(*.dat)|*.dat|"
                                                       "text file(*.txt)|*.txt"),
                                        QString());
    if (path.isEmpty())
        return;
    OpenDataFile(path);
}

// Logs what a read found amiss; false, told to the user, when the file
// cannot be opened or holds nothing to show.
bool frmData::Usable(const QString& path, const DataFileRead& file)
{
    const QString prompt = Lang(QStringLiteral("Prompt"));
    if (!file.opened) {
        ViewerErrLog(QStringLiteral("ErrOpenData"), path + QStringLiteral(": ") + file.error);
        prompter().Message(Lang(QStringLiteral("Can not open the file!")), prompt, Prompter::OkOnly,
                           Prompter::Critical);
        return false;
    }
    if (file.badRows > 0)
        ViewerErrLog(QStringLiteral("ErrData"),
                     QStringLiteral("%1: %2 damaged data rows skipped, the first in line %3")
                         .arg(path)
                         .arg(file.badRows)
                         .arg(file.firstBadLine));
    if (!file.error.isEmpty())
        ViewerErrLog(QStringLiteral("ErrData"), path + QStringLiteral(": ") + file.error);
    if (file.rows.empty() && std::none_of(file.has.begin(), file.has.end(), [](bool h) { return h; })) {
        prompter().Message(Lang(QStringLiteral("No data in the file!")), prompt, Prompter::OkOnly,
                           Prompter::Information);
        return false;
    }
    return true;
}

bool frmData::OpenDataFile(const QString& path)
{
    const QString prompt = Lang(QStringLiteral("Prompt"));
    if (FileCnt_ >= kMaxFiles) {
        prompter().Message(Lang(QStringLiteral("Beyond the maximum display number!")), prompt, Prompter::OkOnly,
                           Prompter::Information);
        return false;
    }

    // The whole file is read before the viewer changes, so a file that
    // cannot be read, or holds neither header values nor rows, leaves the
    // viewer as it was. A run without points writes a file with a header
    // and no rows: that one opens without a curve.
    const DataFileRead file = ReadDataFile(path, DataFileSeparator(path));
    if (!Usable(path, file))
        return false;

    CurveGraph& g = *CurveGraph_;
    g.setMinX(0);
    if (FileCnt_ > 0) {
        if (g.Large())
            g.setLarge(false);
        g.setSize(false);
        g.setCurveCount(g.CurveCount() + 5);
        growGrid();
    }
    const int vc = g.CurveCount() - 5;
    const int cc = vc + 1;
    const int row = FileCnt_ + 1;
    g.setLegendText(vc, Lang(QString::number(FileCnt_ + 1) + QStringLiteral("Voltage")));
    g.setLegendText(cc, Lang(QString::number(FileCnt_ + 1) + QStringLiteral("Current")));
    g.setCurveAxesY(vc, 0);
    g.setCurveAxesY(cc, 1);

    frmColor colors(g, this);
    prompter().RunDialog(colors);

    std::array<QString, kViewerCols> cells;
    for (int c = 0; c < kViewerCols; ++c) {
        if (file.has[size_t(c)])
            gridRun->setTextMatrix(row, c, file.cells[size_t(c)]);
        cells[size_t(c)] = gridRun->TextMatrix(row, c);
    }
    if (file.has[colDevice])
        FineCur_ = HasQuirk(ModelCodeOfName(file.cells[colDevice]), kFineCurSteps);

    RunIntegrator run;
    if (XCap_)
        g.setxBarType(1);
    // Ah and Wh to three decimals (half away from zero), as "0.000" gives.
    auto milli = [](double v) { return float(std::round(v * 1000) / 1000); };
    for (const DataRow& r : file.rows) {
        run.add(r);
        const float X = XCap_ ? run.cap.mas / 3600.0f : r.t;
        bounds_.add(X, r.V, r.I);
        g.AddXY(vc, X, r.V);
        g.AddXY(cc, X, r.I);
        g.AddXY(vc + 3, r.t, milli(double(run.cap.mas) / 3600 / 1000));
        g.AddXY(vc + 4, r.t, milli(double(run.energyMws) / 3600 / 1000));
    }

    FillSummaryCells(cells, run);
    for (int c = colCapacity; c <= colAvgVolt; ++c)
        if (gridRun->TextMatrix(row, c).isEmpty())
            gridRun->setTextMatrix(row, c, cells[size_t(c)]);

    g.setShowCurve(vc, true);
    g.setShowCurve(cc, menuCur->isChecked());
    setLegends();
    if (!file.rows.empty())
        FinishCurve();  // no points: the ranges stay as they are
    g.DrawCurve();
    ++FileCnt_;
    return true;
}

void frmData::setLegends()
{
    const bool cur = menuCur->isChecked(), label = menuLa->isChecked();
    for (int p = 0; p + 1 < CurveGraph_->CurveCount(); p += 5) {
        CurveGraph_->setShowLegend(p + 1, cur && label);
        CurveGraph_->setShowLegend(p, label);
    }
}

void frmData::FinishCurve()
{
    CurveGraph& g = *CurveGraph_;
    // A file whose rows all stand at X = 0 still gets an X span to draw.
    const float maxX = float(std::max(bounds_.MaxXVal, int(g.MinX()) + 1));
    if (g.MaxX() != maxX)
        g.setMaxX(maxX);
    auto apply = [&g](int axis, const AxisRange& r) {
        if (g.MinY(axis) != float(r.lo))
            g.setMinY(axis, float(r.lo));
        if (g.MaxY(axis) != float(r.hi))
            g.setMaxY(axis, float(r.hi));
    };
    apply(0, VoltageAxisRange(bounds_));
    apply(1, CurrentAxisRange(bounds_, FineCur_));
}

// ------------------------------------------------------------- curve menu

void frmData::menuCur_Click()
{
    menuCur->setChecked(!menuCur->isChecked());
    const bool on = menuCur->isChecked();
    CurveGraph_->setShowAxesY1(on);
    for (int p = 0; p + 1 < CurveGraph_->CurveCount(); p += 5) {
        CurveGraph_->setShowCurve(p + 1, on);
        CurveGraph_->setShowLegend(p + 1, on && menuLa->isChecked());
    }
    CurveGraph_->DrawCurve();
}

void frmData::menuLa_Click()
{
    menuLa->setChecked(!menuLa->isChecked());
    setLegends();
}

void frmData::menuTitle_Click()
{
    bool ok = false;
    const QString t = prompter().Input(QStringLiteral("Please input new title"), QStringLiteral("Prompt"),
                                       CurveGraph_->TitleText(), &ok);
    if (ok && !t.isEmpty())
        CurveGraph_->setTitleText(t);
}

void frmData::CurveGraph_LblClick(int index)
{
    QString def;
    try {
        def = CurveGraph_->LegendText(index);
    } catch (const std::exception&) {
        return;  // no such legend
    }
    bool ok = false;
    const QString t = prompter().Input(QStringLiteral("Please input new label"), QStringLiteral("Prompt"), def, &ok);
    if (ok && !t.isEmpty())
        CurveGraph_->setLegendText(index, t);
}

void frmData::gridRun_Click(int row, int col)
{
    if (col != colTitle)
        return;
    try {
        bool ok = false;
        const QString t = prompter().Input(QStringLiteral("Please input new title"), QStringLiteral("Prompt"),
                                           gridRun->TextMatrix(row, col), &ok);
        if (ok && !t.isEmpty())
            gridRun->setTextMatrix(row, col, t);
    } catch (const std::exception& e) {
        ViewerErrLog(QStringLiteral("ErrTitle2"), QString::fromUtf8(e.what()));
    }
}

void frmData::menuXY_Click()
{
    if (!curve2_) {
        curve2_ = new frmCurve2(*CurveGraph_, this);
        curve2_->setAttribute(Qt::WA_DeleteOnClose);
    }
    curve2_->show();
    curve2_->raise();
    curve2_->activateWindow();
}

void frmData::menuClear_Click()
{
    if (prompter().Message(Lang(QStringLiteral("Clear Curve?")), Lang(QStringLiteral("Prompt")), Prompter::OkCancel,
                           Prompter::Information) != Prompter::IdOk)
        return;
    CurveGraph_->ClearAll();
    for (int r = 1; r <= FileCnt_ && r < gridRun->Rows(); ++r)
        for (int c = 0; c < kViewerCols; ++c)
            gridRun->setTextMatrix(r, c, QString());
    CurveGraph_->setCurveCount(5);
    FileCnt_ = 0;
    bounds_.reset();
    CurveGraph_->setSize(true);
}

// ------------------------------------------------------------- pictures

QImage frmData::CaptureToPicture(int mode)
{
    const int extra = TwipsToPixels(50) + 1;  // 50 twips, a part pixel counted whole
    const QPoint at = CurveGraph_->mapTo(this, QPoint(0, 0));
    const int w = CurveGraph_->width() + extra;
    const int h = mode == 0 ? CurveGraph_->height()
                            : gridRun->geometry().bottom() + 1 - CurveGraph_->geometry().top() + extra;
    return ScreenPicture(this, QRect(at, QSize(w, h)).intersected(rect()));
}

void frmData::savePicture(int mode)
{
    QString name = DateStem(QDateTime::currentDateTime());
    if (mode == 0) {
        // The selected slot's row names the picture; without that row, the
        // first file's.
        int row = env_.curDev ? env_.curDev() + 1 : 1;
        if (row < 1 || row >= gridRun->Rows())
            row = 1;
        name += QLatin1Char('-') + FileNamePart(gridRun->TextMatrix(row, colDevice));
    }
    QString path = ql::FileDialog(FileKind::Picture, true,
                                  Lang(mode == 0 ? QStringLiteral("Save Curve") : QStringLiteral("Save Picture")),
                                  QStringLiteral("bmp file(*.bmp)|*.bmp"), name);
    if (path.isEmpty())
        return;
    if (path.right(3) != QLatin1String("bmp"))
        path += QStringLiteral(".bmp");
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QByteArray bytes = BitmapBytes(CaptureToPicture(mode));
    const QString label = mode == 0 ? QStringLiteral("ErrSavePic") : QStringLiteral("ErrCapture");
    // The log line is written where the failure is found, also when this
    // window is gone by then; the user is told only while it is there.
    const auto failed = [label, path](const QString& why) {
        ViewerErrLog(label, path + QStringLiteral(": ") + why);
        return false;
    };
    const auto told = [](bool ok, const QString&) {
        if (!ok)
            prompter().Message(Lang(QStringLiteral("Cannot save file!")), Lang(QStringLiteral("Prompt")),
                               Prompter::OkOnly, Prompter::Critical);
    };
    if (bytes.isEmpty())
        told(failed(QStringLiteral("the picture could not be encoded")), QString());
    else
        FileQueue().Post(
            [path, bytes, failed](QString* error) { return SaveWholeFile(path, bytes, error) || failed(*error); }, this,
            told);
}

void frmData::menuSavePic_Click() { savePicture(0); }

void frmData::menuCapture_Click() { savePicture(1); }

} // namespace ql
