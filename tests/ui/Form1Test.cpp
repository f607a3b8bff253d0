#include "Form1Controls.h"
#include "HandlerRig.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// The handlers on the real window, shown on the offscreen platform.
struct WindowRig : Rig<Form1> {
    Form1Controls c = controls(form);
    WindowRig()
    {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

// Each button and menu item reaches its handler: what it sends, the track the next tick starts
// (-1: a random one) and the mode it leaves. The timer ticks once armed, and closing the window
// shuts the player down.
TEST(Form1, buttonsMenuItemsTimerAndCloseReachTheHandlers)
{
    const struct {
        const char* name;
        std::string sent;
        int started, mode;
    } rows[] = {{"Command4", "pause ", 0, kModeInOrder}, {"Command5", "play ", 0, kModeInOrder},
                {"Command1", "stop ", 4, kModeInOrder},  {"Command3", "stop ", 3, kModeInOrder},
                {"Command2", "stop ", 3, kModeInOrder},  {"Command5", "stop ", 3, kModeInOrder},
                {"gya", "stop ", 4, kModeReverse},       {"jun", "stop ", 2, kModeInOrder},
                {"ra", "stop ", -1, kModeRandom},        {"lis", "", 0, kModeRandom}};
    WindowRig rig;
    rig.playing(5, kModeInOrder, 3);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dev = rig.state.SoundFile;
        rig.media.calls.clear();
        if (auto* button = child<QPushButton>(rig.form, row.name))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            child<QAction>(rig.form, row.name)->trigger();
        EXPECT_EQ(rig.media.commands(), row.sent.empty() ? Texts{} : Texts{row.sent + dev});
        EXPECT_EQ(rig.state.a1.value(), row.mode);
        const int started = rig.tick();
        if (row.started >= 0) {
            EXPECT_EQ(started, row.started);
        }
        EXPECT_EQ(rig.c.HScroll1->value(), rig.state.a2.value());
    }
    EXPECT_EQ(rig.listFailures.size(), 1u) << "the list cannot be written in /p";

    rig.form.setTimer1Interval(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.media.count("status ") > 1; }, 10000));
    rig.form.close();
    EXPECT_EQ(rig.endProgramCalls, 1);
    EXPECT_EQ(timer1Interval(rig.form), 0);
}

// Keys to the focused scroll bar: Right and Page Down raise the track number, Left and Page Up
// lower it, within 1 to nmax. Text typed into Text1 gives way to the track number; a mode name
// typed or chosen in Combo1 sets the mode, a part of one (nothing completes it) does not.
TEST(Form1, keysAndTypingReachTheHandlers)
{
    WindowRig rig;
    rig.form.setCombo1ListEntry(0, "x");
    EXPECT_EQ(rig.form.combo1Text(), "Combo1") << "filling the list leaves the text alone";
    rig.playing(3, kModeInOrder, 2);
    rig.c.Text1->setFocus();
    QTest::keyClicks(rig.c.Text1, "42");
    EXPECT_EQ(rig.c.Text1->text(), "2");

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
        EXPECT_EQ(rig.c.Text1->text().toStdString(), std::to_string(track));
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

// Lines printed are drawn on the client area until it is cleared; the controls sit side by side
// within the window, none hiding another; the window has its icon.
TEST(Form1, printedTextControlsAndIcon)
{
    WindowRig rig;
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

    const QList<QWidget*> controls = {rig.c.Text1,    rig.c.HScroll1, rig.c.Command1, rig.c.Command2,
                                      rig.c.Command3, rig.c.Command4, rig.c.Command5, rig.c.Combo1};
    const auto inner = [](QWidget* w) { return w->geometry().adjusted(1, 1, -1, -1); }; // edges may touch
    for (QWidget* a : controls) {
        EXPECT_TRUE(rig.form.centralWidget()->rect().intersects(inner(a))) << a->objectName().toStdString();
        for (QWidget* b : controls)
            EXPECT_TRUE(a == b || !inner(a).intersects(inner(b)))
                << a->objectName().toStdString() << " over " << b->objectName().toStdString();
    }
    EXPECT_FALSE(rig.form.windowIcon().isNull());
}

} // namespace
} // namespace zuvelo::testing
