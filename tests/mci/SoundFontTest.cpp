#include "MidiRenderer.h"
#include "TemporaryFolder.h"
#include "SmfWriter.h"
#include "SoundFont.h"
#include "mci.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zuvelo::mci;
using zuvelo::testing::TemporaryFolder;
using zuvelo::SmfWriter;

namespace {

std::string realSoundFont() {
    return std::filesystem::exists(kDefaultSoundFont) ? kDefaultSoundFont : kFallbackSoundFont;
}

std::string writeShortTune(const TemporaryFolder& folder) {
    SmfWriter w;
    w.addTrack();
    w.note(0, 0, 240, 0, 60, 100);
    const std::string path = folder / "tune.mid";
    w.writeTo(path);
    return path;
}

} // namespace

TEST(SoundFontChoice, firstSf2ByName_thenTheSystemDefault) {
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

TEST(SoundFontCache, folderSoundFont_isPreferredOverTheDefault) {
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    TemporaryFolder fonts;
    // A link keeps the test from copying 140 MB; the loader sees the folder's own name.
    std::filesystem::create_symlink(realSoundFont(), fonts / "mine.sf2");

    SoundFontCache cache;
    cache.setFolder(fonts.path());
    unsigned long error = 1;
    auto renderer = MidiRenderer::open(tune, error, cache);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(cache.loadedPath(), fonts / "mine.sf2");
}

TEST(SoundFontCache, unloadableSoundFont_failsTheOpenAndIsTriedAgain) {
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    TemporaryFolder fonts;
    // "a.sf2" comes first by name, so it is chosen even though a good one follows.
    fonts.write("a.sf2", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 's', 'f', 'b', 'k'});
    std::filesystem::create_symlink(realSoundFont(), fonts / "b.sf2");

    SoundFontCache cache;
    cache.setFolder(fonts.path());
    unsigned long error = 0;
    EXPECT_FALSE(MidiRenderer::open(tune, error, cache));
    EXPECT_EQ(error, static_cast<unsigned long>(MCIERR_INVALID_FILE));
    EXPECT_EQ(cache.loadCount(), 0);

    // Once the broken file is gone the next open loads the good one.
    std::filesystem::remove(fonts / "a.sf2");
    EXPECT_TRUE(MidiRenderer::open(tune, error, cache));
    EXPECT_EQ(cache.loadedPath(), fonts / "b.sf2");
    EXPECT_EQ(cache.loadCount(), 1);
}

TEST(SoundFontCache, loadedOnce_acrossOpensAndRenderersAlive) {
    TemporaryFolder folder;
    const std::string tune = writeShortTune(folder);
    SoundFontCache cache;
    EXPECT_EQ(cache.loadCount(), 0);

    unsigned long error = 0;
    auto first = MidiRenderer::open(tune, error, cache);
    auto second = MidiRenderer::open(tune, error, cache);
    ASSERT_TRUE(first && second);
    first.reset();
    auto third = MidiRenderer::open(tune, error, cache);
    ASSERT_TRUE(third);
    EXPECT_EQ(cache.loadCount(), 1);
    EXPECT_EQ(cache.loadedPath(), chooseSoundFontFile(""));
}

TEST(SoundFontCache, folderNamedByTheApplication_reachesTheSharedCache) {
    // Only the folder is recorded; nothing loads until a MIDI file opens.
    TemporaryFolder fonts;
    std::filesystem::create_symlink(realSoundFont(), fonts / "app.sf2");
    mciSetSoundFontFolder(fonts.path().c_str());
    EXPECT_EQ(SoundFontCache::shared().loadCount(), 0);
    TemporaryFolder folder;
    unsigned long error = 0;
    auto renderer = MidiRenderer::open(writeShortTune(folder), error);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(SoundFontCache::shared().loadedPath(), fonts / "app.sf2");
}
