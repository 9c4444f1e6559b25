// INI profiles: reading, listing, truncation, writing and deleting, the file's own bytes.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::ReadFile;
using tessaly::testing::WriteFile;

namespace {

const char* const kSample = "; settings of the suite\r\n"
                            "[General]\r\n"
                            "Name = Tessaly Suite  \r\n"
                            "Quoted=\"  spaced value  \"\r\n"
                            "Single='x'\r\n"
                            "Mismatch=\"abc'\r\n"
                            "Empty=\r\n"
                            "NoEquals\r\n"
                            "; key=commented out\r\n"
                            "\r\n"
                            "[ Other Section ]\r\n"
                            "key=other\r\n"
                            "Count=42\r\n";

class Profile : public PrefixTest {
  protected:
    void SetUp() override {
        EnsurePrefix();
        path = prefix_.root() + "/drive_c/cfg/suite.ini";
        WriteFile(path, kSample);
    }
    static constexpr const char* kFile = "C:\\cfg\\suite.ini";
    std::string path;
};

TEST_F(Profile, ValuesAreFoundWithoutCaseTrimmedAndUnquoted) {
    // Section, key, default; the value read.
    const std::tuple<const char*, const char*, const char*, std::string> cases[] = {
        {"general", "NAME", "", "Tessaly Suite"},
        {"General", "Mismatch", "", "\"abc'"},
        {"General", "Empty", "fallback", ""},
        {"General", "; key", "dflt", "dflt"}, // comments are no keys
        {"General", "missing", "  spaced default  ", "  spaced default"},
    };
    for (const auto& [section, key, fallback, value] : cases) {
        char buffer[256];
        DWORD length =
            GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, kFile);
        EXPECT_EQ(std::string(buffer, length + 1), value + '\0') << key;
    }
    char value[5]; // cut to the buffer, terminated
    EXPECT_EQ(GetPrivateProfileStringA("General", "Name", "", value, sizeof value, kFile), 4u);
    EXPECT_STREQ(value, "Tess");
}

TEST_F(Profile, WritesKeepTheRestOfTheFileByteForByte) {
    ASSERT_TRUE(WritePrivateProfileStringA("GENERAL", "name", "Renamed", kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("General", "Added", "new value", kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("General", "Single", nullptr, kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("Fresh", "k", "v", kFile));
    EXPECT_EQ(ReadFile(path), "; settings of the suite\r\n"
                              "[General]\r\n"
                              "Name=Renamed\r\n"
                              "Quoted=\"  spaced value  \"\r\n"
                              "Mismatch=\"abc'\r\n"
                              "Empty=\r\n"
                              "NoEquals\r\n"
                              "; key=commented out\r\n"
                              "Added=new value\r\n"
                              "\r\n"
                              "[ Other Section ]\r\n"
                              "key=other\r\n"
                              "Count=42\r\n"
                              "[Fresh]\r\n"
                              "k=v\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("other section", nullptr, nullptr, kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("general", nullptr, nullptr, kFile));
    EXPECT_EQ(ReadFile(path), "; settings of the suite\r\n[Fresh]\r\nk=v\r\n");
    // Deleting from a missing file creates nothing.
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", nullptr, "C:\\cfg\\absent.ini"));
    EXPECT_FALSE(fs::exists(prefix_.root() + "/drive_c/cfg/absent.ini"));
    WriteFile(path, "[a]\nx=1");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "y", "2", kFile));
    ASSERT_TRUE(WritePrivateProfileStringA("b", "z", "3", kFile));
    EXPECT_EQ(ReadFile(path), "[a]\nx=1\ny=2\n[b]\nz=3\n");
}

TEST_F(Profile, BareNamesLiveInTheWindowsFolder) {
    ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "V", "bare.ini"));
    EXPECT_EQ(ReadFile(prefix_.root() + "/drive_c/windows/bare.ini"), "[S]\r\nK=V\r\n");
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "BARE.INI"), 1u);
    EXPECT_STREQ(buffer, "V");
    // The system profile is win.ini in the same folder.
    ASSERT_TRUE(WriteProfileStringA("Devices", "Printer", "PDF,winspool"));
    EXPECT_EQ(GetProfileStringA("devices", "PRINTER", "", buffer, sizeof buffer), 12u);
    EXPECT_EQ(ReadFile(prefix_.root() + "/drive_c/windows/win.ini"),
              "[windows]\r\n[MAIL]\r\nMAPI=1\r\n[Devices]\r\nPrinter=PDF,winspool\r\n");
    // A read-only profile is not written.
    chmod(path.c_str(), 0444);
    EXPECT_FALSE(WritePrivateProfileStringA("General", "Name", "x", kFile));
    EXPECT_EQ(GetLastError(), 5u);
}

TEST_F(Profile, WritersInSeveralProcessesLoseNothing) {
    WriteFile(path, "");
    constexpr int kWriters = 4, kKeys = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
                ok &= WritePrivateProfileStringA("Shared", key.c_str(), "1", kFile) != FALSE;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
            EXPECT_EQ(GetPrivateProfileIntA("Shared", key.c_str(), 0, kFile), 1u) << key;
        }
}

TEST_F(Profile, IntegersAreDecimalPrefixes) {
    WriteFile(path, "[n]\r\nb=-7\r\nc=12abc\r\ne=\r\nf=0x10\r\n");
    const std::pair<const char*, UINT> cases[] = {{"b", UINT(-7)}, {"c", 12}, {"e", 55}, {"f", 0}};
    for (auto [key, value] : cases)
        EXPECT_EQ(GetPrivateProfileIntA("N", key, 55, kFile), value) << key;
}

} // namespace
