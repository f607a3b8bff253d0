#include "PulseStream.h"

#include "FrameSource.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <cstdio>

namespace zuvelo::mci {
namespace {

constexpr std::size_t kFrameBytes = sizeof(float) * 2;

bool contextGone(pa_context* context)
{
    const pa_context_state_t state = pa_context_get_state(context);
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

bool streamGone(pa_stream* stream)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

} // namespace

PulseStream::PulseStream(Render render, void* context, int requestFrames)
    : m_render(render),
      m_context(context),
      m_requestFrames(requestFrames),
      m_silentBuffer(std::size_t(requestFrames) * 2, 0.0f)
{
}

std::unique_ptr<PulseStream> PulseStream::connect(Render render, void* context, int requestFrames)
{
    std::unique_ptr<PulseStream> stream(new PulseStream(render, context, requestFrames));
    if (!stream->start())
        return nullptr;
    return stream;
}

bool PulseStream::start()
{
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr)
        return false;
    m_server = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Zuvelo");
    if (m_server == nullptr)
        return false;
    pa_context_set_state_callback(
        m_server, [](pa_context*, void* self) { onStateChange(self); }, this);
    // No server, no stream: fails at once, and the caller falls back to SDL.
    if (pa_context_connect(m_server, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0)
        return false;

    pa_threaded_mainloop_lock(m_loop);
    while (pa_context_get_state(m_server) != PA_CONTEXT_READY && !contextGone(m_server))
        pa_threaded_mainloop_wait(m_loop);
    bool ready = false;
    if (!contextGone(m_server)) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kOutputRate, kOutputChannels};
        m_stream = pa_stream_new(m_server, "Zuvelo", &format, nullptr);
        if (m_stream != nullptr) {
            const auto request = std::uint32_t(m_requestFrames * kFrameBytes);
            // A request whenever that much has played, two of them in the server.
            const pa_buffer_attr buffer{std::uint32_t(-1), 2 * request, std::uint32_t(-1), request, std::uint32_t(-1)};
            pa_stream_set_state_callback(
                m_stream, [](pa_stream*, void* self) { onStateChange(self); }, this);
            pa_stream_set_write_callback(m_stream, &PulseStream::onWrite, this);
            const pa_stream_flags_t flags = PA_STREAM_ADJUST_LATENCY;
            if (pa_stream_connect_playback(m_stream, nullptr, &buffer, flags, nullptr, nullptr) == 0) {
                while (pa_stream_get_state(m_stream) != PA_STREAM_READY && !streamGone(m_stream))
                    pa_threaded_mainloop_wait(m_loop);
                ready = m_ready = pa_stream_get_state(m_stream) == PA_STREAM_READY;
            }
        }
    }
    if (!ready)
        std::fprintf(stderr, "mci: the sound server refused a stream (%s); trying SDL\n",
                     pa_strerror(pa_context_errno(m_server)));
    pa_threaded_mainloop_unlock(m_loop);
    return ready;
}

PulseStream::~PulseStream()
{
    if (m_loop != nullptr)
        pa_threaded_mainloop_stop(m_loop); // joins libpulse's thread: render is not called again
    m_ready = false; // the disconnect below is ours, not the server going away
    if (m_stream != nullptr) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_server != nullptr) {
        if (m_silentTick != nullptr)
            pa_threaded_mainloop_get_api(m_loop)->time_free(m_silentTick);
        pa_context_disconnect(m_server);
        pa_context_unref(m_server);
    }
    if (m_loop != nullptr)
        pa_threaded_mainloop_free(m_loop);
}

void PulseStream::flush()
{
    pa_threaded_mainloop_lock(m_loop);
    if (m_silentTick == nullptr && !streamGone(m_stream)) {
        if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(operation);
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseStream::hold()
{
    pa_threaded_mainloop_lock(m_loop);
    if (m_silentTick == nullptr && !streamGone(m_stream)) {
        m_held = true;
        if (pa_operation* operation = pa_stream_cork(m_stream, 1, nullptr, nullptr))
            pa_operation_unref(operation);
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseStream::resume(bool keep)
{
    pa_threaded_mainloop_lock(m_loop);
    if (m_held && m_silentTick == nullptr && !streamGone(m_stream)) {
        m_held = false;
        if (!keep) {
            if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
                pa_operation_unref(operation);
        }
        if (pa_operation* operation = pa_stream_cork(m_stream, 0, nullptr, nullptr))
            pa_operation_unref(operation);
        // Requests that came while held were left unanswered: the server counts them as on
        // their way, and asks again only once as much more has played.
        const std::size_t writable = pa_stream_writable_size(m_stream);
        if (writable != std::size_t(-1))
            onWrite(m_stream, writable, this);
    }
    m_held = false;
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseStream::onWrite(pa_stream* stream, std::size_t bytes, void* self)
{
    auto* const that = static_cast<PulseStream*>(self);
    // A request sent before the cork arrived: answered at resume(), after what the server holds.
    if (that->m_held)
        return;
    while (bytes >= kFrameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        // The server's own memory: rendered into directly, no copy.
        if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr || size < kFrameBytes)
            return;
        const std::size_t frames = size / kFrameBytes;
        that->m_render(that->m_context, static_cast<float*>(data), frames);
        pa_stream_write(stream, data, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= frames * kFrameBytes;
    }
}

void PulseStream::onStateChange(void* self)
{
    auto* const that = static_cast<PulseStream*>(self);
    pa_threaded_mainloop_signal(that->m_loop, 0);
    if (that->m_ready && (contextGone(that->m_server) || streamGone(that->m_stream)))
        that->goSilent();
}

void PulseStream::goSilent()
{
    if (m_silentTick != nullptr)
        return;
    std::fprintf(stderr, "mci: the sound server has gone; playing on in silence\n");
    m_silentTick = pa_context_rttime_new(m_server, pa_rtclock_now(), &PulseStream::onSilentTick, this);
}

void PulseStream::onSilentTick(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self)
{
    auto* const that = static_cast<PulseStream*>(self);
    that->m_render(that->m_context, that->m_silentBuffer.data(), std::size_t(that->m_requestFrames));
    const pa_usec_t period = pa_usec_t(that->m_requestFrames) * 1000000 / kOutputRate;
    pa_context_rttime_restart(that->m_server, event, pa_rtclock_now() + period);
}

} // namespace zuvelo::mci
