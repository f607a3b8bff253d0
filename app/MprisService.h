#pragma once

#include "MprisView.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <string>

namespace zuvelo {

class PlayerApp;

// The player on the session bus for the desktop's media keys, panels and lock screen: the
// org.mpris.MediaPlayer2 protocol at /org/mpris/MediaPlayer2, under the name
// org.mpris.MediaPlayer2.zuvelo, or org.mpris.MediaPlayer2.zuvelo.instance<pid> when a copy in
// another folder holds that one.
//
// Its methods send the window's own events (Next is the ">>" click, and so on), so they do what
// the buttons do in every mode, except that Play, Pause and PlayPause first ask the media layer
// for the state of the moment and do nothing where there is nothing to do. What it shows is read
// after each tick of the playback monitor; the properties that changed are then announced in one
// PropertiesChanged signal.
// Create on the user-interface thread once the window is up; the player must outlive it.
class MprisService : public QObject {
public:
    explicit MprisService(PlayerApp& player);
    ~MprisService() override;

    // Registers on the session bus and starts following the monitor. The reason when it cannot;
    // then nothing is registered and the player runs as without it.
    std::optional<std::string> start();

    // For the adaptors.
    const MprisView& view() const { return m_view; }
    QVariantMap metadata() const;
    std::int64_t positionMicroseconds();
    void next();
    void previous();
    void pause();
    void play();
    void playPause();
    void setShuffle(bool on);
    void raise();
    void quit();

private:
    void afterTick();

    PlayerApp& m_player;
    MprisView m_view;
    bool m_following = false;
};

} // namespace zuvelo
