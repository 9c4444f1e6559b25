#pragma once
// Compiles a resource script with the resource compiler the build uses and registers the
// result as a resource module, so tests can bring templates and strings of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "platform/module.h"
#include "support/prefix.h"

namespace tessaly::testing {

// The compiled .res bytes of the script (empty when the compiler failed, with a failure).
inline std::string CompileResourceScript(const std::string& folder, const std::string& script) {
    const std::string rc = WriteFile(folder + "/test.rc", script);
    const std::string res = folder + "/test.res";
    const std::string command =
        "x86_64-w64-mingw32-windres --preprocessor=cpp "
        "--preprocessor-arg=-I/usr/share/mingw-w64/include --preprocessor-arg=-DRC_INVOKED "
        "--preprocessor-arg=-D_WIN32 --preprocessor-arg=-D__x86_64__ -O res '" +
        rc + "' -o '" + res + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(res);
}

// Compiles the script and registers it under the name; the module stays valid for the
// process's lifetime.
inline HMODULE CompileResourceModule(const std::string& folder, const std::string& name,
                                     const std::string& script) {
    static std::deque<std::string> keep; // registered modules keep pointing at their data
    keep.push_back(CompileResourceScript(folder, script));
    if (keep.back().empty()) return nullptr;
    return tessaly::platform::RegisterResourceModule(name, keep.back().data(), keep.back().size());
}

} // namespace tessaly::testing
