// The system's error texts and the two log writers.
#include <tessaly/foundation.h>

#include <filesystem>
#include <string>

#include "frame_support.h"
#include "platform/errors.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace frame_test;
using tessaly::testing::PrefixTest;
using tessaly::testing::ReadFile;
using tessaly::testing::WriteFile;

// ReportLastError gives the text only with the system-allocated buffer flag; unknown: none.
TEST(ErrorTexts, ReportLastErrorAndLastErrorString) {
    const std::pair<DWORD, const char*> cases[] = {{5, "Access is denied.\r\n"},
                                                   {0x7FFFFFF0, nullptr}};
    for (const auto& [code, expected] : cases) {
        CString text("before");
        EXPECT_EQ(ReportLastError(code, 0x1300, text), expected ? 1 : 0) << code;
        EXPECT_EQ(text, expected ? expected : "before");
        p::SetLastError(code);
        EXPECT_EQ(GetLastErrorString(), expected ? expected : "");
    }
    CString text("before");
    EXPECT_EQ(ReportLastError(2, 0x1200, text), 0);
    EXPECT_EQ(text, "before");
}

namespace {

class Logs : public PrefixTest {
  protected:
    std::string path(const std::string& name) { return prefix_.scratch() + "/" + name; }
};

} // namespace

// Each line is appended with CR LF; files are created when missing and kept when present; any
// level but 0 writes; drive letters name the prefix's drives.
TEST_F(Logs, AppendLines) {
    // A kept file without a final break; a null line; text-mode line feeds.
    const std::string file = path("case.log");
    for (bool enabledWriter : {false, true}) {
        WriteFile(file, "partial");
        for (const char* line : {"next", "", static_cast<const char*>(nullptr), "a\nb"})
            if (enabledWriter)
                WriteLogFile(WindowsPath(file).c_str(), line, 1);
            else
                EXPECT_EQ(WriteToLog(WindowsPath(file).c_str(), line), 1);
        EXPECT_EQ(ReadFile(file), "partialnext\r\n\r\n\r\na\r\nb\r\n") << enabledWriter;
    }
    fs::remove(file);
    EXPECT_EQ(WriteToLog(WindowsPath(file).c_str(), "new"), 1);
    WriteLogFile(WindowsPath(file).c_str(), "off", 0);
    WriteLogFile(WindowsPath(file).c_str(), "two", 2);
    EXPECT_EQ(ReadFile(file), "new\r\ntwo\r\n");
    EXPECT_EQ(WriteToLog("C:\\log.txt", "on drive c"), 1);
    EXPECT_EQ(ReadFile(prefix_.root() + "/drive_c/log.txt"), "on drive c\r\n");
}

// Files that cannot be opened are skipped silently.
TEST_F(Logs, UnopenablePathsAreSkipped) {
    fs::create_directories(path("folder"));
    for (const std::string& target :
         {WindowsPath(path("folder")), WindowsPath(path("no/such/folder/x.log"))}) {
        EXPECT_EQ(WriteToLog(target.c_str(), "line"), 0) << target;
        WriteLogFile(target.c_str(), "line", 1); // nothing shown, nothing thrown
    }
    EXPECT_FALSE(fs::exists(path("no")));
    EXPECT_EQ(WriteToLog(nullptr, "line"), 0);
}
