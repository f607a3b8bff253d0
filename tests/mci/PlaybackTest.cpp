// Files played through the layer, what was heard compared sample for sample with their decoding.

#include "Media.h"
#include <numeric>

namespace zuvelo::mci::test {
namespace {

// The frames from the first sounding one on, or (allSilence) only the sounding ones: pauses taken out.
Samples heard(const Samples& s, bool allSilence = false)
{
    Samples out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        if (s[i] != 0 || s[i + 1] != 0 || (!allSilence && !out.empty()))
            out.insert(out.end(), {s[i], s[i + 1]});
    }
    return out;
}

// How many frames of b a plays as they are, from a's frame at on.
std::size_t framesAlike(const Samples& a, const Samples& b, std::size_t at = 0)
{
    std::size_t n = 0;
    while (2 * at + n < a.size() && n < b.size() && a[2 * at + n] == b[n])
        ++n;
    return n / 2;
}

// A violin note, its samples loaded as it plays, never released: the file's end at 250 ms.
const Bytes kHeld = smf({{0, 0xC0, 40, 0, 0x90, 67, 110, 48, 0xFF, 0x2F, 0}});

// Every format, played one after the other as the player plays a folder: each file opened ahead,
// the next played as soon as the last reports "stopped" by itself, and the last then closed. The
// recording is every file as decoded, laid end to end without a gap, never beyond full scale.
TEST_F(Media, everyFormatPlaysAsDecoded_eachFollowingTheLastWithoutAGap)
{
    // clang-format off
    const struct { std::string name, args; double seconds; long lengthMs; /* as the header tells it */ } rows[] = {
        {"a.wav", "-ar 44100", 0.3, 300}, {"b.mp3", "-ar 44100", 0.3, 339}, {"c.mp2", "-ar 48000", 0.3, 312},
        {"d.wma", "-ar 44100 -c:a wmav2", 0.3, 324}, {"mono-22k.wav", "-ar 22050 -ac 1", 2.5, 2500},
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
    EXPECT_NEAR(double(ends[6] - ends[5]), 1250 * 48, 128);
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
    EXPECT_NEAR(double(heard(played, true).size()), double(heard(expected, true).size()), 128) << "and no more";
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

} // namespace
} // namespace zuvelo::mci::test
