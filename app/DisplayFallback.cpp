#include "DisplayFallback.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zuvelo {
namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

void chooseOffscreenWithoutDisplay(int argc, char** argv)
{
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return;
    }
    std::fprintf(stderr, "zuvelo: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window: "
                         "playing on Qt's offscreen platform; Ctrl-C or SIGTERM closes it\n");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace zuvelo
