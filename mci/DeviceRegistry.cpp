#include "DeviceRegistry.h"

#include "SequencerDevice.h"
#include "SoundOutput.h"
#include "StreamDevice.h"
#include "mci.h"

#include "common/AsciiText.h"

#include <cstdlib>

namespace zuvelo::mci {
namespace {

void closeEverythingAtExit()
{
    DeviceRegistry::instance().closeAll();
    SoundOutput::instance().shutDown();
}

} // namespace

DeviceKind deviceKindFor(const std::string& fileName)
{
    if (endsWithIgnoringAsciiCase(fileName, "wav"))
        return DeviceKind::WaveAudio;
    if (endsWithIgnoringAsciiCase(fileName, "mid") || endsWithIgnoringAsciiCase(fileName, "midi"))
        return DeviceKind::Sequencer;
    return DeviceKind::MpegVideo;
}

DeviceRegistry& DeviceRegistry::instance()
{
    // Never destroyed by static destruction, whose order against SDL's and FFmpeg's own teardown
    // is unknown; the exit hook closes the devices instead.
    static DeviceRegistry* registry = [] {
        std::atexit(&closeEverythingAtExit);
        return new DeviceRegistry;
    }();
    return *registry;
}

unsigned long DeviceRegistry::open(const std::string& deviceName, const std::string& filePath)
{
    const auto openedAt = std::chrono::steady_clock::now();
    if (m_devices.count(deviceName) != 0)
        return MCIERR_DEVICE_OPEN;

    unsigned long error = 0;
    std::unique_ptr<FrameSource> source;
    switch (deviceKindFor(filePath)) {
    case DeviceKind::WaveAudio:
        source = StreamDevice::open(filePath, StreamDevice::Kind::WaveAudio, error);
        break;
    case DeviceKind::MpegVideo:
        source = StreamDevice::open(filePath, StreamDevice::Kind::MpegVideo, error);
        break;
    case DeviceKind::Sequencer:
        source = SequencerDevice::open(filePath, error);
        break;
    }
    if (source == nullptr)
        return error != 0 ? error : MCIERR_INTERNAL;

    // The output opens with the first device, so that the first play finds it ready.
    SoundOutput& output = SoundOutput::instance();
    if (const unsigned long outputError = output.open(); outputError != 0)
        return outputError;
    m_devices.emplace(deviceName, std::make_unique<PlaybackChannel>(std::move(source), output, openedAt));
    return 0;
}

PlaybackChannel* DeviceRegistry::find(const std::string& deviceName)
{
    const auto it = m_devices.find(deviceName);
    return it == m_devices.end() ? nullptr : it->second.get();
}

void DeviceRegistry::close(const std::string& deviceName)
{
    m_devices.erase(deviceName);
}

void DeviceRegistry::closeAll()
{
    m_devices.clear();
}

} // namespace zuvelo::mci
