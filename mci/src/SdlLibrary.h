#pragma once

// SDL, loaded with dlopen when the sound output first opens without a sound server's stream of its
// own (SDL_AUDIODRIVER set, or no server answering) rather than linked: a program playing into the
// server does not map it (about 1 MB of the resident size).
//
// Include this instead of <SDL.h>: the calls keep SDL's own names, which the macros below send
// through the table of functions looked up at load. Call loadSdl() first; every other SDL call is
// only valid once it has returned true.
#include <SDL.h>

namespace zuvelo::mci {

#define ZUVELO_SDL_FUNCTIONS(X)                                                                                        \
    X(SDL_InitSubSystem)                                                                                               \
    X(SDL_AudioInit) X(SDL_AudioQuit) X(SDL_OpenAudioDevice) X(SDL_PauseAudioDevice) X(SDL_CloseAudioDevice)           \
        X(SDL_GetCurrentAudioDriver) X(SDL_GetError)

struct SdlFunctions {
#define ZUVELO_SDL_POINTER(name) decltype(&::name) name = nullptr;
    ZUVELO_SDL_FUNCTIONS(ZUVELO_SDL_POINTER)
#undef ZUVELO_SDL_POINTER
};

// Loads the library once (any thread); false, said once on stderr, when it or a function is
// missing: the output then does not open.
bool loadSdl();
// The table; filled once loadSdl() has returned true.
const SdlFunctions& sdl();

} // namespace zuvelo::mci

#define SDL_InitSubSystem(...) ::zuvelo::mci::sdl().SDL_InitSubSystem(__VA_ARGS__)
#define SDL_AudioInit(...) ::zuvelo::mci::sdl().SDL_AudioInit(__VA_ARGS__)
#define SDL_AudioQuit(...) ::zuvelo::mci::sdl().SDL_AudioQuit(__VA_ARGS__)
#define SDL_OpenAudioDevice(...) ::zuvelo::mci::sdl().SDL_OpenAudioDevice(__VA_ARGS__)
#define SDL_PauseAudioDevice(...) ::zuvelo::mci::sdl().SDL_PauseAudioDevice(__VA_ARGS__)
#define SDL_CloseAudioDevice(...) ::zuvelo::mci::sdl().SDL_CloseAudioDevice(__VA_ARGS__)
#define SDL_GetCurrentAudioDriver(...) ::zuvelo::mci::sdl().SDL_GetCurrentAudioDriver(__VA_ARGS__)
#define SDL_GetError(...) ::zuvelo::mci::sdl().SDL_GetError(__VA_ARGS__)
