#pragma once

#include <mutex>

namespace zuvelo::mci {

// What the layer's optional libraries (FFmpeg, FluidSynth, SDL) share: each is opened with dlopen
// at its first use rather than linked, and the functions the layer calls are looked up by name
// into a table. One load of one library (or of several that go together); the first failure is
// said on stderr as "mci: NAME could not be loaded (why); CONSEQUENCE", and ends the load.
class LibraryLoad {
public:
    LibraryLoad(const char* name, const char* consequence) : m_name(name), m_consequence(consequence) {}

    // The library by its soname (the one the build was configured against); null when it cannot be
    // opened, or an earlier step of this load failed. Never closed: unloading gains nothing.
    void* open(const char* soname);
    // The function named symbol of library, into function; left null when it lacks it.
    template <class Function>
    void lookUp(void* library, const char* symbol, Function& function)
    {
        function = reinterpret_cast<Function>(find(library, symbol));
    }
    // Whether every step so far succeeded.
    bool complete() const { return m_complete; }

private:
    void* find(void* library, const char* symbol);
    void fail(const char* why);

    const char* m_name;
    const char* m_consequence;
    bool m_complete = true;
};

// One library's table of functions, filled at the first load() (any thread) and read-only after.
template <class Functions>
class LoadedTable {
public:
    // Fills the table with fill on the first call; whether fill found everything. Any thread.
    bool load(bool (*fill)(Functions&))
    {
        std::call_once(m_once, [&] {
            Functions functions;
            m_loaded = fill(functions);
            if (m_loaded)
                m_functions = functions;
        });
        return m_loaded;
    }
    // The table; valid once load() has returned true.
    const Functions& functions() const { return m_functions; }

private:
    std::once_flag m_once;
    Functions m_functions;
    bool m_loaded = false;
};

} // namespace zuvelo::mci
