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

// ReportLastError takes the caller's flags: with the system-allocated buffer the text, else
// nothing; an unknown code leaves the text alone. GetLastErrorString reads the last error.
TEST(ErrorTexts, ReportLastErrorAndLastErrorString) {
    struct Case {
        DWORD code;
        const char* text; // null: no text
    } const cases[] = {{0, "The operation completed successfully.\r\n"},
                       {5, "Access is denied.\r\n"},
                       {0x7FFFFFF0, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        CString text("before");
        EXPECT_EQ(ReportLastError(c.code, 0x1300, text), c.text ? 1 : 0);
        EXPECT_EQ(text, c.text ? c.text : "before");
        p::SetLastError(c.code);
        EXPECT_EQ(GetLastErrorString(), c.text ? c.text : "");
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

// Each line is appended as given with CR LF; files are created when missing and kept when
// present.
TEST_F(Logs, AppendLines) {
    struct Case {
        const char* what;
        const char* existing; // null: no file yet
        std::vector<const char*> lines;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"kept file without final break", "partial", {"next", ""}, "partialnext\r\n\r\n"},
        {"null line, text mode line feeds", nullptr, {nullptr, "a\nb"}, "\r\na\r\nb\r\n"},
        {"bytes of the code page", nullptr, {"Gr\374\337e \200"}, "Gr\374\337e \200\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("case.log");
        for (bool enabledWriter : {false, true}) {
            fs::remove(file);
            if (c.existing) WriteFile(file, c.existing);
            for (const char* line : c.lines)
                if (enabledWriter)
                    WriteLogFile(WindowsPath(file).c_str(), line, 1);
                else
                    EXPECT_EQ(WriteToLog(WindowsPath(file).c_str(), line), 1);
            EXPECT_EQ(ReadFile(file), c.expected) << enabledWriter;
        }
    }
}

// A level of 0 writes nothing; drive letters name the prefix's drives.
TEST_F(Logs, DisabledWritesNothingAndDrivesAreThePrefixs) {
    const std::string file = path("off.log");
    WriteLogFile(WindowsPath(file).c_str(), "abc", 0);
    EXPECT_FALSE(fs::exists(file));
    WriteFile(file, "x");
    WriteLogFile(WindowsPath(file).c_str(), "abc", 0);
    EXPECT_EQ(ReadFile(file), "x");
    WriteLogFile(WindowsPath(file).c_str(), "abc", 2);
    EXPECT_EQ(ReadFile(file), "xabc\r\n");
    EXPECT_EQ(WriteToLog("C:\\log.txt", "on drive c"), 1);
    EXPECT_EQ(ReadFile(prefix_.root() + "/drive_c/log.txt"), "on drive c\r\n");
}

// Files that cannot be opened are skipped silently.
TEST_F(Logs, UnopenablePaths) {
    fs::create_directories(path("folder"));
    // A folder, a missing folder, an unmapped drive.
    for (const std::string& target :
         {WindowsPath(path("folder")), WindowsPath(path("no/such/folder/x.log")),
          std::string("Q:\\x.log")}) {
        EXPECT_EQ(WriteToLog(target.c_str(), "line"), 0) << target;
        WriteLogFile(target.c_str(), "line", 1); // nothing shown, nothing thrown
    }
    EXPECT_FALSE(fs::exists(path("no")));
    EXPECT_EQ(WriteToLog(nullptr, "line"), 0);
    WriteLogFile(nullptr, "line", 1);
}
