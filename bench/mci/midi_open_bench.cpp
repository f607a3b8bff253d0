// How much the first and later MIDI opens cost, against FluidSynth loading the same soundfont
// the usual way (every sample read at load), measured in the same run.
//
//   zuvelo_midi_open_bench [SOUNDFONT.sf2]
//
// Without an argument the soundfont the renderer would choose by default is used. Prints times in
// milliseconds, resident memory added in MB, and the ratios to the reference.

#include "MidiRenderer.h"
#include "SmfWriter.h"
#include "SoundFont.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zuvelo::mci;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident set size in MB, from /proc.
double residentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// A General MIDI piece touching piano, strings, bass and drums, so the first render has to read
// several instruments' samples.
std::string writeTune(const std::filesystem::path& folder)
{
    zuvelo::SmfWriter w(480);
    const int t = w.addTrack();
    w.programChange(t, 0, 0, 0);
    w.programChange(t, 0, 1, 48);
    w.programChange(t, 0, 2, 33);
    for (int bar = 0; bar < 8; ++bar) {
        const std::uint32_t at = static_cast<std::uint32_t>(bar * 1920);
        for (int beat = 0; beat < 4; ++beat) {
            w.note(t, at + 480 * beat, 240, 0, 60 + (bar + beat * 4) % 12, 96);
            w.note(t, at + 480 * beat, 120, 9, beat % 2 ? 38 : 36, 100);
        }
        w.note(t, at, 1920, 1, 55 + bar % 5, 70);
        w.note(t, at, 960, 2, 36 + bar % 7, 100);
    }
    const std::string path = (folder / "bench.mid").string();
    w.writeTo(path);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string soundFont = argc > 1 ? argv[1] : chooseSoundFontFile("");
    if (soundFont.empty() || !std::filesystem::exists(soundFont)) {
        std::fprintf(stderr, "no soundfont to measure with\n");
        return 1;
    }
    std::string scratch = (std::filesystem::temp_directory_path() / "zuvelo-midi-bench-XXXXXX").string();
    if (!mkdtemp(scratch.data()))
        return 1;
    const std::filesystem::path folder = scratch;
    // The renderer chooses the first *.sf2 of its folder: link the soundfont under test there.
    std::filesystem::create_symlink(std::filesystem::canonical(soundFont), folder / "bench.sf2");
    const std::string tune = writeTune(folder);

    SoundFontCache cache;
    cache.setFolder(folder.string());

    // Ours: the first open loads the soundfont (structure only) and selects the default presets.
    const double rssBefore = residentMb();
    auto start = Clock::now();
    auto opened = MidiRenderer::open(tune, cache);
    const double firstOpenMs = msSince(start);
    const double firstOpenMb = residentMb() - rssBefore;
    if (!opened) {
        std::fprintf(stderr, "open failed: %lu\n", opened.error());
        return 1;
    }
    std::unique_ptr<MidiRenderer> first = opened.take();

    // Rendering the whole piece reads the other instruments' samples on demand.
    std::vector<float> buffer(2 * 4096);
    start = Clock::now();
    std::size_t frames = 0;
    for (std::size_t got; (got = first->read(buffer.data(), 4096)) > 0;)
        frames += got;
    const double renderMs = msSince(start);
    const double afterRenderMb = residentMb() - rssBefore;

    // Later opens, while the first renderer is still open and after it is gone.
    std::vector<double> laterMs;
    for (int i = 0; i < 20; ++i) {
        if (i == 10)
            first.reset();
        start = Clock::now();
        auto again = MidiRenderer::open(tune, cache);
        laterMs.push_back(msSince(start));
        if (!again)
            return 1;
    }
    std::sort(laterMs.begin(), laterMs.end());
    const double laterMedianMs = laterMs[laterMs.size() / 2];
    const double laterMaxMs = laterMs.back();

    // Reference: a synthesizer loading the same file with every sample read at load.
    const double refRssBefore = residentMb();
    start = Clock::now();
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 48000.0);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    const int id = fluid_synth_sfload(synth, soundFont.c_str(), 1);
    const double referenceMs = msSince(start);
    const double referenceMb = residentMb() - refRssBefore;
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    std::filesystem::remove_all(folder);
    if (id == FLUID_FAILED)
        return 1;

    std::printf("soundfont                      %s (loaded %d time(s))\n", soundFont.c_str(), cache.loadCount());
    std::printf("first open                     %8.1f ms  %7.1f MB   goal < 150 ms, < 50 MB\n", firstOpenMs,
                firstOpenMb);
    std::printf("render %5.1f s of music         %8.1f ms  %7.1f MB   (%.0fx real time)\n", frames / 48000.0, renderMs,
                afterRenderMb, frames / 48000.0 * 1000.0 / renderMs);
    std::printf("later opens (20)      median %8.2f ms  max %6.2f ms  goal < 10 ms\n", laterMedianMs, laterMaxMs);
    std::printf("reference full load            %8.1f ms  %7.1f MB\n", referenceMs, referenceMb);
    std::printf("ratio first open / reference   time %.3f  memory %.3f\n", firstOpenMs / referenceMs,
                firstOpenMb / referenceMb);
    return 0;
}
