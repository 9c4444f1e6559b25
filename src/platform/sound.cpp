// PlaySoundA: the flags, the asynchronous playing and its stop here; decoding and the sound
// server in the sound module, loaded on the first sound.
#include "platform/sound.h"

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/own_modules.h"
#include "platform/prefix.h"
#include "platform/sound_module.h"

namespace tessaly::platform {

namespace {

// Raised to stop the sounds playing asynchronously.
std::atomic<unsigned> stopGeneration{0};

} // namespace

BOOL PlaySoundA(const char* sound, HMODULE, DWORD flags) {
    if (!sound) {
        ++stopGeneration;
        return TRUE;
    }
    if (!(flags & SND_FILENAME)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* module = PlatformModuleEntries<SoundEntries>(kSoundModule, kSoundEntry);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    const std::string path = ToPosixPath(sound);
    void* file = module->open(path.c_str());
    if (!file) {
        SetLastError(access(path.c_str(), R_OK) == 0 ? ERROR_INVALID_DATA : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::string server;
    if (!module->findServer(server)) {
        module->close(file);
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    const unsigned generation = stopGeneration.load();
    if (flags & SND_ASYNC) {
        std::thread([module, file, server, generation] {
            module->play(file, server, stopGeneration, generation);
            module->close(file);
        }).detach();
        return TRUE;
    }
    const bool played = module->play(file, server, stopGeneration, generation);
    module->close(file);
    if (!played) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

} // namespace tessaly::platform
