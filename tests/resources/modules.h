#pragma once
// The library's resource modules as the build produces them: the built-in English resources
// and the German language module.
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::testing::res {

struct Module {
    const char* name;
    std::string res;    // compiled resource file in the build folder
    std::string script; // resource script in the source tree
    std::uint16_t language;
};

inline const Module& EnglishModule() {
    static const Module m{"English", TESSALY_BUILD_DIR "/resources/Tessaly.res",
                          TESSALY_SOURCE_DIR "/resources/Tessaly.rc", 0x0409};
    return m;
}

// Built with the TessalyGe target.
inline const Module& GermanModule() {
    static const Module m{"German", TESSALY_BUILD_DIR "/resources/TessalyGe.res",
                          TESSALY_SOURCE_DIR "/resources/lang/Ge/Tessaly.rc", 0x0407};
    return m;
}

inline std::vector<const Module*> AllModules() {
    return {&EnglishModule(), &GermanModule()};
}

inline std::string HeaderPath() {
    return TESSALY_SOURCE_DIR "/resources/resource.h";
}

} // namespace tessaly::testing::res
