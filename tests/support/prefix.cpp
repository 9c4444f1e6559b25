#include "support/prefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;

namespace tessaly::testing {

namespace {

// A fresh folder with its scratch folder.
std::string makeRoot() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary prefix");
    fs::create_directories(pattern + "/scratch");
    return pattern;
}

} // namespace

TempPrefix::TempPrefix() : root_(makeRoot()), env_("TESSALY_PREFIX", root_) {}

TempPrefix::~TempPrefix() {
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
