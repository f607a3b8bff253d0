#include "HandlerRig.h"

#include "ui/WindowIcon.h"

#include <QKeyEvent>
#include <QScreen>

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// Scroll bar keys, reached with Tab: Right and Page Down raise the track number, Left and Page Up lower it, in 1 to
// nmax. Typing in Text1 gives way to the number; a mode name typed or chosen sets the mode, a part of one does not.
TEST(Form1, keysAndTypingReachTheHandlers)
{
    HandlerRig rig;
    ASSERT_TRUE(rig.show());
    rig.playing(3, kModeInOrder, 2);
    rig.Text1->setFocus();
    QTest::keyClicks(rig.Text1, "42");
    EXPECT_EQ(rig.text1(), "2");

    rig.form.activateWindow();
    child(rig.form, "Command5")->setFocus();
    QTest::keyClick(rig.form.windowHandle(), Qt::Key_Tab); // the tab order leads on to the bar
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.HScroll1->hasFocus(); }));
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Left, 1},     {Qt::Key_PageUp, 1}, {Qt::Key_Right, 2},
                                            {Qt::Key_PageDown, 3}, {Qt::Key_Right, 3},  {Qt::Key_PageUp, 2}};
    for (const auto& [key, track] : keys) {
        QTest::keyClick(rig.form.windowHandle(), key);
        EXPECT_EQ(rig.state.a2.value(), track) << QKeySequence(key).toString().toStdString();
        EXPECT_EQ(rig.text1(), std::to_string(track));
    }

    rig.Combo1->lineEdit()->setFocus();
    rig.Combo1->lineEdit()->selectAll();
    for (const auto& [typed, mode] : std::vector<std::pair<QString, int>>{{"逆", kModeInOrder}, {"順", kModeReverse}}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed); // the key helpers know only ASCII
        QCoreApplication::sendEvent(rig.Combo1->lineEdit(), &press);
        EXPECT_EQ(rig.state.a1.value(), mode) << rig.Combo1->currentText().toStdString();
    }
    QTest::keyClick(rig.Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(rig.Combo1->count(), 3) << "Enter adds nothing to the list";
    rig.Combo1->setCurrentIndex(kModeRandom);
    EXPECT_EQ(rig.state.a1.value(), kModeRandom);
}

// What is printed is drawn at its size on the client area until it is cleared; every control, text
// and caption is where and what the window defines; the window has its icon.
TEST(Form1, printedTextControlsAndIcon)
{
    HandlerRig rig;
    ASSERT_TRUE(rig.show());
    const auto inkRows = [&] { // of the strip above the buttons, as the screen shows it
        QTest::qWait(50);
        const QImage image = rig.form.screen()->grabWindow(rig.form.winId()).toImage();
        int rows = 0;
        for (int y = rig.form.centralWidget()->y(), end = y + 23; y < end; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    ++rows;
                    break;
                }
        return rows;
    };
    EXPECT_EQ(inkRows(), 0);
    rig.form.setTextSize(18);
    rig.form.print({std::string("/Jazz/take five.mp3")});
    EXPECT_GT(inkRows(), 16);
    rig.form.clearTextArea();
    EXPECT_EQ(inkRows(), 0);

    // Every control where the window defines it, in twips, with the text it is defined with.
    const std::tuple<const char*, int, int, int, int, const char*> controls[] = {
        {"Text1", 1200, 720, 615, 270, "Text1"},      {"HScroll1", 1800, 720, 8055, 255, ""},
        {"Command5", 6480, 360, 1695, 375, ">"},     {"Command4", 4800, 360, 1695, 375, "| |"},
        {"Command3", 1440, 360, 1695, 375, "<<"},    {"Command2", 3120, 360, 1695, 375, "<"},
        {"Command1", 8160, 360, 1695, 375, ">>"},    {"Combo1", 0, 360, 1455, 300, "Combo1"}};
    for (const auto& [name, left, top, width, height, text] : controls) {
        QWidget* control = child(rig.form, name);
        const QRect pixels = control->geometry(); // 15 twips to the pixel
        EXPECT_EQ(QRect(pixels.topLeft() * 15, pixels.size() * 15), QRect(left, top, width, height)) << name;
        EXPECT_EQ(control->property(control->property("text").isValid() ? "text" : "currentText").toString().toStdString(), text) << name;
    }
    EXPECT_EQ(rig.form.centralWidget()->size(), QSize(9840, 960) / 15);
    const QFont font = child(rig.form, "Command1")->font(); // the buttons': face, points (at 96 pixels an inch), bold
    EXPECT_EQ(std::tuple(font.family(), font.pixelSize() * 72 / 96, font.bold()), std::tuple(QString("ＭＳ Ｐゴシック"), 18, true));
    Texts menu;
    for (const char* name : {"nmu", "ra", "jun", "gya", "lis"})
        menu.push_back(rig.form.findChild<QObject*>(name)->property(*name == 'n' ? "title" : "text").toString().toStdString());
    EXPECT_EQ(menu, (Texts{"メニュー", "ランダム再生", "最初から順番に再生", "最後から逆順に再生", "再生対象ファイル名リスト作成"}));
    EXPECT_FALSE(rig.form.windowIcon().isNull());
    { const std::vector<char> used(1 << 16, '\xFF'); } // freed memory that the icon's image may reuse
    EXPECT_EQ(qAlpha(windowIconImage().pixel(0, 0)), 0) << "the corners around the disc are see-through";
}

} // namespace
} // namespace zuvelo::testing
