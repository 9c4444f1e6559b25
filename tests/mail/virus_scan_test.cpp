// Virus scanning: the registered scanner folder, its configuration, and real scans by the
// machine's clamscan through the prefix's "clamscan.exe" with a one-signature database.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>

#include "support/cli.h"
#include "support/registry.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

constexpr int kMessageText = 1501, kFirstButton = 1785; // of the library's message dialog
constexpr const char* kKey = "SOFTWARE\\ClamWin";
constexpr const char *kFolder = "C:\\Program Files\\Clam Win",
                     *kScanner = "C:\\Program Files\\Clam Win\\clamscan.exe";
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

    std::vector<std::string> messages;
};

// One row per rule of the three checks; with messages on, the first failure is told.
TEST_F(VirusScan, ChecksFollowTheRegistryFolderScannerAndConfiguration) {
    const std::string full = "[ClamAV]\r\ndatabase=C:\\Sig\r\nlogfile=C:\\scan.log\r\n"
                             "[Updates]\r\ndbupdatelogfile=C:\\update.log\r\n";
    const char *none = "Wardrel is not detected", *gone = "C:\\Program Files\\Clam Win file is not",
               *defaultDb = "C:\\Documents and Settings\\All Users\\.clamwin\\db";
    const struct {
        const char* path; // the registry value; null: no key
        int installed;    // 0: no folder, 1: the folder, 2: with the scanner
        std::string conf;
        int pathResult, configureResult, reportResult;
        const char *database, *firstMessage; // the database when configured
    } cases[] = {
        {nullptr, 0, "", 0, 0, 0, "", none}, // no key: every check fails
        {"", 0, "", 0, 0, 0, "", none},      // an empty value counts as none
        {kFolder, 0, "", 0, 0, 0, "", gone},
        {kFolder, 1, full, 1, 0, 1, "", none},      // no scanner: configure fails
        {kFolder, 2, "", 1, 1, 0, defaultDb, none}, // no configuration: the default, no logs
        {kFolder, 2, "[ClamAV]\r\ndatabase=\r\n", 1, 0, 0, "", none},
        // Each log alone is not enough.
        {kFolder, 2, "[ClamAV]\r\nlogfile=C:\\scan.log\r\n", 1, 1, 0, defaultDb, none},
        {kFolder, 2, "[Updates]\r\ndbupdatelogfile=C:\\u.log\r\n", 1, 1, 0, defaultDb, none},
        {kFolder, 2, full, 1, 1, 1, "C:\\Sig", nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.path ? row.path : "<no key>") + " " + row.conf);
        const std::string folder = c + "/Program Files/Clam Win";
        fs::remove_all(folder);
        tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        if (row.path) PutRegText(HKEY_LOCAL_MACHINE, kKey, "Path", row.path);
        if (row.installed) fs::create_directories(folder);
        if (row.installed == 2)
            fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-clamscan",
                               folder + "/clamscan.exe");
        if (!row.conf.empty()) WriteFile(folder + "/ClamWin.conf", row.conf);
        for (int show : {0, 1}) {
            messages.clear();
            CString folder("unchanged"), scanner, database, update, scan;
            EXPECT_EQ(GetAntiVirusPath(folder, show), row.pathResult);
            EXPECT_STREQ(folder, row.pathResult ? row.path : "unchanged");
            EXPECT_EQ(CheckAntiVirusConfigure(scanner, database, show), row.configureResult);
            EXPECT_STREQ(row.installed ? scanner.GetString() : "", row.installed ? kScanner : "");
            EXPECT_STREQ(row.configureResult ? database.GetString() : "", row.database);
            EXPECT_EQ(CheckAntiVirusReport(update, scan, show), row.reportResult);
            EXPECT_EQ(row.reportResult ? update.str() + "|" + scan.str() : "",
                      row.reportResult ? "C:\\update.log|C:\\scan.log" : "");
            const int failures = !row.pathResult + !row.configureResult + !row.reportResult;
            ASSERT_EQ(messages.size(), show ? size_t(failures) : 0u);
            EXPECT_TRUE(!show || !failures || messages[0].rfind(row.firstMessage, 0) == 0)
                << messages[0];
        }
    }
}

class AntivirusCommands : public CliTest<VirusScan> {};

// The registered scanner found by the library; real scans through the library and the command:
// exit codes pass through, the log is the report of a find only and never stays.
TEST_F(AntivirusCommands, RegisterThenScanThroughTheLibraryAndTheCommand) {
    // A one-signature database (the md5sum hash) for "in fected.txt"; a clean file.
    const std::string infected = WriteFile(c + "/My Mail/in fected.txt", kInfected);
    WriteFile(c + "/Sig Base/test.hdb", RunProgram({"md5sum", infected}).out.substr(0, 32) + ":" +
                                            std::to_string(std::string(kInfected).size()) +
                                            ":Tessaly.Test.Signature\n");
    WriteFile(c + "/My Mail/clean.txt", "nothing to see\n");
    const std::string mail = c + "/My Mail/", base = "--database=" + c + "/Sig Base",
                      bin = "C:\\Program Files\\ClamWin\\bin",
                      logs = "C:\\Program Files\\ClamWin\\log\\";
    Expect({{{"scan", mail + "clean.txt"}, 1, "no scanner is registered"},
            {{"antivirus"}, 2, "tessaly: antivirus:"},
            {{"antivirus", "register"}, 0, "", bin + "\n"}});
    EXPECT_EQ(fs::canonical(c + "/Program Files/ClamWin/bin/clamscan.exe"),
              fs::canonical(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-clamscan"));
    CString folder, scanner, database, update, log;
    EXPECT_EQ(GetAntiVirusPath(folder, 0) + CheckAntiVirusConfigure(scanner, database, 0) +
                  CheckAntiVirusReport(update, log, 0),
              3);
    EXPECT_EQ(folder.str() + "|" + database.str() + "|" + update.str() + "|" + log.str(),
              bin + "|" + WindowsPath("/var/lib/clamav") + "|" + logs + "ClamUpdateLog.txt|" +
                  logs + "ClamScanLog.txt");

    // A clean file leaves the report as it was; a scanner that cannot start finds no clean file.
    const auto tempFiles = [this] { // everything in the users' temporary folders
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(c + "/users"))
            if (entry.path().parent_path().filename() == "Temp") names.push_back(entry.path());
        return names;
    };
    const auto before = tempFiles();
    for (const auto& [program, file, code] :
         {std::tuple{scanner.str(), "clean.txt", 0u}, {bin + "\\none.exe", "in fected.txt", 2u}}) {
        CString text("untouched");
        const std::string path = "C:\\My Mail\\" + std::string(file);
        EXPECT_EQ(GetVirusDetail(program.c_str(), "C:\\Sig Base", path.c_str(), text), code)
            << file;
        EXPECT_STREQ(text, "untouched");
    }
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
    EXPECT_EQ(tempFiles(), before);
}

} // namespace
