// MIDI files: the scan that decides what opens, and the soundfont they play with.

#include "Media.h"
#include "SoundFontFile.h"

namespace zuvelo::mci::test {
namespace {

std::optional<MidiFileSummary> scan(const Bytes& bytes)
{
    return scanStandardMidiFile(bytes.data(), bytes.size());
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
    const Bytes good = smf({{0, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0}}); // a quarter note
    // A quarter at 120 bpm, then 240 bpm for every track: a note of two quarters and the end two later.
    const Bytes multi = smf({{0x60, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90, 0, 0xFF, 0x2F, 0},
                             {0, 0x91, 48, 90, 0x81, 0x40, 0x81, 48, 0, 0x81, 0x40, 0xFF, 0x2F, 0}});
    Bytes foreign = smf({{0,    0x90, 60, 100,  0x10, 64,   100, // a note, another in running status
                          0,    0xF0, 3,  0x7E, 9,    0xF7, 0,   0xFF, 1,    2,    'h', 'i', // sysex, text
                          0x20, 0x80, 60, 0,    0,    64,   0,   0,    0xFF, 0x2F, 0}});
    foreign.insert(foreign.begin() + 14, {'X', 'y', 'z', 'w', 0, 0, 0, 2, 0xAB, 0xCD}); // a chunk to skip
    const struct {
        Bytes file;
        std::uint32_t lastTick;
        double lastMs;
    } accepted[] = {// clang-format off
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
        {"more tracks than chunks", with(11, 2)}, {"129 tracks", with(11, 129)}, {"SMPTE timing", with(12, 0xE7)},
        {"zero division", with(13, 0)}, {"track past the end", with(21, 0xFF)},
        {"data byte without a status", with(23, 0x3C)}, {"system common message", with(23, 0xF2)},
        {"end of track with data", with(good.size() - 1, 1)}, {"note cut in its data", smf({{0, 0x90, 60}})},
        {"tempo of zero", smf({{0, 0xFF, 0x51, 3, 0, 0, 0}})}, {"delta of 5 bytes", smf({{0x80, 0x80, 0x80, 0x80, 0}})},
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
