#pragma once
// The sound module (libTessalySound.so, beside the platform library): WAV decoding with
// libsndfile and playback through the desktop's sound server, loaded on the first sound.
#include <atomic>
#include <string>

namespace tessaly::platform {

struct SoundEntries {
    // A WAV file the module can decode, or nullptr (missing, no WAV, undecodable).
    void* (*open)(const char* path);
    void (*close)(void* sound);
    // The server the default lookup finds within a bound, never starting one.
    bool (*findServer)(std::string& server);
    // Plays to the end, or until stop no longer holds generation; false when the server
    // refuses the stream.
    bool (*play)(void* sound, const std::string& server, const std::atomic<unsigned>& stop,
                 unsigned generation);
};

constexpr char kSoundModule[] = "libTessalySound.so";
constexpr char kSoundEntry[] = "TessalySoundEntries";

} // namespace tessaly::platform
