#include "panel/devctrl.h"

#include "controls/lcdisp.h"
#include "link/runtrack.h"
#include "panel/flexgrid.h"
#include "panel/tabstrip.h"
#include "platform/services.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <stdexcept>

namespace ql {

// The receive indicator: a small round lamp, filled while lit.
class RecvLed : public QWidget {
public:
    explicit RecvLed(QWidget* parent) : QWidget(parent) {}
    bool lit() const { return lit_; }
    void setLit(bool on)
    {
        if (lit_ != on) {
            lit_ = on;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
        p.setBrush(lit_ ? QColor(0x20, 0xD0, 0x20) : QColor(Qt::transparent));
        p.drawEllipse(r);
    }

private:
    bool lit_ = false;
};

namespace {

// Layout lengths are given in twips, as the panel was drawn; 15 to a pixel.
constexpr int px(int twips) { return (twips + 7) / 15; }

constexpr uint32_t kVolColor = 0x00FF0000;
constexpr uint32_t kCurColor = 0x000000FF;
constexpr uint32_t kPwrColor = 0x00008080;
constexpr uint32_t kTimeColor = 0x00008080;
constexpr uint32_t kBurnIn = 0x00E0E0E0;
constexpr uint32_t kFieldBack = 0x00E0E0E0;

QColor Ref(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

uint32_t ToRef(const QColor& c)
{
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

QString FieldStyle()
{
    const QColor b = Ref(kFieldBack);
    return QStringLiteral("QLineEdit { background: %1; border: 1px solid #8a8a8a; padding: 0 2px; }"
                          "QLineEdit:disabled { color: #808080; background: #ececec; }"
                          "QLineEdit[readOnly=\"true\"] { background: white; }")
        .arg(b.name());
}

QLabel* Label(QWidget* parent, const QString& text, QRect geo, Qt::Alignment align = Qt::AlignLeft)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geo);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

QLineEdit* Field(QWidget* parent, QRect geo)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(geo);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

QPushButton* Button(QWidget* parent, const QString& text, QRect geo)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(geo);
    return b;
}

QComboBox* Combo(QWidget* parent, QRect geo, bool editable)
{
    auto* c = new QComboBox(parent);
    c->setEditable(editable);
    c->setGeometry(geo);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

QGroupBox* Frame(QWidget* parent, const QString& caption, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(caption, parent);
    g->setGeometry(px(x), px(y), px(w), px(h));
    return g;
}

// Segment geometry of a readout: segment length and thickness, gap
// between digits, for the main and the exponent digits.
struct ReadoutGeom {
    int h, w, gap;
    int hExp = 0, wExp = 0, gapExp = 0;
};

// Width and height of one digit cell in the readout's bevelled style.
int CellW(int h, int w) { return h + 2 * w - 3; }
int CellH(int h, int w) { return 2 * h + 3 * w - 4; }

// A readout set up as the panel shows them: light unlit segments on a white
// face, four main digits centred in the box and, for the time, two exponent
// digits after them, aligned at the bottom.
LCDisp* Readout(QWidget* parent, QRect geo, int expDigits, const ReadoutGeom& g, uint32_t lit, const QString& value)
{
    auto* d = new LCDisp(parent);
    d->setGeometry(geo);
    d->setBackColor1(0x00FFFFFF);
    d->setBackColor2(0x00FFFFFF);
    d->setBorderWidth(1);
    d->setBorderColor(0x00B0B0B0);
    d->setSegmentFillStyle(1);
    d->setNumDigits(4);
    d->setSegmentHeight(g.h);
    d->setSegmentWidth(g.w);
    d->setInterDigitGap(g.gap);
    const int mantW = 4 * CellW(g.h, g.w) + 3 * g.gap;
    const int mantH = CellH(g.h, g.w);
    int total = mantW;
    d->setShowExponent(expDigits > 0);
    if (expDigits > 0) {
        d->setNumDigitsExp(expDigits);
        d->setSegmentHeightExp(g.hExp);
        d->setSegmentWidthExp(g.wExp);
        d->setInterDigitGapExp(g.gapExp);
        total += g.gap + expDigits * CellW(g.hExp, g.wExp) + (expDigits - 1) * g.gapExp;
    }
    const int x0 = std::max(0, (geo.width() - total) / 2);
    const int y0 = std::max(0, (geo.height() - mantH) / 2);
    d->setXOffset(x0);
    d->setYOffset(y0);
    if (expDigits > 0) {
        d->setXOffsetExp(x0 + mantW + g.gap);
        d->setYOffsetExp(y0 + mantH - CellH(g.hExp, g.wExp));
    }
    d->setBurnInColor(kBurnIn);
    d->setBurnInColorNeg(kBurnIn);
    d->setSegmentLitColor(lit);
    d->setSegmentLitColorNeg(lit);
    d->setValue(value);
    return d;
}

QPixmap DefaultLogo()
{
    QPixmap pm(80, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1E, 0x4E, 0x8C), 2));
    p.setBrush(QColor(0xEA, 0xF1, 0xFA));
    p.drawRoundedRect(QRectF(2, 4, 76, 56), 9, 9);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(QColor(0x1E, 0x4E, 0x8C));
    p.drawText(QRectF(2, 4, 76, 40), Qt::AlignCenter, QStringLiteral("QL"));
    f.setPixelSize(10);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(2, 40, 76, 16), Qt::AlignCenter, QStringLiteral("TESTER"));
    return pm;
}

QString TabCaption(int index, const QString& key)
{
    if (index == 1)
        return Lang(QStringLiteral("Single Test"));
    if (index == 2 && key == QLatin1String("key2"))
        return Lang(QStringLiteral("Auto Test"));
    return Lang(QStringLiteral("Cycle Test"));
}

// Column widths of a grid whose first column is fixed and whose other
// columns share what is left, rounded to the nearest twip, ties to even.
int ShareTwips(int total, int parts)
{
    return int(std::nearbyint(double(total) / parts));
}

} // namespace


DevCtrl::DevCtrl(int slot, QWidget* parent, std::chrono::milliseconds timerPeriod)
    : QWidget(parent), slot_(slot), ui_(new Controls)
{
    build();
    for (QTimer* t : {ui_->tmrCurve[0], ui_->tmrCurve[1], ui_->tmrShow[0], ui_->tmrShow[1], ui_->tmrAuto, ui_->tmrStep})
        t->setInterval(timerPeriod);
    wireEvents();
}

int DevCtrl::ChnIndex() const
{
    return chn() == QLatin1String("1") ? 1 : 0;
}

DevCtrl::~DevCtrl()
{
    delete ui_;
}

// ---- Construction ---------------------------------------------------------

void DevCtrl::build()
{
    Controls& u = *ui_;
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);
    setFixedSize(px(3495), px(7575));
    setStyleSheet(FieldStyle() + QStringLiteral("QGroupBox { font-weight: bold; }"));

    u.tabPane = new QFrame(this);
    u.tabPane->setFrameShape(QFrame::StyledPanel);
    u.tabPane->setGeometry(0, 21, px(3495), px(7575) - 21);
    u.tabDev = new TabStrip(this);
    QFont tf = font();
    tf.setPixelSize(11);
    u.tabDev->setFont(tf);
    u.tabDev->addTab(TabCaption(1, QStringLiteral("key1")));
    u.tabDev->setTabData(0, QStringLiteral("key1"));
    u.tabDev->setGeometry(0, 0, px(3495), std::max(24, u.tabDev->sizeHint().height()));

    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget(this);
        page->setGeometry(4, px(360) + 2, px(3375), px(7095));
        page->hide();
        u.frmDev[size_t(i)] = page;
    }
    buildSinglePage(u.frmDev[0]);
    buildTwoChannelFrames(u.frmDev[0]);
    buildAutoPage(u.frmDev[1]);
    buildCyclePage(u.frmDev[2]);

    for (int c = 0; c < 2; ++c) {
        u.tmrCurve[size_t(c)] = new QTimer(this);
        u.tmrShow[size_t(c)] = new QTimer(this);
    }
    u.tmrAuto = new QTimer(this);
    u.tmrStep = new QTimer(this);

    setupGrids();

    // Page 0 in front, single-channel variant visible.
    showPageForKey(QStringLiteral("key1"));
    setDev2S(false);
    for (QPushButton* b : {u.cmdRun, u.cmdStop, u.cmdCont, u.cmdSet, u.cmdMonitor, u.cmdRun2S, u.cmdStop2S,
                           u.cmdCont2S, u.cmdSet2S, u.cmdMonitor2S})
        b->setEnabled(false);
}

void DevCtrl::buildSinglePage(QWidget* page)
{
    Controls& u = *ui_;

    // Run data: three readouts down the left, logo and time on the right.
    u.frmRun = Frame(page, QStringLiteral("Run Data"), 0, 0, 3375, 2295);
    const int lw = 116, lh = 36;
    const ReadoutGeom big{11, 4, 7};
    u.lcdVol = Readout(u.frmRun, QRect(8, 18, lw, lh), 0, big, kVolColor, QStringLiteral("00.00"));
    u.lcdCur = Readout(u.frmRun, QRect(8, 60, lw, lh), 0, big, kCurColor, QStringLiteral("00.00"));
    u.lcdPwr = Readout(u.frmRun, QRect(8, 102, lw, lh), 0, big, kPwrColor, QStringLiteral("000.0"));
    QFont uf = font();
    uf.setPixelSize(16);
    uf.setBold(true);
    auto unit = [&](const QString& t, int y, uint32_t color) {
        QLabel* l = Label(u.frmRun, t, QRect(8 + lw + 2, y, 16, lh), Qt::AlignLeft);
        l->setFont(uf);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Ref(color));
        l->setPalette(pal);
        return l;
    };
    u.lblVolt = unit(QStringLiteral("V"), 18, kVolColor);
    u.lblCurt = unit(QStringLiteral(" A"), 60, kCurColor);
    u.lblPwrt = unit(QStringLiteral("W"), 102, kPwrColor);

    // Logo, a separator, and the elapsed time (hh:mm large, ss small).
    u.imgLogo = new QLabel(u.frmRun);
    u.imgLogo->setGeometry(141, 18, 80, 64);
    u.imgLogo->setAlignment(Qt::AlignCenter);
    u.imgLogo->setPixmap(DefaultLogo());
    u.linSep = new QFrame(u.frmRun);
    u.linSep->setFrameShape(QFrame::HLine);
    u.linSep->setFrameShadow(QFrame::Sunken);
    u.linSep->setGeometry(141, 89, 80, 4);
    const ReadoutGeom time{8, 2, 4, 5, 2, 2};
    u.lcdTime = Readout(u.frmRun, QRect(141, 102, 80, lh), 2, time, kTimeColor, QStringLiteral("00:00E+00"));

    // Parameter setting.
    u.frmCtrl = Frame(page, QStringLiteral("Parameter Setting"), 0, 2400, 3375, 3615);
    const int cx = 8, cw = 74, fx = 84, fw = 104, ux = 192, rh = 24;
    auto row = [&](int y) { return QRect(cx, y, cw, rh); };
    u.lblMode = Label(u.frmCtrl, QStringLiteral("Mode:"), row(24));
    u.cmbMode = Combo(u.frmCtrl, QRect(fx, 24, fw + 26, rh), false);
    u.lblSval = Label(u.frmCtrl, QStringLiteral("Test Val:"), row(60));
    u.txtSval = Field(u.frmCtrl, QRect(fx, 60, fw, rh));
    u.lblSvalt = Label(u.frmCtrl, QStringLiteral("A"), QRect(ux, 60, 28, rh));
    u.lblSlmt = Label(u.frmCtrl, QStringLiteral("Cutoff Volt:"), row(94));
    u.txtSlmt = Field(u.frmCtrl, QRect(fx, 94, fw, rh));
    u.lblSlmtt = Label(u.frmCtrl, QStringLiteral("V"), QRect(ux, 94, 28, rh));
    u.lblStim = Label(u.frmCtrl, QStringLiteral("Max Time:"), row(128));
    u.txtStim = Field(u.frmCtrl, QRect(fx, 128, fw, rh));
    u.lblStimt = Label(u.frmCtrl, QStringLiteral("M"), QRect(ux, 128, 28, rh));
    const int bw = 66, bh = 28;
    u.cmdRun = Button(u.frmCtrl, QStringLiteral("Start"), QRect(8, 166, bw, bh));
    u.cmdStop = Button(u.frmCtrl, QStringLiteral("Stop"), QRect(80, 166, bw, bh));
    u.cmdMonitor = Button(u.frmCtrl, QStringLiteral("Monitor"), QRect(152, 166, bw, bh));
    u.cmdCont = Button(u.frmCtrl, QStringLiteral("Continue"), QRect(8, 200, bw, bh));
    u.cmdSet = Button(u.frmCtrl, QStringLiteral("Adjust"), QRect(80, 200, bw, bh));

    // Communication.
    u.frmCom = Frame(page, QStringLiteral("Comm Setting"), 0, 6120, 3375, 975);
    u.cmbPort = Combo(u.frmCom, QRect(8, 26, 90, 26), true);
    u.cmdConn = Button(u.frmCom, QStringLiteral("Connect"), QRect(106, 25, 84, 28));
    u.shpRecv = new RecvLed(u.frmCom);
    u.shpRecv->setGeometry(198, 30, 18, 18);
}

void DevCtrl::buildTwoChannelFrames(QWidget* page)
{
    Controls& u = *ui_;

    // Run data: two columns of text readouts.
    u.frmRun2S = Frame(page, QStringLiteral("Run Data"), 0, 0, 3375, 2295);
    const int c0 = 52, c1 = 134, tw = 62, rh = 24;
    Label(u.frmRun2S, QStringLiteral("Channel1"), QRect(c0, 18, tw + 14, 18), Qt::AlignHCenter);
    Label(u.frmRun2S, QStringLiteral("Channel2"), QRect(c1, 18, tw + 14, 18), Qt::AlignHCenter);
    const QStringList caps{QStringLiteral("Volt:"), QStringLiteral("Curr:"), QStringLiteral("Pwr:"),
                           QStringLiteral("Time:")};
    const QStringList inits{QStringLiteral("00.00"), QStringLiteral("00.00"), QStringLiteral("0.0"),
                            QStringLiteral("00:00:00")};
    const QStringList units{QStringLiteral("V"), QStringLiteral("A"), QStringLiteral("W"), QString()};
    std::array<std::array<QLineEdit*, 2>*, 4> rows{&u.txtVol2S, &u.txtCur2S, &u.txtPwr2S, &u.txtTime2S};
    for (int r = 0; r < 4; ++r) {
        const int y = 40 + r * 28;
        Label(u.frmRun2S, caps[r], QRect(6, y, 44, rh));
        for (int c = 0; c < 2; ++c) {
            const int x = c == 0 ? c0 : c1;
            QLineEdit* e = Field(u.frmRun2S, QRect(x, y, tw, rh));
            e->setReadOnly(true);
            e->setText(inits[r]);
            (*rows[size_t(r)])[size_t(c)] = e;
            if (!units[r].isEmpty())
                Label(u.frmRun2S, units[r], QRect(x + tw + 2, y, 14, rh));
        }
    }

    // Parameter setting: one mode for both channels, a field per channel.
    u.frmCtrl2S = Frame(page, QStringLiteral("Parameter Setting"), 0, 2400, 3375, 3615);
    const int cx = 6, cw = 64, f0 = 72, f1 = 138, fw = 60, ux = 200;
    Label(u.frmCtrl2S, QStringLiteral("Chn1"), QRect(f0, 16, fw, 18), Qt::AlignHCenter);
    Label(u.frmCtrl2S, QStringLiteral("Chn2"), QRect(f1, 16, fw, 18), Qt::AlignHCenter);
    Label(u.frmCtrl2S, QStringLiteral("Mode:"), QRect(cx, 36, cw, rh));
    u.cmbMode2S = Combo(u.frmCtrl2S, QRect(f0, 36, f1 + fw - f0, rh), false);

    struct Row {
        std::array<QLabel*, 2>* cap;
        std::array<QLineEdit*, 2>* field;
        std::array<QLabel*, 2>* unit;
        QString cap0, cap1, unit0, unit1;
        int y;
    };
    const Row fieldRows[] = {
        {&u.lblSval2S, &u.txtSval2S, &u.lblSval2St, QStringLiteral("TestVal:"), QString::fromUtf8("设定电流:"),
         QStringLiteral("A"), QStringLiteral("A"), 66},
        {&u.lblSlmt2S, &u.txtSlmt2S, &u.lblSlmt2St, QStringLiteral("Curoff V:"), QString::fromUtf8("终止电压:"),
         QStringLiteral("V"), QStringLiteral("V"), 94},
        {&u.lblStim2S, &u.txtStim2S, &u.lblStim2St, QStringLiteral("RunTime:"), QString::fromUtf8("运行时间:"),
         QString::fromUtf8("分"), QStringLiteral("M"), 122},
    };
    for (const Row& r : fieldRows) {
        // Element 1 first, so that element 0 lies on top of it.
        (*r.cap)[1] = Label(u.frmCtrl2S, r.cap1, QRect(cx, r.y, cw, rh));
        (*r.cap)[0] = Label(u.frmCtrl2S, r.cap0, QRect(cx, r.y, cw, rh));
        (*r.field)[0] = Field(u.frmCtrl2S, QRect(f0, r.y, fw, rh));
        (*r.field)[1] = Field(u.frmCtrl2S, QRect(f1, r.y, fw, rh));
        (*r.unit)[1] = Label(u.frmCtrl2S, r.unit1, QRect(ux, r.y, 22, rh));
        (*r.unit)[0] = Label(u.frmCtrl2S, r.unit0, QRect(ux, r.y, 22, rh));
        for (QLabel* l : {(*r.cap)[0], (*r.unit)[0]})
            l->setAutoFillBackground(true);
    }

    auto* chnGroup = new QButtonGroup(u.frmCtrl2S);
    u.optChn0 = new QRadioButton(QStringLiteral("Chn1"), u.frmCtrl2S);
    u.optChn1 = new QRadioButton(QStringLiteral("Chn2"), u.frmCtrl2S);
    u.optChn2 = new QRadioButton(QStringLiteral("All Channel"), u.frmCtrl2S);
    u.optChn0->setGeometry(8, 152, 54, 22);
    u.optChn1->setGeometry(66, 152, 54, 22);
    u.optChn2->setGeometry(124, 152, 96, 22);
    for (QRadioButton* o : {u.optChn0, u.optChn1, u.optChn2})
        chnGroup->addButton(o);
    u.optChn0->setChecked(true);

    const int bw = 66, bh = 28;
    u.cmdRun2S = Button(u.frmCtrl2S, QStringLiteral("Start"), QRect(8, 178, bw, bh));
    u.cmdStop2S = Button(u.frmCtrl2S, QStringLiteral("Stop"), QRect(80, 178, bw, bh));
    u.cmdCont2S = Button(u.frmCtrl2S, QStringLiteral("Continue"), QRect(152, 178, bw, bh));
    u.cmdSet2S = Button(u.frmCtrl2S, QStringLiteral("Adjust"), QRect(8, 210, bw, bh));
    u.cmdMonitor2S = Button(u.frmCtrl2S, QStringLiteral("Monitor"), QRect(80, 210, bw, bh));
}

void DevCtrl::buildAutoPage(QWidget* page)
{
    Controls& u = *ui_;
    u.frmRunAuto = Frame(page, QStringLiteral("Run Data"), 0, 0, 3375, 3375);
    u.gridAutoRun = new FlexGrid(u.frmRunAuto);
    u.gridAutoRun->setGeometry(6, 20, px(3375) - 12, px(3375) - 26);

    u.frmCtrlAuto = Frame(page, QStringLiteral("Parameter Setting"), 0, 3600, 3375, 3495);
    const int cx = 8, cw = 76, fx = 86, fw = 100, ux = 192, rh = 24;
    QWidget* f = u.frmCtrlAuto;
    Label(f, QStringLiteral("Start Curr:"), QRect(cx, 24, cw, rh));
    u.cmbModeAuto = Combo(f, QRect(fx, 24, fw, rh), true);
    u.cmbModeAuto->hide();
    u.cmbC1Auto = Combo(f, QRect(fx, 24, fw, rh), true);
    Label(f, QStringLiteral("A"), QRect(ux, 24, 24, rh));
    Label(f, QStringLiteral("Stop Curr:"), QRect(cx, 56, cw, rh));
    u.cmbC2Auto = Combo(f, QRect(fx, 56, fw, rh), true);
    Label(f, QStringLiteral("A"), QRect(ux, 56, 24, rh));
    Label(f, QStringLiteral("Cutoff Volt:"), QRect(cx, 88, cw, rh));
    u.txtVolAuto = Field(f, QRect(fx, 88, fw, rh));
    u.txtVolAuto->setText(QStringLiteral("0.80"));
    Label(f, QStringLiteral("V"), QRect(ux, 88, 24, rh));
    Label(f, QStringLiteral("Step:"), QRect(cx, 120, cw, rh));
    u.cmbStepAuto = Combo(f, QRect(fx, 120, fw, rh), true);
    Label(f, QStringLiteral("A"), QRect(ux, 120, 24, rh));
    Label(f, QStringLiteral("Change:"), QRect(cx, 152, cw, rh));
    u.cmbTimeAuto = Combo(f, QRect(fx, 152, 56, rh), true);
    auto* unitGroup = new QButtonGroup(f);
    u.optAutoSec = new QRadioButton(QStringLiteral("S"), f);
    u.optAutoMin = new QRadioButton(QStringLiteral("M"), f);
    u.optAutoSec->setGeometry(148, 152, 34, rh);
    u.optAutoMin->setGeometry(184, 152, 34, rh);
    unitGroup->addButton(u.optAutoSec);
    unitGroup->addButton(u.optAutoMin);
    u.optAutoSec->setChecked(true);
    u.cmdStartAuto = Button(f, QStringLiteral("Start"), QRect(28, 190, 76, 30));
    u.cmdSave = Button(f, QStringLiteral("Save"), QRect(122, 190, 76, 30));
}

void DevCtrl::buildCyclePage(QWidget* page)
{
    Controls& u = *ui_;
    u.frmRunPrg = Frame(page, QStringLiteral("Run Data"), 0, 0, 3375, 2655);
    u.gridStepRun = new FlexGrid(u.frmRunPrg);
    u.gridStepRun->setGeometry(6, 20, px(3375) - 12, px(2655) - 26);

    u.frmCtrlPrg = Frame(page, QStringLiteral("Parameter Setting"), 0, 2640, 3375, 4455);
    u.gridStepSet = new FlexGrid(u.frmCtrlPrg);
    u.gridStepSet->setGeometry(6, 20, px(3375) - 12, 11 * FlexGrid::kRowHeight + 2);
    const int y0 = 20 + 11 * FlexGrid::kRowHeight + 14, bw = 66, bh = 30;
    u.cmdOpenStep = Button(u.frmCtrlPrg, QStringLiteral("Open"), QRect(8, y0, bw, bh));
    u.cmdSaveStep = Button(u.frmCtrlPrg, QStringLiteral("Save"), QRect(80, y0, bw, bh));
    u.cmdStartStep = Button(u.frmCtrlPrg, QStringLiteral("Start"), QRect(152, y0, bw, 2 * bh + 4));
    u.cmdSetStep = Button(u.frmCtrlPrg, QStringLiteral("Setting"), QRect(8, y0 + bh + 4, bw, bh));
    u.cmdClearStep = Button(u.frmCtrlPrg, QStringLiteral("Clear"), QRect(80, y0 + bh + 4, bw, bh));
}

void DevCtrl::setupGrids()
{
    Controls& u = *ui_;
    const Qt::Alignment centre = Qt::AlignHCenter;
    QFont gf = font();
    gf.setPixelSize(11);
    for (FlexGrid* grid : {u.gridAutoRun, u.gridStepRun, u.gridStepSet})
        grid->setFont(gf);

    // Auto-test results: a narrow index column, three equal value columns.
    FlexGrid* g = u.gridAutoRun;
    g->setCols(4);
    g->setRows(11);
    g->setFixedRows(1);
    g->setFixedCols(0);
    const int gw = g->width() * FlexGrid::kTwipsPerPixel;
    g->setColWidth(0, 650);
    for (int c = 1; c <= 3; ++c)
        g->setColWidth(c, ShareTwips(gw - 650 - 300, 3));
    g->setAllColAlignment(centre);
    AutoListClr();

    // Step-run results.
    g = u.gridStepRun;
    g->setCols(4);
    g->setRows(9);
    g->setFixedRows(1);
    g->setFixedCols(0);
    const int stepRunWidths[] = {500, 800, 850, 900};
    for (int c = 0; c < 4; ++c)
        g->setColWidth(c, stepRunWidths[c]);
    g->setAllColAlignment(centre);
    StepListClr();

    // Step program: the grid is as wide as its columns.
    g = u.gridStepSet;
    g->setCols(5);
    g->setRows(11);
    g->setFixedRows(1);
    g->setFixedCols(0);
    const int sw = g->width() * FlexGrid::kTwipsPerPixel;
    g->setColWidth(0, 500);
    for (int c = 1; c <= 4; ++c)
        g->setColWidth(c, ShareTwips(sw - 500, 4));
    g->setAllColAlignment(centre);
    g->resize(g->contentWidth(), g->height());
    StepSetClr();
}

void DevCtrl::wireEvents()
{
    Controls& u = *ui_;
    connect(u.tabDev, &QTabBar::currentChanged, this, [this](int i) {
        showPageForKey(i < 0 ? QString() : ui_->tabDev->tabData(i).toString());
    });
    connect(u.cmdConn, &QPushButton::clicked, this, [this] { emit ConnClick(slot_); });
    for (QComboBox* c : {u.cmbMode, u.cmbMode2S})
        connect(c, &QComboBox::activated, this, [this] { emit ModeClick(slot_); });

    // Single-channel buttons always address channel 0.
    connect(u.cmdCont, &QPushButton::clicked, this, [this] { emit ContClick(slot_, 0); });
    connect(u.cmdMonitor, &QPushButton::clicked, this, [this] { emit MonitorClick(slot_, 0); });
    connect(u.cmdSet, &QPushButton::clicked, this, [this] { emit SetClick(slot_, 0); });
    connect(u.cmdRun, &QPushButton::clicked, this, [this] { emit RunClick(slot_, 0); });
    connect(u.cmdStop, &QPushButton::clicked, this, [this] { emit StopClick(slot_, 0); });
    // Two-channel buttons address the chosen channel option.
    connect(u.cmdCont2S, &QPushButton::clicked, this, [this] { dispatch2S(&DevCtrl::ContClick); });
    connect(u.cmdMonitor2S, &QPushButton::clicked, this, [this] { dispatch2S(&DevCtrl::MonitorClick); });
    connect(u.cmdSet2S, &QPushButton::clicked, this, [this] { dispatch2S(&DevCtrl::SetClick); });
    connect(u.cmdRun2S, &QPushButton::clicked, this, [this] { dispatch2S(&DevCtrl::RunClick); });
    connect(u.cmdStop2S, &QPushButton::clicked, this, [this] { dispatch2S(&DevCtrl::StopClick); });

    // Leaving a field: watched through an event filter.
    for (QLineEdit* e : {u.txtSval, u.txtSlmt, u.txtStim, u.txtVolAuto, u.txtSval2S[0], u.txtSval2S[1],
                         u.txtSlmt2S[0], u.txtSlmt2S[1], u.txtStim2S[0], u.txtStim2S[1]})
        e->installEventFilter(this);

    for (int c = 0; c < 2; ++c) {
        connect(u.tmrCurve[size_t(c)], &QTimer::timeout, this, [this, c] { emit TmrCurveOn(slot_, c); });
        connect(u.tmrShow[size_t(c)], &QTimer::timeout, this, [this, c] { emit TmrShowOn(slot_, c); });
    }
    connect(u.tmrAuto, &QTimer::timeout, this, [this] { emit AutoTmrOn(slot_); });
    connect(u.tmrStep, &QTimer::timeout, this, [this] { emit StepTmrOn(slot_); });

    connect(u.cmdStartAuto, &QPushButton::clicked, this, [this] { emit AutoTestClick(slot_); });
    connect(u.cmdStartStep, &QPushButton::clicked, this, [this] { emit StepTestClick(slot_); });
    connect(u.cmdSetStep, &QPushButton::clicked, this, [this] { emit StepSetClick(slot_); });
    connect(u.cmdSaveStep, &QPushButton::clicked, this, [this] { emit StepSaveClick(slot_); });
    connect(u.cmdClearStep, &QPushButton::clicked, this, [this] { emit StepClrClick(slot_); });
    connect(u.cmdOpenStep, &QPushButton::clicked, this, [this] { emit StepOpenClick(slot_); });
    connect(u.cmdSave, &QPushButton::clicked, this, [this] { emit AutoSaveClick(slot_); });
    connect(u.gridAutoRun, &FlexGrid::DblClick, this, [this] { emit AutoListClick(slot_); });
}

bool DevCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // A window losing activation or a popup taking the focus is not
        // leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const Controls& u = *ui_;
            if (watched == u.txtSval)
                emit SvalLostFocus(slot_, 0);
            else if (watched == u.txtSlmt)
                emit SlmtLostFocus(slot_, 0);
            else if (watched == u.txtStim)
                emit StimLostFocus(slot_, 0);
            else if (watched == u.txtVolAuto)
                emit AutoVolLostFocus(slot_);
            for (int c = 0; c < 2; ++c) {
                if (watched == u.txtSval2S[size_t(c)])
                    emit SvalLostFocus(slot_, c);
                else if (watched == u.txtSlmt2S[size_t(c)])
                    emit SlmtLostFocus(slot_, c);
                else if (watched == u.txtStim2S[size_t(c)])
                    emit StimLostFocus(slot_, c);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

template <typename Signal>
void DevCtrl::dispatch2S(Signal signal)
{
    const Controls& u = *ui_;
    if (u.optChn1->isChecked()) {
        (this->*signal)(slot_, 1);
    } else if (u.optChn2->isChecked()) {
        // Channel 0, then what is queued, then channel 1. The panel may go
        // away while messages are processed.
        QPointer<DevCtrl> self(this);
        const int slot = slot_;
        (this->*signal)(slot, 0);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (self)
            (self->*signal)(slot, 1);
    } else {
        (this->*signal)(slot_, 0);
    }
}

void DevCtrl::showPageForKey(const QString& key)
{
    int page = 0;
    if (key == QLatin1String("key2"))
        page = 1;
    else if (key == QLatin1String("key3"))
        page = 2;
    for (int i = 0; i < 3; ++i)
        ui_->frmDev[size_t(i)]->setVisible(i == page);
}

int DevCtrl::checkChn(int chn)
{
    if (chn < 0 || chn > 1)
        throw std::out_of_range("channel " + std::to_string(chn) + " outside 0..1");
    return chn;
}

QComboBox* DevCtrl::modeCombo() const
{
    return dev2S_ ? ui_->cmbMode2S : ui_->cmbMode;
}

// ---- Methods ----------------------------------------------------------------

namespace {
// Adds an entry without choosing one: a list with nothing chosen stays so.
void AddKeepingChoice(QComboBox* c, const QString& item)
{
    const QSignalBlocker block(c);
    const int before = c->currentIndex();
    const QString text = c->isEditable() ? c->currentText() : QString();
    c->addItem(item);
    if (before < 0) {
        c->setCurrentIndex(-1);
        if (c->isEditable())
            c->setEditText(text);
    }
}

void ClearList(QComboBox* c)
{
    const QSignalBlocker block(c);
    c->clear();
}

void SetComboText(QComboBox* c, const QString& text)
{
    const QSignalBlocker block(c);
    const int i = c->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (i >= 0)
        c->setCurrentIndex(i);
    else
        c->setCurrentIndex(-1);
    c->setEditText(text);
}
} // namespace

void DevCtrl::AutoC1Add(const QString& item) { AddKeepingChoice(ui_->cmbC1Auto, item); }
void DevCtrl::AutoC1Clr() { ClearList(ui_->cmbC1Auto); }
void DevCtrl::AutoC2Add(const QString& item) { AddKeepingChoice(ui_->cmbC2Auto, item); }
void DevCtrl::AutoC2Clr() { ClearList(ui_->cmbC2Auto); }
void DevCtrl::AutoStepAdd(const QString& item) { AddKeepingChoice(ui_->cmbStepAuto, item); }
void DevCtrl::AutoStepClr() { ClearList(ui_->cmbStepAuto); }
void DevCtrl::AutoTimeAdd(const QString& item) { AddKeepingChoice(ui_->cmbTimeAuto, item); }
void DevCtrl::AutoModeAdd(const QString& item) { AddKeepingChoice(ui_->cmbModeAuto, item); }
void DevCtrl::AutoTimeClr() { ClearList(ui_->cmbTimeAuto); }

void DevCtrl::AutoListClr()
{
    FlexGrid* g = ui_->gridAutoRun;
    g->Clear();
    g->setRows(11);
    g->setTextMatrix(0, 0, Lang(QStringLiteral("Index")));
    g->setTextMatrix(0, 1, Lang(QStringLiteral("Curr(A)")));
    g->setTextMatrix(0, 2, Lang(QStringLiteral("Volt(V)")));
    g->setTextMatrix(0, 3, Lang(QStringLiteral("Pwr(W)")));
    autoRow_ = 1;
}

void DevCtrl::AutoListAdd()
{
    ++autoRow_;
    if (autoRow_ > 10)
        ui_->gridAutoRun->setRows(ui_->gridAutoRun->Rows() + 1);
}

void DevCtrl::StepListClr()
{
    FlexGrid* g = ui_->gridStepRun;
    g->Clear();
    g->setRows(9);
    g->setTextMatrix(0, 0, Lang(QStringLiteral("Step")));
    g->setTextMatrix(0, 1, Lang(QStringLiteral("Mode")));
    g->setTextMatrix(0, 2, Lang(QStringLiteral("Capacity")));
    g->setTextMatrix(0, 3, Lang(QStringLiteral("Energy")));
    stepRow_ = 1;
}

void DevCtrl::StepListAdd()
{
    ++stepRow_;
    if (stepRow_ > 6)
        ui_->gridStepRun->setRows(ui_->gridStepRun->Rows() + 1);
}

void DevCtrl::StepSetClr()
{
    FlexGrid* g = ui_->gridStepSet;
    g->Clear();
    g->setTextMatrix(0, 0, Lang(QStringLiteral("Step")));
    g->setTextMatrix(0, 1, Lang(QStringLiteral("Mode")));
    g->setTextMatrix(0, 2, Lang(QStringLiteral("Set1")));
    g->setTextMatrix(0, 3, Lang(QStringLiteral("Set2")));
    g->setTextMatrix(0, 4, Lang(QStringLiteral("Cutoff")));
    for (int r = 1; r <= 10; ++r)
        g->setTextMatrix(r, 0, QString::number(r));
}

void DevCtrl::StepSetAdd()
{
    ui_->gridStepSet->setRows(ui_->gridStepSet->Rows() + 1);
}

void DevCtrl::PortAdd(const QString& item) { AddKeepingChoice(ui_->cmbPort, item); }
void DevCtrl::PortClr() { ClearList(ui_->cmbPort); }
void DevCtrl::ModeAdd(const QString& item) { AddKeepingChoice(modeCombo(), item); }
void DevCtrl::ModeClr() { ClearList(modeCombo()); }

void DevCtrl::TabAdd(int index, const QString& key)
{
    QTabBar* t = ui_->tabDev;
    if (index < 1 || index > t->count() + 1)
        throw std::out_of_range("tab position " + std::to_string(index) + " outside the tab strip");
    for (int i = 0; i < t->count(); ++i)
        if (t->tabData(i).toString() == key)
            throw std::invalid_argument("tab key " + key.toStdString() + " is already in use");
    const QSignalBlocker block(t);
    const int was = t->currentIndex();
    const int at = t->insertTab(index - 1, TabCaption(index, key));
    t->setTabData(at, key);
    // The strip's current tab may have moved; show what it now selects.
    Q_UNUSED(was);
    showPageForKey(t->tabData(t->currentIndex()).toString());
}

void DevCtrl::TabClear()
{
    QTabBar* t = ui_->tabDev;
    const QSignalBlocker block(t);
    while (t->count() > 0)
        t->removeTab(t->count() - 1);
}

// ---- Properties -------------------------------------------------------------

int DevCtrl::Test() const
{
    const QTabBar* t = ui_->tabDev;
    const QString key = t->currentIndex() < 0 ? QString() : t->tabData(t->currentIndex()).toString();
    if (key == QLatin1String("key1"))
        return 1;
    if (key == QLatin1String("key2"))
        return 2;
    return 3;
}

void DevCtrl::setDev2S(bool on)
{
    Controls& u = *ui_;
    dev2S_ = on;
    u.frmRun2S->setVisible(on);
    u.frmCtrl2S->setVisible(on);
    u.frmRun->setVisible(!on);
    u.frmCtrl->setVisible(!on);
}

void DevCtrl::setConn(bool on)
{
    conn_ = on;
    ui_->cmdConn->setText(on ? QStringLiteral("Disconn") : QStringLiteral("Connect"));
    ui_->cmbPort->setEnabled(!on);  // the open port stays the one shown
}

bool DevCtrl::Run(int chn) const { return run_[size_t(checkChn(chn))]; }
void DevCtrl::setRun(int chn, bool on) { run_[size_t(checkChn(chn))] = on; }

QString DevCtrl::tPort() const { return ui_->cmbPort->currentText(); }
void DevCtrl::setTPort(const QString& name) { SetComboText(ui_->cmbPort, name); }
int DevCtrl::PortCnt() const { return ui_->cmbPort->count(); }

QString DevCtrl::PortList(int i) const
{
    if (i < 0 || i >= ui_->cmbPort->count())
        throw std::out_of_range("port list entry outside the list");
    return ui_->cmbPort->itemText(i);
}

QString DevCtrl::tAutoC1() const { return ui_->cmbC1Auto->currentText(); }
void DevCtrl::setTAutoC1(const QString& text) { SetComboText(ui_->cmbC1Auto, text); }
QString DevCtrl::tAutoC2() const { return ui_->cmbC2Auto->currentText(); }
void DevCtrl::setTAutoC2(const QString& text) { SetComboText(ui_->cmbC2Auto, text); }
QString DevCtrl::tAutoVol() const { return ui_->txtVolAuto->text(); }
void DevCtrl::setTAutoVol(const QString& text) { ui_->txtVolAuto->setText(text); }
QString DevCtrl::tAutoStep() const { return ui_->cmbStepAuto->currentText(); }
void DevCtrl::setTAutoStep(const QString& text) { SetComboText(ui_->cmbStepAuto, text); }
QString DevCtrl::tAutoTime() const { return ui_->cmbTimeAuto->currentText(); }
void DevCtrl::setTAutoTime(const QString& text) { SetComboText(ui_->cmbTimeAuto, text); }
QString DevCtrl::tAutoMode() const { return ui_->cmbModeAuto->currentText(); }
void DevCtrl::setTAutoMode(const QString& text) { SetComboText(ui_->cmbModeAuto, text); }

QString DevCtrl::tAutoList(int col) const { return ui_->gridAutoRun->TextMatrix(autoRow_, col); }

void DevCtrl::setTAutoList(int col, const QString& text)
{
    ui_->gridAutoRun->setTextMatrix(autoRow_, col, text);
    ui_->gridAutoRun->setTextMatrix(autoRow_, 0, QString::number(autoRow_));
}

QString DevCtrl::tAutoRun(int row, int col) const { return ui_->gridAutoRun->TextMatrix(row, col); }
int DevCtrl::AutoRunCnt() const { return ui_->gridAutoRun->Rows(); }
void DevCtrl::setTStepList(int col, const QString& text) { ui_->gridStepRun->setTextMatrix(stepRow_, col, text); }
QString DevCtrl::tStepList(int row, int col) const { return ui_->gridStepRun->TextMatrix(row, col); }
int DevCtrl::StepListCnt() const { return ui_->gridStepRun->Rows(); }
QString DevCtrl::tStepSet(int row, int col) const { return ui_->gridStepSet->TextMatrix(row, col); }
void DevCtrl::setTStepSet(int row, int col, const QString& text) { ui_->gridStepSet->setTextMatrix(row, col, text); }

void DevCtrl::setStepColor(int row, uint32_t colorref)
{
    ui_->gridStepSet->setCurrentCell(row, 0);
    ui_->gridStepSet->setCellBackColor(row, 0, colorref);
}

QString DevCtrl::tMode() const { return modeCombo()->currentText(); }

void DevCtrl::setTMode(const QString& text)
{
    QComboBox* c = modeCombo();
    const int i = text.isEmpty() ? -1 : c->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (text.isEmpty() && c->currentIndex() >= 0) {
        const QSignalBlocker block(c);  // no mode chosen: nothing to click
        c->setCurrentIndex(-1);
    }
    if (i < 0 || i == c->currentIndex())
        return;
    {
        const QSignalBlocker block(c);
        c->setCurrentIndex(i);
    }
    // Choosing an entry by program is a mode click as well.
    emit ModeClick(slot_);
}

int DevCtrl::ModeIdx() const { return modeCombo()->currentIndex(); }
int DevCtrl::ModeCnt() const { return modeCombo()->count(); }

QString DevCtrl::ModeTxt(int i) const
{
    if (i < 0 || i >= modeCombo()->count())
        throw std::out_of_range("mode list entry outside the list");
    return modeCombo()->itemText(i);
}

// Layout-dependent fields and labels.
#define QL_LAYOUT_TEXT(Get, Set, single, pair, getter, setter)                                   \
    QString DevCtrl::Get(int chn) const                                                          \
    {                                                                                            \
        return dev2S_ ? ui_->pair[size_t(checkChn(chn))]->getter() : ui_->single->getter();      \
    }                                                                                            \
    void DevCtrl::Set(int chn, const QString& text)                                              \
    {                                                                                            \
        if (dev2S_)                                                                              \
            ui_->pair[size_t(checkChn(chn))]->setter(text);                                      \
        else                                                                                     \
            ui_->single->setter(text);                                                           \
    }

QL_LAYOUT_TEXT(tSval, setTSval, txtSval, txtSval2S, text, setText)
QL_LAYOUT_TEXT(tSlmt, setTSlmt, txtSlmt, txtSlmt2S, text, setText)
QL_LAYOUT_TEXT(tStim, setTStim, txtStim, txtStim2S, text, setText)
QL_LAYOUT_TEXT(lSval, setLSval, lblSval, lblSval2S, text, setText)
QL_LAYOUT_TEXT(lSlmt, setLSlmt, lblSlmt, lblSlmt2S, text, setText)
QL_LAYOUT_TEXT(lStim, setLStim, lblStim, lblStim2S, text, setText)
QL_LAYOUT_TEXT(lSvalt, setLSvalt, lblSvalt, lblSval2St, text, setText)
QL_LAYOUT_TEXT(lSlmtt, setLSlmtt, lblSlmtt, lblSlmt2St, text, setText)
QL_LAYOUT_TEXT(lStimt, setLStimt, lblStimt, lblStim2St, text, setText)
#undef QL_LAYOUT_TEXT

// Readouts: the seven-segment readout's value, or the channel's text box.
#define QL_READOUT(Get, Set, lcd, pair)                                                   \
    QString DevCtrl::Get(int chn) const                                                   \
    {                                                                                     \
        return dev2S_ ? ui_->pair[size_t(checkChn(chn))]->text() : ui_->lcd->Value();     \
    }                                                                                     \
    void DevCtrl::Set(int chn, const QString& text)                                       \
    {                                                                                     \
        if (dev2S_)                                                                       \
            ui_->pair[size_t(checkChn(chn))]->setText(text);                              \
        else                                                                              \
            ui_->lcd->setValue(text);                                                     \
    }

QL_READOUT(tCur, setTCur, lcdCur, txtCur2S)
QL_READOUT(tVol, setTVol, lcdVol, txtVol2S)
QL_READOUT(tPwr, setTPwr, lcdPwr, txtPwr2S)
#undef QL_READOUT

// The single layout's time readout shows hh:mm in its main digits and ss in
// its exponent digits.
QString DevCtrl::tTime(int chn) const
{
    if (dev2S_)
        return ui_->txtTime2S[size_t(checkChn(chn))]->text();
    const QString v = ui_->lcdTime->Value();
    return v.left(5) + QLatin1Char(':') + v.right(2);
}

void DevCtrl::setTTime(int chn, const QString& text)
{
    if (dev2S_)
        ui_->txtTime2S[size_t(checkChn(chn))]->setText(text);
    else
        ui_->lcdTime->setValue(text.left(5) + QStringLiteral("E+") + text.right(2));
}

QString DevCtrl::AutoCmd() const { return ui_->cmdStartAuto->text(); }
void DevCtrl::setAutoCmd(const QString& text) { ui_->cmdStartAuto->setText(text); }
QString DevCtrl::StepCmd() const { return ui_->cmdStartStep->text(); }
void DevCtrl::setStepCmd(const QString& text) { ui_->cmdStartStep->setText(text); }
bool DevCtrl::AutoOptSec() const { return ui_->optAutoSec->isChecked(); }

void DevCtrl::setAutoOptSec(bool seconds)
{
    (seconds ? ui_->optAutoSec : ui_->optAutoMin)->setChecked(true);
}

QString DevCtrl::chn() const
{
    return dev2S_ && ui_->optChn1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

bool DevCtrl::AllChn() const { return ui_->optChn2->isChecked(); }

void DevCtrl::setChnEnable(bool on)
{
    for (QRadioButton* o : {ui_->optChn0, ui_->optChn1, ui_->optChn2})
        o->setEnabled(on);
}

bool DevCtrl::ConnEnable() const { return ui_->cmdConn->isEnabled(); }
void DevCtrl::setConnEnable(bool on) { ui_->cmdConn->setEnabled(on); }

#define QL_LAYOUT_ENABLE(Get, Set, single, pair)                                  \
    bool DevCtrl::Get() const { return (dev2S_ ? ui_->pair : ui_->single)->isEnabled(); } \
    void DevCtrl::Set(bool on) { (dev2S_ ? ui_->pair : ui_->single)->setEnabled(on); }

QL_LAYOUT_ENABLE(ContEnable, setContEnable, cmdCont, cmdCont2S)
QL_LAYOUT_ENABLE(RunEnable, setRunEnable, cmdRun, cmdRun2S)
QL_LAYOUT_ENABLE(StopEnable, setStopEnable, cmdStop, cmdStop2S)
QL_LAYOUT_ENABLE(SetEnable, setSetEnable, cmdSet, cmdSet2S)
QL_LAYOUT_ENABLE(MonitorEnable, setMonitorEnable, cmdMonitor, cmdMonitor2S)
QL_LAYOUT_ENABLE(ModeEnable, setModeEnable, cmbMode, cmbMode2S)
#undef QL_LAYOUT_ENABLE

#define QL_LAYOUT_FIELD_ENABLE(Get, Set, single, pair)                                              \
    bool DevCtrl::Get(int chn) const                                                              \
    {                                                                                             \
        return dev2S_ ? ui_->pair[size_t(checkChn(chn))]->isEnabled() : ui_->single->isEnabled(); \
    }                                                                                             \
    void DevCtrl::Set(int chn, bool on)                                                           \
    {                                                                                             \
        if (dev2S_)                                                                               \
            ui_->pair[size_t(checkChn(chn))]->setEnabled(on);                                     \
        else                                                                                      \
            ui_->single->setEnabled(on);                                                          \
    }

QL_LAYOUT_FIELD_ENABLE(SvalEnable, setSvalEnable, txtSval, txtSval2S)
QL_LAYOUT_FIELD_ENABLE(SlmtEnable, setSlmtEnable, txtSlmt, txtSlmt2S)
QL_LAYOUT_FIELD_ENABLE(StimEnable, setStimEnable, txtStim, txtStim2S)
#undef QL_LAYOUT_FIELD_ENABLE

namespace {
void SetTimer(QTimer* t, bool on)
{
    // Enabling a running timer keeps its phase.
    if (on && !t->isActive())
        t->start();
    else if (!on)
        t->stop();
}
} // namespace

bool DevCtrl::TmrCurveEnable(int chn) const { return ui_->tmrCurve[size_t(checkChn(chn))]->isActive(); }
void DevCtrl::setTmrCurveEnable(int chn, bool on) { SetTimer(ui_->tmrCurve[size_t(checkChn(chn))], on); }
bool DevCtrl::TmrShowEnable(int chn) const { return ui_->tmrShow[size_t(checkChn(chn))]->isActive(); }
void DevCtrl::setTmrShowEnable(int chn, bool on) { SetTimer(ui_->tmrShow[size_t(checkChn(chn))], on); }
bool DevCtrl::AutoTmrEnable() const { return ui_->tmrAuto->isActive(); }
void DevCtrl::setAutoTmrEnable(bool on) { SetTimer(ui_->tmrAuto, on); }
bool DevCtrl::StepTmrEnable() const { return ui_->tmrStep->isActive(); }
void DevCtrl::setStepTmrEnable(bool on) { SetTimer(ui_->tmrStep, on); }

void DevCtrl::setStepEnable(bool on)
{
    for (QPushButton* b : {ui_->cmdSaveStep, ui_->cmdOpenStep, ui_->cmdClearStep, ui_->cmdSetStep})
        b->setEnabled(on);
}

namespace {
uint32_t LabelColor(const QLabel* l) { return ToRef(l->palette().color(QPalette::WindowText)); }

void SetLabelColor(QLabel* l, uint32_t ref)
{
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Ref(ref));
    l->setPalette(pal);
}

void SetLit(LCDisp* d, uint32_t ref)
{
    d->setSegmentLitColor(ref);
    d->setSegmentLitColorNeg(ref);
}
} // namespace

uint32_t DevCtrl::VolColor() const { return LabelColor(ui_->lblVolt); }
uint32_t DevCtrl::CurColor() const { return LabelColor(ui_->lblCurt); }
uint32_t DevCtrl::PwrColor() const { return LabelColor(ui_->lblPwrt); }
uint32_t DevCtrl::TimeColor() const { return ui_->lcdTime->SegmentLitColor(); }

void DevCtrl::setVolColor(uint32_t colorref)
{
    if (dev2S_)
        return;
    SetLabelColor(ui_->lblVolt, colorref);
    SetLit(ui_->lcdVol, colorref);
}

void DevCtrl::setCurColor(uint32_t colorref)
{
    if (dev2S_)
        return;
    SetLabelColor(ui_->lblCurt, colorref);
    SetLit(ui_->lcdCur, colorref);
}

void DevCtrl::setPwrColor(uint32_t colorref)
{
    if (dev2S_)
        return;
    SetLabelColor(ui_->lblPwrt, colorref);
    SetLit(ui_->lcdPwr, colorref);
}

void DevCtrl::setTimeColor(uint32_t colorref)
{
    if (dev2S_)
        return;
    SetLit(ui_->lcdTime, colorref);
}

bool DevCtrl::LedRecv() const { return ui_->shpRecv->lit(); }
void DevCtrl::setLedRecv(bool lit) { ui_->shpRecv->setLit(lit); }

bool DevCtrl::setImageLogo(const QString& path)
{
    QPixmap pm;
    if (!pm.load(path))
        return false;
    ui_->imgLogo->setPixmap(pm.scaled(ui_->imgLogo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return true;
}

} // namespace ql
