#pragma once

#include "PlaybackChannel.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zuvelo::mci {

// The open devices, by name exactly as written in the commands (quotes included).
//
// Thread: the user-interface thread only. The registry lives until the process ends; an exit
// hook closes every device (joining its thread) and then the sound output, before static
// destruction takes SDL and FFmpeg away.
class DeviceRegistry {
public:
    static DeviceRegistry& instance();

    // Opens filePath as deviceName, as the device kind its name picks (deviceKindFor). Returns 0,
    // MCIERR_DEVICE_OPEN when the name is open already (that device is left alone),
    // MCIERR_FILE_NOT_FOUND, undecodableError(kind) for a file that does not decode, or
    // MCIERR_INTERNAL when no sound output opens. Nothing stays open after a failure.
    unsigned long open(const std::string& deviceName, const std::string& filePath);

    // The open device of that name, or null.
    PlaybackChannel* find(const std::string& deviceName);

    // Releases the device: its thread is joined and its file closed. A device that reached its
    // end by itself plays out what it still holds for the output first (see
    // PlaybackChannel::snapshot), so that a piece opened and played right after it follows it
    // without a gap; any other device stops at once.
    void close(const std::string& deviceName);

    // Closes every device.
    void closeAll();

    // Diagnostics: microseconds from the start of deviceName's open to the first frame the output
    // took of it; -1 when it has not played yet or is not open.
    std::int64_t firstSampleMicros(const std::string& deviceName) const;

private:
    struct Device {
        std::unique_ptr<PlaybackChannel> channel;
        std::chrono::steady_clock::time_point openStarted; // for the diagnostics only
    };

    DeviceRegistry() = default;
    // Frees the closed channels that have played out their rest.
    void releasePlayedOut();

    std::map<std::string, Device> m_devices;
    std::vector<std::unique_ptr<PlaybackChannel>> m_playingOut; // closed, still sounding
};

} // namespace zuvelo::mci
