// Open latency of the media control layer per format, against the decoding libraries' own time to
// the first decoded audio of the same file, interleaved in one run so that load from other
// processes falls on both alike. bench/README.md ("Open latency") describes the runs and columns.
//
//   zuvelo_open_latency_bench FOLDER [RUNS]
//
// FOLDER holds bench.wav, .mp3, .mp2, .wma and .mid (make_fixtures in bench/common.sh); RUNS
// defaults to 20. The output takes samples once per callback, so the first-sample time includes the
// wait for the next callback; a pause of random length (up to one callback period) before each run
// spreads the runs over the callback cycle, so the median is what an open at an arbitrary moment
// costs. Times are medians in milliseconds, with the ratios to the reference.

#include "mci/Diagnostics.h"
#include "mci/mci.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How long a run may wait for the first sample before it counts as failed: far beyond any sane
// open, short enough that a broken build does not hang the benchmark.
constexpr auto kFirstSampleTimeout = std::chrono::seconds(3);
// Polling interval while waiting for the first sample; small against the figures measured.
constexpr auto kPollInterval = std::chrono::microseconds(100);
// Frames the MIDI reference renders: about one decoded frame of the compressed formats.
constexpr int kMidiReferenceFrames = 1024;
// The soundfont the layer uses by default, and Debian's file behind it.
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"};

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

// The times of the runs through the layer, ms: the open command alone, open and play commands,
// open command to first sample handed to the output.
struct LayerTimes {
    std::vector<double> open, openPlay, firstSample;
};

// One run through the layer. Its times go into times unless a command failed or no sample came.
void runLayer(const std::string& path, LayerTimes& times)
{
    const std::string device = "\"" + path + "\"";
    const auto send = [&](const char* verb) { return mciSendString((verb + device).c_str(), nullptr, 0, nullptr); };
    const Clock::time_point start = Clock::now();
    if (send("open ") != 0)
        return;
    const Clock::time_point opened = Clock::now();
    const bool played = send("play ") == 0;
    const Clock::time_point playing = Clock::now();
    long long micros = -1;
    while (played && (micros = mciFirstSampleMicros(device.c_str())) < 0 && Clock::now() - start < kFirstSampleTimeout)
        std::this_thread::sleep_for(kPollInterval);
    send("close ");
    if (played && micros >= 0) {
        times.open.push_back(msBetween(start, opened));
        times.openPlay.push_back(msBetween(start, playing));
        times.firstSample.push_back(double(micros) / 1000.0);
    }
}

// FFmpeg's own way to the first decoded audio frame. Returns milliseconds, or -1 on failure.
double runFfmpeg(const std::string& path)
{
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool decoded = false;

    const Clock::time_point start = Clock::now();
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) == 0 &&
        avformat_find_stream_info(format, nullptr) >= 0) {
        const AVCodec* decoder = nullptr;
        const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream >= 0 && (codec = avcodec_alloc_context3(decoder)) != nullptr &&
            avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) >= 0 &&
            avcodec_open2(codec, decoder, nullptr) == 0) {
            while (!decoded && av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0)
                    decoded = avcodec_receive_frame(codec, frame) == 0;
                av_packet_unref(packet);
            }
        }
    }
    const Clock::time_point end = Clock::now();

    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return decoded ? msBetween(start, end) : -1.0;
}

// FluidSynth with a soundfont already loaded, the reference for MIDI files: milliseconds from
// creating a player on path to its first rendered block; -1 on failure.
double runFluid(fluid_synth_t* synth, const std::string& path)
{
    std::vector<float> left(kMidiReferenceFrames), right(kMidiReferenceFrames);
    const Clock::time_point start = Clock::now();
    fluid_player_t* player = new_fluid_player(synth);
    const bool ok =
        player != nullptr && fluid_player_add(player, path.c_str()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK &&
        fluid_synth_write_float(synth, kMidiReferenceFrames, left.data(), 0, 1, right.data(), 0, 1) == FLUID_OK;
    const Clock::time_point end = Clock::now();
    if (player != nullptr) {
        fluid_player_stop(player);
        delete_fluid_player(player);
    }
    fluid_synth_system_reset(synth);
    return ok ? msBetween(start, end) : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zuvelo_open_latency_bench FOLDER [RUNS]\n");
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 20;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    av_log_set_level(AV_LOG_ERROR);
    for (const int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    fluid_settings_t* fluidSettings = new_fluid_settings();
    fluid_settings_setnum(fluidSettings, "synth.sample-rate", 48000.0);
    fluid_synth_t* synth = new_fluid_synth(fluidSettings);
    const bool soundFont = std::any_of(std::begin(kSoundFonts), std::end(kSoundFonts), [&](const char* file) {
        return std::filesystem::exists(file) && fluid_synth_sfload(synth, file, 1) != FLUID_FAILED;
    });
    std::minstd_rand phase(20261206); // fixed seed: the same pauses in every run of the benchmark

    std::printf("%-5s %12s %10s %10s %10s %14s %14s\n", "fmt", "first-sample", "open", "open+play", "reference",
                "first/ref", "open/ref");
    int failures = 0;
    for (const char* format : {"wav", "mp3", "mp2", "wma", "mid"}) {
        const std::string path = (folder / (std::string("bench.") + format)).string();
        const bool midi = std::string(format) == "mid";
        auto reference = [&] { return !midi ? runFfmpeg(path) : soundFont ? runFluid(synth, path) : -1.0; };

        LayerTimes untimed, times; // the first open of a kind pays one-time costs
        runLayer(path, untimed);
        reference();

        std::vector<double> ref;
        const int periodMicros = mciOutputBufferFrames() * 1000000 / 48000;
        for (int i = 0; i < runs; ++i) {
            if (periodMicros > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(phase() % periodMicros));
            runLayer(path, times);
            if (const double ms = reference(); ms >= 0)
                ref.push_back(ms);
        }
        if (times.firstSample.size() != std::size_t(runs) || ref.size() != std::size_t(runs)) {
            std::printf("%-5s failed: %zu of %d layer runs, %zu of %d reference runs succeeded\n", format,
                        times.firstSample.size(), runs, ref.size(), runs);
            ++failures;
            continue;
        }
        const double first = median(times.firstSample), open = median(times.open), refMs = median(ref);
        std::printf("%-5s %12.3f %10.3f %10.3f %10.3f %14.2f %14.2f\n", format, first, open, median(times.openPlay),
                    refMs, first / refMs, open / refMs);
    }
    std::printf("medians of %d runs, ms; output driver \"%s\", %d frames a callback (%.1f ms); "
                "underruns %llu\n",
                runs, mciOutputDriverName(), mciOutputBufferFrames(), mciOutputBufferFrames() * 1000.0 / 48000.0,
                mciUnderrunCount());
    delete_fluid_synth(synth);
    delete_fluid_settings(fluidSettings);
    return failures == 0 ? 0 : 2;
}
