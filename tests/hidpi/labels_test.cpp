// Every label of every window shows its whole text at the scale factor this
// program runs at (QT_SCALE_FACTOR, set per registration of this test
// program): its text, measured with the label's font on the label itself
// (so at the screen's pixel ratio), lies inside the label's box.
#include "../app/apptest.h"

#include "panel/devctrl.h"
#include "panel/stepedit.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QtTest/QTest>

using namespace qltest;

namespace {

QString describe(const QLabel* l)
{
    return QStringLiteral("%1 \"%2\" in %3")
        .arg(l->objectName().isEmpty() ? QStringLiteral("label") : l->objectName(), l->text(),
             QString::fromLatin1(l->window()->metaObject()->className()));
}

// The label's text in its box: the ink of each line, placed as the label
// aligns it, must lie inside the box, and the lines must fit its height.
void checkLabel(const QLabel* l, QStringList& faults)
{
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text()))
        return;
    // The text is laid out in the contents box and painted clipped to the
    // label's own rectangle.
    const QRect box = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    const QRect clip = l->rect();
    const QFontMetricsF fm(l->font(), l);
    if (l->wordWrap()) {
        if (l->heightForWidth(l->width()) > l->height())
            faults << describe(l) + QStringLiteral(": wrapped text taller than its box");
        return;
    }
    const QStringList lines = l->text().split(QLatin1Char('\n'));
    if (fm.height() * lines.size() > clip.height() + 0.5)
        faults
            << describe(l) +
                   QStringLiteral(": %1 lines of %2 px in %3 px").arg(lines.size()).arg(fm.height()).arg(clip.height());
    const Qt::Alignment align = QStyle::visualAlignment(l->layoutDirection(), l->alignment());
    for (const QString& line : lines) {
        const double advance = fm.horizontalAdvance(line);
        const QRectF ink = fm.boundingRect(line);
        const double start = box.left() + ((align & Qt::AlignRight)     ? box.width() - advance
                                           : (align & Qt::AlignHCenter) ? (box.width() - advance) / 2
                                                                        : 0);
        // The text's own box must lie in the label, and its ink too, but
        // for the soft edge some glyphs ("T") put into the pixel before the
        // text's start.
        const double left = std::min(start, start + ink.left() + 1), right = start + std::max(advance, ink.right());
        if (left < clip.left() - 0.01 || right > clip.right() + 1.01)
            faults
                << describe(l) +
                       QStringLiteral(": text spans %1..%2 px of a %3 px label").arg(left).arg(right).arg(clip.width());
    }
    // Nothing placed beside the label covers its text.
    const QWidget* parent = l->parentWidget();
    if (!parent)
        return;
    for (const QObject* o : parent->children()) {
        const auto* sib = qobject_cast<const QWidget*>(o);
        if (!sib || sib == l || sib->isHidden() || sib->isWindow() || !l->isVisibleTo(parent))
            continue;
        const bool above = parent->children().indexOf(o) > parent->children().indexOf(l);
        if (above && sib->geometry().intersects(l->geometry()) && !qobject_cast<const QLabel*>(sib))
            faults << describe(l) +
                          QStringLiteral(": covered by %1").arg(QString::fromLatin1(sib->metaObject()->className()));
    }
}

// Every label of a window that is not hidden itself (a label on a page of
// another panel layout counts: it shows with that layout).
QStringList labelFaults(const QWidget* window)
{
    QStringList faults;
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (!l->isHidden() && l->window() == window)
            checkLabel(l, faults);
    return faults;
}

} // namespace

TEST_F(DeviceAppTest, NoLabelIsCutInTheMainWindowsPanelLayoutsOrInAnyDialog)
{
    auto w = startWindow();
    w->menuAddDev_Click();
    // Slot 0 in the two-channel layout, slot 1 with all three test pages;
    // the one-channel page is built in both.
    inside(w).slot(0).Panel->setDev2S(true);
    ql::DevCtrl* three = inside(w).slot(1).Panel;
    three->TabClear();
    three->TabAdd(1, "key1");
    three->TabAdd(2, "key2");
    three->TabAdd(3, "key3");
    for (int n = 0; n < 2; ++n) {
        inside(w).tabs()->setCurrentIndex(n);
        QApplication::processEvents();
        const QStringList faults = labelFaults(w.get());
        EXPECT_TRUE(faults.isEmpty()) << "scale " << qApp->devicePixelRatio() << ":\n"
                                      << faults.join('\n').toStdString();
    }
    inside(w).slot(0).Panel->setDev2S(false);
    EXPECT_TRUE(labelFaults(w.get()).isEmpty()) << labelFaults(w.get()).join('\n').toStdString();

    // Each listed window's labels are checked as it shows; then it is closed.
    struct {
        QStringList seen, faults;
    } checker;
    qltest::WindowWatcher watcher({"frmCurve", "frmShow", "frmUpdate", "frmRes", "frmQC", "frmUSB", "frmAbout", "frmSw",
                           "frmData", "frmSet", "frmAdj"}, [&](QWidget* w, const QString& cls) {
        checker.seen << cls;
        checker.faults << labelFaults(w);
        w->close();
    });
    // Waited-for windows: the handler returns once the window has closed.
    inside(w).tabs()->setCurrentIndex(0);
    inside(w).action("menuCurve")->trigger();
    inside(w).action("menuShow")->trigger();
    inside(w).action("menuUpdate")->trigger();
    inside(w).link().slot[0].DevType = 5;
    inside(w).link().ch(0, 0).Volt = 3.7f;
    const std::pair<const char*, const char*> others[] = {
        {"menuRes", "frmRes"},     {"menuQc", "frmQC"},    {"menuUsb", "frmUSB"},      {"menuAdj", "frmAdj"},
        {"menuAbout", "frmAbout"}, {"menuSwSet", "frmSw"}, {"menuOpenData", "frmData"}};
    for (const auto& [name, cls] : others) {
        QAction* a = inside(w).action(QString::fromLatin1(name));
        ASSERT_TRUE(a) << name;
        a->setVisible(true);
        a->setEnabled(true);
        a->trigger();
        ASSERT_TRUE(waitFor([&] { return checker.seen.contains(QLatin1String(cls)); })) << name;
    }
    inside(w).slot(1).Panel->ui().cmdSetStep->setEnabled(true);
    inside(w).slot(1).Panel->ui().cmdSetStep->click();
    ASSERT_TRUE(waitFor([&] { return checker.seen.contains(QLatin1String("frmSet")); }));
    checker.seen.sort();
    EXPECT_EQ(checker.seen, (QStringList{"frmAbout", "frmAdj", "frmCurve", "frmData", "frmQC", "frmRes", "frmSet",
                                         "frmShow", "frmSw", "frmUSB", "frmUpdate"}));
    EXPECT_TRUE(checker.faults.isEmpty()) << "scale " << qApp->devicePixelRatio() << ":\n"
                                          << checker.faults.join('\n').toStdString();
    closeWindow(*w);
}
