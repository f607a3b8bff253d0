#pragma once

#include <atomic>
#include <string>

namespace zuvelo::mci {

// FFmpeg's log, routed through the layer: errors only, on stderr with the layer's "mci:" prefix and
// the file they are about, at most one line per file for the whole process (a damaged file can
// make a decoder complain at every packet, and a bad track is opened again and again). Warnings
// and chatter are dropped.
//
// FFmpeg logs on whichever thread calls it, the user-interface thread at open and the decoding
// threads afterwards. Each of those calls runs inside a FfmpegLogScope naming its file; messages
// from elsewhere (no scope on that thread) count as one file of their own.

// What the log knows of one open file.
struct FfmpegLogFile {
    explicit FfmpegLogFile(std::string name) : name(std::move(name)) {}
    const std::string name;
    std::atomic<bool> said{false}; // this open has had its say (spares the process-wide lookup)
    // While the file is being opened (one thread), FFmpeg's first complaint is kept here rather
    // than written: a refused file gets one line that says why in the layer's words, with it.
    bool holding = false;
    std::string held;
};

// Writes "mci: FILE: TEXT" on stderr, unless a line about file has been written already in this
// process (by FFmpeg's log or by this). Any thread.
void sayOncePerFile(const std::string& file, const std::string& text);

// Installs the log callback. Idempotent; any thread.
void routeFfmpegLog();

// While alive, FFmpeg's messages on this thread are about file. Scopes nest.
class FfmpegLogScope {
public:
    explicit FfmpegLogScope(FfmpegLogFile& file);
    ~FfmpegLogScope();
    FfmpegLogScope(const FfmpegLogScope&) = delete;
    FfmpegLogScope& operator=(const FfmpegLogScope&) = delete;

private:
    FfmpegLogFile* m_outer;
};

} // namespace zuvelo::mci
