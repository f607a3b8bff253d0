#pragma once

#include "FileIdentity.h"
#include "FrameSource.h"
#include "PendingFrames.h"

#include <atomic>
#include <string>

namespace zuvelo::mci {

// What the file decoders share: the frames decoded ahead, handed out by read(); the abort; and
// the end of the piece where the file is rewritten while it plays.
class FileSource : public FrameSource {
public:
    std::size_t read(float* interleavedStereo, std::size_t frames) final;
    void requestAbort() final { m_abort.store(true, std::memory_order_relaxed); }

protected:
    explicit FileSource(const std::string& path) : m_identity(path) {}
    // Decodes until at least one more frame is pending in m_pending. Returns false once the file
    // has ended (what is still pending stays readable).
    virtual bool decodeMore() = 0;

    std::atomic<bool> m_abort{false};
    PendingFrames m_pending;
    bool m_ended = false; // nothing more to decode

private:
    FileIdentity m_identity; // the file as it was when opened
};

} // namespace zuvelo::mci
