#pragma once

namespace zuvelo {

// The events of the main window and its controls, as the window delivers them to the program.
// Every call comes from the user-interface thread; change events may arrive nested inside a
// FormControls setter (see FormControls.h).
class FormEvents {
public:
    virtual ~FormEvents() = default;

    virtual void command1Click() = 0;  // ">>" next track
    virtual void command2Click() = 0;  // "<" restart the current track
    virtual void command3Click() = 0;  // "<<" previous track
    virtual void command4Click() = 0;  // "| |" pause
    virtual void command5Click() = 0;  // ">" play or resume
    virtual void combo1Change() = 0;   // the mode box's text changed
    virtual void hScroll1Change() = 0; // the scroll bar's value changed
    virtual void text1Change() = 0;    // the track-number box's text changed
    virtual void raClick() = 0;        // menu: random play
    virtual void junClick() = 0;       // menu: in order from the first
    virtual void gyaClick() = 0;       // menu: reverse from the last
    virtual void lisClick() = 0;       // menu: write the track list
    virtual void timer1Timer() = 0;    // Timer1 tick: the playback monitor
    virtual void formUnload() = 0;     // the window is being closed
};

} // namespace zuvelo
