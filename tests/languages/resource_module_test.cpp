// The installation folder, the choice of the language resource module, and start-up in
// a fresh process: the tessaly command loads the library, whose start-up picks the module.
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
    // The module the suite "Tessaly" gets now: its file name, or none.
    static void expectModule(const char* expected) {
        HINSTANCE module = getResourceInstance("Tessaly");
        EXPECT_EQ(module ? fileNameOf(module) : "(none)", expected ? expected : "(none)");
        if (module) p::FreeLibrary(module);
    }
    static std::string fileNameOf(HMODULE module) {
        char buffer[2048] = {};
        p::GetModuleFileNameA(module, buffer, sizeof buffer);
        const std::string path = buffer;
        return path.substr(path.find_last_of('\\') + 1);
    }
};

const std::vector<std::string> kAllSuffixes = {"CN", "Po", "Ge", "SrLa", "Hu", "Ra", "Fr", "SrCl"};

std::vector<std::string> modules(const std::string& suite,
                                 const std::vector<std::string>& suffixes) {
    std::vector<std::string> names;
    for (const auto& suffix : suffixes)
        names.push_back(suite + suffix + ".dll");
    return names;
}

} // namespace

TEST_F(ResourceModules, InstallDir) {
    EXPECT_EQ(GetInstallDir(), "");
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", "C:\\Program Files\\Tessaly");
    EXPECT_EQ(GetInstallDir(), "C:\\Program Files\\Tessaly");
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
    install(modules("Tessaly", kAllSuffixes));
    struct Case {
        int language;
        const char* module; // null: none
    };
    const Case cases[] = {
        {2052, "TessalyCN.dll"},
        {4100, nullptr}, // Chinese (Singapore): whole id only
        {1046, "TessalyPo.dll"},
        {2070, "TessalyPo.dll"},
        {22, "TessalyPo.dll"},
        {1031, "TessalyGe.dll"},
        {2055, "TessalyGe.dll"},
        {3079, "TessalyGe.dll"},
        {7, "TessalyGe.dll"},
        {2074, "TessalySrLa.dll"},
        {1038, "TessalyHu.dll"},
        {1049, "TessalyRa.dll"},
        {2073, "TessalyRa.dll"},
        {1036, "TessalyFr.dll"},
        {3084, "TessalyFr.dll"},
        {2060, "TessalyFr.dll"},
        {3098, "TessalySrCl.dll"},
        {1033, nullptr},
        {9, nullptr},
        {1028, nullptr},
        {1050, nullptr},
        {6170, nullptr},
        {7194, nullptr},
        {0, nullptr},
        {1041, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetInstallLanguage(c.language);
        expectModule(c.module);
    }
}

TEST_F(ResourceModules, MissingModules) {
    struct Case {
        const char* what;
        std::vector<std::string> present;
        int language;
        const char* module;
    };
    const std::vector<Case> cases = {
        {"Serbian Cyrillic falls back to Latin", {"SrLa"}, 3098, "TessalySrLa.dll"},
        {"Cyrillic preferred", {"SrLa", "SrCl"}, 3098, "TessalySrCl.dll"},
        {"no fallback for Serbian Latin", {"SrCl"}, 2074, nullptr},
        {"no fallback for German", {"Fr", "SrLa"}, 1031, nullptr},
        {"nothing installed", {}, 1036, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        install(modules("Tessaly", c.present));
        SetInstallLanguage(c.language);
        expectModule(c.module);
    }
}

// The three entries take the suite name into the file name.
TEST_F(ResourceModules, SuiteNameAndEntries) {
    install({"TessalyGe.dll", "LintorGe.dll"});
    SetInstallLanguage(1031);
    std::vector<HINSTANCE> loaded = {getResourceInstance(CString("Lintor")),
                                     getResourceInstance("Lintor"),
                                     getResourceInstance1(CString("Lintor"))};
    for (HINSTANCE module : loaded) {
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(fileNameOf(module), "LintorGe.dll");
    }
    EXPECT_EQ(getResourceInstance("Mail"), nullptr);
    EXPECT_EQ(getResourceInstance(static_cast<const char*>(nullptr)), nullptr);
    for (HINSTANCE module : loaded)
        p::FreeLibrary(module);
    // The strings of the module chosen are its own.
    HINSTANCE german = getResourceInstance("Tessaly");
    char text[64] = {};
    ASSERT_GT(p::LoadStringA(german, 61576, text, sizeof text), 0);
    EXPECT_STREQ(text, "Englisch");
    p::FreeLibrary(german);
}

TEST_F(ResourceModules, GetLibraryInst) {
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
        const char* unknown;     // string 61664
    };
    const Case cases[] = {
        {1031, "TessalyGe.dll", "Englisch", "Unbekannte Sprache"},
        {2055, "TessalyGe.dll", "Englisch", "Unbekannte Sprache"},
        {1028, "none", "English", "Unknown language"},
        {1033, "none", "English", "Unknown language"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetInstallLanguage(c.language);
        EXPECT_EQ(module(), c.module);
        EXPECT_EQ(line("lang name 9"), std::string(c.englishName) + "\n");
        EXPECT_EQ(line("lang string 61664"), std::string(c.unknown) + "\n");
    }
}

// "English" after any one leading character, anywhere among the words, keeps the
// built-in English texts.
TEST_F(StartUp, EnglishSwitch) {
    SetInstallLanguage(1031);
    struct Case {
        const char* words;
        const char* module;
    };
    const Case cases[] = {
        {"/english", "none"},
        {"-ENGLISH", "none"},
        {"xEnglish", "none"},
        {"extra /English", "none"},
        {"/englishman", "TessalyGe.dll"},
        {"english", "TessalyGe.dll"},
        {"//english", "TessalyGe.dll"},
        {"", "TessalyGe.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(module(c.words), c.module);
    }
    EXPECT_EQ(line("lang name 7 /english"), "German (Standard) \n");
    EXPECT_EQ(line("lang name 7"), "Deutsch (Standard) \n");
}

TEST_F(StartUp, EnglishSwitchBeatsChinese) {
    const std::string folder = install({"TessalyCN.dll"});
    SetInstallLanguage(2052);
    EXPECT_EQ(module(), "TessalyCN.dll");
    EXPECT_EQ(module("/english"), "none");
}

TEST_F(StartUp, SerbianCyrillicWithOnlyTheLatinModule) {
    install({"TessalySrLa.dll"});
    SetInstallLanguage(3098);
    EXPECT_EQ(module(), "TessalySrLa.dll");
    EXPECT_EQ(line("lang name 9"), "Englisch\n");
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
