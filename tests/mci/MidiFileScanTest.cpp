#include "MidiFileScan.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <functional>

using zuvelo::SmfWriter;
using zuvelo::mci::scanStandardMidiFile;

namespace {

std::optional<zuvelo::mci::MidiFileSummary> scan(const std::vector<std::uint8_t>& bytes)
{
    return scanStandardMidiFile(bytes.data(), bytes.size());
}

// One track, 480 ticks a quarter: a note at tick 0 lasting 480 ticks, a note at 960 to 1440.
std::vector<std::uint8_t> twoNotes()
{
    SmfWriter w;
    const int t = w.addTrack();
    w.note(t, 0, 480, 0, 60, 100);
    w.note(t, 960, 480, 0, 64, 100);
    return w.bytes();
}

// One track: a tempo event, then notes (running status, alternately on and off) deltaTicks apart,
// then the end of track; events in all, at 480 ticks a quarter.
std::vector<std::uint8_t> manyEvents(std::size_t events, std::uint8_t deltaTicks, std::uint32_t microsecondsPerQuarter)
{
    std::vector<std::uint8_t> track = {0x00,
                                       0xFF,
                                       0x51,
                                       0x03,
                                       std::uint8_t(microsecondsPerQuarter >> 16),
                                       std::uint8_t(microsecondsPerQuarter >> 8),
                                       std::uint8_t(microsecondsPerQuarter)};
    for (std::size_t i = 0; i + 2 < events; ++i) {
        if (i == 0)
            track.insert(track.end(), {deltaTicks, 0x90, 60, 100});
        else
            track.insert(track.end(), {deltaTicks, 60, std::uint8_t(i % 2 ? 0 : 100)});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    for (int shift : {24, 16, 8, 0})
        file.push_back(std::uint8_t(track.size() >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// The header is 14 bytes; the first track chunk's length field sits at 18..21, its events at 22.
constexpr std::size_t kFirstEvent = 22;

} // namespace

TEST(MidiFileScan, acceptedFiles_reportTracksAndLastEvent)
{
    const auto summary = scan(twoNotes());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->format, 0);
    EXPECT_EQ(summary->trackCount, 1);
    EXPECT_EQ(summary->ticksPerQuarter, 480);
    EXPECT_EQ(summary->lastEventTick, 1440u);
    EXPECT_DOUBLE_EQ(summary->lastEventMs, 1500.0); // 120 bpm until told otherwise

    // Format 1: the latest event of any track counts; an end of track after the notes counts too.
    SmfWriter w(96);
    const int a = w.addTrack();
    const int b = w.addTrack();
    w.note(a, 0, 96, 0, 60, 90);
    w.note(b, 0, 192, 1, 48, 90);
    w.endOfTrack(b, 384);
    const auto multi = scan(w.bytes());
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->format, 1);
    EXPECT_EQ(multi->trackCount, 2);
    EXPECT_EQ(multi->lastEventTick, 384u);
    EXPECT_DOUBLE_EQ(multi->lastEventMs, 2000.0);
}

TEST(MidiFileScan, tempoChanges_shapeTheLength)
{
    // A quarter at 120 bpm, then three quarters at 240 bpm: 500 + 750 ms. A tempo change in
    // another track applies to every track.
    SmfWriter w(480);
    const int conductor = w.addTrack();
    const int melody = w.addTrack();
    w.tempo(conductor, 480, 250000);
    w.note(melody, 0, 1920, 0, 60, 100);
    const auto summary = scan(w.bytes());
    ASSERT_TRUE(summary);
    EXPECT_DOUBLE_EQ(summary->lastEventMs, 500.0 + 750.0);
}

TEST(MidiFileScan, runningStatusAndForeignChunks_areRead)
{
    // Hand-made: an unknown chunk before the track, then a note-on with a second note in running
    // status, a sysex and a text meta event.
    std::vector<std::uint8_t> f{'M', 'T', 'h', 'd', 0, 0, 0,    6,    0,   0,   0,   1,   0, 96, 'X', 'y',
                                'z', 'w', 0,   0,   0, 2, 0xAB, 0xCD, 'M', 'T', 'r', 'k', 0, 0,  0,   0};
    const std::vector<std::uint8_t> events{
        0x00, 0x90, 60,   100,  0x10, 64,   100, // note-on, then another by running status
        0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,      // sysex (GM on, shortened)
        0x00, 0xFF, 0x01, 0x02, 'h',  'i',       // text
        0x20, 0x80, 60,   0,    0x00, 64,   0,   // two note-offs, running status again
        0x00, 0xFF, 0x2F, 0x00};
    f[f.size() - 1] = static_cast<std::uint8_t>(events.size());
    f.insert(f.end(), events.begin(), events.end());
    const auto summary = scan(f);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->trackCount, 1);
    EXPECT_EQ(summary->lastEventTick, 0x30u);
}

TEST(MidiFileScan, malformedFiles_areRefused)
{
    const std::vector<std::uint8_t> good = twoNotes();
    ASSERT_TRUE(scan(good));

    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
    };
    const Case cases[] = {
        {"empty", [](auto& f) { f.clear(); }},
        {"header tag only", [](auto& f) { f.resize(4); }},
        {"header cut short", [](auto& f) { f.resize(12); }},
        {"not MThd", [](auto& f) { f[0] = 'R'; }},
        {"header length 5", [](auto& f) { f[7] = 5; }},
        {"format 3", [](auto& f) { f[9] = 3; }},
        {"no tracks", [](auto& f) { f[11] = 0; }},
        {"more tracks than chunks", [](auto& f) { f[11] = 2; }},
        {"129 tracks",
         [](auto& f) {
             f[10] = 0;
             f[11] = 129;
         }},
        {"SMPTE division",
         [](auto& f) {
             f[12] = 0xE7;
             f[13] = 40;
         }},
        {"zero division",
         [](auto& f) {
             f[12] = 0;
             f[13] = 0;
         }},
        {"track chunk past the end", [](auto& f) { f[21] = static_cast<std::uint8_t>(f[21] + 1); }},
        {"file cut inside a track", [](auto& f) { f.resize(f.size() - 5); }},
        {"note cut inside its data",
         [](auto& f) {
             f.resize(kFirstEvent + 3); // delta, status, key: no velocity
             f[21] = 3;
         }},
        {"data byte without a status", [](auto& f) { f[kFirstEvent + 1] = 0x3C; }},
        {"system common message", [](auto& f) { f[kFirstEvent + 1] = 0xF2; }},
        {"end of track with data", [](auto& f) { f[f.size() - 1] = 1; }},
        {"delta time of five bytes",
         [](auto& f) {
             std::vector<std::uint8_t> tail(f.begin() + kFirstEvent + 1, f.end());
             f.resize(kFirstEvent);
             f.insert(f.end(), {0x80, 0x80, 0x80, 0x80, 0x00});
             f.insert(f.end(), tail.begin(), tail.end());
             f[21] = static_cast<std::uint8_t>(f[21] + 4);
         }},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> f = good;
        c.spoil(f);
        EXPECT_FALSE(scan(f)) << c.what;
    }

    SmfWriter badTempo;
    badTempo.addTrack();
    badTempo.tempo(0, 0, 0);
    EXPECT_FALSE(scan(badTempo.bytes())) << "tempo of zero";
    EXPECT_FALSE(scanStandardMidiFile(nullptr, 0));

    // Deltas of the largest size add up: eight of them still fit the player's tick count, nine not.
    SmfWriter far;
    far.addTrack();
    for (std::uint32_t k = 1; k <= 8; ++k)
        far.noteOn(0, 0x0FFFFFFF * k, 0, 60, 1);
    const auto farSummary = scan(far.bytes());
    ASSERT_TRUE(farSummary) << "eight largest deltas";
    EXPECT_EQ(farSummary->lastEventTick, 0x0FFFFFFFu * 8);
    far.noteOn(0, 0x0FFFFFFFu * 9, 0, 60, 1);
    EXPECT_FALSE(scan(far.bytes())) << "nine largest deltas";
}

TEST(MidiFileScan, moreEventsThanRealPiecesHave_areRefused)
{
    using zuvelo::mci::kMaxMidiEvents;
    using zuvelo::mci::kMaxMidiEventsPerWindow;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        bool accepted;
    };
    const Case cases[] = {
        {"the most events, a tick apart", manyEvents(kMaxMidiEvents, 1, 500000), true},
        {"one event more", manyEvents(kMaxMidiEvents + 1, 1, 500000), false},
        {"the most events at one moment", manyEvents(kMaxMidiEventsPerWindow, 0, 500000), true},
        {"one more at that moment", manyEvents(kMaxMidiEventsPerWindow + 1, 0, 500000), false},
        // A tick apart in the file, but a quarter note of a microsecond squeezes them together.
        {"a microsecond tempo", manyEvents(2 * kMaxMidiEventsPerWindow, 1, 1), false},
    };
    for (const Case& c : cases) {
        const auto summary = scan(c.file);
        EXPECT_EQ(summary.has_value(), c.accepted) << c.what;
    }
}

TEST(MidiFileScan, arbitraryBytes_neverReadOutOfBounds)
{
    // Every prefix and a sweep of single-byte corruptions of a real file: under the address
    // sanitizer this shows the walk stays inside the data, whatever it is given.
    const std::vector<std::uint8_t> good = twoNotes();
    int accepted = 0;
    for (std::size_t n = 0; n <= good.size(); ++n) {
        std::vector<std::uint8_t> prefix(good.begin(), good.begin() + static_cast<long>(n));
        accepted += scan(prefix).has_value();
    }
    EXPECT_EQ(accepted, 1) << "only the whole file is complete";
    for (std::size_t i = 0; i < good.size(); ++i)
        for (int value : {0x00, 0x7F, 0x80, 0xFF}) {
            std::vector<std::uint8_t> f = good;
            f[i] = static_cast<std::uint8_t>(value);
            (void)scan(f);
        }
}
