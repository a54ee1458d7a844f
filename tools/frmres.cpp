#include "tools/frmres.h"

#include "controls/windowkeys.h"
#include "link/frames.h"
#include "link/state.h"
#include "panel/seqif.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "tools/toolhost.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace ql {

namespace {
constexpr double kMinTestMa = 200, kMaxTestMa = 30000;
}

double ResistanceMilliohms(float volts, double milliamps)
{
    return milliamps > 0 ? double(volts) / milliamps * 1000000.0 : 0.0;
}

frmRes::frmRes(ToolHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    CloseOnEscape(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    QFont bold = font();
    bold.setBold(true);
    txtCap = new QLineEdit;
    txtCap->setAlignment(Qt::AlignCenter);
    txtCap->setFont(bold);
    txtCap->installEventFilter(this);
    txtRes = new QLineEdit(QStringLiteral("0"));
    txtRes->setAlignment(Qt::AlignCenter);
    txtRes->setFont(bold);
    txtRes->setStyleSheet(QStringLiteral("background-color: rgb(224, 224, 224); color: rgb(0, 0, 192);"));
    cmdTest = new QPushButton(QStringLiteral("Test"));
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Test Curr:")), 0, 0);
    g->addWidget(txtCap, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("mA")), 0, 2);
    g->addWidget(new QLabel(QStringLiteral("Resistance:")), 1, 0);
    g->addWidget(txtRes, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("mR")), 1, 2);
    g->addWidget(cmdTest, 2, 0, 1, 3);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmRes::Timer1_Timer);
    connect(cmdTest, &QPushButton::clicked, this, [this] { cmdTest_Click(); });

    slot_ = host_.CurDev();
    QString caption = Lang(QStringLiteral("Resistance Test-Device") + QString::number(slot_ + 1));
    if (host_.Dev2S(slot_))
        caption += QStringLiteral("-Channel") + QString::number(chn() + 1);
    setWindowTitle(caption);
    txtCap->setText(QStringLiteral("1000"));
    adjustSize();
    if (QScreen* s = screen())
        move(s->geometry().center() - rect().center());
}

int frmRes::chn() const
{
    const RunFieldsIf* fields = host_.Fields(slot_);
    return fields ? fields->ChnIndex() : 0;
}

bool frmRes::txtCap_LostFocus()
{
    const auto v = ParseNumber(txtCap->text());
    if (!v) {
        ShowPrompt(QStringLiteral("Invalid value!"), Prompter::Critical);
        QTimer::singleShot(0, txtCap, [t = txtCap] { t->setFocus(); });
        return false;
    }
    if (*v < kMinTestMa || *v > kMaxTestMa) {
        ShowPrompt(QStringLiteral("Setting value out of range!"), Prompter::Critical);
        return false;
    }
    txtCap->setText(Format(RoundHalfEven(*v), QStringLiteral("0")));
    return true;
}

int frmRes::SendResTest(double milliamps)
{
    const SlotState& st = host_.Link().slot.at(size_t(slot_));
    QString error;
    const auto frame = ResTestFrame(chn(), milliamps, st.CurFactor, st.MaxCur, &error);
    if (!frame) {
        ErrLog(QStringLiteral("ErrRes"), error);
        return 0;
    }
    WriteFrame(host_.Link(), slot_, *frame);
    // The current the frame asks for, in mA.
    const int units = (*frame)[2] * 240 + (*frame)[3];
    return st.CurFactor == 100 ? units * 10 : units;
}

bool frmRes::cmdTest_Click()
{
    const int c = chn();
    const ChanState& ch = host_.Link().ch(slot_, c);
    if (ch.Running) {
        ShowPrompt(QStringLiteral("Please stop other test first"), Prompter::Critical);
        return false;
    }
    if (ch.Volt > 4.5f) {
        ShowPrompt(QStringLiteral("Resistance test only support single battery"), Prompter::Critical);
        return false;
    }
    // The current goes out only when it passes the box's check, also when
    // Test is pressed without leaving the box.
    checking_ = true;
    const bool ok = txtCap_LostFocus();
    checking_ = false;
    if (!ok)
        return false;
    testMilliamps_ = SendResTest(Val(txtCap->text()));
    // From now on the reading comes from this slot and channel only.
    LinkState& link = host_.Link();
    link.ResVolt = 0;
    link.ResSlot = slot_;
    link.ResChn = c;
    ResTicks = 0;
    Timer1->start();
    cmdTest->setEnabled(false);
    return true;
}

void frmRes::Timer1_Timer()
{
    ++ResTicks;
    float& resVolt = host_.Link().ResVolt;
    if (!(resVolt > 0) && ResTicks <= 3)
        return;
    // The result is computed with the current the device applied (the box's
    // value capped at the device's maximum).
    if (resVolt > 0 && testMilliamps_ > 0)
        txtRes->setText(Format(ResistanceMilliohms(resVolt, testMilliamps_), QStringLiteral("0.0")));
    Timer1->stop();
    cmdTest->setEnabled(true);
    resVolt = 0;
    host_.Link().ResSlot = -1;
}

void frmRes::closeEvent(QCloseEvent* e)
{
    Timer1->stop();
    host_.Link().ResVolt = 0;
    host_.Link().ResSlot = -1;
    QWidget::closeEvent(e);
}

bool frmRes::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == txtCap && e->type() == QEvent::FocusOut && !checking_) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            checking_ = true;
            txtCap_LostFocus();
            checking_ = false;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace ql
