#include "panel/stepedit.h"

#include "controls/flexgrid.h"
#include "link/state.h"
#include "link/modefields.h"
#include "panel/seqfiles.h"
#include "panel/seqif.h"
#include "link/valuecheck.h"
#include "platform/numfmt.h"
#include "platform/prompter.h"
#include "platform/services.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace ql {

namespace {

QString FactorPattern(int factor)
{
    return factor == 1000 ? QStringLiteral("0.000") : factor == 100 ? QStringLiteral("0.00") : QStringLiteral("0.0");
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int w)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 20);
    return l;
}

} // namespace

frmSet::frmSet(LinkState& state, int slot, SeqHostIf& host, QWidget* parent)
    : QDialog(parent), s_(state.slot.at(size_t(slot))), slot_(slot), host_(host), fields_(*host.fields(slot))
{
    setWindowTitle(Lang(QStringLiteral("Parameter Setting")));
    curFmt_ = FactorPattern(s_.CurFactor);
    volFmt_ = FactorPattern(s_.VolFactor);
    pwrFmt_ = s_.PwrFactor == 10 ? QStringLiteral("0.0") : QStringLiteral("0");
    build();
    load();
    if (const QScreen* scr = QGuiApplication::primaryScreen())
        move(scr->availableGeometry().center() - rect().center());
}

void frmSet::build()
{
    resize(430, 330);
    Label(this, Lang(QStringLiteral("Step:")), 10, 10, 60);
    cmbFlow = new QComboBox(this);
    cmbFlow->setObjectName(QStringLiteral("cmbFlow"));
    cmbFlow->setGeometry(70, 10, 110, 22);
    Label(this, Lang(QStringLiteral("Mode:")), 200, 10, 60);
    cmbMode = new QComboBox(this);
    cmbMode->setObjectName(QStringLiteral("cmbMode"));
    cmbMode->setGeometry(260, 10, 110, 22);

    auto row = [this](int y, QLabel*& cap, QLineEdit*& field, QLabel*& unit, const char* name) {
        cap = Label(this, QString(), 10, y, 60);
        field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        field->setGeometry(70, y, 110, 22);
        unit = Label(this, QString(), 185, y, 40);
    };
    row(40, lblSet, txtSet, lblSett, "txtSet");
    row(68, lblLmt, txtLmt, lblLimit1t, "txtLmt");
    row(96, lblLmt2, txtLmt2, lblLmt2t, "txtLmt2");

    cmdSet = new QPushButton(Lang(QStringLiteral("Set")), this);
    cmdSet->setGeometry(260, 40, 110, 26);
    cmdClear = new QPushButton(Lang(QStringLiteral("Clear")), this);
    cmdClear->setGeometry(260, 70, 110, 26);

    gridSet = new FlexGrid(this);
    gridSet->setGeometry(10, 126, 410, 11 * FlexGrid::kRowHeight + 4);
    gridSet->setCols(5);
    gridSet->setRows(11);
    gridSet->setFixedRows(1);
    gridSet->setFixedCols(1);
    gridSet->setColWidth(0, 600);
    for (int c = 1; c <= 4; ++c)
        gridSet->setColWidth(c, 1350);
    gridSet->setAllColAlignment(Qt::AlignHCenter);
    gridSet->setTabBetweenCells(true);

    cmdOK = new QPushButton(Lang(QStringLiteral("OK")), this);
    cmdOK->setGeometry(200, 300, 100, 26);
    cmdCancel = new QPushButton(Lang(QStringLiteral("Cancel")), this);
    cmdCancel->setGeometry(320, 300, 100, 26);

    connect(cmbFlow, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling_)
            cmbFlow_Click(i);
    });
    connect(cmbMode, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling_)
            cmbMode_Click(i);
    });
    connect(txtSet, &QLineEdit::editingFinished, this, &frmSet::txtSet_LostFocus);
    connect(txtLmt, &QLineEdit::editingFinished, this, &frmSet::txtLmt_LostFocus);
    connect(txtLmt2, &QLineEdit::editingFinished, this, &frmSet::txtLmt2_LostFocus);
    connect(cmdSet, &QPushButton::clicked, this, [this] { cmdSet_Click(); });
    connect(cmdClear, &QPushButton::clicked, this, &frmSet::cmdClear_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSet::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSet::cmdCancel_Click);
}

void frmSet::load()
{
    filling_ = true;
    const QStringList head{Lang(QStringLiteral("Step")), Lang(QStringLiteral("Mode")),
                           Lang(QStringLiteral("Current")) + QLatin1Char('/') + Lang(QStringLiteral("Power")),
                           Lang(QStringLiteral("Volt/Cells")), Lang(QStringLiteral("Cutoff"))};
    for (int c = 0; c <= 4; ++c)
        gridSet->setTextMatrix(0, c, head[c]);
    const StepTable& t = s_.Steps;
    for (int r = 1; r <= 10; ++r) {
        gridSet->setTextMatrix(r, 0, QString::number(r));
        for (int c = 1; c <= 4; ++c)
            gridSet->setTextMatrix(r, c, t.at(r, c));
    }
    const int steps = t.programRows();
    for (int i = 1; i <= steps; ++i)
        cmbFlow->addItem(QStringLiteral("Step%1").arg(i));
    if (steps < 10)
        cmbFlow->addItem(QStringLiteral("Step%1").arg(steps + 1));
    cmbFlow->setCurrentIndex(0);

    modeCnt_ = fields_.ModeCnt();
    for (int k = 0; k < modeCnt_; ++k)
        cmbMode->addItem(fields_.ModeTxt(k));
    cmbMode->addItem(Lang(QLatin1String(kStepWait)));
    cmbMode->addItem(Lang(QLatin1String(kStepCycle)));
    const int first = std::max(0, int(cmbMode->findText(t.at(1, 1))));
    cmbMode->setCurrentIndex(first);
    filling_ = false;

    flow_ = 0;
    cmbMode_Click(first);
    if (steps > 0) {
        flow_ = -1;
        cmbFlow_Click(0);
    }
}

int frmSet::kindCount() const { return modeCnt_ + 2; }
// Asked as the start frame sends it: a power exactly where one is sent.
bool frmSet::isPower(int k) const { return !isPauseType(k) && SetValueIsPower(s_.DevType, k); }
bool frmSet::isPauseType(int k) const { return k >= modeCnt_; }
bool frmSet::isFixed(int k) const { return !isPauseType(k) && k > s_.CvMode; }
bool frmSet::isCells(int k) const
{
    // Asked as the start frame sends it: a cell count exactly where one is sent.
    return !isPauseType(k) && !isFixed(k) && k > s_.LastDisMode && LimitIsCells(s_.DevType, k);
}
bool frmSet::isCutOff(int k) const { return !isPauseType(k) && ThirdIsCutOff(s_, k); }

void frmSet::applyKind(int k, bool defaults)
{
    lblSet->setText(Lang(QStringLiteral("Current")));
    lblSett->setText(QStringLiteral("A"));
    lblLmt->setText(Lang(QStringLiteral("Volt:")));
    lblLimit1t->setText(QStringLiteral("V"));
    lblLmt2->setText(Lang(QStringLiteral("Cutoff:")));
    lblLmt2t->setText(Lang(QStringLiteral("Min")));
    auto put = [defaults](QLineEdit* e, const char* text) {
        if (defaults)
            e->setText(QLatin1String(text));
    };
    if (isPauseType(k) || isFixed(k)) {
        put(txtSet, "0.00");
        put(txtLmt, "0.00");
        txtSet->setEnabled(false);
        txtLmt->setEnabled(false);
        txtLmt2->setEnabled(true);
        if (isCycle(k)) {
            lblLmt2->setText(Lang(QStringLiteral("Cycle:")));
            lblLmt2t->setText(QString());
        }
        if (isCutOff(k)) {
            // DC5V and the like: only a cut-off current is sent.
            lblLmt2t->setText(QStringLiteral("A"));
            if (defaults)
                txtLmt2->setText(Format(s_.MinCur, curFmt_));
        } else {
            put(txtLmt2, "1");
        }
        return;
    }
    txtSet->setEnabled(true);
    txtLmt->setEnabled(true);
    txtLmt2->setEnabled(true);
    if (isPower(k)) {
        lblSet->setText(Lang(QStringLiteral("Power")));
        lblSett->setText(QStringLiteral("W"));
    } else {
        put(txtSet, "1.00");
    }
    if (k <= s_.LastDisMode) {
        put(txtLmt, "1.00");
        put(txtLmt2, "0");
        return;
    }
    if (isCutOff(k)) {
        lblLmt2->setText(Lang(QStringLiteral("Cutoff:")));
        lblLmt2t->setText(QStringLiteral("A"));
    }
    if (isCells(k)) {
        lblLmt->setText(Lang(QStringLiteral("Cells:")));
        lblLimit1t->setText(QString());
        put(txtLmt, "1");
    } else {
        put(txtLmt, "1.00");
    }
    put(txtLmt2, "0");
}

void frmSet::cmbFlow_Click(int index)
{
    if (index == flow_ || index < 0)
        return;
    flow_ = index;
    try {
        const int row = index + 1;
        if (gridSet->TextMatrix(row, 2).isEmpty())
            return;
        txtSet->setText(gridSet->TextMatrix(row, 2));
        txtLmt->setText(gridSet->TextMatrix(row, 3));
        txtLmt2->setText(gridSet->TextMatrix(row, 4));
        const int k = cmbMode->findText(gridSet->TextMatrix(row, 1));
        if (k >= 0) {
            filling_ = true;
            cmbMode->setCurrentIndex(k);
            filling_ = false;
            kind_ = k;
            applyKind(k, false);
        }
    } catch (const std::exception&) {
        filling_ = false;
    }
}

void frmSet::cmbMode_Click(int index)
{
    if (index == kind_ || index < 0)
        return;
    kind_ = index;
    applyKind(index, true);
}

void frmSet::refuse(QLineEdit* field, const char* message, const QString& reset)
{
    field->setText(reset);
    ShowPrompt(QLatin1String(message));
}

void frmSet::txtSet_LostFocus()
{
    if (!txtSet->isEnabled() || s_.DevType == 0)
        return;
    const bool power = isPower(kind_);
    const double lo = power ? 1 : s_.MinCur, hi = power ? 60 : s_.MaxCur;
    const QString fmt = power ? pwrFmt_ : curFmt_;
    const QString reset = Format(lo, fmt);
    double v = 0;
    if (!ParseFieldNumber(txtSet->text(), &v))
        return refuse(txtSet, kMsgInvalidValue, reset);
    if (float(v) < float(lo) || float(v) > float(hi))
        return refuse(txtSet, kMsgOutOfRange, reset);
    txtSet->setText(Format(v, fmt));
}

void frmSet::txtLmt_LostFocus()
{
    if (!txtLmt->isEnabled() || s_.DevType == 0)
        return;
    double v = 0;
    if (isCells(kind_)) {
        if (!ParseFieldNumber(txtLmt->text(), &v))
            return refuse(txtLmt, kMsgInvalidValue, QStringLiteral("1"));
        if (!CellCountOk(s_.DevType, kind_, v))
            return refuse(txtLmt, kMsgOutOfRange, QStringLiteral("1"));
        txtLmt->setText(Format(v, QStringLiteral("0")));
        return;
    }
    const QString reset = Format(s_.MinVol, volFmt_);
    if (!ParseFieldNumber(txtLmt->text(), &v))
        return refuse(txtLmt, kMsgInvalidValue, reset);
    if (float(v) < s_.MinVol || float(v) > s_.MaxVol)
        return refuse(txtLmt, kMsgOutOfRange, reset);
    txtLmt->setText(Format(v, volFmt_));
}

void frmSet::txtLmt2_LostFocus()
{
    if (!txtLmt2->isEnabled() || s_.DevType == 0)
        return;
    double v = 0;
    if (isCutOff(kind_)) {
        const QString reset = Format(s_.MinCur, curFmt_);
        if (!ParseFieldNumber(txtLmt2->text(), &v))
            return refuse(txtLmt2, kMsgInvalidValue, reset);
        if (float(v) < s_.MinCur || float(v) > s_.MaxCur)
            return refuse(txtLmt2, kMsgOutOfRange, reset);
        txtLmt2->setText(Format(v, curFmt_));
        return;
    }
    if (!ParseFieldNumber(txtLmt2->text(), &v))
        return refuse(txtLmt2, kMsgInvalidValue, QStringLiteral("0"));
    if (v < 0 || v > 9999)
        return refuse(txtLmt2, kMsgOutOfRange, QStringLiteral("0"));
    txtLmt2->setText(PointForm(txtLmt2->text().trimmed()));
}

bool frmSet::cmdSet_Click()
{
    if (kind_ < 0 || flow_ < 0)
        return false;
    const QString msg =
        CheckStepRow(s_, fields_.ChnIndex(), kind_, modeCnt_, txtSet->text(), txtLmt->text(), txtLmt2->text());
    if (!msg.isEmpty()) {
        ShowPrompt(QString::fromLatin1(kMsgOutOfRange));
        return false;
    }
    // The step keeps typed values in the program's form ("0,1" typed under a
    // German locale is kept as "0.1").
    for (QLineEdit* f : {txtSet, txtLmt, txtLmt2})
        f->setText(PointForm(f->text()));
    const int row = flow_ + 1;
    gridSet->setTextMatrix(row, 1, cmbMode->itemText(kind_));
    gridSet->setTextMatrix(row, 2, txtSet->text());
    gridSet->setTextMatrix(row, 3, txtLmt->text());
    gridSet->setTextMatrix(row, 4, txtLmt2->text());
    const int listed = cmbFlow->count();
    if (flow_ == listed - 1 && listed < 10) {
        cmbFlow->addItem(QStringLiteral("Step%1").arg(listed + 1));
        cmbFlow->setCurrentIndex(listed);
    }
    return true;
}

void frmSet::cmdClear_Click()
{
    for (int r = 1; r <= 10 && !gridSet->TextMatrix(r, 1).isEmpty(); ++r)
        for (int c = 1; c <= 4; ++c)
            gridSet->setTextMatrix(r, c, QString());
    filling_ = true;
    cmbFlow->clear();
    cmbFlow->addItem(QStringLiteral("Step1"));
    cmbFlow->setCurrentIndex(0);
    filling_ = false;
    flow_ = 0;
}

void frmSet::cmdOK_Click()
{
    // The rows up to the first empty one; none below a "Cycle".
    StepTable steps;
    for (int r = 1; r <= 10; ++r) {
        const QString kind = gridSet->TextMatrix(r, 1);
        if (kind.isEmpty())
            break;
        for (int c = 1; c <= 4; ++c)
            steps.at(r, c) = gridSet->TextMatrix(r, c);
        if (kind == Lang(QLatin1String(kStepCycle)))
            break;
    }
    s_.Steps = steps;
    host_.stepPage(slot_)->ShowSteps(steps);
    accept();
}

void frmSet::cmdCancel_Click() { reject(); }

} // namespace ql
