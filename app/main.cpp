#include "Program.h"

#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer, and its worker threads (image conversion, parallel fills)
// synchronise in ways the sanitizer cannot see. Under -fsanitize=thread it looks only at accesses
// made by code built with it: ours.
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif

int main(int argc, char** argv)
{
    return zuvelo::runProgram(argc, argv);
}
