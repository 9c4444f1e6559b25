// tessaly open, tessaly assoc, tessaly companion: opening documents, the file associations
// of the prefix and the desktop's programs, and the companion programs at the shell; and the
// demo's walk through an association.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "platform/prefix.h"
#include "platform/process.h"
#include "platform/shell_open.h"
#include "shell.h"

namespace fs = std::filesystem;
namespace platform = tessaly::platform;

namespace tessaly::cli {

namespace {

const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
const char kStore[] = "software\\varnholt\\Tessaly\\association\\";

// One value: at the shell after a column of labels, in the demo indented like its tour.
bool inTour = false;
void line(const std::string& what, const CString& value) {
    std::printf("%s%s %s\n", inTour ? "  " : "",
                PadToWidth(what, inTour ? kTourColumn : 22).c_str(),
                value.IsEmpty() ? "(none)" : FromAnsi(value.str()).c_str());
}

// The program of that name on PATH, or empty.
std::string onPath(const std::string& name) {
    const std::string found = platform::ResolveProgram(name);
    return found.find('/') == std::string::npos ? std::string() : found;
}

// The launcher beside this program, linked into the prefix under a machine program's name;
// returns the link's Windows path.
std::string linkInPrefix(const std::string& name) {
    const fs::path launcher = fs::read_symlink("/proc/self/exe").parent_path() / "tessaly-launcher";
    if (!fs::exists(launcher)) Fail("assoc register-desktop", "no tessaly-launcher beside tessaly");
    const fs::path folder =
        fs::path(platform::EnsurePrefix()) / "drive_c" / "Program Files" / "Desktop";
    fs::create_directories(folder);
    std::error_code ignored;
    fs::remove(folder / name, ignored);
    fs::create_symlink(launcher, folder / name);
    return "C:\\Program Files\\Desktop\\" + name;
}

void setText(HKEY root, const std::string& key, const char* value, const std::string& text) {
    if (SetStringRegistry(root, key.c_str(), value, REG_SZ, CString(text)) != 0)
        Fail("assoc register-desktop", "cannot write " + key);
}

int registerDesktop() {
    int registered = 0;
    if (!onPath("soffice").empty()) {
        const std::string soffice = linkInPrefix("soffice");
        for (const char* kind : {"Writer", "Calc", "Impress", "Draw"}) {
            const std::string cls = std::string("soffice.Star") + kind + "Document";
            setText(HKEY_CLASSES_ROOT, cls + "\\CurVer", "", cls + ".6");
            setText(HKEY_CLASSES_ROOT, cls + ".6\\shell\\open\\command", "",
                    "\"" + soffice + "\" -o \"%1\"");
            std::printf("%s.6 opens with soffice\n", cls.c_str());
            ++registered;
        }
    }
    // A PDF viewer: the desktop's choice for PDF files, through its opener.
    std::string viewer;
    if (!onPath("xdg-mime").empty()) {
        const fs::path probe = fs::temp_directory_path() / "tessaly-probe.pdf";
        std::ofstream(probe) << "%PDF-1.4\n";
        viewer = platform::DesktopDefaultFor(probe.string());
        fs::remove(probe);
    }
    if (!viewer.empty() && !onPath("xdg-open").empty()) {
        // Named with ".exe" (which stands for the link), as the reader's command is cut after it.
        setText(HKEY_CLASSES_ROOT, "AcroExch.Document\\Shell\\open\\command", "",
                "\"" + linkInPrefix("xdg-open") + ".exe\" \"%1\"");
        std::printf("AcroExch.Document opens with the desktop's %s\n", viewer.c_str());
        ++registered;
    }
    // The Java runtime, for the Java mail proxy.
    if (!onPath("java").empty()) {
        linkInPrefix("javaw");
        const char* java = "Software\\JavaSoft\\Java Runtime Environment";
        setText(HKEY_LOCAL_MACHINE, java, "CurrentVersion", "1.8");
        setText(HKEY_LOCAL_MACHINE, std::string(java) + "\\1.8", "JavaHome",
                "C:\\Program Files\\Desktop\\..");
        fs::create_directories(fs::path(platform::EnsurePrefix()) / "drive_c" / "Program Files" /
                               "bin");
        std::error_code ignored;
        const fs::path bin =
            fs::path(platform::EnsurePrefix()) / "drive_c" / "Program Files" / "bin" / "javaw";
        fs::remove(bin, ignored);
        fs::create_symlink("../Desktop/javaw", bin);
        std::printf("the Java runtime is the machine's java\n");
        ++registered;
    }
    if (!registered) std::printf("nothing to register: no soffice, desktop PDF viewer or java\n");
    return 0;
}

void showAssociation(const std::string& extension) {
    const CString ext = ToAnsi("assoc show", extension).c_str();
    const CString cls = GetStringRegistry(HKEY_CLASSES_ROOT, ext, "");
    line("extension", ext);
    line("class", cls);
    for (const char* value : {"Application", "progid", "Progid"}) {
        const CString chosen =
            GetStringRegistry(HKEY_CURRENT_USER, CString(kExplorer) + ext, value);
        if (!chosen.IsEmpty()) line(std::string("per-user ") + value, chosen);
    }
    line("opens with", platform::AssociatedCommand("DOCUMENT" + ext.str(), "open", "").c_str());
    line("before the suite", GetStringRegistry(HKEY_LOCAL_MACHINE, CString(kStore) + ext, ""));
}

// Runs the two association dialogs, answering them when yes: every type, the choice, OK.
int associations(bool toSuite, bool yes) {
    StartApplication("assoc", !yes);
    if (yes)
        automation::SetDialogHandler([toSuite](automation::Dialog& dialog) {
            if (dialog.TemplateId() == 157) {
                for (int box : {1069, 1070, 1071, 1072, 1075, 1017})
                    dialog.SetCheck(box, 1);
                dialog.Click(toSuite ? 1074 : 1073);
            }
            dialog.Click(IDOK);
        });
    const int result = RestoreFileAssociation();
    std::printf("%d\n", result);
    return result == IDOK ? 0 : kFailed;
}

} // namespace

// The demo: a recording program owns ".tour" documents in the prefix; a document opens with it.
int RunLaunchTour() {
    inTour = true;
    const fs::path root = fs::path(platform::EnsurePrefix()) / "drive_c" / "Tour";
    fs::create_directories(root);
    const fs::path recorder = root / "recorder", record = root / "opened.txt";
    fs::remove(record);
    std::ofstream(recorder) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                            << record.string() << ".part' && mv '" << record.string() << ".part' '"
                            << record.string() << "'\n";
    fs::permissions(recorder, fs::perms::owner_all, fs::perm_options::add);
    std::ofstream(root / "Letter to Anna.tour") << "Dear Anna,\n";
    SetStringRegistry(HKEY_CLASSES_ROOT, ".tour", "", REG_SZ, "Tessaly.TourDocument");
    SetStringRegistry(HKEY_CLASSES_ROOT, "Tessaly.TourDocument\\shell\\open\\command", "", REG_SZ,
                      "\"C:\\Tour\\recorder\" \"%1\"");
    showAssociation(".tour");
    const int result = OpenFile("C:\\Tour\\Letter to Anna.tour", 0);
    line("OpenFile result", std::to_string(result).c_str());
    for (int i = 0; i < 100 && !fs::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(record);
    std::string argument;
    std::getline(in, argument);
    line("the program got", argument.c_str());
    return result > 32 && argument == "C:\\Tour\\Letter to Anna.tour" ? 0 : 1;
}

void addLaunchCommands(CLI::App& app) {
    auto* open = app.add_subcommand("open", "Open a document with the program that owns its type");
    static std::string document;
    static bool viaOpener = false;
    open->add_option("DOCUMENT", document, "the document (Windows or POSIX path)")->required();
    open->add_flag("--opener", viaOpener, "through the suite's opener program");
    open->callback([] {
        const int result = OpenFile(ToAnsi("open", document).c_str(), viaOpener ? 1 : 0);
        if (result <= 32)
            Fail("open",
                 "cannot open " + document + " (shell code " + std::to_string(result) + ")");
    });

    auto* assoc = app.add_subcommand("assoc", "The file associations of the prefix");
    assoc->require_subcommand(1);
    auto* show = assoc->add_subcommand("show", "Show which program opens documents of a type");
    static std::string extension;
    show->add_option("EXT", extension, "the extension, as .rtf")->required();
    show->callback([] { showAssociation(extension[0] == '.' ? extension : "." + extension); });
    static bool yes = false;
    for (const char* name : {"take-over", "restore"}) {
        auto* procedure =
            assoc->add_subcommand(name, std::string(name) == "restore"
                                            ? "Restore the associations kept from before the suite"
                                            : "Give the office file types to the suite");
        procedure->add_flag("--yes", yes, "answer the dialogs: every type, then OK");
        procedure->callback([name] {
            if (int status = associations(std::string(name) == "take-over", yes)) std::exit(status);
        });
    }
    assoc
        ->add_subcommand("register-desktop",
                         "Register the machine's office suite, PDF viewer and Java in the prefix")
        ->callback([] { registerDesktop(); });

    auto* companion = app.add_subcommand("companion", "The companion programs");
    companion->require_subcommand(1);
    auto* start = companion->add_subcommand("start", "Start an installed companion program");
    static std::string key;
    static std::vector<std::string> parameters;
    start->add_option("NAME", key, "the program's key, as gimp")->required();
    start->add_option("ARGS", parameters, "its parameters");
    static bool install = false;
    start->add_flag("--install", install,
                    "when it is not installed, answer the offer with OK (without a display the "
                    "offer is otherwise declined)");
    start->callback([] {
        StartApplication("companion start", false);
        if (install || Offscreen())
            automation::SetDialogHandler([](automation::Dialog& dialog) {
                dialog.Click(install ? 1785 : 1786); // the message's OK or Cancel
            });
        std::string joined;
        for (const std::string& p : parameters)
            joined += (joined.empty() ? "" : " ") + p;
        const int result = StartOpenSourceProgram(ToAnsi("companion start", key).c_str(),
                                                  ToAnsi("companion start", joined).c_str());
        if (result != 2)
            Fail("companion start", key + (result ? ": not installed; its installer was started"
                                                  : ": not installed; not started"));
    });
}

} // namespace tessaly::cli
