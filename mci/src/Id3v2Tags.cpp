#include "Id3v2Tags.h"

#include <cstring>
#include <fstream>

namespace zuvelo::mci {

std::int64_t id3v2TagBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::int64_t end = 0;
    unsigned char h[10];
    while (in.seekg(end) && in.read(reinterpret_cast<char*>(h), sizeof h) && std::memcmp(h, "ID3", 3) == 0 &&
           h[3] != 0xFF && h[4] != 0xFF && (h[6] | h[7] | h[8] | h[9]) < 0x80) {
        const std::int64_t size = std::int64_t(h[6]) << 21 | h[7] << 14 | h[8] << 7 | h[9]; // seven bits a byte
        end += sizeof h + size + ((h[5] & 0x10) ? sizeof h : 0);
    }
    return end;
}

} // namespace zuvelo::mci
