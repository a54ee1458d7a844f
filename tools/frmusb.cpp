#include "tools/frmusb.h"

#include "controls/curvegraph.h"
#include "controls/lcdisp.h"
#include "controls/windowkeys.h"
#include "link/state.h"
#include "panel/seqif.h"
#include "tools/toolhost.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace ql {

namespace {
constexpr int kEnterQc3 = 4, kQc3Up = 5, kQc3Down = 6;
}

int QcLevelForVolts(double v)
{
    return v > 18 ? 3 : v > 10 ? 2 : v > 8 ? 1 : 0;
}

frmUSB::frmUSB(ToolHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("USB Quick Charge"));

    auto* frmProto = new QGroupBox(QStringLiteral("QC2.0/3.0"));
    optQc2 = new QRadioButton(QStringLiteral("QC2.0"));
    optQc3 = new QRadioButton(QStringLiteral("QC3.0"));
    optQc2->setChecked(true);
    auto* lp = new QHBoxLayout(frmProto);
    lp->addWidget(optQc2);
    lp->addWidget(optQc3);

    auto* frmSteps = new QGroupBox;
    auto* frmMode = new QGroupBox;
    optManual = new QRadioButton(QStringLiteral("Manual"));
    optAuto = new QRadioButton(QStringLiteral("Auto"));
    optManual->setChecked(true);
    auto* lm = new QHBoxLayout(frmMode);
    lm->addWidget(optManual);
    lm->addWidget(optAuto);
    cmdQCInc = new QPushButton(QStringLiteral("+"));
    cmdQCDec = new QPushButton(QStringLiteral("-"));
    auto* levels = new QButtonGroup(this);
    const char* names[] = {"5V", "9V", "12V", "20V"};
    auto* ls = new QGridLayout(frmSteps);
    ls->addWidget(frmMode, 0, 0, 1, 4);
    ls->addWidget(cmdQCDec, 1, 0, 1, 2);
    ls->addWidget(cmdQCInc, 1, 2, 1, 2);
    for (int i = 0; i < 4; ++i) {
        optLevel[size_t(i)] = new QRadioButton(QString::fromLatin1(names[i]));
        levels->addButton(optLevel[size_t(i)], i);
        ls->addWidget(optLevel[size_t(i)], 2, i);
    }
    optLevel[0]->setChecked(true);

    lcdVol = new LCDisp;
    lcdVol->setNumDigits(4);
    lcdVol->setValue(QStringLiteral("00.00"));
    lcdVol->setMinimumSize(160, 48);
    auto* frmPE = new QGroupBox(QStringLiteral("MTK-PE"));
    cmdPEDec = new QPushButton(QStringLiteral("-"));
    cmdPEInc = new QPushButton(QStringLiteral("+"));
    auto* le = new QHBoxLayout(frmPE);
    le->addWidget(cmdPEDec);
    le->addWidget(cmdPEInc);

    auto* g = new QGridLayout(this);
    g->addWidget(frmProto, 0, 0, 1, 2);
    g->addWidget(frmSteps, 1, 0, 1, 2);
    g->addWidget(lcdVol, 2, 0);
    g->addWidget(new QLabel(QStringLiteral(" V")), 2, 1);
    g->addWidget(frmPE, 3, 0, 1, 2);
    wire();

    // Form_Load.
    adjustSize();
    if (QScreen* s = screen())
        move(s->geometry().center() - rect().center());
    const int slot = host_.CurDev();
    if (CurveGraph* chart = host_.Chart(slot))
        chart->setYStep(true);
    const int level = QcLevelForVolts(host_.Link().ch(slot, 0).VoltShown);
    optLevel[size_t(level)]->setChecked(true);
    host_.Link().UsbOpen = true;
    Timer1->start();
}

// The timers and what each control sends.
void frmUSB::wire()
{
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &frmUSB::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &frmUSB::Timer2_Timer);

    // An option's handler runs when it turns on, by a click or by code.
    for (int i = 0; i < 4; ++i) {
        connect(optLevel[size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on)
                return;
            QcLevel = i;
            host_.Commands().RemoteQC(host_.CurDev(), QcLevel);
        });
    }
    connect(optQc2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            host_.Commands().RemoteQC(host_.CurDev(), QcLevel);
    });
    connect(optQc3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            host_.Commands().RemoteQC(host_.CurDev(), kEnterQc3);
    });
    connect(cmdQCInc, &QPushButton::clicked, this, &frmUSB::cmdQCInc_Click);
    connect(cmdQCDec, &QPushButton::clicked, this, &frmUSB::cmdQCDec_Click);
    connect(cmdPEInc, &QPushButton::clicked, this, [this] { host_.Commands().RemotePE(host_.CurDev(), 1); });
    connect(cmdPEDec, &QPushButton::clicked, this, [this] { host_.Commands().RemotePE(host_.CurDev(), 0); });
}

frmUSB::~frmUSB() { unload(); }

void frmUSB::step(bool up)
{
    const int slot = host_.CurDev();
    if (optQc3->isChecked()) {
        if (!optAuto->isChecked()) {
            host_.Commands().RemoteQC(slot, up ? kQc3Up : kQc3Down);
        } else if (!Timer2->isActive()) {
            host_.Commands().RemoteQC(slot, up ? kQc3Up : kQc3Down);
            Timer2->start();
            optAuto->setEnabled(false);
            optManual->setEnabled(false);
            RampUp = up;
        } else {
            Timer2->stop();
            optAuto->setEnabled(true);
            optManual->setEnabled(true);
        }
        return;
    }
    if (up ? QcLevel < 3 : QcLevel > 0) {
        QcLevel += up ? 1 : -1;
        host_.Commands().RemoteQC(slot, QcLevel);
        optLevel[size_t(QcLevel)]->setChecked(true);
    }
}

void frmUSB::cmdQCInc_Click() { step(true); }
void frmUSB::cmdQCDec_Click() { step(false); }

void frmUSB::Timer1_Timer()
{
    const int slot = host_.CurDev();
    if (const RunFieldsIf* fields = host_.Fields(slot))
        lcdVol->setValue(host_.VoltText(slot, fields->ChnIndex()));
}

void frmUSB::Timer2_Timer() { host_.Commands().RemoteQC(host_.CurDev(), RampUp ? kQc3Up : kQc3Down); }

void frmUSB::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Timer1->stop();
    Timer2->stop();
    host_.Link().UsbOpen = false;
}

void frmUSB::closeEvent(QCloseEvent* e)
{
    unload();
    QWidget::closeEvent(e);
}

} // namespace ql
