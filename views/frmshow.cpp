#include "views/frmshow.h"

#include "controls/curvegraph.h"
#include "controls/lcdisp.h"
#include "controls/windowkeys.h"
#include "panel/devctrl.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace ql {

namespace {
constexpr uint32_t kY2LayoutColor = 0x008000;  // the second axis curve's colour as laid out

void setSwatch(QLabel* l, uint32_t c)
{
    l->setProperty("colorref", qulonglong(c));
    l->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(ColorFromRef(c).name()));
}
} // namespace

uint32_t frmShow::swatch(const QLabel* l) { return uint32_t(l->property("colorref").toULongLong()); }

frmShow::frmShow(std::shared_ptr<ViewHost> host, bool tempEnabled, bool tempSelected, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), host_(std::move(host))
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmShow"));
    setWindowTitle(QStringLiteral("Display Setting"));
    auto* top = new QGridLayout(this);

    auto* line = new QGroupBox(QStringLiteral("Line"), this);
    auto* lg = new QGridLayout(line);
    const auto combo = [&](const char* caption, int row, const QStringList& items) {
        auto* c = new QComboBox(line);
        c->addItems(items);
        lg->addWidget(new QLabel(QString::fromLatin1(caption), line), row, 0);
        lg->addWidget(c, row, 1);
        return c;
    };
    cmbDot = combo("Majoy:", 0, {QStringLiteral("Solid"), QStringLiteral("Dot")});
    cmbDot2 = combo("Minor:", 1, {QStringLiteral("Solid"), QStringLiteral("Dot")});
    cmbLine = combo("Width:", 2, {QStringLiteral("1"), QStringLiteral("2")});

    auto* color = new QGroupBox(QStringLiteral("Color"), this);
    auto* cg = new QGridLayout(color);
    int row = 0;
    const auto sw = [&](QWidget* box, QGridLayout* g, const char* caption) {
        auto* l = new QLabel(box);
        l->setFixedSize(40, 18);
        l->installEventFilter(this);
        g->addWidget(new QLabel(QString::fromLatin1(caption), box), row, 0);
        g->addWidget(l, row++, 1);
        return l;
    };
    lblGridColor = sw(color, cg, "Grid:");
    lblBackColor = sw(color, cg, "Bg:");
    lblAxesColor = sw(color, cg, "Axes:");
    lblPwrColor = sw(color, cg, "Power:");
    lblTimeColor = sw(color, cg, "Time:");

    chkLabel = new QCheckBox(QStringLiteral("Label"), this);
    chkScale = new QCheckBox(QStringLiteral("Auto Scale"), this);
    chkCap = new QCheckBox(QStringLiteral("容量"), this);
    chkWh = new QCheckBox(QStringLiteral("能量"), this);
    auto* xbox = new QWidget(this);
    auto* xl = new QHBoxLayout(xbox);
    optCap = new QRadioButton(QStringLiteral("Capacity"), xbox);
    optTime = new QRadioButton(QStringLiteral("Time"), xbox);
    xl->addWidget(optCap);
    xl->addWidget(optTime);

    auto* c2 = new QGroupBox(QStringLiteral("Curve2"), this);
    auto* c2g = new QGridLayout(c2);
    chkY2 = new QCheckBox(QStringLiteral("Show"), c2);
    optPwr = new QRadioButton(QStringLiteral("Power"), c2);
    optTemp = new QRadioButton(QStringLiteral("Temp"), c2);
    c2g->addWidget(chkY2, 0, 0);
    c2g->addWidget(optPwr, 0, 1);
    c2g->addWidget(optTemp, 0, 2);
    row = 0;
    lblY2 = new QLabel(c2);
    lblY2->setFixedSize(40, 18);
    lblY2->installEventFilter(this);
    c2g->addWidget(lblY2, 0, 3);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cmdOK, &QPushButton::clicked, this, &frmShow::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmShow::cmdCancel_Click);

    top->addWidget(line, 0, 0);
    top->addWidget(color, 0, 1);
    top->addWidget(chkLabel, 1, 0);
    top->addWidget(chkScale, 1, 1);
    top->addWidget(chkCap, 2, 0);
    top->addWidget(chkWh, 2, 1);
    top->addWidget(xbox, 3, 0, 1, 2);
    top->addWidget(c2, 4, 0, 1, 2);
    top->addWidget(cmdOK, 5, 0);
    top->addWidget(cmdCancel, 5, 1);
    load(tempEnabled, tempSelected);
}

// The dialog's values from slot 0's chart and panel and the shared settings.
void frmShow::load(bool tempEnabled, bool tempSelected)
{
    const CurveGraph* g = host_->chart(0);
    cmbDot->setCurrentIndex(g->GridType1() == 0 ? 0 : 1);
    cmbDot2->setCurrentIndex(g->GridType2() == 0 ? 0 : 1);
    setSwatch(lblGridColor, g->GridColor());
    setSwatch(lblBackColor, g->BackColor());
    setSwatch(lblAxesColor, g->AxesColor());
    cmbLine->setCurrentIndex(g->Line() == 1 ? 0 : 1);
    chkY2->setChecked(g->ShowAxesY2());
    const DevCtrl* p = host_->panel(0);
    setSwatch(lblPwrColor, p->PwrColor());
    setSwatch(lblTimeColor, p->TimeColor());
    const Settings& s = settings();
    (s.XTime ? optTime : optCap)->setChecked(true);
    chkCap->setChecked(s.ShowAh);
    chkWh->setChecked(s.ShowWh);
    chkLabel->setChecked(s.ShowLabel);
    chkScale->setChecked(s.AutoScale);
    setSwatch(lblY2, kY2LayoutColor);
    optTemp->setEnabled(tempEnabled);
    (tempSelected && tempEnabled ? optTemp : optPwr)->setChecked(true);
    adjustSize();
    if (const QScreen* sc = screen()) {
        const QRect r = sc->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
}

bool frmShow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (auto* l = qobject_cast<QLabel*>(watched); l && l->property("colorref").isValid())
            swatchClick(l);
    }
    return QWidget::eventFilter(watched, event);
}

void frmShow::swatchClick(QLabel* l)
{
    const int c = PickColor();
    if (c != -1)
        setSwatch(l, uint32_t(c));
}

void frmShow::cmdOK_Click()
{
    Settings& s = settings();
    const int line = cmbLine->currentText().toInt();
    for (int n = 0; n < host_->DevCount(); ++n) {
        CurveGraph* g = host_->chart(n);
        g->setGridColor(swatch(lblGridColor));
        g->setBackColor(swatch(lblBackColor));
        g->setAxesColor(swatch(lblAxesColor));
        g->setLine(line);
        host_->panel(n)->setPwrColor(swatch(lblPwrColor));
        host_->panel(n)->setTimeColor(swatch(lblTimeColor));
    }
    const int t1 = cmbDot->currentText() == QLatin1String("Solid") ? 0 : 1;
    const int t2 = cmbDot2->currentText() == QLatin1String("Solid") ? 0 : 1;
    for (int n = 0; n < host_->DevCount(); ++n) {
        host_->chart(n)->setGridType1(t1);
        host_->chart(n)->setGridType2(t2);
    }
    s.GridType1 = t1;
    s.GridType2 = t2;
    s.GridColor = int32_t(swatch(lblGridColor));
    s.BackColor = int32_t(swatch(lblBackColor));
    s.AxesColor = int32_t(swatch(lblAxesColor));
    s.PwrColor = int32_t(swatch(lblPwrColor));
    s.TimeColor = int32_t(swatch(lblTimeColor));
    s.XTime = optTime->isChecked();
    s.ShowAh = chkCap->isChecked();
    s.ShowWh = chkWh->isChecked();
    s.ShowLabel = chkLabel->isChecked();
    s.AutoScale = chkScale->isChecked();
    s.Line = line;
    s.SaveDisplay(TellUnlessWritten);  // applied all the same, but not kept when the save fails

    for (int n = 0; n < host_->DevCount(); ++n) {
        CurveGraph* g = host_->chart(n);
        const bool two = host_->Dev2S(n) && g->CurveCount() > 6;
        for (int k : {0, 1})
            g->setShowLegend(k, s.ShowLabel);
        if (two)
            for (int k : {5, 6})
                g->setShowLegend(k, s.ShowLabel);
        if (chkY2->isChecked()) {
            g->setShowAxesY2(true);
            g->setShowCurve(2, true);
            const bool temp = optTemp->isChecked();
            g->setLegendText(2, Lang(temp ? QStringLiteral("Temp") : QStringLiteral("Power")));
            g->setAxesY2Txt(temp ? QStringLiteral("[C]") : QStringLiteral("[W]"));
            host_->setMenuTemp(temp);
            g->setShowLegend(2, s.ShowLabel);
            g->setCurveAxesY(2, 2);
        } else {
            g->setShowAxesY2(false);
            g->setShowCurve(2, false);
            g->setShowLegend(2, false);
        }
        g->setCurveLineColor(2, swatch(lblY2));
        g->DrawCurve();
    }
    close();
}

void frmShow::cmdCancel_Click() { close(); }

QWidget* OpenDisplaySetting(std::shared_ptr<ViewHost> host, bool tempEnabled, bool tempSelected)
{
    QWidget* owner = host->window();
    return new frmShow(std::move(host), tempEnabled, tempSelected, owner);
}

} // namespace ql
