#pragma once

#include <cstdint>
#include <string>

namespace zuvelo::mci {

// The bytes of the ID3v2 tags an MPEG audio file starts with (any number of them, each with its
// footer when its flags say so), from their ten-byte headers alone. A tag can hold cover pictures
// of tens of megabytes, which a decoder would read into memory for nothing (and, on a network
// share, take seconds to); decoders start reading past them instead.
std::int64_t id3v2TagBytes(const std::string& path);

} // namespace zuvelo::mci
