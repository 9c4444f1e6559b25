// Text viewers and version texts, file filters, memory copies, named dialogs of the dialog
// library and the customisation profile.
#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "../languages/frame_support.h"
#include "platform/memory.h"
#include "support/qt_app.h"

namespace p = tessaly::platform;
using tessaly::testing::WriteFile;

namespace {

const std::string kVersionText =
    "Product Name: Tessaly Office Version 7.0 beta\r\nVersion: 7.0.1\r\nRest\r\n";
// As shown when the program's date is unknown: the product line names this release.
const std::string kParsed =
    "Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n";

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

// Only a version text's product and version lines change, by their labels in any case; the
// version line carries the program's date once the program is there.
TEST_F(Viewers, ShowTextParsesVersionTextsByTheLowerCasedPath) {
    const std::string folder = frame_test::WindowsPath(install);
    std::filesystem::create_directories(install + "/old");
    WriteFile(install + "/version.txt", kVersionText);
    WriteFile(install + "/readme.txt", kVersionText);
    WriteFile(install + "/old/version.txt", "PRODUCT NAME: X\nmore version");
    const std::pair<const char*, std::string> rows[] = {
        {"\\VERSION.TXT", kParsed},
        {"\\readme.txt", kVersionText},
        {"\\old\\version.txt", "PRODUCT NAME: X\nmore version"}}; // the word on a later line
    for (const auto& [name, text] : rows)
        EXPECT_EQ(GetShowText((folder + name).c_str()).str(), text);
    WriteFile(install + "/Quorrel.exe", "program");
    const CString date = GetFileDate((folder + "\\Quorrel.exe").c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(GetParsedVersionText("version: 1\nProduct name: Y Version 2").str(),
              "version: 8.5 (" + date.str() + ")\nProduct name: Y Version 8.5");
}

TEST_F(Viewers, ScrollMessageShowsAtMostTheFirst4096Bytes) {
    const std::string page(4096, 'a');
    WriteFile(install + "/long.txt", page + "beyond");
    WriteFile(install + "/empty.txt", "");
    WriteFile(install + "/binary.dat", std::string("MZ\x90\0\x03", 5));
    WriteFile(install + "/version.txt", kVersionText);
    // Rows: installed language, file, what the viewer shows (only English parses version texts).
    const std::tuple<int, const char*, std::vector<std::string>> rows[] = {
        {1033, "long.txt", {"293:" + page}},
        {1033, "empty.txt", {}},
        {1033, "binary.dat", {"293:MZ\x90"}}, // the text ends at the first zero byte
        {1033, "VERSION.txt", {"293:" + kParsed}},
        {1031, "version.txt", {"293:" + kVersionText}}};
    for (const auto& [language, name, viewed] : rows) {
        frame_test::SetInstallLanguage(language);
        shown.clear();
        ScrollMessageEx(name);
        EXPECT_EQ(shown, viewed) << name;
    }
}

TEST(FileFilter, EveryMarkBecomesASeparatorKeepingTheLength) {
    CString filter("A!*.a;*.b!All!*.*!!");
    SetFileFilter(filter);
    EXPECT_EQ(std::string(filter.GetString(), filter.GetLength()),
              std::string("A\0*.a;*.b\0All\0*.*\0\0", 19));
}

TEST(GlobalMemory, CopyHandleCopiesEveryByteIntoANewBlock) {
    HGLOBAL copy = &copy, source = p::GlobalAlloc(0, 5), empty = p::GlobalAlloc(0, 0);
    EXPECT_EQ(std::make_pair(CopyHandle(nullptr, copy), copy), std::make_pair(1, HGLOBAL()));
    std::memcpy(p::GlobalLock(source), "abc\0e", 5);
    ASSERT_EQ(CopyHandle(source, copy), 1);
    EXPECT_NE(copy, source);
    EXPECT_EQ(std::string(static_cast<const char*>(p::GlobalLock(copy)), p::GlobalSize(copy)),
              std::string("abc\0e", 5));
    p::GlobalFree(copy), p::GlobalFree(source);
    copy = &copy;
    EXPECT_EQ(std::make_pair(CopyHandle(empty, copy), copy), std::make_pair(0, HGLOBAL()));
    p::GlobalFree(empty);
}

TEST_F(Viewers, ShowDialogBoxRunsNamedTemplatesOfTheDialogLibrary) {
    const std::tuple<const char*, const char*, int, int, size_t> rows[] = {
        // where the library is looked for, template, button clicked, result, dialogs shown
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
        const std::string found = std::to_string(GetCustomTexts(path, menu, company, technical));
        EXPECT_EQ(found + " " + menu.str() + "|" + company.str() + "|" + technical.str(), result);
    }
}
