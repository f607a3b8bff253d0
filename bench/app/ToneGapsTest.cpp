// The gap analysis on synthetic recordings whose gaps are known to the frame.
#include "ToneGaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zuvelo::bench {
namespace {

constexpr double kFrameMs = 1000.0 / kRecordingRate;

// Appends a tone of amplitude 1/8 (as the benchmark's tracks), or silence for hz = 0, to a stereo
// recording.
void append(std::vector<float>& recording, double hz, double ms, float silenceLevel = 0)
{
    const auto frames = std::size_t(std::lround(ms * kRecordingRate / 1000));
    for (std::size_t i = 0; i < frames; ++i) {
        const float v = hz > 0 ? float(0.125 * std::sin(2 * M_PI * hz * double(i) / kRecordingRate))
                               : (i % 2 ? silenceLevel : -silenceLevel);
        recording.push_back(v);
        recording.push_back(v);
    }
}

TEST(ToneGaps, measuresTheSilenceBetweenTonesToTheFrame)
{
    std::vector<float> recording;
    append(recording, 0, 250); // leading silence is no gap
    append(recording, 300, 500);
    append(recording, 0, 12.0);
    append(recording, 450, 500);
    append(recording, 0, 54.675);
    append(recording, 600, 500);
    append(recording, 0, 97.35);
    append(recording, 3300, 500);
    append(recording, 0, 300); // nor is trailing silence

    const std::vector<Tone> tones = findTones(recording);
    ASSERT_EQ(tones.size(), 4u);
    const double pitches[] = {300, 450, 600, 3300};
    for (std::size_t t = 0; t < 4; ++t) {
        EXPECT_NEAR(tones[t].pitch, pitches[t], 1) << t;
        EXPECT_NEAR(double(tones[t].end - tones[t].begin) * kFrameMs, 500, 2 * kFrameMs) << t;
    }
    // Each sine begins at a zero, so its first frame is silent: one frame more at most.
    const std::vector<double> gaps = gapsMs(tones);
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_NEAR(gaps[0], 12.0, 1.5 * kFrameMs);
    EXPECT_NEAR(gaps[1], 54.675, 1.5 * kFrameMs);
    EXPECT_NEAR(gaps[2], 97.35, 1.5 * kFrameMs);
}

TEST(ToneGaps, findsChangesOfPitchWithoutSilenceAsGapsOfZero)
{
    std::vector<float> recording;
    for (double hz : {300.0, 450.0, 2100.0, 1950.0, 300.0})
        append(recording, hz, 500);
    const std::vector<Tone> tones = findTones(recording);
    ASSERT_EQ(tones.size(), 5u);
    for (double gap : gapsMs(tones))
        EXPECT_EQ(gap, 0);
    EXPECT_NEAR(tones[2].pitch, 2100, 1);
    // The split lies within one 10 ms window of the true change.
    EXPECT_NEAR(double(tones[1].end) * kFrameMs, 1000, 10);
}

TEST(ToneGaps, neitherShortDropoutsNorQuietNoiseSplitATone)
{
    std::vector<float> recording;
    append(recording, 440, 300);
    append(recording, 0, 1.5); // under 2 ms: part of the tone
    append(recording, 440, 300);
    append(recording, 0, 100, 0.0009f); // noise under -60 dBFS is silence
    append(recording, 880, 300);

    const std::vector<Tone> tones = findTones(recording);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(gapsMs(tones).at(0), 100, 1.5 * kFrameMs);
    EXPECT_TRUE(findTones({}).empty());
    EXPECT_TRUE(gapsMs(findTones(std::vector<float>(96000, 0.0f))).empty());
}

} // namespace
} // namespace zuvelo::bench
