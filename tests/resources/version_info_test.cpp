// The version records of the English resources and the German module, read as a query does.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/version_info.h"
#include "resource_files.h"
#include "support/prefix.h"
#include "support/run.h"

namespace p = tessaly::platform;
using tessaly::testing::RunProgram;

namespace {

class VersionInfo : public tessaly::testing::PrefixTest {};

// The value of a query, as bytes; empty when absent.
std::string Query(std::vector<char>& block, const std::string& query) {
    void* value = nullptr;
    UINT length = 0;
    if (!p::VerQueryValueA(block.data(), query.c_str(), &value, &length)) return {};
    return std::string(static_cast<const char*>(value), length);
}

} // namespace

TEST_F(VersionInfo, RecordsCarryTheProjectVersionUnderTheirTranslation) {
    std::smatch m;
    const std::string cmake = tessaly::testing::ReadFile(TESSALY_SOURCE_DIR "/CMakeLists.txt");
    ASSERT_TRUE(std::regex_search(
        cmake, m, std::regex(R"(project\(\s*Tessaly\s+VERSION\s+(\d+)\.(\d+)\.(\d+))")));
    const unsigned major = std::stoul(m[1]), minor = std::stoul(m[2]), patch = std::stoul(m[3]);
    const std::string version = m[1].str() + "." + m[2].str() + "." + m[3].str();
    // The English resources made into a DLL, a file the version query reads.
    const std::string base = prefix_.scratch() + "/english";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"x86_64-w64-mingw32-windres", "-J", "res", "-O", "coff",
                                   tessaly::testing::res::EnglishModule().res, "-o", base + ".o"},
          {"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", base + ".dll", base + ".o"}})
        ASSERT_EQ(RunProgram(command).status, 0) << command[0];
    const std::tuple<std::string, WORD, const char*> cases[] = {
        {base + ".dll", 0x409, "Tessaly services library"},
        {TESSALY_BUILD_DIR "/lib/TessalyGe.dll", 0x407, "Tessaly Sprachmodul Deutsch"},
    };
    for (const auto& [file, language, description] : cases) {
        SCOPED_TRACE(file);
        std::vector<char> block(p::GetFileVersionInfoSizeA(file.c_str(), nullptr));
        ASSERT_FALSE(block.empty());
        ASSERT_TRUE(p::GetFileVersionInfoA(file.c_str(), 0, DWORD(block.size()), block.data()));
        EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation"),
                  std::string({char(language & 0xFF), char(language >> 8), '\xB0', '\x04'}));
        char strings[32];
        std::snprintf(strings, sizeof strings, "\\StringFileInfo\\%04x04b0\\", language);
        const std::pair<const char*, std::string> entries[] = {
            {"CompanyName", "Varnholt"}, {"FileDescription", description}, {"FileVersion", version},
            {"ProductName", "Tessaly"},  {"ProductVersion", version},
        };
        for (const auto& [key, expected] : entries)
            EXPECT_EQ(Query(block, strings + std::string(key)), expected + '\0') << key;
        const std::string fixed = Query(block, "\\");
        ASSERT_EQ(fixed.size(), sizeof(p::VS_FIXEDFILEINFO));
        const auto* i = reinterpret_cast<const p::VS_FIXEDFILEINFO*>(fixed.data());
        EXPECT_EQ(std::vector<DWORD>({i->dwSignature, i->dwFileVersionMS, i->dwProductVersionMS,
                                      i->dwFileVersionLS, i->dwProductVersionLS}),
                  std::vector<DWORD>({0xFEEF04BDu, major << 16 | minor, major << 16 | minor,
                                      patch << 16, patch << 16}));
    }
}
