#pragma once
// The stored-data viewer frmData: up to ten data files on one chart (file k
// owns curves 5k..5k+4: voltage, current, unused, capacity, energy) above a
// grid with one row per file.
//
// Entry point for the main window's "Open Data":
//     QWidget* w = ql::ShowDataViewer(parent, env);   // then show()/raise()
// returns the one open viewer, or creates it (asking for the X-axis type on
// the way). Closing the window deletes it; the next call loads it afresh.
// Every question to the user goes through the program's prompter.
#include "views/datareader.h"
#include "views/viewerdialogs.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;

namespace ql {

class CurveGraph;
class FlexGrid;

struct ViewerEnv {
    // The main window's chart of slot 0, whose look the viewer copies at load.
    const CurveGraph* look = nullptr;
    // The selected device slot; its row + 1 names the "Save Curve" picture.
    std::function<int()> curDev;
};

class frmData;
frmData* ShowDataViewer(QWidget* parent, const ViewerEnv& env);

// Appends "<date> <time>:[<label>]<text>" to ql.log in the program folder
// (created when missing). Never throws.
void ViewerErrLog(const QString& label, const QString& text) noexcept;

class frmData : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMaxFiles = 10;

    // Builds the window and runs its load: asks for the X-axis type.
    explicit frmData(const ViewerEnv& env, QWidget* parent = nullptr);
    ~frmData() override;

    CurveGraph* chart() const { return CurveGraph_; }
    FlexGrid* grid() const { return gridRun; }
    int FileCnt() const { return FileCnt_; }
    bool XCap() const { return XCap_; }
    bool FineCur() const { return FineCur_; }
    const ViewerBounds& bounds() const { return bounds_; }

    // Menu commands.
    void menuOpenData_Click();
    void menuSavePic_Click();
    void menuCapture_Click();
    void menuCur_Click();
    void menuLa_Click();
    void menuTitle_Click();
    void menuXY_Click();
    void menuClear_Click();
    // Loads one file as "Open Data" does once the file is chosen; false when
    // nothing was loaded (limit reached, unreadable file, no data rows).
    bool OpenDataFile(const QString& path);
    // Edits the title cell (column 7) of a grid row; other columns do nothing.
    void gridRun_Click(int row, int col);

    // The picture of the chart (mode 0) or of the chart and grid (mode 1).
    QImage CaptureToPicture(int mode);

    QAction* menuOpenData = nullptr;
    QAction* menuSavePic = nullptr;
    QAction* menuCapture = nullptr;
    QAction* menuCur = nullptr;
    QAction* menuLa = nullptr;
    QAction* menuTitle = nullptr;
    QAction* menuXY = nullptr;
    QAction* menuClear = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool Usable(const QString& path, const DataFileRead& file);
    void Form_Load();
    void Form_Resize();
    void growGrid();
    void setLegends();
    void FinishCurve();
    void CurveGraph_LblClick(int index);
    void savePicture(int mode);

    ViewerEnv env_;
    QWidget* area_ = nullptr;
    CurveGraph* CurveGraph_ = nullptr;
    FlexGrid* gridRun = nullptr;
    QPointer<frmCurve2> curve2_;
    int gridHeight_ = 0;

    int FileCnt_ = 0;
    bool XCap_ = false;
    bool FineCur_ = false;
    ViewerBounds bounds_;
};

} // namespace ql
