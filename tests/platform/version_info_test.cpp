#include "platform/version_info.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/prefix.h"
#include "support/run.h"

using namespace tessaly::platform;
namespace fs = std::filesystem;

namespace {

// The version block of a file, read the way callers do.
std::vector<unsigned char> ReadBlock(const std::string& file) {
    DWORD handle = 99;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0) return {};
    std::vector<unsigned char> block(size);
    EXPECT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
    return block;
}

std::string Text(std::vector<unsigned char>& block, const std::string& query) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length)) return "<absent>";
    std::string text(static_cast<const char*>(value));
    EXPECT_EQ(length, text.size() + 1) << query;
    return text;
}

std::vector<std::pair<WORD, WORD>> Translations(std::vector<unsigned char>& block) {
    void* value = nullptr;
    UINT length = 0;
    std::vector<std::pair<WORD, WORD>> pairs;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length)) return pairs;
    const auto* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / 2; i += 2)
        pairs.emplace_back(words[i], words[i + 1]);
    return pairs;
}

const VS_FIXEDFILEINFO* Fixed(std::vector<unsigned char>& block) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &length)) return nullptr;
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    return static_cast<const VS_FIXEDFILEINFO*>(value);
}

// A resource script with two translations and a text outside ASCII (UTF-8 script).
const char kScript[] = R"(#include <winresrc.h>
#pragma code_page(65001)
VS_VERSION_INFO VERSIONINFO
 FILEVERSION 1,2,3,4
 PRODUCTVERSION 5,6,7,8
 FILEFLAGSMASK 0x3fL
 FILEOS 0x40004L
 FILETYPE 0x2L
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "CompanyName", "Probe Makers"
      VALUE "ProductName", "Probe"
      VALUE "Empty", ""
    END
    BLOCK "040704b0"
    BEGIN
      VALUE "ProductName", "Prüfling"
      VALUE "Comments", "nur deutsch"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1252, 0x407, 1200
  END
END
)";

bool Runs(const std::vector<std::string>& arguments) {
    return tessaly::testing::RunProgram(arguments).status == 0;
}

} // namespace

class VersionInfoTest : public tessaly::testing::PrefixTest {
  protected:
    // Builds a resource-only Windows DLL with the binutils for Windows; empty when they are
    // missing. pe32: converted to the 32-bit image format.
    std::string BuildPe(bool pe32) {
        const std::string dir = prefix_.scratch();
        const std::string dll = tessaly::testing::BuildResourceDll(dir, "probe", kScript);
        if (dll.empty() || !pe32) return dll;
        const std::string dll32 = dir + "/probe32.dll";
        return Runs({"x86_64-w64-mingw32-objcopy", "-O", "pei-i386", dll, dll32}) ? dll32 : "";
    }

    void ExpectProbe(const std::string& file) {
        std::vector<unsigned char> block = ReadBlock(file);
        ASSERT_FALSE(block.empty()) << "error " << GetLastError();
        auto pairs = Translations(block);
        ASSERT_EQ(pairs.size(), 2u);
        EXPECT_EQ(pairs[0], std::make_pair(WORD(0x409), WORD(1252)));
        EXPECT_EQ(pairs[1], std::make_pair(WORD(0x407), WORD(1200)));

        EXPECT_EQ(Text(block, "\\StringFileInfo\\040904e4\\CompanyName"), "Probe Makers");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040904E4\\productname"), "Probe");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040704b0\\ProductName"), "Pr\xFC"
                                                                          "fling");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040704b0\\Comments"), "nur deutsch");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040904e4\\Comments"), "<absent>");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040c04b0\\ProductName"), "<absent>");
        EXPECT_EQ(Text(block, "\\StringFileInfo\\040904e4\\Product"), "<absent>");
        // Two texts queried one after the other both stay readable.
        void* first = nullptr;
        void* second = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\CompanyName", &first,
                                   &length));
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\ProductName", &second,
                                   &length));
        EXPECT_STREQ(static_cast<char*>(first), "Probe Makers");
        EXPECT_STREQ(static_cast<char*>(second), "Probe");

        const VS_FIXEDFILEINFO* fixed = Fixed(block);
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00050006u);
        EXPECT_EQ(fixed->dwProductVersionLS, 0x00070008u);
        EXPECT_EQ(fixed->dwFileType, 2u);
    }
};

TEST_F(VersionInfoTest, GermanLanguageModule) {
    std::string module = std::string(TESSALY_BUILD_DIR) + "/lib/TessalyGe.dll";
    if (!fs::exists(module)) GTEST_SKIP() << "the German language module is not built";
    std::vector<unsigned char> block = ReadBlock(module);
    ASSERT_FALSE(block.empty()) << "error " << GetLastError();
    auto pairs = Translations(block);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], std::make_pair(WORD(0x407), WORD(1200)));
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040704b0\\CompanyName"), "Varnholt");
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040704B0\\ProductName"), "Tessaly");
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040704b0\\FileDescription"),
              "Tessaly Sprachmodul Deutsch");
    const VS_FIXEDFILEINFO* fixed = Fixed(block);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000001u); // 0,1,0,0
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

TEST_F(VersionInfoTest, WindowsImage64) {
    std::string file = BuildPe(false);
    if (file.empty()) GTEST_SKIP() << "the binutils for Windows are not installed";
    ExpectProbe(file);
    // The same file named the Windows way.
    std::string windows = "Z:" + file;
    for (char& ch : windows)
        if (ch == '/') ch = '\\';
    ExpectProbe(windows);
}

TEST_F(VersionInfoTest, WindowsImage32) {
    std::string file = BuildPe(true);
    if (file.empty()) GTEST_SKIP() << "the binutils for Windows are not installed";
    ExpectProbe(file);
}

TEST_F(VersionInfoTest, TooSmallABufferIsRefused) {
    std::string file = BuildPe(false);
    if (file.empty()) GTEST_SKIP() << "the binutils for Windows are not installed";
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    EXPECT_FALSE(GetFileVersionInfoA(file.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_FALSE(GetFileVersionInfoA(file.c_str(), 0, size, nullptr));
    EXPECT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
}

TEST_F(VersionInfoTest, FilesWithoutVersionResource) {
    const std::string dir = prefix_.scratch();
    // A Windows image without resources.
    tessaly::testing::WriteFile(dir + "/empty.s", ".text\n.globl start\nstart: ret\n");
    if (Runs({"x86_64-w64-mingw32-as", "-o", dir + "/empty.o", dir + "/empty.s"}) &&
        Runs({"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", dir + "/empty.dll",
              dir + "/empty.o"})) {
        EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/empty.dll").c_str(), nullptr), 0u);
        EXPECT_EQ(GetLastError(), 1813u);
    }
    // Truncated and damaged images: never read past the end, never crash.
    std::string good = BuildPe(false);
    if (!good.empty()) {
        std::string bytes = tessaly::testing::ReadFile(good);
        // Cut inside the headers, the section table, and the version resource itself.
        const std::string key("V\0S\0_\0V\0E\0R\0", 12);
        size_t resource = bytes.find(key);
        ASSERT_NE(resource, std::string::npos);
        for (size_t cut : {size_t(2), size_t(64), size_t(300), resource + 40}) {
            tessaly::testing::WriteFile(dir + "/cut.dll", bytes.substr(0, cut));
            EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/cut.dll").c_str(), nullptr), 0u) << cut;
        }
        std::string damaged = bytes;
        for (size_t i = 0x200; i < damaged.size(); i += 7)
            damaged[i] = '\xFF';
        tessaly::testing::WriteFile(dir + "/damaged.dll", damaged);
        GetFileVersionInfoSizeA((dir + "/damaged.dll").c_str(), nullptr);
    }
    tessaly::testing::WriteFile(dir + "/text.txt", "just text");
    EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/text.txt").c_str(), nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/missing.dll").c_str(), nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA("", nullptr), 0u);
}

TEST(VersionBlock, DamagedBlocksAreRefused) {
    unsigned char block[128] = {};
    const char16_t key[] = u"VS_VERSION_INFO";
    std::memcpy(block + 6, key, sizeof key);
    void* value = nullptr;
    UINT length = 0;
    block[0] = 20; // the key runs past the node's end
    EXPECT_FALSE(VerQueryValueA(block, "\\", &value, &length));
    block[0] = 40; // a whole key, but no room for the fixed record it announces
    block[2] = 52;
    EXPECT_FALSE(VerQueryValueA(block, "\\", &value, &length));
    block[0] = 5; // shorter than a node header
    EXPECT_FALSE(VerQueryValueA(block, "\\", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block, "\\StringFileInfo\\x\\y", &value, &length));
    EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
}
