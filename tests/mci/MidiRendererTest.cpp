#include "MidiRenderer.h"
#include "TemporaryFolder.h"
#include "SmfWriter.h"

#include "mci/mci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

using namespace zuvelo::mci;
using zuvelo::SmfWriter;
using zuvelo::testing::TemporaryFolder;

namespace {

constexpr std::size_t kRate = kOutputRate;
// One FluidSynth block: the renderer finds the end at this granularity.
constexpr std::size_t kBlock = 64;

// One soundfont for the whole suite, as in the application.
SoundFontCache& suiteSoundFonts()
{
    static SoundFontCache cache;
    return cache;
}

std::unique_ptr<MidiRenderer> openOrFail(const std::string& path)
{
    auto renderer = MidiRenderer::open(path, suiteSoundFonts());
    EXPECT_TRUE(renderer) << path << " error " << renderer.error();
    return renderer.take();
}

// Renders in the odd-sized pieces a decode-ahead thread asks for, until the piece ends.
std::vector<float> renderAll(MidiRenderer& renderer, std::size_t maxFrames = 30 * kRate)
{
    std::vector<float> out;
    std::vector<float> chunk(2 * 1000);
    while (out.size() / 2 < maxFrames) {
        const std::size_t got = renderer.read(chunk.data(), 1000);
        out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<long>(2 * got));
        if (got < 1000)
            break;
    }
    return out;
}

double rms(const std::vector<float>& samples, std::size_t fromFrame, std::size_t toFrame)
{
    toFrame = std::min(toFrame, samples.size() / 2);
    double sum = 0;
    for (std::size_t i = 2 * fromFrame; i < 2 * toFrame; ++i)
        sum += double(samples[i]) * samples[i];
    return toFrame > fromFrame ? std::sqrt(sum / double(2 * (toFrame - fromFrame))) : 0.0;
}

std::size_t frames(const std::vector<float>& samples)
{
    return samples.size() / 2;
}
std::size_t msToFrames(double ms)
{
    return static_cast<std::size_t>(ms * kRate / 1000.0);
}

// Audible: well above the synthesizer's dither-free silence (exactly 0) and denormal noise.
constexpr double kAudible = 1e-3;

// Four piano quarter notes at 120 bpm, each held for an eighth: the last note-off is at 1750 ms.
std::string writeTune(const TemporaryFolder& folder, const std::string& name = "tune.mid")
{
    SmfWriter w(480);
    const int t = w.addTrack();
    w.programChange(t, 0, 0, 0);
    const int keys[] = {60, 64, 67, 72};
    for (int i = 0; i < 4; ++i)
        w.note(t, static_cast<std::uint32_t>(480 * i), 240, 0, keys[i], 100);
    const std::string path = folder / name;
    w.writeTo(path);
    return path;
}

} // namespace

TEST(MidiRenderer, shortTune_soundsForItsLengthAndThenEnds)
{
    TemporaryFolder folder;
    auto renderer = openOrFail(writeTune(folder));
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->lengthMs(), 1750u);
    EXPECT_FALSE(renderer->ended());

    const std::vector<float> audio = renderAll(*renderer);
    // The last event at 1750 ms, then at most one second of release.
    EXPECT_GE(frames(audio), msToFrames(1750));
    EXPECT_LE(frames(audio), msToFrames(2750) + kBlock);
    EXPECT_TRUE(renderer->ended());
    EXPECT_EQ(renderer->positionMs(), frames(audio) * 1000 / kRate);

    // Each of the four notes sounds in its own quarter (held for the first half of it).
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(rms(audio, msToFrames(500 * i), msToFrames(500 * i + 250)), kAudible) << "note " << i;
    for (float s : audio)
        ASSERT_TRUE(std::isfinite(s) && std::fabs(s) <= 1.5f);

    // Ended stays ended.
    float more[2 * 256];
    EXPECT_EQ(renderer->read(more, 256), 0u);
}

TEST(MidiRenderer, noteNeverReleased_endsOneSecondAfterTheLastEvent)
{
    TemporaryFolder folder;
    SmfWriter w(480);
    const int t = w.addTrack();
    w.programChange(t, 0, 0, 19); // church organ: sustains as long as the key is down
    w.noteOn(t, 0, 0, 60, 110);
    w.endOfTrack(t, 960); // the file ends at 1000 ms with the key still down
    const std::string path = folder / "hung.mid";
    ASSERT_TRUE(w.writeTo(path));

    auto renderer = openOrFail(path);
    ASSERT_TRUE(renderer);
    const std::vector<float> audio = renderAll(*renderer);
    EXPECT_GE(frames(audio), msToFrames(2000));
    EXPECT_LE(frames(audio), msToFrames(2000) + 2 * kBlock);
    // The organ still sounds right up to the cut: the end was ours, not the note's.
    EXPECT_GT(rms(audio, frames(audio) - msToFrames(100), frames(audio)), kAudible);
}

TEST(MidiRenderer, tempoChange_isFollowedWhileRenderingAheadOfTime)
{
    // One note held for eight quarters at 240 bpm: released at 1000 ms, however fast we render.
    TemporaryFolder folder;
    SmfWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 250000);
    w.programChange(t, 0, 0, 19);
    w.note(t, 0, 3840, 0, 60, 110);
    const std::string path = folder / "fast.mid";
    ASSERT_TRUE(w.writeTo(path));

    auto renderer = openOrFail(path);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->lengthMs(), 2000u);
    const std::vector<float> audio = renderAll(*renderer);
    EXPECT_GE(frames(audio), msToFrames(2000));
    EXPECT_LE(frames(audio), msToFrames(3000) + kBlock);
    EXPECT_GT(rms(audio, msToFrames(1800), msToFrames(1950)), kAudible);
}

TEST(MidiRenderer, rewind_replaysFromTheStart)
{
    TemporaryFolder folder;
    auto renderer = openOrFail(writeTune(folder));
    ASSERT_TRUE(renderer);
    const std::vector<float> first = renderAll(*renderer);
    ASSERT_TRUE(renderer->ended());

    renderer->rewind();
    EXPECT_FALSE(renderer->ended());
    EXPECT_EQ(renderer->positionMs(), 0u);
    const std::vector<float> again = renderAll(*renderer);
    EXPECT_EQ(frames(again), frames(first));
    EXPECT_GT(rms(again, 0, msToFrames(250)), kAudible);
    // Nothing of the first pass is left in the synthesizer: the replay is sample for sample the same.
    ASSERT_EQ(again.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), again.begin()));

    // A rewind in the middle of a note starts over as well.
    renderer->rewind();
    std::vector<float> part(2 * msToFrames(300));
    EXPECT_EQ(renderer->read(part.data(), msToFrames(300)), msToFrames(300));
    renderer->rewind();
    const std::vector<float> third = renderAll(*renderer);
    EXPECT_EQ(frames(third), frames(first));
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 2 * msToFrames(500), third.begin()));
}

TEST(MidiRenderer, badFiles_failAsInvalidAndLoadNothing)
{
    TemporaryFolder folder;
    SoundFontCache cache; // shows that no soundfont is loaded for a file that is refused
    writeTune(folder);
    const std::string goodBytes = folder.read("tune.mid");
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& b : noise)
        b = static_cast<char>(random());
    // Writes a file of these bytes and gives its path.
    const auto file = [&](const std::string& name, const std::string& bytes) {
        folder.write(name, bytes);
        return folder / name;
    };

    // Missing files and folders never get here: the device registry refuses them first.
    for (const std::string& path :
         {file("empty.mid", {}), file("noise.mid", noise), file("header.mid", goodBytes.substr(0, 10)),
          file("cut.mid", goodBytes.substr(0, goodBytes.size() - 6))})
        EXPECT_EQ(MidiRenderer::open(path, cache).error(), unsigned(MCIERR_INVALID_FILE)) << path;
    EXPECT_EQ(cache.loadCount(), 0);
}

TEST(MidiRenderer, twoRenderersAtOnce_shareTheSoundFontSafely)
{
    // Both pieces change instruments every half second, so both synthesizers keep selecting
    // presets and starting voices on samples of the one shared soundfont.
    TemporaryFolder folder;
    SmfWriter w(480);
    const int t = w.addTrack();
    for (int i = 0; i < 8; ++i) {
        const std::uint32_t at = static_cast<std::uint32_t>(480 * i);
        w.programChange(t, at, 0, (i * 13) % 96);
        w.note(t, at, 360, 0, 55 + i, 100);
        w.note(t, at, 120, 9, i % 2 ? 38 : 36, 100);
    }
    const std::string path = folder / "changes.mid";
    ASSERT_TRUE(w.writeTo(path));
    auto a = openOrFail(path);
    auto b = openOrFail(path);
    ASSERT_TRUE(a && b);

    // They render at the same time on their own threads, as two decode-ahead threads would.
    std::vector<float> audioA, audioB;
    std::atomic<int> ready{0};
    auto renderOnCue = [&](MidiRenderer& renderer, std::vector<float>& out) {
        ++ready;
        while (ready.load() < 2)
            std::this_thread::yield();
        out = renderAll(renderer);
    };
    std::thread ta(renderOnCue, std::ref(*a), std::ref(audioA));
    std::thread tb(renderOnCue, std::ref(*b), std::ref(audioB));
    ta.join();
    tb.join();
    EXPECT_EQ(audioA, audioB);
    EXPECT_GE(frames(audioA), msToFrames(3750));
    for (int i = 0; i < 8; ++i)
        EXPECT_GT(rms(audioA, msToFrames(500 * i), msToFrames(500 * i + 250)), kAudible) << "beat " << i;

    // Closing one takes the soundfont off its synthesizer only: the other still plays.
    a.reset();
    b->rewind();
    const std::vector<float> replay = renderAll(*b);
    EXPECT_EQ(replay, audioB);
}

TEST(MidiRenderer, renderingMovesBetweenThreads)
{
    // A device's decode-ahead thread may be replaced between plays; the renderer goes along.
    TemporaryFolder folder;
    auto renderer = openOrFail(writeTune(folder));
    ASSERT_TRUE(renderer);
    std::vector<float> head(2 * msToFrames(500));
    std::thread([&] { renderer->read(head.data(), msToFrames(500)); }).join();
    std::vector<float> tail;
    std::thread([&] { tail = renderAll(*renderer); }).join();
    EXPECT_EQ(renderer->positionMs(), 500 + frames(tail) * 1000 / kRate);
    EXPECT_TRUE(renderer->ended());
    EXPECT_GT(rms(head, 0, msToFrames(250)), kAudible);
}
