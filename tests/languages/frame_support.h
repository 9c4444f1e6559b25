#pragma once
// Helpers of the language tests: registry values, paths, the tessaly command in a fresh process.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"

namespace frame_test {

namespace p = tessaly::platform;

inline const std::string kLibFolder = TESSALY_BUILD_DIR "/lib";
inline const std::string kGermanModule = TESSALY_BUILD_DIR "/lib/TessalyGe.dll";

using tessaly::testing::WindowsPath;

inline void SetText(HKEY root, const char* key, const char* value, const std::string& text) {
    tessaly::testing::PutRegText(root, key, value, text);
}

inline const char* const kLanguageKey = "Software\\varnholt\\Tessaly2001\\Language";
inline const char* const kInstallDirKey = "Software\\Varnholt\\Tessaly2001\\INSTALLDIR";

inline void SetInstallDir(const std::string& posixFolder) {
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", WindowsPath(posixFolder));
}

inline void SetInstallLanguage(int language) {
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Install Version", std::to_string(language));
}

// The language dialog's list in order, each name with the identifier it stores.
struct OfferedLanguage {
    std::string name, stored;
};
inline const std::vector<OfferedLanguage> kOffered = [] {
    std::vector<OfferedLanguage> offered;
    std::istringstream list(
        "English=9|Chinese Simplified (GB2312)=2052|Chinese (Traditional) =1028|Indonesian=33|"
        "Japanese=17|Korean=18|Russian=25|Thai=30|Turkish=31|Basque=45|Catalan=3|Croatian=26|"
        "Czech=5|Danish=6|Dutch (Standard) =19|Finnish=11|French (Standard) =1036|"
        "French (Canadian) =3084|German (Standard) =7|Greek=8|Hungarian=14|"
        "Itialian (Standard) =16|Norwegian (Bokmal) =20|Polish=21|Portuguese (Brazilian) =1046|"
        "Portuguese (Standard) =2070|Slovak=27|Slovene=36|Spanish (Traditional Sort) =10|"
        "Swedish=29");
    for (std::string name, stored;
         std::getline(list, name, '=') && std::getline(list, stored, '|');)
        offered.push_back({name, stored});
    return offered;
}();

using ToolResult = tessaly::testing::RunResult;

// Runs tessaly through the shell with shell words; environment goes before the command.
inline ToolResult RunTessaly(const std::string& arguments, const std::string& environment = "") {
    return tessaly::testing::RunProgram(
        {"/bin/sh", "-c",
         environment + " " + tessaly::testing::TessalyProgram() + " " + arguments});
}

} // namespace frame_test
