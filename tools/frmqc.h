#pragma once
// frmQC: QC2.0 load test. For the selected level (5, 9 or 12 V) it walks the
// ticked load currents every 2 s on channel 0 of the slot selected when
// Test is pressed: the first step starts a run, the next ones change the set
// value of that channel, the end stops the run. A tab or channel chosen
// while the test runs does not move it. Each tick records the source's voltage in the result grid
// and plots voltage and current.
#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QTimer;
class QAction;

namespace ql {

class ToolHost;
class CurveGraph;
class FlexGrid;

class frmQC : public QWidget {
    Q_OBJECT
public:
    explicit frmQC(ToolHost& host, QWidget* parent = nullptr);

    void cmdTest_Click();
    void Timer1_Timer();
    void menuClear_Click();
    void menuTitle_Click();

    // The lists of the three levels, each ending with 0.
    std::array<std::vector<float>, 3> Loads;
    int StepIdx = 0;
    int TickCnt = 0;

    std::array<QRadioButton*, 3> optLevel{};  // opt5V, opt9V, opt12V
    std::vector<QCheckBox*> chk5, chk9, chk12;
    QPushButton* cmdTest;
    FlexGrid* gridList;
    CurveGraph* Chart;
    QTimer* Timer1;
    QAction *menuSave, *menuTitle, *menuClear;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void headings(bool chinese);
    void setUpChart();
    void plot();
    static constexpr int kChannel = 0;  // the channel the test drives
    ToolHost& host_;
    int slot_ = 0;  // the slot of the test, fixed at the Test press
};

} // namespace ql
