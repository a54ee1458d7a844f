// DevCtrl: building the panel's pages, fields, readouts and grids.
#include "panel/devctrlparts.h"

namespace ql {

using namespace devctrlparts;

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
    // The units fill the gap between the readouts and the logo and time
    // (x = 141) whole, in a bold font small enough for " A" and "W".
    QFont uf = font();
    uf.setPixelSize(14);
    uf.setBold(true);
    auto unit = [&](const QString& t, int y, uint32_t color) {
        QLabel* l = Label(u.frmRun, t, QRect(8 + lw, y, 17, lh), Qt::AlignLeft);
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
    u.gridAutoRun = GridIn(u.frmRunAuto, px(3375) - 26);

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
    u.gridStepRun = GridIn(u.frmRunPrg, px(2655) - 26);

    u.frmCtrlPrg = Frame(page, QStringLiteral("Parameter Setting"), 0, 2640, 3375, 4455);
    u.gridStepSet = GridIn(u.frmCtrlPrg, 11 * FlexGrid::kRowHeight + 2);
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
    const int gw = PixelsToTwips(g->width());
    g->setColWidth(0, 650);
    for (int c = 1; c <= 3; ++c)
        g->setColWidth(c, ShareTwips(gw - 650 - 300, 3));
    g->setAllColAlignment(centre);

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

    // Step program: the grid is as wide as its columns.
    g = u.gridStepSet;
    g->setCols(5);
    g->setRows(11);
    g->setFixedRows(1);
    g->setFixedCols(0);
    const int sw = PixelsToTwips(g->width());
    g->setColWidth(0, 500);
    for (int c = 1; c <= 4; ++c)
        g->setColWidth(c, ShareTwips(sw - 500, 4));
    g->setAllColAlignment(centre);
    g->resize(g->contentWidth(), g->height());
    StepSetClr();
}

} // namespace ql
