#pragma once

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zuvelo::mci::test {

// What came out of the sound output, read back from SDL's disk driver file (48 kHz stereo float).
struct Capture {
    std::vector<float> samples; // interleaved stereo

    std::size_t frames() const { return samples.size() / 2; }

    // A run of 10 ms windows that all sound (or all are silent).
    struct Run {
        bool sound;
        std::size_t firstWindow;
        std::size_t windows;
        double ms() const { return windows * kWindowMs; }
    };
    static constexpr double kWindowMs = 10.0;

    // The capture cut into sounding and silent runs, each window judged by its RMS.
    std::vector<Run> runs() const;
    // Runs of sound only, ignoring silent gaps shorter than minGapMs.
    std::vector<Run> soundRuns(double minGapMs = 50.0) const;
    // Milliseconds of sound in total.
    double soundMs() const;
    // The left channel's frequency in Hz over windows [firstWindow, firstWindow + windows), by
    // counting zero crossings.
    double frequencyHz(std::size_t firstWindow, std::size_t windows) const;
};

// Tests that play through the real layer on SDL's disk driver. The output is one per process;
// the driver and its file are set before the first open, and each test reads back only what was
// written after it started, so the suite also works as one process.
class MediaTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Encodes a file with the ffmpeg command line: lavfiInput is a lavfi source (e.g.
    // "sine=frequency=440:duration=0.5"), extraArgs go before the output name.
    std::string encode(const std::string& name, const std::string& lavfiInput,
                       const std::string& extraArgs = "-ar 44100");
    // A file with these exact bytes.
    std::string writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes);

    // Sends a command, expecting success; returns the reply.
    std::string send(const std::string& command);
    // The device's "status ... <item>" reply.
    std::string status(const std::string& device, const std::string& item);
    long statusNumber(const std::string& device, const std::string& item);
    // Waits (polling every 5 ms) until the device's mode is wanted; false after timeout.
    bool waitForMode(const std::string& device, const std::string& wanted,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until the device's position has reached ms; false after timeout.
    bool waitForPosition(const std::string& device, long ms,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until the output has written another afterMs of audio, then returns everything
    // written since this test started.
    Capture capture(double afterMs = 150.0);

    static std::string quoted(const std::string& path) { return "\"" + path + "\""; }

    zuvelo::testing::TemporaryFolder m_folder;

private:
    static std::string captureFile();
    std::uintmax_t captureSize() const;
    std::uintmax_t m_captureStart = 0;
};

} // namespace zuvelo::mci::test
