#include "panel/devctrlparts.h"

namespace ql {

using namespace devctrlparts;

DevCtrl::DevCtrl(int slot, QWidget* parent, std::chrono::milliseconds timerPeriod)
    : QWidget(parent), slot_(slot), own_(std::make_unique<SlotState>()), rec_(own_.get()), ui_(new Controls)
{
    build();
    for (QTimer* t : {ui_->tmrCurve[0], ui_->tmrCurve[1], ui_->tmrShow[0], ui_->tmrShow[1], ui_->tmrAuto, ui_->tmrStep})
        t->setInterval(timerPeriod);
    wireEvents();
    setRecord(*own_);
}

int DevCtrl::ChnIndex() const { return rec_->ChnSel; }

// ---- The record -------------------------------------------------------------

void DevCtrl::setRecord(SlotState& record)
{
    rec_ = &record;
    if (&record != own_.get())
        own_.reset();
    for (int c = 0; c < 2; ++c) {
        rec_->chn[size_t(c)].CurveOn = ui_->tmrCurve[size_t(c)]->isActive();
        rec_->chn[size_t(c)].ShowOn = ui_->tmrShow[size_t(c)]->isActive();
    }
    takeLayout();
    // The box behind keeps its entries; the one in front shows the record's list.
    const QComboBox* behind = dev2S_ ? ui_->cmbMode : ui_->cmbMode2S;
    QStringList& kept = rec_->ModeShown[dev2S_ ? 0 : 1];
    kept.clear();
    for (int i = 0; i < behind->count(); ++i)
        kept << behind->itemText(i);
    ShowModeList();
    ShowAutoResults();
    ShowStepResults();
}

void DevCtrl::takeLayout()
{
    SlotState& r = *rec_;
    r.Dev2S = dev2S_;
    const Controls& u = *ui_;
    for (int c = 0; c < (dev2S_ ? 2 : 1); ++c) {
        ChanState& f = r.chn[size_t(c)];
        f.SvalText = (dev2S_ ? u.txtSval2S[size_t(c)] : u.txtSval)->text();
        f.SlmtText = (dev2S_ ? u.txtSlmt2S[size_t(c)] : u.txtSlmt)->text();
        f.StimText = (dev2S_ ? u.txtStim2S[size_t(c)] : u.txtStim)->text();
        f.SvalUnit = (dev2S_ ? u.lblSval2St[size_t(c)] : u.lblSvalt)->text();
        f.SlmtUnit = (dev2S_ ? u.lblSlmt2St[size_t(c)] : u.lblSlmtt)->text();
        if (dev2S_) {
            f.TimeText = u.txtTime2S[size_t(c)]->text();
        } else {
            const QString v = u.lcdTime->Value();  // hh:mm in the main digits, ss in the exponent
            f.TimeText = v.left(5) + QLatin1Char(':') + v.right(2);
        }
    }
    r.RunEnable = (dev2S_ ? u.cmdRun2S : u.cmdRun)->isEnabled();
    r.StopEnable = (dev2S_ ? u.cmdStop2S : u.cmdStop)->isEnabled();
    takeChannel();
    takeMode();
}

void DevCtrl::takeChannel() { rec_->ChnSel = dev2S_ && ui_->optChn1->isChecked() ? 1 : 0; }

void DevCtrl::takeMode() { rec_->ModeText = modeCombo()->currentText(); }

void DevCtrl::ShowFields(int chn)
{
    const ChanState& f = rec_->chn.at(size_t(rec_->FieldChn(checkChn(chn))));
    Controls& u = *ui_;
    const size_t c = size_t(chn);
    (dev2S_ ? u.txtSval2S[c] : u.txtSval)->setText(f.SvalText);
    (dev2S_ ? u.txtSlmt2S[c] : u.txtSlmt)->setText(f.SlmtText);
    (dev2S_ ? u.txtStim2S[c] : u.txtStim)->setText(f.StimText);
    (dev2S_ ? u.lblSval2St[c] : u.lblSvalt)->setText(f.SvalUnit);
    (dev2S_ ? u.lblSlmt2St[c] : u.lblSlmtt)->setText(f.SlmtUnit);
}

DevCtrl::~DevCtrl()
{
    // The host's record may be gone before the controls are: nothing they
    // signal while they are torn down reaches it.
    for (QObject* o : findChildren<QObject*>())
        QObject::disconnect(o, nullptr, this, nullptr);
    delete ui_;
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

void DevCtrl::PortAdd(const QString& item) { AddKeepingChoice(ui_->cmbPort, item); }
void DevCtrl::PortClr() { ClearList(ui_->cmbPort); }
QStringList ModeEntries(const SlotState& s)
{
    if (s.ModeList.isEmpty())
        return {QStringLiteral("No Device")};
    QStringList shown;
    for (const QString& m : s.ModeList)
        shown << Lang(m);
    return shown;
}

void DevCtrl::ShowModeList()
{
    const QStringList& shown = rec_->ModeShown[dev2S_ ? 1 : 0] = ModeEntries(*rec_);
    QComboBox* c = modeCombo();
    ClearList(c);
    for (const QString& m : shown)
        AddKeepingChoice(c, m);
    takeMode();
}

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
    const bool changed = dev2S_ != on;
    dev2S_ = on;
    u.frmRun2S->setVisible(on);
    u.frmCtrl2S->setVisible(on);
    u.frmRun->setVisible(!on);
    u.frmCtrl->setVisible(!on);
    // Each layout's controls keep what they showed while the other one was
    // in front: the record takes them again.
    if (changed)
        takeLayout();
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

QString DevCtrl::tMode() const { return modeCombo()->currentText(); }

void DevCtrl::setTMode(const QString& text)
{
    QComboBox* c = modeCombo();
    const int i = text.isEmpty() ? -1 : c->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (text.isEmpty() && c->currentIndex() >= 0) {
        const QSignalBlocker block(c);  // no mode chosen: nothing to click
        c->setCurrentIndex(-1);
    }
    takeMode();
    if (i < 0 || i == c->currentIndex())
        return;
    {
        const QSignalBlocker block(c);
        c->setCurrentIndex(i);
    }
    takeMode();
    // Choosing an entry by program is a mode click as well.
    emit ModeClick(slot_);
}

int DevCtrl::ModeIdx() const { return modeCombo()->currentIndex(); }
int DevCtrl::ModeCnt() const { return int(rec_->ModeShown[dev2S_ ? 1 : 0].size()); }

QString DevCtrl::ModeTxt(int i) const
{
    if (i < 0 || i >= ModeCnt())
        throw std::out_of_range("mode list entry outside the list");
    return rec_->ModeShown[dev2S_ ? 1 : 0].at(i);
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

QL_LAYOUT_TEXT(lSval, setLSval, lblSval, lblSval2S, text, setText)
QL_LAYOUT_TEXT(lSlmt, setLSlmt, lblSlmt, lblSlmt2S, text, setText)
QL_LAYOUT_TEXT(lStim, setLStim, lblStim, lblStim2S, text, setText)
QL_LAYOUT_TEXT(lStimt, setLStimt, lblStimt, lblStim2St, text, setText)
#undef QL_LAYOUT_TEXT

// Value fields and the units beside them: kept in the record of the field
// channel (both channels share channel 0's on the single-channel layout).
#define QL_RECORD_TEXT(Get, Set, member)                                                                    \
    QString DevCtrl::Get(int chn) const { return rec_->chn[size_t(rec_->FieldChn(checkChn(chn)))].member; } \
    void DevCtrl::Set(int chn, const QString& text)                                                         \
    {                                                                                                       \
        rec_->chn[size_t(rec_->FieldChn(checkChn(chn)))].member = text;                                     \
        ShowFields(chn);                                                                                    \
    }

QL_RECORD_TEXT(tSval, setTSval, SvalText)
QL_RECORD_TEXT(tSlmt, setTSlmt, SlmtText)
QL_RECORD_TEXT(tStim, setTStim, StimText)
QL_RECORD_TEXT(lSvalt, setLSvalt, SvalUnit)
QL_RECORD_TEXT(lSlmtt, setLSlmtt, SlmtUnit)
#undef QL_RECORD_TEXT

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

// The time readout's text is the record's; the single layout's readout shows
// hh:mm in its main digits and ss in its exponent digits.
QString DevCtrl::tTime(int chn) const { return rec_->chn[size_t(rec_->FieldChn(checkChn(chn)))].TimeText; }

void DevCtrl::setTTime(int chn, const QString& text)
{
    rec_->chn[size_t(rec_->FieldChn(checkChn(chn)))].TimeText = text;
    if (dev2S_)
        ui_->txtTime2S[size_t(checkChn(chn))]->setText(text);
    else
        ui_->lcdTime->setValue(text.left(5) + QStringLiteral("E+") + text.right(2));
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
QL_LAYOUT_ENABLE(SetEnable, setSetEnable, cmdSet, cmdSet2S)
QL_LAYOUT_ENABLE(MonitorEnable, setMonitorEnable, cmdMonitor, cmdMonitor2S)
QL_LAYOUT_ENABLE(ModeEnable, setModeEnable, cmbMode, cmbMode2S)
#undef QL_LAYOUT_ENABLE

bool DevCtrl::RunEnable() const { return rec_->RunEnable; }

void DevCtrl::setRunEnable(bool on)
{
    rec_->RunEnable = on;
    (dev2S_ ? ui_->cmdRun2S : ui_->cmdRun)->setEnabled(on);
}

bool DevCtrl::StopEnable() const { return rec_->StopEnable; }

void DevCtrl::setStopEnable(bool on)
{
    rec_->StopEnable = on;
    (dev2S_ ? ui_->cmdStop2S : ui_->cmdStop)->setEnabled(on);
}

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

bool DevCtrl::TmrCurveEnable(int chn) const { return rec_->chn[size_t(checkChn(chn))].CurveOn; }

void DevCtrl::setTmrCurveEnable(int chn, bool on)
{
    rec_->chn[size_t(checkChn(chn))].CurveOn = on;
    SetTimer(ui_->tmrCurve[size_t(chn)], on);
}

bool DevCtrl::TmrShowEnable(int chn) const { return rec_->chn[size_t(checkChn(chn))].ShowOn; }

void DevCtrl::setTmrShowEnable(int chn, bool on)
{
    rec_->chn[size_t(checkChn(chn))].ShowOn = on;
    SetTimer(ui_->tmrShow[size_t(chn)], on);
}
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
