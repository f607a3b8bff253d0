#pragma once

#include "ProgramRun.h"
#include "Recording.h"
#include "SmfWriter.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace zuvelo::testing {

// A temporary program folder holding a copy of the built executable, where a test lays out
// music and settings, starts the program and reads what it wrote: its output in player.log, and
// on SDL's disk driver its sound in audio.raw.
struct ProgramFolder : TemporaryFolder {
    std::string program = path() + "/zuvelo";
    std::string audio = path() + "/audio.raw";

    explicit ProgramFolder(const std::string& base = {}) : TemporaryFolder(base)
    {
        std::filesystem::copy_file(ZUVELO_EXECUTABLE, program);
    }
    std::vector<std::string> diskAudio() const { return {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio}; }
    std::unique_ptr<ProgramRun> start(const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"},
                                      const std::vector<std::string>& arguments = {},
                                      const std::function<void()>& beforeExec = {}) const
    {
        return std::make_unique<ProgramRun>(program, environment, *this / "player.log", arguments, beforeExec);
    }
    std::unique_ptr<ProgramRun> startRecording() const { return start(diskAudio()); }
    std::string log() const { return read("player.log"); }
    // A track of the format its name ends in, sounding frequency for seconds, or silent when
    // frequency is 0: what the ffmpeg command line encodes, or for MIDI a held flute note (nearly a
    // pure tone) on the key nearest frequency.
    void tone(const std::string& relativePath, double frequency, double seconds) const
    {
        makeFolder(std::filesystem::path(relativePath).parent_path());
        const std::string format = relativePath.substr(relativePath.rfind('.') + 1), d = std::to_string(seconds);
        if (format == "mid" || format == "midi") {
            SmfWriter smf;
            smf.programChange(smf.addTrack(), 0, 0, 73);
            const long key = frequency > 0 ? std::lround(69 + 12 * std::log2(frequency / 440)) : 60;
            smf.note(0, 0, std::uint32_t(seconds * 960), 0, int(key), frequency > 0 ? 110 : 0);
            ASSERT_TRUE(smf.writeTo(*this / relativePath));
            return;
        }
        const std::string source = frequency > 0 ? "sine=frequency=" + std::to_string(frequency) + ":duration=" + d
                                                 : "anullsrc=r=44100:cl=stereo:d=" + d;
        const std::string made = *this / ("made." + format); // the shell need not quote the track's name
        const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i '" + source + "' -ar 44100 -ac 2 " +
                                    (format == "wma" ? "-c:a wmav2 '" : "'") + made + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::filesystem::rename(made, *this / relativePath);
    }
};

// What a shell command writes on stdout and stderr, without the last line feed.
inline std::string shell(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    if (output.ends_with('\n'))
        output.pop_back();
    return output;
}

// Ends the program with sig and expects an orderly exit.
inline void closeWith(ProgramRun& run, const ProgramFolder& folder, int sig = SIGTERM)
{
    ASSERT_TRUE(run.running()) << "exit status " << run.exitCode() << "\n" << folder.log();
    run.signal(sig);
    ASSERT_TRUE(run.waitForExit()) << "the signal did not end the program";
    EXPECT_EQ(run.exitCode(), 0) << folder.log();
}

} // namespace zuvelo::testing
