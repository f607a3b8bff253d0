#include "TrackSelection.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>

namespace zuvelo {
namespace {

// One process-wide generator; every selection reseeds it from the clock before its single draw.
std::mt19937_64& generator()
{
    static std::mt19937_64 engine;
    return engine;
}

void reseedFromClock()
{
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    generator().seed(seed);
}

} // namespace

void SelectNextTrack(PlayerState& state, SelectionForm form)
{
    const std::int64_t nmax = state.nmax;

    // 1. Bring a2 into range: start-up saturates, the monitor wraps. The two tests run in this
    //    order, the second seeing the result of the first.
    if (form == SelectionForm::Startup) {
        if (state.a2 > nmax)
            state.a2 = nmax;
        if (state.a2 < 1)
            state.a2 = 1;
    } else {
        if (state.a2 > nmax)
            state.a2 = 1;
        if (state.a2 < 1)
            state.a2 = nmax;
    }

    // 2. Reseed on every call, whatever the mode.
    reseedFromClock();

    // 3. Random pick, uniform over 1..nmax, the track just played included.
    if (state.a1 == kModeRandom && state.b2 == 0) {
        // The top 53 bits as a fraction: strictly below 1, unlike generate_canonical, which may
        // round up to 1.0.
        const double r = static_cast<double>(generator()() >> 11) * 0x1.0p-53;
        state.a2 = static_cast<std::int64_t>(std::floor(r * static_cast<double>(nmax))) + 1;
    }
    // 4. Replay the track last started. Step 3 left b2 alone, so the two never both act.
    if (state.a1 == kModeRandom && state.b2 == 1) {
        state.a2 = state.a3;
        state.b2 = 0;
    }
    // 5. Step from whatever step 1 left.
    if (state.a1 == kModeInOrder)
        state.a2 = state.a2 + 1;
    if (state.a1 == kModeReverse)
        state.a2 = state.a2 - 1;

    // 6. Wrap at both ends.
    if (state.a2 > nmax)
        state.a2 = 1;
    if (state.a2 < 1)
        state.a2 = nmax;

    // 7. Record the track started.
    state.a3 = state.a2;
}

} // namespace zuvelo
