// tessaly gallery: every catalogue dialog drawn with its controls in place and its caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
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
using tessaly::testing::RunTessaly;

namespace {

struct Box {
    int id = 0;
    std::string className;
    unsigned style = 0;
    bool visible = false;
    int left = 0, top = 0, width = 0, height = 0;
};

struct Shown {
    unsigned templateId = 0;
    int width = 0, height = 0;
    std::string png, caption;
    std::vector<Box> controls;
};

// The lines of a text (separator '\n') or the fields of a line ('\t').
std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

bool overlaps(const Box& a, const Box& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// A template's caption as the library hands it out, through the ANSI code page.
std::string captionOf(HMODULE module, unsigned id) {
    p::DialogTemplate t;
    return module && p::LoadDialogTemplate(module, WORD(id), t)
               ? p::AnsiToUtf8(p::Utf16ToAnsi(t.caption))
               : std::string("(no template)");
}

class Gallery : public PrefixTest {};

} // namespace

TEST_F(Gallery, EveryDialogRendersWithControlsInPlaceAndItsCaption) {
    const auto listed = RunTessaly({"dialog", "--list"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::set<std::string> names;
    for (const std::string& line : split(listed.out, '\n'))
        if (!line.empty()) names.insert(split(line, '\t').at(0));
    ASSERT_GE(names.size(), 30u);

    const auto run = RunTessaly({"gallery", prefix_.scratch() + "/gallery"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::map<std::string, Shown> shown;
    for (const std::string& line : split(run.out, '\n')) {
        const auto f = split(line, '\t');
        if (f.size() >= 7 && f[0] == "dialog") {
            shown[f[1]] = {
                unsigned(std::stoul(f[2])), std::stoi(f[3]), std::stoi(f[4]), f[5], f[6], {}};
        } else if (f.size() >= 10 && f[0] == "control") {
            shown[f[1]].controls.push_back({std::stoi(f[2]), f[3], unsigned(std::stoul(f[4])),
                                            f[5] == "visible", std::stoi(f[6]), std::stoi(f[7]),
                                            std::stoi(f[8]), std::stoi(f[9])});
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }

    // The resources as the build compiled them.
    const std::string englishRes =
        tessaly::testing::ReadFile(TESSALY_BUILD_DIR "/resources/Tessaly.res");
    const HMODULE english =
        p::RegisterResourceModule("TessalyEnglish", englishRes.data(), englishRes.size());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        auto it = shown.find(name);
        ASSERT_NE(it, shown.end()) << "not opened";
        const Shown& s = it->second;
        std::error_code error;
        EXPECT_GT(std::filesystem::file_size(s.png, error), 200u);
        // The input dialog's caption is the catalogue's argument, not the template's; a named
        // template (the spelling options) has no number to look its caption up by.
        if (name != "input-buffer" && s.templateId != 0) {
            EXPECT_EQ(s.caption, captionOf(english, s.templateId));
        }
        std::vector<const Box*> visible;
        for (const Box& b : s.controls) {
            if (!b.visible) continue;
            EXPECT_TRUE(b.left >= 0 && b.top >= 0 && b.left + b.width <= s.width &&
                        b.top + b.height <= s.height && b.width > 0 && b.height > 0)
                << "control " << b.id << " outside";
            // A group box holds other controls.
            if (b.className != "Button" || (b.style & 0xF) != 7) visible.push_back(&b);
        }
        for (size_t i = 0; i < visible.size(); ++i)
            for (size_t j = i + 1; j < visible.size(); ++j)
                EXPECT_FALSE(overlaps(*visible[i], *visible[j]))
                    << "controls " << visible[i]->id << " and " << visible[j]->id;
    }
}

// A template the language module lacks opens in English; the module's own come from it.
TEST_F(Gallery, TemplateMissingFromTheLanguageModuleOpensInEnglish) {
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
    ASSERT_FALSE(tessaly::testing::CompileResourceScript(folder, script).empty());
    const std::string source = folder + "/module.cpp", module = folder + "/TessalyGe.dll";
    const auto embedded = tessaly::testing::RunProgram(
        {TESSALY_BUILD_DIR "/bin/embed-res", "module", folder + "/test.res", source});
    ASSERT_EQ(embedded.status, 0) << embedded.err;
    const auto compiled =
        tessaly::testing::RunProgram({"c++", "-shared", "-fPIC", "-o", module, source});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    frame_test::SetInstallDir(folder);
    frame_test::SetInstallLanguage(1031);
    EXPECT_NE(RunTessaly({"lang", "module"}).out.find("Tessaly Suite\\TessalyGe.dll"),
              std::string::npos);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"password",
         {"dialog\t296\tKennwort eingeben (Probe)",
          "control\t2\tButton\tvisible\tenabled\tAbbrechen (Probe)"}},
        {"set-password",
         {"dialog\t23002\tSet Password", "control\t2\tButton\tvisible\tenabled\tCancel"}},
    };
    for (const auto& [name, expected] : cases) {
        const auto run = RunTessaly({"dialog", "--escape", name});
        const std::vector<std::string> all = split(run.out, '\n');
        for (const std::string& line : expected)
            EXPECT_NE(std::find(all.begin(), all.end(), line), all.end()) << line << "\n"
                                                                          << run.out;
    }
}

// tessaly dialog NAME runs a catalogue row with scripted answers and prints what happened.
TEST_F(Gallery, DialogCommandRunsScriptedAnswers) {
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> lines; // expected among the output's lines
    } cases[] = {
        // The password field's text is not shown.
        {{"dialog", "--set", "1104=s3cret", "--click", "1", "password"},
         {"dialog\t296\tEnter Password", "control\t1104\tEdit\tvisible\tenabled\t",
          "value\tpassword\ts3cret", "result\t1"}},
        {{"dialog", "--set", "1104=abc", "--set", "1105=abC", "--click", "1", "set-password"},
         {"messagebox\tPassword is not identical to confirm password.", "open\t1",
          "value\tpassword\tunchanged", "result\t2"}},
    };
    for (const auto& c : cases) {
        const auto run = RunTessaly(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments.back() << ": " << run.err;
        const std::vector<std::string> all = split(run.out, '\n');
        for (const std::string& line : c.lines)
            EXPECT_NE(std::find(all.begin(), all.end(), line), all.end()) << line << "\n"
                                                                          << run.out;
    }
}
