#include "SoundFontFile.h"

#include "FluidSynthLibrary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace zuvelo::mci {

namespace {

// A soundfont's structure (names, presets, zones) is small; the samples are the bulk. A "structure"
// beyond this is a damaged or hostile file, not worth holding in memory.
constexpr std::uint64_t kMaxStructureBytes = 64u << 20;

std::uint32_t littleEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

// Reads up to count bytes at offset and returns how many it got: fewer only where the file ends
// (or cannot give more).
std::size_t readUpTo(int descriptor, std::uint64_t offset, std::uint8_t* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(descriptor, buffer + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

// Reads count bytes at offset; whatever the file no longer holds (or cannot give) reads as zeros.
void readOrZero(int descriptor, std::uint64_t offset, std::uint8_t* buffer, std::size_t count)
{
    const std::size_t done = readUpTo(descriptor, offset, buffer, count);
    std::memset(buffer + done, 0, count - done);
}

// Whole reads only: false when the file is shorter than asked.
bool readExactly(int descriptor, std::uint64_t offset, std::uint8_t* buffer, std::size_t count)
{
    return readUpTo(descriptor, offset, buffer, count) == count;
}

std::mutex g_filesLock;
std::map<std::string, std::shared_ptr<SoundFontFile>>& files()
{
    // Never destroyed: a renderer may load samples while the process exits.
    static auto* map = new std::map<std::string, std::shared_ptr<SoundFontFile>>;
    return *map;
}

// What FluidSynth's file callbacks hand around: one reader with its own position.
struct Handle {
    std::shared_ptr<SoundFontFile> file;
    std::uint64_t position = 0;
};

void* openCallback(const char* filename)
{
    std::lock_guard guard(g_filesLock);
    const auto it = files().find(filename ? filename : "");
    return it == files().end() ? nullptr : new Handle{it->second, 0};
}

int readCallback(void* buffer, fluid_long_long_t count, void* opaque)
{
    auto* handle = static_cast<Handle*>(opaque);
    if (count < 0 || !handle->file->read(handle->position, buffer, std::size_t(count)))
        return FLUID_FAILED;
    handle->position += std::uint64_t(count);
    return FLUID_OK;
}

int seekCallback(void* opaque, fluid_long_long_t offset, int origin)
{
    auto* handle = static_cast<Handle*>(opaque);
    fluid_long_long_t base = 0;
    if (origin == SEEK_CUR)
        base = fluid_long_long_t(handle->position);
    else if (origin == SEEK_END)
        base = fluid_long_long_t(handle->file->size());
    else if (origin != SEEK_SET)
        return FLUID_FAILED;
    const fluid_long_long_t target = base + offset;
    if (target < 0 || std::uint64_t(target) > handle->file->size())
        return FLUID_FAILED;
    handle->position = std::uint64_t(target);
    return FLUID_OK;
}

fluid_long_long_t tellCallback(void* opaque)
{
    return fluid_long_long_t(static_cast<Handle*>(opaque)->position);
}

int closeCallback(void* opaque)
{
    delete static_cast<Handle*>(opaque);
    return FLUID_OK;
}

} // namespace

std::shared_ptr<SoundFontFile> SoundFontFile::open(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    std::shared_ptr<SoundFontFile> file(new SoundFontFile(descriptor, std::uint64_t(status.st_size)));
    return file->copyStructure() ? file : nullptr;
}

SoundFontFile::~SoundFontFile()
{
    ::close(m_descriptor);
}

// Finds the sample data (the "sdta" list) among the RIFF file's top-level chunks and copies
// everything else. Every chunk must lie within the file: a truncated soundfont is refused here.
bool SoundFontFile::copyStructure()
{
    std::uint8_t header[12];
    if (!readExactly(m_descriptor, 0, header, sizeof header) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "sfbk", 4) != 0)
        return false;
    const std::uint64_t riffEnd = 8 + std::uint64_t(littleEndian32(header + 4));
    if (riffEnd > m_size)
        return false;
    for (std::uint64_t at = 12; at + 8 <= riffEnd;) {
        std::uint8_t chunk[12];
        if (!readExactly(m_descriptor, at, chunk, sizeof chunk))
            return false;
        const std::uint64_t length = littleEndian32(chunk + 4);
        if (at + 8 + length > riffEnd)
            return false;
        if (std::memcmp(chunk, "LIST", 4) == 0 && length >= 4 && std::memcmp(chunk + 8, "sdta", 4) == 0) {
            m_samplesBegin = at + 12;
            m_samplesEnd = at + 8 + length;
        }
        at += 8 + length + (length & 1);
    }
    const std::uint64_t structureBytes = m_size - (m_samplesEnd - m_samplesBegin);
    if (structureBytes > kMaxStructureBytes)
        return false;
    m_structure.resize(std::size_t(structureBytes));
    return readExactly(m_descriptor, 0, m_structure.data(), std::size_t(m_samplesBegin)) &&
           readExactly(m_descriptor, m_samplesEnd, m_structure.data() + m_samplesBegin,
                       std::size_t(m_size - m_samplesEnd));
}

bool SoundFontFile::read(std::uint64_t offset, void* buffer, std::size_t count) const
{
    if (offset > m_size || count > m_size - offset)
        return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t end = offset + count;
    // Before the samples, the samples, after them: each part of [offset, end) from its source.
    if (offset < m_samplesBegin) {
        const std::uint64_t n = std::min(end, m_samplesBegin) - offset;
        std::memcpy(out, m_structure.data() + offset, std::size_t(n));
        out += n;
        offset += n;
    }
    if (offset < end && offset < m_samplesEnd) {
        const std::uint64_t n = std::min(end, m_samplesEnd) - offset;
        readOrZero(m_descriptor, offset, out, std::size_t(n));
        out += n;
        offset += n;
    }
    if (offset < end)
        std::memcpy(out, m_structure.data() + m_samplesBegin + (offset - m_samplesEnd), std::size_t(end - offset));
    return true;
}

fluid_sfloader_t* newSoundFontFileLoader(fluid_settings_t* settings)
{
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (loader != nullptr && fluid_sfloader_set_callbacks(loader, openCallback, readCallback, seekCallback,
                                                          tellCallback, closeCallback) != FLUID_OK) {
        delete_fluid_sfloader(loader);
        return nullptr;
    }
    return loader;
}

void useSoundFontFile(const std::string& path, std::shared_ptr<SoundFontFile> file)
{
    std::lock_guard guard(g_filesLock);
    files()[path] = std::move(file);
}

} // namespace zuvelo::mci
