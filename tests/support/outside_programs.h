#pragma once
// Tests of the services that start outside programs: an installation folder in the prefix,
// recording programs that note how they were started, a desktop that knows only what the
// test tells it, and the library's dialogs answered from a list.
#include <tessaly/automation.h>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/registry.h"
#include "support/run.h"

namespace tessaly::testing {

using Strings = std::vector<std::string>;

class OutsideProgramTest : public DrivePrefixTest {
  protected:
    static constexpr int kFirstButton = 1785, kSecondButton = 1786;

    void SetUp() override {
        DrivePrefixTest::SetUp();
        EnsureQtApplication();
        std::error_code gone; // a folder an earlier case removed: none to go back to
        folder_ = std::filesystem::current_path(gone).string();
        install = c + "/Orvo";
        mkdir(install.c_str(), 0755);
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "",
                   "C:\\Orvo");
        const std::string scratch = prefix_.scratch(), build = TESSALY_BUILD_DIR;
        log = scratch + "/runs.log";
        journal = scratch + "/selwin.log";
        setenv("SELWIN_JOURNAL", journal.c_str(), 1);
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            setenv(name, (scratch + "/xdg").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
        unsetenv("DESKTOP_SESSION");
        setenv("BROWSER", Recorder(scratch + "/browser", "browser").c_str(), 1);
        setenv("TESSALY_MODULE_PATH", (build + "/lib:" + build + "/lib/selwin").c_str(), 1);
        // Each dialog noted (a message box by its text), then answered from the list until it
        // closes: a control id clicks it, Escape when the list runs out.
        automation::SetDialogHandler([this](automation::Dialog& dialog) {
            seen.push_back(dialog.TemplateId() == 1789 ? dialog.GetText(1501)
                                                       : std::to_string(dialog.TemplateId()));
            while (dialog.IsOpen()) {
                const int answer = answers.empty() ? 0 : answers.front();
                if (!answers.empty()) answers.pop_front();
                answer ? void(dialog.Click(answer)) : dialog.PressEscape();
            }
        });
    }
    // The next case starts in the folder this one started in (a case may change it to a
    // folder that goes with its prefix).
    void TearDown() override {
        automation::SetDialogHandler(nullptr);
        EXPECT_TRUE(folder_.empty() || chdir(folder_.c_str()) == 0) << folder_;
    }

    // A program that notes "run NAME", its folder and each argument in the log.
    std::string Recorder(const std::string& path, const std::string& name) {
        return WriteScript(path, "{ printf 'run %s\\ncwd %s\\n' '" + name +
                                     "' \"$(pwd)\"; for a in \"$@\"; do printf 'arg %s\\n' "
                                     "\"$a\"; done; } >> '" +
                                     log + "'");
    }
    // The lines of a file, without "cwd" lines unless asked for.
    static Strings Lines(const std::string& file, bool folders = false) {
        Strings lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (folders || line.rfind("cwd ", 0) != 0) lines.push_back(line);
        return lines;
    }
    // The log once it has that many lines (programs started through the shell run
    // detached), or after ten seconds.
    Strings RunsAfter(size_t lines, const std::string& file = "") const {
        const std::string& which = file.empty() ? log : file;
        for (int i = 0; i < 200 && Lines(which).size() < lines; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Lines(which);
    }
    // Before a call: the dialogs' answers, nothing seen or run yet.
    void Expect(const std::deque<int>& list) {
        seen.clear();
        answers = list;
        std::remove(log.c_str());
    }
    // The class opens documents of the extension with the recorder of that name.
    void Associate(const char* extension, const char* cls, const std::string& name) {
        PutRegText(HKEY_CLASSES_ROOT, extension, "", cls);
        PutRegText(HKEY_CLASSES_ROOT, (std::string(cls) + "\\shell\\open\\command").c_str(), "",
                   "\"" + WindowsPath(Recorder(prefix_.scratch() + "/" + name, name)) +
                       "\" \"%1\"");
    }
    // The desktop opens files of the type with the recorder of that name.
    void DesktopDefault(const std::string& type, const std::string& name) {
        const std::string xdg = prefix_.scratch() + "/xdg/";
        WriteFile(xdg + "applications/" + name + ".desktop",
                  "[Desktop Entry]\nType=Application\nName=" + name +
                      "\nExec=" + Recorder(prefix_.scratch() + "/" + name, name) + " %f\n");
        WriteFile(xdg + "mimeapps.list",
                  "[Default Applications]\n" + type + "=" + name + ".desktop\n");
    }
    // Whether the dialogs seen are, in order, those whose id or text holds each part.
    ::testing::AssertionResult Seen(const Strings& parts) const {
        bool same = parts.size() == seen.size();
        for (size_t i = 0; same && i < parts.size(); ++i)
            same = seen[i].find(parts[i]) != std::string::npos;
        auto result = same ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
        for (const std::string& text : seen)
            result << " [" << text << "]";
        return result;
    }

    std::string install, log, journal; // journal: the dialog library's calls
    std::deque<int> answers;           // see the dialog handler
    Strings seen;                      // each dialog's template id, or a message box's text

  private:
    std::string folder_;
};

} // namespace tessaly::testing
