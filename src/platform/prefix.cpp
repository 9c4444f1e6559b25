// The prefix folder and its layout.
#include "platform/prefix.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

namespace fs = std::filesystem;

namespace tessaly::platform {

std::string PrefixRoot() {
    if (const char* env = std::getenv("TESSALY_PREFIX"); env && *env) return env;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        struct passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.tessaly";
}

std::string PrefixUserName() {
    if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "user";
}

std::string EnsurePrefix() {
    static std::mutex mutex;
    static std::set<std::string> ready;
    std::string root = PrefixRoot();
    std::lock_guard lock(mutex);
    if (ready.count(root) && fs::exists(root + "/dosdevices")) return root;

    std::error_code ec;
    fs::path base(root);
    fs::create_directories(base / "dosdevices", ec);
    fs::path user = base / "drive_c" / "users" / PrefixUserName();
    for (const char* folder : {"Application Data", "My Documents", "Temp"})
        fs::create_directories(user / folder, ec);
    fs::create_directories(base / "drive_c" / "windows" / "system32", ec);
    fs::create_directories(base / "drive_c" / "Program Files", ec);
    if (!fs::exists(base / "dosdevices" / "c:", ec) && !fs::is_symlink(base / "dosdevices" / "c:"))
        fs::create_directory_symlink("../drive_c", base / "dosdevices" / "c:", ec);
    if (!fs::exists(base / "dosdevices" / "z:", ec) && !fs::is_symlink(base / "dosdevices" / "z:"))
        fs::create_directory_symlink("/", base / "dosdevices" / "z:", ec);
    fs::path winIni = base / "drive_c" / "windows" / "win.ini";
    if (!fs::exists(winIni, ec)) std::ofstream(winIni) << "[windows]\r\n";
    ready.insert(root);
    return root;
}

} // namespace tessaly::platform
