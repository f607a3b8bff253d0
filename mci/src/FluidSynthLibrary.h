#pragma once

// FluidSynth, loaded with dlopen on the first MIDI open rather than linked: a program that never
// plays a MIDI file does not map it and the libraries it pulls in (about 2 MB of the resident
// size, and part of the start-up's linking).
//
// Include this instead of <fluidsynth.h>: the calls keep FluidSynth's own names, which the macros
// below send through the table of functions looked up at load. Call loadFluidSynth() first; every
// other FluidSynth call is only valid once it has returned true.
#include <fluidsynth.h>

namespace zuvelo::mci {

#define ZUVELO_FLUIDSYNTH_FUNCTIONS(X)                                                                                 \
    X(new_fluid_settings)                                                                                              \
    X(delete_fluid_settings)                                                                                           \
    X(fluid_settings_setint) X(fluid_settings_setnum) X(fluid_settings_setstr) X(fluid_set_log_function)               \
        X(new_fluid_synth) X(delete_fluid_synth) X(fluid_synth_add_sfloader) X(fluid_synth_sfload)                     \
            X(fluid_synth_pin_preset) X(fluid_synth_get_sfont_by_id) X(fluid_synth_add_sfont)                          \
                X(fluid_synth_remove_sfont) X(fluid_synth_all_sounds_off) X(fluid_synth_get_active_voice_count)        \
                    X(fluid_synth_write_float) X(new_fluid_player) X(delete_fluid_player) X(fluid_player_add_mem)      \
                        X(fluid_player_play) X(fluid_player_stop) X(fluid_player_get_status)                           \
                            X(fluid_player_get_current_tick) X(new_fluid_defsfloader) X(delete_fluid_sfloader)         \
                                X(fluid_sfloader_set_callbacks)

struct FluidSynthFunctions {
#define ZUVELO_FLUIDSYNTH_POINTER(name) decltype(&::name) name = nullptr;
    ZUVELO_FLUIDSYNTH_FUNCTIONS(ZUVELO_FLUIDSYNTH_POINTER)
#undef ZUVELO_FLUIDSYNTH_POINTER
};

// Loads the library once (any thread); false, said once on stderr, when it or a function is
// missing: MIDI files then do not open.
bool loadFluidSynth();
// The table; filled once loadFluidSynth() has returned true.
const FluidSynthFunctions& fluidSynth();

} // namespace zuvelo::mci

#define new_fluid_settings(...) ::zuvelo::mci::fluidSynth().new_fluid_settings(__VA_ARGS__)
#define delete_fluid_settings(...) ::zuvelo::mci::fluidSynth().delete_fluid_settings(__VA_ARGS__)
#define fluid_settings_setint(...) ::zuvelo::mci::fluidSynth().fluid_settings_setint(__VA_ARGS__)
#define fluid_settings_setnum(...) ::zuvelo::mci::fluidSynth().fluid_settings_setnum(__VA_ARGS__)
#define fluid_settings_setstr(...) ::zuvelo::mci::fluidSynth().fluid_settings_setstr(__VA_ARGS__)
#define fluid_set_log_function(...) ::zuvelo::mci::fluidSynth().fluid_set_log_function(__VA_ARGS__)
#define new_fluid_synth(...) ::zuvelo::mci::fluidSynth().new_fluid_synth(__VA_ARGS__)
#define delete_fluid_synth(...) ::zuvelo::mci::fluidSynth().delete_fluid_synth(__VA_ARGS__)
#define fluid_synth_add_sfloader(...) ::zuvelo::mci::fluidSynth().fluid_synth_add_sfloader(__VA_ARGS__)
#define fluid_synth_sfload(...) ::zuvelo::mci::fluidSynth().fluid_synth_sfload(__VA_ARGS__)
#define fluid_synth_pin_preset(...) ::zuvelo::mci::fluidSynth().fluid_synth_pin_preset(__VA_ARGS__)
#define fluid_synth_get_sfont_by_id(...) ::zuvelo::mci::fluidSynth().fluid_synth_get_sfont_by_id(__VA_ARGS__)
#define fluid_synth_add_sfont(...) ::zuvelo::mci::fluidSynth().fluid_synth_add_sfont(__VA_ARGS__)
#define fluid_synth_remove_sfont(...) ::zuvelo::mci::fluidSynth().fluid_synth_remove_sfont(__VA_ARGS__)
#define fluid_synth_all_sounds_off(...) ::zuvelo::mci::fluidSynth().fluid_synth_all_sounds_off(__VA_ARGS__)
#define fluid_synth_get_active_voice_count(...)                                                                        \
    ::zuvelo::mci::fluidSynth().fluid_synth_get_active_voice_count(__VA_ARGS__)
#define fluid_synth_write_float(...) ::zuvelo::mci::fluidSynth().fluid_synth_write_float(__VA_ARGS__)
#define new_fluid_player(...) ::zuvelo::mci::fluidSynth().new_fluid_player(__VA_ARGS__)
#define delete_fluid_player(...) ::zuvelo::mci::fluidSynth().delete_fluid_player(__VA_ARGS__)
#define fluid_player_add_mem(...) ::zuvelo::mci::fluidSynth().fluid_player_add_mem(__VA_ARGS__)
#define fluid_player_play(...) ::zuvelo::mci::fluidSynth().fluid_player_play(__VA_ARGS__)
#define fluid_player_stop(...) ::zuvelo::mci::fluidSynth().fluid_player_stop(__VA_ARGS__)
#define fluid_player_get_status(...) ::zuvelo::mci::fluidSynth().fluid_player_get_status(__VA_ARGS__)
#define fluid_player_get_current_tick(...) ::zuvelo::mci::fluidSynth().fluid_player_get_current_tick(__VA_ARGS__)
#define new_fluid_defsfloader(...) ::zuvelo::mci::fluidSynth().new_fluid_defsfloader(__VA_ARGS__)
#define delete_fluid_sfloader(...) ::zuvelo::mci::fluidSynth().delete_fluid_sfloader(__VA_ARGS__)
#define fluid_sfloader_set_callbacks(...) ::zuvelo::mci::fluidSynth().fluid_sfloader_set_callbacks(__VA_ARGS__)
