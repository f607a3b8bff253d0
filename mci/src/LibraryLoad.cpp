#include "LibraryLoad.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace zuvelo::mci {

void* LibraryLoad::open(const char* soname)
{
    void* library = m_complete ? dlopen(soname, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (library == nullptr && m_complete)
        fail(dlerror());
    return library;
}

void* LibraryLoad::find(void* library, const char* symbol)
{
    void* function = m_complete && library != nullptr ? dlsym(library, symbol) : nullptr;
    if (function == nullptr && m_complete)
        fail((std::string(symbol) + " is missing").c_str());
    return function;
}

void LibraryLoad::fail(const char* why)
{
    std::fprintf(stderr, "mci: %s could not be loaded (%s); %s\n", m_name, why, m_consequence);
    m_complete = false;
}

} // namespace zuvelo::mci
