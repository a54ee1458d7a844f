#include "controls/progressbar.h"

#include "testutil.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

using ql::ucProgressBar;

namespace {

// Records the order in which the bar raises its events.
struct EventLog {
    explicit EventLog(ucProgressBar& bar)
    {
        QObject::connect(&bar, &ucProgressBar::Change, [this] { names << "Change"; });
        QObject::connect(&bar, &ucProgressBar::ArrivedFirst, [this] { names << "ArrivedFirst"; });
        QObject::connect(&bar, &ucProgressBar::ArrivedLast, [this] { names << "ArrivedLast"; });
        QObject::connect(&bar, &ucProgressBar::Click, [this] { names << "Click"; });
    }
    QStringList take()
    {
        QStringList out = names;
        names.clear();
        return out;
    }
    QStringList names;
};

QImage solid(QSize size, Qt::GlobalColor colour)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

} // namespace

TEST(ProgressBar, ValueWritesAreValidatedAndRaiseEvents)
{
    ucProgressBar bar;
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Value(), 0);
    EventLog log(bar);

    EXPECT_TRUE(bar.setValue(100));
    EXPECT_EQ(log.take(), QStringList({"Change", "ArrivedLast"}));
    EXPECT_TRUE(bar.setValue(100));  // the same value again raises nothing
    EXPECT_TRUE(log.take().isEmpty());
    EXPECT_TRUE(bar.setValue(0));
    EXPECT_EQ(log.take(), QStringList({"Change", "ArrivedFirst"}));

    EXPECT_FALSE(bar.setValue(101));
    EXPECT_FALSE(bar.setValue(-1));
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_TRUE(log.take().isEmpty());

    EXPECT_TRUE(bar.setValue(50));
    EXPECT_TRUE(bar.setMin(10));  // moves the value to the new minimum
    EXPECT_EQ(bar.Value(), 10);
    EXPECT_EQ(log.take(), QStringList({"Change", "Change", "ArrivedFirst"}));

    EXPECT_FALSE(bar.setMax(10));  // Max := Min
    EXPECT_FALSE(bar.setMax(5));
    EXPECT_FALSE(bar.setMin(100));
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 10);
    EXPECT_TRUE(log.take().isEmpty());

    ucProgressBar one;
    EXPECT_TRUE(one.setMax(1));
    EXPECT_TRUE(one.setValue(1));
    EventLog oneLog(one);
    EXPECT_TRUE(one.setValue(0));
    EXPECT_EQ(oneLog.take(), QStringList({"Change", "ArrivedFirst"}));

    // The widest range does not overflow.
    ucProgressBar wide;
    EXPECT_TRUE(wide.setMax(std::numeric_limits<int>::max()));
    EXPECT_TRUE(wide.setMin(std::numeric_limits<int>::min()));
    EXPECT_TRUE(wide.setValue(0));
    wide.setCaptionFormat(5);
    EXPECT_EQ(wide.Caption(), "50%");
}

TEST(ProgressBar, CaptionFormats)
{
    ucProgressBar bar;
    bar.setMax(200);
    bar.setValue(50);
    const QStringList expectedMin0 = {"", "50", "25%", "25.0%", "25.00%", "25%", "25.0%", "25.00%"};
    for (int f = 0; f <= 7; ++f) {
        bar.setCaptionFormat(f);
        EXPECT_EQ(bar.Caption(), expectedMin0[f]) << f;
    }
    bar.setCaptionCustom("Flashing");
    bar.setCaptionFormat(99);
    EXPECT_EQ(bar.Caption(), "Flashing");
    bar.setCaptionFormat(8);
    EXPECT_EQ(bar.Caption(), "");

    // With a minimum, 2..4 measure the value itself, 5..7 the distance from Min.
    bar.setMin(20);
    bar.setValue(65);  // range 180
    const QStringList expected = {"36%", "36.1%", "36.11%", "25%", "25.0%", "25.00%"};
    for (int f = 2; f <= 7; ++f) {
        bar.setCaptionFormat(f);
        EXPECT_EQ(bar.Caption(), expected[f - 2]) << f;
    }
    bar.setValue(21);  // 1/180 = 0.5556%: rounds half away from zero on the decimals
    bar.setCaptionFormat(7);
    EXPECT_EQ(bar.Caption(), "0.56%");
}

TEST(ProgressBar, PaintsTheForePictureUpToTheValue)
{
    ucProgressBar bar;
    bar.setBarPictureBack(solid(QSize(100, 10), Qt::white));
    bar.setBarPictureFore(solid(QSize(100, 10), Qt::blue));
    EXPECT_EQ(bar.size(), QSize(100, 10));  // the back picture sets the size
    bar.resize(300, 40);
    EXPECT_EQ(bar.size(), QSize(100, 10));

    bar.setValue(25);
    const QImage h = bar.Surface();
    EXPECT_EQ(h.pixel(24, 5), QColor(Qt::blue).rgb());
    EXPECT_EQ(h.pixel(25, 5), QColor(Qt::white).rgb());

    // Orientation is stored only; the next value change shows it.
    bar.setOrientation(1);
    EXPECT_EQ(bar.Surface(), h);
    bar.setValue(50);
    const QImage v = bar.Surface();
    EXPECT_EQ(v.pixel(99, 5), QColor(Qt::blue).rgb());
    EXPECT_EQ(v.pixel(0, 4), QColor(Qt::white).rgb());
    bar.setOrientation(7);  // no fill at all
    bar.Refresh();
    EXPECT_EQ(bar.Surface().pixel(0, 9), QColor(Qt::white).rgb());

    // The caption is printed on top in FontColor.
    bar.setOrientation(0);
    bar.setBarPictureBack(solid(QSize(160, 24), Qt::white));
    bar.setBarPictureFore(solid(QSize(160, 24), Qt::blue));
    bar.setFontColor(0x0000FF);
    bar.setCaptionFormat(2);
    const QImage c = bar.Surface();
    int red = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            red += qRed(c.pixel(x, y)) > 200 && qGreen(c.pixel(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(red, 5);
    qltest::savePicture(&bar, "progressbar-50");
}

TEST(ProgressBar, MouseInputOnlyClicks)
{
    ucProgressBar bar;
    bar.show();
    bar.setValue(30);
    EventLog log(bar);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.take(), QStringList({"Click"}));
    QTest::mouseDClick(&bar, Qt::LeftButton, {}, QPoint(150, 5));
    QTest::mouseMove(&bar, QPoint(190, 5));
    EXPECT_EQ(bar.Value(), 30);
    EXPECT_FALSE(log.take().contains("Change"));
}

TEST(ProgressBar, PropertiesRoundTripAndLoadingRaisesNothing)
{
    ucProgressBar a;
    a.setCaptionCustom("x");
    a.setCaptionFormat(2);
    a.setMax(500);
    a.setMin(100);
    a.setValue(300);
    a.setOrientation(1);
    a.setEnabled(false);
    a.setFontColor(0x123456);
    a.setMousePointer(99);
    a.setMouseIcon(solid(QSize(16, 16), Qt::blue));
    EXPECT_EQ(a.cursor().shape(), Qt::BitmapCursor);  // pointer 99 shows the icon
    a.setMousePointer(11);
    EXPECT_EQ(a.cursor().shape(), Qt::WaitCursor);
    a.setBarPictureFore(solid(QSize(30, 6), Qt::red));
    a.setBarPictureBack(solid(QSize(30, 6), Qt::gray));
    QVariantMap bag;
    a.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 13);

    ucProgressBar b;
    EventLog log(b);
    b.ReadProperties(bag);
    EXPECT_TRUE(log.take().isEmpty());
    QVariantMap again;
    b.WriteProperties(again);
    EXPECT_EQ(again, bag);
    EXPECT_EQ(b.size(), QSize(30, 6));

    // The last value is Min after loading: writing the stored value raises Change.
    EXPECT_TRUE(b.setValue(300));
    EXPECT_EQ(log.take(), QStringList({"Change"}));

    // A store with an impossible range loads and draws without failing.
    ucProgressBar c;
    c.ReadProperties({{"Max", 5}, {"Min", 5}, {"Value", 9}, {"CaptionFormat", 3}});
    EXPECT_EQ(c.Caption(), "");
    EXPECT_FALSE(c.setValue(6));
}
