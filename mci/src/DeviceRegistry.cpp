#include "DeviceRegistry.h"

#include "DeviceKind.h"
#include "FfmpegLog.h"
#include "MidiRenderer.h"
#include "MpegAudioSource.h"
#include "OpenResult.h"
#include "SoundOutput.h"
#include "StreamDevice.h"
#include "WaveSource.h"

#include "common/AsciiText.h"
#include "mci/mci.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zuvelo::mci {
namespace {

void closeEverythingAtExit()
{
    DeviceRegistry::instance().closeAll();
    SoundOutput::instance().shutDown();
}

// Opens path as the device kind its name picks. The checks every kind would make are made here,
// once: a missing file is MCIERR_FILE_NOT_FOUND, and what is no regular file or is empty cannot
// be played by any kind, so the decoders are not asked.
OpenResult<FrameSource> openSource(const std::string& path)
{
    const DeviceKind kind = deviceKindFor(path);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        return OpenError{MCIERR_FILE_NOT_FOUND, "the file is not there"};
    if (!std::filesystem::is_regular_file(status))
        return OpenError{undecodableError(kind), "it is a folder or a device, not a file"};
    if (std::filesystem::file_size(path, ec) == 0 || ec)
        return OpenError{undecodableError(kind), ec ? ec.message() : "the file is empty"};
    if (kind == DeviceKind::Sequencer)
        return MidiRenderer::open(path);
    // MPEG audio is libmpg123's alone: what it refuses is no MPEG audio FFmpeg would play, and
    // a library of bad files then never loads FFmpeg nor pays for a second refusal.
    if (kind == DeviceKind::MpegVideo && !endsWithIgnoringAsciiCase(path, "wma"))
        return MpegAudioSource::open(path);
    // A plain wav is read here; any other is FFmpeg's.
    if (kind == DeviceKind::WaveAudio) {
        if (std::unique_ptr<WaveSource> wave = WaveSource::open(path))
            return OpenResult<FrameSource>(std::move(wave));
    }
    return StreamDevice::open(path, kind);
}

} // namespace

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
    const auto openStarted = std::chrono::steady_clock::now();
    releasePlayedOut();
    if (m_devices.count(deviceName) != 0)
        return MCIERR_DEVICE_OPEN;

    OpenResult<FrameSource> source = openSource(filePath);
    if (!source) {
        sayOncePerFile(filePath, "not played: " + source.openError().reason);
        return source.error();
    }

    // The output opens with the first device, so that the first play finds it ready.
    SoundOutput& output = SoundOutput::instance();
    if (const unsigned long outputError = output.open(); outputError != 0) {
        sayOncePerFile(filePath, "not played: no sound output could be opened");
        return outputError;
    }
    m_devices.emplace(deviceName, Device{std::make_unique<PlaybackChannel>(source.take(), output), openStarted});
    return 0;
}

PlaybackChannel* DeviceRegistry::find(const std::string& deviceName)
{
    const auto it = m_devices.find(deviceName);
    return it == m_devices.end() ? nullptr : it->second.channel.get();
}

void DeviceRegistry::close(const std::string& deviceName)
{
    releasePlayedOut();
    const auto it = m_devices.find(deviceName);
    if (it == m_devices.end())
        return;
    std::unique_ptr<PlaybackChannel> channel = std::move(it->second.channel);
    m_devices.erase(it);
    if (channel->endedByItself() && !channel->finished()) {
        channel->playOut();
        m_playingOut.push_back(std::move(channel));
    }
}

void DeviceRegistry::releasePlayedOut()
{
    std::erase_if(m_playingOut, [](const std::unique_ptr<PlaybackChannel>& channel) { return channel->finished(); });
}

void DeviceRegistry::closeAll()
{
    m_devices.clear();
    m_playingOut.clear();
}

std::int64_t DeviceRegistry::firstSampleMicros(const std::string& deviceName) const
{
    const auto it = m_devices.find(deviceName);
    if (it == m_devices.end())
        return -1;
    const auto firstFrame = it->second.channel->firstFrameTakenAt();
    if (!firstFrame)
        return -1;
    return std::chrono::duration_cast<std::chrono::microseconds>(*firstFrame - it->second.openStarted).count();
}

} // namespace zuvelo::mci
