#pragma once
// The stored-data viewer's questions to the user and its three small
// dialogs: the X-axis type (frmType), the new file's curve colours
// (frmColor) and the viewer's axis ranges (frmCurve2).
//
// Every question goes through the program's prompter (platform/prompter.h).
#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ql {

class CurveGraph;

// --- frmType: "Curve Type" ----------------------------------------------

class frmType : public QDialog {
    Q_OBJECT
public:
    explicit frmType(QWidget* parent = nullptr);
    // The choice: true for capacity (mAh) on the X axis; false unless OK
    // was pressed with optVC selected.
    bool XCap() const { return xcap_; }

    QRadioButton* optVT = nullptr;
    QRadioButton* optVC = nullptr;
    QPushButton* cmdOK = nullptr;

private:
    void cmdOK_Click();
    bool xcap_ = false;
};

// --- frmColor: "Curve Color" --------------------------------------------

// Colours and voltage legend of the newest file's curves, CurveCount - 5
// (voltage) and CurveCount - 4 (current) of the chart.
class frmColor : public QDialog {
    Q_OBJECT
public:
    explicit frmColor(CurveGraph& chart, QWidget* parent = nullptr);

    int VolIdx() const { return volIdx_; }
    int CurIdx() const { return curIdx_; }
    uint32_t VolColor() const { return volColor_; }
    uint32_t CurColor() const { return curColor_; }

    // The swatches' clicks: pick a colour; a cancelled pick keeps it.
    void lblVolColor_Click();
    void lblCurColor_Click();

    QLabel* lblVolColor = nullptr;
    QLabel* lblCurColor = nullptr;
    QLineEdit* txtVol = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOK_Click();
    void paintSwatch(QLabel* swatch, uint32_t color);

    CurveGraph& chart_;
    int volIdx_ = 0, curIdx_ = 1;
    uint32_t volColor_ = 0, curColor_ = 0;
};

// --- frmCurve2: "Curve Coordinate Settings" -----------------------------

// The six fields in the order txtVL, txtVH, txtCL, txtCH, txtTime, txtTime2.
enum AxisField { fVL, fVH, fCL, fCH, fTime, fTime2 };
inline constexpr int kAxisFields = 6;

// The check of one field on leaving it: "" when valid (and *rewrite gets
// the text the field is rewritten to), else the message (not converted).
QString AxisFieldCheck(AxisField f, const QString& text, QString* rewrite);

struct AxisRanges {
    double VL = 0, VH = 0, CL = 0, CH = 0, Time = 0, Time2 = 0;
};
// The whole check of OK: "" and *out filled when every field is a number
// in range and each span is wide enough, else the first failure's message.
QString AxisRangesCheck(const std::array<QString, kAxisFields>& texts, AxisRanges* out);

class frmCurve2 : public QDialog {
    Q_OBJECT
public:
    explicit frmCurve2(CurveGraph& chart, QWidget* parent = nullptr);

    QLineEdit* field(AxisField f) const { return fields_[f]; }
    // The field check of leaving field f; false after a message.
    bool FieldLostFocus(AxisField f);
    // Whole check, then apply to the chart and close; false (dialog kept
    // open, nothing applied) after a message.
    bool cmdOK_Click();

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fail(const QString& message);

    CurveGraph& chart_;
    std::array<QLineEdit*, kAxisFields> fields_{};
};

} // namespace ql
