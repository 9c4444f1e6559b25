// The sound module: libsndfile decodes the WAV file, PulseAudio's simple API plays it. The
// platform's PlaySoundA loads it on the first sound (platform/sound.cpp).
#include "platform/sound_module.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/sample.h>
#include <pulse/simple.h>
#include <sndfile.h>

#include <chrono>
#include <string>
#include <vector>

namespace tessaly::soundout {

namespace {

// How long a sound server may take to accept the connection before playing fails.
constexpr int kConnectTimeoutMs = 2000;
// Frames decoded and written at a time, so a long sound never sits in memory whole.
constexpr sf_count_t kChunkFrames = 4096;
constexpr pa_usec_t kBufferUs = 200 * 1000;

struct SoundFile {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    ~SoundFile() {
        if (file) sf_close(file);
    }
};

// The server the default lookup finds, asked without spawning one and with a time limit:
// the simple API waits on its connection without bound and may start a server itself.
bool findServer(std::string& server) {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tessaly");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            pa_mainloop_prepare(loop, 50 * 1000);
            pa_mainloop_poll(loop);
            pa_mainloop_dispatch(loop);
        }
        if (ready) {
            const char* name = pa_context_get_server(context);
            server = name ? name : "";
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

// Plays the opened file to its end (or until stopped); false when the server refuses.
bool play(void* opened, const std::string& server, const std::atomic<unsigned>& stop,
          unsigned generation) {
    SoundFile& sound = *static_cast<SoundFile*>(opened);
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(sound.info.samplerate);
    spec.channels = static_cast<uint8_t>(sound.info.channels);
    int error = 0;
    pa_simple* stream =
        pa_simple_new(server.empty() ? nullptr : server.c_str(), "Tessaly", PA_STREAM_PLAYBACK,
                      nullptr, "voice", &spec, nullptr, nullptr, &error);
    if (!stream) return false;
    std::vector<short> samples(static_cast<size_t>(kChunkFrames) * sound.info.channels);
    bool ok = true;
    for (;;) {
        if (stop.load() != generation) break;
        const sf_count_t frames = sf_readf_short(sound.file, samples.data(), kChunkFrames);
        if (frames <= 0) break;
        const size_t bytes = static_cast<size_t>(frames) * sound.info.channels * sizeof(short);
        if (pa_simple_write(stream, samples.data(), bytes, &error) < 0) {
            ok = false;
            break;
        }
    }
    if (ok && stop.load() == generation)
        ok = pa_simple_drain(stream, &error) >= 0;
    else
        pa_simple_flush(stream, &error);
    pa_simple_free(stream);
    return ok;
}

bool isWave(const SF_INFO& info) {
    const int container = info.format & SF_FORMAT_TYPEMASK;
    return (container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX) && info.channels > 0 &&
           info.channels <= 32 && info.samplerate > 0 && info.samplerate <= 384000;
}

void* openSound(const char* path) {
    auto* sound = new SoundFile;
    sound->file = sf_open(path, SFM_READ, &sound->info);
    if (sound->file && isWave(sound->info)) return sound;
    delete sound;
    return nullptr;
}

void closeSound(void* sound) {
    delete static_cast<SoundFile*>(sound);
}

constexpr platform::SoundEntries kEntries = {openSound, closeSound, findServer, play};

} // namespace

} // namespace tessaly::soundout

extern "C" __attribute__((visibility("default"))) const void* TessalySoundEntries() {
    return &tessaly::soundout::kEntries;
}
