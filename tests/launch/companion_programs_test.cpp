// Installing and starting the companion programs, and the two mail proxies.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <filesystem>

#include "platform/process.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

const std::string kJava = "Software\\JavaSoft\\Java Runtime Environment";
const std::string kJar = "C:\\Orvo\\OpenSource\\OpenSourceHTTP\\OpenSourceHTTP.jar";
const std::string kMissingAgent = "Can't find Orvo WebMail Agent.";

class CompanionPrograms : public OutsideProgramTest {
  protected:
    // The Java runtime in the registry, its program a recorder; the proxy's jar in place.
    std::string Java() {
        const std::string jre = prefix_.scratch() + "/jre";
        PutRegText(HKEY_LOCAL_MACHINE, kJava.c_str(), "CurrentVersion", "1.8");
        PutRegText(HKEY_LOCAL_MACHINE, (kJava + "\\1.8").c_str(), "JavaHome", WindowsPath(jre));
        WriteFile(install + "/OpenSource/OpenSourceHTTP/OpenSourceHTTP.jar", "");
        return Recorder(jre + "/bin/javaw", "javaw");
    }
};

TEST_F(CompanionPrograms, SetupsRunAndInstalledProgramsStart) {
    const std::string open = install + "/OpenSource/", gimp = "cwd " + open + "GIMP Setup";
    Recorder(open + "GIMP Setup/gtk+-2.2.4-20040124-setup.exe.exe", "gtk");
    Recorder(open + "GIMP Setup/gimp-2.0.1-setup.exe", "gimp");
    EXPECT_EQ(InstallOpenSourceProgram("xananews"), 2);
    EXPECT_TRUE(Seen({"XanaNews Setup\\xananews_setup.exe file is not found."}));
    EXPECT_EQ(InstallOpenSourceProgram("gimp"), 1); // both setups, in their folder
    EXPECT_EQ(Lines(log, true), (Strings{"run gtk", gimp, "run gimp", gimp}));
    // Installed: the program gets the document; missing: offered, and its installer started.
    PutRegText(HKEY_LOCAL_MACHINE,
               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\filezilla",
               "UninstallString", "\"C:\\Apps\\FileZilla\\uninstall.exe\"");
    Recorder(c + "/Apps/FileZilla/FileZilla", "FileZilla");
    Recorder(install + "/OstrelSourceInstaller", "installer");
    const std::string doc = "C:\\My Docs\\a b.txt";
    Expect({});
    EXPECT_EQ(StartOpenSourceProgram("filezilla", doc.c_str()), 2);
    EXPECT_EQ(RunsAfter(2), (Strings{"run FileZilla", "arg " + doc}));
    Expect({kSecondButton});
    EXPECT_EQ(StartOpenSourceProgram("gimp", doc.c_str()), 0);
    EXPECT_TRUE(Seen({"Gimp is not installed. Do you want to install it?"}));
    Expect({kFirstButton});
    EXPECT_EQ(StartOpenSourceProgram("scilab", doc.c_str()), 1);
    EXPECT_EQ(RunsAfter(2), (Strings{"run installer", "arg /scilab"}));
}

TEST_F(CompanionPrograms, TheMailProxiesRunOnceTheJavaOneWithItsWindowHidden) {
    const std::string folder = install + "/OpenSource/Rindle", program = folder + "/Rindle.exe";
    EXPECT_EQ(StartFreePops(0, 1), 0);
    EXPECT_TRUE(Seen({kMissingAgent}));
    fs::create_directories(folder);
    fs::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/Rindle.exe", program);
    for (int i = 0; i < 2; ++i) { // the second time it is running already: not a second one
        EXPECT_EQ(StartFreePops(0, 1), 1);
        EXPECT_EQ(GetProcessCount("rindle.exe"), 1);
    }
    EXPECT_EQ(Lines(folder + "/rindle.log", true),
              (Strings{"started in " + folder, "argument --no-icon"}));
    for (const auto& process : tessaly::platform::ListProcesses())
        if (process.exePath == program) kill(static_cast<pid_t>(process.pid), SIGTERM);
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    // The notice of a missing runtime; a click on its link opens the runtime's download page.
    Expect({1032, IDOK});
    EXPECT_EQ(StartPostMan(0, 1), 0);
    EXPECT_TRUE(Seen({"1031"}));
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg https://www.java.com/download/"}));
    // The jar missing: a message of its own; the runtime's program missing too, with errors
    // not shown: nothing.
    const std::string javaw = Java();
    fs::remove(install + "/OpenSource/OpenSourceHTTP/OpenSourceHTTP.jar");
    Expect({IDOK});
    EXPECT_EQ(StartPostMan(0, 1), 0);
    EXPECT_TRUE(Seen({kMissingAgent}));
    fs::remove(javaw);
    Expect({});
    EXPECT_EQ(StartPostMan(0, 0), 0);
    EXPECT_TRUE(Seen({}));
    fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-launcher", javaw);
    const std::string http = install + "/OpenSource/OpenSourceHTTP";
    fs::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/OpenSourceHTTP.jar",
                  http + "/OpenSourceHTTP.jar");
    EXPECT_EQ(StartPostMan(1, 1), 1); // ready: nothing is started
    for (int i = 0; i < 2; ++i)       // the second time it is running already: not a second one
        EXPECT_EQ(StartPostMan(0, 1), 1);
    EXPECT_EQ(Lines(http + "/mrpostman.log", true), Strings{"started in " + http});
    const HWND window = CWnd::FindWindow("org.mrbook.mrpostman.gui.MrPostmanGui", "MrPostMan");
    ASSERT_NE(window, nullptr);
    xcb_connection_t* x = xcb_connect(nullptr, nullptr); // the window is hidden: unmapped
    const auto id = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(window));
    auto* attributes =
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, id), nullptr);
    EXPECT_TRUE(attributes && attributes->map_state == XCB_MAP_STATE_UNMAPPED);
    free(attributes);
    xcb_disconnect(x);
    kill(static_cast<pid_t>(CWnd::ProcessIdOf(window)), SIGTERM);
}

// The proxy's window never comes: after 500 tries half a second apart the start is given up;
// the wait runs as it is, in a run of this case under accelerated time.
TEST_F(CompanionPrograms, TheJavaProxyTimesOutAfter250Seconds) {
    if (!std::getenv("FAKETIME")) {
        if (!*TESSALY_FAKETIME) GTEST_SKIP() << "libfaketime is not installed";
        const RunResult run = RunProgram(
            {fs::read_symlink("/proc/self/exe"), "--gtest_filter=*.TheJavaProxyTimesOut*"},
            {"LD_PRELOAD=" TESSALY_FAKETIME, "FAKETIME=+0 x20", "DISPLAY",
             "ASAN_OPTIONS=verify_asan_link_order=0"});
        EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out << run.err;
        return;
    }
    Java();
    Expect({IDOK});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartPostMan(0, 1), 0);
    const auto waited = std::chrono::steady_clock::now() - start; // in the accelerated time
    EXPECT_GE(waited, std::chrono::seconds(250));
    EXPECT_LT(waited, std::chrono::seconds(400));
    EXPECT_TRUE(Seen({"Timeout on starting " + kJar + "."}));
    EXPECT_EQ(Lines(log), (Strings{"run javaw", "arg -jar", "arg " + kJar}));
}

} // namespace
