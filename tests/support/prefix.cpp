#include "support/prefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;

namespace tessaly::testing {

TempPrefix::TempPrefix() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("cannot create a temporary prefix");
    root_ = made;
    fs::create_directories(scratch());
    if (const char* old = std::getenv("TESSALY_PREFIX")) {
        previous_ = old;
        hadPrevious_ = true;
    }
    setenv("TESSALY_PREFIX", root_.c_str(), 1);
}

TempPrefix::~TempPrefix() {
    if (hadPrevious_)
        setenv("TESSALY_PREFIX", previous_.c_str(), 1);
    else
        unsetenv("TESSALY_PREFIX");
    std::error_code ec;
    // Read-only files and folders made by tests must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

std::string PrefixTest::MakeScript(const std::string& name, const std::string& body) {
    return WriteScript(prefix_.scratch() + "/" + name, body);
}

void DrivePrefixTest::SetUp() {
    platform::EnsurePrefix();
    c = prefix_.root() + "/drive_c";
}

std::string WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WindowsPath(const std::string& posix) {
    std::string path = "Z:" + posix;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

} // namespace tessaly::testing
