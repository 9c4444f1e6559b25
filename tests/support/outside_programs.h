#pragma once
// Tests of the services that start outside programs: an installation folder in the prefix,
// recording programs that note how they were started, a desktop that knows only what the
// test tells it, and the library's dialogs answered from a list.
#include <tessaly/automation.h>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/registry.h"
#include "support/run.h"

namespace tessaly::testing {

class OutsideProgramTest : public DrivePrefixTest {
  protected:
    static constexpr int kMessageBox = 1789, kFirstButton = 1785, kSecondButton = 1786;

    void SetUp() override {
        DrivePrefixTest::SetUp();
        EnsureQtApplication();
        install = c + "/Orvo";
        mkdir(install.c_str(), 0755);
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "",
                   "C:\\Orvo");
        log = prefix_.scratch() + "/runs.log";
        journal = prefix_.scratch() + "/selwin.log";
        setenv("SELWIN_JOURNAL", journal.c_str(), 1);
        const std::string xdg = prefix_.scratch() + "/xdg";
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            setenv(name, xdg.c_str(), 1);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION"})
            unsetenv(name);
        setenv("BROWSER", Recorder(prefix_.scratch() + "/browser", "browser").c_str(), 1);
        const std::string build = TESSALY_BUILD_DIR;
        setenv("TESSALY_MODULE_PATH", (build + "/lib:" + build + "/lib/selwin").c_str(), 1);
        automation::SetDialogHandler([this](automation::Dialog& dialog) {
            seen.push_back(dialog.TemplateId() == kMessageBox
                               ? dialog.GetText(1501)
                               : std::to_string(dialog.TemplateId()));
            // Clicks from the list until the dialog closes; Escape when the list runs out.
            while (dialog.IsOpen()) {
                const int answer = answers.empty() ? 0 : answers.front();
                if (!answers.empty()) answers.pop_front();
                if (answer)
                    dialog.Click(answer);
                else
                    dialog.PressEscape();
            }
        });
    }
    void TearDown() override { automation::SetDialogHandler(nullptr); }

    // A program that notes "run NAME", its folder and each argument in the log.
    std::string Recorder(const std::string& path, const std::string& name) {
        return WriteScript(path, "{ printf 'run %s\\ncwd %s\\n' '" + name +
                                     "' \"$(pwd)\"; for a in \"$@\"; do printf 'arg %s\\n' \"$a\"; "
                                     "done; } >> '" +
                                     log + "'\n");
    }
    // The lines of a file; without "cwd" lines unless asked for.
    static std::vector<std::string> Lines(const std::string& file, bool folders = false) {
        std::vector<std::string> lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (folders || line.rfind("cwd ", 0) != 0) lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Runs() const { return Lines(log); }
    // The runs once that many lines are there, or after ten seconds (programs started through
    // the shell run detached).
    std::vector<std::string> RunsAfter(size_t lines, const std::string& file = "") const {
        const std::string& which = file.empty() ? log : file;
        for (int i = 0; i < 200 && Lines(which).size() < lines; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Lines(which);
    }
    // The class "cls" opens documents of the extension with the recorder of that name.
    void Associate(const char* extension, const char* cls, const std::string& name) {
        PutRegText(HKEY_CLASSES_ROOT, extension, "", cls);
        const std::string key = std::string(cls) + "\\shell\\open\\command";
        PutRegText(HKEY_CLASSES_ROOT, key.c_str(), "",
                   "\"" + WindowsPath(Recorder(prefix_.scratch() + "/" + name, name)) +
                       "\" \"%1\"");
    }

    // Whether the dialogs seen are, in order, those whose id or text holds each part.
    ::testing::AssertionResult Seen(const std::vector<std::string>& parts) const {
        bool same = parts.size() == seen.size();
        for (size_t i = 0; same && i < parts.size(); ++i)
            same = seen[i].find(parts[i]) != std::string::npos;
        if (same) return ::testing::AssertionSuccess();
        auto result = ::testing::AssertionFailure() << "seen:";
        for (const std::string& text : seen)
            result << " [" << text << "]";
        return result;
    }

    std::string install, log, journal; // journal: the dialog library's calls
    std::deque<int> answers;           // controls to click in the dialogs as they open; 0: Escape
    std::vector<std::string> seen;     // each dialog's template id, or a message box's text
};

} // namespace tessaly::testing
