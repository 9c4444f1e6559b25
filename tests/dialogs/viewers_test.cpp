// Text viewers and version texts, filters, memory copies, dialogs of the dialog library and
// the customisation profile.
#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/text.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../languages/frame_support.h"
#include "dialogs/viewers_internal.h"
#include "platform/memory.h"
#include "support/prefix.h"
#include "support/qt_app.h"

namespace p = tessaly::platform;
using tessaly::automation::Dialog;
using tessaly::testing::WriteFile;

namespace {

class Viewers : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        install = c + "/Program Files/Tessaly";
        std::filesystem::create_directories(install);
        frame_test::SetInstallDir(install);
        frame_test::SetInstallLanguage(1033);
        tessaly::automation::SetDialogHandler([this](Dialog& d) {
            shown.push_back(d.TemplateId() ? std::to_string(d.TemplateId()) : d.TemplateName());
            texts.push_back(d.GetText(1100));
            d.Click(clickId);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }
    std::string install;
    int clickId = IDOK;
    std::vector<std::string> shown, texts;
};

const char* const kVersionText = "Product Name: Tessaly Office Version 7.0 beta\r\n"
                                 "Version: 7.0.1\r\nRest\r\n";

} // namespace

TEST(VersionText, LinesRewrittenByLabel) {
    struct Row {
        const char* rule;
        const char* text;
        const char* date;
        const char* result;
    } const rows[] = {
        {"both lines", kVersionText, "May 02, 2005",
         "Product Name: Tessaly Office Version 8.5\r\nVersion: 8.5 (May 02, 2005)\r\nRest\r\n"},
        {"no program date: the version line stays", kVersionText, "",
         "Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n"},
        {"labels in any case, product line at the end", "VERSION: 1\nPRODUCT NAME: X version 2",
         "D", "VERSION: 8.5 (D)\nPRODUCT NAME: X version 8.5"},
        {"no word 'version' on the product line", "Product name: Tessaly\nmore version", "",
         "Product name: Tessaly\nmore version"},
        {"no labels", "just text\r\n", "D", "just text\r\n"},
        {"label without its colon", "Product name Tessaly Version 3\nVersion 3", "D",
         "Product name Tessaly Version 3\nVersion 3"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(std::string(tessaly::dialogs::ParseVersionText(
                      row.text, "product name:", "version:", row.date)),
                  row.result)
            << row.rule;
}

TEST_F(Viewers, ShowTextParsesOnlyVersionTexts) {
    WriteFile(install + "/version.txt", kVersionText);
    WriteFile(install + "/readme.txt", kVersionText);
    const std::string folder = frame_test::WindowsPath(install);
    const std::string parsed = GetShowText((folder + "\\VERSION.TXT").c_str()).GetString();
    EXPECT_NE(parsed.find("Version 8.5\r\n"), std::string::npos) << parsed;
    EXPECT_NE(parsed.find("Version: 7.0.1"), std::string::npos) << "no Quorrel.exe: " << parsed;
    EXPECT_EQ(std::string(GetShowText((folder + "\\readme.txt").c_str())), kVersionText);

    // With the mail client's program the version line carries its date.
    WriteFile(install + "/Quorrel.exe", "program");
    const std::string dated = GetParsedVersionText(kVersionText).GetString();
    const std::string date(
        GetFileDate((folder + "\\Quorrel.exe").c_str(), nullptr, nullptr, nullptr));
    ASSERT_FALSE(date.empty());
    EXPECT_NE(dated.find("Version: 8.5 (" + date + ")\r\n"), std::string::npos) << dated;
}

TEST_F(Viewers, ScrollMessageShowsAtMostTheFirst4096Bytes) {
    std::string numbers;
    for (int i = 0; numbers.size() < 5000; ++i)
        numbers += std::to_string(i) + " ";
    numbers.resize(5000);
    WriteFile(install + "/long.txt", numbers);
    WriteFile(install + "/short.txt", "short text");
    WriteFile(install + "/empty.txt", "");
    WriteFile(install + "/binary.dat", std::string("MZ\x90\0\x03\0\0\0", 8) + "tail");
    WriteFile(install + "/version.txt", kVersionText);
    struct Row {
        const char* name;
        std::vector<std::string> texts; // what the viewer showed; none: no viewer
    } const rows[] = {
        {"long.txt", {numbers.substr(0, 4096)}},
        {"short.txt", {"short text"}},
        {"empty.txt", {}},
        {"missing.txt", {}},
        {"binary.dat", {"MZ\x90"}}, // the text ends at the first zero byte
        {"VERSION.txt", {"Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n"}},
    };
    for (const Row& row : rows) {
        texts.clear();
        ScrollMessage(row.name);
        EXPECT_EQ(texts, row.texts) << row.name;
    }
    texts.clear();
    shown.clear();
    ScrollMessageEx("short.txt");
    EXPECT_EQ(shown, std::vector<std::string>{"293"});
    // Another installed language shows the version text as it is.
    frame_test::SetInstallLanguage(1031);
    texts.clear();
    ScrollMessage("version.txt");
    EXPECT_EQ(texts, std::vector<std::string>{kVersionText});
}

TEST(FileFilter, EveryMarkBecomesASeparator) {
    struct Row {
        std::string in, out;
    } const rows[] = {
        {"Text!*.txt!!", std::string("Text\0*.txt\0\0", 12)},
        {"no marks", "no marks"},
        {"", ""},
        {"!", std::string(1, '\0')},
        {"A (*.a;*.b)!*.a;*.b!All!*.*!!", std::string("A (*.a;*.b)\0*.a;*.b\0All\0*.*\0\0", 29)},
    };
    for (const Row& row : rows) {
        CString filter(row.in.c_str());
        SetFileFilter(filter);
        EXPECT_EQ(std::string(filter.GetString(), filter.GetLength()), row.out) << row.in;
    }
}

TEST(GlobalMemory, CopyHandleCopiesEveryByte) {
    HGLOBAL copy = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(CopyHandle(nullptr, copy), 1);
    EXPECT_EQ(copy, nullptr);

    HGLOBAL source = p::GlobalAlloc(0, 5);
    std::memcpy(p::GlobalLock(source), "abc\0e", 5);
    p::GlobalUnlock(source);
    ASSERT_EQ(CopyHandle(source, copy), 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, source);
    EXPECT_EQ(p::GlobalSize(copy), 5u);
    EXPECT_EQ(std::string(static_cast<const char*>(p::GlobalLock(copy)), 5),
              std::string("abc\0e", 5));
    p::GlobalUnlock(copy);
    p::GlobalFree(copy);
    p::GlobalFree(source);

    HGLOBAL empty = p::GlobalAlloc(0, 0);
    copy = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(CopyHandle(empty, copy), 0);
    EXPECT_EQ(copy, nullptr);
    p::GlobalFree(empty);
}

TEST_F(Viewers, ShowDialogBoxRunsNamedTemplatesOfTheDialogLibrary) {
    struct Row {
        const char* modules; // TESSALY_MODULE_PATH below the build's lib folder
        const char* name;
        int click;
        int result;
        std::vector<std::string> shown;
    } const rows[] = {
        {"/selwin", "VIEWERNOTICE", IDOK, IDOK, {"VIEWERNOTICE"}},
        {"/selwin", "viewerchoice", 3, 3, {"VIEWERCHOICE"}},
        {"/selwin", "NOSUCHDIALOG", IDOK, IDCANCEL, {}},
        {"/nothing-here", "VIEWERNOTICE", IDOK, IDCANCEL, {}},
    };
    const std::string lib = frame_test::kLibFolder;
    for (const Row& row : rows) {
        setenv("TESSALY_MODULE_PATH", (lib + row.modules).c_str(), 1);
        shown.clear();
        clickId = row.click;
        EXPECT_EQ(ShowDialogBox(row.name), row.result) << row.name << " in " << row.modules;
        EXPECT_EQ(shown.size(), row.shown.size()) << row.name;
    }
}

TEST_F(Viewers, CustomTextsComeFromTheProfile) {
    WriteFile(c + "/custom.ini", "[Custom]\r\nMenu=Acme Help\r\nCompany=Acme Ltd.\r\n"
                                 "[Other]\r\nTechnical=elsewhere\r\n");
    const std::string longValue(300, 'x');
    WriteFile(c + "/long.ini", "[Custom]\nTechnical=" + longValue + "\n");
    struct Row {
        const char* path;
        int result;
        const char* menu;
        const char* company;
        const char* technical;
    } const rows[] = {
        {"C:\\custom.ini", 1, "Acme Help", "Acme Ltd.", ""},
        {"C:\\CUSTOM.INI", 1, "Acme Help", "Acme Ltd.", ""},
        {"C:\\missing.ini", 0, "m", "c", "t"},
    };
    for (const Row& row : rows) {
        CString menu = "m", company = "c", technical = "t";
        EXPECT_EQ(GetCustomTexts(row.path, menu, company, technical), row.result) << row.path;
        EXPECT_EQ(std::string(menu), row.menu) << row.path;
        EXPECT_EQ(std::string(company), row.company) << row.path;
        EXPECT_EQ(std::string(technical), row.technical) << row.path;
    }
    CString menu, company, technical;
    ASSERT_EQ(GetCustomTexts("C:\\long.ini", menu, company, technical), 1);
    EXPECT_EQ(std::string(technical), longValue.substr(0, 255)) << "a buffer of 256 characters";
}
