#include "HandlerRig.h"

#include "ui/ButtonFont.h"
#include "ui/Form1.h"
#include "Form1Controls.h"
#include "ui/WindowIcon.h"

#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {
namespace {

// Records which events the window delivered, in order.
struct EventLog : FormEvents {
    std::vector<std::string> log;
    void command1Click() override { log.push_back("Command1"); }
    void command2Click() override { log.push_back("Command2"); }
    void command3Click() override { log.push_back("Command3"); }
    void command4Click() override { log.push_back("Command4"); }
    void command5Click() override { log.push_back("Command5"); }
    void combo1Change() override { log.push_back("Combo1"); }
    void hScroll1Change() override { log.push_back("HScroll1"); }
    void text1Change() override { log.push_back("Text1"); }
    void raClick() override { log.push_back("ra"); }
    void junClick() override { log.push_back("jun"); }
    void gyaClick() override { log.push_back("gya"); }
    void lisClick() override { log.push_back("lis"); }
    void timer1Timer() override { log.push_back("Timer1"); }
    void formUnload() override { log.push_back("unload"); }
};

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

TEST(Form1Layout, controlsSitWhereTheLayoutPutsThem_andTheWindowFitsTheClientArea)
{
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(controls(form).Text1->geometry(), twips(1200, 720, 615, 270));
    EXPECT_EQ(controls(form).HScroll1->geometry(), twips(1800, 720, 8055, 255));
    EXPECT_EQ(controls(form).Command5->geometry(), twips(6480, 360, 1695, 375));
    EXPECT_EQ(controls(form).Command4->geometry(), twips(4800, 360, 1695, 375));
    EXPECT_EQ(controls(form).Command3->geometry(), twips(1440, 360, 1695, 375));
    EXPECT_EQ(controls(form).Command2->geometry(), twips(3120, 360, 1695, 375));
    EXPECT_EQ(controls(form).Command1->geometry(), twips(8160, 360, 1695, 375));
    EXPECT_EQ(controls(form).Combo1->geometry(), twips(0, 360, 1455, 300));

    EXPECT_EQ(form.centralWidget()->size(), QSize(656, 64));
    EXPECT_EQ(form.centralWidget()->y(), form.menuBar()->height()) << "client area right below the menu";
    EXPECT_EQ(form.height(), form.menuBar()->height() + 64);

    // Controls keep their places when the window grows.
    form.resize(900, 300);
    QTest::qWait(1);
    EXPECT_EQ(controls(form).Command1->geometry(), twips(8160, 360, 1695, 375));
    EXPECT_EQ(controls(form).HScroll1->geometry(), twips(1800, 720, 8055, 255));
}

TEST(Form1Layout, captionsMenuAndTabOrder)
{
    Form1 form;
    EXPECT_EQ(form.windowTitle(), "Form1");
    EXPECT_EQ(controls(form).Command1->text(), ">>");
    EXPECT_EQ(controls(form).Command2->text(), "<");
    EXPECT_EQ(controls(form).Command3->text(), "<<");
    EXPECT_EQ(controls(form).Command4->text(), "| |");
    EXPECT_EQ(controls(form).Command5->text(), ">");
    EXPECT_EQ(controls(form).Text1->text(), "Text1");
    EXPECT_EQ(controls(form).Combo1->currentText(), "Combo1");
    EXPECT_TRUE(controls(form).Combo1->isEditable());
    EXPECT_EQ(controls(form).Combo1->count(), 0);

    EXPECT_EQ(controls(form).nmu->title(), QString::fromUtf8("メニュー"));
    QStringList items;
    for (QAction* action : controls(form).nmu->actions())
        items << action->text();
    EXPECT_EQ(items, (QStringList{QString::fromUtf8("ランダム再生"), QString::fromUtf8("最初から順番に再生"),
                                  QString::fromUtf8("最後から逆順に再生"),
                                  QString::fromUtf8("再生対象ファイル名リスト作成")}));
    EXPECT_EQ(form.menuBar()->actions().size(), 1);

    // Tab order: Combo1, Command1 .. Command5, HScroll1, Text1.
    const std::vector<QWidget*> expected = {controls(form).Combo1,   controls(form).Command1, controls(form).Command2,
                                            controls(form).Command3, controls(form).Command4, controls(form).Command5,
                                            controls(form).HScroll1, controls(form).Text1};
    const std::set<QWidget*> ours(expected.begin(), expected.end());
    std::vector<QWidget*> chain;
    QWidget* w = controls(form).Combo1;
    do {
        if (ours.count(w) && std::find(chain.begin(), chain.end(), w) == chain.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != controls(form).Combo1 && chain.size() < expected.size());
    EXPECT_EQ(chain, expected) << [&] {
        std::string names;
        for (QWidget* c : chain)
            names += c->objectName().toStdString() + " ";
        return names;
    }();
}

TEST(Form1Layout, buttonsUseABoldJapaneseFaceThatCanShowTheMenuText)
{
    Form1 form;
    const QFont font = controls(form).Command1->font();
    EXPECT_EQ(font.family(), QString::fromUtf8("ＭＳ Ｐゴシック"));
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.pixelSize(), 24) << "18 points at 20 twips to the point, 15 twips to the pixel";
    const QFontMetrics metrics(font);
    for (char32_t c : std::u32string_view(U"ランダム順番逆順")) {
        EXPECT_TRUE(metrics.inFontUcs4(c)) << "no glyph for U+" << std::hex << static_cast<unsigned>(c);
    }
}

TEST(Form1Layout, iconIs126By116InTwoColoursWithATransparentRest)
{
    const QImage icon = windowIconImage();
    EXPECT_EQ(icon.size(), QSize(126, 116));
    std::set<QRgb> opaque;
    int transparent = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb pixel = icon.pixel(x, y);
            if (qAlpha(pixel) == 0)
                ++transparent;
            else {
                EXPECT_EQ(qAlpha(pixel), 255);
                opaque.insert(pixel);
            }
        }
    }
    EXPECT_EQ(opaque.size(), 2u);
    EXPECT_GT(transparent, 0);
    Form1 form;
    EXPECT_FALSE(form.windowIcon().isNull());
}

TEST(Form1Controls, changeHandlersRunOnlyWhenTheValueChanges)
{
    EventLog events;
    Form1 form(&events);

    // Filling the list leaves the text alone and runs nothing.
    form.setCombo1ListEntry(0, "ランダム");
    form.setCombo1ListEntry(1, "順番");
    form.setCombo1ListEntry(2, "逆順");
    EXPECT_EQ(form.combo1Text(), "Combo1");
    EXPECT_EQ(controls(form).Combo1->count(), 3);
    EXPECT_EQ(form.combo1ListEntry(1), "順番");
    EXPECT_TRUE(events.log.empty());

    form.setCombo1Text("順番");
    form.setCombo1Text("順番");
    form.setHScroll1Value(7);
    form.setHScroll1Value(7);
    form.setText1Text("7");
    form.setText1Text("7");
    EXPECT_EQ(events.log, (std::vector<std::string>{"Combo1", "HScroll1", "Text1"}));

    // A range that pulls the value in is not a change of the user's.
    events.log.clear();
    form.setHScroll1Maximum(3);
    form.setHScroll1Minimum(1);
    EXPECT_EQ(form.hScroll1Value(), 3);
    EXPECT_TRUE(events.log.empty());

    // Choosing from the drop-down changes the text like typing does.
    controls(form).Combo1->setCurrentIndex(2);
    EXPECT_EQ(form.combo1Text(), "逆順");
    EXPECT_EQ(events.log, std::vector<std::string>{"Combo1"});
}

TEST(Form1Controls, clicksMenuItemsAndTheTimerReachTheProgram)
{
    EventLog events;
    Form1 form(&events);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(controls(form).Command3, Qt::LeftButton);
    QTest::mouseClick(controls(form).Command5, Qt::LeftButton);
    controls(form).gya->trigger();
    controls(form).lis->trigger();
    EXPECT_EQ(events.log, (std::vector<std::string>{"Command3", "Command5", "gya", "lis"}));

    EXPECT_EQ(timer1Interval(form), 0) << "Timer1 does not tick until armed";
    form.setTimer1Interval(100);
    EXPECT_EQ(timer1Interval(form), 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return events.log.back() == "Timer1"; }, 10000));

    form.close();
    EXPECT_EQ(events.log.back(), "unload");
    EXPECT_EQ(timer1Interval(form), 0);
}

// Counts title changes reaching the window.
struct TitleChangeCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::WindowTitleChange)
            ++count;
        return false;
    }
};

TEST(Form1Controls, anUnchangedCaptionCostsNothing)
{
    Form1 form;
    TitleChangeCounter counter;
    form.installEventFilter(&counter);
    form.setCaption("Zuveloplaying");
    for (int i = 0; i < 20; ++i)
        form.setCaption("Zuveloplaying");
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(form.windowTitle(), "Zuveloplaying");
    form.setCaption("Zuvelo");
    EXPECT_EQ(counter.count, 2);
}

// Dark pixels in a rectangle of the client area.
int inkIn(QWidget* client, QRect area)
{
    const QImage image = client->grab().toImage();
    const QColor background = client->palette().color(QPalette::Window);
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) + 60 < background.lightness())
                ++ink;
    return ink;
}

TEST(Form1TextArea, printedTextIsDrawnBehindTheControlsAndStaysUntilCleared)
{
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget* client = form.centralWidget();
    const QRect topStrip(0, 0, 656, 23);
    const QRect leftOfText1(0, 48, 79, 15);
    EXPECT_EQ(inkIn(client, topStrip), 0);

    form.clearTextArea();
    form.setTextSize(18);
    form.print({std::string("/Jazz/take five.mp3")});
    form.print({});
    form.setTextSize(11);
    form.print({std::string("全"), std::int64_t{5}, std::string("曲")});
    EXPECT_GT(inkIn(client, topStrip), 50);
    EXPECT_GT(inkIn(client, leftOfText1), 10);

    // Still there after the window is covered and drawn anew.
    form.hide();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_GT(inkIn(client, topStrip), 50);

    // The largest count stays whole left of Text1 (hidden here, so that it cannot cover the text).
    form.clearTextArea();
    form.setTextSize(18);
    form.print({});
    form.print({});
    form.setTextSize(11);
    form.print({std::string("全"), std::int64_t{kMaxTracks}, std::string("曲")});
    controls(form).Text1->hide();
    EXPECT_GT(inkIn(client, leftOfText1), 10);
    EXPECT_EQ(inkIn(client, QRect(80, 49, 40, 14)), 0) << "below the buttons, left of HScroll1";

    form.clearTextArea();
    EXPECT_EQ(inkIn(client, topStrip), 0);
}

TEST(Form1WithHandlers, typingAndScrollingBehaveAsTheHandlersSay)
{
    HandlerRig rig; // its fake form stays idle; the real window takes its place
    Form1 form(&rig.handlers);
    PlayerContext ctx{rig.state, rig.media, form, {}};
    PlayerHandlers handlers(ctx, {}, {});
    form.setEvents(&handlers);
    rig.playing(20, 1, 7);
    for (int i = 0; i < 3; ++i)
        form.setCombo1ListEntry(i, rig.state.ModeName[static_cast<std::size_t>(i)]);
    form.setCombo1Text("順番");
    form.setHScroll1Value(7);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(controls(form).HScroll1->maximum(), 20);
    EXPECT_EQ(controls(form).Text1->text(), "7");

    // Typed keys into Text1: it shows a2 again at once.
    controls(form).Text1->setFocus();
    QTest::keyClicks(controls(form).Text1, "42");
    EXPECT_EQ(controls(form).Text1->text(), "7");

    // An arrow click on the scroll bar moves the track number by one.
    controls(form).HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(rig.state.a2.value(), 8);
    EXPECT_EQ(controls(form).Text1->text(), "8");

    // Keys to the focused bar: Right and Page Down raise the track number, Left and Page Up lower it.
    form.activateWindow();
    controls(form).HScroll1->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controls(form).HScroll1->hasFocus(); }));
    for (const auto& [key, track] : std::vector<std::pair<Qt::Key, int>>{
             {Qt::Key_Right, 9}, {Qt::Key_PageDown, 10}, {Qt::Key_Left, 9}, {Qt::Key_PageUp, 8}}) {
        QTest::keyClick(form.windowHandle(), key);
        EXPECT_EQ(rig.state.a2.value(), track) << QKeySequence(key).toString().toStdString();
    }

    // Typing a mode name into Combo1 switches the mode (one key event per character; the test
    // library's key helpers know only ASCII).
    const auto type = [&](const char* utf8) {
        for (QChar c : QString::fromUtf8(utf8)) {
            QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(controls(form).Combo1->lineEdit(), &press);
        }
    };
    form.activateWindow();
    controls(form).Combo1->lineEdit()->setFocus();
    controls(form).Combo1->lineEdit()->selectAll();
    type("逆");
    EXPECT_EQ(controls(form).Combo1->currentText(), QString::fromUtf8("逆")) << "nothing completes the name";
    EXPECT_EQ(rig.state.a1.value(), 1);
    type("順");
    EXPECT_EQ(controls(form).Combo1->currentText(), QString::fromUtf8("逆順"));
    EXPECT_EQ(rig.state.a1.value(), 2);
    EXPECT_TRUE(rig.media.commands().empty());
    form.setEvents(nullptr);
}

} // namespace
} // namespace zuvelo::testing
