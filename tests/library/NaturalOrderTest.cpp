#include "library/FolderScan.h"
#include "library/NaturalOrder.h"

#include <gtest/gtest.h>

using namespace zuvelo;

// Each name comes strictly before every later one: digit runs by value, whatever their zeros or
// length; letters without case; a run against another byte as its digit; then the raw bytes.
TEST(NaturalOrder, ordersNamesTotally)
{
    // clang-format off
    const std::string ordered[] = {
        "", " ", "-1", "0", "00", "01", "1", "1.mp3", "01a", "1a", "2", "9", "010", "10", "99999999999999999999999",
        "0100000000000000000000000", "100000000000000000000000", "_", "A", "a", "A01", "a1", "a2", "A10", "b",
        "track 2.mp3", "Track 10.mp3", "track 11.mp3", "y", "Z", "z", "~", "\xC3\xA9", "\xFF"};
    // clang-format on
    for (std::size_t i = 0; i < std::size(ordered); ++i)
        for (std::size_t j = 0; j < std::size(ordered); ++j)
            EXPECT_TRUE((naturalCompare(ordered[i], ordered[j]) <=> 0) == (i <=> j)) << i << " : " << j;
    // Names handed over as parts of longer texts: nothing beyond them is read.
    const std::pair<std::string_view, std::string_view> parts[] = {
        {{"19", 1}, "2"}, {{"00", 1}, "1"}, {{"az", 1}, "ab"}};
    for (const auto& [a, b] : parts)
        EXPECT_TRUE(naturalCompare(a, b) < 0 && naturalCompare(b, a) > 0) << a << " : " << b;
}

TEST(PlayableName, takesTheSixSuffixesInAnyCase)
{
    for (const char* name : {"a.wav", "b.wma", "c.mp3", "d.mp2", "e.mid", "f.midi", "ABC.MP3", "x.WaV", "Song.MiDi",
                             "xwav", "mid", ".mp3", "\xFF.wma"})
        EXPECT_TRUE(isPlayableName(name)) << name;
    for (const char* name :
         {"song.flac", "a.mp4", "mp3.txt", "a.wav ", "a.wav.bak", "", "id", "a.mi", "a.m1d", "WAV\xFF"})
        EXPECT_FALSE(isPlayableName(name)) << name;
}
