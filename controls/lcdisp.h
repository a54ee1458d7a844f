#pragma once
// LCDisp: a seven-segment readout. Shows a text value as a row of digit cells
// (the mantissa) and an optional row of exponent cells, with decimal point,
// colon and thousands separators, in one of three segment styles, three fill
// styles (outline, solid, 3D shading) on a gradient or picture background.
//
// Colours are COLORREF values 0x00BBGGRR; values with the high bit set
// (0x800000nn) name system colours. All sizes are the widget's pixels; the
// readout is drawn in the screen's pixels (controls/devicepixels.h), so that
// on a high-resolution screen its segments and edges are sharp.
//
// Layout: the mantissa cells lie in a row from (BorderWidth + XOffset,
// YOffset), each InterDigitGap after the one before; the exponent cells
// likewise from (BorderWidth + XOffsetExp, YOffsetExp) with InterDigitGapExp,
// sized by the exponent's own segment properties. With segment height h,
// width w and inter-segment gap g a cell is (width x height)
//   hexagon (SegmentStyle 0):    h + w + 2g      x  2h + w + 4g
//   trapezoid (1):               h + 2g          x  2h + 4g
//   block (2):                   h + 2w + 2g - 3 x  2h + 3w + 4g - 4
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

namespace ql {

// Translates a COLORREF or system colour (0x800000nn) into a QColor.
QColor ColorFromRef(uint32_t colorref);

// The design properties of a readout, in declaration order, with the
// defaults of a new control.
struct LCDispProps {
    float BackAngle = 90.0f;
    uint32_t BackColor1 = 0;
    uint32_t BackColor2 = 0;
    bool BackMiddleOut = true;
    uint32_t BorderColor = 0xFF0000;  // (0, 0, 255)
    int BorderWidth = 1;
    uint32_t BurnInColor = 0x505000;     // (0, 80, 80)
    uint32_t BurnInColorNeg = 0x505000;  // (0, 80, 80)
    int CurveBottomLeft = 0;
    int CurveBottomRight = 0;
    int CurveTopLeft = 0;
    int CurveTopRight = 0;
    int DecimalSeparator = 1;
    int InterDigitGap = 6;
    int InterDigitGapExp = 2;
    int InterSegmentGap = 0;
    int InterSegmentGapExp = 0;
    int NumDigits = 20;
    int NumDigitsExp = 4;
    QImage Picture;
    int PictureMode = 0;
    float Seg3DAngle = 90.0f;
    uint32_t Seg3DColor1 = 0;
    uint32_t Seg3DColor2 = 0xC0C0C0;  // (192, 192, 192)
    bool Seg3DMiddleOut = true;
    int SegmentFillStyle = 1;
    int SegmentHeight = 8;
    int SegmentHeightExp = 6;
    uint32_t SegmentLitColor = 0xFFFF00;     // (0, 255, 255)
    uint32_t SegmentLitColorNeg = 0xFFFF00;  // (0, 255, 255)
    int SegmentStyle = 2;
    int SegmentStyleExp = 2;
    int SegmentWidth = 3;
    int SegmentWidthExp = 3;
    bool ShowBurnIn = true;
    bool ShowExponent = true;
    bool ShowThousandsSeparator = false;
    int Theme = 5;
    int ThousandsGrouping = 3;
    int ThousandsSeparator = 0;
    QString Value = QStringLiteral("1234567890");
    int XOffset = 5;
    int XOffsetExp = 355;
    int YOffset = 5;
    int YOffsetExp = 5;
};

class LCDisp : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxDigits = 50;    // mantissa cells
    static constexpr int MaxDigitsExp = 5;  // exponent cells

    explicit LCDisp(QWidget* parent = nullptr);
    ~LCDisp() override;

    // Properties. Setters store, report propertyChanged(name) and refresh
    // the readout; out-of-range counts are clamped (NumDigits 1..50,
    // NumDigitsExp 1..5, ThousandsGrouping >= 1).
    float BackAngle() const { return p_.BackAngle; }
    void setBackAngle(float v);
    uint32_t BackColor1() const { return p_.BackColor1; }
    void setBackColor1(uint32_t v);
    uint32_t BackColor2() const { return p_.BackColor2; }
    void setBackColor2(uint32_t v);
    bool BackMiddleOut() const { return p_.BackMiddleOut; }
    void setBackMiddleOut(bool v);
    uint32_t BorderColor() const { return p_.BorderColor; }
    void setBorderColor(uint32_t v);
    int BorderWidth() const { return p_.BorderWidth; }
    void setBorderWidth(int v);
    uint32_t BurnInColor() const { return p_.BurnInColor; }
    void setBurnInColor(uint32_t v);
    uint32_t BurnInColorNeg() const { return p_.BurnInColorNeg; }
    void setBurnInColorNeg(uint32_t v);
    int CurveBottomLeft() const { return p_.CurveBottomLeft; }
    void setCurveBottomLeft(int v);
    int CurveBottomRight() const { return p_.CurveBottomRight; }
    void setCurveBottomRight(int v);
    int CurveTopLeft() const { return p_.CurveTopLeft; }
    void setCurveTopLeft(int v);
    int CurveTopRight() const { return p_.CurveTopRight; }
    void setCurveTopRight(int v);
    int DecimalSeparator() const { return p_.DecimalSeparator; }
    void setDecimalSeparator(int v);
    int InterDigitGap() const { return p_.InterDigitGap; }
    void setInterDigitGap(int v);
    int InterDigitGapExp() const { return p_.InterDigitGapExp; }
    void setInterDigitGapExp(int v);
    int InterSegmentGap() const { return p_.InterSegmentGap; }
    void setInterSegmentGap(int v);
    int InterSegmentGapExp() const { return p_.InterSegmentGapExp; }
    void setInterSegmentGapExp(int v);
    int NumDigits() const { return p_.NumDigits; }
    void setNumDigits(int v);
    int NumDigitsExp() const { return p_.NumDigitsExp; }
    void setNumDigitsExp(int v);
    QImage Picture() const { return p_.Picture; }
    void setPicture(const QImage& v);
    int PictureMode() const { return p_.PictureMode; }
    void setPictureMode(int v);
    float Seg3DAngle() const { return p_.Seg3DAngle; }
    void setSeg3DAngle(float v);
    uint32_t Seg3DColor1() const { return p_.Seg3DColor1; }
    void setSeg3DColor1(uint32_t v);
    uint32_t Seg3DColor2() const { return p_.Seg3DColor2; }
    void setSeg3DColor2(uint32_t v);
    bool Seg3DMiddleOut() const { return p_.Seg3DMiddleOut; }
    void setSeg3DMiddleOut(bool v);
    int SegmentFillStyle() const { return p_.SegmentFillStyle; }
    void setSegmentFillStyle(int v);
    int SegmentHeight() const { return p_.SegmentHeight; }
    void setSegmentHeight(int v);
    int SegmentHeightExp() const { return p_.SegmentHeightExp; }
    void setSegmentHeightExp(int v);
    uint32_t SegmentLitColor() const { return p_.SegmentLitColor; }
    void setSegmentLitColor(uint32_t colorref);
    uint32_t SegmentLitColorNeg() const { return p_.SegmentLitColorNeg; }
    void setSegmentLitColorNeg(uint32_t colorref);
    int SegmentStyle() const { return p_.SegmentStyle; }
    void setSegmentStyle(int v);
    int SegmentStyleExp() const { return p_.SegmentStyleExp; }
    void setSegmentStyleExp(int v);
    int SegmentWidth() const { return p_.SegmentWidth; }
    void setSegmentWidth(int v);
    int SegmentWidthExp() const { return p_.SegmentWidthExp; }
    void setSegmentWidthExp(int v);
    bool ShowBurnIn() const { return p_.ShowBurnIn; }
    void setShowBurnIn(bool v);
    bool ShowExponent() const { return p_.ShowExponent; }
    void setShowExponent(bool v);
    bool ShowThousandsSeparator() const { return p_.ShowThousandsSeparator; }
    void setShowThousandsSeparator(bool v);
    int Theme() const { return p_.Theme; }
    void setTheme(int v);
    int ThousandsGrouping() const { return p_.ThousandsGrouping; }
    void setThousandsGrouping(int v);
    int ThousandsSeparator() const { return p_.ThousandsSeparator; }
    void setThousandsSeparator(int v);
    // The text shown. Drawing rewrites it (upper case, "0" before a leading
    // "."), so Value() returns the rewritten text. Redraws changed cells only.
    QString Value() const { return p_.Value; }
    void setValue(const QString& v);
    int XOffset() const { return p_.XOffset; }
    void setXOffset(int v);
    int XOffsetExp() const { return p_.XOffsetExp; }
    void setXOffsetExp(int v);
    int YOffset() const { return p_.YOffset; }
    void setYOffset(int v);
    int YOffsetExp() const { return p_.YOffsetExp; }
    void setYOffsetExp(int v);

    // Persistence through a key/value store: every property under its own
    // name. Booleans are written as -1 / 0; a missing key reads as the
    // default. Reading applies no theme and rebuilds the readout once.
    void WriteProperties(QVariantMap& bag) const;
    void ReadProperties(const QVariantMap& bag);

    // The drawn surface (what the widget shows), in the screen's pixels: the
    // widget's size times its pixel ratio.
    const QImage& Surface() const { return surface_; }

    QSize sizeHint() const override;

signals:
    // Raised after a property is stored, with the property's name.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct ShapeSet {
        std::array<QRegion, 10> shape;
        QImage hShade, vShade;  // 3D shading pictures
    };
    struct RowGeom {
        int h = 0, w = 0, g = 0, y = 0, style = 0;
        int cellW = 0, cellH = 0;
        std::vector<int> x;
    };

    void changed(const char* name);
    // The pictures no longer match the widget's size or the screen's ratio.
    bool stale() const;
    QPoint toDevice(const QPoint& p) const;
    void rebuild();
    static void layOutRow(RowGeom& row, int style, int h, int w, int g, int y, int x0, int gap, int cells);
    void fullRedraw();
    void applyTheme(int theme);
    void sanitize();

    void drawValue(bool force);
    void drawMantissa(QString text, bool force);
    void drawSeparators(const QString& text, bool repaintMarks);
    void drawPoint(QString& text, bool repaintMarks);
    void drawColon(QString& text, bool repaintMarks);
    void drawExponent(QString text, bool force);
    void renderCell(QChar c, bool exponent, int cell);
    void paintSegment(const ShapeSet& set, int shape, int x, int y, bool lit);
    void fillRegion(const QRegion& r, const QColor& c);
    void frameRegion(const QRegion& r, const QColor& c);
    void restoreBackground(const QRegion& r);
    void restoreBackground(const QRect& r);
    void paintBackground();
    void applyOutline();
    void dirty(const QRect& r);

    QPoint pointPos(int k, int form) const;
    std::array<QPoint, 2> colonPos(int k) const;

    LCDispProps p_;

    // Value state.
    bool negative_ = false;
    QColor litBrush_, burnBrush_;
    QString prevMant_, prevExp_;
    std::vector<bool> sepFlags_, prevSepFlags_;
    QPoint pointAt_{-1, 0};
    std::array<QPoint, 2> colonAt_{QPoint(-1, 0), QPoint(-1, 0)};
    bool drawingExp_ = false;
    bool drawing_ = false;

    // Drawing resources.
    ShapeSet mant_, exp_;
    QImage pointShade_;
    QImage gradient_;    // background gradient at the control's size
    QImage background_;  // what a cell restores from
    QImage surface_;     // what the widget shows
    qreal ratio_ = 1;    // the screen pixels per widget pixel the pictures are drawn at
    QColor lit_, burn_, litNeg_, burnNeg_;
    RowGeom rowMant_, rowExp_;
    bool built_ = false;

    QRegion pendingUpdate_;
};

} // namespace ql
