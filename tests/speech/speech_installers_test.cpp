// Installing the speech components: which setups run, in which order, for which user, and
// the waits for their installer windows.
#include <tessaly/speech.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kRuntime = kUninstall + "{A403D88E-ED7D-48E3-91FD-B8C8A720EDA1}";
const std::string kLanguagePack = kUninstall + "{BFF0C845-DFF9-425A-9093-D86C4EE00EE1}";
const std::string kRecognition = kUninstall + "{727E4C90-7A30-4E64-889D-B95B536847EB}";

class SpeechInstallers : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        ASSERT_FALSE(display.Name().empty());
        setenv("DISPLAY", display.Name().c_str(), 1);
    }
    // A setup that notes its start and shows its installer window for a second; with reopen,
    // a second window of the same title follows about a second after the first has closed
    // (both start alike, so their start-up times cancel out) and stays six seconds, past the
    // pause after the first.
    void Setup(const std::string& path, const std::string& name, const std::string& title,
               bool reopen = false) {
        const std::string show = "QT_QPA_PLATFORM=xcb '" + TessalyProgram() +
                                 "' window show --title '" + title + "' --seconds ";
        WriteScript(install + path,
                    "echo 'run " + name + "' >> '" + log + "'\n" +
                        (reopen ? "(sleep 2; " + show + "6 > /dev/null 2>&1) &\n" : "") + show +
                        "1 > /dev/null 2>&1" +
                        (reopen ? "\nwait\necho 'ended " + name + "' >> '" + log + "'" : ""));
    }
    PrivateDisplay display;
};

TEST_F(SpeechInstallers, RuntimeAndLanguagePack) {
    const std::string runtimeTitle = "Microsoft Speech SDK 5.1 - InstallShield Wizard";
    const std::string packTitle = "Microsoft Speech SDK 5.1 Language Pack - InstallShield Wizard";
    // present: the runtime (r) and the language pack (p) installed; setups: theirs in the
    // installation folder; the explanation answered, and whether it was seen.
    const struct {
        bool windows95;
        const char *language, *present, *setups;
        int answer, result;
        bool explained;
        Strings runs;
    } cases[] = {
        {false, "1033", "rp", "rp", 0, 34, false, {}},
        {true, "1041", "", "rp", 0, 34, false, {}},
        {false, "1033", "", "rp", IDOK, 34, true, {"run runtime"}},
        {false, "1033", "", "p", 0, 34, false, {}},
        {false, "1041", "", "rp", IDOK, 33, true, {"run runtime", "run pack"}},
        {false, "2052", "r", "rp", IDOK, 33, true, {"run pack"}},
        {false, "1041", "", "rp", IDCANCEL, -1, true, {}},
        {false, "1041", "r", "rp", IDCANCEL, -1, true, {}},
    };
    for (const auto& c : cases) {
        Expect({c.answer});
        c.windows95 ? PresentWindows(1, 4, 0) : PresentWindows(2, 5, 1);
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\varnholt\\Tessaly2001\\Language", "Current",
                   c.language);
        const std::string present = c.present, setups = c.setups;
        for (const auto& [key, letter] : {std::pair{kRuntime, 'r'}, std::pair{kLanguagePack, 'p'}})
            present.find(letter) != std::string::npos
                ? PutRegText(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", "x")
                : void(tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()));
        for (const char* file : {"/SPEECHSDK51/SETUP.EXE", "/SPEECHSDK51/LanguagePack/SETUP.EXE"})
            unlink((install + file).c_str());
        if (setups.find('r') != std::string::npos)
            Setup("/SPEECHSDK51/SETUP.EXE", "runtime", runtimeTitle);
        if (setups.find('p') != std::string::npos)
            Setup("/SPEECHSDK51/LanguagePack/SETUP.EXE", "pack", packTitle);
        EXPECT_EQ(InstalledSAPI5(), c.result) << c.language << c.present;
        EXPECT_TRUE(Seen(c.explained ? Strings{"1030"} : Strings{})) << c.language << c.present;
        EXPECT_EQ(Lines(log), c.runs);
        // Each setup was waited for until its window had gone.
        for (const std::string& title : {runtimeTitle, packTitle})
            EXPECT_EQ(CWnd::FindWindow(nullptr, title.c_str()), nullptr);
    }
    // A setup the shell cannot start: its error code.
    tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRuntime.c_str());
    chmod(WriteFile(install + "/SPEECHSDK51/SETUP.EXE", "x").c_str(), 0644);
    answers = {IDOK};
    EXPECT_EQ(InstalledSAPI5(), 5);
}

TEST_F(SpeechInstallers, RecognitionEngineWaitsForEveryWindowOfItsSetup) {
    EXPECT_EQ(InstalledSAPI5SR(), 3); // no setup folder: the shell's "path not found"
    const std::string title = "SAPI 5.1 Speech Recognition - InstallShield Wizard";
    Setup("/SPEECHSDK5/SR/SETUP.EXE", "engine", title, true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(InstalledSAPI5SR(), 34);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(12));
    EXPECT_EQ(Lines(log), (Strings{"run engine", "ended engine"})); // both windows were waited for
    PutRegText(HKEY_LOCAL_MACHINE, kRecognition.c_str(), "Publisher", "Chant Inc.");
    Expect({});
    EXPECT_EQ(InstalledSAPI5SR(), 34);
    EXPECT_TRUE(Lines(log).empty());
    EXPECT_TRUE(Seen({}));
}

} // namespace
