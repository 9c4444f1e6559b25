// Installing the speech components: which setups run for which user, waited for by window.
#include <tessaly/speech.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <tuple>

#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;

namespace {

using SpeechInstallers = OutsideProgramTest;

TEST_F(SpeechInstallers, SetupsRunForTheUserAndEachOfTheirWindowsIsWaitedFor) {
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string runtime = uninstall + "{A403D88E-ED7D-48E3-91FD-B8C8A720EDA1}";
    const std::string pack = uninstall + "{BFF0C845-DFF9-425A-9093-D86C4EE00EE1}";
    const std::string titles[] = {"Microsoft Speech SDK 5.1 - InstallShield Wizard",
                                  "Microsoft Speech SDK 5.1 Language Pack - InstallShield Wizard",
                                  "SAPI 5.1 Speech Recognition - InstallShield Wizard"};
    // A setup notes its start, then shows its installer windows (body).
    const auto setup = [&](const std::string& path, const std::string& name,
                           const std::string& body) {
        WriteScript(install + path, "echo 'run " + name + "' >> '" + log + "'\n" + body);
    };
    const auto show = [](const std::string& title, int seconds) {
        return "QT_QPA_PLATFORM=xcb '" + TessalyProgram() + "' window show --title '" + title +
               "' --seconds " + std::to_string(seconds) + " > /dev/null 2>&1\n";
    };
    setup("/SPEECHSDK51/SETUP.EXE", "runtime", show(titles[0], 1));
    setup("/SPEECHSDK51/LanguagePack/SETUP.EXE", "pack", show(titles[1], 1));
    // Language, present (the runtime r, the language pack p), answer to the explanation 1030,
    // result, setups run.
    const std::tuple<const char*, const char*, int, int, Strings> rows[] = {
        {"1041", "rp", 0, 34, {}},
        {"1041", "r", IDCANCEL, -1, {}},
        {"1033", "", IDOK, 34, {"run runtime"}}, // no language pack for English
        {"1041", "", IDOK, 33, {"run runtime", "run pack"}},
    };
    for (const auto& [language, present, answer, result, runs] : rows) {
        Expect({answer});
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\varnholt\\Tessaly2001\\Language", "Current",
                   language);
        for (const auto& [key, letter] : {std::pair{runtime, 'r'}, std::pair{pack, 'p'}})
            std::strchr(present, letter)
                ? PutRegText(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", "x")
                : void(tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()));
        EXPECT_EQ(InstalledSAPI5(), result) << language << present;
        EXPECT_TRUE(Seen(answer ? Strings{"1030"} : Strings{})) << language << present;
        EXPECT_EQ(Lines(log), runs);
        for (const std::string& title : titles) // each setup waited for until its window went
            EXPECT_EQ(CWnd::FindWindow(nullptr, title.c_str()), nullptr);
    }
    // A setup the shell cannot start (the runtime still missing): its error code.
    chmod((install + "/SPEECHSDK51/SETUP.EXE").c_str(), 0644);
    Expect({IDOK});
    EXPECT_EQ(InstalledSAPI5(), 5);
    // The recognition engine: no setup folder, the shell's "path not found". Its setup's second
    // window comes a second after the first went (both start alike, so their start-up times
    // cancel out) and stays past the pause after the first; both are waited for.
    EXPECT_EQ(InstalledSAPI5SR(), 3);
    setup("/SPEECHSDK5/SR/SETUP.EXE", "engine",
          "(sleep 2; " + show(titles[2], 6) + ") &\n" + show(titles[2], 1) +
              "wait\necho 'ended engine' >> '" + log + "'");
    Expect({});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(InstalledSAPI5SR(), 34);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(12));
    EXPECT_EQ(Lines(log), (Strings{"run engine", "ended engine"}));
}

} // namespace
