#include "HandlerRig.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// The handler rig's window, shown on the offscreen platform.
struct ShownRig : HandlerRig {
    ShownRig()
    {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

// Keys to the focused scroll bar: Right and Page Down raise the track number, Left and Page Up
// lower it, within 1 to nmax. Text typed into Text1 gives way to the track number; a mode name
// typed or chosen in Combo1 sets the mode, a part of one (nothing completes it) does not.
TEST(Form1, keysAndTypingReachTheHandlers)
{
    ShownRig rig;
    rig.form.setCombo1ListEntry(0, "x");
    EXPECT_EQ(rig.form.combo1Text(), "Combo1") << "filling the list leaves the text alone";
    rig.playing(3, kModeInOrder, 2);
    rig.c.Text1->setFocus();
    QTest::keyClicks(rig.c.Text1, "42");
    EXPECT_EQ(rig.text1(), "2");

    rig.form.activateWindow();
    rig.c.HScroll1->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.c.HScroll1->hasFocus(); }));
    for (const auto& [key, track] : std::vector<std::pair<Qt::Key, int>>{{Qt::Key_Left, 1},
                                                                         {Qt::Key_PageUp, 1},
                                                                         {Qt::Key_Right, 2},
                                                                         {Qt::Key_PageDown, 3},
                                                                         {Qt::Key_Right, 3},
                                                                         {Qt::Key_PageUp, 2}}) {
        QTest::keyClick(rig.form.windowHandle(), key);
        EXPECT_EQ(rig.state.a2.value(), track) << QKeySequence(key).toString().toStdString();
        EXPECT_EQ(rig.text1(), std::to_string(track));
    }

    rig.c.Combo1->lineEdit()->setFocus();
    rig.c.Combo1->lineEdit()->selectAll();
    for (const auto& [typed, mode] : std::vector<std::pair<QString, int>>{{"逆", kModeInOrder}, {"順", kModeReverse}}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed); // the key helpers know only ASCII
        QCoreApplication::sendEvent(rig.c.Combo1->lineEdit(), &press);
        EXPECT_EQ(rig.state.a1.value(), mode) << rig.c.Combo1->currentText().toStdString();
    }
    rig.c.Combo1->setCurrentIndex(kModeRandom);
    EXPECT_EQ(rig.state.a1.value(), kModeRandom);
}

// What is printed is drawn on the client area until it is cleared; the controls lie within the
// window, none covering another; the window has its icon.
TEST(Form1, printedTextControlsAndIcon)
{
    ShownRig rig;
    const auto ink = [&] {
        QTest::qWait(50);
        const QImage image = rig.form.screen()->grabWindow(rig.form.winId()).toImage();
        const int top = rig.form.centralWidget()->y();
        int dark = 0;
        for (int y = top; y < top + 23; ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_EQ(ink(), 0);
    rig.form.setTextSize(18);
    rig.form.print({std::string("/Jazz/take five.mp3")});
    EXPECT_GT(ink(), 50);
    rig.form.clearTextArea();
    EXPECT_EQ(ink(), 0);

    const QList<QWidget*> all = {rig.c.Text1,    rig.c.HScroll1, rig.c.Command1, rig.c.Command2,
                                 rig.c.Command3, rig.c.Command4, rig.c.Command5, rig.c.Combo1};
    const auto inner = [](QWidget* w) { return w->geometry().adjusted(1, 1, -1, -1); }; // edges may touch
    for (QWidget* a : all) {
        EXPECT_TRUE(rig.form.centralWidget()->rect().intersects(inner(a))) << a->objectName().toStdString();
        for (QWidget* b : all)
            EXPECT_TRUE(a == b || !inner(a).intersects(inner(b))) << a->objectName().toStdString();
    }
    EXPECT_FALSE(rig.form.windowIcon().isNull());
}

} // namespace
} // namespace zuvelo::testing
