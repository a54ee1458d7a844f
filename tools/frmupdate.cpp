#include "tools/frmupdate.h"

#include "controls/progressbar.h"
#include "controls/windowkeys.h"
#include "link/comm.h"
#include "platform/prompter.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "tools/toolhost.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace ql {

namespace {
// The largest image that fits between the image base and the end of the
// 16-bit address space.
int MaxImage(uint16_t base) { return 0x10000 - base; }
} // namespace

frmUpdate::frmUpdate(ToolHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    cmbDev = new QComboBox;
    pbFw = new ucProgressBar;
    pbFw->setMinimumSize(220, 22);
    cmdOpen = new QPushButton(QStringLiteral("Identify"));
    cmdUpdate = new QPushButton(QStringLiteral("Update"));
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Type:")), 0, 0);
    g->addWidget(cmbDev, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Prog:")), 1, 0);
    g->addWidget(pbFw, 1, 1);
    g->addWidget(cmdOpen, 2, 0);
    g->addWidget(cmdUpdate, 2, 1);
    connect(cmdOpen, &QPushButton::clicked, this, &frmUpdate::cmdOpen_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmUpdate::cmdUpdate_Click);
    ImageFor = [](int id) {
        QFile f(QDir(ProgramDir()).filePath(QStringLiteral("Firmware/%1.bin").arg(id)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    Boot = BootLoader([this](const QString& label, const QString& text) { ErrLog(label, text); });

    // Form_Load.
    setWindowTitle(Lang(QStringLiteral("Firmware Update--Device") + QString::number(host_.CurDev() + 1)));
    cmdUpdate->setEnabled(false);
    pbFw->setMin(0);
    pbFw->setValue(0);
    adjustSize();
    if (QScreen* s = screen())
        move(s->geometry().center() - rect().center());
}

frmUpdate::~frmUpdate() { closePort(); }

namespace {

// The update offered for a device type and firmware id.
struct Offer {
    int type;
    int id;  // kAnyId, kNonZeroId, or the id itself
    const char* model;
};
constexpr int kAnyId = -1, kNonZeroId = -2;
constexpr Offer kOffers[] = {
    {5, kNonZeroId, "QL-K05B"}, {6, kAnyId, "QL-K06"},   {9, kAnyId, "QL-K09"},    {10, kNonZeroId, "QL-K10B"},
    {19, kNonZeroId, "QL-R19B"}, {20, 310, "QL-R20B"},   {25, 315, "QL-R25C"},     {26, 320, "QL-R26B"},
    {28, 306, "QL-K28B"},        {28, 307, "QL-K28C"},   {36, kAnyId, "QL-K36"},
};

} // namespace

QString frmUpdate::OfferFor(int t, int id)
{
    for (const Offer& o : kOffers)
        if (o.type == t && (o.id == kAnyId || (o.id == kNonZeroId ? id != 0 : id == o.id)))
            return QString::fromLatin1(o.model);
    return {};
}

int frmUpdate::TypeFor(const QString& model)
{
    for (const Offer& o : kOffers)
        if (model == QLatin1String(o.model))
            return o.type;
    return 0;
}

int frmUpdate::ImageIdFor(const QString& model, int bootType)
{
    static const std::pair<const char*, int> ids[] = {
        {"QL-R26B", 262}, {"QL-K05B", 51},  {"QL-K10B", 101}, {"QL-R19B", 191}, {"QL-R20B", 201}, {"QL-R23B", 231},
        {"QL-R25C", 252}, {"QL-R27B", 271}, {"QL-K28B", 283}, {"QL-K28C", 284}, {"QL-K39B", 391}};
    for (const auto& [name, id] : ids)
        if (model == QLatin1String(name))
            return id;
    return bootType;
}

bool frmUpdate::openPort()
{
    const QString port = host_.PortText(host_.CurDev());
    const int n = PortNumber(port);
    std::shared_ptr<SerialPort> p;
    if (n > 0)
        p = SerialPort::open(PortName(n), LineSettings{9600, 8, 0, 2});
    if (!p) {
        ShowPrompt(QStringLiteral("Wrong Port!"), Prompter::Critical);
        return false;
    }
    Boot.setPort(std::move(p));
    return true;
}

void frmUpdate::closePort()
{
    if (Boot.port())
        Boot.port()->close();
    Boot.setPort(nullptr);
}

void frmUpdate::pause()
{
    QEventLoop loop;
    QTimer::singleShot(retryPauseMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void frmUpdate::cmdOpen_Click()
{
    if (busy_)
        return;
    busy_ = true;
    cmdOpen->setEnabled(false);
    const bool updateWas = cmdUpdate->isEnabled();
    cmdUpdate->setEnabled(false);
    auto done = [&](bool closeAfter) {
        busy_ = false;
        cmdOpen->setEnabled(true);
        cmdUpdate->setEnabled(updateWas);
        if (closeAfter || closeWanted_)
            close();
    };
    if (!(Boot.port() && Boot.port()->isOpen()) && !openPort())
        return done(false);
    if (!Synced) {
        for (int attempt = 0; attempt < 3 && !Synced; ++attempt) {
            if (attempt > 0)
                pause();
            Synced = Boot.BootSync();
        }
        if (!Synced) {
            ShowPrompt(QStringLiteral("Failed! Please check TTL cable"), Prompter::Critical);
            return done(true);
        }
    }
    if (!Boot.BootGet()) {
        ShowPrompt(QStringLiteral("Failed! Please check TTL cable"), Prompter::Critical);
        return done(true);
    }
    const QString offer = OfferFor(Boot.BootType, Boot.FwId);
    if (offer.isEmpty()) {
        ShowPrompt(Lang(QStringLiteral("Firmware is the latest")) + QLatin1Char(':') +
                          QString::number(Boot.BootType),
                      Prompter::Information);
        return done(false);
    }
    // Each model is listed once, however often it is identified.
    int at = cmbDev->findText(offer);
    if (at < 0) {
        cmbDev->addItem(offer);
        at = cmbDev->count() - 1;
    }
    cmbDev->setCurrentIndex(at);
    ShowPrompt(QStringLiteral("Success! Please select device type"), Prompter::Information);
    busy_ = false;
    cmdOpen->setEnabled(true);
    cmdUpdate->setEnabled(true);
    if (closeWanted_)
        close();
}

void frmUpdate::failUpdate()
{
    closePort();
    cmdOpen->setEnabled(true);
    cmdUpdate->setEnabled(true);
    busy_ = false;
    hide();
    ShowPrompt(QStringLiteral("Update failed"), Prompter::Critical);
    close();
}

void frmUpdate::cmdUpdate_Click()
{
    if (busy_)
        return;
    const QString model = cmbDev->currentText();
    // A model without an image id of its own takes its type's image: the
    // type the model is offered for, not the type identified last, which
    // may be another device's.
    const int modelType = TypeFor(model) ? TypeFor(model) : Boot.BootType;
    const QByteArray image = ImageFor ? ImageFor(ImageIdFor(model, modelType)) : QByteArray();
    // The exchange logs its own failures; these are the window's. Both come
    // before anything is sent.
    if (image.isEmpty()) {
        ErrLog(QStringLiteral("ErrUpdate"), QStringLiteral("no firmware image"));
        return failUpdate();
    }
    if (image.size() > MaxImage(BootLoader::ImageBaseFor(modelType))) {
        ErrLog(QStringLiteral("ErrUpdate"),
                     QStringLiteral("image of %1 bytes does not fit the device").arg(image.size()));
        return failUpdate();
    }
    busy_ = true;
    pbFw->setMax(int(image.size()));
    cmdUpdate->setEnabled(false);
    cmdOpen->setEnabled(false);
    if (!Boot.BootGet())
        return failUpdate();
    // The device on the line now must be the one the image is for: a device
    // swapped since Identify, or a model identified on another device, is
    // not erased.
    if (OfferFor(Boot.BootType, Boot.FwId) != model) {
        ErrLog(QStringLiteral("ErrUpdate"), QStringLiteral("device type %1 with id %2 is no %3")
                                                      .arg(Boot.BootType)
                                                      .arg(Boot.FwId)
                                                      .arg(model));
        return failUpdate();
    }
    if (!Boot.BootErase())
        return failUpdate();
    const auto* data = reinterpret_cast<const uint8_t*>(image.constData());
    for (int offset = 0; offset < image.size(); offset += BootLoader::kBlock) {
        const int n = std::min<int>(BootLoader::kBlock, int(image.size()) - offset);
        const uint32_t address = uint32_t(Boot.ImageBase() + offset);
        if (!Boot.BootWriteMem(address, data + offset, n) || !Boot.BootReadMem(address, n))
            return failUpdate();
        pbFw->setValue(pbFw->Value() + n);
    }
    if (!Boot.BootGo())
        return failUpdate();
    closePort();
    busy_ = false;
    hide();
    ShowPrompt(QStringLiteral("Update OK"), Prompter::Information);
    close();
}

void frmUpdate::closeEvent(QCloseEvent* e)
{
    // An exchange in progress finishes first; the window closes after it.
    if (busy_) {
        closeWanted_ = true;
        e->ignore();
        return;
    }
    closePort();
    QWidget::closeEvent(e);
}

} // namespace ql
