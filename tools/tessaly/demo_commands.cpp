// tessaly demo: a short tour of the services in a throw-away prefix.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <tessaly/companion.h>
#include <tessaly/tessaly.h>

#include "commands.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "shell.h"

namespace fs = std::filesystem;
namespace platform = tessaly::platform;

namespace tessaly::cli {

namespace {

const char* kLanguageKey = "Software\\varnholt\\Tessaly2001\\Language";

void heading(const char* title) {
    std::printf("\n== %s\n", title);
}
// The library speaks the ANSI code page; the terminal speaks UTF-8.
void show(const char* what, const CString& value) {
    std::printf("  %s %s\n", PadToWidth(what, kTourColumn).c_str(),
                FromAnsi(value.GetString()).c_str());
}
void show(const char* what, long long value) {
    std::printf("  %s %lld\n", PadToWidth(what, kTourColumn).c_str(), value);
}

void tourFrame() {
    heading("Languages and resources");
    show("installation folder (GetInstallDir)", GetInstallDir());
    show("install language (GetInstallLangID)", GetInstallLangID());
    show("its name (GetLanguageName)", GetLanguageName(GetInstallLangID()));
    for (int id : {9, 1036, 2052, 4105, 1049})
        show(("GetLanguageName(" + std::to_string(id) + ")").c_str(), GetLanguageName(id));
    show("keyboard layout language", static_cast<long long>(GetKeyboardLayoutLanguage()));
}

void tourStrings() {
    heading("Strings");
    show("AddQuotation(\"  my file.txt \")", AddQuotation("  my file.txt "));
    CStringArray words;
    int n = GetWordsFromString("Don't stop the e-mail, there!", words);
    CString joined;
    for (int i = 0; i < n; ++i)
        joined += (i ? " | " : "") + words[i];
    show("GetWordsFromString(\"Don't stop the e-mail, there!\")", joined);
    char hex[] = "0x1f";
    show("HexToDword(\"0x1f\", base 10)", static_cast<long long>(HexToDword(hex, nullptr, 10)));
    show("StringToHex(\"Tessaly\")", StringToHex("Tessaly"));
}

void tourFiles() {
    heading("Paths and files");
    const char* path = "C:\\Docs\\report.final.txt";
    show("GetFileName", GetFileName(path));
    show("GetFileNameEx", GetFileNameEx(path));
    show("GetFileDirectory", GetFileDirectory(path));
    show("GetFileNameExt", GetFileNameExt(path));
    show("CreateDir(C:\\Tour\\a\\b)", static_cast<long long>(CreateDir("C:\\Tour\\a\\b")));
    CByteArray bytes;
    for (char c : std::string("Hello from the tour.\r\n"))
        bytes.Add(static_cast<BYTE>(c));
    WriteBinFile("C:\\Tour\\a\\hello.txt", bytes);
    WriteBinFile("C:\\Tour\\a\\b\\notes.txt", bytes);
    CStringArray files;
    GetDirectoryFiles("C:\\Tour", files);
    for (const CString& f : files)
        show("GetDirectoryFiles(C:\\Tour)", f);
    show("ReadTextFile(C:\\Tour\\a\\hello.txt)", ReadTextFile("C:\\Tour\\a\\hello.txt").Trim());
    CString temp;
    MakeTempFilename(temp, "tmp");
    show("MakeTempFilename(\"tmp\")", temp);
    show("GetFreeDiskSpace(C:\\) in MiB", GetFreeDiskSpace("C:\\") / (1024 * 1024));
    show("documents folder (GetMyDocumentsFolderEx)", GetMyDocumentsFolderEx());
}

void tourRegistry() {
    heading("Registry");
    SetRegString("Software\\Varnholt\\Tessaly2001\\Options", "Fax Custom Init String", "AT&F&C1",
                 0);
    show("SetRegString then GetStringRegistry",
         GetStringRegistry(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly2001\\Options",
                           "Fax Custom Init String"));
    show("CopyKey(Options -> Options Backup)",
         static_cast<long long>(CopyKey(HKEY_CURRENT_USER, HKEY_CURRENT_USER,
                                        "Software\\Varnholt\\Tessaly2001\\Options",
                                        "Software\\Varnholt\\Tessaly2001\\Options Backup")));
    std::string text;
    platform::RegExportText("HKEY_CURRENT_USER\\Software\\Varnholt\\Tessaly2001", text);
    std::printf("  exported as REGEDIT4:\n");
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::printf("    %s\n", text.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void presentWindows(DWORD platformId, DWORD major, DWORD minor, DWORD build, const char* sp) {
    HKEY key;
    platform::RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version", &key);
    auto dword = [&](const char* name, DWORD v) {
        platform::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    };
    dword("PlatformId", platformId);
    dword("MajorVersion", major);
    dword("MinorVersion", minor);
    dword("BuildNumber", build);
    platform::RegSetValueExA(key, "CSDVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(sp),
                             static_cast<DWORD>(std::string(sp).size()));
    platform::RegCloseKey(key);
}

void tourSystem() {
    heading("System and processes");
    show("GetWindowsVersion (this machine)", GetWindowsVersion());
    presentWindows(2, 5, 1, 2600, "Service Pack 2");
    show("GetWindowsVersion (presented as XP SP2)", GetWindowsVersion());
    long code = 0;
    GetOSVersion(code);
    show("GetOSVersionEx / GetOSVersion",
         CString(std::to_string(GetOSVersionEx()) + " / " + std::to_string(code)));
    platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version");
    DWORD exitCode = 0;
    ExecProc("/bin/sh -c \"exit 7\"", 1, 0, exitCode);
    show("ExecProc(sh -c \"exit 7\") exit code", static_cast<long long>(exitCode));
    show("GetProcessCount(\"tessaly\")", GetProcessCount("tessaly"));
    show("user name", GetUserNameA());
    heading("Companion library");
    show("CreateGUIDCString", CreateGUIDCString(1));
    show("EscapeQuotation(\"O'Brien \\\\ \"x\"\")", EscapeQuotation("O'Brien \\ \"x\""));
}

int runTour(bool languagesOnly) {
    std::printf("Tessaly services tour, prefix %s\n", platform::PrefixRoot().c_str());
    tourFrame();
    if (languagesOnly) return 0;
    tourStrings();
    tourFiles();
    tourRegistry();
    tourSystem();
    RunTextTour();
    if (RunBackupTour() != 0) return kFailed;
    heading("Outside programs: an association and a document opened");
    if (RunLaunchTour()) return kFailed;
    heading("Web pages: a page from a loopback server saved whole");
    if (RunWebTour()) return kFailed;
    heading("Virus scanning: the machine's scanner on a test file");
    if (RunScanTour()) return kFailed;
    heading("Printing: a letter saved as PDF through the PDF printer");
    if (RunPdfTour()) return kFailed;
    heading("Mail: contacts, lists and a recipient field");
    return RunMailTour((fs::path(platform::PrefixRoot()) / "maildb").string());
}

int runChild(char** argv, bool english) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("TESSALY_DEMO_TOUR", english ? "all" : "languages", 1);
        if (english)
            execl(argv[0], argv[0], "demo", "/english", static_cast<char*>(nullptr));
        else
            execl(argv[0], argv[0], "demo", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Makes a throw-away prefix with an installation folder (where the language modules are)
// and German as the install language, then runs the tour in it twice: with the "English"
// switch first, then its languages part in German.
int runDemo(char** argv, bool keep) {
    std::string root = (fs::temp_directory_path() / "tessaly-demo-XXXXXX").string();
    if (!mkdtemp(root.data())) {
        std::perror("tessaly demo");
        return 1;
    }
    setenv("TESSALY_PREFIX", root.c_str(), 1);
    std::string moduleFolder =
        fs::path(platform::ModulePathOf(reinterpret_cast<const void*>(&GetInstallDir)))
            .parent_path()
            .string();
    std::string installDir = platform::ToWindowsPath(moduleFolder);
    SetStringRegistry(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "", REG_SZ,
                      installDir.c_str());
    SetRegString(kLanguageKey, "Install Version", "1031", 1);
    SetRegString(kLanguageKey, "Current", "1031", 1);
    SetRegString(kLanguageKey, "Original", "1031", 1);

    int status = runChild(argv, true);
    std::printf("\n---- Languages again in German, the install language (no switch on the "
                "command line) ----\n");
    status |= runChild(argv, false);
    if (keep)
        std::printf("\nThe demo prefix is kept at %s\n", root.c_str());
    else
        fs::remove_all(root);
    return status;
}

} // namespace

void addDemoCommand(CLI::App& app) {
    auto* demo = app.add_subcommand("demo", "Tour the services in a throw-away prefix");
    static bool keep = false;
    demo->add_flag("--keep", keep, "Keep the demo prefix afterwards");
    demo->allow_extras();
    demo->callback([] {
        char* self = realpath("/proc/self/exe", nullptr);
        char* args[] = {self, nullptr};
        const char* tour = std::getenv("TESSALY_DEMO_TOUR");
        int status = tour ? runTour(std::string(tour) == "languages") : runDemo(args, keep);
        std::free(self);
        if (status) Fail("demo", "the tour did not go as shown");
    });
}

} // namespace tessaly::cli
