#pragma once

#include "handlers/FormControls.h"
#include "handlers/FormEvents.h"
#include "TextArea.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace zuvelo {

// The program's one window: a menu, the mode box, five transport buttons, the track-number box
// and scroll bar, drawn over a client area that doubles as a print surface. It only shows and
// forwards: every event goes to the FormEvents given to it. Layout in twips converted at 15 twips
// to the logical pixel; the controls keep their places when the window is resized.
// Create and use on the user-interface thread, after the QApplication.
class Form1 : public QMainWindow, public FormControls {
public:
    explicit Form1(FormEvents* events = nullptr);
    ~Form1() override;

    void setEvents(FormEvents* events) { m_events = events; }

    // FormControls
    void setCombo1ListEntry(int index, const std::string& text) override;
    std::string combo1ListEntry(int index) const override;
    std::string combo1Text() const override;
    void setCombo1Text(const std::string& text) override;
    void setHScroll1Minimum(int value) override;
    void setHScroll1Maximum(int value) override;
    void setHScroll1Value(int value) override;
    int hScroll1Value() const override;
    void setText1Text(const std::string& text) override;
    void clearTextArea() override;
    void setTextSize(int points) override;
    void print(const std::vector<PrintItem>& items) override;
    void setCaption(const std::string& caption) override;
    void setTimer1Interval(int milliseconds) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupControls(QWidget* client);
    void setupMenu();
    void connectEvents();
    void forward(void (FormEvents::*event)()); // delivers one event, if anyone listens

    // The controls, with the names the handlers know them by (also their objectName).
    QLineEdit* Text1 = nullptr;      // the current track number a2
    QScrollBar* HScroll1 = nullptr;  // picks the track number
    QPushButton* Command5 = nullptr; // ">" play / resume
    QPushButton* Command4 = nullptr; // "| |" pause
    QPushButton* Command3 = nullptr; // "<<" previous track
    QPushButton* Command2 = nullptr; // "<" restart the current track
    QPushButton* Command1 = nullptr; // ">>" next track
    QComboBox* Combo1 = nullptr;     // the play mode
    QMenu* nmu = nullptr;            // "メニュー"
    QAction* ra = nullptr;           // random play
    QAction* jun = nullptr;          // play in order from the first
    QAction* gya = nullptr;          // play in reverse from the last
    QAction* lis = nullptr;          // write the track list

    FormEvents* m_events = nullptr;
    QWidget* m_client = nullptr; // the client area, the print surface
    TextArea m_textArea;
    QTimer* m_timer1 = nullptr; // Timer1: the playback monitor's tick
    std::string m_caption = "Form1";
};

} // namespace zuvelo
