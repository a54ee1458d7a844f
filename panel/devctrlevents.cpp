// DevCtrl: wiring the controls to the panel's events, the two-channel dispatch
// and the page in front.
#include "panel/devctrlparts.h"

namespace ql {

using namespace devctrlparts;

// ---- Events -----------------------------------------------------------------

void DevCtrl::wireEvents()
{
    Controls& u = *ui_;
    connect(u.tabDev, &QTabBar::currentChanged, this, [this](int i) {
        showPageForKey(i < 0 ? QString() : ui_->tabDev->tabData(i).toString());
    });
    connect(u.cmdConn, &QPushButton::clicked, this, [this] { emit ConnClick(slot_); });
    for (QComboBox* c : {u.cmbMode, u.cmbMode2S}) {
        connect(c, &QComboBox::currentTextChanged, this, [this, c] {
            if (c == modeCombo())
                takeMode();
        });
        connect(c, &QComboBox::activated, this, [this] {
            takeMode();
            emit ModeClick(slot_);
        });
    }
    for (QRadioButton* o : {u.optChn0, u.optChn1, u.optChn2})
        connect(o, &QRadioButton::toggled, this, [this] { takeChannel(); });

    // The record of the field's channel follows every change of the field's
    // text: typed, pasted, or set by an assistive tool or by the program
    // (which writes the record's own text back, a change of nothing), so
    // what a command sends is what the field shows.
    auto typed = [this](QLineEdit* e, bool twoChannel, int chn, QString ChanState::*member) {
        connect(e, &QLineEdit::textChanged, this, [this, twoChannel, chn, member](const QString& text) {
            if (twoChannel == dev2S_)
                rec_->chn[size_t(chn)].*member = text;
        });
    };
    typed(u.txtSval, false, 0, &ChanState::SvalText);
    typed(u.txtSlmt, false, 0, &ChanState::SlmtText);
    typed(u.txtStim, false, 0, &ChanState::StimText);
    for (int c = 0; c < 2; ++c) {
        typed(u.txtSval2S[size_t(c)], true, c, &ChanState::SvalText);
        typed(u.txtSlmt2S[size_t(c)], true, c, &ChanState::SlmtText);
        typed(u.txtStim2S[size_t(c)], true, c, &ChanState::StimText);
    }

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

} // namespace ql
