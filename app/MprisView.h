#pragma once

#include "handlers/PlayerContext.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zuvelo {

// What the desktop's media service shows of the player: everything of it that can change, read
// from the player's state and the media layer once per monitor tick. Plain data; texts are bytes.
struct MprisView {
    enum class Status { Stopped, Playing, Paused };

    Status status = Status::Stopped;
    bool hasTrack = false;                          // at least one track: the transport can act
    std::int64_t trackNumber = 0;                   // a3, the track last started; 0 with no track
    std::string device;                             // SoundFile, the media device the track was read from
    std::string fileUri;                            // "file://" and the path, percent-encoded byte by byte
    std::string title;                              // the file's name
    std::string album;                              // the name of the folder holding it
    std::optional<std::int64_t> lengthMicroseconds; // none when the layer does not know it
    bool shuffle = false;                           // random mode

    // "<<" does nothing in random mode.
    bool canGoPrevious() const { return hasTrack && !shuffle; }
    bool operator==(const MprisView&) const = default;
};

// The view after a monitor tick, given the one before it. The track's fields and its length are
// read again only when the tick changed the current device. The status is the monitor's reading,
// except where that reading is already out of date: when the monitor saw "stopped" while not
// paused it has just started a track (or tried to), so the status is asked afresh.
MprisView readMprisView(PlayerContext& ctx, const MprisView& before);

// The play state at this moment, asked of the media layer now: what a play/pause key decides
// from, since the last tick's reading may be up to 100 ms old.
MprisView::Status readPlayStatus(PlayerContext& ctx);

// The current position in microseconds from the media layer; 0 when there is no track or the
// layer does not say.
std::int64_t readPositionMicroseconds(PlayerContext& ctx);

// "file://" + path with every byte outside the URI's unreserved set and "/" percent-encoded, so
// that a name that is not UTF-8 survives.
std::string fileUriOf(const std::string& path);

} // namespace zuvelo
