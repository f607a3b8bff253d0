#include "FileSource.h"

namespace zuvelo::mci {

std::size_t FileSource::read(float* interleavedStereo, std::size_t frames)
{
    const std::size_t done = m_pending.read(interleavedStereo, frames, m_abort, [this] { return decodeMore(); });
    // Checked after the reads: frames read before the first write are sound, and a write that came
    // during these reads drops them all. The piece then ends here, as if the file had ended.
    if (m_identity.changedOnDisk()) {
        m_ended = true;
        m_pending.clear();
        return 0;
    }
    return done;
}

} // namespace zuvelo::mci
