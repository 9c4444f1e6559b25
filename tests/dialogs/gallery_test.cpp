// tessaly gallery: every dialog of the catalogue opens with its default arguments and is
// saved as a picture; the places of its controls are checked here: inside the dialog, and
// no two visible controls on top of each other (a group box holds its contents). The
// check runs for each language the library has templates in: the English built-in ones and
// the German language module's, which the library loads in a German installation.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "languages/frame_support.h"
#include "support/prefix.h"
#include "support/run.h"

using tessaly::testing::PrefixTest;

namespace {

struct Box {
    int id = 0;
    std::string className;
    unsigned style = 0;
    bool visible = false;
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

struct Shown {
    int width = 0, height = 0;
    std::string png;
    std::string caption;
    std::vector<Box> controls;
};

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    return fields;
}

bool isGroupBox(const Box& b) {
    return b.className == "Button" && (b.style & 0xF) == 7;
}

bool overlaps(const Box& a, const Box& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

class Gallery : public PrefixTest {};

// The installation the gallery runs in: its install language, words after the folder (the
// library's language switch), and the caption the password dialog shows in it, so a run
// that fell back to the other language is caught.
struct Language {
    const char* name;
    int installLanguage;
    std::vector<std::string> extraWords;
    const char* passwordCaption;
};

const Language kLanguages[] = {
    {"English", 1033, {}, "Enter Password"},
    {"German", 1031, {}, "Kennwort eingeben"},
    {"GermanSwitchedToEnglish", 1031, {"/english"}, "Enter Password"},
};

class GalleryIn : public PrefixTest, public ::testing::WithParamInterface<Language> {};

} // namespace

INSTANTIATE_TEST_SUITE_P(Languages, GalleryIn, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return std::string(info.param.name);
                         });

TEST_P(GalleryIn, EveryDialogRendersWithControlsInPlace) {
    const Language& language = GetParam();
    frame_test::SetInstallDir(frame_test::kLibFolder);
    frame_test::SetInstallLanguage(language.installLanguage);
    const std::string folder = prefix_.scratch() + "/gallery";
    const auto listed = tessaly::testing::RunTessaly({"dialog", "--list"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::set<std::string> names;
    std::stringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) names.insert(split(line).at(0));
    ASSERT_GE(names.size(), 9u);

    std::vector<std::string> arguments = {"gallery", folder};
    arguments.insert(arguments.end(), language.extraWords.begin(), language.extraWords.end());
    const auto run = tessaly::testing::RunTessaly(arguments);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::map<std::string, Shown> shown;
    std::stringstream output(run.out);
    for (std::string line; std::getline(output, line);) {
        const auto f = split(line);
        if (f.size() >= 7 && f[0] == "dialog") {
            shown[f[1]] = Shown{std::stoi(f[3]), std::stoi(f[4]), f[5], f[6], {}};
        } else if (f.size() >= 10 && f[0] == "control") {
            Box b{std::stoi(f[2]),
                  f[3],
                  static_cast<unsigned>(std::stoul(f[4])),
                  f[5] == "visible",
                  std::stoi(f[6]),
                  std::stoi(f[7]),
                  std::stoi(f[8]),
                  std::stoi(f[9])};
            shown[f[1]].controls.push_back(b);
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }

    ASSERT_TRUE(shown.count("password"));
    EXPECT_EQ(shown["password"].caption, language.passwordCaption);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        auto it = shown.find(name);
        ASSERT_NE(it, shown.end()) << "not opened";
        const Shown& s = it->second;
        ASSERT_FALSE(s.png.empty());
        std::error_code error;
        EXPECT_GT(std::filesystem::file_size(s.png, error), 200u);
        EXPECT_FALSE(error);
        EXPECT_GT(s.width, 0);
        EXPECT_GT(s.height, 0);
        std::vector<const Box*> visible;
        for (const Box& b : s.controls) {
            if (!b.visible) continue;
            visible.push_back(&b);
            EXPECT_GE(b.left, 0) << "control " << b.id;
            EXPECT_GE(b.top, 0) << "control " << b.id;
            EXPECT_LE(b.right(), s.width) << "control " << b.id;
            EXPECT_LE(b.bottom(), s.height) << "control " << b.id;
            EXPECT_GT(b.width, 0) << "control " << b.id;
            EXPECT_GT(b.height, 0) << "control " << b.id;
        }
        for (size_t i = 0; i < visible.size(); ++i)
            for (size_t j = i + 1; j < visible.size(); ++j) {
                const Box& a = *visible[i];
                const Box& b = *visible[j];
                if (isGroupBox(a) || isGroupBox(b)) continue;
                EXPECT_FALSE(overlaps(a, b)) << "controls " << a.id << " and " << b.id;
            }
    }
}

// tessaly dialog NAME runs a catalogue row with the script's answers and prints what the
// dialog showed, what it said, its out-values and its result.
TEST_F(Gallery, DialogCommandRunsScriptedAnswers) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> lines; // expected among the output's lines
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {{"dialog", "--set", "1104=s3cret", "--click", "1", "password"},
         {"dialog\t296\tEnter Password", "control\t1104\tEdit\tvisible\tenabled\t",
          "value\tpassword\ts3cret", "result\t1"},
         {"control\t1104\tEdit\tvisible\tenabled\ts3cret"}},
        {{"dialog", "--set", "1104=abc", "--set", "1105=abC", "--click", "1", "set-password"},
         {"messagebox\tPassword is not identical to confirm password.", "open\t1",
          "value\tpassword\tunchanged", "result\t2"},
         {}},
        {{"dialog", "--set", "1770=abcdef", "--click", "1", "input-buffer", "3"},
         {"dialog\t1021\tInput", "value\tbuffer\tabc", "result\t1"},
         {}},
        {{"dialog", "--select", "1060=4", "--click", "1", "language"},
         {"dialog\t613\tOverride language setting...", "open\t1", "result\t2"},
         {}},
        {{"dialog", "--escape", "msgbox", "Stop here?"},
         {"dialog\t293\tMessage", "control\t1100\tRichEdit\tvisible\tenabled\tStop here?",
          "result\t2"},
         {}},
        {{"dialog", "--escape", "message", "Kept"},
         {"dialog\t1789\tTessaly", "control\t1501\tvisible\tenabled\tKept", "result\t2"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const auto run = tessaly::testing::RunTessaly(c.arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        std::set<std::string> lines;
        std::stringstream output(run.out);
        for (std::string line; std::getline(output, line);)
            lines.insert(line);
        for (const std::string& line : c.lines)
            EXPECT_TRUE(lines.count(line)) << line << "\n" << run.out;
        for (const std::string& line : c.absent)
            EXPECT_FALSE(lines.count(line)) << line;
    }
    const auto unknown = tessaly::testing::RunTessaly({"dialog", "no-such-dialog"});
    EXPECT_NE(unknown.status, 0);
    EXPECT_NE(unknown.err.find("no-such-dialog"), std::string::npos);
}
