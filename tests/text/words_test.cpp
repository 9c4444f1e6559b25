// Words at a position and word counts in bytes of the ANSI code page (Windows-1252 and 936),
// HTML to text, font sizes, pixels and twips at the screen's dpi, the named colours and the
// Word Count dialog.
#include <tessaly/text.h>

#include <QApplication>
#include <QColor>

#include <cstring>
#include <fstream>
#include <string>

#include "../dialogs/choices_support.h"
#include "support/qt_app.h"
#include "support/registry.h"
#include "text/words_internal.h"

using namespace choices_test;

namespace {

CByteArray bytesOf(const std::string& text) {
    CByteArray bytes;
    bytes.SetSize(static_cast<int>(text.size()));
    if (!text.empty()) std::memcpy(bytes.GetData(), text.data(), text.size());
    return bytes;
}

struct WordCase {
    const char* rule;
    std::string text;
    long position;
    unsigned size;
    std::string word;
    long start;
};

const std::string kForty(40, 'x');

// One row per rule of the word finder (Windows-1252).
const WordCase kWords[] = {
    {"inner full stop kept with the one after", "It's e.g. done", 7, 64, "e.g.", 5},
    {"apostrophe inside", "It's e.g. done", 1, 64, "It's", 0},
    {"right quotation mark 146 inside", "don\x92t go", 2, 64, "don\x92t", 0},
    {"accented letter of the code page", "caf\xe9 au", 0, 64, "caf\xe9", 0},
    {"trailing stop dropped without inner stop", "end. next", 1, 64, "end", 0},
    {"number with a point", "pi 3.14, e", 4, 64, "3.14", 3},
    {"blank after a blank", "a  b", 2, 64, "", -1},
    {"punctuation alone", "a , b", 2, 64, "", -1},
    {"a full stop first is not taken", ".net", 1, 64, "", 0},
    {"doubled stops end the word", "a..b", 3, 64, "a", 0},
    {"window of 32 either side", kForty, 0, 64, std::string(33, 'x'), 0},
    {"window start bounds the step back", kForty, 39, 64, std::string(33, 'x'), 7},
    {"buffer holds size - 1", "abcdefg", 0, 4, "abc", 0},
    {"no room for the final stop", "e.g. x", 0, 4, "e.g", 0},
    {"a NUL byte separates", std::string("ab\0cd", 5), 3, 64, "cd", 3},
    {"position past the end", "abc", 20, 64, "", -1},
    {"negative position", "abc", -5, 64, "", -1},
    {"empty text", "", 0, 64, "", -1},
};

TEST(WordAt, EachRuleOfTheFinder) {
    for (const WordCase& c : kWords) {
        CByteArray text = bytesOf(c.text);
        unsigned char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        long start = 99;
        const long stored = GetWordAt(c.position, buffer, c.size, &start, text);
        EXPECT_EQ(stored, static_cast<long>(c.word.size())) << c.rule;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), c.word) << c.rule;
        EXPECT_EQ(start, c.start) << c.rule;
        EXPECT_EQ(buffer[c.size], '#') << c.rule << ": written past the buffer";
    }
    // A buffer of no size is left alone.
    CByteArray text = bytesOf("word");
    unsigned char untouched = '#';
    EXPECT_EQ(GetWordAt(0, &untouched, 0, nullptr, text), 0);
    EXPECT_EQ(untouched, '#');
}

struct CountCase {
    const char* rule;
    std::string text;
    unsigned long words, characters;
};

const CountCase kCounts[] = {
    {"separators are not counted", "one  two three", 3, 11},
    {"empty text", "", 0, 0},
    {"inner stop word and its final stop", "e.g. x", 2, 5},
    {"punctuation between", "one, two.", 2, 6},
    {"a run longer than the window is more than one word", kForty, 2, 71},
    {"a word found again from a later position counts once", "a..b", 1, 1},
    {"NUL bytes are separators", std::string("a\0b", 3), 2, 2},
};

TEST(WordCount, EachRuleOfTheCounter) {
    for (const CountCase& c : kCounts) {
        CByteArray text = bytesOf(c.text);
        unsigned long words = 7, characters = 7;
        GetWordCount(text, words, characters);
        EXPECT_EQ(words, c.words) << c.rule;
        EXPECT_EQ(characters, c.characters) << c.rule;
    }
}

// Double-byte characters of code page 936 are no letters of the code page: their bytes
// separate words, and a byte that is a letter in 1252 may be a lead byte there.
class ChineseCodePage : public tessaly::testing::PrefixTest {};

TEST_F(ChineseCodePage, LeadBytesAreSeparators) {
    tessaly::testing::UseAnsiCodePage("936");
    CByteArray text = bytesOf("\xD6\xD0\xCE\xC4 abc caf\xe9");
    unsigned char buffer[64];
    long start = 0;
    EXPECT_EQ(GetWordAt(0, buffer, sizeof buffer, &start, text), 0);
    EXPECT_EQ(start, -1);
    EXPECT_EQ(GetWordAt(6, buffer, sizeof buffer, &start, text), 3);
    EXPECT_EQ(start, 5);
    unsigned long words = 0, characters = 0;
    GetWordCount(text, words, characters);
    EXPECT_EQ(words, 2u);
    EXPECT_EQ(characters, 6u); // "abc" and "caf"
}

// ---- HTML to text ----

class HtmlText : public tessaly::testing::PrefixTest {};

TEST_F(HtmlText, TextBetweenTags) {
    struct Case {
        const char* rule;
        std::string html, text;
    } cases[] = {
        {"text after the last tag dropped", "a<b>c</b>d", "ac"},
        {"no tag at all", "plain text", ""},
        {"entities and white space kept", "<p>x &amp;\n y</p>", "x &amp;\n y"},
        {"script contents kept", "<script>var a=1;</script>", "var a=1;"},
        {"unclosed tag stops", "a<b>c<unclosed", "ac"},
        {"a NUL ends the text", std::string("a<b>c\0<i>d", 10), "a"},
        {"empty file", "", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string posix = prefix_.scratch() + "/page" + std::to_string(n++) + ".html";
        std::ofstream(posix, std::ios::binary) << c.html;
        EXPECT_EQ(std::string(Html2Text(tessaly::testing::WindowsPath(posix).c_str())), c.text)
            << c.rule;
    }
    EXPECT_EQ(std::string(Html2Text(
                  tessaly::testing::WindowsPath(prefix_.scratch() + "/none.html").c_str())),
              "");
    EXPECT_EQ(std::string(Html2Text(nullptr)), "");
}

// ---- Font sizes, pixels and twips ----

TEST(FontSizes, HtmlSizesBothWays) {
    const std::pair<int, int> points[] = {{-5, 1}, {8, 1},  {9, 2},  {10, 2}, {11, 3},
                                          {12, 3}, {13, 4}, {14, 4}, {15, 5}, {18, 5},
                                          {19, 6}, {24, 6}, {25, 7}, {36, 7}, {37, 1}};
    for (auto [point, html] : points)
        EXPECT_EQ(GetHtmlFontSize(point), html) << point;
    const std::pair<int, int> sizes[] = {{0, 8},  {1, 8},  {2, 10}, {3, 12}, {4, 14},
                                         {5, 18}, {6, 24}, {7, 36}, {8, 8},  {-1, 8}};
    for (auto [html, point] : sizes)
        EXPECT_EQ(GetPointFontSize(html), point) << html;
}

struct DpiCase {
    int dpi;
    unsigned long pixels;
    double acrossTwips, downTwips; // rounded across, truncated down
    unsigned long twips, backPixels;
    int points, height;      // points to height
    int heightIn, pointsOut; // height to points
};

void PrintTo(const DpiCase& c, std::ostream* out) {
    *out << c.dpi << " dpi, " << c.pixels << " pixels";
}

// Qt's offscreen platform takes its screen from a configuration file; each row runs in a
// process of its own, whose application is made on that screen.
class ScreenDpi : public tessaly::testing::PrefixTest,
                  public ::testing::WithParamInterface<DpiCase> {
  protected:
    void SetUp() override {
        if (QApplication::instance()) GTEST_SKIP() << "needs a process of its own (CTest)";
        const std::string config = prefix_.root() + "/screen.json";
        std::ofstream(config) << R"({"screens": [{"name": "t", "x": 0, "y": 0, "width": 800, )"
                              << R"("height": 600, "logicalDpi": )" << GetParam().dpi
                              << R"(, "logicalBaseDpi": 96}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        tessaly::testing::EnsureQtApplication();
    }
};

TEST_P(ScreenDpi, ConversionsUseTheScreensDpi) {
    const DpiCase& c = GetParam();
    EXPECT_EQ(PixelsToTwips(nullptr, c.pixels, 1), c.acrossTwips);
    EXPECT_EQ(PixelsToTwips(nullptr, c.pixels, 0), c.downTwips);
    EXPECT_EQ(GetPixels(nullptr, c.twips, 1), c.backPixels);
    EXPECT_EQ(GetPixels(nullptr, c.twips, 0), c.backPixels);
    EXPECT_EQ(GetFontHeightFromPointSize(c.points), c.height);
    EXPECT_EQ(GetFontPointSizeFromHeight(c.heightIn), c.pointsOut);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenDpi,
                         ::testing::Values(DpiCase{96, 1, 15, 15, 1440, 96, 11, -15, -15, 11},
                                           DpiCase{96, 7, 105, 105, 10, 1, 12, -16, 16, -12},
                                           DpiCase{110, 6, 79, 78, 100, 8, 12, -18, -18, 12}),
                         [](const auto& info) {
                             return "Dpi" + std::to_string(info.param.dpi) + "Row" +
                                    std::to_string(info.index);
                         });

// ---- Named colours ----

// Qt's table of the same keywords is an independent source of the values; strictly rising
// names (letter case ignored) mean each once, in the list's order.
TEST(NamedColours, TheWebsColoursInListOrder) {
    using tessaly::text::kNamedColours;
    ASSERT_EQ(tessaly::text::kNamedColourCount, 140);
    for (int i = 0; i < 140; ++i) {
        const QString name = QString::fromLatin1(kNamedColours[i].name);
        const QColor web(name);
        ASSERT_TRUE(web.isValid()) << kNamedColours[i].name;
        EXPECT_EQ(kNamedColours[i].colour,
                  static_cast<COLORREF>(web.red() | web.green() << 8 | web.blue() << 16))
            << kNamedColours[i].name;
        if (i > 0)
            EXPECT_LT(
                QString::fromLatin1(kNamedColours[i - 1].name).compare(name, Qt::CaseInsensitive),
                0);
        EXPECT_EQ(name.contains("Grey"), name == "LightGrey"); // Gray, except LightGrey
    }
}

// ---- Word Count ----

class WordCountDialog : public ScriptedDialogs {};

TEST_F(WordCountDialog, ShowsTheNumbersAndHidesPagesBelowOne) {
    for (int pages : {3, 0, -2}) {
        std::vector<std::string> seen;
        const int result = Run(
            [&](Dialog& d) {
                for (int id : {24712, 24714, 24711, 24713, 24715, 24716})
                    seen.push_back(d.GetText(id));
                seen.push_back(d.IsVisible(24710) && d.IsVisible(24711) ? "pages shown" : "");
                d.Click(IDOK);
            },
            [&] { return ShowWordCountDlg(1234, -5, pages, 120, 0, 64); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(seen, (std::vector<std::string>{"1234", "-5", std::to_string(pages), "120", "0",
                                                  "64", pages > 0 ? "pages shown" : ""}));
    }
}

} // namespace
