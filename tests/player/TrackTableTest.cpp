#include "player/TrackTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using zuvelo::TrackTable;

// The table against a vector of strings through a long run of random edits: runs of entries in
// one folder and folders coming back, names of every length class (empty, around the one- and
// two-byte length prefixes, around and above a block), entries replaced, and the table shrunk
// (into a block, to nothing) and grown again.
TEST(TrackTable, keepsEveryTextThroughAppendsReplacementsAndResizes)
{
    const std::size_t lengths[] = {0, 1, 12, 126, 127, 128, 200, 16383, 16384, 65535, 65536, 70000};
    const std::string folders[] = {"", "/A/", "/B/", std::string("/\0\xFF/", 4), std::string(300, 'f')};
    std::mt19937 random(7);
    const auto text = [&](std::size_t length) {
        std::string bytes(length, '\0');
        for (char& c : bytes)
            c = char(random()); // any byte, zero and high ones too
        return bytes;
    };
    TrackTable table(1);
    std::vector<std::string> model(1);
    const auto check = [&] {
        ASSERT_EQ(table.size(), model.size());
        for (std::size_t n = 0; n < model.size(); ++n)
            ASSERT_EQ(table[n], model[n]) << "entry " << n;
    };
    std::size_t folder = 1;
    for (int step = 0; step < 4000; ++step) {
        const unsigned what = random() % 100;
        if (what < 2) {
            const std::size_t size = random() % 4 == 0 ? 0 : random() % (model.size() + 1);
            table.resize(size);
            model.resize(size);
        } else if (what < 4) {
            const std::size_t size = model.size() + random() % 40;
            table.resize(size);
            model.resize(size);
        } else if (what < 10 && !model.empty()) {
            const std::size_t n = random() % model.size();
            model[n] = text(random() % 30);
            table.set(n, model[n]);
        } else {
            if (random() % 10 == 0)
                folder = random() % std::size(folders);
            // Mostly short names, as file names are; now and then one of the lengths above.
            const std::string name = text(random() % 8 ? random() % 40 : lengths[random() % std::size(lengths)]);
            table.append(folders[folder], name);
            model.push_back(folders[folder] + name);
        }
        if (step % 100 == 0)
            check();
    }
    check();
}

TEST(TrackTable, refusesEntriesBeyondItsEnd)
{
    TrackTable table(2);
    EXPECT_THROW(table.set(2, "x"), std::out_of_range);
    EXPECT_EQ(table[1], "");
}
