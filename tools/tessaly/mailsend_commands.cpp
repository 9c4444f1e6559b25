// tessaly mail send, tessaly scan and tessaly antivirus register: handing a message to the
// desktop's mail program, scanning a file with the registered scanner, and registering the
// machine's ClamAV in the prefix. Arguments and output are UTF-8.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>
#include <tessaly/simple_mapi.h>

#include <QCryptographicHash>

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace fs = std::filesystem;
namespace pf = tessaly::platform;

constexpr const char* kScannerFolder = "C:\\Program Files\\ClamWin\\bin";
constexpr const char* kSignatures = "/var/lib/clamav";

bool isWindowsPath(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':' &&
            std::isalpha(static_cast<unsigned char>(path[0]))) ||
           (!path.empty() && path[0] == '\\');
}

// A path as the library takes it: Windows paths as given, POSIX ones through drive Z:.
std::string windowsPath(const std::string& command, const std::string& path) {
    if (isWindowsPath(path)) return ToAnsi(command, path);
    const std::string absolute = fs::absolute(path).lexically_normal().string();
    ToAnsi(command, absolute);
    return pf::ToWindowsPath(absolute);
}

// FILE:NAME, split at the last colon that is no drive letter's; NAME defaults to the file's.
void splitAttachment(const std::string& pair, std::string& file, std::string& name) {
    const size_t colon = pair.rfind(':');
    if (colon == std::string::npos || colon < 2) {
        file = pair;
        name.clear();
    } else {
        file = pair.substr(0, colon);
        name = pair.substr(colon + 1);
    }
    if (name.empty())
        name = fs::path(isWindowsPath(file) ? file.substr(file.rfind('\\') + 1) : file)
                   .filename()
                   .string();
}

// Attachments go through the Simple MAPI module itself, which takes files with the message.
int sendWithFiles(std::string& to, std::string& subject, std::string& body,
                  const std::vector<std::string>& attachments) {
    HMODULE module = pf::LoadLibraryA("mapi32.dll");
    if (!module) Fail("mail", "no mapi32.dll on the module path");
    auto send = reinterpret_cast<LPMAPISENDMAIL>(pf::GetProcAddress(module, "MAPISendMail"));
    if (!send) Fail("mail", "mapi32.dll has no MAPISendMail");
    std::vector<std::string> paths, names;
    for (const std::string& pair : attachments) {
        std::string file, name;
        splitAttachment(pair, file, name);
        paths.push_back(windowsPath("mail", file));
        names.push_back(ToAnsi("mail", name));
    }
    std::vector<MapiFileDesc> files(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        files[i].nPosition = static_cast<ULONG>(-1);
        files[i].lpszPathName = paths[i].data();
        files[i].lpszFileName = names[i].data();
    }
    MapiRecipDesc recipient{};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = to.data();
    MapiMessage message{};
    message.lpszSubject = subject.data();
    message.lpszNoteText = body.data();
    message.nRecipCount = to.empty() ? 0 : 1;
    message.lpRecips = &recipient;
    message.nFileCount = static_cast<ULONG>(files.size());
    message.lpFiles = files.data();
    const ULONG result = send(0, 0, &message, MAPI_DIALOG, 0);
    pf::FreeLibrary(module);
    if (result == MAPI_E_ATTACHMENT_NOT_FOUND) Fail("mail", "an attachment is not a readable file");
    return result == SUCCESS_SUCCESS;
}

// The scanner program beside this one.
std::string scannerProgram() {
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    return (fs::path(std::string(self, length)).parent_path() / "tessaly-clamscan").string();
}

void registerScanner() {
    const std::string program = scannerProgram();
    if (program.empty() || access(program.c_str(), X_OK) != 0)
        Fail("antivirus", "the scanner program tessaly-clamscan is not beside tessaly");
    if (access("/usr/bin/clamscan", X_OK) != 0 && access("/bin/clamscan", X_OK) != 0)
        Fail("antivirus", "the machine has no clamscan (install clamav)");
    pf::EnsurePrefix();
    const std::string folder = pf::ToPosixPath(kScannerFolder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::create_directories(folder + "/../log", ec);
    const std::string link = folder + "/clamscan.exe";
    fs::remove(link, ec);
    fs::create_symlink(program, link, ec);
    if (ec) Fail("antivirus", "cannot link " + link + ": " + ec.message());
    const std::string conf = std::string(kScannerFolder) + "\\ClamWin.conf";
    const std::string logs = "C:\\Program Files\\ClamWin\\log\\";
    const bool written =
        pf::WritePrivateProfileStringA("ClamAV", "database", pf::ToWindowsPath(kSignatures).c_str(),
                                       conf.c_str()) &&
        pf::WritePrivateProfileStringA("ClamAV", "logfile", (logs + "ClamScanLog.txt").c_str(),
                                       conf.c_str()) &&
        pf::WritePrivateProfileStringA("Updates", "dbupdatelogfile",
                                       (logs + "ClamUpdateLog.txt").c_str(), conf.c_str());
    if (!written) Fail("antivirus", "cannot write " + conf);
    if (SetRegString("SOFTWARE\\ClamWin", "Path", kScannerFolder, 1) == 0)
        Fail("antivirus", "cannot write the registry value HKLM\\SOFTWARE\\ClamWin Path");
    std::printf("%s\n", kScannerFolder);
}

// One line of the demo's scan: the label padded to the tour's column, then the value.
void tourLine(const std::string& what, const std::string& value) {
    std::printf("  %s %s\n", PadToWidth(what, kTourColumn).c_str(), value.c_str());
}

} // namespace

int RunScanTour() {
    const fs::path root = fs::path(pf::EnsurePrefix()) / "drive_c" / "Tour" / "Scan";
    std::error_code ec;
    fs::create_directories(root / "db", ec);
    const std::string program = scannerProgram();
    fs::remove(root / "clamscan.exe", ec);
    fs::create_symlink(program, root / "clamscan.exe", ec);
    // A one-signature database: the MD5 hash and size of the tour's "infected" file.
    const QByteArray infected = "This file stands for an infected attachment.\n";
    std::ofstream(root / "infected.txt", std::ios::binary).write(infected.data(), infected.size());
    std::ofstream(root / "clean.txt") << "Dear Anna,\n";
    std::ofstream(root / "db" / "tour.hdb")
        << QCryptographicHash::hash(infected, QCryptographicHash::Md5).toHex().toStdString() << ":"
        << infected.size() << ":Tessaly.Tour.Signature\n";
    int failures = 0;
    for (const auto& [name, expected] :
         {std::pair{"infected.txt", 1u}, std::pair{"clean.txt", 0u}}) {
        CString report;
        const DWORD code = GetVirusDetail("C:\\Tour\\Scan\\clamscan.exe", "C:\\Tour\\Scan\\db",
                                          ("C:\\Tour\\Scan\\" + std::string(name)).c_str(), report);
        // The report names the file and, after its last ": ", the signature found.
        std::string finding = FromAnsi(report.GetString());
        const size_t found = finding.find(" FOUND");
        finding = found == std::string::npos ? std::string() : finding.substr(0, found);
        if (const size_t colon = finding.rfind(": "); colon != std::string::npos)
            finding = ", " + finding.substr(colon + 2) + " found";
        tourLine("GetVirusDetail(" + std::string(name) + ")", std::to_string(code) + finding);
        failures += code != expected;
    }
    return failures;
}

void addMailSendCommands(CLI::App& app) {
    static std::string to, subject, body, file, database;
    static std::vector<std::string> attachments;
    CLI::App* mail = app.get_subcommand("mail");
    auto* send = mail->add_subcommand("send", "Hand a message to the desktop's mail program");
    send->add_option("--to", to, "Recipient");
    send->add_option("--subject", subject, "Subject");
    send->add_option("--body", body, "Message text");
    send->add_option("--attach", attachments, "FILE:NAME of an attachment (repeatable)");
    send->callback([] {
        std::string recipient = ToAnsi("mail", to), title = ToAnsi("mail", subject),
                    text = ToAnsi("mail", body);
        const int handed = attachments.empty()
                               ? SendMail(nullptr, recipient.data(), title.data(), text.data())
                               : sendWithFiles(recipient, title, text, attachments);
        if (!handed) Fail("mail", "the mail program did not take the message");
    });

    auto* scan = app.add_subcommand("scan", "Scan a file with the registered virus scanner");
    scan->add_option("file", file, "The file to scan")->required();
    scan->add_option("--database", database, "Signature folder (default: the configured one)");
    scan->callback([] {
        CString scanner, signatures;
        if (!CheckAntiVirusConfigure(scanner, signatures, 0))
            Fail("scan", "no scanner is registered (tessaly antivirus register)");
        if (!database.empty()) signatures = windowsPath("scan", database).c_str();
        CString report;
        const DWORD code =
            GetVirusDetail(scanner, signatures, windowsPath("scan", file).c_str(), report);
        if (code == 1) {
            std::fputs(FromAnsi(report.GetString()).c_str(), stdout);
            std::exit(1);
        }
        if (code != 0) Fail("scan", "the scanner failed with exit code " + std::to_string(code), 2);
        std::printf("%s: clean\n", file.c_str());
    });

    auto* antivirus = app.add_subcommand("antivirus", "The virus scanner of the prefix");
    antivirus->require_subcommand(1);
    antivirus->add_subcommand("register", "Register the machine's ClamAV in the prefix")
        ->callback(registerScanner);
}

} // namespace tessaly::cli
