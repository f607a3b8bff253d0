#include "OpenHandles.h"

#include <windows.h>

long zuvelo::testing::openHandles()
{
    DWORD count = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &count) ? long(count) : -1;
}
