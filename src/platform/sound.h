#pragma once
// Sound: WAV files played through the desktop's sound server (PulseAudio, or PipeWire
// serving its protocol), decoded with libsndfile.
#include "api.h"

namespace tessaly::platform {

enum : DWORD {
    SND_SYNC = 0x0,         // return when the sound has been played
    SND_ASYNC = 0x1,        // return at once; the sound plays on
    SND_NODEFAULT = 0x2,    // no default sound in place of a missing one (never played here)
    SND_PURGE = 0x40,       // with a null sound: stop what plays asynchronously
    SND_FILENAME = 0x20000, // the sound names a file (Windows path)
};

// Plays a WAV file (PCM, IMA or MS ADPCM, mu-law, A-law). SND_FILENAME is required; a null
// sound stops an asynchronous one. FALSE, promptly, when the file is missing, is no WAV or
// cannot be decoded, or no sound server answers; the last error says which
// (ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATA, ERROR_GEN_FAILURE).
PLATFORM_API BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags);

} // namespace tessaly::platform
