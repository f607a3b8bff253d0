#include "MidiRenderer.h"
#include "ScratchFolder.h"
#include "SmfWriter.h"
#include "SoundFont.h"
#include "mci.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zuvelo::mci;
using zuvelo::mci::test::ScratchFolder;
using zuvelo::SmfWriter;

namespace {

std::string realSoundFont() {
    return std::filesystem::exists(kDefaultSoundFont) ? kDefaultSoundFont : kFallbackSoundFont;
}

std::string writeShortTune(const ScratchFolder& folder) {
    SmfWriter w;
    w.addTrack();
    w.note(0, 0, 240, 0, 60, 100);
    const std::string path = folder.file("tune.mid");
    w.writeTo(path);
    return path;
}

} // namespace

TEST(SoundFontChoice, firstSf2ByName_thenTheSystemDefault) {
    ScratchFolder folder;
    // Without a soundfont in the folder (or without the folder) the system's default is used.
    const std::string fallback = chooseSoundFontFile("");
    ASSERT_FALSE(fallback.empty()) << "the General MIDI soundfont package is not installed";
    EXPECT_TRUE(fallback == kDefaultSoundFont || fallback == kFallbackSoundFont);
    EXPECT_EQ(chooseSoundFontFile(folder.path().string()), fallback);
    EXPECT_EQ(chooseSoundFontFile(folder.file("missing")), fallback);

    // Other files and a folder named like a soundfont do not count; any letter case does.
    folder.write("0.txt", {1});
    std::filesystem::create_directory(folder.path() / "1.sf2");
    EXPECT_EQ(chooseSoundFontFile(folder.path().string()), fallback);
    folder.write("c.sf2", {1});
    folder.write("b.SF2", {1});
    folder.write("d.sf2", {1});
    EXPECT_EQ(chooseSoundFontFile(folder.path().string()), folder.file("b.SF2"));
}

TEST(SoundFontCache, folderSoundFont_isPreferredOverTheDefault) {
    ScratchFolder folder;
    const std::string tune = writeShortTune(folder);
    ScratchFolder fonts;
    // A link keeps the test from copying 140 MB; the loader sees the folder's own name.
    std::filesystem::create_symlink(realSoundFont(), fonts.path() / "mine.sf2");

    SoundFontCache cache;
    cache.setFolder(fonts.path().string());
    unsigned long error = 1;
    auto renderer = MidiRenderer::open(tune, error, cache);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(cache.loadedPath(), fonts.file("mine.sf2"));
}

TEST(SoundFontCache, unloadableSoundFont_failsTheOpenAndIsTriedAgain) {
    ScratchFolder folder;
    const std::string tune = writeShortTune(folder);
    ScratchFolder fonts;
    // "a.sf2" comes first by name, so it is chosen even though a good one follows.
    fonts.write("a.sf2", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 's', 'f', 'b', 'k'});
    std::filesystem::create_symlink(realSoundFont(), fonts.path() / "b.sf2");

    SoundFontCache cache;
    cache.setFolder(fonts.path().string());
    unsigned long error = 0;
    EXPECT_FALSE(MidiRenderer::open(tune, error, cache));
    EXPECT_EQ(error, static_cast<unsigned long>(MCIERR_INVALID_FILE));
    EXPECT_EQ(cache.loadCount(), 0);

    // Once the broken file is gone the next open loads the good one.
    std::filesystem::remove(fonts.path() / "a.sf2");
    EXPECT_TRUE(MidiRenderer::open(tune, error, cache));
    EXPECT_EQ(cache.loadedPath(), fonts.file("b.sf2"));
    EXPECT_EQ(cache.loadCount(), 1);
}

TEST(SoundFontCache, loadedOnce_acrossOpensAndRenderersAlive) {
    ScratchFolder folder;
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
    ScratchFolder fonts;
    std::filesystem::create_symlink(realSoundFont(), fonts.path() / "app.sf2");
    mciSetSoundFontFolder(fonts.path().string().c_str());
    EXPECT_EQ(SoundFontCache::shared().loadCount(), 0);
    ScratchFolder folder;
    unsigned long error = 0;
    auto renderer = MidiRenderer::open(writeShortTune(folder), error);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(SoundFontCache::shared().loadedPath(), fonts.file("app.sf2"));
}
