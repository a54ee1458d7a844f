// The axis-range dialog: what it shows, its field and OK checks, and what
// OK stores and applies to every slot's chart.
#include "testutil.h"
#include "viewfakes.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "views/frmcurve.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace ql;

namespace {

struct Curve : ::testing::Test {
    void SetUp() override
    {
        host = std::make_shared<qltest::FakeViewHost>(2);
        host->cur = 1;
        CurveGraph* g = host->chart(1);
        g->setMinY(0, 1.25f);
        g->setMaxY(0, 12.5f);
        g->setMinY(1, 0);
        g->setMaxY(1, 5);
        g->setMinX(30);
        g->setMaxX(3600);
        dlg = qobject_cast<frmCurve*>(OpenAxisRanges(host));
        ASSERT_TRUE(dlg);
        ini = settings().IniFile.isEmpty() ? SettingsFile() : settings().IniFile;
        WriteIni(ini, "CURVE", "VY1", "7");
    }
    void TearDown() override { delete dlg.data(); }
    void fill(const char* vl, const char* vh, const char* cl, const char* ch, const char* t0, const char* t1)
    {
        dlg->txtVL->setText(vl);
        dlg->txtVH->setText(vh);
        dlg->txtCL->setText(cl);
        dlg->txtCH->setText(ch);
        dlg->txtTime->setText(t0);
        dlg->txtTime2->setText(t1);
    }
    // OK refused with exactly this message, nothing stored or applied.
    void refused(const QString& msg)
    {
        prompts.messages.clear();
        EXPECT_FALSE(dlg->cmdOK_Click());
        EXPECT_EQ(prompts.titledTexts(), QStringList{QStringLiteral("提示|") + msg});
        EXPECT_EQ(ReadIni(ini, "CURVE", "VY1", ""), "7");
        EXPECT_FLOAT_EQ(host->chart(1)->MaxY(0), 12.5f);
    }

    std::shared_ptr<qltest::FakeViewHost> host;
    qltest::ScriptedPrompter prompts;
    QPointer<frmCurve> dlg;
    QString ini;
};

} // namespace

TEST_F(Curve, ShowsSelectedSlotAndChecksFields)
{
    EXPECT_EQ(dlg->txtVL->text(), "1.3");  // "0.0" of 1.25
    EXPECT_EQ(dlg->txtVH->text(), "12.5");
    EXPECT_EQ(dlg->txtCH->text(), "5.0");
    EXPECT_EQ(dlg->txtTime->text(), "30");
    EXPECT_EQ(dlg->txtTime2->text(), "3600");

    dlg->txtVH->setText("abc");
    EXPECT_FALSE(dlg->FieldLostFocus(dlg->txtVH));
    dlg->txtCH->setText("100.1");
    EXPECT_FALSE(dlg->FieldLostFocus(dlg->txtCH));
    dlg->txtTime2->setText("60001");
    EXPECT_FALSE(dlg->FieldLostFocus(dlg->txtTime2));
    EXPECT_EQ(prompts.titledTexts(),
              (QStringList{"提示|设置数据有误！", "提示|电流坐标设置超出范围", "提示|时间坐标设置超出范围"}));
    EXPECT_EQ(dlg->txtCH->text(), "100.1");  // the text stays
    dlg->txtCH->setText("7.25");
    EXPECT_TRUE(dlg->FieldLostFocus(dlg->txtCH));
    EXPECT_EQ(dlg->txtCH->text(), "7.3");
    dlg->txtTime2->setText("59.6");
    EXPECT_TRUE(dlg->FieldLostFocus(dlg->txtTime2));
    EXPECT_EQ(dlg->txtTime2->text(), "60");
}

TEST_F(Curve, OkRefusesBadRangesInOrder)
{
    fill("0", "5", "0", "100.1", "0", "10");
    refused("电流坐标设置超出范围");
    fill("0", "100.1", "0", "100", "0", "10");
    refused("电压坐标设置超出范围");
    fill("0", "0.05", "1", "1.05", "0", "10");
    refused("电流轴范围需大于等于0.1A");
    fill("0", "0.05", "0", "0.1", "0", "10");
    refused("电压轴范围需大于等于0.1V");
    fill("0", "0.1", "0", "0.1", "0", "60001");
    refused("时间坐标设置超出范围");
    fill("0", "0.1", "0", "0.1", "0", "9");
    refused("时间轴范围需大于等于10S");
    fill("0", "0.1", "x", "0.1", "0", "10");
    refused("设置数据有误！");
}

// Spans exactly as wide as the least allowed are taken wherever they lie,
// though 0.6 + 0.1 and 8.1 + 0.1 come out above 0.7 and 8.2 in binary.
TEST_F(Curve, OkTakesTheSmallestSpansAsTyped)
{
    fill("0.6", "0.7", "8.1", "8.2", "0.3", "10.3");
    EXPECT_TRUE(dlg->cmdOK_Click());
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY0", ""), "0.6");
    EXPECT_EQ(ReadIni(ini, "CURVE", "CY1", ""), "8.2");
    EXPECT_TRUE(settings().VoltAxisOk && settings().CurAxisOk && settings().TimeAxisOk);
    EXPECT_FLOAT_EQ(host->chart(0)->MinY(1), 8.1f);
    EXPECT_FLOAT_EQ(host->chart(0)->MaxY(0), 0.7f);
}

// Under a locale with a decimal comma the user may type the comma; OK
// stores the ranges with a point, which every locale reads back.
TEST_F(Curve, OkStoresRangesTypedWithADecimalCommaWithAPoint)
{
    QL_UNDER_LOCALE(locale, QStringLiteral("de_DE.UTF-8"));
    fill("0,5", "4,25", "0", "1,5", "0", "600");
    EXPECT_TRUE(dlg->cmdOK_Click());
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY0", ""), "0.5");
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY1", ""), "4.25");
    EXPECT_EQ(ReadIni(ini, "CURVE", "CY1", ""), "1.5");
    EXPECT_FLOAT_EQ(settings().VY1, 4.25f);
    EXPECT_FLOAT_EQ(settings().CY1, 1.5f);
    EXPECT_FLOAT_EQ(host->chart(0)->MaxY(0), 4.25f);
}

TEST_F(Curve, OkStoresTextsAndAppliesToEverySlot)
{
    fill("0.0", "100", "0", "0.1", "0", "60000");
    EXPECT_TRUE(dlg->cmdOK_Click());
    ASSERT_TRUE(qltest::settleDisk());
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY0", ""), "0.0");
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY1", ""), "100");
    EXPECT_EQ(ReadIni(ini, "CURVE", "CY1", ""), "0.1");
    EXPECT_EQ(ReadIni(ini, "CURVE", "CT1", ""), "60000");
    EXPECT_TRUE(settings().VoltAxisOk && settings().CurAxisOk && settings().TimeAxisOk);
    for (int n = 0; n < 2; ++n) {
        const CurveGraph* g = host->chart(n);
        EXPECT_FLOAT_EQ(g->MaxY(0), 100.0f);
        EXPECT_FLOAT_EQ(g->MaxY(1), 0.1f);
        EXPECT_FLOAT_EQ(g->MinX(), 0.0f);
        EXPECT_FLOAT_EQ(g->MaxX(), 60000.0f);
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());  // closed and deleted
}

TEST_F(Curve, LeavingAFieldByTabRunsTheCheckAndCancelDoesNot)
{
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    dlg->activateWindow();
    dlg->txtVL->setFocus();
    dlg->txtVL->setText("-1");
    QTest::keyClick(dlg->txtVL, Qt::Key_Tab);
    EXPECT_EQ(prompts.titledTexts(), QStringList{"提示|电压坐标设置超出范围"});
    QTest::mouseClick(dlg->cmdCancel, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_FLOAT_EQ(host->chart(1)->MinY(0), 1.25f);
}

TEST_F(Curve, OkOnAFullDiskAppliesTheRangesAndSaysTheyWereNotSaved)
{
    fill("0", "20", "0", "10", "0", "100");
    {
        qltest::FileSizeLimit full(16);
        EXPECT_TRUE(dlg->cmdOK_Click());
        EXPECT_EQ(host->chart(1)->MaxY(0), 20);
        ASSERT_TRUE(qltest::settleDisk());
    }
    EXPECT_EQ(prompts.titledTexts(), QStringList{QStringLiteral("Prompt|Cannot save file!")});
    EXPECT_EQ(ReadIni(ini, "CURVE", "VY1", ""), "7");  // the settings file as it was
}
