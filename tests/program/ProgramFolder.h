#pragma once

#include "MediaCorpus.h"
#include "ProgramRun.h"
#include "Recording.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

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
    // A track of format at relativePath sounding frequency for seconds.
    void tone(const std::string& relativePath, double frequency, double seconds) const
    {
        makeFolder(std::filesystem::path(relativePath).parent_path());
        const std::string format = relativePath.substr(relativePath.rfind('.') + 1);
        TemporaryFolder scratch;
        MediaCorpus::write(*this / relativePath, MediaCorpus::tone(format, frequency, seconds, scratch.path()));
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
