#pragma once
// Helpers of the library frame's tests: registry values, Windows paths of test folders and
// running the tessaly command in a child process (start-up runs when a process loads the
// library, so a start-up is observed in a fresh process).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "support/prefix.h"
#include "support/run.h"

namespace frame_test {

namespace p = tessaly::platform;

inline const std::string kLibFolder = TESSALY_BUILD_DIR "/lib";
inline const std::string kGermanModule = TESSALY_BUILD_DIR "/lib/TessalyGe.dll";

using tessaly::testing::WindowsPath;

inline void SetText(HKEY root, const char* key, const char* value, const std::string& text) {
    HKEY opened = nullptr;
    ASSERT_EQ(
        p::RegCreateKeyExA(root, key, 0, nullptr, 0, p::KEY_ALL_ACCESS, nullptr, &opened, nullptr),
        0);
    ASSERT_EQ(p::RegSetValueExA(opened, value, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)),
              0);
    p::RegCloseKey(opened);
}

inline void SetDword(HKEY root, const char* key, const char* value, DWORD number) {
    HKEY opened = nullptr;
    ASSERT_EQ(
        p::RegCreateKeyExA(root, key, 0, nullptr, 0, p::KEY_ALL_ACCESS, nullptr, &opened, nullptr),
        0);
    ASSERT_EQ(p::RegSetValueExA(opened, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof number),
              0);
    p::RegCloseKey(opened);
}

inline const char* const kLanguageKey = "Software\\varnholt\\Tessaly2001\\Language";
inline const char* const kInstallDirKey = "Software\\Varnholt\\Tessaly2001\\INSTALLDIR";

inline void SetInstallDir(const std::string& posixFolder) {
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", WindowsPath(posixFolder));
}

inline void SetInstallLanguage(int language) {
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Install Version", std::to_string(language));
}

using ToolResult = tessaly::testing::RunResult;

// Runs the built tessaly command through the shell: arguments is a shell word list, and
// environment goes before the command (assignments, or env with its options).
inline ToolResult RunTessaly(const std::string& arguments, const std::string& environment = "") {
    return tessaly::testing::RunProgram(
        {"/bin/sh", "-c",
         environment + " " + tessaly::testing::TessalyProgram() + " " + arguments});
}

} // namespace frame_test
