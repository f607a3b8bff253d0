#include "fileio/FileReplacement.h"

#include "OpenHandles.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;

// Start-up removes the temporary files of writers killed before their rename, beside the name and
// beside a link's target, and nothing else; shut-down replaces the file whole, through a link, with
// its permissions kept, and refuses a read-only file or a folder. Nothing is left behind.
TEST(FileReplacement, removesLeftoversThenReplacesWholeOrRefuses)
{
    TemporaryFolder folder, elsewhere;
    for (const char* name : {"settings", "settings.tmp4242-0", "muini.dat.tmp4242-0"})
        elsewhere.write(name, "old");
    fs::create_symlink(elsewhere / "settings", folder / "muini.dat");
    fs::create_symlink(elsewhere / "settings", folder / "muini.dat.tmp7-8");
    folder.makeFolder("muini.dat.tmp5-6");
    const char* kept[] = {"muini.dat.tmp", "muini.dat.tmpx1-2", "muini.dat.tmp1-", "other.dat.tmp1-2", "readonly"};
    for (const char* name : kept)
        folder.write(name, "old");
    for (const char* name : {"muini.dat.tmp4242-0", "muini.dat.tmp17-12"})
        folder.write(name);
    fs::permissions(elsewhere / "settings", fs::perms(0640));
    fs::permissions(folder / "readonly", fs::perms(0444));
    const auto descriptors = zuvelo::testing::openHandles();

    zuvelo::removeLeftoverReplacements(folder / "muini.dat");
    for (const char* name : kept)
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_TRUE(fs::is_directory(folder / "muini.dat.tmp5-6") && fs::is_symlink(folder / "muini.dat.tmp7-8"));
    EXPECT_TRUE(fs::exists(elsewhere / "muini.dat.tmp4242-0")) << "named after the link, not after its target";
    EXPECT_FALSE(fs::exists(folder / "muini.dat.tmp4242-0") || fs::exists(folder / "muini.dat.tmp17-12") ||
                 fs::exists(elsewhere / "settings.tmp4242-0"));

    for (const char* name : {"muini.dat", "new"})
        EXPECT_EQ(zuvelo::replaceFileContents(folder / name, "new"), std::nullopt) << name;
    for (const char* name : {"readonly", "muini.dat.tmp5-6"})
        EXPECT_TRUE(zuvelo::replaceFileContents(folder / name, "new").has_value()) << name;
    EXPECT_EQ(elsewhere.read("settings") + folder.read("new") + folder.read("readonly"), "newnewold");
    EXPECT_EQ(fs::status(elsewhere / "settings").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 9);
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere.path()), {}), 2);
    EXPECT_EQ(zuvelo::testing::openHandles(), descriptors);
}
