#pragma once

#include <cstdint>
#include <vector>

namespace zuvelo {

// The distinct track numbers that could not be opened since a track last played. A number that
// fails again counts once, so random mode, which may draw the same bad track again and again,
// still passes over bad tracks until every number has failed.
class FailedTracks {
public:
    // Notes that track (1 to nmax) could not be opened; other numbers are ignored.
    void add(std::int64_t track, std::int64_t nmax)
    {
        if (track < 1 || track > nmax)
            return;
        if (m_failed.size() < static_cast<std::size_t>(nmax) + 1)
            m_failed.resize(static_cast<std::size_t>(nmax) + 1);
        if (!m_failed[static_cast<std::size_t>(track)]) {
            m_failed[static_cast<std::size_t>(track)] = true;
            ++m_count;
        }
    }

    // True when no track has failed since the record was last cleared.
    bool empty() const { return m_count == 0; }

    // True when every track number 1 to nmax has failed (never with no tracks).
    bool all(std::int64_t nmax) const { return nmax >= 1 && m_count >= nmax; }

    // Forgets every failure. Cheap when there is none, as on every tick of a playing track.
    void clear()
    {
        if (m_count == 0)
            return;
        m_failed.assign(m_failed.size(), false);
        m_count = 0;
    }

private:
    std::vector<bool> m_failed; // indexed by track number
    std::int64_t m_count = 0;
};

} // namespace zuvelo
