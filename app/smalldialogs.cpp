#include "app/smalldialogs.h"

#include "app/prompter.h"
#include "controls/windowkeys.h"
#include "platform/prompter.h"
#include "platform/services.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ql {

const char* const kAppTitle = "QL Tester Software";
const char* const kMakerUrl = "https://qltester.example.com";

void SetTranslucent(QWidget* window, int alpha)
{
    if (!window)
        return;
    window->setWindowOpacity(qBound(0, alpha, 255) / 255.0);
}

void CentreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect avail = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(avail.left() + (avail.width() - size.width()) / 2,
                 avail.top() + (avail.height() - size.height()) / 2);
}

// ---------------------------------------------------------------- frmAbout

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Software"));
    lblTitle = new QLabel(QString::fromLatin1(kAppTitle), this);
    QFont f = lblTitle->font();
    f.setPointSize(f.pointSize() + 4);
    f.setBold(true);
    lblTitle->setFont(f);
    lblVer = new QLabel(Lang(QStringLiteral("Version")) + QStringLiteral(": V") + VersionText(), this);
    lblPath = new QLabel(
        Lang(QStringLiteral("Program folder")) + QStringLiteral(": ") + QDir::toNativeSeparators(ProgramDir()), this);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The label is as wide as the text's advance; the folder's last letter
    // may reach past it (an "L" does): room for that ink.
    const QFontMetricsF pathMetrics(lblPath->font(), lblPath);
    const qreal overhang =
        pathMetrics.boundingRect(lblPath->text()).right() - pathMetrics.horizontalAdvance(lblPath->text());
    lblPath->setContentsMargins(0, 0, std::max(0, int(std::ceil(overhang))), 0);
    Label1 = new QLabel(QString::fromLatin1(kMakerUrl), this);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label1->installEventFilter(this);
    Image1 = new QLabel(this);
    Image1->setPixmap(windowIcon().pixmap(48, 48));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVer);
    text->addWidget(lblPath);
    text->addWidget(Label1);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addLayout(text, 1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    all->addLayout(buttons);
    adjustSize();
    CentreOnScreen(this);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        prompter().OpenUrl(QString::fromLatin1(kMakerUrl));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- frmMsg

namespace {
constexpr int kFadeStepMs = 25;
constexpr int kAlphaStep = 5;
constexpr int kAlphaTop = 200;
} // namespace

frmMsg::frmMsg(QWidget* parent) : QWidget(parent, Qt::Window)
{
    CloseOnEscape(this);
    setWindowTitle(QStringLiteral("Prompt"));
    lblMsg = new QLabel(QStringLiteral("STOP"), this);
    QFont f = lblMsg->font();
    f.setPointSize(28);
    f.setBold(true);
    lblMsg->setFont(f);
    lblMsg->setAlignment(Qt::AlignCenter);
    lblMsg->installEventFilter(this);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(lblMsg);
    resize(320, 140);

    Timer1 = new QTimer(this);
    Timer1->setInterval(kFadeStepMs);
    connect(Timer1, &QTimer::timeout, this, &frmMsg::fadeInTick);
    Timer2 = new QTimer(this);
    Timer2->setInterval(kFadeStepMs);
    connect(Timer2, &QTimer::timeout, this, &frmMsg::fadeOutTick);

    CentreOnScreen(this);
    alpha_ = 0;
    SetTranslucent(this, 0);
    Timer1->start();
    mayClose_ = false;
}

void frmMsg::setText(const QString& text) { lblMsg->setText(text); }

void frmMsg::fadeInTick()
{
    if (alpha_ + kAlphaStep > kAlphaTop) {
        Timer1->stop();
        return;
    }
    alpha_ += kAlphaStep;
    SetTranslucent(this, alpha_);
}

void frmMsg::fadeOutTick()
{
    if (alpha_ - kAlphaStep < 0) {
        Timer2->stop();
        mayClose_ = true;
        close();
        return;
    }
    alpha_ -= kAlphaStep;
    SetTranslucent(this, alpha_);
}

void frmMsg::startFadeOut()
{
    Timer1->stop();
    Timer2->start();
}

void frmMsg::closeEvent(QCloseEvent* event)
{
    if (mayClose_) {
        event->accept();
        return;
    }
    // Closing from outside fades the window out first; it then closes itself.
    event->ignore();
    startFadeOut();
}

void frmMsg::mousePressEvent(QMouseEvent* event)
{
    startFadeOut();
    QWidget::mousePressEvent(event);
}

bool frmMsg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblMsg && event->type() == QEvent::MouseButtonPress) {
        startFadeOut();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- frmSw

frmSw::frmSw(const QString& dataPath, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Software Setting"));
    chkAuto = new QCheckBox(QStringLiteral("Auto Save"), this);
    chkMsg = new QCheckBox(QStringLiteral("Prompt Message"), this);
    chkHide = new QCheckBox(QStringLiteral("Minimize Hidden"), this);
    chkDisp = new QCheckBox(QStringLiteral("Suspension Form"), this);
    optCsv = new QRadioButton(QStringLiteral("csv"), this);
    optDat = new QRadioButton(QStringLiteral("dat"), this);
    txtPath = new QLineEdit(this);
    txtPath->setReadOnly(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(chkAuto, 0, 0);
    grid->addWidget(chkMsg, 0, 1);
    grid->addWidget(chkHide, 1, 0);
    grid->addWidget(chkDisp, 1, 1);
    auto* fmt = new QHBoxLayout;
    fmt->addWidget(new QLabel(QStringLiteral("Data Format:"), this));
    fmt->addWidget(optCsv);
    fmt->addWidget(optDat);
    fmt->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addLayout(fmt);
    all->addWidget(txtPath);
    all->addLayout(buttons);

    const Settings& sw = settings();
    chkAuto->setChecked(sw.AutoSave);
    chkMsg->setChecked(sw.PromptMsg);
    chkHide->setChecked(sw.MinHide);
    chkDisp->setChecked(sw.FloatDisp);
    if (sw.SaveCsv)
        optCsv->setChecked(true);
    else
        optDat->setChecked(true);
    txtPath->setText(dataPath);

    connect(cmdOK, &QPushButton::clicked, this, &frmSw::okClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    adjustSize();
    CentreOnScreen(this);
}

void frmSw::okClicked()
{
    // A grey (partly checked) box counts as off.
    Settings& sw = settings();
    sw.AutoSave = chkAuto->checkState() == Qt::Checked;
    sw.PromptMsg = chkMsg->checkState() == Qt::Checked;
    sw.MinHide = chkHide->checkState() == Qt::Checked;
    sw.FloatDisp = chkDisp->checkState() == Qt::Checked;
    sw.SaveCsv = optCsv->isChecked();
    sw.SaveSwitches(TellUnlessWritten);  // in force all the same, but not kept when the save fails
    close();
}

} // namespace ql
