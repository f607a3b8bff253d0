#include "FfmpegLog.h"

#include "FfmpegLibrary.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace zuvelo::mci {
namespace {

thread_local FfmpegLogFile* t_file = nullptr;
// Messages logged outside any scope.
FfmpegLogFile g_unscoped{"FFmpeg"};

// Files that have had their line, across opens: the player retries a bad track now and then.
bool firstLineFor(const std::string& name)
{
    static std::mutex lock;
    static auto* said = new std::set<std::string>; // never destroyed: decoder threads may log at exit
    std::lock_guard guard(lock);
    return said->insert(name).second;
}

void logCallback(void* context, int level, const char* format, va_list arguments)
{
    // The level test is the callback's own job: FFmpeg hands it every message.
    if (level > AV_LOG_ERROR)
        return;
    FfmpegLogFile& file = t_file != nullptr ? *t_file : g_unscoped;
    if ((file.holding && !file.held.empty()) || (!file.holding && file.said.exchange(true)))
        return;
    char text[512];
    int printPrefix = 0; // FFmpeg's "[name @ address]": the component's name is enough
    av_log_format_line2(context, level, format, arguments, text, sizeof text, &printPrefix);
    std::size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = '\0';
    const AVClass* component = context != nullptr ? *static_cast<AVClass**>(context) : nullptr;
    const char* componentName = component != nullptr ? component->item_name(context) : "FFmpeg";
    const std::string line = std::string(componentName) + ": " + text;
    if (file.holding)
        file.held = line;
    else
        sayOncePerFile(file.name, line);
}

} // namespace

void sayOncePerFile(const std::string& file, const std::string& text)
{
    if (firstLineFor(file))
        std::fprintf(stderr, "mci: %s: %s\n", file.c_str(), text.c_str());
}

void routeFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(&logCallback);
    });
}

FfmpegLogScope::FfmpegLogScope(FfmpegLogFile& file) : m_outer(t_file)
{
    t_file = &file;
}

FfmpegLogScope::~FfmpegLogScope()
{
    t_file = m_outer;
}

} // namespace zuvelo::mci
