// The generation chain of a document's backups and its dated ancestor copies.
#include <langinfo.h>

#include <cstring>
#include <ctime>
#include <string>

#include <tessaly/backup.h>
#include <tessaly/foundation.h>

#include "platform/codepage.h"
#include "platform/files.h"

namespace p = tessaly::platform;

namespace {

// The time stamp of an ancestor name, in the ANSI code page, before the dots go.
std::string timeStamp(const std::tm& local) {
    char buffer[128] = {};
    const std::size_t length =
        std::strftime(buffer, sizeof buffer, "%B %d,%Y %H %M' %S'' %p", &local);
    std::string text(buffer, length);
    // The C library writes month names in its time locale's character set; the interface
    // speaks the ANSI code page.
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && std::strcmp(codeset, "UTF-8") == 0) text = p::Utf8ToAnsi(text);
    return text;
}

} // namespace

int BackupFiles(CString current, CString backup, CString grandfather, CString greatGrandfather,
                int enabled) {
    if (!enabled) return 1;
    // Oldest generation first, so each copy reads the generation before it was replaced.
    p::CopyFileA(grandfather, greatGrandfather, FALSE);
    p::CopyFileA(backup, grandfather, FALSE);
    p::CopyFileA(current, backup, FALSE);
    return 1;
}

CString GetAncestorFileName(CString document) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string stamp = timeStamp(local);
    std::erase(stamp, '.');
    document.Remove('"');
    CString name = GetFileNameEx(document);
    name += " ";
    name += stamp.c_str();
    name += GetFileExtName(document);
    return name;
}

int BackupAncestorFiles(CString document, CString folder, int enabled) {
    if (!enabled) return 1;
    if (CreateDir(folder) != 0) return 1;
    CString target = RemoveDirectorySlashTail(folder) + "\\" + GetAncestorFileName(document);
    document.Remove('"');
    p::CopyFileA(document, target, FALSE);
    return 1;
}
