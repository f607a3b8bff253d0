#include "SequencerDevice.h"

#include "mci.h"

#include <filesystem>
#include <system_error>

#ifdef ZUVELO_HAVE_MIDI_RENDERER
#include "MidiRenderer.h"
#else
namespace zuvelo::mci {
// Built without the renderer: no MIDI file opens.
class MidiRenderer {
public:
    static std::unique_ptr<MidiRenderer> open(const char*, unsigned long& error)
    {
        error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    std::size_t render(float*, std::size_t) { return 0; }
    void rewind() {}
    std::uint64_t lengthMs() const { return 0; }
};
} // namespace zuvelo::mci
#endif

namespace zuvelo::mci {

SequencerDevice::SequencerDevice(std::unique_ptr<MidiRenderer> renderer) : m_renderer(std::move(renderer)) {}

SequencerDevice::~SequencerDevice() = default;

std::unique_ptr<SequencerDevice> SequencerDevice::open(const std::string& path, unsigned long& error)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        error = MCIERR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    error = 0;
    std::unique_ptr<MidiRenderer> renderer = MidiRenderer::open(path.c_str(), error);
    if (renderer == nullptr) {
        if (error == 0)
            error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<SequencerDevice>(new SequencerDevice(std::move(renderer)));
}

std::size_t SequencerDevice::read(float* interleavedStereo, std::size_t frames)
{
    return m_renderer->render(interleavedStereo, frames);
}

std::int64_t SequencerDevice::lengthFrames() const
{
    return std::int64_t(m_renderer->lengthMs()) * kOutputRate / 1000;
}

bool SequencerDevice::rewind()
{
    m_renderer->rewind();
    return true;
}

} // namespace zuvelo::mci
