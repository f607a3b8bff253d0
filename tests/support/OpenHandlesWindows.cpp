#include "OpenHandles.h"

#include <windows.h>

long zuvelo::testing::openHandles()
{
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return long(count);
}
