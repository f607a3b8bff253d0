#include "player/TrackTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using zuvelo::TrackTable;

// The table against a vector of strings through a long run of random edits: texts of every length
// class (empty, around the one- and two-byte length prefixes, around and above a block), shorter
// and longer texts over earlier ones, and the table shrunk and grown again.
TEST(TrackTable, keepsEveryTextThroughGrowthOverwritesAndResizes)
{
    const std::size_t lengths[] = {0, 1, 12, 127, 128, 200, 16383, 16384, 65535, 65536, 70000};
    std::mt19937 random(7);
    TrackTable table(1);
    std::vector<std::string> model(1);
    const auto check = [&] {
        ASSERT_EQ(table.size(), model.size());
        for (std::size_t n = 0; n < model.size(); ++n)
            ASSERT_EQ(table[n], model[n]) << "entry " << n;
    };
    for (int step = 0; step < 3000; ++step) {
        const unsigned what = random() % 100;
        if (what < 2) {
            const std::size_t size = random() % (model.size() + 1);
            table.resize(size);
            model.resize(size);
        } else if (what < 30 || model.empty()) {
            table.resize(model.size() + 1);
            model.emplace_back();
        } else {
            // Mostly short texts, as file names are; now and then one of the lengths above.
            const std::size_t length = random() % 8 ? random() % 40 : lengths[random() % std::size(lengths)];
            std::string text(length, '\0');
            for (char& c : text)
                c = char(random()); // any byte, zero and high ones too
            const std::size_t cut = random() % (length + 1);
            const std::size_t n = random() % model.size();
            table.set(n, std::string_view(text).substr(0, cut), std::string_view(text).substr(cut));
            model[n] = text;
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
