#include <HandlerRig.h> // the Qt window's, or plain/HandlerRig.h where there is none
#include "TemporaryFolder.h"

#include "common/PathSeparator.h"
#include "handlers/Startup.h"

#include <gtest/gtest.h>

// A library of accented, Japanese and emoji names in a folder deeper than 260 characters is
// found in natural order and played by its full path; list.csv and muini.dat hold the same bytes
// on every platform but for the platform's separator.
TEST(SavedFiles, namesOfEveryScriptInALongPath_sameBytesOnEveryPlatform)
{
    zuvelo::testing::TemporaryFolder root;
    const char s = zuvelo::kPathSeparator;
    const std::string pare = root / (std::string(130, 'd') + s + std::string(130, 'd'));
    const std::string tracks[] = {s + std::string("Café") + s + "Été 2.wav", s + std::string("Café") + s + "Été 10.wav",
                                  s + std::string("日本語") + s + "曲 1.mp3", s + std::string("🎵 emoji") + s + "🎶.mid"};
    const std::string rel = pare.substr(root.path().size() + 1);
    for (const std::string& name : tracks)
        root.write(rel + name);
    root.write(rel + s + "muini.dat", "1,2\r\n");

    zuvelo::testing::HandlerRig rig;
    zuvelo::formLoad(rig.ctx, pare);
    EXPECT_EQ(rig.media.commands.at(0), "Open \"" + pare + tracks[2] + "\"");
    rig.click("lis");
    rig.handlers.formUnload();
    std::string list;
    for (int n = 1; n <= 4; ++n)
        list += std::to_string(n) + ",\"" + tracks[n - 1] + "\r\"\r\n";
    EXPECT_EQ(root.read(rel + s + "list.csv") + root.read(rel + s + "muini.dat"), list + "1,3\r\n");
}
