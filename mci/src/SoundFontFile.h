#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_sfloader_t fluid_sfloader_t;
typedef struct _fluid_hashtable_t fluid_settings_t;

namespace zuvelo::mci {

// A soundfont file held open from its load until the process ends.
//
// With samples loaded on demand, FluidSynth reads a preset's samples when a channel first selects
// it, which may be minutes after the load, and it does so by opening the file by name again and
// parsing its whole structure anew. If the file has been deleted or truncated meanwhile, that parse
// fails half way and leaves a voice pointing at samples that were never read: a crash in the
// synthesizer. Read through this object instead, the file cannot go away: the descriptor keeps a
// deleted file's data, the structure (everything but the sample data, a few hundred KB) is copied
// at open, and sample bytes that a truncation took away read as silence.
//
// Threads: any; reads do not share a file position.
class SoundFontFile {
public:
    // Opens path and copies its structure. Null when the file cannot be read or is not a RIFF
    // "sfbk" whose chunks lie within the file.
    static std::shared_ptr<SoundFontFile> open(const std::string& path);
    ~SoundFontFile();
    SoundFontFile(const SoundFontFile&) = delete;
    SoundFontFile& operator=(const SoundFontFile&) = delete;

    // The file's size at open; reads never go beyond it.
    std::uint64_t size() const { return m_size; }
    // Copies count bytes at offset into buffer. False only when they lie beyond size().
    bool read(std::uint64_t offset, void* buffer, std::size_t count) const;

private:
    SoundFontFile(int descriptor, std::uint64_t size) : m_descriptor(descriptor), m_size(size) {}
    bool copyStructure();

    const int m_descriptor;
    const std::uint64_t m_size;
    // The sample data, read from the descriptor when asked: [m_samplesBegin, m_samplesEnd).
    std::uint64_t m_samplesBegin = 0;
    std::uint64_t m_samplesEnd = 0;
    // Every other byte of the file: the part before the sample data, then the part after it.
    std::vector<std::uint8_t> m_structure;
};

// A FluidSynth soundfont loader (samples loaded as settings say) that reads every file through the
// SoundFontFile given here for its name. A name without one fails to load. The synthesizer the
// loader is added to owns it.
fluid_sfloader_t* newSoundFontFileLoader(fluid_settings_t* settings);
// Makes the loader read path through file, for the rest of the process.
void useSoundFontFile(const std::string& path, std::shared_ptr<SoundFontFile> file);

} // namespace zuvelo::mci
