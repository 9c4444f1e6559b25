// Virus scanning: the registered scanner folder, its configuration, and real scans by the
// machine's clamscan through the prefix's "clamscan.exe" with a one-signature database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>

#include "support/cli.h"
#include "support/registry.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

// The library's message dialog: its text and its first button.
constexpr int kMessageText = 1501, kFirstButton = 1785;
constexpr const char* kKey = "SOFTWARE\\ClamWin";
constexpr const char* kFolder = "C:\\Program Files\\Clam Win";
constexpr const char* kInfected = "hello, this is the test signature's file\n";

class VirusScan : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        setenv("TESSALY_MODULE_PATH", (std::string(TESSALY_BUILD_DIR) + "/lib").c_str(), 1);
        tessaly::automation::SetDialogHandler([this](tessaly::automation::Dialog& d) {
            messages.push_back(d.GetText(kMessageText));
            d.Click(kFirstButton);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    // The scanner folder holding the scanner and, when given, a configuration.
    void installScanner(bool scanner, const std::string& conf) {
        const std::string folder = c + "/Program Files/Clam Win";
        fs::create_directories(folder);
        if (scanner)
            fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-clamscan",
                               folder + "/clamscan.exe");
        if (!conf.empty()) WriteFile(folder + "/ClamWin.conf", conf);
    }

    // A one-signature database for "My Mail/in fected.txt" (the hash as the machine's md5sum
    // gives it) and a clean file beside it.
    void writeSignature() {
        const std::string infected = WriteFile(c + "/My Mail/in fected.txt", kInfected);
        WriteFile(c + "/Sig Base/test.hdb",
                  RunProgram({"md5sum", infected}).out.substr(0, 32) + ":" +
                      std::to_string(std::string(kInfected).size()) + ":Tessaly.Test.Signature\n");
        WriteFile(c + "/My Mail/clean.txt", "nothing to see\n");
    }

    std::vector<std::string> messages;
};

// One row per rule of the three checks; with messages on, the first failure is told.
TEST_F(VirusScan, ChecksFollowTheRegistryFolderScannerAndConfiguration) {
    const std::string full = "[ClamAV]\r\ndatabase=C:\\Sig\r\nlogfile=C:\\scan.log\r\n"
                             "[Updates]\r\ndbupdatelogfile=C:\\update.log\r\n";
    const char *none = "Wardrel is not detected", *defaultDb = "C:\\Documents and Settings";
    const struct {
        const char* path; // the registry value; null: no key
        bool folder, scanner;
        std::string conf;
        int pathResult, configureResult, reportResult;
        const char *database, *firstMessage; // the database's start when configured
    } cases[] = {
        {nullptr, false, false, "", 0, 0, 0, "", none}, // no key: every check fails
        {"", false, false, "", 0, 0, 0, "", none},      // an empty value counts as none
        {kFolder, false, false, "", 0, 0, 0, "", "C:\\Program Files\\Clam Win file is not found."},
        {kFolder, true, false, full, 1, 0, 1, "", none}, // no scanner: configure fails
        // No configuration: the default database, and no logs.
        {kFolder, true, true, "", 1, 1, 0, "C:\\Documents and Settings\\All Users\\.clamwin\\db",
         "Wardrel"},
        {kFolder, true, true, "[ClamAV]\r\ndatabase=\r\n", 1, 0, 0, "", "Wardrel"},
        // Each log alone is not enough.
        {kFolder, true, true, "[ClamAV]\r\nlogfile=C:\\scan.log\r\n", 1, 1, 0, defaultDb,
         "Wardrel"},
        {kFolder, true, true, "[Updates]\r\ndbupdatelogfile=C:\\u.log\r\n", 1, 1, 0, defaultDb,
         "Wardrel"},
        {kFolder, true, true, full, 1, 1, 1, "C:\\Sig", nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.path ? row.path : "<no key>") + " " + row.conf);
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
            EXPECT_TRUE(!row.folder ||
                        std::string(scanner) == std::string(kFolder) + "\\clamscan.exe")
                << scanner;
            EXPECT_TRUE(!row.configureResult || std::string(database).rfind(row.database, 0) == 0)
                << database;
            EXPECT_EQ(CheckAntiVirusReport(update, scan, show), row.reportResult);
            if (row.reportResult) {
                EXPECT_STREQ(update, "C:\\update.log");
                EXPECT_STREQ(scan, "C:\\scan.log");
            }
            const int failures = !row.pathResult + !row.configureResult + !row.reportResult;
            ASSERT_EQ(messages.size(), show ? size_t(failures) : 0u);
            EXPECT_TRUE(!show || !failures || messages[0].rfind(row.firstMessage, 0) == 0)
                << messages[0];
        }
    }
}

// Everything in the users' temporary folders.
std::vector<std::string> tempFiles(const std::string& c) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(c + "/users"))
        if (entry.path().parent_path().filename() == "Temp") names.push_back(entry.path());
    return names;
}

// Real scans with a one-signature database: the exit code passes through, the log is the
// report only for a find, the temporary log never stays, and blanks in paths are quoted.
TEST_F(VirusScan, ScansPassTheExitCodeAndReportAFindOnly) {
    installScanner(true, "");
    writeSignature();
    const struct {
        const char *scanner, *file;
        DWORD code;
        const char* report; // a part of the report; null: the report stays "untouched"
    } cases[] = {
        {"clamscan.exe", "in fected.txt", 1, "Tessaly.Test.Signature.UNOFFICIAL FOUND"},
        {"clamscan.exe", "clean.txt", 0, nullptr},
        {"clamscan.exe", "gone.txt", 2, nullptr}, // the scanner's error
        {"none.exe", "in fected.txt", 2,
         nullptr}, // a scanner that cannot start finds no clean file
    };
    const auto before = tempFiles(c);
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.scanner) + " " + row.file);
        CString report("untouched");
        EXPECT_EQ(GetVirusDetail((std::string(kFolder) + "\\" + row.scanner).c_str(),
                                 "C:\\Sig Base", ("C:\\My Mail\\" + std::string(row.file)).c_str(),
                                 report),
                  row.code);
        if (row.report)
            EXPECT_NE(std::string(report).find(row.report), std::string::npos) << report;
        else
            EXPECT_STREQ(report, "untouched");
        EXPECT_EQ(tempFiles(c), before);
    }
}

class AntivirusCommands : public CliTest<VirusScan> {};

// tessaly antivirus register puts the machine's scanner in the prefix; tessaly scan then
// exits 1 with the report for a find, 0 for a clean file and 2 for the scanner's error.
TEST_F(AntivirusCommands, RegisterWritesTheScannerFolderThenScansUseIt) {
    writeSignature();
    const std::string mail = c + "/My Mail/", base = "--database=" + c + "/Sig Base";
    Expect({{{"scan", mail + "clean.txt"}, 1, "no scanner is registered"},
            {{"antivirus"}, 2, "tessaly: antivirus:"},
            {{"antivirus", "register"}, 0, "", "C:\\Program Files\\ClamWin\\bin\n"}});
    // The folder holds the scanner program; its configuration and the registry value are
    // what the library reads back.
    const std::string bin = c + "/Program Files/ClamWin/bin/";
    EXPECT_EQ(fs::canonical(bin + "clamscan.exe"),
              fs::canonical(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-clamscan"));
    CString folder, scanner, database, update, log;
    EXPECT_EQ(GetAntiVirusPath(folder, 0), 1);
    EXPECT_STREQ(folder, "C:\\Program Files\\ClamWin\\bin");
    EXPECT_EQ(CheckAntiVirusConfigure(scanner, database, 0), 1);
    EXPECT_STREQ(database, WindowsPath("/var/lib/clamav").c_str());
    EXPECT_EQ(CheckAntiVirusReport(update, log, 0), 1);
    EXPECT_EQ(std::string(update) + "|" + std::string(log),
              "C:\\Program Files\\ClamWin\\log\\ClamUpdateLog.txt|"
              "C:\\Program Files\\ClamWin\\log\\ClamScanLog.txt");
    EXPECT_TRUE(fs::is_directory(c + "/Program Files/ClamWin/log"));

    Expect({{{"scan", mail + "clean.txt", base}, 0, "", mail + "clean.txt: clean\n"},
            {{"scan", mail + "gone.txt", base}, 2, "the scanner failed with exit code 2"},
            {{"scan"}, 2, "file is required"}});
    // A find: the report on the output and nothing on the errors; Windows paths as given.
    const RunResult found =
        RunTessalyLimited({"scan", "C:\\My Mail\\in fected.txt", "--database", "C:\\Sig Base"});
    EXPECT_EQ(found.status, 1) << found.err;
    EXPECT_EQ(found.err, "");
    EXPECT_NE(found.out.find("in fected.txt: Tessaly.Test.Signature.UNOFFICIAL FOUND"),
              std::string::npos)
        << found.out;
}

} // namespace
