// The helper library: of its functions the suite uses only the documents folder.
#include <cstring>

#include "platform/shell.h"

// Writes the user's documents folder, null-terminated, into a buffer of 260 bytes;
// nonzero on success. On failure the buffer holds the empty text.
extern "C" __attribute__((visibility("default"))) int GetMyDocumentsFolder(char* buffer) {
    if (!buffer) return 0;
    char path[MAX_PATH] = {};
    if (!tessaly::platform::SHGetSpecialFolderPathA(nullptr, path,
                                                    tessaly::platform::CSIDL_PERSONAL, TRUE)) {
        buffer[0] = '\0';
        return 0;
    }
    path[MAX_PATH - 1] = '\0';
    std::memcpy(buffer, path, std::strlen(path) + 1);
    return 1;
}
