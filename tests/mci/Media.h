#pragma once

// What the media layer's tests share: files the ffmpeg command line makes and decodes, commands
// sent through mciSendString, and the output as SDL's disk driver records it (48 kHz stereo float).

#include "MidiRenderer.h"
#include "TemporaryFolder.h"

#include "mci/mci.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace zuvelo::mci::test {

using Samples = std::vector<float>; // interleaved stereo
using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;
namespace fs = std::filesystem;

// A Standard MIDI File of these tracks, at 96 ticks a quarter.
inline Bytes smf(const std::vector<Bytes>& tracks)
{
    Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, Byte(tracks.size() > 1), 0, Byte(tracks.size()), 0, 96};
    for (const Bytes& t : tracks) {
        const std::size_t n = t.size();
        file.insert(file.end(), {'M', 'T', 'r', 'k', Byte(n >> 24), Byte(n >> 16), Byte(n >> 8), Byte(n)});
        file.insert(file.end(), t.begin(), t.end());
    }
    return file;
}

class Media : public ::testing::Test {
protected:
    // The process's one recording, named before the output opens; a test hears what follows its start.
    void SetUp() override
    {
        static const zuvelo::testing::TemporaryFolder recordings;
        m_recording = recordings / "output.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_recording.c_str(), 1);
        m_start = recordedBytes();
    }

    static auto send(std::string s, char* r = nullptr, unsigned n = 0) { return mciSendString(s.data(), r, n, 0); }
    static std::string status(const std::string& device, const std::string& item)
    {
        char reply[64] = "";
        EXPECT_EQ(send("status " + device + " " + item, reply, sizeof reply), 0u) << device;
        return reply;
    }
    static long position(const std::string& device) { return std::atol(status(device, "position").c_str()); }
    // Polls until done() holds; false after ten seconds (a hang, not a measurement).
    static bool eventually(const std::function<bool()>& done)
    {
        for (int i = 0; i < 5000 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return done();
    }
    std::string quoted(const std::string& name) const { return "\"" + m_folder / name + "\""; }
    void write(const std::string& name, const Bytes& b) const { m_folder.write(name, std::string(b.begin(), b.end())); }

    // A rising sweep of so many seconds, encoded in the format the name's extension picks: unlike a
    // steady tone, no stretch of it repeats another, so a skip shows.
    std::string encode(const std::string& name, double seconds, const std::string& args = "-ar 44100")
    {
        run("-f lavfi -i aevalsrc='0.2*sin(2*PI*(300+500*t)*t)':d=" + std::to_string(seconds) + " " + args, name);
        return m_folder / name;
    }
    // The file as the ffmpeg command line decodes it at the output's rate; MIDI as a renderer renders it.
    Samples decode(const std::string& name)
    {
        Samples midi(2 * 48000 * 5);
        if (const auto renderer = name.ends_with(".mid") ? MidiRenderer::open(m_folder / name).take() : nullptr)
            return midi.resize(2 * renderer->read(midi.data(), 48000 * 5)), midi;
        run("-i '" + m_folder / name + "' -f f32le -ac 2 -ar 48000", name + ".raw");
        return readFloats(m_folder / name + ".raw");
    }
    // What the output wrote since the test began, once it has written moreMs beyond now.
    Samples recording(double moreMs = 150)
    {
        const std::uintmax_t wanted = recordedBytes() + std::uintmax_t(moreMs * 48) * 8;
        EXPECT_TRUE(eventually([&] { return recordedBytes() >= wanted; })) << "the output stopped";
        return readFloats(m_recording, m_start);
    }

    zuvelo::testing::TemporaryFolder m_folder;

private:
    void run(const std::string& args, const std::string& output) const
    {
        ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y " + args + " '" + m_folder / output + "'").c_str()),
                  0);
    }
    static Samples readFloats(const std::string& file, std::uintmax_t fromByte = 0)
    {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in.seekg(std::streamoff(fromByte))), {}};
        Samples samples(bytes.size() / 8 * 2);
        std::copy_n(bytes.data(), samples.size() * sizeof(float), reinterpret_cast<char*>(samples.data()));
        return samples;
    }
    std::uintmax_t recordedBytes() const { return fs::exists(m_recording) ? fs::file_size(m_recording) / 8 * 8 : 0; }

    std::string m_recording;
    std::uintmax_t m_start = 0;
};

} // namespace zuvelo::mci::test
