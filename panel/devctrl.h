#pragma once
// DevCtrl: the device panel of one slot. It shows the port choice, the mode,
// the set value, limit and third value per channel, the live readouts and
// the three test pages (single, auto, cycle) behind a tab strip, and turns
// every button press, field exit and timer tick into a signal for the main
// window. It decides nothing about devices.
//
// The panel shows its slot's record (link/state.h): the value fields, their
// units, the layout, the chosen channel, the mode list and the mode box's
// text, whether Start and Stop are offered, the curve and show timers and
// the auto-test and step-run lists. A setter of one of these writes the record and shows
// it; what the user types or chooses goes to the record as it happens.
// Without a record of the host's the panel keeps one of its own.
//
// Layout-dependent members address the two-channel controls of channel chn
// while Dev2S() is true, else the single-channel controls (chn ignored).
// A channel outside 0..1 where it counts, an entry index outside a list or a
// grid cell outside a grid throws std::out_of_range.
//
// Every signal carries the panel's slot first; signals are delivered
// synchronously (direct connections).
#include "link/state.h"
#include "panel/seqif.h"

#include <QWidget>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTimer;

namespace ql {

class FlexGrid;
class LCDisp;
class RecvLed;

class DevCtrl : public QWidget, public SeqPanelIf {
    Q_OBJECT
public:
    // timerPeriod: the curve, time, auto-test and step-test timers (one
    // second in the program).
    explicit DevCtrl(int slot, QWidget* parent = nullptr,
                     std::chrono::milliseconds timerPeriod = std::chrono::seconds(1));
    ~DevCtrl() override;

    int Index() const { return slot_; }

    // Shows and keeps the host's record of the slot from now on; the record
    // takes what the panel shows at this moment.
    void setRecord(SlotState& record);
    const SlotState& record() const { return *rec_; }
    // Shows the value fields and their units of channel chn as the record
    // holds them.
    void ShowFields(int chn);

    // The selected channel as a number: 1 when chn() is "1", else 0.
    int ChnIndex() const;

    // ---- Methods --------------------------------------------------------
    void AutoC1Add(const QString& item);
    void AutoC1Clr();
    void AutoC2Add(const QString& item);
    void AutoC2Clr();
    void AutoStepAdd(const QString& item);
    void AutoStepClr();
    void AutoTimeAdd(const QString& item);
    void AutoModeAdd(const QString& item);
    void AutoTimeClr();
    void AutoListClr();
    void AutoListAdd();
    void StepListClr();
    void StepListAdd();
    void StepSetClr();
    void StepSetAdd();
    void PortAdd(const QString& item);
    void PortClr();
    // Shows the record's mode list (ModeEntries) in the mode box.
    void ShowModeList();
    // Adds a tab at position index (1-based, at most one past the last) with
    // that key; the caption follows from index and key.
    void TabAdd(int index, const QString& key);
    void TabClear();

    // The auto-test and cycle-test pages as the sequencers use them.
    AutoParams AutoParameters() const override;
    void ShowAutoChoices(const AutoChoices& choices) override;
    QList<QStringList> AutoRows() const override;
    void ShowSteps(const StepTable& steps) override;

    // ---- Properties -----------------------------------------------------
    int Test() const;  // 1 for "key1", 2 for "key2", 3 otherwise
    bool Dev2S() const { return dev2S_; }
    void setDev2S(bool on);
    bool Conn() const { return conn_; }
    // While connected the port field takes no input: it keeps showing the
    // port that is open.
    void setConn(bool on);
    bool Run(int chn) const;
    void setRun(int chn, bool on);

    QString tPort() const;
    void setTPort(const QString& name);
    int PortCnt() const;
    QString PortList(int i) const;

    QString tAutoC1() const;
    void setTAutoC1(const QString& text);
    QString tAutoC2() const;
    void setTAutoC2(const QString& text);
    QString tAutoVol() const;
    void setTAutoVol(const QString& text);
    QString tAutoStep() const;
    void setTAutoStep(const QString& text);
    QString tAutoTime() const;
    void setTAutoTime(const QString& text);
    QString tAutoMode() const;
    void setTAutoMode(const QString& text);

    // The auto-test list is the record's AutoResults under its header row.
    // Cell (AutoRow, col) of the list; the write goes to the record and is
    // shown, and also numbers the row in column 0. tAutoRun and AutoRunCnt
    // read the list as shown.
    QString tAutoList(int col) const;
    void setTAutoList(int col, const QString& text);
    QString tAutoRun(int row, int col) const;
    int AutoRunCnt() const;
    int AutoRow() const;
    // The step-run list is the record's StepResults under its header row:
    // the setter writes cell (StepRow, col) of the record and shows it; the
    // getters read the list as shown.
    void setTStepList(int col, const QString& text);
    QString tStepList(int row, int col) const;
    int StepListCnt() const;
    int StepRow() const;
    QString tStepSet(int row, int col) const;
    void setTStepSet(int row, int col, const QString& text);
    // Background of column 0 of the step program at row; makes it current.
    void setStepColor(int row, uint32_t colorref);

    QString tMode() const;
    void setTMode(const QString& text) override;  // selects the entry with that text; "" selects none
    int ModeIdx() const;
    // The entries of the mode box in front, as the record keeps them
    // (SlotState::ModeShown): 0 while that box was never filled.
    int ModeCnt() const;
    QString ModeTxt(int i) const;

    QString tSval(int chn) const;
    void setTSval(int chn, const QString& text);
    QString tSlmt(int chn) const;
    void setTSlmt(int chn, const QString& text);
    QString tStim(int chn) const;
    void setTStim(int chn, const QString& text);

    QString tCur(int chn) const;
    void setTCur(int chn, const QString& text);
    QString tVol(int chn) const;
    void setTVol(int chn, const QString& text);
    QString tPwr(int chn) const;
    void setTPwr(int chn, const QString& text);
    QString tTime(int chn) const;  // hh:mm:ss
    void setTTime(int chn, const QString& text);

    QString lSval(int chn) const;
    void setLSval(int chn, const QString& text);
    QString lSlmt(int chn) const;
    void setLSlmt(int chn, const QString& text);
    QString lStim(int chn) const;
    void setLStim(int chn, const QString& text);
    QString lSvalt(int chn) const;
    void setLSvalt(int chn, const QString& text);
    QString lSlmtt(int chn) const;
    void setLSlmtt(int chn, const QString& text);
    QString lStimt(int chn) const;
    void setLStimt(int chn, const QString& text);

    QString AutoCmd() const;
    void setAutoCmd(const QString& text);
    QString StepCmd() const;
    void setStepCmd(const QString& text);
    bool AutoOptSec() const;
    void setAutoOptSec(bool seconds);

    QString chn() const;
    bool AllChn() const;
    void setChnEnable(bool on);

    bool ConnEnable() const;
    void setConnEnable(bool on);
    bool ContEnable() const;
    void setContEnable(bool on);
    // Start and Stop offered: the record's RunEnable and StopEnable, which
    // the setters write and show.
    bool RunEnable() const;
    void setRunEnable(bool on);
    bool StopEnable() const;
    void setStopEnable(bool on);
    bool SetEnable() const;
    void setSetEnable(bool on);
    bool MonitorEnable() const;
    void setMonitorEnable(bool on);
    bool ModeEnable() const;
    void setModeEnable(bool on);
    bool SvalEnable(int chn) const;
    void setSvalEnable(int chn, bool on);
    bool SlmtEnable(int chn) const;
    void setSlmtEnable(int chn, bool on);
    bool StimEnable(int chn) const;
    void setStimEnable(int chn, bool on);

    bool TmrCurveEnable(int chn) const;
    void setTmrCurveEnable(int chn, bool on);
    bool TmrShowEnable(int chn) const;
    void setTmrShowEnable(int chn, bool on);
    bool AutoTmrEnable() const;
    void setAutoTmrEnable(bool on);
    bool StepTmrEnable() const;
    void setStepTmrEnable(bool on);
    void setStepEnable(bool on);

    uint32_t VolColor() const;
    void setVolColor(uint32_t colorref);
    uint32_t CurColor() const;
    void setCurColor(uint32_t colorref);
    uint32_t PwrColor() const;
    void setPwrColor(uint32_t colorref);
    uint32_t TimeColor() const;
    void setTimeColor(uint32_t colorref);
    bool LedRecv() const;
    void setLedRecv(bool lit);
    // Loads a picture file into the logo; false when it cannot be read.
    bool setImageLogo(const QString& path);

    // ---- Child controls, for tests and pictures ---------------------------
    struct Controls;
    const Controls& ui() const { return *ui_; }

signals:
    void ConnClick(int slot);
    void ModeClick(int slot);
    void ContClick(int slot, int chn);
    void MonitorClick(int slot, int chn);
    void SetClick(int slot, int chn);
    void RunClick(int slot, int chn);
    void StopClick(int slot, int chn);
    void SvalLostFocus(int slot, int chn);
    void SlmtLostFocus(int slot, int chn);
    void StimLostFocus(int slot, int chn);
    void AutoVolLostFocus(int slot);
    void TmrCurveOn(int slot, int chn);
    void TmrShowOn(int slot, int chn);
    void AutoTestClick(int slot);
    void StepTestClick(int slot);
    void StepSetClick(int slot);
    void StepSaveClick(int slot);
    void StepClrClick(int slot);
    void StepOpenClick(int slot);
    void AutoSaveClick(int slot);
    void StepTmrOn(int slot);
    void AutoTmrOn(int slot);
    void AutoListClick(int slot);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildSinglePage(QWidget* page);
    void buildTwoChannelFrames(QWidget* page);
    void buildAutoPage(QWidget* page);
    void buildCyclePage(QWidget* page);
    void wireEvents();
    void showPageForKey(const QString& key);
    void setupGrids();
    // The record takes the present layout's fields, units, mode text, Start
    // button and chosen channel.
    void takeLayout();
    void takeChannel();
    void takeMode();
    // Show the record's auto-test and step-run lists under their headers.
    void ShowAutoResults();
    void ShowStepResults();

    QComboBox* modeCombo() const;
    static int checkChn(int chn);
    // Raises a two-channel button's event for the chosen channel option(s).
    template <typename Signal>
    void dispatch2S(Signal signal);

    int slot_;
    std::unique_ptr<SlotState> own_;  // the record while the host gives none
    SlotState* rec_;
    bool dev2S_ = false;
    bool conn_ = false;
    std::array<bool, 2> run_{false, false};
    Controls* ui_;
};

// The entries of a slot's mode box: its model's modes (through Lang), or
// "No Device" alone while no device is identified.
QStringList ModeEntries(const SlotState& s);

// The header row of the auto-test list: "Index", "Curr(A)", "Volt(V)",
// "Pwr(W)" through Lang.
QStringList AutoResultHeader();

// The header row of the step-run list: "Step", "Mode", "Capacity",
// "Energy" through Lang.
QStringList StepResultHeader();

// The child controls by their names.
struct DevCtrl::Controls {
    QTabBar* tabDev = nullptr;
    QFrame* tabPane = nullptr;
    std::array<QWidget*, 3> frmDev{};  // pages: single, auto, cycle

    // Page 0, single channel.
    QGroupBox* frmRun = nullptr;
    QGroupBox* frmCtrl = nullptr;
    LCDisp *lcdVol = nullptr, *lcdCur = nullptr, *lcdPwr = nullptr, *lcdTime = nullptr;
    QLabel *lblVolt = nullptr, *lblCurt = nullptr, *lblPwrt = nullptr;
    QLabel* imgLogo = nullptr;
    QFrame* linSep = nullptr;
    QComboBox* cmbMode = nullptr;
    QLineEdit *txtSval = nullptr, *txtSlmt = nullptr, *txtStim = nullptr;
    QLabel *lblMode = nullptr, *lblSval = nullptr, *lblSlmt = nullptr, *lblStim = nullptr;
    QLabel *lblSvalt = nullptr, *lblSlmtt = nullptr, *lblStimt = nullptr;
    QPushButton *cmdRun = nullptr, *cmdStop = nullptr, *cmdMonitor = nullptr, *cmdCont = nullptr,
                *cmdSet = nullptr;

    // Page 0, two channels.
    QGroupBox* frmRun2S = nullptr;
    QGroupBox* frmCtrl2S = nullptr;
    std::array<QLineEdit*, 2> txtVol2S{}, txtCur2S{}, txtPwr2S{}, txtTime2S{};
    QComboBox* cmbMode2S = nullptr;
    std::array<QLineEdit*, 2> txtSval2S{}, txtSlmt2S{}, txtStim2S{};
    // Caption and unit labels: element 1 lies under element 0.
    std::array<QLabel*, 2> lblSval2S{}, lblSlmt2S{}, lblStim2S{};
    std::array<QLabel*, 2> lblSval2St{}, lblSlmt2St{}, lblStim2St{};
    QRadioButton *optChn0 = nullptr, *optChn1 = nullptr, *optChn2 = nullptr;
    QPushButton *cmdRun2S = nullptr, *cmdStop2S = nullptr, *cmdCont2S = nullptr, *cmdSet2S = nullptr,
                *cmdMonitor2S = nullptr;

    // Page 0, communication.
    QGroupBox* frmCom = nullptr;
    QComboBox* cmbPort = nullptr;
    QPushButton* cmdConn = nullptr;
    RecvLed* shpRecv = nullptr;

    // Page 1, auto test.
    QGroupBox* frmRunAuto = nullptr;
    QGroupBox* frmCtrlAuto = nullptr;
    FlexGrid* gridAutoRun = nullptr;
    QComboBox *cmbC1Auto = nullptr, *cmbC2Auto = nullptr, *cmbStepAuto = nullptr, *cmbTimeAuto = nullptr,
              *cmbModeAuto = nullptr;
    QLineEdit* txtVolAuto = nullptr;
    QRadioButton *optAutoSec = nullptr, *optAutoMin = nullptr;
    QPushButton *cmdStartAuto = nullptr, *cmdSave = nullptr;

    // Page 2, cycle test.
    QGroupBox* frmRunPrg = nullptr;
    QGroupBox* frmCtrlPrg = nullptr;
    FlexGrid* gridStepRun = nullptr;
    FlexGrid* gridStepSet = nullptr;
    QPushButton *cmdOpenStep = nullptr, *cmdSaveStep = nullptr, *cmdStartStep = nullptr, *cmdSetStep = nullptr,
                *cmdClearStep = nullptr;

    // Timers.
    std::array<QTimer*, 2> tmrCurve{}, tmrShow{};
    QTimer* tmrAuto = nullptr;
    QTimer* tmrStep = nullptr;
};

} // namespace ql
