#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct pa_context;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

namespace zuvelo::mci {

// One playback stream on the desktop's sound server through libpulse's asynchronous API (the
// PulseAudio server, or PipeWire's): 48 kHz stereo float, rendered on libpulse's own thread
// whenever the server asks for more.
//
// Why not SDL's pulse driver: it asks the server for one period in all, so the server asks back
// several times a period and SDL's thread wakes on each. This stream asks for requestFrames at a
// request and about two requests' worth in the server (the server raises a smaller target length
// to that). Each request wakes libpulse's thread twice: for the request, and a little later when
// the server hands back the shared memory of the block it has played. So the larger the request,
// the rarer the wake-ups; what the larger buffer would add to a pause is taken back by hold() or
// flush().
//
// When the server goes away the thread renders on at the pace of real time into nothing, as SDL
// does with a lost device, so that what plays still reaches its end.
//
// Threads: connect(), flush(), hold(), resume() and the destructor from one thread; render on
// libpulse's thread, and in resume() on the caller's. Those three take libpulse's lock, which is
// held while render runs: never call them from render nor while holding a lock that render takes.
class PulseStream {
public:
    using Render = void (*)(void* context, float* interleavedStereo, std::size_t frames);

    // Connects to the server named by PULSE_SERVER or the user's own (never starting one); null
    // when there is none or it refuses the stream.
    static std::unique_ptr<PulseStream> connect(Render render, void* context, int requestFrames);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Drops what the server holds and has not yet played, so that what stopped is heard to stop.
    void flush();
    // Stops the stream where it is (at once, as flush() does) and keeps what the server holds, to
    // go on with it at resume(). Rendering waits until then.
    void hold();
    // Goes on after hold(), with what the server held when keep, else without it; renders what
    // the server asked for meanwhile.
    void resume(bool keep);

private:
    PulseStream(Render render, void* context, int requestFrames);
    bool start();
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onStateChange(void* self);
    static void onSilentTick(pa_mainloop_api* api, pa_time_event* event, const timeval* due, void* self);
    void goSilent();

    Render m_render;
    void* m_context;
    int m_requestFrames;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_server = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_ready = false;                  // the stream has played: its end is the server's going
    bool m_held = false;                   // corked by hold(): what is asked for waits for resume()
    pa_time_event* m_silentTick = nullptr; // once the server has gone
    std::vector<float> m_silentBuffer;     // the frames rendered into nothing, sized beforehand
};

} // namespace zuvelo::mci
