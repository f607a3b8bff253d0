#include "Form1.h"

#include "ButtonFont.h"
#include "WindowIcon.h"

#include "player/PlayerState.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QSignalBlocker>

namespace zuvelo {
namespace {

// 15 twips to the logical pixel (96 per inch).
constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

// The client area: 9840 x 960 twips.
constexpr int kClientWidth = px(9840);
constexpr int kClientHeight = px(960);

QString fromBytes(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The client area drawn as a print surface: the lines printed since the last Clear, behind the
// controls, at their own sizes. Drawn anew on every repaint, so the text persists.
class PrintSurface : public QWidget {
public:
    explicit PrintSurface(const TextArea& area) : m_area(area) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        for (const TextArea::Line& line : m_area.lines()) {
            const QFont font = textAreaFont(line.points);
            const QFontMetrics metrics(font);
            // The text box's caret blinks twice a second over this surface: only the lines it
            // touches are shaped and drawn again, not every line.
            const int top = px(line.topTwips);
            if (!event->region().intersects(QRect(0, top, width(), metrics.height())))
                continue;
            p.setFont(font);
            p.drawText(QPoint(0, top + metrics.ascent()), fromBytes(line.text));
        }
    }

private:
    const TextArea& m_area;
};

// The track scroll bar. Qt's horizontal scroll bar inverts its controls by default, which turns
// the Left and Right keys round; here Right raises the value and Left lowers it (mirrored in a
// right-to-left layout), as the bar's picture suggests. Page Up and Page Down already lower and
// raise it; everything else, the wheel included, stays Qt's.
class TrackScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool left = event->key() == Qt::Key_Left;
        if (orientation() != Qt::Horizontal || !(left || event->key() == Qt::Key_Right)) {
            QScrollBar::keyPressEvent(event);
            return;
        }
        triggerAction(left != isRightToLeft() ? SliderSingleStepSub : SliderSingleStepAdd);
        event->accept();
    }
};

QPushButton* makeButton(QWidget* client, const char* name, const char* caption, QRect twips)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), client);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(transportButtonFont());
    button->setGeometry(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
    return button;
}

} // namespace

Form1::Form1(FormEvents* events) : m_events(events)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFont(windowFont(font())); // the controls' and the menu bar's; the pop-ups are given it below
    setWindowIcon(QIcon(QPixmap::fromImage(windowIconImage())));
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));

    m_client = new PrintSurface(m_textArea);
    m_client->setMinimumSize(1, 1);
    setCentralWidget(m_client);
    setupControls(m_client);
    setupMenu();
    connectEvents();

    // Menu bar plus exactly the client area; no status bar.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    // Nothing reaches the program while the controls are torn down.
    m_events = nullptr;
    m_timer1->stop();
}

void Form1::setupControls(QWidget* client)
{
    // Created in the order the window defines them; positions and sizes in twips.
    Text1 = new QLineEdit(QStringLiteral("Text1"), client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(px(1200), px(720), px(615), px(270));

    HScroll1 = new TrackScrollBar(Qt::Horizontal, client);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(px(1800), px(720), px(8055), px(255));
    // Defaults until the change handler first sets the range: every track number fits.
    HScroll1->setRange(0, kMaxTracks);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    HScroll1->setValue(0);
    // The value changes when the scroll box is released, not while it is dragged.
    HScroll1->setTracking(false);
    // It takes part in the tab order and answers the arrow keys.
    HScroll1->setFocusPolicy(Qt::StrongFocus);

    Command5 = makeButton(client, "Command5", ">", QRect(6480, 360, 1695, 375));
    Command4 = makeButton(client, "Command4", "| |", QRect(4800, 360, 1695, 375));
    Command3 = makeButton(client, "Command3", "<<", QRect(1440, 360, 1695, 375));
    Command2 = makeButton(client, "Command2", "<", QRect(3120, 360, 1695, 375));
    Command1 = makeButton(client, "Command1", ">>", QRect(8160, 360, 1695, 375));

    Combo1 = new QComboBox(client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // No completion: a partly typed mode name must stay partly typed, and so leave the mode alone.
    Combo1->setCompleter(nullptr);
    Combo1->setEditText(QStringLiteral("Combo1"));
    Combo1->setGeometry(px(0), px(360), px(1455), px(300));

    // Tab order: Combo1, Command1 ... Command5, HScroll1, Text1.
    QWidget* order[] = {Combo1, Command1, Command2, Command3, Command4, Command5, HScroll1, Text1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Form1::setupMenu()
{
    nmu = menuBar()->addMenu(QString::fromUtf8("メニュー"));
    nmu->setFont(font()); // a window of its own, which does not inherit it
    nmu->setObjectName(QStringLiteral("nmu"));
    ra = nmu->addAction(QString::fromUtf8("ランダム再生"));
    ra->setObjectName(QStringLiteral("ra"));
    jun = nmu->addAction(QString::fromUtf8("最初から順番に再生"));
    jun->setObjectName(QStringLiteral("jun"));
    gya = nmu->addAction(QString::fromUtf8("最後から逆順に再生"));
    gya->setObjectName(QStringLiteral("gya"));
    lis = nmu->addAction(QString::fromUtf8("再生対象ファイル名リスト作成"));
    lis->setObjectName(QStringLiteral("lis"));
}

void Form1::forward(void (FormEvents::*event)())
{
    if (m_events)
        (m_events->*event)();
}

void Form1::connectEvents()
{
    // Direct connections: a change handler runs nested inside the setter that caused it.
    connect(Command1, &QPushButton::clicked, this, [this] { forward(&FormEvents::command1Click); });
    connect(Command2, &QPushButton::clicked, this, [this] { forward(&FormEvents::command2Click); });
    connect(Command3, &QPushButton::clicked, this, [this] { forward(&FormEvents::command3Click); });
    connect(Command4, &QPushButton::clicked, this, [this] { forward(&FormEvents::command4Click); });
    connect(Command5, &QPushButton::clicked, this, [this] { forward(&FormEvents::command5Click); });
    connect(Combo1, &QComboBox::editTextChanged, this, [this] { forward(&FormEvents::combo1Change); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { forward(&FormEvents::hScroll1Change); });
    connect(Text1, &QLineEdit::textChanged, this, [this] { forward(&FormEvents::text1Change); });
    connect(ra, &QAction::triggered, this, [this] { forward(&FormEvents::raClick); });
    connect(jun, &QAction::triggered, this, [this] { forward(&FormEvents::junClick); });
    connect(gya, &QAction::triggered, this, [this] { forward(&FormEvents::gyaClick); });
    connect(lis, &QAction::triggered, this, [this] { forward(&FormEvents::lisClick); });
    connect(m_timer1, &QTimer::timeout, this, [this] { forward(&FormEvents::timer1Timer); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing cannot be refused: shut-down runs and the window goes.
    if (m_events)
        m_events->formUnload();
    m_events = nullptr;
    m_timer1->stop();
    event->accept();
}

void Form1::setCombo1ListEntry(int index, const std::string& text)
{
    // Filling the list must leave the box's text alone: an editable combo box shows its first
    // entry as soon as it has one, which would run the change handler with a mode not yet chosen.
    const QSignalBlocker blocker(Combo1);
    const QString shown = Combo1->currentText();
    if (index >= Combo1->count())
        Combo1->addItem(fromBytes(text));
    else
        Combo1->setItemText(index, fromBytes(text));
    Combo1->setEditText(shown);
}

std::string Form1::combo1ListEntry(int index) const
{
    return Combo1->itemText(index).toStdString();
}

std::string Form1::combo1Text() const
{
    return Combo1->currentText().toStdString();
}

void Form1::setCombo1Text(const std::string& text)
{
    const QString value = fromBytes(text);
    if (Combo1->currentText() != value)
        Combo1->setEditText(value);
}

void Form1::setHScroll1Minimum(int value)
{
    // A value pulled into the new range does not count as a change of the user's.
    const QSignalBlocker blocker(HScroll1);
    HScroll1->setMinimum(value);
}

void Form1::setHScroll1Maximum(int value)
{
    const QSignalBlocker blocker(HScroll1);
    HScroll1->setMaximum(value);
}

void Form1::setHScroll1Value(int value)
{
    if (HScroll1->value() != value)
        HScroll1->setValue(value);
}

int Form1::hScroll1Value() const
{
    return HScroll1->value();
}

void Form1::setText1Text(const std::string& text)
{
    const QString value = fromBytes(text);
    if (Text1->text() != value)
        Text1->setText(value);
}

void Form1::clearTextArea()
{
    m_textArea.clear();
    m_client->update();
}

void Form1::setTextSize(int points)
{
    m_textArea.setSize(points);
}

void Form1::print(const std::vector<PrintItem>& items)
{
    m_textArea.print(items);
    m_client->update();
}

void Form1::setCaption(const std::string& caption)
{
    // Ten times a second, mostly the same text: only a real change reaches the window system.
    if (caption == m_caption)
        return;
    m_caption = caption;
    setWindowTitle(fromBytes(caption));
}

void Form1::setTimer1Interval(int milliseconds)
{
    if (milliseconds > 0)
        m_timer1->start(milliseconds);
    else
        m_timer1->stop();
}

} // namespace zuvelo
