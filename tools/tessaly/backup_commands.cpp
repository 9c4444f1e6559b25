// tessaly zip, unzip, scramble and backup: the backup services at the shell, and the backup
// part of tessaly demo. Paths may be given as the shell knows them or as Windows paths.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/backup.h>
#include <tessaly/foundation.h>

#include "commands.h"
#include "platform/prefix.h"
#include "shell.h"
#include "zip_engine.h"

namespace fs = std::filesystem;
namespace pf = tessaly::platform;

namespace tessaly::cli {

namespace {

// A Windows path (drive letter or backslash first) as given; a path of the shell made
// absolute and named the Windows way (Z:\...), in the ANSI code page.
std::string windowsPath(const std::string& command, const std::string& path) {
    const bool windows =
        (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) ||
        (!path.empty() && path[0] == '\\');
    if (windows) return ToAnsi(command, path);
    const std::string absolute = fs::absolute(path).lexically_normal().string();
    ToAnsi(command, absolute); // refuses what the code page cannot hold
    return pf::ToWindowsPath(absolute);
}

// A progress bar on a terminal, nothing otherwise.
zipengine::ProgressFn progressBar() {
    if (!::isatty(STDERR_FILENO)) return nullptr;
    return [last = -1](const std::string& item, int percent) mutable {
        if (percent == last && percent != 100) return true;
        last = percent;
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        std::string shown = FromAnsi(item);
        if (shown.size() > 40) shown = "..." + shown.substr(shown.size() - 37);
        std::fprintf(stderr, "\r[%s%s] %3d%% %-40s", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, ' ').c_str(), percent, shown.c_str());
        if (percent >= 100) std::fprintf(stderr, "\n");
        std::fflush(stderr);
        return true;
    };
}

void finish(const std::string& command, const zipengine::Result& result,
            const zipengine::ProgressFn& bar) {
    if (bar && result.code != zipengine::kOk) std::fprintf(stderr, "\n");
    if (result.code != zipengine::kOk) Fail(command, result.reason);
}

std::vector<unsigned char> hexKey(const std::string& text) {
    std::vector<unsigned char> key;
    if (text.empty() || text.size() % 2)
        Fail("scramble", "the key must be an even number of hex digits");
    for (size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
            Fail("scramble", "not a hex digit in the key: " + pair);
        key.push_back(static_cast<unsigned char>(std::stoul(pair, nullptr, 16)));
    }
    return key;
}

// The three generations of a document lie in folders beside it named as the backup
// settings' clear action knows them.
struct Generations {
    CString backup, grandfather, greatGrandfather;
};

Generations generationsOf(const std::string& document) {
    const fs::path doc = pf::ToPosixPath(document);
    Generations g;
    const char* folders[] = {"Backup", "Grandfather_Backup", "Greate_Grandfather_Backup"};
    CString* targets[] = {&g.backup, &g.grandfather, &g.greatGrandfather};
    for (int i = 0; i < 3; ++i) {
        const fs::path folder = doc.parent_path() / folders[i];
        std::error_code ignored;
        fs::create_directories(folder, ignored);
        *targets[i] = pf::ToWindowsPath((folder / doc.filename()).string()).c_str();
    }
    return g;
}

// Backs a document up: the generations, and an ancestor copy when a folder is given; the
// ancestor copy's Windows path, or empty.
std::string backUp(const std::string& command, const std::string& document,
                   const std::string& ancestors) {
    const std::string posix = pf::ToPosixPath(document);
    std::error_code error;
    if (posix.empty() || !fs::is_regular_file(posix, error))
        Fail(command, "no such document: " + FromAnsi(document));
    const Generations g = generationsOf(document);
    BackupFiles(document.c_str(), g.backup, g.grandfather, g.greatGrandfather, 1);
    if (fs::file_size(pf::ToPosixPath(g.backup.GetString()), error) != fs::file_size(posix, error))
        Fail(command, "cannot write the backup " + FromAnsi(g.backup.GetString()));
    if (ancestors.empty()) return {};
    const CString name = GetAncestorFileName(document.c_str());
    BackupAncestorFiles(document.c_str(), ancestors.c_str(), 1);
    const std::string copy = RemoveDirectorySlashTail(ancestors.c_str()).str() + "\\" + name.str();
    if (!fs::exists(pf::ToPosixPath(copy), error))
        Fail(command, "cannot make the ancestor copy in " + FromAnsi(ancestors));
    return copy;
}

} // namespace

void addBackupCommands(CLI::App& app) {
    static std::string archive, destination, password, input, output, keyHex, document, ancestors;
    static std::vector<std::string> items;
    static int level = 6;

    auto* zip = app.add_subcommand("zip", "Pack files and folders into a zip archive");
    zip->add_option("ARCHIVE", archive, "the archive (made, or added to)")->required();
    zip->add_option("ITEMS", items, "files, folders or patterns such as *.txt")->required();
    zip->add_option("--password", password, "encrypt with traditional zip encryption");
    zip->add_option("--level", level, "deflate level 0-9")->check(CLI::Range(0, 9));
    zip->callback([] {
        zipengine::ZipOptions options;
        options.archive = windowsPath("zip", archive);
        for (const std::string& item : items)
            options.items += (options.items.empty() ? "" : "|") + windowsPath("zip", item);
        options.password = ToAnsi("zip", password);
        options.level = level;
        const zipengine::ProgressFn bar = progressBar();
        const zipengine::Result result = zipengine::Zip(options, bar);
        finish("zip", result, bar);
    });

    auto* unzip = app.add_subcommand("unzip", "Unpack every entry of a zip archive safely");
    unzip->add_option("ARCHIVE", archive, "the archive")->required();
    unzip->add_option("DEST", destination, "the folder to unpack into (made when missing)")
        ->required();
    unzip->add_option("--password", password, "the archive's password");
    unzip->callback([] {
        zipengine::UnzipOptions options;
        options.archive = windowsPath("unzip", archive);
        options.destination = windowsPath("unzip", destination);
        options.password = ToAnsi("unzip", password);
        const zipengine::ProgressFn bar = progressBar();
        const zipengine::Result result = zipengine::Unzip(options, bar);
        finish("unzip", result, bar);
    });

    auto* scramble =
        app.add_subcommand("scramble", "Scramble or unscramble a file with a repeating key");
    scramble->add_option("IN", input, "the file to read")->required();
    scramble->add_option("OUT", output, "the file to write (may be IN)")->required();
    scramble->add_option("--key", keyHex, "the key in hex digits (default: the library's own)");
    scramble->callback([] {
        std::vector<unsigned char> key;
        if (!keyHex.empty()) key = hexKey(keyHex);
        const std::string from = windowsPath("scramble", input);
        std::string to = windowsPath("scramble", output);
        if (!EnDecryptDataFile(from.c_str(), to.data(), key.empty() ? nullptr : key.data(),
                               static_cast<int>(key.size())))
            Fail("scramble", "cannot scramble " + input + " into " + output);
    });

    auto* backup = app.add_subcommand("backup", "Rotate a document's backup generations");
    backup->add_option("DOCUMENT", document, "the document")->required();
    backup->add_option("--ancestors", ancestors, "also put a dated copy into this folder");
    backup->callback([] {
        const std::string folder =
            ancestors.empty() ? std::string() : windowsPath("backup", ancestors);
        const std::string copy = backUp("backup", windowsPath("backup", document), folder);
        if (!copy.empty()) std::printf("%s\n", FromAnsi(copy).c_str());
    });
}

int RunBackupTour() {
    std::printf("\n== Backups, scrambling and zip archives\n");
    auto show = [](const char* what, const std::string& value) {
        std::printf("  %s %s\n", PadToWidth(what, kTourColumn).c_str(), FromAnsi(value).c_str());
    };
    const std::string docs = pf::ToPosixPath("C:\\Tour\\Backups");
    fs::create_directories(docs);
    {
        std::FILE* file = std::fopen((docs + "/Letter.rtf").c_str(), "wb");
        if (!file) return kFailed;
        std::fputs("{\\rtf1 Dear reader, this letter is backed up, scrambled and zipped.}\n", file);
        std::fclose(file);
    }
    const std::string copy =
        backUp("demo", "C:\\Tour\\Backups\\Letter.rtf", "C:\\Tour\\Ancestors Backups");
    show("BackupFiles -> Backup\\Letter.rtf",
         generationsOf("C:\\Tour\\Backups\\Letter.rtf").backup.str());
    show("BackupAncestorFiles", copy);
    char out[] = "C:\\Tour\\Backups\\Letter.scrambled";
    show("EnDecryptDataFile (default key)",
         EnDecryptDataFile("C:\\Tour\\Backups\\Letter.rtf", out, nullptr, 0) ? out : "failed");
    zipengine::ZipOptions options;
    options.archive = "C:\\Tour\\Letter.zip";
    options.items = "C:\\Tour\\Backups\\Letter.rtf|C:\\Tour\\Backups\\Letter.scrambled";
    options.password = "tour";
    const zipengine::Result packed = zipengine::Zip(options);
    show("zip with a password (entries)",
         packed.code ? packed.reason : std::to_string(packed.entries));
    zipengine::UnzipOptions unpack;
    unpack.archive = options.archive;
    unpack.destination = "C:\\Tour\\Unpacked";
    unpack.password = "wrong";
    show("unzip with a wrong password (error code)", std::to_string(zipengine::Unzip(unpack).code));
    unpack.password = "tour";
    const zipengine::Result unpacked = zipengine::Unzip(unpack);
    show("unzip with the password (entries)",
         unpacked.code ? unpacked.reason : std::to_string(unpacked.entries));
    return packed.code == 0 && unpacked.code == 0 ? 0 : kFailed;
}

} // namespace tessaly::cli
