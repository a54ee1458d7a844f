// The display-setting dialog: what it shows, the DATA keys OK writes in
// their order, and what it applies to every slot's chart and panel.
#include "testutil.h"
#include "viewfakes.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/frmshow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ql;

TEST(Show, OkWritesKeysInOrderAndAppliesToEverySlot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString saved = settings().IniFile;
    settings().IniFile = dir.filePath("ql.ini");
    auto host = std::make_shared<qltest::FakeViewHost>(2);
    qltest::ScriptedPrompter prompts;
    host->chart(0)->setGridType1(2);
    host->chart(0)->setGridType2(0);
    host->chart(0)->setLine(1);
    host->panel(0)->setPwrColor(0x112233);
    host->panel(1)->setDev2S(true);
    host->chart(1)->setCurveCount(10);

    QPointer<frmShow> dlg = qobject_cast<frmShow*>(OpenDisplaySetting(host, false, true));
    ASSERT_TRUE(dlg);
    EXPECT_EQ(dlg->cmbDot->currentText(), "Dot");
    EXPECT_EQ(dlg->cmbDot2->currentText(), "Solid");
    EXPECT_EQ(dlg->cmbLine->currentText(), "1");
    EXPECT_EQ(frmShow::swatch(dlg->lblPwrColor), 0x112233u);
    EXPECT_TRUE(dlg->optPwr->isChecked());  // temperature not usable
    EXPECT_FALSE(dlg->optTemp->isEnabled());

    prompts.colours = {0x00FF00};
    dlg->show();
    QTest::mouseClick(dlg->lblGridColor, Qt::LeftButton);
    dlg->swatchClick(dlg->lblBackColor);  // cancelled: unchanged
    dlg->cmbLine->setCurrentText("2");
    dlg->cmbDot->setCurrentText("Solid");
    dlg->chkLabel->setChecked(true);
    dlg->chkY2->setChecked(true);
    dlg->optTemp->setEnabled(true);
    dlg->optTemp->setChecked(true);
    dlg->cmdOK_Click();
    ASSERT_TRUE(qltest::settleDisk());

    QFile f(settings().IniFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.contains('='))
            keys << QString::fromLatin1(l.left(l.indexOf('=')));
    EXPECT_EQ(keys, QStringList({"MDOT", "SDOT", "GCOL", "BCOL", "ACOL", "PCOL", "TCOL", "XTIME", "SAH", "SWH",
                                 "SLA", "SCALE", "LINE"}));
    EXPECT_EQ(ReadIni(settings().IniFile, "DATA", "MDOT", ""), "0");
    EXPECT_EQ(ReadIni(settings().IniFile, "DATA", "GCOL", ""), "65280");
    EXPECT_EQ(ReadIni(settings().IniFile, "DATA", "LINE", ""), "2");
    EXPECT_EQ(ReadIni(settings().IniFile, "DATA", "SLA", ""), "1");

    for (int n = 0; n < 2; ++n) {
        const CurveGraph* g = host->chart(n);
        EXPECT_EQ(g->GridColor(), 0x00FF00u);
        EXPECT_EQ(g->GridType1(), 0);
        EXPECT_EQ(g->Line(), 2);
        EXPECT_TRUE(g->ShowAxesY2());
        EXPECT_TRUE(g->ShowCurve(2));
        EXPECT_EQ(g->LegendText(2), "Temp");
        EXPECT_EQ(g->AxesY2Txt(), "[C]");
        EXPECT_EQ(g->CurveAxesY(2), 2);
        EXPECT_TRUE(g->ShowLegend(0));
    }
    EXPECT_EQ(host->panel(0)->PwrColor(), 0x112233u);  // a two-channel panel keeps its own colours
    EXPECT_TRUE(host->chart(1)->ShowLegend(5));  // two-channel panel
    EXPECT_TRUE(host->menuTemp);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());

    // Reopened: "Power" and the layout colour again; Cancel changes nothing.
    dlg = qobject_cast<frmShow*>(OpenDisplaySetting(host, true, false));
    EXPECT_TRUE(dlg->optPwr->isChecked());
    EXPECT_EQ(frmShow::swatch(dlg->lblY2), 0x008000u);
    dlg->chkY2->setChecked(false);
    dlg->cmdCancel_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_TRUE(host->chart(0)->ShowAxesY2());

    // OK on a full disk: applied, the file as it was, and the user told.
    const QByteArray before = qltest::fileBytes(settings().IniFile);
    dlg = qobject_cast<frmShow*>(OpenDisplaySetting(host, true, false));
    ASSERT_TRUE(dlg);
    dlg->cmbLine->setCurrentText("1");
    {
        qltest::FileSizeLimit full(16);
        dlg->cmdOK_Click();
        EXPECT_EQ(host->chart(0)->Line(), 1);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(prompts.titledTexts(), QStringList{QStringLiteral("Prompt|Cannot save file!")});
    EXPECT_EQ(qltest::fileBytes(settings().IniFile), before);
    delete dlg.data();
    settings().IniFile = saved;
}
