#include "FileReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zuvelo::mci {

namespace {
constexpr std::size_t kBlockBytes = 32 * 1024;
} // namespace

long FileReader::read(void* to, std::size_t bytes)
{
    if (m_abort.load(std::memory_order_relaxed))
        return -1;
    if (m_limited) {
        if (m_bytesLeft <= 0)
            m_refusal = "no sound was found where it should begin";
        else if (std::chrono::steady_clock::now() > m_deadline)
            m_refusal = "it took too long to open";
        if (!m_refusal.empty())
            return -1;
        bytes = std::size_t(std::min<std::int64_t>(std::int64_t(bytes), m_bytesLeft));
    }
    long got = 0;
    if (bytes >= kBlockBytes / 2) {
        got = readFile(to, bytes, m_position);
    } else {
        const bool inBlock =
            m_position >= m_blockAt && m_position + std::int64_t(bytes) <= m_blockAt + std::int64_t(m_block.size());
        if (!inBlock) {
            m_block.resize(kBlockBytes);
            const long filled = readFile(m_block.data(), kBlockBytes, m_position);
            m_block.resize(std::size_t(std::max(filled, 0L)));
            m_blockAt = m_position;
            if (filled < 0)
                return -1;
        }
        got = long(std::min<std::int64_t>(std::int64_t(bytes), m_blockAt + std::int64_t(m_block.size()) - m_position));
        std::memcpy(to, m_block.data() + (m_position - m_blockAt), std::size_t(got));
    }
    if (got > 0) {
        m_position += got;
        m_bytesLeft -= got;
    }
    return got;
}

long FileReader::readFile(void* to, std::size_t bytes, std::int64_t at)
{
    ssize_t got = 0;
    do
        got = ::pread(m_fd, to, bytes, m_start + at);
    while (got < 0 && errno == EINTR);
    return long(got);
}

std::int64_t FileReader::seek(std::int64_t offset, int whence)
{
    std::int64_t to = offset;
    if (whence == SEEK_CUR)
        to += m_position;
    else if (whence == SEEK_END)
        to += size();
    else if (whence != SEEK_SET)
        return -1;
    if (to < 0 || (whence == SEEK_END && size() < 0))
        return -1;
    return m_position = to;
}

std::int64_t FileReader::size() const
{
    struct stat status {};
    return ::fstat(m_fd, &status) == 0 && status.st_size >= m_start ? status.st_size - m_start : -1;
}

void FileReader::limit(std::int64_t bytes, std::chrono::steady_clock::time_point deadline)
{
    m_limited = true;
    m_bytesLeft = bytes;
    m_deadline = deadline;
}

} // namespace zuvelo::mci
