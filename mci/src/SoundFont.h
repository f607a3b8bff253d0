#pragma once

#include <mutex>
#include <string>

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_sfont_t fluid_sfont_t;
typedef struct _fluid_hashtable_t fluid_settings_t;

namespace zuvelo::mci {

// Debian's default General MIDI soundfont, and the file it usually points to.
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
inline constexpr const char* kFallbackSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// The soundfont file to use: the first "*.sf2" regular file of folder by byte order of the name
// (so the choice does not depend on the directory's order), otherwise the default soundfont,
// otherwise the fallback. Empty when none of them exists. folder may be empty or missing.
std::string chooseSoundFontFile(const std::string& folder);

// The soundfont every MIDI renderer plays with, loaded once and shared by all of them.
//
// FluidSynth loads a soundfont through a synthesizer and cannot load one without it, so the cache
// keeps a silent "owner" synthesizer that loads the file and holds it for the cache's lifetime.
// Each renderer's synthesizer then adds the same loaded soundfont to its own stack and takes it off
// again before it is deleted (otherwise deleting a synthesizer would free the shared soundfont).
// Samples are loaded on demand ("synth.dynamic-sample-loading"): the first open reads only the
// file's preset structure and the samples of the two presets every channel starts with (piano and
// the standard drum kit, which stay loaded so that later opens read nothing); any other preset's
// samples are read when a channel selects it, that is while rendering.
//
// Because the loaded soundfont keeps per-sample reference counts that every synthesizer using it
// updates, all calls into those synthesizers must hold the cache's lock, through a Guard. The
// renderers do so; the functions that need it held end in "Locked".
//
// Threads: any thread; everything is serialised by the cache's lock. shared() lives until the
// process ends.
class SoundFontCache {
public:
    SoundFontCache();
    ~SoundFontCache(); // no synthesizer may still use the soundfont
    SoundFontCache(const SoundFontCache&) = delete;
    SoundFontCache& operator=(const SoundFontCache&) = delete;

    // The cache behind mciSetSoundFontFolder, used by every MIDI device of the process.
    static SoundFontCache& shared();

    // The folder searched first for a soundfont. Takes effect only while nothing is loaded yet.
    void setFolder(const std::string& folder);

    // Holds the cache's lock while alive.
    class Guard {
    public:
        explicit Guard(SoundFontCache& cache) : m_hold(cache.m_lock) {}

    private:
        std::lock_guard<std::mutex> m_hold;
    };

    // Adds the soundfont to synth's stack, loading it first if this is the first call. When the
    // chosen file does not load, the default soundfont is loaded instead, and that is said once on
    // stderr. Returns false when no soundfont file exists or none loads; a later call tries again.
    // The caller holds a Guard.
    bool addToLocked(fluid_synth_t* synth);
    // Takes the soundfont off synth's stack again; call before deleting synth. The caller holds a
    // Guard.
    void removeFromLocked(fluid_synth_t* synth);

    // How many times a soundfont file has been loaded successfully, and which one.
    int loadCount() const;
    std::string loadedPath() const;
    // The loaded file, or while none is loaded the one the folder would give (chooseSoundFontFile).
    std::string soundFontFile() const;

private:
    bool loadLocked();
    bool loadFileLocked(const std::string& path);

    mutable std::mutex m_lock;
    std::string m_folder;
    std::string m_loadedPath;
    int m_loadCount = 0;
    bool m_failureReported = false; // the fallback or the failure has been said on stderr
    fluid_settings_t* m_ownerSettings = nullptr;
    fluid_synth_t* m_owner = nullptr; // holds the loaded soundfont, never plays
    fluid_sfont_t* m_soundFont = nullptr;
};

// Settings for a synthesizer that plays into the layer's output: 48,000 Hz, samples loaded on
// demand, no memory locking; null when FluidSynth cannot be loaded. The caller deletes them after
// the synthesizer.
fluid_settings_t* newRendererSettings();

// Sends FluidSynth's messages nowhere, except errors and panics, which go to stderr with the
// layer's "mci:" prefix. Idempotent.
void quietFluidSynthLog();

} // namespace zuvelo::mci
