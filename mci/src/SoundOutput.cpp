#include "SoundOutput.h"

#include "FrameSource.h"
#include "MixSource.h"
#include "PulseStream.h"
#include "SampleGuard.h"
#include "SdlLibrary.h"

#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zuvelo::mci {
namespace {

// 2048 frames (43 ms) a callback: large enough that the audio thread wakes rarely and a busy
// machine does not starve it, small enough that play starts without a noticeable delay.
constexpr int kBufferFrames = 2048;
// The server's stream takes three of them at a request (128 ms): its thread wakes a third as often
// as it would at one, and holding or flushing the stream keeps a pause as quick as it is on SDL.
constexpr int kServerRequestFrames = 3 * kBufferFrames;

std::atomic<std::uint64_t> g_underruns{0};

SDL_AudioDeviceID openDevice(SDL_AudioSpec& obtained, void* self, void (*callback)(void*, std::uint8_t*, int))
{
    SDL_AudioSpec wanted{};
    wanted.freq = kOutputRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = callback;
    wanted.userdata = self;
    // No allowed changes: SDL converts to whatever the hardware wants, the callback always sees
    // 48 kHz stereo float.
    return SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
}

} // namespace

void countUnderrun()
{
    g_underruns.fetch_add(1, std::memory_order_relaxed);
}

SoundOutput::SoundOutput() = default;
SoundOutput::~SoundOutput() = default;

SoundOutput& SoundOutput::instance()
{
    // Never destroyed: SDL's audio thread may still call back while statics are torn down; the
    // exit hook shuts the device down first (see DeviceRegistry).
    static SoundOutput* output = new SoundOutput;
    return *output;
}

bool SoundOutput::openServerStream()
{
    // SDL_AUDIODRIVER naming a driver (the tests' disk and dummy drivers, or SDL's own pulse
    // driver) is honoured.
    const char* wanted = std::getenv("SDL_AUDIODRIVER");
    if (wanted != nullptr && *wanted != '\0')
        return false;
    m_serverStream = PulseStream::connect(&SoundOutput::render, this, kServerRequestFrames);
    if (!m_serverStream)
        return false;
    m_driverName = "libpulse";
    m_bufferFrames = kServerRequestFrames; // mix() takes it in pieces of the scratch buffer
    return true;
}

void SoundOutput::sized(int frames)
{
    m_bufferFrames = frames;
    std::lock_guard lock(m_sourcesMutex);
    m_scratch.assign(std::size_t(frames) * kOutputChannels, 0.0f);
    m_sources.reserve(16);
}

unsigned long SoundOutput::open()
{
    if (m_device != 0 || m_serverStream)
        return 0;
    if (m_failed)
        return MCIERR_INTERNAL;
    sized(kBufferFrames); // before the stream: it asks for frames at once
    if (openServerStream())
        return 0;

    if (!loadSdl()) { // said on stderr once
        m_failed = true;
        return MCIERR_INTERNAL;
    }
    SDL_AudioSpec obtained{};
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        m_device = openDevice(obtained, this, &SoundOutput::callback);
    if (m_device == 0) {
        // On a machine without sound the init may succeed and only the open fail; either way the
        // dummy driver keeps the layer working (silently).
        std::fprintf(stderr, "mci: no sound device could be opened (%s); using SDL's dummy audio driver\n",
                     SDL_GetError());
        SDL_AudioQuit();
        if (SDL_AudioInit("dummy") == 0)
            m_device = openDevice(obtained, this, &SoundOutput::callback);
    }
    if (m_device == 0) {
        std::fprintf(stderr, "mci: not even SDL's dummy audio driver could be opened: %s\n", SDL_GetError());
        m_failed = true;
        return MCIERR_INTERNAL;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    m_driverName = driver != nullptr ? driver : "";
    sized(obtained.samples);
    SDL_PauseAudioDevice(m_device, 0);
    return 0;
}

unsigned long SoundOutput::attach(MixSource* source)
{
    if (const unsigned long error = open(); error != 0)
        return error;
    // Outside the sources' lock, which render takes (here too, for what the server asked for
    // meanwhile: silence, when another source comes, before it is attached).
    const bool resumes = m_serverHeld && m_heldFor == source;
    if (m_serverHeld && !resumes)
        resumeServer(false);
    {
        std::lock_guard lock(m_sourcesMutex);
        const bool restPlaying =
            std::any_of(m_sources.begin(), m_sources.end(), [](const Entry& e) { return e.rest; });
        if (std::none_of(m_sources.begin(), m_sources.end(), [source](const Entry& e) { return e.source == source; }))
            m_sources.push_back(Entry{source, false, restPlaying, !restPlaying});
    }
    if (resumes)
        resumeServer(true);
    return 0;
}

void SoundOutput::resumeServer(bool keep)
{
    m_serverHeld = false;
    m_heldFor = nullptr;
    m_serverStream->resume(keep);
}

void SoundOutput::detach(MixSource* source, bool resumable)
{
    bool wasPlaying = false;
    bool othersLeft = false;
    {
        std::lock_guard lock(m_sourcesMutex);
        const auto it =
            std::find_if(m_sources.begin(), m_sources.end(), [source](const Entry& e) { return e.source == source; });
        if (it != m_sources.end()) {
            wasPlaying = !it->rest;
            m_sources.erase(it);
        }
        othersLeft = !m_sources.empty();
    }
    if (!m_serverStream)
        return;
    // Outside the sources' lock, which render takes.
    if (m_serverHeld) {
        // Held for this source since it paused: a seek or close means it will not go on from there.
        if (!resumable && m_heldFor == source)
            resumeServer(false);
        return;
    }
    // Paused, stopped or closed while it played: the server's buffer must not play it on. (The
    // rest of a finished piece is never cut short; other sources lose what the server held of
    // them, a moment at a track change.)
    if (!wasPlaying)
        return;
    if (resumable && !othersLeft) {
        m_serverStream->hold();
        m_serverHeld = true;
        m_heldFor = source;
    } else {
        m_serverStream->flush();
    }
}

void SoundOutput::playOut(MixSource* source)
{
    std::lock_guard lock(m_sourcesMutex);
    for (Entry& entry : m_sources) {
        if (entry.source == source)
            entry = Entry{source, true, false, false};
    }
}

void SoundOutput::shutDown()
{
    if (m_serverStream) {
        m_serverHeld = false;
        m_heldFor = nullptr;
        m_serverStream.reset(); // joins libpulse's thread
        m_failed = true;
    }
    if (m_device == 0)
        return;
    SDL_CloseAudioDevice(m_device); // joins SDL's audio thread
    m_device = 0;
    m_failed = true; // the process is ending: no reopening
}

void SoundOutput::render(void* self, float* out, std::size_t frames)
{
    static_cast<SoundOutput*>(self)->mix(out, frames);
}

void SoundOutput::callback(void* self, std::uint8_t* stream, int length)
{
    auto* output = static_cast<SoundOutput*>(self);
    output->mix(reinterpret_cast<float*>(stream), std::size_t(length) / (sizeof(float) * kOutputChannels));
}

void SoundOutput::mix(float* out, std::size_t frames)
{
    std::fill(out, out + frames * kOutputChannels, 0.0f);
    std::lock_guard lock(m_sourcesMutex);
    const std::size_t step = m_scratch.size() / kOutputChannels;
    if (step == 0)
        return;
    // A source asked for more than its decoder has ready as it starts (the server's stream asks
    // for two requests' worth at its start or after a flush) starts late in this callback rather
    // than break off after its first frames.
    for (Entry& entry : m_sources)
        entry.lead = entry.starting ? frames - std::min(frames, entry.source->readyFrames()) : 0;
    // SDL may ask for more than the size it announced; mix in pieces the scratch holds.
    for (std::size_t done = 0; done < frames; done += step) {
        const std::size_t n = std::min(step, frames - done);
        float* const piece = out + done * kOutputChannels;
        // The rests of finished pieces first: where the last of them ends, the sources that wait
        // for them begin. A rest that filled the whole piece may still go on.
        std::size_t restsEnd = 0;
        bool restsGoOn = false;
        for (const Entry& entry : m_sources) {
            if (!entry.rest)
                continue;
            const std::size_t filled = entry.source->fill(m_scratch.data(), n);
            addInto(piece, filled);
            restsEnd = std::max(restsEnd, filled);
            restsGoOn = restsGoOn || !entry.source->finished();
        }
        for (const Entry& entry : m_sources) {
            const std::size_t lead = entry.lead > done ? std::min(n, entry.lead - done) : 0;
            const std::size_t start = !entry.afterRests ? lead : restsGoOn ? n : restsEnd;
            if (entry.rest || start >= n)
                continue;
            const std::size_t filled = entry.source->fill(m_scratch.data(), n - start);
            addInto(piece + start * kOutputChannels, filled);
        }
    }
    // Each source is within full scale already; only a sum of two (a track change) can leave it.
    if (m_sources.size() > 1)
        guardSamples(out, frames * kOutputChannels);
    // A finished source is asked no more (erasing never allocates).
    m_sources.erase(
        std::remove_if(m_sources.begin(), m_sources.end(), [](const Entry& e) { return e.source->finished(); }),
        m_sources.end());
    const bool restsDone = std::none_of(m_sources.begin(), m_sources.end(), [](const Entry& e) { return e.rest; });
    for (Entry& entry : m_sources) {
        entry.starting = entry.starting && entry.lead >= frames; // until it is first mixed
        entry.afterRests = entry.afterRests && !restsDone;
    }
}

void SoundOutput::addInto(float* out, std::size_t frames) const
{
    for (std::size_t i = 0; i < frames * kOutputChannels; ++i)
        out[i] += m_scratch[i];
}

} // namespace zuvelo::mci

unsigned long long mciUnderrunCount()
{
    return zuvelo::mci::g_underruns.load(std::memory_order_relaxed);
}
