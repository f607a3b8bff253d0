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
// several times a period and SDL's thread wakes on each; this stream asks for two periods and a
// request every period, so its thread wakes once a period, as on SDL's dummy driver. What the
// larger buffer would add to a pause is taken back by flush().
//
// When the server goes away the thread renders on at the pace of real time into nothing, as SDL
// does with a lost device, so that what plays still reaches its end.
//
// Threads: connect(), flush() and the destructor from one thread; render on libpulse's thread.
// flush() takes libpulse's lock, which is held while render runs: never call it from render nor
// while holding a lock that render takes.
class PulseStream {
public:
    using Render = void (*)(void* context, float* interleavedStereo, std::size_t frames);

    // Connects to the server named by PULSE_SERVER or the user's own (never starting one); null
    // when there is none or it refuses the stream.
    static std::unique_ptr<PulseStream> connect(Render render, void* context, int periodFrames);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Drops what the server holds and has not yet played, so that what stopped is heard to stop.
    void flush();

private:
    PulseStream(Render render, void* context, int periodFrames);
    bool start();
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onStateChange(void* self);
    static void onSilentTick(pa_mainloop_api* api, pa_time_event* event, const timeval* due, void* self);
    void goSilent();

    Render m_render;
    void* m_context;
    int m_periodFrames;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_server = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_ready = false;                  // the stream has played: its end is the server's going
    pa_time_event* m_silentTick = nullptr; // once the server has gone
    std::vector<float> m_silentBuffer;     // the frames rendered into nothing, sized beforehand
};

} // namespace zuvelo::mci
