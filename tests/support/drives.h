#pragma once
// Extra drives of a test prefix, and the kind the registry gives them.
#include <filesystem>
#include <string>

#include "support/prefix.h"
#include "support/registry.h"

namespace tessaly::testing {

// Maps drive letter (lower case) to a new folder in the scratch folder; kind, when given, is
// the drive's kind in the registry ("cdrom", "network", ...). Returns the folder.
inline std::string MapDrive(const TempPrefix& prefix, char letter, const char* kind = nullptr) {
    const std::string folder = prefix.scratch() + "/" + letter;
    std::filesystem::create_directories(folder);
    std::filesystem::create_directory_symlink(folder,
                                              prefix.root() + "/dosdevices/" + letter + ":");
    if (kind)
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Drives",
                   (std::string(1, letter) + ":").c_str(), kind);
    return folder;
}

} // namespace tessaly::testing
