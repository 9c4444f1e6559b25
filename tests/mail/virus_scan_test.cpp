// Virus scanning: the registered scanner folder, its configuration, and real scans by the
// machine's clamscan through the prefix's "clamscan.exe" with a one-signature database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>

#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

// The library's message dialog: its text and its first button.
constexpr int kMessageText = 1501, kFirstButton = 1785;
constexpr const char* kKey = "SOFTWARE\\ClamWin";
constexpr const char* kInfected = "hello, this is the test signature's file\n";

class VirusScan : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        const std::string build = TESSALY_BUILD_DIR;
        setenv("TESSALY_MODULE_PATH", (build + "/lib").c_str(), 1);
        tessaly::automation::SetDialogHandler([this](tessaly::automation::Dialog& d) {
            messages.push_back(d.GetText(kMessageText));
            d.Click(kFirstButton);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    // "C:\Program Files\Clam Win" holding the scanner and, when given, a configuration.
    void installScanner(bool scanner, const std::string& conf) {
        const std::string folder = c + "/Program Files/Clam Win";
        fs::create_directories(folder);
        if (scanner)
            fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-clamscan",
                               folder + "/clamscan.exe");
        if (!conf.empty()) WriteFile(folder + "/ClamWin.conf", conf);
    }

    std::vector<std::string> messages;
};

struct CheckCase {
    const char* rule;
    const char* path; // the registry value; null: no key
    bool folder, scanner;
    const char* conf;
    int pathResult, configureResult, reportResult;
    const char* database;     // expected when configured
    const char* firstMessage; // with show messages: the first message's start
};

// One row per rule of the three checks.
TEST_F(VirusScan, ChecksFollowTheRegistryFolderScannerAndConfiguration) {
    const std::string full = "[ClamAV]\r\ndatabase=C:\\Sig\r\nlogfile=C:\\scan.log\r\n"
                             "[Updates]\r\ndbupdatelogfile=C:\\update.log\r\n";
    const CheckCase cases[] = {
        {"no key: every check fails with 387", nullptr, false, false, "", 0, 0, 0, "",
         "Wardrel is not detected"},
        {"an empty value counts as none", "", false, false, "", 0, 0, 0, "",
         "Wardrel is not detected"},
        {"a deleted folder: 385 naming it", "C:\\Program Files\\Clam Win", false, false, "", 0, 0,
         0, "", "C:\\Program Files\\Clam Win file is not found."},
        {"no scanner: configure fails", "C:\\Program Files\\Clam Win", true, false, full.c_str(), 1,
         0, 1, "", "Wardrel is not detected"},
        {"no configuration: the default database", "C:\\Program Files\\Clam Win", true, true, "", 1,
         1, 0, "C:\\Documents and Settings\\All Users\\.clamwin\\db", "Wardrel"},
        {"an empty database entry fails", "C:\\Program Files\\Clam Win", true, true,
         "[ClamAV]\r\ndatabase=\r\n", 1, 0, 0, "", "Wardrel"},
        {"a scan log without an update log fails", "C:\\Program Files\\Clam Win", true, true,
         "[ClamAV]\r\nlogfile=C:\\scan.log\r\n", 1, 1, 0, "C:\\Documents and Settings", "Wardrel"},
        {"an update log without a scan log fails", "C:\\Program Files\\Clam Win", true, true,
         "[Updates]\r\ndbupdatelogfile=C:\\u.log\r\n", 1, 1, 0, "C:\\Documents", "Wardrel"},
        {"everything configured", "C:\\Program Files\\Clam Win", true, true, full.c_str(), 1, 1, 1,
         "C:\\Sig", nullptr},
    };
    for (const CheckCase& row : cases) {
        SCOPED_TRACE(row.rule);
        fs::remove_all(c + "/Program Files/Clam Win");
        tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        if (row.path) PutRegText(HKEY_LOCAL_MACHINE, kKey, "Path", row.path);
        if (row.folder) installScanner(row.scanner, row.conf);

        for (int show : {0, 1}) {
            messages.clear();
            CString folder("unchanged"), scanner, database, update, scan;
            EXPECT_EQ(GetAntiVirusPath(folder, show), row.pathResult);
            EXPECT_STREQ(folder, row.pathResult ? row.path : "unchanged");
            EXPECT_EQ(CheckAntiVirusConfigure(scanner, database, show), row.configureResult);
            if (row.folder)
                EXPECT_STREQ(scanner, (std::string(row.path) + "\\clamscan.exe").c_str());
            if (row.configureResult)
                EXPECT_EQ(std::string(database).rfind(row.database, 0), 0u) << database;
            EXPECT_EQ(CheckAntiVirusReport(update, scan, show), row.reportResult);
            if (row.reportResult) {
                EXPECT_STREQ(update, "C:\\update.log");
                EXPECT_STREQ(scan, "C:\\scan.log");
            }
            const int failures = !row.pathResult + !row.configureResult + !row.reportResult;
            ASSERT_EQ(messages.size(), show ? size_t(failures) : 0u);
            if (show && failures)
                EXPECT_EQ(messages[0].rfind(row.firstMessage, 0), 0u) << messages[0];
        }
    }
}

// The hash signature line of a file, as the machine's md5sum gives its digest.
std::string signatureOf(const std::string& path, size_t size) {
    const RunResult md5 = RunProgram({"md5sum", path});
    return md5.out.substr(0, 32) + ":" + std::to_string(size) + ":Tessaly.Test.Signature\n";
}

std::vector<std::string> tempFiles(const std::string& c) {
    std::vector<std::string> names;
    for (const auto& user : fs::directory_iterator(c + "/users"))
        if (fs::is_directory(user.path() / "Temp"))
            for (const auto& entry : fs::directory_iterator(user.path() / "Temp"))
                names.push_back(entry.path().filename().string());
    return names;
}

// Real scans: the exit code passes through, the log is the report only for a find, the
// temporary log never stays, and blanks in the scanner's and the file's paths are quoted.
TEST_F(VirusScan, ScansPassTheExitCodeAndReportAFindOnly) {
    installScanner(true, "");
    const std::string infected = WriteFile(c + "/My Mail/in fected.txt", kInfected);
    WriteFile(c + "/Sig Base/test.hdb", signatureOf(infected, std::string(kInfected).size()));
    WriteFile(c + "/My Mail/clean.txt", "nothing to see\n");
    const struct {
        const char* rule;
        const char* scanner;
        const char* file;
        DWORD code;
        const char* report; // a part of the report; null: the report stays "untouched"
    } cases[] = {
        {"a find gives 1 and the log", "C:\\Program Files\\Clam Win\\clamscan.exe",
         "C:\\My Mail\\in fected.txt", 1, "Tessaly.Test.Signature.UNOFFICIAL FOUND"},
        {"a clean file gives 0", "C:\\Program Files\\Clam Win\\clamscan.exe",
         "C:\\My Mail\\clean.txt", 0, nullptr},
        {"a vanished file gives the scanner's error", "C:\\Program Files\\Clam Win\\clamscan.exe",
         "C:\\My Mail\\gone.txt", 2, nullptr},
        {"a scanner that cannot start is no clean file", "C:\\Program Files\\Clam Win\\none.exe",
         "C:\\My Mail\\in fected.txt", 2, nullptr},
    };
    const auto before = tempFiles(c);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        CString report("untouched");
        EXPECT_EQ(GetVirusDetail(row.scanner, "C:\\Sig Base", row.file, report), row.code);
        if (row.report)
            EXPECT_NE(std::string(report).find(row.report), std::string::npos) << report;
        else
            EXPECT_STREQ(report, "untouched");
        EXPECT_EQ(tempFiles(c), before);
    }
}

} // namespace
