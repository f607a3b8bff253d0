#include "MidiRenderer.h"

#include "mci/mci.h"

#include "FluidSynthLibrary.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zuvelo::mci {

namespace {

// FluidSynth's internal block: the player advances once a block, so checking the end after each
// one finds it as early as it can be seen.
constexpr std::size_t kBlockFrames = 64;

// Should the player never report the last tick (it follows its own tempo arithmetic), the events
// count as played this long after the moment the file's tempo map gives for them.
constexpr std::uint64_t kEventsGraceFrames = 2 * kOutputRate;

bool readWholeFile(const std::string& path, std::uintmax_t size, std::vector<std::uint8_t>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    return in.gcount() == static_cast<std::streamsize>(size);
}

} // namespace

OpenResult<MidiRenderer> MidiRenderer::open(const std::string& path, SoundFontCache& soundFonts)
{
    const auto invalid = [](std::string reason) { return OpenError{MCIERR_INVALID_FILE, std::move(reason)}; };
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileBytes)
        return invalid("it is larger than 64 MB, which no MIDI file is");
    std::vector<std::uint8_t> file;
    if (ec || !readWholeFile(path, size, file))
        return invalid("it could not be read");
    const char* refusal = nullptr;
    const std::optional<MidiFileSummary> summary = readMidiFile(file, &refusal);
    if (!summary)
        return invalid(refusal);

    std::unique_ptr<MidiRenderer> renderer(new MidiRenderer(soundFonts, std::move(file), *summary));
    renderer->m_settings = newRendererSettings();
    SoundFontCache::Guard guard(soundFonts);
    if (!renderer->m_settings || !renderer->startLocked())
        return invalid(renderer->m_settings && renderer->m_soundFontAdded ? "the synthesizer did not start"
                                                                          : "no soundfont could be loaded to play it");
    return renderer;
}

MidiRenderer::MidiRenderer(SoundFontCache& soundFonts, std::vector<std::uint8_t> file, MidiFileSummary summary)
    : m_soundFonts(soundFonts),
      m_file(std::move(file)),
      m_summary(summary)
{
}

MidiRenderer::~MidiRenderer()
{
    {
        SoundFontCache::Guard guard(m_soundFonts);
        stopLocked();
    }
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool MidiRenderer::startLocked()
{
    m_limiter = {};
    m_frames = 0;
    m_eventsDone = false;
    m_eventsDoneFrame = 0;
    m_ended = false;
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth)
        return false;
    m_soundFontAdded = m_soundFonts.addToLocked(m_synth);
    if (!m_soundFontAdded)
        return false;
    m_player = new_fluid_player(m_synth);
    if (!m_player)
        return false;
    // The player copies the data, so every start reads the file as it was opened.
    return fluid_player_add_mem(m_player, m_file.data(), m_file.size()) == FLUID_OK &&
           fluid_player_play(m_player) == FLUID_OK;
}

void MidiRenderer::stopLocked()
{
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        m_player = nullptr;
    }
    if (m_synth) {
        // Off the stack first: deleting a synthesizer deletes every soundfont on it.
        if (m_soundFontAdded)
            m_soundFonts.removeFromLocked(m_synth);
        delete_fluid_synth(m_synth);
        m_synth = nullptr;
    }
    m_soundFontAdded = false;
}

void MidiRenderer::updateEndLocked()
{
    if (!m_eventsDone) {
        const bool playerDone = fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING;
        const bool lastTickReached =
            fluid_player_get_current_tick(m_player) >= static_cast<int>(m_summary.lastEventTick);
        const auto expectedFrames = static_cast<std::uint64_t>(m_summary.lastEventMs * kOutputRate / 1000.0);
        if (playerDone || lastTickReached || m_frames >= expectedFrames + kEventsGraceFrames) {
            m_eventsDone = true;
            m_eventsDoneFrame = m_frames;
        }
    }
    if (m_eventsDone &&
        (fluid_synth_get_active_voice_count(m_synth) == 0 || m_frames >= m_eventsDoneFrame + kTailFrames)) {
        m_ended = true;
        fluid_player_stop(m_player);
        fluid_synth_all_sounds_off(m_synth, -1);
    }
}

std::size_t MidiRenderer::read(float* interleavedStereo, std::size_t frames)
{
    SoundFontCache::Guard guard(m_soundFonts);
    std::size_t written = 0;
    while (written < frames && !m_ended) {
        const std::size_t block = std::min(kBlockFrames, frames - written);
        float* out = interleavedStereo + written * kOutputChannels;
        fluid_synth_write_float(m_synth, static_cast<int>(block), out, 0, kOutputChannels, out, 1, kOutputChannels);
        m_limiter.process(out, block, kOutputRate);
        written += block;
        m_frames += block;
        updateEndLocked();
    }
    return written;
}

bool MidiRenderer::rewind()
{
    SoundFontCache::Guard guard(m_soundFonts);
    // A new synthesizer rather than a reset one: a reset leaves the reverb and chorus ringing
    // with the old position's sound. With the soundfont already loaded this costs little.
    stopLocked();
    if (!startLocked()) {
        stopLocked();
        m_ended = true;
        return false;
    }
    return true;
}

bool MidiRenderer::ended() const
{
    SoundFontCache::Guard guard(m_soundFonts);
    return m_ended;
}

std::uint64_t MidiRenderer::positionMs() const
{
    SoundFontCache::Guard guard(m_soundFonts);
    return m_frames * 1000 / kOutputRate;
}

std::uint64_t MidiRenderer::lengthMs() const
{
    return static_cast<std::uint64_t>(m_summary.lastEventMs);
}

std::int64_t MidiRenderer::lengthFrames() const
{
    return static_cast<std::int64_t>(lengthMs()) * kOutputRate / 1000;
}

} // namespace zuvelo::mci
