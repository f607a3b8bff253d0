// Plays real files through the layer on SDL's disk driver and checks what came out.

#include "MediaFixture.h"
#include "SmfWriter.h"

#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace zuvelo::mci::test {
namespace {

// Room for the edges of a tone (one 10 ms window each side, encoder padding, resampler
// ramps) and the disk driver's 0.6 % speed-up.
constexpr double kLengthToleranceMs = 40.0;

// Half a second at 440 Hz, then half a second at 880 Hz: where playback resumes shows in the pitch.
constexpr const char* kTwoTones = "sine=frequency=440:duration=0.5[a];sine=frequency=880:duration=0.5[b];"
                                  "[a][b]concat=n=2:v=0:a=1[out0]";

class Playback : public MediaTest {
protected:
    std::string encodeTwoTones(const std::string& name, const std::string& extraArgs = "-ar 44100")
    {
        return encode(name, kTwoTones, extraArgs);
    }
};

struct FormatCase {
    const char* name;
    const char* extraArgs;
};

void PrintTo(const FormatCase& format, std::ostream* out)
{
    *out << format.name;
}

class EachFormat : public MediaTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EachFormat, playsTheToneToItsEndThenStopsByItself)
{
    const std::string path = encode(GetParam().name, "sine=frequency=440:duration=0.5", GetParam().extraArgs);
    const std::string device = quoted(path);
    const unsigned long long underrunsBefore = mciUnderrunCount();
    send("open " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_EQ(statusNumber(device, "position"), 0);
    // Before playing, the length is what the header says (an mp3's includes the encoder's padding).
    EXPECT_NEAR(statusNumber(device, "length"), 500, 60);

    send("play " + device);
    EXPECT_EQ(status(device, "mode"), "playing");
    ASSERT_TRUE(waitForMode(device, "stopped"));
    EXPECT_NEAR(statusNumber(device, "position"), 500, kLengthToleranceMs);
    EXPECT_EQ(statusNumber(device, "position"), statusNumber(device, "length"));
    EXPECT_GE(mciFirstSampleMicros(device.c_str()), 0);

    const Capture out = capture();
    const auto runs = out.soundRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(runs[0].ms(), 500, kLengthToleranceMs);
    EXPECT_NEAR(out.frequencyHz(runs[0].firstWindow + 2, runs[0].windows - 4), 440, 440 * 0.02);
    EXPECT_EQ(mciUnderrunCount(), underrunsBefore);
    send("close " + device);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EachFormat,
    ::testing::Values(FormatCase{"tone.wav", "-ar 44100"}, FormatCase{"tone.mp3", "-ar 44100"},
                      FormatCase{"tone.mp2", "-ar 48000"}, FormatCase{"tone.wma", "-ar 44100 -c:a wmav2"},
                      FormatCase{"tone-mono-22k.wav", "-ar 22050 -ac 1"},
                      // A cover picture of noise, bigger than the probe
                      // size, in the ID3 tag before the audio.
                      FormatCase{"tone-cover.mp3", "-f lavfi -i color=c=red:s=1200x1200:d=0.04,noise=alls=100:allf=t "
                                                   "-map 0:a -map 1:v -frames:v 1 -c:v mjpeg -q:v 1 "
                                                   "-disposition:v attached_pic -id3v2_version 3 -ar 44100"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (c == '.' || c == '-')
                c = '_';
        }
        return name;
    });

TEST_F(Playback, pause_isSilentAndPlayResumesWhereItPaused)
{
    const std::string device = quoted(encodeTwoTones("two.wav"));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 300));
    send("pause " + device);
    EXPECT_EQ(status(device, "mode"), "paused");
    const long pausedAt = statusNumber(device, "position");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(statusNumber(device, "position"), pausedAt);
    send("play " + device);
    EXPECT_EQ(status(device, "mode"), "playing");
    ASSERT_TRUE(waitForMode(device, "stopped"));

    const Capture out = capture();
    const auto runs = out.soundRuns();
    ASSERT_EQ(runs.size(), 2u);
    const double gapMs = double(runs[1].firstWindow - (runs[0].firstWindow + runs[0].windows)) * Capture::kWindowMs;
    // The output plays in 43 ms buffers, so the gap in it is the pause give or take a buffer or two.
    EXPECT_GE(gapMs, 200);
    // Nothing lost, nothing played twice; the second part starts at 440 Hz and turns to 880 Hz.
    EXPECT_NEAR(runs[0].ms() + runs[1].ms(), 1000, kLengthToleranceMs);
    EXPECT_NEAR(out.frequencyHz(runs[1].firstWindow + 1, 5), 440, 440 * 0.05);
    const std::size_t lastWindow = runs[1].firstWindow + runs[1].windows;
    EXPECT_NEAR(out.frequencyHz(lastWindow - 30, 25), 880, 880 * 0.02);
}

TEST_F(Playback, stopKeepsThePosition_andPlayContinuesFromThere)
{
    const std::string device = quoted(encodeTwoTones("two.mp3"));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 200));
    send("stop " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    const long stoppedAt = statusNumber(device, "position");
    EXPECT_GE(stoppedAt, 200);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));

    const Capture out = capture();
    const auto runs = out.soundRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(runs[0].ms(), stoppedAt, kLengthToleranceMs);
    EXPECT_NEAR(runs[0].ms() + runs[1].ms(), 1000, kLengthToleranceMs);
}

TEST_F(Playback, seekToStart_replaysFromTheBeginning)
{
    const std::string device = quoted(encodeTwoTones("two.wma", "-ar 44100 -c:a wmav2"));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 600)); // into the 880 Hz half
    send("seek " + device + " to start");
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_EQ(statusNumber(device, "position"), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));

    const Capture out = capture();
    const auto runs = out.soundRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_GE(runs[0].ms(), 600 - kLengthToleranceMs);
    EXPECT_NEAR(runs[1].ms(), 1000, kLengthToleranceMs);
    // The replay opens with the first half's 440 Hz, as the first play did (wma's encoder
    // trims a few ms of it), and turns to 880 Hz about half a second in.
    EXPECT_NEAR(out.frequencyHz(runs[0].firstWindow + 2, 40), 440, 440 * 0.02);
    EXPECT_NEAR(out.frequencyHz(runs[1].firstWindow + 2, 40), 440, 440 * 0.02);
    EXPECT_NEAR(out.frequencyHz(runs[1].firstWindow + 50, 40), 880, 880 * 0.02);
}

TEST_F(Playback, seekToStart_whilePaused_andAfterTheEnd)
{
    const std::string device = quoted(encode("short.wav", "sine=frequency=440:duration=0.3"));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 100));
    send("pause " + device);
    send("seek " + device + " to start");
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_EQ(statusNumber(device, "position"), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    EXPECT_NEAR(statusNumber(device, "position"), 300, kLengthToleranceMs);
    // play at the end: nothing to play, it stays stopped.
    send("play " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_NEAR(statusNumber(device, "position"), 300, kLengthToleranceMs);
    // "stopped" comes while the last 150 ms at most still sound; a seek would cut them.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));

    send("seek " + device + " to start");
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const auto runs = capture().soundRuns();
    // A part, then the whole tone twice; nothing between (the play at the end added no sound).
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_GE(runs[0].ms(), 100 - kLengthToleranceMs);
    EXPECT_NEAR(runs[1].ms(), 300, kLengthToleranceMs);
    EXPECT_NEAR(runs[2].ms(), 300, kLengthToleranceMs);
}

TEST_F(Playback, truncatedMp3_playsWhatItCanThenStops)
{
    const std::string path = encode("cut.mp3", "sine=frequency=440:duration=2");
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    const std::string device = quoted(path);
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    const long position = statusNumber(device, "position");
    EXPECT_GT(position, 800);
    EXPECT_LT(position, 1200);
    const auto runs = capture().soundRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(runs[0].ms(), position, kLengthToleranceMs);
}

TEST_F(Playback, mp3WithGarbageInTheMiddle_playsItsStartAndStops)
{
    const std::string path = encode("damaged.mp3", "sine=frequency=440:duration=2");
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(std::streamoff(std::filesystem::file_size(path) * 2 / 5));
        std::mt19937 generator(7);
        for (int i = 0; i < 6000; ++i)
            file.put(char(generator()));
    }
    const std::string device = quoted(path);
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    // Whether the decoder skips the damage or ends there, the start plays and nothing hangs.
    const Capture out = capture();
    EXPECT_GE(out.soundMs(), 700);
    EXPECT_LE(out.soundMs(), 2000 + kLengthToleranceMs);
    EXPECT_LE(statusNumber(device, "position"), 2000 + kLengthToleranceMs);
}

TEST_F(Playback, damagedFiles_neverDriveTheOutputPastFullScale_andFfmpegSaysOneLine)
{
    // A float wav with infinities, NaNs and samples far beyond full scale in it.
    const std::string wav = encode("damaged-float.wav", "sine=frequency=440:duration=0.5", "-c:a pcm_f32le");
    {
        std::fstream file(wav, std::ios::in | std::ios::out | std::ios::binary);
        const float bad[] = {INFINITY, -INFINITY, NAN, 1e30f, -7.5f, 3.0f};
        for (int i = 0; i < 600; ++i) {
            file.seekp(std::streamoff(200 + 64 * i));
            file.write(reinterpret_cast<const char*>(&bad[i % 6]), sizeof(float));
        }
    }
    // An mp3 with every 50th byte of its frames flipped.
    const std::string mp3 = encode("flipped.mp3", "sine=frequency=440:duration=1");
    {
        std::fstream file(mp3, std::ios::in | std::ios::out | std::ios::binary);
        for (std::streamoff at = 400; at < std::streamoff(std::filesystem::file_size(mp3)); at += 50) {
            file.seekg(at);
            const char byte = char(file.get() ^ 0xFF);
            file.seekp(at);
            file.put(byte);
        }
    }
    ASSERT_EQ(mciOpenSoundOutput(), 0u); // its driver's own start-up lines come before the capture
    for (const std::string& path : {wav, mp3}) {
        const std::string device = quoted(path);
        ::testing::internal::CaptureStderr();
        const bool opened = mciSendString(("open " + device).c_str(), nullptr, 0, nullptr) == 0;
        if (opened) {
            send("play " + device);
            EXPECT_TRUE(waitForMode(device, "stopped")) << path;
            send("close " + device);
        }
        const std::string said = ::testing::internal::GetCapturedStderr();
        // FFmpeg's complaints come through the layer: one line at most, naming the file.
        EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_TRUE(said.empty() || said.starts_with("mci: " + path + ": ")) << said;
    }
    const Capture out = capture();
    ASSERT_GT(out.frames(), 0u);
    for (float s : out.samples)
        ASSERT_TRUE(std::isfinite(s) && std::fabs(s) <= 1.0f) << s;
}

TEST_F(Playback, twoDevices_playTogetherIntoOneOutput)
{
    const std::string low = quoted(encode("low.wav", "sine=frequency=440:duration=0.4"));
    const std::string high = quoted(encode("high.mp3", "sine=frequency=1000:duration=0.4"));
    send("open " + low);
    send("open " + high);
    send("play " + low);
    send("play " + high);
    ASSERT_TRUE(waitForMode(low, "stopped"));
    ASSERT_TRUE(waitForMode(high, "stopped"));
    const Capture out = capture();
    const auto runs = out.soundRuns();
    ASSERT_GE(runs.size(), 1u);
    // Mixed, the two tones overlap: together they last less than one after the other would.
    double total = 0;
    for (const auto& run : runs)
        total += run.ms();
    EXPECT_LT(total, 700);
    EXPECT_GE(total, 400 - kLengthToleranceMs);
}

TEST_F(Playback, close_whilePlaying_freesTheNameForANewOpen)
{
    const std::string device = quoted(encode("tone.mp3", "sine=frequency=440:duration=1"));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 100));
    send("close " + device);
    char reply[255];
    EXPECT_EQ(mciSendString(("status " + device + " mode").c_str(), reply, sizeof reply, nullptr),
              unsigned(MCIERR_INVALID_DEVICE_NAME));
    // Once closed, the output falls silent.
    const Capture out = capture(200);
    ASSERT_FALSE(out.runs().empty());
    EXPECT_FALSE(out.runs().back().sound);
    send("open " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_EQ(statusNumber(device, "position"), 0);
}

// MIDI: our own tune written as a Standard MIDI File.

TEST_F(Playback, midiFile_soundsAndThenStops)
{
    SmfWriter tune;
    const int track = tune.addTrack();
    tune.programChange(track, 0, 0, 19);    // church organ: a steady sound while the key is down
    tune.note(track, 0, 240, 0, 69, 110);   // 0.25 s at 120 bpm
    tune.note(track, 240, 240, 0, 76, 110); // then another 0.25 s
    const std::string device = quoted(writeBytes("tune.mid", tune.bytes()));
    send("open " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    EXPECT_NEAR(statusNumber(device, "length"), 500, 5);
    send("play " + device);
    EXPECT_EQ(status(device, "mode"), "playing");
    ASSERT_TRUE(waitForMode(device, "stopped"));
    const long position = statusNumber(device, "position");
    EXPECT_GE(position, 500);
    EXPECT_LE(position, 1500);

    const auto runs = capture().soundRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GE(runs[0].ms(), 500 - kLengthToleranceMs);
    EXPECT_LE(runs[0].ms(), 1500 + kLengthToleranceMs);
}

TEST_F(Playback, midiNoteNeverReleased_endsAboutASecondAfterTheLastEvent)
{
    SmfWriter tune;
    const int track = tune.addTrack();
    tune.programChange(track, 0, 0, 19); // church organ: sounds for as long as the key is down
    tune.noteOn(track, 0, 0, 60, 110);
    tune.endOfTrack(track, 288); // 0.3 s; the note is never released
    const std::string device = quoted(writeBytes("held.midi", tune.bytes()));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    EXPECT_NEAR(statusNumber(device, "position"), 1300, 50);
    const auto runs = capture().soundRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(runs[0].ms(), 1300, 60);
}

TEST_F(Playback, midiStop_thenPlayContinuesWhereItStopped)
{
    SmfWriter tune;
    const int track = tune.addTrack();
    tune.programChange(track, 0, 0, 19);
    tune.note(track, 0, 960, 0, 60, 110); // one organ note of 1 s
    const std::string device = quoted(writeBytes("organ.mid", tune.bytes()));
    send("open " + device);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 400));
    send("stop " + device);
    const long stoppedAt = statusNumber(device, "position");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    send("play " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    const auto runs = capture().soundRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(runs[0].ms(), stoppedAt, kLengthToleranceMs);
    // The organ sounds for the note's second plus its short release; played twice from the
    // start it would sound for 1.4 s and more.
    EXPECT_GE(runs[0].ms() + runs[1].ms(), 1000 - kLengthToleranceMs);
    EXPECT_LE(runs[0].ms() + runs[1].ms(), 1300);
}

} // namespace
} // namespace zuvelo::mci::test
