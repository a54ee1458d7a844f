#include "views/pictures.h"

#include "controls/curvegraph.h"
#include "controls/devicepixels.h"
#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "platform/diskqueue.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/twips.h"
#include "platform/wholefile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPainter>

#include <exception>

namespace ql {

namespace {
constexpr int kEdge = TwipsToPixels(50);
}

QImage ScreenPicture(QWidget* w, const QRect& area)
{
    const qreal ratio = w->devicePixelRatio();
    QImage img = DeviceImage(area.size().expandedTo(QSize(1, 1)), ratio, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QPixmap shot = w->grab(area);
    {
        QPainter p(&img);
        p.drawPixmap(0, 0, shot);
    }
    img.setDotsPerMeterX(qRound(img.dotsPerMeterX() * ratio));
    img.setDotsPerMeterY(qRound(img.dotsPerMeterY() * ratio));
    return img;
}

QImage ComposeCurvePic(ViewHost& host, int slot, bool withGrid)
{
    QWidget* frame = host.frame(slot);
    const CurveGraph* chart = host.chart(slot);
    const FlexGrid* grid = host.grid(slot);
    const int w = chart->width();
    const int h = withGrid ? grid->y() + grid->height() + kEdge : chart->height();
    return ScreenPicture(frame, QRect(chart->x() + kEdge, chart->y(), w, h));
}

QByteArray BitmapBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP"))
        return {};
    return bytes;
}

void SaveBitmap(const QImage& image, const QString& path, QObject* asking, std::function<void(bool ok)> written)
{
    const QByteArray bytes = BitmapBytes(image);
    if (bytes.isEmpty()) {
        ErrLog(QStringLiteral("ErrSavePic"), path + QStringLiteral(": the picture could not be encoded"));
        written(false);
        return;
    }
    const auto save = [path, bytes](QString* error) {
        if (SaveWholeFile(path, bytes, error))
            return true;
        ErrLog(QStringLiteral("ErrSavePic"), path + QStringLiteral(": ") + *error);
        return false;
    };
    FileQueue().Post(save, asking, [written = std::move(written)](bool ok, const QString&) { written(ok); });
}

void SaveCurvePicture(ViewHost& host, bool withGrid)
{
    try {
        const int n = host.CurDev();
        const DevCtrl& p = *host.panel(n);
        const int chn = p.ChnIndex();
        const QString word = withGrid ? QStringLiteral("Save Picture") : QStringLiteral("Save Curve");
        const bool dev2s = host.Dev2S(n);
        const QString title = ViewDialogTitle(word, n, chn, dev2s);
        const QString name = ProposedViewFileName(host.now(), host.DevName(n, chn), chn, dev2s);
        const QString chosen = FileDialog(FileKind::Picture, true, title, QString::fromLatin1(kBmpFilter), name);
        if (chosen.isEmpty())
            return;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        SaveBitmap(ComposeCurvePic(host, n, withGrid), WithExtension(chosen, QStringLiteral("bmp")), host.window(),
                   TellUnlessWritten);
    } catch (const std::exception& ex) {
        ErrLog(QStringLiteral("ErrSavePic"), QString::fromLocal8Bit(ex.what()));
    }
}

} // namespace ql
