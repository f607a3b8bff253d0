// Writes one piece of the demo library. Usage:
//   zuvelo_make_demo midi OUT.mid PROGRAM BPM     (PROGRAM: General MIDI, 0 = piano)
//   zuvelo_make_demo wave OUT.wav TRANSPOSE BEATS
// The build encodes the wave pieces further into mp3, mp2 and wma with the ffmpeg command line.
#include "DemoTune.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool writeFile(const char* path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zuvelo::demo;
    const std::string kind = argc > 1 ? argv[1] : "";
    if (kind == "midi" && argc == 5)
        return writeFile(argv[2], writeStandardMidiFile(demoTune(), std::atof(argv[4]), std::atoi(argv[3]))) ? 0 : 1;
    if (kind == "wave" && argc == 5) {
        // The first BEATS beats of the tune, so that each audio piece lasts a few seconds.
        const double beats = std::atof(argv[4]);
        std::vector<Note> notes;
        for (const Note& n : demoTune())
            if (n.startBeat + n.lengthBeats <= beats)
                notes.push_back(n);
        return writeFile(argv[2], renderWaveFile(notes, 168, std::atoi(argv[3]), 44100)) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: %s midi OUT.mid PROGRAM BPM | wave OUT.wav TRANSPOSE BEATS\n", argv[0]);
    return 2;
}
