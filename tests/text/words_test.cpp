// Words and counts in ANSI bytes, HTML to text, font sizes, dpi, named colours, Word Count.
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

// One row per rule: code page, text, position, buffer size; the word found there and its
// start; the text's word and character counts.
const std::tuple<const char*, std::string, long, unsigned, std::string, long, unsigned long,
                 unsigned long>
    kWords[] = {
        {"1252", "It's e.g. done", 7, 64, "e.g.", 5, 3, 12}, // inner stop keeps the one after
        {"1252", "It's e.g. done", 1, 64, "It's", 0, 3, 12}, // apostrophe inside
        {"1252", "don\x92t go", 2, 64, "don\x92t", 0, 2, 7}, // 146 inside
        {"1252", "caf\xe9 au", 0, 64, "caf\xe9", 0, 2, 6},   // accented letter
        {"1252", "end. next", 1, 64, "end", 0, 2, 7},        // no inner stop, no final one
        {"1252", "pi 3.14, e", 4, 64, "3.14", 3, 3, 7},      // stepping back to the start
        {"1252", "one  two three", 3, 64, "", -1, 3, 11},    // a blank, even right after a word
        {"1252", ".net", 1, 64, "", 0, 0, 0},  // a first full stop is not taken, so none is
        {"1252", "a..b", 3, 64, "a", 0, 1, 1}, // found again: counted once
        {"1252", std::string(40, 'x'), 0, 64, std::string(33, 'x'), 0, 2, 71},  // 32 either side
        {"1252", std::string(40, 'x'), 39, 64, std::string(33, 'x'), 7, 2, 71}, // bounds the step
        {"1252", "abcdefg", 0, 4, "abc", 0, 1, 7},                // buffer holds size - 1
        {"1252", "e.g. x", 0, 4, "e.g", 0, 2, 5},                 // no room for the final stop
        {"1252", std::string("ab\0cd", 5), 3, 64, "cd", 3, 2, 4}, // a NUL separates
        {"1252", "abc", 3, 64, "", -1, 1, 3},                     // the end, right after a word
        {"1252", "", 0, 64, "", -1, 0, 0},
        // 936's double-byte characters separate words; a 1252 letter may be a lead byte there.
        {"936", "\xD6\xD0\xCE\xC4 abc caf\xe9", 0, 64, "", -1, 2, 6},
        {"936", "\xD6\xD0\xCE\xC4 abc caf\xe9", 6, 64, "abc", 5, 2, 6},
};

class Words : public ScriptedDialogs {};

TEST_F(Words, EachRuleOfTheFinderAndCounter) {
    for (const auto& [codePage, text, position, size, word, start, words, characters] : kWords) {
        tessaly::testing::UseAnsiCodePage(codePage);
        CByteArray bytes = bytesOf(text);
        unsigned char buffer[80];
        std::memset(buffer, '#', sizeof buffer); // nothing may be written past size
        long found = 99;
        const long stored = GetWordAt(position, buffer, size, &found, bytes);
        unsigned long counted = 7, counts = 7;
        GetWordCount(bytes, counted, counts);
        EXPECT_EQ(std::tuple(stored, std::string(reinterpret_cast<char*>(buffer)), found,
                             buffer[size], counted, counts),
                  std::tuple(long(word.size()), word, start, '#', words, characters))
            << text << " at " << position;
    }
    CByteArray text = bytesOf("word"); // a buffer of no size is left alone
    unsigned char untouched = '#';
    EXPECT_EQ(GetWordAt(0, &untouched, 0, nullptr, text), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(Words, HtmlTextBetweenTags) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<b>c</b>d", "ac"}, // text after the last tag dropped
        {"plain text", ""},
        {"<p>x &amp;\n y</p><script>a=1;</script>", "x &amp;\n ya=1;"}, // all kept
        {"a<b>c<unclosed", "ac"},
        {std::string("a<b>c\0<i>d", 10), "a"},
        {"", ""}, // a missing file: none is written for it
    };
    int n = 0;
    for (const auto& [html, text] : cases) {
        const std::string posix = prefix_.scratch() + "/page" + std::to_string(n++) + ".html";
        if (!html.empty()) std::ofstream(posix, std::ios::binary) << html;
        EXPECT_EQ(std::string(Html2Text(tessaly::testing::WindowsPath(posix).c_str())), text)
            << html;
    }
    EXPECT_EQ(std::string(Html2Text(nullptr)), "");
}

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

// The dpi; pixels, and them across (rounded) and down (truncated) in twips; twips, and them
// back in pixels; points and their font height; a height and its points.
using DpiCase = std::tuple<int, unsigned long, double, double, unsigned long, unsigned long, int,
                           int, int, int>;

// The offscreen screen comes from a configuration file, so each row needs its own process.
class ScreenDpi : public tessaly::testing::PrefixTest,
                  public ::testing::WithParamInterface<DpiCase> {
  protected:
    void SetUp() override {
        if (QApplication::instance()) GTEST_SKIP() << "needs a process of its own (CTest)";
        const std::string config = prefix_.root() + "/screen.json";
        std::ofstream(config) << R"({"screens": [{"name": "t", "x": 0, "y": 0, "width": 800, )"
                              << R"("height": 600, "logicalDpi": )" << std::get<0>(GetParam())
                              << R"(, "logicalBaseDpi": 96}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        tessaly::testing::EnsureQtApplication();
    }
};

TEST_P(ScreenDpi, ConversionsUseTheScreensDpi) {
    const auto& [dpi, pixels, across, down, twips, back, points, height, heightIn, pointsOut] =
        GetParam();
    EXPECT_EQ(std::tuple(PixelsToTwips(nullptr, pixels, 1), PixelsToTwips(nullptr, pixels, 0),
                         GetPixels(nullptr, twips, 1), GetFontHeightFromPointSize(points),
                         GetFontPointSizeFromHeight(heightIn)),
              std::tuple(across, down, back, height, pointsOut));
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenDpi,
                         ::testing::Values(DpiCase{96, 1, 15, 15, 1440, 96, 11, -15, -15, 11},
                                           DpiCase{110, 6, 79, 78, 100, 8, 12, -18, 18, -12}));

// Qt's colour keywords are an independent source; strictly rising names: each once, in order.
TEST(NamedColours, TheWebsColoursInListOrder) {
    using tessaly::text::kNamedColours;
    for (int i = 0; i < tessaly::text::kNamedColourCount; ++i) {
        const QString name = QString::fromLatin1(kNamedColours[i].name);
        const QColor web(name); // black for a name Qt does not know
        EXPECT_EQ(kNamedColours[i].colour, RGB(web.red(), web.green(), web.blue())) << i;
        EXPECT_TRUE(i == 0 || qstricmp(kNamedColours[i - 1].name, kNamedColours[i].name) < 0) << i;
        EXPECT_EQ(name.contains("Grey"), name == "LightGrey"); // Gray, except LightGrey
    }
}

TEST_F(Words, WordCountDialogShowsTheNumbersAndHidesPagesBelowOne) {
    for (int pages : {1, 0}) {
        std::vector<std::string> seen;
        const auto look = [&](Dialog& d) {
            for (int id : {24712, 24714, 24711, 24713, 24715, 24716})
                seen.push_back(d.GetText(id));
            seen.push_back(d.IsVisible(24710) && d.IsVisible(24711) ? "pages" : "");
        };
        EXPECT_EQ(Run(Then(look, Click(IDOK)),
                      [&] { return ShowWordCountDlg(1234, -5, pages, 120, 0, 64); }),
                  IDOK);
        EXPECT_EQ(seen, (std::vector<std::string>{"1234", "-5", std::to_string(pages), "120", "0",
                                                  "64", pages ? "pages" : ""}));
    }
}

} // namespace
