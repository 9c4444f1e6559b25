// Text viewers and version texts, file filters, memory copies, named dialogs of the dialog
// library and the customisation profile.
#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "../languages/frame_support.h"
#include "dialogs/viewers_internal.h"
#include "platform/memory.h"
#include "support/qt_app.h"

namespace p = tessaly::platform;
using tessaly::testing::WriteFile;

namespace {

const std::string kVersionText =
    "Product Name: Tessaly Office Version 7.0 beta\r\nVersion: 7.0.1\r\nRest\r\n";

class Viewers : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        std::filesystem::create_directories(install = c + "/Program Files/Tessaly");
        frame_test::SetInstallDir(install);
        frame_test::SetInstallLanguage(1033);
        tessaly::automation::SetDialogHandler([this](tessaly::automation::Dialog& d) {
            shown.push_back(d.TemplateId() ? std::to_string(d.TemplateId()) + ":" + d.GetText(1100)
                                           : d.TemplateName());
            d.Click(click);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }
    std::string install;
    int click = IDOK;
    std::vector<std::string> shown;
};

} // namespace

TEST(VersionText, LinesRewrittenByLabel) {
    const std::tuple<std::string, const char*, std::string> rows[] = {
        {kVersionText, "May 02, 2005",
         "Product Name: Tessaly Office Version 8.5\r\nVersion: 8.5 (May 02, 2005)\r\nRest\r\n"},
        {kVersionText, "",
         "Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n"}, // no program
                                                                                    // date
        {"VERSION: 1\nPRODUCT NAME: X version 2", "D",
         "VERSION: 8.5 (D)\nPRODUCT NAME: X version 8.5"},
        {"Product name: Tessaly\nmore version", "",
         "Product name: Tessaly\nmore version"}, // no word on the line
        {"Product name Tessaly Version 3\nVersion 3", "D",
         "Product name Tessaly Version 3\nVersion 3"}, // no colons
    };
    for (const auto& [text, date, result] : rows)
        EXPECT_EQ(
            tessaly::dialogs::ParseVersionText(text.c_str(), "product name:", "version:", date)
                .str(),
            result);
}

TEST_F(Viewers, ShowTextParsesVersionTextsByTheLowerCasedPath) {
    WriteFile(install + "/version.txt", kVersionText);
    WriteFile(install + "/readme.txt", kVersionText);
    const std::string folder = frame_test::WindowsPath(install);
    EXPECT_EQ(GetShowText((folder + "\\VERSION.TXT").c_str()).str(),
              "Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n");
    EXPECT_EQ(GetShowText((folder + "\\readme.txt").c_str()).str(), kVersionText);
    WriteFile(install + "/Quorrel.exe", "program"); // now the version line carries its date
    const CString date = GetFileDate((folder + "\\Quorrel.exe").c_str(), nullptr, nullptr, nullptr);
    EXPECT_NE(GetParsedVersionText(kVersionText.c_str())
                  .str()
                  .find("\r\nVersion: 8.5 (" + date.str() + ")\r\n"),
              std::string::npos);
}

TEST_F(Viewers, ScrollMessageShowsAtMostTheFirst4096Bytes) {
    std::string digits;
    for (int i = 0; digits.size() < 5000; ++i)
        digits += std::to_string(i % 10);
    WriteFile(install + "/long.txt", digits);
    WriteFile(install + "/empty.txt", "");
    WriteFile(install + "/binary.dat", std::string("MZ\x90\0\x03", 5));
    WriteFile(install + "/version.txt", kVersionText);
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"long.txt", {"293:" + digits.substr(0, 4096)}},
        {"empty.txt", {}},
        {"missing.txt", {}},
        {"binary.dat", {"293:MZ\x90"}}, // the text ends at the first zero byte
        {"VERSION.txt",
         {"293:Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n"}}};
    for (const auto& [name, viewed] : rows) {
        shown.clear();
        ScrollMessageEx(name);
        EXPECT_EQ(shown, viewed) << name;
    }
    frame_test::SetInstallLanguage(1031); // another language shows the version text as it is
    shown.clear();
    ScrollMessage("version.txt");
    EXPECT_EQ(shown, std::vector<std::string>{"293:" + kVersionText});
}

TEST(FileFilter, EveryMarkBecomesASeparatorKeepingTheLength) {
    for (const std::string& text :
         {std::string("Text!*.txt!!"), std::string("none"), std::string("A!*.a;*.b!All!*.*!!")}) {
        CString filter(text.c_str());
        SetFileFilter(filter);
        std::string expected = text;
        std::replace(expected.begin(), expected.end(), '!', '\0');
        EXPECT_EQ(std::string(filter.GetString(), filter.GetLength()), expected);
    }
}

TEST(GlobalMemory, CopyHandleCopiesEveryByteIntoANewBlock) {
    HGLOBAL copy = &copy, source = p::GlobalAlloc(0, 5), empty = p::GlobalAlloc(0, 0);
    EXPECT_EQ(CopyHandle(nullptr, copy), 1);
    EXPECT_EQ(copy, nullptr);
    std::memcpy(p::GlobalLock(source), "abc\0e", 5);
    ASSERT_EQ(CopyHandle(source, copy), 1);
    EXPECT_NE(copy, source);
    EXPECT_EQ(std::string(static_cast<const char*>(p::GlobalLock(copy)), p::GlobalSize(copy)),
              std::string("abc\0e", 5));
    p::GlobalFree(copy), p::GlobalFree(source);
    copy = &copy;
    EXPECT_EQ(CopyHandle(empty, copy), 0);
    EXPECT_EQ(copy, nullptr);
    p::GlobalFree(empty);
}

TEST_F(Viewers, ShowDialogBoxRunsNamedTemplatesOfTheDialogLibrary) {
    const std::tuple<const char*, const char*, int, int, size_t> rows[] = {
        // where the library is looked for, template, button clicked, result, dialogs shown
        {"/selwin", "VIEWERNOTICE", IDOK, IDOK, 1},
        {"/selwin", "viewerchoice", 3, 3, 1},
        {"/selwin", "NOSUCHDIALOG", IDOK, IDCANCEL, 0},
        {"/nothing-here", "VIEWERNOTICE", IDOK, IDCANCEL, 0}};
    for (const auto& [modules, name, button, result, dialogs] : rows) {
        setenv("TESSALY_MODULE_PATH", (frame_test::kLibFolder + modules).c_str(), 1);
        shown.clear();
        click = button;
        EXPECT_EQ(ShowDialogBox(name), result) << name << modules;
        EXPECT_EQ(shown.size(), dialogs) << name << modules;
    }
}

TEST_F(Viewers, CustomTextsComeFromTheProfile) {
    WriteFile(c + "/custom.ini",
              "[Custom]\r\nMenu=Acme Help\r\nTechnical=" + std::string(300, 'x') +
                  "\r\n[Other]\r\nCompany=elsewhere\r\n");
    const std::pair<const char*, std::string> rows[] = {
        {"C:\\CUSTOM.INI", "1 Acme Help||" + std::string(255, 'x')},
        {"C:\\missing.ini", "0 m|c|t"}};
    for (const auto& [path, result] : rows) {
        CString menu = "m", company = "c", technical = "t";
        const int found = GetCustomTexts(path, menu, company, technical);
        EXPECT_EQ(std::to_string(found) + " " + menu.str() + "|" + company.str() + "|" +
                      technical.str(),
                  result);
    }
}
