#include "net/banner.h"

#include "platform/twips.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QUrl>

namespace ql {

namespace {
constexpr int px(int twips) { return TwipsToPixels(twips); }
} // namespace

frmBanner::frmBanner(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmBanner"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(3315), px(1545));
    Picture1 = new QLabel(this);
    Picture1->setGeometry(0, 0, width(), height());
    Picture1->setScaledContents(true);
    Picture1->installEventFilter(this);

    openUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };

    Timer1 = new QTimer(this);
    Timer1->setInterval(kFadeStepMs);
    connect(Timer1, &QTimer::timeout, this, &frmBanner::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(kFadeStepMs);
    connect(Timer2, &QTimer::timeout, this, &frmBanner::Timer2_Timer);

    placeInOwner(owner);
    alpha_ = 0;
    applyAlpha();
    Timer1->start();
    closing_ = false;
}

void frmBanner::placeInOwner(QWidget* owner)
{
    if (!owner)
        return;
    const QRect o = owner->frameGeometry();
    move(o.x() + o.width() - width() - px(500), o.y() + o.height() - height() - px(200));
}

void frmBanner::SetUrl(const QString& url) { url_ = url; }

bool frmBanner::ShowPic(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.width() > kMaxSide || size.height() > kMaxSide)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    Picture1->setPixmap(QPixmap::fromImage(image));
    return true;
}

void frmBanner::applyAlpha() { setWindowOpacity(alpha_ / 255.0); }

void frmBanner::Timer1_Timer()
{
    if (alpha_ + kAlphaStep > kAlphaTop) {
        Timer1->stop();
        return;
    }
    alpha_ += kAlphaStep;
    applyAlpha();
}

void frmBanner::Timer2_Timer()
{
    if (alpha_ - kAlphaStep < 0) {
        Timer2->stop();
        closing_ = true;
        close();
        return;
    }
    alpha_ -= kAlphaStep;
    applyAlpha();
}

void frmBanner::Picture1_Click()
{
    if (!url_.isEmpty() && openUrl)
        openUrl(url_);
    Timer1->stop();
    Timer2->start();
}

void frmBanner::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    // Any close request turns into a fade-out; the window then closes itself.
    event->ignore();
    Timer1->stop();
    Timer2->start();
}

bool frmBanner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease) {
        Picture1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ql
