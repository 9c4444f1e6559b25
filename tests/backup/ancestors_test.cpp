// The generation chain and the ancestor copies of a document.
#include <tessaly/backup.h>

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <filesystem>

#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

class Ancestors : public DrivePrefixTest {};

// Whether name is title, blank, the stamp of a second between two times, extension.
bool madeAt(const std::string& name, const std::string& title, const std::string& ext,
            std::time_t from, std::time_t to) {
    for (std::time_t t = from; t <= to; ++t) {
        std::tm local{};
        localtime_r(&t, &local);
        char buffer[128] = {};
        std::string stamp(buffer,
                          std::strftime(buffer, sizeof buffer, "%B %d,%Y %H %M' %S'' %p", &local));
        std::erase(stamp, '.');
        if (name == title + " " + stamp + ext) return true;
    }
    return false;
}

} // namespace

// Each generation moves one step down, oldest first; a missing generation leaves the next
// one as it was while the later copies run; disabled copies nothing.
TEST_F(Ancestors, GenerationChainMovesEachStepOldestFirst) {
    // Whether Backup and Grandfather exist, enabled, then the three generations' contents
    // ("": missing).
    const std::tuple<bool, bool, int, const char*, const char*, const char*> cases[] = {
        {true, true, 1, "doc", "backup", "grandfather"},
        {true, false, 1, "doc", "backup", "great"},
        {false, false, 1, "doc", "", "great"},
        {true, true, 0, "backup", "grandfather", "great"},
    };
    for (const auto& [hasBackup, hasGrandfather, enabled, backup, grandfather, great] : cases) {
        fs::remove_all(c + "/chain");
        WriteFile(c + "/chain/Letter.rtf", "doc");
        if (hasBackup) WriteFile(c + "/chain/Letter.bak", "backup");
        if (hasGrandfather) WriteFile(c + "/chain/Letter.gf", "grandfather");
        WriteFile(c + "/chain/Letter.ggf", "great");
        EXPECT_EQ(BackupFiles("C:\\chain\\Letter.rtf", "C:\\chain\\Letter.bak",
                              "C:\\chain\\Letter.gf", "C:\\chain\\Letter.ggf", enabled),
                  1);
        EXPECT_EQ(ReadFile(c + "/chain/Letter.bak") + "|" + ReadFile(c + "/chain/Letter.gf") + "|" +
                      ReadFile(c + "/chain/Letter.ggf"),
                  std::string(backup) + "|" + grandfather + "|" + great);
    }
}

// Title, blank, the time stamp without dots, extension; quotes do not count; without an
// extension the name ends in the AM/PM marker. The month names and the marker are the time
// locale's, its dots removed (Catalan "p. m." -> "p m").
TEST_F(Ancestors, NameIsTitleStampAndExtension) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"C:\\Docs\\Letter.rtf", "Letter", ".rtf"},
        {"\"C:\\Docs\\Letter.rtf\"", "Letter", ".rtf"},
        {"C:\\Docs\\report.final.txt", "report.final", ".txt"},
        {"C:\\Docs\\Letter", "Letter", ""},
    };
    for (const auto& [path, title, ext] : cases) {
        const std::time_t before = std::time(nullptr);
        const std::string name = GetAncestorFileName(path).GetString();
        EXPECT_TRUE(madeAt(name, title, ext, before, std::time(nullptr))) << name;
    }

    const std::string locales = prefix_.scratch() + "/locales";
    fs::create_directories(locales);
    if (RunProgram({"localedef", "-i", "ca_ES", "-f", "UTF-8", locales + "/ca_ES.UTF-8"}).status !=
        0)
        GTEST_SKIP() << "cannot build a Catalan locale here";
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_TIME, "ca_ES.UTF-8"), nullptr);
    const std::time_t before = std::time(nullptr);
    const std::string name = GetAncestorFileName("C:\\Docs\\Carta.doc").GetString();
    const bool matched = madeAt(name, "Carta", ".doc", before, std::time(nullptr));
    std::setlocale(LC_TIME, "C");
    unsetenv("LOCPATH");
    EXPECT_TRUE(matched) << name;
    EXPECT_TRUE(name.ends_with(" a m.doc") || name.ends_with(" p m.doc")) << name;
}

// The copy lands in the folder (made with its parents) under the ancestor name; disabled or
// with a folder that cannot be made, nothing happens; always 1.
TEST_F(Ancestors, CopyGoesIntoTheFolderWhenItCanBeMade) {
    WriteFile(c + "/Docs/Letter.rtf", "state 1");
    const std::time_t before = std::time(nullptr);
    EXPECT_EQ(BackupAncestorFiles("C:\\Docs\\Letter.rtf", "C:\\Ancestors Backups\\deep", 1), 1);
    EXPECT_EQ(BackupAncestorFiles("C:\\Docs\\Letter.rtf", "C:\\Off", 0), 1);
    EXPECT_EQ(BackupAncestorFiles("C:\\Docs\\Letter.rtf", "Q:\\Nowhere", 1), 1);
    const std::time_t after = std::time(nullptr);
    EXPECT_FALSE(fs::exists(c + "/Off"));
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(c + "/Ancestors Backups/deep")) {
        ++copies;
        EXPECT_TRUE(madeAt(entry.path().filename().string(), "Letter", ".rtf", before, after));
        EXPECT_EQ(ReadFile(entry.path().string()), "state 1");
    }
    EXPECT_EQ(copies, 1);
}
