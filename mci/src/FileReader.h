#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zuvelo::mci {

// Reads a decoder's file through a descriptor it shares with other readers of the same file,
// at a position of its own, the file's first start bytes hidden (an mp3's ID3v2 tags). Small
// reads come from a block read ahead (a decoder looking for a frame header in a damaged file
// reads a few bytes at every position). Reads give up once the decoder is asked to abort and,
// while a limit is set (during open, on the caller's thread), past a number of bytes or a moment.
class FileReader {
public:
    FileReader(int fd, std::int64_t start, const std::atomic<bool>& abort) : m_fd(fd), m_start(start), m_abort(abort) {}

    // Like POSIX read and lseek, positions counted from start.
    long read(void* to, std::size_t bytes);
    std::int64_t seek(std::int64_t offset, int whence);
    // The file's size from start, or -1.
    std::int64_t size() const;

    // From now on, reads fail beyond bytes more bytes or after deadline.
    void limit(std::int64_t bytes, std::chrono::steady_clock::time_point deadline);
    void unlimit() { m_limited = false; }
    // Why a read failed because of the limit, in a listener's words; empty when none did.
    const std::string& refusal() const { return m_refusal; }

private:
    long readFile(void* to, std::size_t bytes, std::int64_t at);

    int m_fd;
    std::int64_t m_start;
    const std::atomic<bool>& m_abort;
    std::int64_t m_position = 0;
    bool m_limited = false;
    std::int64_t m_bytesLeft = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_refusal;
    std::vector<unsigned char> m_block; // read ahead from m_blockAt on
    std::int64_t m_blockAt = 0;
};

} // namespace zuvelo::mci
