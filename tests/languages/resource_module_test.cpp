// The installation folder and the language resource module, also at start-up.
#include <tessaly/foundation.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
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
    // An installation folder holding copies of the German module as the suite's of the suffixes.
    void install(const std::vector<std::string>& suffixes, const std::string& suite = "Tessaly") {
        const std::string folder = prefix_.scratch() + "/Tessaly Suite";
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const auto& suffix : suffixes)
            fs::copy_file(kGermanModule, folder + "/" + suite + suffix + ".dll");
        SetInstallDir(folder);
    }
    // The module the suite "Tessaly" gets now, by its suffix ("" for none).
    static void expectModule(const std::string& suffix, int language) {
        HINSTANCE module = getResourceInstance("Tessaly");
        EXPECT_EQ(module ? fileNameOf(module) : "",
                  suffix.empty() ? "" : "Tessaly" + suffix + ".dll")
            << language;
        if (module) p::FreeLibrary(module);
    }
    static std::string fileNameOf(HMODULE module) {
        char buffer[2048] = {};
        p::GetModuleFileNameA(module, buffer, sizeof buffer);
        const std::string path = buffer;
        return path.substr(path.find_last_of('\\') + 1);
    }
};

} // namespace

TEST_F(ResourceModules, InstallDir) {
    EXPECT_EQ(GetInstallDir(), "");
    // The value is read into 1024 bytes; a named value is not the folder.
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", "C:\\" + std::string(1019, 'a'));
    EXPECT_EQ(GetInstallDir().GetLength(), 1022);
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "", "C:\\" + std::string(1024, 'a'));
    EXPECT_EQ(GetInstallDir(), "");
    p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kInstallDirKey);
    SetText(HKEY_LOCAL_MACHINE, kInstallDirKey, "Path", "C:\\Elsewhere");
    EXPECT_EQ(GetInstallDir(), "");
}

// Every row of the table, with all modules present: the first matching test decides.
TEST_F(ResourceModules, TableRows) {
    install({"CN", "Po", "Ge", "SrLa", "Hu", "Ra", "Fr", "SrCl"});
    // 2052, 2074 and 3098 match only whole, the others by primary language; the suffix or "".
    const std::pair<int, const char*> cases[] = {
        {2052, "CN"}, {4100, ""},   {1046, "Po"},   {2055, "Ge"}, {2074, "SrLa"}, {1038, "Hu"},
        {1049, "Ra"}, {3084, "Fr"}, {3098, "SrCl"}, {6170, ""},   {1033, ""}};
    for (const auto& [language, module] : cases) {
        SetInstallLanguage(language);
        expectModule(module, language);
    }
}

// Only Serbian Cyrillic falls back, to the Latin module.
TEST_F(ResourceModules, MissingModules) {
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"SrLa"}, 3098, "SrLa"},
        {{"SrLa", "SrCl"}, 3098, "SrCl"},
        {{"SrCl"}, 2074, ""},
        {{"Fr", "SrLa"}, 1031, ""}};
    for (const auto& [present, language, module] : cases) {
        install(present);
        SetInstallLanguage(language);
        expectModule(module, language);
    }
}

// The entries take the suite name into the file name; GetLibraryInst loads any module.
TEST_F(ResourceModules, SuiteNameEntriesAndLibraries) {
    install({"Ge"}, "Lintor");
    SetInstallLanguage(1031);
    HINSTANCE lintor = getResourceInstance1(CString("Lintor"));
    ASSERT_NE(lintor, nullptr);
    EXPECT_EQ(fileNameOf(lintor), "LintorGe.dll");
    p::FreeLibrary(lintor);
    EXPECT_EQ(getResourceInstance("Mail"), nullptr);
    EXPECT_EQ(getResourceInstance(static_cast<const char*>(nullptr)), nullptr);
    HINSTANCE module = GetLibraryInst(CString(WindowsPath(kGermanModule).c_str()));
    EXPECT_NE(module, nullptr);
    p::FreeLibrary(module);
    EXPECT_EQ(GetLibraryInst("C:\\No Such Folder\\Nothing.dll"), nullptr);
    EXPECT_NE(GetLibraryInst("Morvik.dll"), nullptr);
}

namespace {

// Start-up, in a fresh process.
class StartUp : public ResourceModules {
  protected:
    void SetUp() override { SetInstallDir(kLibFolder); }
    static std::string module(const std::string& words = "") {
        std::string out = line("lang module " + words);
        if (!out.empty()) out.pop_back();              // the line end
        return out.substr(out.find_last_of('\\') + 1); // "none" has no folder
    }
    static std::string line(const std::string& arguments) {
        ToolResult r = RunTessaly(arguments);
        EXPECT_EQ(r.status, 0) << arguments;
        return r.out;
    }
};

} // namespace

TEST_F(StartUp, InstallLanguageChoosesTheModule) {
    // The install language, the module, and GetLanguageName(9) in the process.
    const std::tuple<int, const char*, std::string> cases[] = {{1031, "TessalyGe.dll", "Englisch"},
                                                               {1033, "none", "English"}};
    for (const auto& [language, expected, englishName] : cases) {
        SetInstallLanguage(language);
        EXPECT_EQ(module(), expected) << language;
        EXPECT_EQ(line("lang name 9"), englishName + "\n");
    }
}

// "English" after any one leading character, anywhere among the words, keeps English texts.
TEST_F(StartUp, EnglishSwitch) {
    SetInstallLanguage(1031);
    const std::pair<const char*, const char*> cases[] = {
        {"extra -ENGLISH", "none"}, {"/englishman", "TessalyGe.dll"}, {"english", "TessalyGe.dll"}};
    for (const auto& [words, expected] : cases)
        EXPECT_EQ(module(words), expected) << words;
    EXPECT_EQ(line("lang name 7 /english"), "German (Standard) \n");
}

TEST_F(StartUp, CurrentLanguage) {
    SetInstallLanguage(1033);
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1036");
    EXPECT_EQ(line("lang current"), "1036\tFrench (Standard) \n");
    SetInstallLanguage(1031);
    EXPECT_EQ(line("lang current"), "1036\tFranz\xC3\xB6sisch (Standard) \n");
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
