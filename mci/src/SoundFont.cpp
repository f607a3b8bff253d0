#include "SoundFont.h"

#include "FrameSource.h"
#include "SoundFontFile.h"

#include "common/AsciiText.h"
#include "mci/mci.h"

#include "FluidSynthLibrary.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace zuvelo::mci {

namespace {

// The bank General MIDI's percussion channel selects.
constexpr int kDrumBank = 128;

bool isRegularFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// "*.sf2" in any letter case, as a soundfont copied from another system may be named "GM.SF2".
bool hasSf2Extension(const std::filesystem::path& path)
{
    // The extension is everything from the name's last dot, so ending in ".sf2" is being ".sf2".
    return endsWithIgnoringAsciiCase(path.extension().string(), ".sf2");
}

// Set while a soundfont is tried, on the thread trying it.
thread_local bool g_quietLog = false;

void logToStderr(int level, const char* message, void*)
{
    if (g_quietLog)
        return;
    std::fprintf(stderr, "mci: fluidsynth %s: %s\n", level == FLUID_PANIC ? "panic" : "error", message);
}

} // namespace

std::string chooseSoundFontFile(const std::string& folder)
{
    if (!folder.empty()) {
        std::vector<std::string> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::filesystem::path& path = it->path();
            if (hasSf2Extension(path) && isRegularFile(path))
                names.push_back(path.filename().string());
        }
        if (!names.empty()) {
            std::sort(names.begin(), names.end());
            return (std::filesystem::path(folder) / names.front()).string();
        }
    }
    for (const char* candidate : {kDefaultSoundFont, kFallbackSoundFont})
        if (isRegularFile(candidate))
            return candidate;
    return {};
}

void quietFluidSynthLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, logToStderr, nullptr);
        fluid_set_log_function(FLUID_ERR, logToStderr, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

fluid_settings_t* newRendererSettings()
{
    if (!loadFluidSynth())
        return nullptr;
    quietFluidSynthLog();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings)
        return nullptr;
    // Synthesizers render straight at the rate of the layer's one sound output.
    fluid_settings_setnum(settings, "synth.sample-rate", double(kOutputRate));
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // FluidSynth's own gain, 0.2, leaves a single General MIDI instrument 25 to 30 dB under other
    // music (a piano note at velocity 100: -39 dBFS, the demo's MIDI pieces 17 LU under its mp3s);
    // five times that brings a piece of a few instruments within 3 LU of them. Denser pieces then
    // go beyond full scale, which the renderer's limiter (PeakLimiter) takes down.
    fluid_settings_setnum(settings, "synth.gain", 1.0);
    // Locking a soundfont's samples into memory needs privileges we do not have and buys nothing.
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    // The player follows the samples we render rather than the wall clock, so that rendering
    // ahead of the sound output keeps the tempo.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    return settings;
}

SoundFontCache::SoundFontCache() = default;

SoundFontCache::~SoundFontCache()
{
    // Deleting the owner deletes the soundfont on its stack.
    if (m_owner)
        delete_fluid_synth(m_owner);
    if (m_ownerSettings)
        delete_fluid_settings(m_ownerSettings);
}

SoundFontCache& SoundFontCache::shared()
{
    // Never destroyed: renderers on other threads may outlive static destruction at exit.
    static SoundFontCache* cache = new SoundFontCache;
    return *cache;
}

void SoundFontCache::setFolder(const std::string& folder)
{
    std::lock_guard guard(m_lock);
    m_folder = folder;
}

bool SoundFontCache::loadLocked()
{
    if (m_soundFont)
        return true;
    if (!loadFluidSynth())
        return false;
    if (!m_owner) {
        m_ownerSettings = newRendererSettings();
        if (!m_ownerSettings)
            return false;
        // The owner never sounds: the smallest voice pool and no effects keep it light.
        fluid_settings_setint(m_ownerSettings, "synth.polyphony", 1);
        fluid_settings_setint(m_ownerSettings, "synth.reverb.active", 0);
        fluid_settings_setint(m_ownerSettings, "synth.chorus.active", 0);
        m_owner = new_fluid_synth(m_ownerSettings);
        if (!m_owner)
            return false;
        // Loaded samples are read through the file kept open at load, never by name again.
        if (fluid_sfloader_t* loader = newSoundFontFileLoader(m_ownerSettings))
            fluid_synth_add_sfloader(m_owner, loader);
    }
    // The chosen file, and when it does not load (a truncated copy beside the program), the
    // system's default: a broken file of the user's should not silence every MIDI file.
    const std::string chosen = chooseSoundFontFile(m_folder);
    std::vector<std::string> candidates;
    for (const std::string& path : {chosen, std::string(kDefaultSoundFont), std::string(kFallbackSoundFont)}) {
        if (!path.empty() && isRegularFile(path) &&
            std::none_of(candidates.begin(), candidates.end(), [&](const std::string& tried) {
                std::error_code ec;
                return std::filesystem::equivalent(tried, path, ec);
            }))
            candidates.push_back(path);
    }
    for (const std::string& path : candidates) {
        if (!loadFileLocked(path))
            continue;
        if (path != chosen && !m_failureReported)
            std::fprintf(stderr, "mci: the soundfont %s could not be loaded; using %s\n", chosen.c_str(), path.c_str());
        m_failureReported = true;
        return true;
    }
    if (!m_failureReported) {
        if (candidates.empty())
            std::fprintf(stderr, "mci: no soundfont found for MIDI files\n");
        else
            std::fprintf(stderr, "mci: the soundfont %s could not be loaded; MIDI files cannot be played\n",
                         chosen.c_str());
    }
    m_failureReported = true;
    return false;
}

bool SoundFontCache::loadFileLocked(const std::string& path)
{
    std::shared_ptr<SoundFontFile> file = SoundFontFile::open(path);
    if (!file)
        return false;
    useSoundFontFile(path, std::move(file));
    // A file that fails here is reported once by the caller, not by FluidSynth's error lines.
    g_quietLog = true;
    // No preset reset: the owner's channels select nothing, so no samples are read here.
    const int id = fluid_synth_sfload(m_owner, path.c_str(), 0);
    g_quietLog = false;
    if (id == FLUID_FAILED)
        return false;
    // Every channel of a new synthesizer starts on bank 0 program 0 (bank 128 for the drum
    // channel), so each open would read those presets' samples again once the last renderer
    // using them has gone. Pinned, they are read once, here, and opens cost next to nothing.
    // A soundfont without them simply has nothing to pin.
    fluid_synth_pin_preset(m_owner, id, 0, 0);
    fluid_synth_pin_preset(m_owner, id, kDrumBank, 0);
    m_soundFont = fluid_synth_get_sfont_by_id(m_owner, id);
    if (!m_soundFont)
        return false;
    m_loadedPath = path;
    ++m_loadCount;
    return true;
}

bool SoundFontCache::addToLocked(fluid_synth_t* synth)
{
    if (!loadLocked())
        return false;
    return fluid_synth_add_sfont(synth, m_soundFont) != FLUID_FAILED;
}

void SoundFontCache::removeFromLocked(fluid_synth_t* synth)
{
    if (m_soundFont)
        fluid_synth_remove_sfont(synth, m_soundFont);
}

int SoundFontCache::loadCount() const
{
    std::lock_guard guard(m_lock);
    return m_loadCount;
}

std::string SoundFontCache::loadedPath() const
{
    std::lock_guard guard(m_lock);
    return m_loadedPath;
}

std::string SoundFontCache::soundFontFile() const
{
    std::lock_guard guard(m_lock);
    return m_loadedPath.empty() ? chooseSoundFontFile(m_folder) : m_loadedPath;
}

} // namespace zuvelo::mci

void mciSetSoundFontFolder(const char* folder)
{
    zuvelo::mci::SoundFontCache::shared().setFolder(folder ? folder : "");
}
