#pragma once
// ucProgressBar: a picture-based progress bar. The back picture shows the
// empty bar, the fore picture the full bar; the part of the fore picture that
// matches the value is painted over the back picture from the left
// (horizontal) or from the bottom (vertical), with an optional caption.
#include <QImage>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>

namespace ql {

class ucProgressBar : public QWidget {
    Q_OBJECT
public:
    // The error a rejected Min, Max or Value write stands for.
    static constexpr int InvalidPropertyValue = 380;

    explicit ucProgressBar(QWidget* parent = nullptr);

    // Caption: 0 none, 1 the value, 2..4 value / range as "0%", "0.0%",
    // "0.00%", 5..7 (value - Min) / range likewise, 99 CaptionCustom.
    QString CaptionCustom() const { return captionCustom_; }
    void setCaptionCustom(const QString& v);
    int CaptionFormat() const { return captionFormat_; }
    void setCaptionFormat(int v);

    QImage BarPictureFore() const { return fore_; }
    void setBarPictureFore(const QImage& v);
    QImage BarPictureBack() const { return back_; }
    void setBarPictureBack(const QImage& v);

    bool Enabled() const { return isEnabled(); }
    QFont Font() const { return font(); }  // set with QWidget::setFont; redraws
    uint32_t FontColor() const { return fontColor_; }  // COLORREF or system colour
    void setFontColor(uint32_t colorref);

    // Validated writes: false (error 380) leaves every property as it was.
    // Max must stay above Min and Min below Max; Value lies in Min..Max.
    // A new Min also moves Value to it.
    int Max() const { return max_; }
    bool setMax(int v);
    int Min() const { return min_; }
    bool setMin(int v);
    int Value() const { return value_; }
    bool setValue(int v);

    // 0 horizontal, 1 vertical, anything else paints no fill. Stored only:
    // the next Refresh or value change shows it.
    int Orientation() const { return orientation_; }
    void setOrientation(int v) { orientation_ = v; }

    // 0 default, 1 arrow, 2 cross, 3 I-beam, 5/15 size all, 6..9 sizing
    // arrows, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and hourglass,
    // 14 arrow and question mark, 99 the custom MouseIcon.
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int v);
    QImage MouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QImage& v);

    // Redraws the bar.
    void Refresh();

    // The caption the current properties give.
    QString Caption() const;

    // The drawn bar, as the widget shows it.
    const QImage& Surface() const { return surface_; }

    // Persistence through a key/value store, 13 keys. Loading sets the
    // fields without checks or events; the next value that differs from Min
    // raises Change.
    void WriteProperties(QVariantMap& bag) const;
    void ReadProperties(const QVariantMap& bag);

    QSize sizeHint() const override;

signals:
    void Click();
    void ArrivedFirst();
    void ArrivedLast();
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitToPicture();
    void applyCursor();

    QString captionCustom_;
    int captionFormat_ = 0;
    QImage fore_, back_;
    uint32_t fontColor_ = 0x80000012;
    int max_ = 100;
    int min_ = 0;
    int orientation_ = 0;
    int mousePointer_ = 0;
    QImage mouseIcon_;
    int value_ = 0;

    long long range_ = 100;
    int lastValue_ = 0;
    bool pressed_ = false;
    QImage surface_;
};

} // namespace ql
