#include "MediaFixture.h"

#include "mci/mci.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace zuvelo::mci::test {
namespace {

constexpr std::size_t kRate = 48000;
constexpr std::size_t kWindowFrames = kRate / 100;
// A window sounds when its RMS is above this; the test tones have an RMS of about 0.09 (lavfi's
// sine has amplitude 1/8), silence is exactly 0.
constexpr double kSoundRms = 0.01;

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// One capture file a process, since the output is one a process.
std::string g_captureFolder;

void removeCaptureFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(g_captureFolder, ec);
}

} // namespace

std::vector<Capture::Run> Capture::runs() const
{
    std::vector<Run> result;
    const std::size_t windows = frames() / kWindowFrames;
    for (std::size_t w = 0; w < windows; ++w) {
        double sum = 0;
        for (std::size_t i = w * kWindowFrames * 2; i < (w + 1) * kWindowFrames * 2; ++i)
            sum += double(samples[i]) * samples[i];
        const bool sound = std::sqrt(sum / (kWindowFrames * 2)) > kSoundRms;
        if (result.empty() || result.back().sound != sound)
            result.push_back(Run{sound, w, 0});
        ++result.back().windows;
    }
    return result;
}

std::vector<Capture::Run> Capture::soundRuns(double minGapMs) const
{
    std::vector<Run> result;
    for (const Run& run : runs()) {
        if (!run.sound)
            continue;
        if (!result.empty()) {
            const Run& last = result.back();
            const double gapMs = double(run.firstWindow - (last.firstWindow + last.windows)) * kWindowMs;
            if (gapMs < minGapMs) {
                result.back().windows = run.firstWindow + run.windows - last.firstWindow;
                continue;
            }
        }
        result.push_back(run);
    }
    return result;
}

double Capture::soundMs() const
{
    double ms = 0;
    for (const Run& run : runs()) {
        if (run.sound)
            ms += run.ms();
    }
    return ms;
}

double Capture::frequencyHz(std::size_t firstWindow, std::size_t windows) const
{
    const std::size_t from = firstWindow * kWindowFrames;
    const std::size_t to = std::min(frames(), (firstWindow + windows) * kWindowFrames);
    if (to <= from + 1)
        return 0;
    std::size_t crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if ((samples[2 * (i - 1)] < 0) != (samples[2 * i] < 0))
            ++crossings;
    }
    return crossings / 2.0 / (double(to - from) / kRate);
}

std::string MediaTest::captureFile()
{
    if (g_captureFolder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zuvelo-mci-output-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        g_captureFolder = pattern;
        std::atexit(&removeCaptureFolder);
    }
    return g_captureFolder + "/output.raw";
}

void MediaTest::SetUp()
{
    // Set once, before the process's first open: the output reads them when it opens.
    static const std::string file = captureFile();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    m_captureStart = captureSize();
}

std::uintmax_t MediaTest::captureSize() const
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(captureFile(), ec);
    return ec ? 0 : size / (2 * sizeof(float)) * (2 * sizeof(float));
}

std::string MediaTest::encode(const std::string& name, const std::string& lavfiInput, const std::string& extraArgs)
{
    // ffmpeg picks the container by the extension; encode under a plain name and rename, so that
    // names with blanks, quotes or Japanese characters need no care on the command line.
    const std::string extension = std::filesystem::path(name).extension().string();
    const std::string plain = m_folder / ("encoded" + extension);
    const std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i " + shellQuoted(lavfiInput) + " " +
                                extraArgs + " " + shellQuoted(plain);
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "ffmpeg failed: " << command;
        return {};
    }
    const std::string path = m_folder / name;
    std::filesystem::rename(plain, path);
    return path;
}

std::string MediaTest::writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    m_folder.write(name, std::string(bytes.begin(), bytes.end()));
    return m_folder / name;
}

std::string MediaTest::send(const std::string& command)
{
    char reply[255];
    const unsigned long error = mciSendString(command.c_str(), reply, sizeof reply, nullptr);
    EXPECT_EQ(error, 0u) << command;
    return error == 0 ? std::string(reply) : std::string();
}

std::string MediaTest::status(const std::string& device, const std::string& item)
{
    return send("status " + device + " " + item);
}

long MediaTest::statusNumber(const std::string& device, const std::string& item)
{
    return std::atol(status(device, item).c_str());
}

bool MediaTest::waitForMode(const std::string& device, const std::string& wanted, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (status(device, "mode") != wanted) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool MediaTest::waitForPosition(const std::string& device, long ms, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (statusNumber(device, "position") < ms) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

Capture MediaTest::capture(double afterMs)
{
    // The disk driver writes in real time; wait until it has written afterMs more, so that the
    // buffers handed over before now are on disk. Bounded: a stalled output fails the test below.
    const std::uintmax_t wanted = captureSize() + std::uintmax_t(afterMs * kRate / 1000.0) * 2 * sizeof(float);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (captureSize() < wanted && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(captureSize(), wanted) << "the sound output stopped writing";

    Capture result;
    std::ifstream in(captureFile(), std::ios::binary);
    in.seekg(std::streamoff(m_captureStart));
    const std::uintmax_t bytes = captureSize() - m_captureStart;
    result.samples.resize(bytes / sizeof(float));
    in.read(reinterpret_cast<char*>(result.samples.data()), std::streamsize(result.samples.size() * sizeof(float)));
    result.samples.resize(std::size_t(in.gcount()) / sizeof(float) / 2 * 2);
    return result;
}

} // namespace zuvelo::mci::test
