#pragma once

#include "PlaybackChannel.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

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

    // Stops and releases the device: its thread is joined and its file closed.
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
    std::map<std::string, Device> m_devices;
};

} // namespace zuvelo::mci
