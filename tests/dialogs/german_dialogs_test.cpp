// The dialogs in a German installation: the library loads the German language module at
// start-up and looks up each template there first, then in its own English resources. Start-up
// runs when a process loads the library, so each case runs the tessaly command afresh.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "languages/frame_support.h"
#include "platform/codepage.h"
#include "platform/dialog_template.h"
#include "platform/module.h"
#include "support/prefix.h"
#include "support/rc_compile.h"
#include "support/run.h"

namespace p = tessaly::platform;
using tessaly::testing::PrefixTest;

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    return fields;
}

// A template's caption as the library hands it out: through the ANSI code page.
std::string captionOf(HMODULE module, unsigned id, bool& found) {
    p::DialogTemplate t;
    found = module && p::LoadDialogTemplate(module, static_cast<WORD>(id), t);
    return found ? p::AnsiToUtf8(p::Utf16ToAnsi(t.caption)) : std::string();
}

// The library's English resources as the build compiled them, as a module of this process.
HMODULE englishResources() {
    static const std::string data =
        tessaly::testing::ReadFile(TESSALY_BUILD_DIR "/resources/Tessaly.res");
    static const HMODULE module =
        data.empty() ? nullptr
                     : p::RegisterResourceModule("TessalyEnglish", data.data(), data.size());
    return module;
}

struct Opened {
    unsigned id = 0;
    std::string caption;
};

class GermanDialogs : public PrefixTest {
  protected:
    void install(const std::string& folder) {
        frame_test::SetInstallDir(folder);
        frame_test::SetInstallLanguage(1031);
    }
    // The first dialog `tessaly dialog --escape NAME` opened, and every control line.
    static Opened open(const std::string& name, std::string* output = nullptr) {
        const auto run = tessaly::testing::RunTessaly({"dialog", "--escape", name});
        if (output) *output = run.out;
        std::stringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            const auto f = split(line);
            if (f.size() >= 3 && f[0] == "dialog")
                return {static_cast<unsigned>(std::stoul(f[1])), f[2]};
        }
        ADD_FAILURE() << name << " opened no dialog: " << run.out << run.err;
        return {};
    }
};

} // namespace

// Every dialog of the catalogue opens from the German module with the German caption, which
// differs from the English one wherever the two scripts differ. The gallery opens them all
// in one process.
TEST_F(GermanDialogs, EveryCatalogueDialogOpensWithItsGermanCaption) {
    install(frame_test::kLibFolder);
    // Rows whose caption the catalogue passes as an argument, not the template's.
    const std::map<std::string, std::string> fromArguments = {{"input-buffer", "Input"}};

    const HMODULE german = p::LoadLibraryA(frame_test::kGermanModule.c_str());
    ASSERT_NE(german, nullptr);
    ASSERT_NE(englishResources(), nullptr);

    const auto run = tessaly::testing::RunTessaly({"gallery", prefix_.scratch() + "/gallery"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    int rows = 0, differing = 0;
    std::stringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const auto f = split(line);
        ASSERT_GE(f.size(), 2u) << line;
        EXPECT_NE(f[0], "missing") << line;
        if (f[0] != "dialog") continue;
        ASSERT_EQ(f.size(), 7u) << line;
        SCOPED_TRACE(f[1]);
        ++rows;
        const unsigned id = static_cast<unsigned>(std::stoul(f[2]));
        const std::string& shown = f[6];
        bool inGerman = false, inEnglish = false;
        const std::string germanCaption = captionOf(german, id, inGerman);
        const std::string englishCaption = captionOf(englishResources(), id, inEnglish);
        ASSERT_TRUE(inGerman) << "template " << id << " is not in the German module";
        ASSERT_TRUE(inEnglish) << "template " << id << " is not in the English resources";
        auto argument = fromArguments.find(f[1]);
        if (argument != fromArguments.end()) {
            EXPECT_EQ(shown, argument->second);
            continue;
        }
        EXPECT_EQ(shown, germanCaption) << "template " << id;
        if (germanCaption != englishCaption) {
            ++differing;
            EXPECT_NE(shown, englishCaption) << "template " << id;
        }
    }
    EXPECT_GE(rows, 30);
    EXPECT_GE(differing, 25);
    p::FreeLibrary(german);
}

// A language module without a template: the dialog still opens, from the library's English
// resources, while the templates the module has come from the module. The module is built
// here the way the build makes the German one: a compiled script embedded in a shared object.
TEST_F(GermanDialogs, TemplateMissingFromTheLanguageModuleOpensInEnglish) {
    const std::string folder = prefix_.scratch() + "/Tessaly Suite";
    std::filesystem::create_directories(folder);
    // Only the password prompt (296), not the set-password dialog (23002).
    const std::string script = R"rc(#include <winresrc.h>
LANGUAGE LANG_GERMAN, SUBLANG_GERMAN
296 DIALOGEX 0, 0, 196, 62
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Kennwort eingeben (Probe)"
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    LTEXT "&Kennwort:", -1, 10, 14, 50, 8
    EDITTEXT 1104, 64, 12, 122, 14, ES_PASSWORD | ES_AUTOHSCROLL
    DEFPUSHBUTTON "OK", IDOK, 44, 38, 50, 14
    PUSHBUTTON "Abbrechen (Probe)", IDCANCEL, 102, 38, 50, 14
END
)rc";
    const std::string res = tessaly::testing::CompileResourceScript(folder, script);
    ASSERT_FALSE(res.empty());
    const std::string source = folder + "/module.cpp";
    const std::string module = folder + "/TessalyGe.dll";
    const auto embedded = tessaly::testing::RunProgram(
        {TESSALY_BUILD_DIR "/bin/embed-res", "module", folder + "/test.res", source});
    ASSERT_EQ(embedded.status, 0) << embedded.err;
    const auto compiled =
        tessaly::testing::RunProgram({"c++", "-shared", "-fPIC", "-o", module, source});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    install(folder);

    const auto loaded = tessaly::testing::RunTessaly({"lang", "module"});
    EXPECT_NE(loaded.out.find("Tessaly Suite\\TessalyGe.dll"), std::string::npos) << loaded.out;

    std::string output;
    const Opened present = open("password", &output);
    EXPECT_EQ(present.id, 296u);
    EXPECT_EQ(present.caption, "Kennwort eingeben (Probe)");
    EXPECT_NE(output.find("control\t2\tButton\tvisible\tenabled\tAbbrechen (Probe)\n"),
              std::string::npos)
        << output;

    const Opened missing = open("set-password", &output);
    EXPECT_EQ(missing.id, 23002u);
    EXPECT_EQ(missing.caption, "Set Password");
    EXPECT_NE(output.find("control\t2\tButton\tvisible\tenabled\tCancel\n"), std::string::npos)
        << output;
}
