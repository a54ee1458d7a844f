#include "controls/progressbar.h"

#include "controls/lcdisp.h"  // ColorFromRef
#include "platform/numfmt.h"
#include "platform/rounding.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace ql {

namespace {

bool readInt(const QVariant& v, int& out)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
        out = int(n);
    return ok;
}

QImage readImage(const QVariant& v)
{
    if (v.typeId() == QMetaType::QImage)
        return v.value<QImage>();
    if (v.typeId() == QMetaType::QPixmap)
        return v.value<QPixmap>().toImage();
    if (v.typeId() == QMetaType::QByteArray)
        return QImage::fromData(v.toByteArray());
    return QImage();
}

} // namespace

ucProgressBar::ucProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    Refresh();
}

QSize ucProgressBar::sizeHint() const
{
    if (!back_.isNull())
        return back_.size();
    return QSize(200, 20);
}

void ucProgressBar::setCaptionCustom(const QString& v)
{
    captionCustom_ = v;
    Refresh();
}

void ucProgressBar::setCaptionFormat(int v)
{
    captionFormat_ = v;
    Refresh();
}

void ucProgressBar::setBarPictureFore(const QImage& v)
{
    fore_ = v;
    fitToPicture();
}

void ucProgressBar::setBarPictureBack(const QImage& v)
{
    back_ = v;
    fitToPicture();
}

void ucProgressBar::setFontColor(uint32_t colorref)
{
    fontColor_ = colorref;
    Refresh();
}

bool ucProgressBar::setMax(int v)
{
    if (v <= min_)
        return false;
    max_ = v;
    range_ = static_cast<long long>(max_) - min_;
    Refresh();
    return true;
}

bool ucProgressBar::setMin(int v)
{
    if (v >= max_)
        return false;
    min_ = v;
    range_ = static_cast<long long>(max_) - min_;
    return setValue(v);
}

bool ucProgressBar::setValue(int v)
{
    if (v < min_ || v > max_)
        return false;
    value_ = v;
    Refresh();
    // Events only for a value that differs from the last one reported.
    if (v != lastValue_) {
        lastValue_ = v;
        emit Change();
        if (v == max_)
            emit ArrivedLast();
        if (v == min_)
            emit ArrivedFirst();
    }
    return true;
}

void ucProgressBar::setMousePointer(int v)
{
    mousePointer_ = v;
    applyCursor();
}

void ucProgressBar::setMouseIcon(const QImage& v)
{
    mouseIcon_ = v;
    applyCursor();
}

void ucProgressBar::applyCursor()
{
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,        Qt::ArrowCursor,    Qt::CrossCursor,     Qt::IBeamCursor,   Qt::ArrowCursor,
        Qt::SizeAllCursor,      Qt::SizeBDiagCursor, Qt::SizeVerCursor,  Qt::SizeFDiagCursor, Qt::SizeHorCursor,
        Qt::UpArrowCursor,      Qt::WaitCursor,     Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor,
        Qt::SizeAllCursor,
    };
    if (mousePointer_ == 99 && !mouseIcon_.isNull())
        setCursor(QCursor(QPixmap::fromImage(mouseIcon_)));
    else if (mousePointer_ > 0 && mousePointer_ < int(std::size(shapes)))
        setCursor(shapes[mousePointer_]);
    else
        unsetCursor();
}

QString ucProgressBar::Caption() const
{
    if (captionFormat_ == 1)
        return QString::number(value_);
    if (captionFormat_ == 99)
        return captionCustom_;
    if (captionFormat_ < 2 || captionFormat_ > 7 || range_ <= 0)
        return QString();
    static const char* const patterns[] = {"0%", "0.0%", "0.00%"};
    const bool fromMin = captionFormat_ >= 5;
    const double part = fromMin ? double(static_cast<long long>(value_) - min_) : double(value_);
    return Format(part / double(range_), QString::fromLatin1(patterns[(captionFormat_ - 2) % 3]));
}

void ucProgressBar::Refresh()
{
    const int w = std::max(width(), 1), h = std::max(height(), 1);
    if (surface_.size() != QSize(w, h))
        surface_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    surface_.fill(palette().color(QPalette::Window));
    QPainter p(&surface_);
    if (!back_.isNull())
        p.drawImage(0, 0, back_);

    // A loaded bar can carry a range of zero or a value outside it: the fill
    // is then left out or kept inside the bar.
    if (!fore_.isNull() && range_ > 0) {
        const double part = std::clamp(double(static_cast<long long>(value_) - min_) / double(range_), 0.0, 1.0);
        if (orientation_ == 0) {
            const int fill = RoundHalfEvenInt(part * w);
            const QRect r(0, 0, fill, h);
            p.drawImage(r, fore_, r);
        } else if (orientation_ == 1) {
            const int top = RoundHalfEvenInt(h - part * h);
            const QRect r(0, top, w, h - top);
            p.drawImage(r, fore_, r);
        }
    }

    const QString caption = Caption();
    if (!caption.isEmpty()) {
        const QFontMetrics fm(font());
        const int x = RoundHalfEvenInt(double(w - fm.horizontalAdvance(caption))) / 2;
        const int y = RoundHalfEvenInt(double(h - fm.height())) / 2;
        p.setFont(font());
        p.setPen(ColorFromRef(fontColor_));
        p.drawText(x, y + fm.ascent(), caption);
    }
    p.end();
    update();
}

void ucProgressBar::fitToPicture()
{
    // With a back picture the bar is exactly as large as the picture;
    // without one it keeps its size.
    if (!back_.isNull()) {
        setFixedSize(back_.size());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    Refresh();
}

void ucProgressBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Refresh();
}

void ucProgressBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Refresh();
}

void ucProgressBar::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    for (const QRect& r : event->region())
        p.drawImage(r, surface_, r);
}

void ucProgressBar::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
}

void ucProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    pressed_ = false;
}

void ucProgressBar::WriteProperties(QVariantMap& bag) const
{
    bag.insert(QStringLiteral("CaptionCustom"), captionCustom_);
    bag.insert(QStringLiteral("CaptionFormat"), captionFormat_);
    bag.insert(QStringLiteral("Max"), max_);
    bag.insert(QStringLiteral("Min"), min_);
    bag.insert(QStringLiteral("Orientation"), orientation_);
    bag.insert(QStringLiteral("Value"), value_);
    bag.insert(QStringLiteral("Enabled"), isEnabled() ? -1 : 0);
    bag.insert(QStringLiteral("FontColor"), int(int32_t(fontColor_)));
    bag.insert(QStringLiteral("MouseIcon"), mouseIcon_);
    bag.insert(QStringLiteral("Font"), font());
    bag.insert(QStringLiteral("BarPictureFore"), fore_);
    bag.insert(QStringLiteral("BarPictureBack"), back_);
    bag.insert(QStringLiteral("MousePointer"), mousePointer_);
}

void ucProgressBar::ReadProperties(const QVariantMap& bag)
{
    captionCustom_ = bag.value(QStringLiteral("CaptionCustom")).toString();
    captionFormat_ = 0;
    max_ = 100;
    min_ = 0;
    orientation_ = 0;
    value_ = 0;
    mousePointer_ = 0;
    readInt(bag.value(QStringLiteral("CaptionFormat")), captionFormat_);
    readInt(bag.value(QStringLiteral("Max")), max_);
    readInt(bag.value(QStringLiteral("Min")), min_);
    readInt(bag.value(QStringLiteral("Orientation")), orientation_);
    readInt(bag.value(QStringLiteral("Value")), value_);
    readInt(bag.value(QStringLiteral("MousePointer")), mousePointer_);

    bool enabled = true;
    const QVariant en = bag.value(QStringLiteral("Enabled"));
    if (en.isValid())
        enabled = en.typeId() == QMetaType::QString ? en.toString().compare(QLatin1String("False"), Qt::CaseInsensitive) != 0
                                                    : en.toBool();
    setEnabled(enabled);

    fontColor_ = 0x80000012;
    bool ok = false;
    const qlonglong colour = bag.value(QStringLiteral("FontColor")).toLongLong(&ok);
    if (ok)
        fontColor_ = uint32_t(colour & 0xFFFFFFFF);

    const QVariant f = bag.value(QStringLiteral("Font"));
    if (f.typeId() == QMetaType::QFont) {
        setFont(f.value<QFont>());
    } else if (f.typeId() == QMetaType::QString) {
        QFont font;
        if (font.fromString(f.toString()))
            setFont(font);
    }
    mouseIcon_ = readImage(bag.value(QStringLiteral("MouseIcon")));
    fore_ = readImage(bag.value(QStringLiteral("BarPictureFore")));
    back_ = readImage(bag.value(QStringLiteral("BarPictureBack")));

    lastValue_ = min_;
    range_ = static_cast<long long>(max_) - min_;
    applyCursor();
    fitToPicture();
}

} // namespace ql
