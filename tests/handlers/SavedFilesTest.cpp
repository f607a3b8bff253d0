#include <HandlerRig.h> // the Qt window's, or plain/HandlerRig.h where there is none
#include "TemporaryFolder.h"

#include "common/PathSeparator.h"
#include "handlers/Startup.h"

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// A library of accented, Japanese and emoji names in a folder deeper than 260 characters is
// found in natural order and played by its full path; list.csv and muini.dat hold the same bytes
// on every platform but for the platform's separator.
TEST(SavedFiles, namesOfEveryScriptInALongPath_sameBytesOnEveryPlatform)
{
    TemporaryFolder root;
    const char s = kPathSeparator;
    const std::string deep(130, 'd');
    const std::string pare = root / deep + s + deep;
    const auto track = [s](const std::string& folder, const std::string& file) { return s + folder + s + file; };
    const std::string tracks[] = {track("Café", "Été 2.wav"), track("Café", "Été 10.wav"), track("日本語", "曲 1.mp3"),
                                  track("🎵 emoji", "🎶.mid")};
    for (const std::string& name : tracks)
        root.write(deep + s + deep + name);
    root.write(deep + s + deep + s + "muini.dat", "1,2\r\n");

    HandlerRig rig;
    formLoad(rig.ctx, pare);
    ASSERT_EQ(rig.state.nmax.value(), 4);
    EXPECT_EQ(rig.media.commands.front(), "Open \"" + pare + tracks[2] + "\"");
    rig.click("lis");
    rig.handlers.formUnload();
    std::string list;
    for (int n = 1; n <= 4; ++n)
        list += std::to_string(n) + ",\"" + tracks[n - 1] + "\r\"\r\n";
    EXPECT_EQ(root.read(deep + s + deep + s + "list.csv"), list);
    EXPECT_EQ(root.read(deep + s + deep + s + "muini.dat"), "1,3\r\n");
}

} // namespace
} // namespace zuvelo::testing
