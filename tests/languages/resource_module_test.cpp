// The installation folder and the language resource module, also at start-up.
#include <tessaly/foundation.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame_support.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace frame_test;
using tessaly::testing::PrefixTest;

namespace {

class ResourceModules : public PrefixTest {
  protected:
    // An installation folder holding copies of the German module under the names given.
    std::string install(const std::vector<std::string>& names) {
        const std::string folder = prefix_.scratch() + "/Tessaly Suite";
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const auto& name : names)
            fs::copy_file(kGermanModule, folder + "/" + name);
        SetInstallDir(folder);
        return folder;
    }
    // The module the suite "Tessaly" gets now, by its suffix ("" for none).
    static void expectModule(const std::string& suffix) {
        HINSTANCE module = getResourceInstance("Tessaly");
        EXPECT_EQ(module ? fileNameOf(module) : "",
                  suffix.empty() ? "" : "Tessaly" + suffix + ".dll");
        if (module) p::FreeLibrary(module);
    }
    static std::string fileNameOf(HMODULE module) {
        char buffer[2048] = {};
        p::GetModuleFileNameA(module, buffer, sizeof buffer);
        const std::string path = buffer;
        return path.substr(path.find_last_of('\\') + 1);
    }
};

// The suite "Tessaly"'s modules of the suffixes.
std::vector<std::string> modules(const std::vector<std::string>& suffixes) {
    std::vector<std::string> names;
    for (const auto& suffix : suffixes)
        names.push_back("Tessaly" + suffix + ".dll");
    return names;
}

} // namespace

TEST_F(ResourceModules, InstallDir) {
    EXPECT_EQ(GetInstallDir(), "");
    // The value is read into 1024 bytes: a longer one cannot be read.
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", "C:\\" + std::string(1019, 'a'));
    EXPECT_EQ(GetInstallDir().GetLength(), 1022);
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", "C:\\" + std::string(1024, 'a'));
    EXPECT_EQ(GetInstallDir(), "");
    // A named value is not the folder.
    p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kInstallDirKey);
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "Path", "C:\\Elsewhere");
    EXPECT_EQ(GetInstallDir(), "");
}

// Every row of the table, with all modules present: the first matching test decides.
TEST_F(ResourceModules, TableRows) {
    install(modules({"CN", "Po", "Ge", "SrLa", "Hu", "Ra", "Fr", "SrCl"}));
    struct Case {
        int language;
        const char* module; // the suffix; empty: none
    };
    // One row per rule: 2052, 2074 and 3098 match only as a whole (4100, Chinese (Singapore),
    // does not), the others by the primary language; no rule, no module.
    const Case cases[] = {{2052, "CN"},   {4100, ""},   {1046, "Po"}, {2055, "Ge"},
                          {2074, "SrLa"}, {1038, "Hu"}, {1049, "Ra"}, {3084, "Fr"},
                          {3098, "SrCl"}, {6170, ""},   {1033, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetInstallLanguage(c.language);
        expectModule(c.module);
    }
}

// Only Serbian Cyrillic falls back, to the Latin module.
TEST_F(ResourceModules, MissingModules) {
    struct Case {
        std::vector<std::string> present;
        int language;
        const char* module;
    } const cases[] = {{{"SrLa"}, 3098, "SrLa"},
                       {{"SrLa", "SrCl"}, 3098, "SrCl"},
                       {{"SrCl"}, 2074, ""},
                       {{"Fr", "SrLa"}, 1031, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        install(modules(c.present));
        SetInstallLanguage(c.language);
        expectModule(c.module);
    }
}

// The entries take the suite name into the file name; GetLibraryInst loads any module.
TEST_F(ResourceModules, SuiteNameEntriesAndLibraries) {
    install({"TessalyGe.dll", "LintorGe.dll"});
    SetInstallLanguage(1031);
    HINSTANCE lintor = getResourceInstance1(CString("Lintor"));
    ASSERT_NE(lintor, nullptr);
    EXPECT_EQ(fileNameOf(lintor), "LintorGe.dll");
    p::FreeLibrary(lintor);
    EXPECT_EQ(getResourceInstance("Mail"), nullptr);
    EXPECT_EQ(getResourceInstance(static_cast<const char*>(nullptr)), nullptr);
    // Any module by its path, or by its name on the library path.
    HINSTANCE module = GetLibraryInst(CString(WindowsPath(kGermanModule).c_str()));
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(fileNameOf(module), "TessalyGe.dll");
    p::FreeLibrary(module);
    EXPECT_EQ(GetLibraryInst("C:\\No Such Folder\\Nothing.dll"), nullptr);
    EXPECT_EQ(GetLibraryInst(""), nullptr);
    EXPECT_NE(GetLibraryInst("Morvik.dll"), nullptr);
}

// ---- Start-up in a fresh process ----

namespace {

class StartUp : public ResourceModules {
  protected:
    void SetUp() override { SetInstallDir(kLibFolder); }
    static std::string module(const std::string& words = "") {
        ToolResult r = RunTessaly("lang module " + words);
        EXPECT_EQ(r.status, 0);
        if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
        if (r.out == "none") return r.out;
        return r.out.substr(r.out.find_last_of('\\') + 1);
    }
    static std::string line(const std::string& arguments) {
        ToolResult r = RunTessaly(arguments);
        EXPECT_EQ(r.status, 0) << arguments;
        return r.out;
    }
};

} // namespace

TEST_F(StartUp, InstallLanguageChoosesTheModule) {
    struct Case {
        int language;
        const char* module;
        const char* englishName; // GetLanguageName(9) in the process
    } const cases[] = {{1031, "TessalyGe.dll", "Englisch"}, {1033, "none", "English"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetInstallLanguage(c.language);
        EXPECT_EQ(module(), c.module);
        EXPECT_EQ(line("lang name 9"), std::string(c.englishName) + "\n");
    }
}

// "English" after any one leading character, anywhere among the words, keeps the
// built-in English texts.
TEST_F(StartUp, EnglishSwitch) {
    SetInstallLanguage(1031);
    struct Case {
        const char* words;
        const char* module;
    } const cases[] = {
        {"extra -ENGLISH", "none"}, {"/englishman", "TessalyGe.dll"}, {"english", "TessalyGe.dll"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(module(c.words), c.module);
    }
    EXPECT_EQ(line("lang name 7 /english"), "German (Standard) \n");
}

TEST_F(StartUp, CurrentLanguage) {
    SetInstallLanguage(1033);
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1036");
    EXPECT_EQ(line("lang current"), "1036\tFrench (Standard) \n");
    SetInstallLanguage(1031);
    EXPECT_EQ(line("lang current"), "1036\tFranz\xC3\xB6sisch (Standard) \n");
    EXPECT_EQ(RunTessaly("lang string 1").status, 1);
}

// Loading the library does not make a prefix that is not there.
TEST(StartUpWithoutPrefix, NoModuleAndNoPrefix) {
    const std::string missing =
        (fs::temp_directory_path() / ("tessaly-none-" + std::to_string(getpid()))).string();
    fs::remove_all(missing);
    ToolResult r = RunTessaly("lang module", "TESSALY_PREFIX='" + missing + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "none\n");
    EXPECT_FALSE(fs::exists(missing));
    fs::remove_all(missing);
}
