// The media layer's tests: files the ffmpeg command line makes and decodes, played through the
// layer on SDL's disk driver, and what was heard compared sample for sample with their decoding;
// commands and their replies as one script; the MIDI scan and the soundfont loader.

#include "MidiRenderer.h"
#include "ProgramRun.h"
#include "Recording.h"
#include "SoundFontFile.h"
#include "TemporaryFolder.h"
#include "mci/mci.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <numeric>
#include <random>
#include <sys/resource.h>
#include <thread>

namespace zuvelo::mci::test {
namespace {

using Samples = std::vector<float>; // interleaved stereo
using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;
namespace fs = std::filesystem;
using zuvelo::testing::eventually;
using zuvelo::testing::framesAlike;
using zuvelo::testing::heard;
using zuvelo::testing::readFloats;

// A Standard MIDI File of these tracks, at 96 ticks a quarter.
Bytes smf(const std::vector<Bytes>& tracks)
{
    Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, Byte(tracks.size() > 1), 0, Byte(tracks.size()), 0, 96};
    for (const Bytes& t : tracks) {
        const std::size_t n = t.size();
        file.insert(file.end(), {'M', 'T', 'r', 'k', Byte(n >> 24), Byte(n >> 16), Byte(n >> 8), Byte(n)});
        file.insert(file.end(), t.begin(), t.end());
    }
    return file;
}

class Media : public ::testing::Test {
protected:
    // The process's one recording, named before the output opens; a test hears what follows its start.
    void SetUp() override
    {
        static const zuvelo::testing::TemporaryFolder recordings;
        m_recording = recordings / "output.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_recording.c_str(), 1);
        m_start = recordedBytes();
        ++s_started;
    }
    static auto send(std::string s, char* r = nullptr, unsigned n = 0) { return mciSendString(s.data(), r, n, 0); }
    static std::string status(const std::string& device, const std::string& item)
    {
        char reply[64] = "";
        EXPECT_EQ(send("status " + device + " " + item, reply, sizeof reply), 0u) << device;
        return reply;
    }
    static long position(const std::string& device) { return std::atol(status(device, "position").c_str()); }
    std::string quoted(const std::string& name) const { return "\"" + m_folder / name + "\""; }
    void write(const std::string& name, const Bytes& b) const { m_folder.write(name, std::string(b.begin(), b.end())); }
    // A rising sweep of so many seconds, encoded in the format the name's extension picks: unlike a
    // steady tone, no stretch of it repeats another, so a skip shows.
    std::string encode(const std::string& name, double seconds, const std::string& args = "-ar 44100")
    {
        run("-f lavfi -i aevalsrc='0.2*sin(2*PI*(300+500*t)*t)':d=" + std::to_string(seconds) + " " + args, name);
        return m_folder / name;
    }
    // The file as the ffmpeg command line decodes it at the output's rate; MIDI as a renderer renders it.
    Samples decode(const std::string& name)
    {
        Samples midi(2 * 48000 * 5);
        if (const auto renderer = name.ends_with(".mid") ? MidiRenderer::open(m_folder / name).take() : nullptr)
            return midi.resize(2 * renderer->read(midi.data(), 48000 * 5)), midi;
        run("-i '" + m_folder / name + "' -f f32le -ac 2 -ar 48000 -rematrix_maxval 1", name + ".raw");
        return readFloats(m_folder / name + ".raw");
    }
    // What the output wrote since the test began, once it has written moreMs beyond now.
    Samples recording(double moreMs = 150)
    {
        const std::uintmax_t wanted = recordedBytes() + std::uintmax_t(moreMs * 48) * 8;
        EXPECT_TRUE(eventually([&] { return recordedBytes() >= wanted; })) << "the output stopped";
        return readFloats(m_recording, m_start);
    }

    zuvelo::testing::TemporaryFolder m_folder;
    static inline int s_started = 0; // tests begun in this process

private:
    void run(const std::string& args, const std::string& output) const
    {
        ASSERT_EQ(std::system(("ffmpeg -v error -nostdin -y " + args + " '" + m_folder / output + "'").c_str()), 0);
    }
    std::uintmax_t recordedBytes() const { return fs::exists(m_recording) ? fs::file_size(m_recording) / 8 * 8 : 0; }
    std::string m_recording;
    std::uintmax_t m_start = 0;
};

// A violin note, its samples loaded as it plays, never released: the file's end at 250 ms.
const Bytes kHeld = smf({{0, 0xC0, 40, 0, 0x90, 67, 110, 48, 0xFF, 0x2F, 0}});

// Every format, played one after the other as the player plays a folder: each file opened ahead,
// the next played as soon as the last reports "stopped" by itself, and the last then closed. The
// recording is every file as decoded, laid end to end without a gap, never beyond full scale.
TEST_F(Media, everyFormatPlaysAsDecoded_eachFollowingTheLastWithoutAGap)
{
    // clang-format off
    const struct { std::string name, args; double seconds; long lengthMs; /* as the header tells it */ } rows[] = {
        {"a.wav", "-ar 44100", 0.3, 300}, {"b.mp3", "-ar 44100", 0.3, 300}, {"c.mp2", "-ar 48000", 0.3, 312},
        {"d.wma", "-ar 44100 -c:a wmav2", 0.3, 324}, {"mono-22k.wav", "-ar 22050 -ac 1", 2.5, 2500},
        {"5.1.wav", "-ar 48000 -ac 6", 0.3, 300}, // folded into two channels without clipping
        // Every PCM width and float, plain and extensible (over 16 bits), at rates that need resampling;
        // and what goes on to FFmpeg: mu-law, ADPCM, RF64.
        {"u8.wav", "-ar 32000 -c:a pcm_u8", 0.3, 300}, {"s24.wav", "-ar 96000 -ac 2 -c:a pcm_s24le", 0.3, 300},
        {"s32.wav", "-ar 16000 -c:a pcm_s32le", 0.3, 300}, {"f64.wav", "-ar 48000 -ac 2 -c:a pcm_f64le", 0.2, 200},
        {"mulaw.wav", "-ar 8000 -c:a pcm_mulaw", 0.3, 300}, {"adpcm.wav", "-ar 44100 -c:a adpcm_ima_wav", 0.3, 323},
        {"rf64.wav", "-ar 48000 -rf64 always", 0.3, 300},
        // Longer than a device decodes ahead, the last wav refills; a float wav holds infinities, NaNs
        // and samples far beyond full scale.
        {"damaged.wav", "-ar 48000 -c:a pcm_f32le -af \"aeval='if(mod(n,64),40*val(0),if(mod(n,128),1/0,0/0))'\"",
         0.3, 300}, {"held.mid", "", 0, 250}};
    // clang-format on
    write("held.mid", kHeld);
    Samples all;
    std::vector<std::size_t> ends;
    for (const auto& [name, args, seconds, lengthMs] : rows) {
        const Samples file = decode(fs::exists(m_folder / name) ? name : (encode(name, seconds, args), name));
        all.insert(all.end(), file.begin(), file.end());
        ends.push_back(all.size() / 2);
        ASSERT_EQ(send("open " + quoted(name)), 0u) << name;
        EXPECT_EQ(status(quoted(name), "mode") + status(quoted(name), "length"), "stopped" + std::to_string(lengthMs));
    }
    // The held note sounds a second past the end, and is then cut.
    EXPECT_NEAR(double(ends.end()[-1] - ends.end()[-2]), 1250 * 48, 128);
    EXPECT_GT(std::inner_product(all.end() - 960, all.end(), all.end() - 960, 0.0), 0.01);
    for (float& s : all) // what reaches the speakers: silence for what is not a number, clipped to full scale
        s = std::isfinite(s) ? std::clamp(s, -1.0f, 1.0f) : 0.0f;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string device = quoted(rows[i].name);
        ASSERT_EQ(send("play " + device), 0u);
        ASSERT_TRUE(eventually([&] { return status(device, "mode") == "stopped"; }));
        // At the end, position and length are where the last frame is.
        EXPECT_NEAR(position(device), (ends[i] - (i ? ends[i - 1] : 0)) / 48, 2) << device;
        EXPECT_EQ(status(device, "length"), status(device, "position"));
        EXPECT_EQ(send("close " + device), 0u);
    }
    const Samples played = heard(recording()), expected = heard(all);
    const std::size_t alike = framesAlike(played, expected) + (all.size() - expected.size()) / 2;
    for (std::size_t i = 0; i < std::size(rows); ++i) // the MIDI file ends within a block of the renderer's
        EXPECT_GE(alike, ends[i] - (rows[i].args.empty() ? 64 : 0)) << rows[i].name;
    // (Counted above a whisper: where one decoder gives silence, another may give a millionth.)
    const auto sounding = [](const Samples& s) {
        return std::count_if(s.begin(), s.end(), [](float v) { return std::fabs(v) > 1e-3f; });
    };
    EXPECT_NEAR(double(sounding(played)), double(sounding(expected)), 256) << "and no more";
}

// Pause, stop, seek and close: what was heard, pauses taken out, is the file from its start up to
// the seek, then the whole file, then its start again until the close.
TEST_F(Media, pauseStopAndSeek_loseAndRepeatNothing_andCloseCutsAtOnce)
{
    encode("sweep.mp3", 0.6);
    write("held.mid", kHeld);
    for (const std::string name : {"sweep.mp3", "held.mid"}) {
        const std::string device = quoted(name);
        const Samples expected = heard(decode(name), true), before = heard(recording(0), true);
        ASSERT_EQ(send("open " + device), 0u);
        const auto playUntil = [&](long ms) {
            EXPECT_EQ(send("play " + device), 0u);
            EXPECT_TRUE(eventually([&] { return position(device) >= ms; }));
        };
        playUntil(150);
        for (const std::string pause : {"pause ", "stop "}) {
            EXPECT_EQ(send(pause + device), 0u);
            const long heldAt = position(device);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_EQ(position(device), heldAt) << pause << "holds at once";
            playUntil(heldAt + 150);
        }
        EXPECT_EQ(send("seek " + device + " to start"), 0u);
        playUntil(0);
        ASSERT_TRUE(eventually([&] { return status(device, "mode") == "stopped"; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // its last frames play: it has finished
        EXPECT_EQ(send("seek " + device + " to start"), 0u);
        playUntil(100);
        const long closedAt = position(device);
        EXPECT_EQ(send("close " + device), 0u);
        const Samples played = heard(recording(), true);
        std::vector<std::size_t> runs; // each the frames that play the file from its start
        for (std::size_t at = before.size() / 2; at < played.size() / 2 && (runs.empty() || runs.back());
             at += runs.back())
            runs.push_back(framesAlike(played, expected, at));
        ASSERT_EQ(runs.size(), 3u) << name;
        EXPECT_GE(runs[0], 450u * 48) << name;
        EXPECT_NEAR(double(runs[1]), double(expected.size() / 2), 64) << name;
        EXPECT_GE(runs[2], std::size_t(closedAt) * 48) << name;
        EXPECT_LE(runs[2], std::size_t(closedAt + 100) * 48) << name << " cut at the close, not played on";
    }
}

// A wav rewritten in place while it plays (a tag editor's way) ends where the change is noticed, as
// if it had ended there, rather than playing the new bytes at the old places: loud noise.
TEST_F(Media, aFileRewrittenWhilePlaying_endsThere)
{
    const std::string device = "\"" + encode("sweep.wav", 5) + "\"";
    ASSERT_EQ(send("open " + device) + send("play " + device), 0u);
    EXPECT_TRUE(eventually([&] { return position(device) >= 200; }));
    std::string noise(fs::file_size(m_folder / "sweep.wav") - 100, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(7));
    std::fstream(m_folder / "sweep.wav", std::ios::in | std::ios::out)
        .seekp(100)
        .write(noise.data(), long(noise.size()));
    ASSERT_TRUE(eventually([&] { return status(device, "mode") == "stopped"; }));
    EXPECT_LT(position(device), 3000) << "of 5000 ms";
    const Samples played = recording();
    EXPECT_LT(std::abs(*std::max_element(played.begin(), played.end(),
                                         [](float a, float b) { return std::abs(a) < std::abs(b); })),
              0.25f);
}

// mciplay plays a file to its end in a process of its own, where the output opens afresh: without
// a sound device (the driver does not start, or the device does not open) it falls back to SDL's
// dummy driver, says so once, and plays on.
TEST_F(Media, withoutASoundDevice_theOutputFallsBackToTheDummyDriver)
{
    const std::string disk = "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=", said = " >" + m_folder / "said" + " 2>&1";
    encode("a.wav", 0.2);
    for (const std::string& driver : {std::string("SDL_AUDIODRIVER=none"), disk + m_folder / "no/x"}) {
        EXPECT_EQ(std::system((driver + " " MCIPLAY " --first-sample " + quoted("a.wav") + said).c_str()), 0);
        const std::string text = m_folder.read("said"), line = "using SDL's dummy audio driver";
        EXPECT_TRUE(text.find("driver dummy") != text.npos && text.find(line) != text.npos &&
                    text.find(line) == text.rfind(line))
            << text;
    }
    // --warm-output opens the output before the file: it records though the file is not there.
    const int warm = std::system((disk + m_folder / "warm.raw " MCIPLAY " --warm-output none" + said).c_str());
    EXPECT_TRUE(warm != 0 && fs::exists(m_folder / "warm.raw"));
}

// Where a sound server answers and no SDL driver is named, the output is a stream of the server's
// own: a file is heard whole in a private server's null sink, though paused and played on midway
// (what the server held at the pause is kept for it). When the server goes away while a file
// plays, the file still plays to its end (in silence), as on SDL's drivers.
TEST_F(Media, intoASoundServer_aFileIsHeardThere_andPlaysOnWhenTheServerGoes)
{
    const std::string dir = m_folder / "", env = "PULSE_SERVER=unix:" + dir + "s SDL_AUDIODRIVER= ";
    const std::string play = env + MCIPLAY " --first-sample --pause " + quoted("a.wav") + " >" + dir + "said 2>&1";
    const auto startServer = [&] { // a private server, gone within a minute whatever happens here
        const std::string server = "HOME=" + dir + " XDG_RUNTIME_DIR=" + dir + " timeout 60 pulseaudio -n " +
                                   "--daemonize=no --exit-idle-time=-1 --use-pid-file=no -L 'module-null-sink " +
                                   "sink_name=n' -L 'module-native-protocol-unix socket=" + dir +
                                   "s auth-anonymous=1' >/dev/null 2>&1";
        fs::remove(dir + "s");
        ASSERT_EQ(std::system((server + " & echo $! >" + dir + "server").c_str()), 0);
        ASSERT_TRUE(eventually([&] { return fs::exists(dir + "s"); }));
    };
    encode("a.wav", 1.0);
    startServer();
    const std::string record = env + "parec --raw --format=float32le --rate=48000 -d n.monitor >" + dir + "heard";
    ASSERT_EQ(std::system((record + " & echo $! >" + dir + "recorder; sleep 0.3").c_str()), 0);
    EXPECT_EQ(std::system(play.c_str()), 0);
    EXPECT_NE(m_folder.read("said").find("driver libpulse"), std::string::npos) << m_folder.read("said");
    std::system(("kill $(cat " + dir + "recorder " + dir + "server)").c_str());
    const Samples heard = readFloats(dir + "heard");
    const auto sounding = std::count_if(heard.begin(), heard.end(), [](float v) { return std::abs(v) > 1e-3f; });
    EXPECT_TRUE(sounding > 0.97 * 2 * 48000 && sounding <= 2 * 48000) << sounding;

    startServer();
    EXPECT_EQ(std::system(("(sleep 0.3; kill $(cat " + dir + "server)) & timeout 30 env " + play).c_str()), 0);
    EXPECT_NE(m_folder.read("said").find("server has gone"), std::string::npos) << m_folder.read("said");
}

// FFmpeg (and all it pulls in) is mapped at the first file that needs it, not by a MIDI file. Where
// it cannot be loaded, such a file is refused as one that does not decode, with one line that says why.
TEST_F(Media, ffmpegIsLoadedByTheFirstFileThatNeedsIt_andWithoutItThatFileIsRefused)
{
    const auto mapped = [] { // the soname of the libavformat this process maps, or ""
        std::ifstream maps("/proc/self/maps");
        for (std::string line; std::getline(maps, line);) {
            if (const auto at = line.find("/libavformat.so."); at != line.npos)
                return line.substr(at + 1, line.find('.', at + 16) - at - 1);
        }
        return std::string();
    };
    if (s_started > 1 && !mapped().empty()) // under ctest, each test is the first of its process
        GTEST_SKIP() << "an earlier test of this process loaded FFmpeg";
    write("held.mid", kHeld);
    const std::string midi = quoted("held.mid"), wma = quoted("a.wma");
    EXPECT_EQ(send("open " + midi) + send("play " + midi) + send("close " + midi), 0u);
    EXPECT_EQ(mapped(), "");
    encode("a.wma", 0.2);
    EXPECT_EQ(send("open " + wma) + send("close " + wma), 0u);
    ASSERT_NE(mapped(), "");

    m_folder.write(mapped()); // an empty file by that name, which the loader refuses
    const std::string said = m_folder / "said", broken = "LD_LIBRARY_PATH=" + m_folder / "" + " ";
    EXPECT_EQ(WEXITSTATUS(std::system((broken + MCIPLAY " " + wma + " >" + said + " 2>&1").c_str())), 2);
    const std::string text = m_folder.read("said"), line = "FFmpeg could not be loaded";
    EXPECT_TRUE(text.find(line) != text.npos && text.find("failed with 277") != text.npos) << text;
}

// A device gives back all it took when it is closed: over a day of tracks the memory of each would
// add up. Counted on the heap of the thread that opens and closes.
TEST_F(Media, openAndCloseKeepNoMemory)
{
    const std::string device = "\"" + encode("sweep.mp3", 0.3) + "\"";
    const auto cycles = [&](int n) {
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(send("open " + device) + send("close " + device), 0u);
        return mallinfo2().uordblks;
    };
    const std::size_t settled = cycles(20);
    EXPECT_LT(double(cycles(200)) - double(settled), 1 << 20) << "bytes kept by 200 devices";
}

// What open refuses, leaving nothing open; then one device through a script: each row a command ("@"
// the device's quoted name, "~" the same file spelled otherwise), its error, its reply, and the reply
// buffer's size (-1: none, said to be 255).
TEST_F(Media, openRefusesWhatItCannotPlay_andADeviceAnswersEachCommandWithItsErrorAndReply)
{
    std::string noise(65536, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(7));
    for (const std::string ext : {"wav", "mid", "mp3"})
        m_folder.makeFolder("folder." + ext);
    for (const std::string ext : {"wav", "midi", "mp3", "wma", "mp2"}) {
        m_folder.write("empty." + ext);
        m_folder.write("noise." + ext, noise);
    }
    // A header claiming a billion samples a second: a resampler for it would take seconds to make.
    std::fstream(encode("huge-rate.wav", 0.3), std::ios::in | std::ios::out).seekp(24).write("\x40\x1F\0\x50", 4);
    // A float wav with its header zeroed "is" AMR to FFmpeg's probe, and decodes to loud noise.
    std::fstream(encode("headless.wav", 0.3, "-c:a pcm_f64le"), std::ios::in | std::ios::out)
        .write(std::string(64, 0).data(), 64);
    // An INFO list claiming 4 GB, whose first text claims 2 GB: FFmpeg would take it all to refuse it.
    encode("huge-info.wav", 0.3);
    std::string info = m_folder.read("huge-info.wav");
    info.replace(info.find("LIST") + 4, 4, std::string("\x1A\0\0\xFF", 4));
    info.replace(info.find("ISFT") + 4, 4, std::string("\0\xFF\xFF\x7F", 4));
    m_folder.write("huge-info.wav", info);
    encode("wave.mp3", 0.3, "-f wav");
    encode("mpeg.wma", 0.3, "-f mp3");
    // clang-format off
    const std::pair<std::string, unsigned long> rows[] = {
        {"missing.mp3", MCIERR_FILE_NOT_FOUND}, {"missing.wav", MCIERR_FILE_NOT_FOUND}, {"folder.mp3", MCIERR_INTERNAL},
        {"missing.mid", MCIERR_FILE_NOT_FOUND}, {"folder.wav", MCIERR_INVALID_FILE}, {"empty.mp3", MCIERR_INTERNAL},
        {"folder.mid", MCIERR_INVALID_FILE}, {"empty.wav", MCIERR_INVALID_FILE}, {"empty.wma", MCIERR_INTERNAL},
        {"empty.midi", MCIERR_INVALID_FILE}, {"noise.wav", MCIERR_INVALID_FILE}, {"noise.mp3", MCIERR_INTERNAL},
        {"noise.midi", MCIERR_INVALID_FILE}, {"noise.mp2", MCIERR_INTERNAL}, {"noise.wma", MCIERR_INTERNAL},
        {"huge-rate.wav", MCIERR_INVALID_FILE}, {"headless.wav", MCIERR_INVALID_FILE}, {"huge-info.wav", MCIERR_INVALID_FILE},
        {"wave.mp3", MCIERR_INTERNAL}, {"mpeg.wma", MCIERR_INTERNAL}};
    // clang-format on
    const auto peakKb = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long peakBefore = peakKb();
    ::testing::internal::CaptureStderr();
    for (const auto& [name, error] : rows) {
        EXPECT_EQ(send("open " + quoted(name)), error) << name;
        EXPECT_EQ(send("close " + quoted(name)), error ? MCIERR_INVALID_DEVICE_NAME : 0) << name;
    }
    EXPECT_LT(peakKb() - peakBefore, 256 << 10) << "KB more at the peak, for files refused";
    const std::string said = "\n" + ::testing::internal::GetCapturedStderr(); // FFmpeg's complaints, as the layer's
    EXPECT_EQ(said.find("\n["), said.npos) << said;
    for (const auto& [name, error] : rows) { // one line each, saying why
        const std::size_t line = said.find("\nmci: " + m_folder / name + ": not played: ");
        EXPECT_TRUE(line != said.npos && said.find("/" + name + ":", said.find('\n', line + 1)) == said.npos)
            << name << said;
    }
    const std::size_t infoLine = said.find("huge-info.wav: not played: "); // with FFmpeg's words for it
    EXPECT_TRUE(infoLine != said.npos && said.find("INFO", infoLine) < said.find('\n', infoLine)) << said;

    encode("曲 \"名\" 1.wav", 0.5); // the name runs from the first quote to the last
    // clang-format off
    const struct { std::string command; unsigned long error; std::string reply = ""; int size = 16; } script[] = {
        {"play @", MCIERR_INVALID_DEVICE_NAME}, {"Open @", 0}, {"open @", MCIERR_DEVICE_OPEN},
        {"status @ mode", 0, "stopped", 8}, {"status @ mode", MCIERR_PARAM_OVERFLOW, "", 7},
        {"status @ mode", 0, "", -1}, {"status @ mode", 0, "", 0}, {"STATUS\t@ MoDe\r\n", 0, "stopped"},
        {"status ~ mode", MCIERR_INVALID_DEVICE_NAME}, {"status @ length", 0, "500"},
        {"pause @", MCIERR_NONAPPLICABLE_FUNCTION}, {"resume @", MCIERR_NONAPPLICABLE_FUNCTION},
        {"PLAY\t@\r\n", 0}, {"status @ mode", 0, "playing"}, {"open @", MCIERR_DEVICE_OPEN},
        {"status @ mode", 0, "playing"}, {"pause @", 0}, {"pause @", MCIERR_NONAPPLICABLE_FUNCTION},
        {"status @ mode", 0, "paused"}, {"resume @", 0}, {"status @ mode", 0, "playing"}, {"stop\n@", 0},
        {"resume @", MCIERR_NONAPPLICABLE_FUNCTION}, {"status @ mode", 0, "stopped"},
        {"  sEEk   @   TO   Start  ", 0}, {"status @ position", 0, "0"},
        {"", MCIERR_MISSING_COMMAND_STRING}, {" \t\r\n", MCIERR_MISSING_COMMAND_STRING},
        {"bogus @", MCIERR_UNRECOGNIZED_COMMAND}, {"opens @", MCIERR_UNRECOGNIZED_COMMAND},
        {"play", MCIERR_MISSING_DEVICE_NAME}, {"play  \r\n", MCIERR_MISSING_DEVICE_NAME},
        {"play \"\"", MCIERR_MISSING_DEVICE_NAME}, {"status \"x mode", MCIERR_NO_CLOSING_QUOTE},
        {"status @", MCIERR_MISSING_PARAMETER}, {"status @ volume", MCIERR_UNRECOGNIZED_KEYWORD},
        {"status @ mode position", MCIERR_UNRECOGNIZED_KEYWORD}, {"seek @", MCIERR_MISSING_PARAMETER},
        {"seek @ to", MCIERR_MISSING_PARAMETER}, {"seek @ to end", MCIERR_UNRECOGNIZED_KEYWORD},
        {"seek @ to start to start", MCIERR_UNRECOGNIZED_KEYWORD}, {"play @ mode", MCIERR_UNRECOGNIZED_KEYWORD},
        {"close @ to start", MCIERR_UNRECOGNIZED_KEYWORD}, {"close @", 0},
        {"close @", MCIERR_INVALID_DEVICE_NAME}, {"status @ mode", MCIERR_INVALID_DEVICE_NAME}};
    // clang-format on
    for (const auto& row : script) {
        std::string command = row.command;
        if (const std::size_t at = command.find_first_of("@~"); at != std::string::npos)
            command.replace(at, 1, quoted(command[at] == '@' ? "曲 \"名\" 1.wav" : "曲 \"名\" 1.WAV"));
        SCOPED_TRACE(command + " into " + std::to_string(row.size));
        char reply[16] = "xxxxxxxxxxxxxxx", text[128] = "", cut[6] = "";
        EXPECT_EQ(send(command, row.size < 0 ? nullptr : reply, row.size < 0 ? 255 : row.size), row.error);
        // The reply and its NUL, and nothing written beyond; a sentence for the error.
        const std::string written = row.size > 0 ? row.reply + '\0' : "";
        EXPECT_EQ(std::string(reply, 15), (written + std::string(15, 'x')).substr(0, 15));
        EXPECT_TRUE(mciGetErrorString(row.error, text, sizeof text) && mciGetErrorString(row.error, cut, sizeof cut));
        EXPECT_GT(std::strlen(text), 20u);
        EXPECT_EQ(cut, std::string(text).substr(0, 5)) << "cut to the buffer";
    }
    EXPECT_EQ(mciSendString(nullptr, nullptr, 0, nullptr), unsigned(MCIERR_MISSING_COMMAND_STRING));
    char unknown[4] = "x"; // a code the layer does not know: false, and no text
    EXPECT_TRUE(!mciGetErrorString(12345, unknown, sizeof unknown) && *unknown == '\0');
}

// Shapes real files take. Each opens and tells its length within 1 %, a MIDI file plays at its
// speed (a held note, cut a second after the last event), and a cover picture is never read.
TEST_F(Media, realWorldShapes_playAndTellTheirLength)
{
    const auto syncsafe = [](std::size_t n) {
        return std::string{char(n >> 21 & 127), char(n >> 14 & 127), char(n >> 7 & 127), char(n & 127)};
    };
    const std::string apic = std::string("\0image/png\0\3\0", 13) + std::string(20 << 20, 'p');
    const std::string frame = "APIC" + syncsafe(apic.size()) + std::string(2, 0) + apic;
    const std::string id3 =
        std::string("ID3\4\0\x10", 6) + syncsafe(frame.size()); // with a footer, before FFmpeg's own
    m_folder.write("cover.mp3", id3 + frame + "3DI" + id3.substr(3) + (encode("c.mp3", 10), m_folder.read("c.mp3")));
    std::string wav = (encode("stream.wav", 1), m_folder.read("stream.wav")); // as a recorder that streams leaves it
    m_folder.write("stream.wav",
                   wav.replace(wav.find("data") + 4, 4, "\xFF\xFF\xFF\xFF").replace(4, 4, "\xFF\xFF\xFF\xFF"));
    encode("vbr.mp3", 6, "-ar 44100 -q:a 4 -write_xing 0 -af volume='if(lt(t\\,3)\\,0.01\\,1)':eval=frame");
    Bytes held{0, 0xFF, 0x51, 3, 0, 0, 1, 0, 0x90, 60, 100}; // a microsecond tempo, ignored by SMPTE timing
    held.insert(held.end(), {0x87, 0x68, 0xFF, 0x2F, 0});    // the end 1000 ticks later
    for (Bytes smpte : {smf({held}), smf({held, held})}) {
        // 25 frames of 12 ticks a second; 29.97 frames (as 30, each quarter 1.001 s) of 10
        smpte[12] = smpte[9] == 0 ? 0xE7 : 0xE3, smpte[13] = smpte[9] == 0 ? 12 : 10;
        write("smpte" + std::to_string(smpte[9]) + ".mid", smpte);
    }
    Bytes dense{0, 0xFF, 0x51, 3, 1, 0x19, 0x40, 0, 0x90, 60, 100}; // 0.75 ms a tick, 32 events each, the note held
    for (int tick = 0; tick < 1333; ++tick)
        for (Byte channel = 0; channel < 16; ++channel)
            dense.insert(dense.end(), {Byte(channel ? 0 : 1), Byte(0xB0 + channel), 1, Byte(tick % 128), 0,
                                       Byte(0xE0 + channel), 0, Byte(tick % 128)});
    write("dense.mid", smf({dense}));
    Bytes riff = smf({{0, 0xC0, 40, 0, 0x90, 67, 110, 48, 0xFF, 0x2F, 0}});
    riff.insert(riff.begin(), {'R', 'I', 'F', 'F', Byte(riff.size() + 12), 0, 0, 0, 'R', 'M', 'I', 'D',
                               'd', 'a', 't', 'a', Byte(riff.size()),      0, 0, 0});
    write("riff.mid", riff);
    Bytes loud; // 64 notes of an organ struck at once at full velocity on every channel, and held
    for (Byte key = 0; key < 64; ++key)
        loud.insert(loud.end(), {0, Byte(0xC0 + key % 16), 19, 0, Byte(0x90 + key % 16), Byte(40 + key), 127});
    loud.insert(loud.end(), {0x60, 0xFF, 0x2F, 0});
    write("loud.mid", smf({loud}));
    m_folder.write("junk.mp3", std::string(3000, '\0') + m_folder.read("c.mp3")); // zeros before the first frame
    const std::string cut = (encode("cut.wav", 2), m_folder.read("cut.wav"));     // a copy cut short: its data's half
    m_folder.write("cut.wav", cut.substr(0, cut.size() - (cut.size() - cut.find("data") - 8) / 2));
    const std::pair<std::string, long> rows[] = {
        {"cover.mp3", 10000}, {"stream.wav", 1000}, {"vbr.mp3", 6000}, {"cut.wav", 1000},   {"junk.mp3", 10000},
        {"smpte0.mid", 3333}, {"smpte1.mid", 3337}, {"riff.mid", 250}, {"dense.mid", 1000}, {"loud.mid", 500}};
    const auto bytesRead = [] {
        std::ifstream io("/proc/self/io");
        std::string key;
        long n = 0;
        io >> key >> n;
        return n;
    };
    for (const auto& [name, lengthMs] : rows) {
        const long before = bytesRead();
        EXPECT_EQ(send("open " + quoted(name)), 0u) << name;
        EXPECT_TRUE(name.ends_with(".mid") || bytesRead() - before < 4 << 20) << name; // (MIDI loads the soundfont)
        char length[16] = ""; // the length within 1 %, once the file has been looked through
        EXPECT_TRUE(eventually(
            [&] {
                return !send("status " + quoted(name) + " length", length, 16) &&
                       std::abs(std::atol(length) - lengthMs) <= lengthMs / 100;
            },
            std::chrono::seconds(5)))
            << name << " " << length;
        const Samples midi = name.ends_with(".mid") ? decode(name) : Samples((lengthMs + 1000) * 96);
        EXPECT_NEAR(double(midi.size() / 2), (lengthMs + 1000) * 48.0, 128) << name;
        const auto loudest = [](float peak, float s) { return std::max(peak, std::fabs(s)); };
        EXPECT_LT(std::accumulate(midi.begin(), midi.end(), 0.0f, loudest), 1.0f) << name << " reached full scale";
        EXPECT_EQ(send("close " + quoted(name)), 0u);
    }
}

// count events: a tempo of us a quarter, then notes in running status deltaTicks apart, and the end.
Bytes manyEvents(std::size_t count, Byte deltaTicks, std::uint32_t us)
{
    Bytes track{0, 0xFF, 0x51, 3, Byte(us >> 16), Byte(us >> 8), Byte(us), 0, 0x90, 60, 100};
    for (std::size_t i = 3; i < count; ++i)
        track.insert(track.end(), {deltaTicks, 60, Byte(i % 2 ? 0 : 100)});
    track.insert(track.end(), {0, 0xFF, 0x2F, 0});
    return smf({track});
}

TEST(MidiFileScan, readsWhatThePlayerReads_andRefusesTheRest)
{
    const auto scan = [](const Bytes& file) { return scanStandardMidiFile(file.data(), file.size()); };
    const Bytes good = smf({{0, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0}}); // a quarter note
    // A quarter at 120 bpm, then 240 bpm for every track: a note of two quarters and the end two later.
    const Bytes multi = smf({{0x60, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90, 0, 0xFF, 0x2F, 0},
                             {0, 0x91, 48, 90, 0x81, 0x40, 0x81, 48, 0, 0x81, 0x40, 0xFF, 0x2F, 0}});
    Bytes foreign = smf({{0,    0x90, 60, 100,  0x10, 64,   100, // a note, another in running status
                          0,    0xF0, 3,  0x7E, 9,    0xF7, 0,   0xFF, 1,    2,    'h', 'i', // sysex, text
                          0x20, 0x80, 60, 0,    0,    64,   0,   0,    0xFF, 0x2F, 0}});
    foreign.insert(foreign.begin() + 14, {'X', 'y', 'z', 'w', 0, 0, 0, 2, 0xAB, 0xCD}); // a chunk to skip
    // clang-format off
    const struct { Bytes file; std::uint32_t lastTick; double lastMs; } accepted[] = {
        {good, 96, 500}, {multi, 384, 500 + 750}, {foreign, 0x30, 250},
        {manyEvents(kMaxMidiEvents, 1, 500000), kMaxMidiEvents - 3, (kMaxMidiEvents - 3) * 500.0 / 96},
        {manyEvents(kMaxMidiEventsPerWindow, 0, 500000), 0, 0}};
    // clang-format on
    for (const auto& row : accepted) {
        const auto summary = scan(row.file);
        ASSERT_TRUE(summary) << row.lastTick;
        EXPECT_EQ(summary->lastEventTick, row.lastTick);
        EXPECT_DOUBLE_EQ(summary->lastEventMs, row.lastMs);
    }
    // clang-format off
    const auto with = [&](std::size_t at, Byte value) { Bytes f = good; f.at(at) = value; return f; };
    const std::pair<const char*, Bytes> refused[] = {
        {"empty", {}}, {"header cut short", Bytes(good.begin(), good.begin() + 12)},
        {"cut inside a track", Bytes(good.begin(), good.end() - 5)}, {"not MThd", with(0, 'R')},
        {"header length 5", with(7, 5)}, {"format 3", with(9, 3)}, {"no tracks", with(11, 0)},
        {"more tracks than chunks", with(11, 2)}, {"129 tracks", with(11, 129)}, {"SMPTE at 27 frames", with(12, 0xE5)},
        {"zero division", with(13, 0)}, {"track past the end", with(21, 0xFF)},
        {"data byte without a status", with(23, 0x3C)}, {"system common message", with(23, 0xF2)},
        {"end of track with data", with(good.size() - 1, 1)}, {"note cut in its data", smf({{0, 0x90, 60}})},
        {"tempo of zero", smf({{0, 0xFF, 0x51, 3, 0, 0, 0}})}, {"delta of 5 bytes", smf({{0x80, 0x80, 0x80, 0x80, 0}})},
        {"text cut short", smf({{0, 0xFF, 1, 5, 'a'}})},
        {"an event too many", manyEvents(kMaxMidiEvents + 1, 1, 500000)},
        {"too many at one moment", manyEvents(kMaxMidiEventsPerWindow + 1, 0, 500000)},
        // A tick apart in the file, but squeezed together by a quarter note of a microsecond.
        {"a microsecond tempo", manyEvents(2 * kMaxMidiEventsPerWindow, 1, 1)}};
    // clang-format on
    for (const auto& [what, file] : refused)
        EXPECT_FALSE(scan(file)) << what;
    // Only the whole file is complete, and no corruption reads outside the data (the sanitizer's part).
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(scan(Bytes(good.begin(), good.begin() + long(n)))) << n;
    for (std::size_t i = 0; i < good.size() * 4; ++i)
        (void)scan(with(i / 4, Byte(i % 4 * 0x55)));
}

// The first sf2 beside the program by name, else the system's; a copy of it deleted or truncated
// while a piece plays, which then reaches an instrument whose samples were never read; one cut short.
TEST_F(Media, soundFont_chosenBesideTheProgram_survivesDeletionMidPiece_andABrokenOneGivesWayToTheDefault)
{
    zuvelo::testing::TemporaryFolder fonts;
    const std::string system = chooseSoundFontFile("");
    ASSERT_FALSE(system.empty()) << "no General MIDI soundfont installed";
    m_folder.makeFolder("a.sf2");
    for (const char* name : {"a.txt", "c.sf2", "b.SF2", "d.sf2"})
        m_folder.write(name, "x");
    EXPECT_EQ(chooseSoundFontFile(m_folder.path()), m_folder / "b.SF2");
    // A piano note, then two seconds in a violin for a second.
    write("late-violin.mid", smf({{0,    0x90, 60,  100,  48,   0x80, 60, 0, 0x82, 0x50, 0xC0, 40, 0,
                                   0x90, 67,   100, 0x81, 0x40, 0x80, 67, 0, 0,    0xFF, 0x2F, 0}}));
    for (const bool truncate : {false, true}) {
        fs::copy_file(system, fonts / "gm.sf2");
        SoundFontCache soundFonts;
        soundFonts.setFolder(fonts.path());
        ::testing::internal::CaptureStderr();
        const auto renderer = MidiRenderer::open(m_folder / "late-violin.mid", soundFonts).take();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "nothing to say when it loads";
        ASSERT_TRUE(renderer);
        EXPECT_EQ(soundFonts.loadedPath(), fonts / "gm.sf2");
        std::vector<float> audio(2 * 48000 * 4);
        ASSERT_EQ(renderer->read(audio.data(), 24000), 24000u);
        // A piano note at velocity 100 about as loud as other music: its first half second.
        EXPECT_GT(std::sqrt(std::inner_product(audio.begin(), audio.begin() + 48000, audio.begin(), 0.0) / 48000),
                  0.03);
        if (truncate)
            fs::resize_file(fonts / "gm.sf2", 4096);
        fs::remove(fonts / "gm.sf2");
        renderer->read(audio.data() + 48000, 48000 * 3 - 24000);
        float violin = 0; // the loudest of its second, when the piano has long died away
        for (std::size_t i = 2 * 48000 * 2; i < audio.size(); ++i)
            violin = std::isfinite(audio[i]) ? std::max(violin, std::fabs(audio[i])) : INFINITY;
        // Deleted, the file is still read through the descriptor kept open: the violin sounds.
        // Truncated, its samples are gone: silence.
        EXPECT_TRUE(truncate ? violin < 0.01f : violin > 0.01f && violin < 1.5f) << violin << " truncated " << truncate;
    }

    // Cut short by a copy, or a structure too big for any soundfont, SoundFontFile refuses it; with
    // its chunks in place but none a soundfont's, FluidSynth does.
    const auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    constexpr std::uint32_t kHuge = 65u << 20;
    std::string head(100000, '\0');
    std::ifstream(system, std::ios::binary).read(head.data(), long(head.size()));
    fonts.write("cut.sf2", head);
    m_folder.write("huge.sf2", "RIFF" + u32(kHuge + 12) + "sfbkLIST" + u32(kHuge) + "INFO");
    fs::resize_file(m_folder / "huge.sf2", kHuge + 20);
    for (const std::string& path : {fonts / "cut.sf2", m_folder / "huge.sf2", m_folder / "none.sf2"})
        EXPECT_FALSE(SoundFontFile::open(path)) << path;
    fonts.write("bad.sf2", "RIFF" + u32(12) + "sfbkjunk" + u32(0)); // chosen before cut.sf2
    SoundFontCache soundFonts;
    soundFonts.setFolder(fonts.path());
    ::testing::internal::CaptureStderr();
    const bool opened = MidiRenderer::open(m_folder / "late-violin.mid", soundFonts).take() &&
                        MidiRenderer::open(m_folder / "late-violin.mid", soundFonts).take();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(opened ? soundFonts.loadedPath() : "not opened", system);
    EXPECT_EQ(soundFonts.loadCount(), 1);
    // One line naming both files, and nothing from the synthesizer's own log.
    EXPECT_TRUE(std::count(said.begin(), said.end(), '\n') == 1 && said.find(fonts / "bad.sf2") != said.npos &&
                said.find(system) != said.npos)
        << said;
}

} // namespace
} // namespace zuvelo::mci::test
