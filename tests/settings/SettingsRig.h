#pragma once

// What the settings suites share: a reused player state and start-up's read, as (a1, a2).

#include "settings/SettingsFile.h"

#include "OpenHandles.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;
using Values = std::pair<std::int64_t, std::int64_t>; // a1 and a2

inline constexpr std::int64_t kEmpty = -999999, kBefore = 4321; // an empty variable; a2 before reading
inline const auto shown = [](const PlayerNumber& n) { return n.isEmpty() ? kEmpty : n.value(); };
inline const auto entries = [](const std::string& folder) { return std::distance(fs::directory_iterator(folder), {}); };

// One state for every call (building its track table takes a while), set to folder, a1 and a2.
inline PlayerState& stateIn(const std::string& folder, std::int64_t a1, std::int64_t a2)
{
    static PlayerState state;
    state.Pare = folder;
    state.a1 = a1;
    state.a2 = a2 == kEmpty ? PlayerNumber{} : PlayerNumber{a2};
    return state;
}

// Start-up's read into a1 = 1 and a2 = kBefore; a3 must follow a2, and no descriptor stay open.
inline Values readFrom(const std::string& folder)
{
    const auto handles = zuvelo::testing::openHandles();
    PlayerState& state = stateIn(folder, 1, kBefore);
    readSettings(state);
    EXPECT_EQ(zuvelo::testing::openHandles(), handles);
    EXPECT_EQ(shown(state.a3), shown(state.a2));
    return {shown(state.a1), shown(state.a2)};
}
