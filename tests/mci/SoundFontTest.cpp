#include "MidiRenderer.h"
#include "TemporaryFolder.h"
#include "SmfWriter.h"
#include "SoundFont.h"

#include "mci/mci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

using namespace zuvelo::mci;
using zuvelo::SmfWriter;
using zuvelo::testing::TemporaryFolder;

namespace {

std::string realSoundFont()
{
    return std::filesystem::exists(kDefaultSoundFont) ? kDefaultSoundFont : kFallbackSoundFont;
}

std::string writeShortTune(const TemporaryFolder& folder)
{
    SmfWriter w;
    w.addTrack();
    w.note(0, 0, 240, 0, 60, 100);
    const std::string path = folder / "tune.mid";
    w.writeTo(path);
    return path;
}

} // namespace

TEST(SoundFontChoice, firstSf2ByName_thenTheSystemDefault)
{
    TemporaryFolder folder;
    // Without a soundfont in the folder (or without the folder) the system's default is used.
    const std::string fallback = chooseSoundFontFile("");
    ASSERT_FALSE(fallback.empty()) << "the General MIDI soundfont package is not installed";
    EXPECT_TRUE(fallback == kDefaultSoundFont || fallback == kFallbackSoundFont);
    EXPECT_EQ(chooseSoundFontFile(folder.path()), fallback);
    EXPECT_EQ(chooseSoundFontFile(folder / "missing"), fallback);

    // Other files and a folder named like a soundfont do not count; any letter case does.
    folder.write("0.txt", {1});
    std::filesystem::create_directory(folder / "1.sf2");
    EXPECT_EQ(chooseSoundFontFile(folder.path()), fallback);
    folder.write("c.sf2", {1});
    folder.write("b.SF2", {1});
    folder.write("d.sf2", {1});
    EXPECT_EQ(chooseSoundFontFile(folder.path()), folder / "b.SF2");
}

TEST(SoundFontCache, folderSoundFont_isPreferredOverTheDefault)
{
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    TemporaryFolder fonts;
    // A link keeps the test from copying 140 MB; the loader sees the folder's own name.
    std::filesystem::create_symlink(realSoundFont(), fonts / "mine.sf2");

    SoundFontCache cache;
    cache.setFolder(fonts.path());
    auto renderer = MidiRenderer::open(tune, cache).take();
    ASSERT_TRUE(renderer);
    EXPECT_EQ(cache.loadedPath(), fonts / "mine.sf2");
}

TEST(SoundFontCache, brokenSoundFontInTheFolder_fallsBackToTheDefaultAndSaysSoOnce)
{
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    TemporaryFolder fonts;
    // A soundfont cut short by an interrupted copy: its header promises chunks the file lacks.
    std::filesystem::copy_file(realSoundFont(), fonts / "cut.sf2");
    std::filesystem::resize_file(fonts / "cut.sf2", 100000);

    SoundFontCache cache;
    cache.setFolder(fonts.path());
    ::testing::internal::CaptureStderr();
    auto first = MidiRenderer::open(tune, cache).take();
    auto second = MidiRenderer::open(tune, cache).take();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(first && second);
    EXPECT_EQ(cache.loadedPath(), chooseSoundFontFile(""));
    EXPECT_EQ(cache.loadCount(), 1);
    // One line naming both files, and nothing from the synthesizer's own log.
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("cut.sf2"), std::string::npos) << said;
    EXPECT_NE(said.find(chooseSoundFontFile("")), std::string::npos) << said;
}

// The soundfont is copied beside the program and then deleted, or truncated, while a piece plays;
// the piece then reaches an instrument whose samples were never read.
TEST(SoundFontCache, soundFontDeletedOrTruncatedWhilePlaying_playsOnWithoutCrashing)
{
    TemporaryFolder folder;
    SmfWriter w;
    const int t = w.addTrack();
    w.note(t, 0, 240, 0, 60, 100);
    w.programChange(t, 1920, 0, 40); // a violin, two seconds in
    w.note(t, 1920, 960, 0, 67, 100);
    const std::string tune = folder / "late-violin.mid";
    ASSERT_TRUE(w.writeTo(tune));

    for (const bool truncate : {false, true}) {
        TemporaryFolder fonts;
        const std::string copy = fonts / "gm.sf2";
        std::filesystem::copy_file(realSoundFont(), copy);
        SoundFontCache cache;
        cache.setFolder(fonts.path());
        auto renderer = MidiRenderer::open(tune, cache).take();
        ASSERT_TRUE(renderer);
        std::vector<float> head(2 * 24000);
        ASSERT_EQ(renderer->read(head.data(), 24000), 24000u);

        if (truncate)
            std::filesystem::resize_file(copy, 4096);
        else
            std::filesystem::remove(copy);
        std::vector<float> rest;
        std::vector<float> chunk(2 * 4800);
        for (std::size_t got = 4800; got == 4800 && rest.size() < 2 * 48000 * 10;) {
            got = renderer->read(chunk.data(), 4800);
            rest.insert(rest.end(), chunk.begin(), chunk.begin() + static_cast<long>(2 * got));
        }
        EXPECT_TRUE(renderer->ended()) << "truncated " << truncate;
        ASSERT_GT(rest.size(), 2u * 120000);
        float peak = 0; // of the violin's second, when the piano has long died away
        for (std::size_t i = 0; i < rest.size(); ++i) {
            ASSERT_TRUE(std::isfinite(rest[i]));
            if (i >= 2 * 72000 && i < 2 * 120000)
                peak = std::max(peak, std::fabs(rest[i]));
        }
        // Deleted, the file is still read through the descriptor kept open: the violin sounds.
        // Truncated, its samples are gone: it is silent (but for the piano's reverb, long faded).
        if (truncate)
            EXPECT_LT(peak, 1e-4f);
        else
            EXPECT_GT(peak, 0.01f);
    }
}

TEST(SoundFontCache, loadedOnce_acrossOpensAndRenderersAlive)
{
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    SoundFontCache cache;
    EXPECT_EQ(cache.loadCount(), 0);

    auto first = MidiRenderer::open(tune, cache).take();
    auto second = MidiRenderer::open(tune, cache).take();
    ASSERT_TRUE(first && second);
    first.reset();
    auto third = MidiRenderer::open(tune, cache).take();
    ASSERT_TRUE(third);
    EXPECT_EQ(cache.loadCount(), 1);
    EXPECT_EQ(cache.loadedPath(), chooseSoundFontFile(""));
}

TEST(SoundFontCache, folderNamedByTheApplication_reachesTheSharedCache)
{
    // Only the folder is recorded; nothing loads until a MIDI file opens.
    TemporaryFolder fonts;
    std::filesystem::create_symlink(realSoundFont(), fonts / "app.sf2");
    mciSetSoundFontFolder(fonts.path().c_str());
    EXPECT_EQ(SoundFontCache::shared().loadCount(), 0);
    TemporaryFolder folder;
    auto renderer = MidiRenderer::open(writeShortTune(folder)).take();
    ASSERT_TRUE(renderer);
    EXPECT_EQ(SoundFontCache::shared().loadedPath(), fonts / "app.sf2");
}
