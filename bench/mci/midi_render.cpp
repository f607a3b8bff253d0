// Renders a MIDI file as the sequencer device plays it, for loudness measurements (bench/mci/loudness.sh).
//
//   zuvelo_midi_render IN.mid OUT.raw      48 kHz stereo 32-bit float, as the renderer hands it to
//                                          the output, before its clamp; prints the peak in dBFS
//   zuvelo_midi_render --dense OUT.mid     writes a dense General MIDI piece: fifteen instruments
//                                          and the drums, four-note chords on every beat at
//                                          velocity 120, for 20 s: as loud as General MIDI gets

#include "MidiRenderer.h"
#include "SmfWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--dense") == 0) {
        zuvelo::SmfWriter piece(96);
        const int track = piece.addTrack();
        const int programs[16] = {48, 61, 19, 52, 30, 81, 0, 56, 33, 0, 71, 24, 89, 62, 50, 16};
        for (int channel = 0; channel < 16; ++channel)
            piece.programChange(track, 0, channel, programs[channel]);
        for (std::uint32_t beat = 0; beat < 40; ++beat) {
            for (int channel = 0; channel < 16; ++channel) {
                for (const int key : {0, 4, 7, 12})
                    piece.note(track, beat * 96, 96, channel,
                               channel == 9 ? 35 + (key + channel) % 15 : 48 + key + beat % 5, 120);
            }
        }
        return piece.writeTo(argv[2]) ? 0 : 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: zuvelo_midi_render IN.mid OUT.raw | --dense OUT.mid\n");
        return 1;
    }
    auto renderer = zuvelo::mci::MidiRenderer::open(argv[1]).take();
    if (!renderer)
        return 2;
    std::ofstream out(argv[2], std::ios::binary);
    std::vector<float> block(4096 * 2);
    float peak = 0;
    for (std::size_t got; (got = renderer->read(block.data(), 4096)) > 0;) {
        for (std::size_t i = 0; i < got * 2; ++i)
            peak = std::max(peak, std::fabs(block[i]));
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(got * 2 * sizeof(float)));
    }
    std::printf("peak %.2f dBFS\n", 20 * std::log10(peak));
    return 0;
}
