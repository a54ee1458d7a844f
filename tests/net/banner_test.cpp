// The banner window: fade steps, close requests, click and picture loading.
#include "net/banner.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ql;

TEST(Banner, FadesInToTwoHundredTwentyAndOutInStepsOfFiveOnClose)
{
    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    QPointer<frmBanner> b = new frmBanner(&owner);
    EXPECT_EQ(b->alpha(), 0);
    EXPECT_TRUE(b->Timer1->isActive());
    EXPECT_EQ(b->Timer1->interval(), 25);
    // Inside the owner's bottom-right corner, 500 and 200 twips from its edges.
    const QRect o = owner.frameGeometry();
    EXPECT_EQ(b->x(), o.right() + 1 - b->width() - 33);
    EXPECT_EQ(b->y(), o.bottom() + 1 - b->height() - 13);
    b->show();

    std::vector<int> in;
    for (int i = 0; i < 60 && b->Timer1->isActive(); ++i) {
        b->Timer1_Timer();
        in.push_back(b->alpha());
    }
    ASSERT_EQ(in.size(), 45u);  // 44 steps and the tick that stops
    for (int i = 0; i < 44; ++i)
        EXPECT_EQ(in[size_t(i)], 5 * (i + 1));
    EXPECT_EQ(in.back(), 220);

    // A close request becomes a fade-out; the window closes itself at the end.
    EXPECT_FALSE(b->close());
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(b->Timer2->isActive());
    std::vector<int> out;
    for (int i = 0; i < 60 && b && b->Timer2->isActive(); ++i) {
        b->Timer2_Timer();
        if (b && b->isVisible())
            out.push_back(b->alpha());
    }
    ASSERT_EQ(out.size(), 44u);
    EXPECT_EQ(out.front(), 215);
    EXPECT_EQ(out.back(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return b.isNull(); }, 5000));  // deleted once closed
}

TEST(Banner, ClickOpensTheLinkAndFadesOutAndPicturesAreChecked)
{
    QPointer<frmBanner> b = new frmBanner(nullptr);
    QStringList opened;
    b->openUrl = [&](const QString& url) { opened << url; };
    for (int i = 0; i < 10; ++i)
        b->Timer1_Timer();
    b->Picture1_Click();  // no link: only fades
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(b->Timer2->isActive());
    EXPECT_FALSE(b->Timer1->isActive());
    b->SetUrl(QStringLiteral("https://example.com"));
    QTest::mouseClick(b->Picture1, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://example.com")});
    EXPECT_EQ(b->url(), QStringLiteral("https://example.com"));

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.ban"));
    EXPECT_FALSE(b->ShowPic(missing));
    EXPECT_TRUE(b->Picture1->pixmap().isNull());
    const QString junk = dir.filePath(QStringLiteral("junk.ban"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture at all");
    f.close();
    EXPECT_FALSE(b->ShowPic(junk));
    const QString huge = dir.filePath(QStringLiteral("huge.ban"));
    ASSERT_TRUE(QImage(frmBanner::kMaxSide + 1, 2, QImage::Format_Mono).save(huge, "PNG"));
    EXPECT_FALSE(b->ShowPic(huge));
    EXPECT_TRUE(b->Picture1->pixmap().isNull());
    const QString good = dir.filePath(QStringLiteral("ql.ban"));
    QImage img(60, 30, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(good, "PNG"));  // the name says nothing of the format
    EXPECT_TRUE(b->ShowPic(good));
    EXPECT_FALSE(b->Picture1->pixmap().isNull());
    delete b.data();
}
