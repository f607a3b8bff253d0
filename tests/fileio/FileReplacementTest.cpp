#include "fileio/FileReplacement.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using zuvelo::testing::TemporaryFolder;

bool exists(const TemporaryFolder& folder, const std::string& name)
{
    return std::filesystem::exists(std::filesystem::symlink_status(folder.path() + "/" + name));
}

TEST(FileReplacement, replacesTheContentWholeAndLeavesNoTemporaryFile)
{
    TemporaryFolder folder;
    folder.write("muini.dat", "0,5\r\n");
    ASSERT_FALSE(zuvelo::replaceFileContents(folder.path() + "/muini.dat", "2,7\r\n").has_value());
    EXPECT_EQ(folder.read("muini.dat"), "2,7\r\n");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(FileReplacement, leftoversOfAKilledWriterAreRemovedAndNothingElse)
{
    TemporaryFolder folder;
    folder.write("muini.dat", "1,3\r\n");
    folder.write("muini.dat.tmp4242-0", "1,");
    folder.write("muini.dat.tmp17-12", "");
    // Not ours: other names, another file's leftovers, a folder and a link with our pattern.
    folder.write("muini.dat.tmp", "keep");
    folder.write("muini.dat.tmpx1-2", "keep");
    folder.write("muini.dat.tmp1-", "keep");
    folder.write("muini.dat.bak", "keep");
    folder.write("list.csv.tmp1-2", "keep");
    folder.makeFolder("muini.dat.tmp5-6");
    folder.write("target", "keep");
    std::filesystem::create_symlink(folder.path() + "/target", folder.path() + "/muini.dat.tmp7-8");

    zuvelo::removeLeftoverReplacements(folder.path() + "/muini.dat");

    EXPECT_FALSE(exists(folder, "muini.dat.tmp4242-0"));
    EXPECT_FALSE(exists(folder, "muini.dat.tmp17-12"));
    EXPECT_EQ(folder.read("muini.dat"), "1,3\r\n");
    for (const char* kept : {"muini.dat.tmp", "muini.dat.tmpx1-2", "muini.dat.tmp1-", "muini.dat.bak",
                             "list.csv.tmp1-2", "muini.dat.tmp5-6", "muini.dat.tmp7-8", "target"})
        EXPECT_TRUE(exists(folder, kept)) << kept;
}

TEST(FileReplacement, leftoversBesideALinksTargetAreRemovedToo)
{
    TemporaryFolder folder;
    TemporaryFolder elsewhere;
    elsewhere.write("settings", "1,3\r\n");
    elsewhere.write("settings.tmp4242-0", "1,");
    elsewhere.write("muini.dat.tmp4242-0", "keep"); // named after the link, not after its target
    folder.write("muini.dat.tmp17-1", "1,");
    std::filesystem::create_symlink(elsewhere.path() + "/settings", folder.path() + "/muini.dat");

    zuvelo::removeLeftoverReplacements(folder.path() + "/muini.dat");

    EXPECT_FALSE(exists(elsewhere, "settings.tmp4242-0"));
    EXPECT_FALSE(exists(folder, "muini.dat.tmp17-1"));
    EXPECT_TRUE(exists(elsewhere, "muini.dat.tmp4242-0"));
    EXPECT_EQ(folder.read("muini.dat"), "1,3\r\n");
}

TEST(FileReplacement, removingLeftoversInAMissingFolderDoesNothing)
{
    TemporaryFolder folder;
    zuvelo::removeLeftoverReplacements(folder.path() + "/gone/muini.dat");
    EXPECT_FALSE(exists(folder, "gone"));
}

} // namespace
