// tessaly path ... and tessaly file ...: path translation, the path splitters and the
// file services at the shell. Arguments and output are UTF-8; the library speaks the
// ANSI code page, so text is converted at this boundary.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "commands.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/wintime.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace pf = tessaly::platform;

// Arguments of tessaly path and tessaly file for the library, refused when the code page
// cannot hold them.
CString Ansi(const std::string& utf8) {
    return CString(ToAnsi("file", utf8));
}
CString PathAnsi(const std::string& utf8) {
    return CString(ToAnsi("path", utf8));
}
std::string Utf8(const CString& ansi) {
    return FromAnsi(ansi.str());
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
}

std::string ErrorText(DWORD code) {
    std::string text = pf::SystemErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(code)
                        : text + " (" + std::to_string(code) + ")";
}

std::string AttributeLetters(DWORD attributes) {
    std::string letters;
    letters += (attributes & pf::FILE_ATTRIBUTE_READONLY) ? 'R' : '-';
    letters += (attributes & pf::FILE_ATTRIBUTE_HIDDEN) ? 'H' : '-';
    letters += (attributes & pf::FILE_ATTRIBUTE_SYSTEM) ? 'S' : '-';
    letters += (attributes & pf::FILE_ATTRIBUTE_ARCHIVE) ? 'A' : '-';
    letters += (attributes & pf::FILE_ATTRIBUTE_DIRECTORY) ? 'D' : '-';
    letters += (attributes & pf::FILE_ATTRIBUTE_REPARSE_POINT) ? 'L' : '-';
    return letters;
}

const char* DriveTypeName(UINT type) {
    switch (type) {
    case pf::DRIVE_REMOVABLE:
        return "removable";
    case pf::DRIVE_FIXED:
        return "fixed";
    case pf::DRIVE_REMOTE:
        return "network";
    case pf::DRIVE_CDROM:
        return "cdrom";
    case pf::DRIVE_RAMDISK:
        return "ramdisk";
    case pf::DRIVE_NO_ROOT_DIR:
        return "not mapped";
    default:
        return "unknown";
    }
}

// Whether the file's extension is one of the asked ones, case ignored as the service does.
bool HasExtension(const CString& path, const std::vector<std::string>& extensions) {
    const std::string text = path.str();
    const size_t slash = text.find_last_of("\\/");
    const size_t dot = text.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const CString ext(text.substr(dot + 1));
    for (const std::string& wanted : extensions)
        if (ext.CompareNoCase(Ansi(wanted)) == 0) return true;
    return false;
}

// A file time as the local "YYYY-MM-DD HH:MM:SS".
std::string LocalTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t;
    if (!pf::FileTimeToLocalFileTime(&utc, &local) || !pf::FileTimeToSystemTime(&local, &t))
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

void AddPathCommands(CLI::App& app) {
    CLI::App* path = app.add_subcommand("path", "Windows and POSIX paths");
    path->require_subcommand(1);

    auto posix = std::make_shared<std::string>();
    CLI::App* toPosix = path->add_subcommand("posix", "the POSIX path of a Windows path");
    toPosix->add_option("WINPATH", *posix, "Windows path (C:\\..., Z:\\..., relative)")->required();
    toPosix->callback([posix] {
        pf::EnsurePrefix();
        std::string result = pf::ToPosixPath(PathAnsi(*posix).str());
        if (result.empty()) Fail("path", *posix + ": " + ErrorText(pf::GetLastError()));
        Print(result);
    });

    auto windows = std::make_shared<std::string>();
    CLI::App* toWindows = path->add_subcommand("windows", "the Windows path of a POSIX path");
    toWindows->add_option("POSIXPATH", *windows, "POSIX path")->required();
    toWindows->callback([windows] {
        pf::EnsurePrefix();
        std::string result = pf::ToWindowsPath(*windows);
        if (result.empty()) Fail("path", *windows + ": " + ErrorText(pf::GetLastError()));
        Print(FromAnsi(result));
    });

    auto split = std::make_shared<std::string>();
    CLI::App* splitCommand = path->add_subcommand("split", "what each path splitter gives");
    splitCommand->add_option("PATH", *split, "Windows path")->required();
    splitCommand->callback([split] {
        CString text = PathAnsi(*split);
        const std::pair<const char*, CString> rows[] = {
            {"GetFileNameEx", GetFileNameEx(text)},
            {"GetFileNameTitle", GetFileNameTitle(text)},
            {"GetFileName", GetFileName(text)},
            {"GetFileExtName", GetFileExtName(text)},
            {"GetFileNameExt", GetFileNameExt(text)},
            {"GetFileDirectory", GetFileDirectory(text)},
            {"GetFileDirOnly", GetFileDirOnly(text)},
            {"GetFolderName", GetFolderName(text)},
            {"RemoveDirectorySlashTail", RemoveDirectorySlashTail(text)},
        };
        for (const auto& [name, value] : rows)
            std::printf("%-25s %s\n", name, Utf8(value).c_str());
    });
}

void AddFileCommands(CLI::App& app) {
    CLI::App* file = app.add_subcommand("file", "files and folders through the library");
    file->require_subcommand(1);

    struct ListOptions {
        std::string folder;
        std::vector<std::string> extensions;
        bool recurse = false;
    };
    auto list = std::make_shared<ListOptions>();
    CLI::App* listCommand = file->add_subcommand("list", "the files of a folder");
    listCommand->add_option("FOLDER", list->folder, "Windows path of the folder")->required();
    listCommand
        ->add_option("--ext", list->extensions,
                     "extensions to keep (case ignored), in subfolders too")
        ->allow_extra_args(false);
    listCommand->add_flag("--recurse", list->recurse, "descend into subfolders");
    listCommand->callback([list] {
        CStringArray files;
        CString folder = Ansi(list->folder);
        DWORD attributes = pf::GetFileAttributesA(folder);
        if (attributes == pf::INVALID_FILE_ATTRIBUTES ||
            !(attributes & pf::FILE_ATTRIBUTE_DIRECTORY))
            Fail("file", list->folder + ": no such folder");
        if (!list->extensions.empty()) {
            std::vector<std::string> ansi;
            for (const std::string& ext : list->extensions)
                ansi.push_back(Ansi(ext).str());
            std::vector<char*> pointers;
            for (std::string& ext : ansi)
                pointers.push_back(ext.data());
            GetDirectoryFiles(folder, files, list->recurse ? 1 : 0, pointers.data(),
                              static_cast<int>(pointers.size()));
        } else if (list->recurse) {
            GetDirectoryFiles(folder, files);
        } else {
            // The files directly inside the folder.
            pf::WIN32_FIND_DATAA data;
            CString base = RemoveDirectorySlashTail(folder);
            HANDLE find = pf::FindFirstFileA(base + "\\*.*", &data);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    if (!(data.dwFileAttributes & pf::FILE_ATTRIBUTE_DIRECTORY))
                        files.Add(base + "\\" + data.cFileName);
                } while (pf::FindNextFileA(find, &data));
                pf::FindClose(find);
            }
        }
        // The service keeps every file of a subfolder; the command keeps the asked ones only.
        for (const CString& path : files)
            if (list->extensions.empty() || HasExtension(path, list->extensions)) Print(Utf8(path));
    });

    auto attribPath = std::make_shared<std::string>();
    CLI::App* attrib = file->add_subcommand(
        "attrib", "attributes, size and times (created, written, accessed; local) of a path");
    attrib->add_option("PATH", *attribPath, "Windows path")->required();
    attrib->callback([attribPath] {
        CString path = Ansi(*attribPath);
        DWORD attributes = pf::GetFileAttributesA(path);
        if (attributes == pf::INVALID_FILE_ATTRIBUTES)
            Fail("file", *attribPath + ": " + ErrorText(pf::GetLastError()));
        std::printf("attributes 0x%08X %s\n", attributes, AttributeLetters(attributes).c_str());
        std::printf("read-only  %d\n", IsReadOnly(path));
        pf::WIN32_FIND_DATAA data;
        HANDLE find = pf::FindFirstFileA(RemoveDirectorySlashTail(path), &data);
        if (find != INVALID_HANDLE_VALUE) {
            pf::FindClose(find);
            if (!(attributes & pf::FILE_ATTRIBUTE_DIRECTORY))
                std::printf("size       %llu\n",
                            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
            std::printf("created    %s\n", LocalTime(data.ftCreationTime).c_str());
            std::printf("written    %s\n", LocalTime(data.ftLastWriteTime).c_str());
            std::printf("accessed   %s\n", LocalTime(data.ftLastAccessTime).c_str());
        }
        std::printf("long name  %s\n", Utf8(GetLongFileName(path)).c_str());
    });

    auto spacePath = std::make_shared<std::string>();
    CLI::App* space = file->add_subcommand("space", "drive type, free and total bytes of a drive");
    space->add_option("PATH", *spacePath, "Windows path on the drive")->required();
    space->callback([spacePath] {
        CString path = Ansi(*spacePath);
        std::printf("drive  %s (%s)\n", Utf8(path.Left(3)).c_str(),
                    DriveTypeName(pf::GetDriveTypeA(path.Left(3))));
        std::printf("free   %lld\n", static_cast<long long>(GetFreeDiskSpace(path)));
        std::printf("total  %lld\n", static_cast<long long>(GetTotalDiskSpace(path)));
    });

    struct TempOptions {
        std::string extension, folder;
    };
    auto temp = std::make_shared<TempOptions>();
    CLI::App* tempCommand =
        file->add_subcommand("temp", "a free temporary name (nothing is created)");
    tempCommand->add_option("--ext", temp->extension, "extension, with or without its dot");
    tempCommand->add_option("--folder", temp->folder, "Windows folder (created when missing)");
    tempCommand->callback([temp] {
        std::string extension = temp->extension;
        if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
        CString name = GetTempPathName(Ansi(extension), Ansi(temp->folder));
        if (name.IsEmpty()) Fail("file", "no temporary name could be made");
        Print(Utf8(name));
    });

    auto mkdirPath = std::make_shared<std::string>();
    CLI::App* mkdir = file->add_subcommand("mkdir", "create a folder with every missing parent");
    mkdir->add_option("PATH", *mkdirPath, "Windows path")->required();
    mkdir->callback([mkdirPath] {
        DWORD error = CreateDir(Ansi(*mkdirPath));
        if (error != 0) Fail("file", *mkdirPath + ": " + ErrorText(error));
    });

    auto clearPath = std::make_shared<std::string>();
    CLI::App* clear = file->add_subcommand("clear", "delete everything inside a folder");
    clear->add_option("FOLDER", *clearPath, "Windows path")->required();
    clear->callback([clearPath] {
        CString folder = Ansi(*clearPath);
        if (pf::GetFileAttributesA(folder) == pf::INVALID_FILE_ATTRIBUTES)
            Fail("file", *clearPath + ": " + ErrorText(pf::GetLastError()));
        ClearSpace(folder);
        // Count what is left so the user sees whether anything was refused.
        int left = 0;
        pf::WIN32_FIND_DATAA data;
        HANDLE find = pf::FindFirstFileA(RemoveDirectorySlashTail(folder) + "\\*", &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = data.cFileName;
                if (name != "." && name != "..") ++left;
            } while (pf::FindNextFileA(find, &data));
            pf::FindClose(find);
        }
        if (left)
            Fail("file",
                 *clearPath + ": " + std::to_string(left) + " entries left (protected or in use)");
    });
}

} // namespace

void addFileCommands(CLI::App& app) {
    AddPathCommands(app);
    AddFileCommands(app);
}

} // namespace tessaly::cli
