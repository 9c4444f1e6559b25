// The generation chain and the ancestor copies of a document.
#include <tessaly/backup.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

class Ancestors : public DrivePrefixTest {};

// The stamp a call made at one of two seconds may carry, in the C library's time locale.
std::string stampAt(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[128] = {};
    std::string text(buffer,
                     std::strftime(buffer, sizeof buffer, "%B %d,%Y %H %M' %S'' %p", &local));
    std::erase(text, '.');
    return text;
}

bool madeAt(const std::string& name, const std::string& title, const std::string& ext,
            std::time_t before, std::time_t after) {
    for (std::time_t t = before; t <= after; ++t)
        if (name == title + " " + stampAt(t) + ext) return true;
    return false;
}

} // namespace

// Each generation moves one step down, oldest first; a missing generation leaves the next
// one as it was and the later copies still run; disabled copies nothing.
TEST_F(Ancestors, GenerationChainMovesEachStepOldestFirst) {
    struct Case {
        const char* name;
        bool hasBackup, hasGrandfather;
        int enabled;
        const char *backup, *grandfather, *great; // contents after the call; "" missing
    } const cases[] = {
        {"full chain", true, true, 1, "doc", "backup", "grandfather"},
        {"no grandfather", true, false, 1, "doc", "backup", "great"},
        {"first backup", false, false, 1, "doc", "", "great"},
        {"disabled", true, true, 0, "backup", "grandfather", "great"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = this->c + "/chain";
        fs::remove_all(dir);
        WriteFile(dir + "/Letter.rtf", "doc");
        if (c.hasBackup) WriteFile(dir + "/Letter.bak", "backup");
        if (c.hasGrandfather) WriteFile(dir + "/Letter.gf", "grandfather");
        WriteFile(dir + "/Letter.ggf", "great");
        EXPECT_EQ(BackupFiles("C:\\chain\\Letter.rtf", "C:\\chain\\Letter.bak",
                              "C:\\chain\\Letter.gf", "C:\\chain\\Letter.ggf", c.enabled),
                  1);
        auto content = [&](const char* file) {
            return fs::exists(dir + "/" + file) ? ReadFile(dir + "/" + file) : std::string();
        };
        EXPECT_EQ(content("Letter.bak"), c.backup);
        EXPECT_EQ(content("Letter.gf"), c.grandfather);
        EXPECT_EQ(content("Letter.ggf"), c.great);
        EXPECT_EQ(content("Letter.rtf"), "doc");
    }
}

// Title, blank, the time stamp without dots, extension; quotes do not count.
TEST_F(Ancestors, NameIsTitleStampAndExtension) {
    struct Case {
        const char* path;
        const char* title;
        const char* ext;
    } const cases[] = {
        {"C:\\Docs\\Letter.rtf", "Letter", ".rtf"},
        {"\"C:\\Docs\\Letter.rtf\"", "Letter", ".rtf"},
        {"C:\\Docs\\report.final.txt", "report.final", ".txt"},
        {"C:\\Docs\\Letter", "Letter", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::time_t before = std::time(nullptr);
        const std::string name = GetAncestorFileName(c.path).GetString();
        EXPECT_TRUE(madeAt(name, c.title, c.ext, before, std::time(nullptr))) << name;
    }
    // Without an extension the name ends in the AM/PM marker.
    const std::string bare = GetAncestorFileName("C:\\Docs\\Letter").GetString();
    EXPECT_TRUE(bare.ends_with("AM") || bare.ends_with("PM")) << bare;
}

// The month names and the marker are the time locale's, its dots removed ("p. m." -> "p m").
TEST_F(Ancestors, NameFollowsTheTimeLocale) {
    const std::string locales = prefix_.scratch() + "/locales";
    fs::create_directories(locales);
    if (RunProgram({"localedef", "-i", "ca_ES", "-f", "UTF-8", locales + "/ca_ES.UTF-8"}).status !=
        0)
        GTEST_SKIP() << "cannot build a Catalan locale here";
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_TIME, "ca_ES.UTF-8"), nullptr);
    const std::time_t before = std::time(nullptr);
    const std::string name = GetAncestorFileName("C:\\Docs\\Carta.doc").GetString();
    const std::time_t after = std::time(nullptr);
    const bool matched = madeAt(name, "Carta", ".doc", before, after);
    std::setlocale(LC_TIME, "C");
    unsetenv("LOCPATH");
    EXPECT_TRUE(matched) << name;
    EXPECT_EQ(name.find('.'), name.rfind('.')) << name; // only the extension's dot is left
    EXPECT_TRUE(name.find(" a m") != std::string::npos || name.find(" p m") != std::string::npos)
        << name;
}

// The copy lands in the folder (made with its parents) under the ancestor name; disabled or
// with a folder that cannot be made, nothing happens; always 1.
TEST_F(Ancestors, CopyGoesIntoTheFolderWhenItCanBeMade) {
    WriteFile(c + "/Docs/Letter.rtf", "state 1");
    struct Case {
        const char* folder;
        int enabled;
        const char* posixFolder; // relative to drive C, null when nothing may appear
    } const cases[] = {
        {"C:\\Ancestors Backups\\deep\\er", 1, "Ancestors Backups/deep/er"},
        {"C:\\Off", 0, nullptr},
        {"Q:\\Nowhere", 1, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.folder);
        const std::time_t before = std::time(nullptr);
        EXPECT_EQ(BackupAncestorFiles("C:\\Docs\\Letter.rtf", k.folder, k.enabled), 1);
        const std::time_t after = std::time(nullptr);
        if (!k.posixFolder) {
            EXPECT_FALSE(fs::exists(c + "/Off"));
            continue;
        }
        int copies = 0;
        for (const auto& entry : fs::directory_iterator(c + "/" + k.posixFolder)) {
            ++copies;
            EXPECT_TRUE(madeAt(entry.path().filename().string(), "Letter", ".rtf", before, after));
            EXPECT_EQ(ReadFile(entry.path().string()), "state 1");
        }
        EXPECT_EQ(copies, 1);
    }
}
