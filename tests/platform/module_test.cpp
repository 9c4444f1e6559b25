// Loadable modules (search order, errors, handles) and the compiled resources they carry.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/rc_compile.h"
#include "support/registry.h"

namespace fs = std::filesystem;
namespace p = tessaly::platform;
using tessaly::testing::CompileResourceScript;
using tessaly::testing::PrefixTest;
using tessaly::testing::ScopedEnv;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;

namespace {

// A real loadable module to copy under other names: the German language module.
const std::string kModule = TESSALY_BUILD_DIR "/lib/TessalyGe.dll";
const std::string kLibFolder = TESSALY_BUILD_DIR "/lib";

std::string fileOf(HMODULE module) {
    char buffer[2048] = {};
    p::GetModuleFileNameA(module, buffer, sizeof buffer);
    return p::ToPosixPath(buffer);
}

void setInstallDir(const std::string& posixFolder) {
    tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR",
                                 "", WindowsPath(posixFolder));
}

class ModuleSearch : public PrefixTest {
  protected:
    std::string folder(const std::string& name) {
        const std::string path = prefix_.scratch() + "/" + name;
        fs::create_directories(path);
        return path;
    }
    std::string place(const std::string& folderName, const std::string& fileName) {
        const std::string target = folder(folderName) + "/" + fileName;
        fs::copy_file(kModule, target, fs::copy_options::overwrite_existing);
        return target;
    }
};

class Resources : public PrefixTest {};

const char* const kScript = R"(#pragma code_page(65001)
LANGUAGE 9, 1
STRINGTABLE
BEGIN
    0 "zero"
    15 "fifteen"
    16 "Grüße zum Preis von 5 €"
    31 "Ω is not in the code page"
    65535 "last"
END
LANGUAGE 7, 1
STRINGTABLE
BEGIN
    17 "siebzehn"
END
OPTIONSDLG RCDATA { "named", "\0" }
7 RCDATA { "numbered", "\0" }
)";

// A string-table entry in the code page; "<none>", the text left alone, when absent.
std::string loadString(HMODULE module, UINT id) {
    std::string text = "<none>";
    const bool found = p::LoadResourceString(module, id, text);
    return found == (text != "<none>") ? text : "<said found: " + std::to_string(found) + ">";
}

} // namespace

// Where a bare name is found: folders in order (installation folder, then each folder of
// TESSALY_MODULE_PATH), and in each folder "Name.dll" before "libName.so".
TEST_F(ModuleSearch, BareNamesFollowTheFolderOrder) {
    // The files placed (folder/file in the scratch folder), the name asked for; the file loaded.
    const std::tuple<std::vector<const char*>, const char*, const char*> cases[] = {
        {{"one/Probe.dll", "two/Probe.dll"}, "Probe.dll", "one/Probe.dll"},
        {{"install/Probe.dll", "one/Probe.dll"}, "Probe.dll", "install/Probe.dll"},
        {{"one/libProbe.so", "two/Probe.dll"}, "Probe.dll", "one/libProbe.so"},
        {{"one/libProbe.so", "one/Probe.dll"}, "Probe.dll", "one/Probe.dll"},
        {{"two/pROBE.Dll"}, "Probe.dll", "two/pROBE.Dll"},
        {{"two/Probe.dll"}, "Probe", "two/Probe.dll"},
    };
    for (const auto& [files, request, expected] : cases) {
        fs::remove_all(prefix_.scratch());
        setInstallDir(folder("install"));
        ScopedEnv path("TESSALY_MODULE_PATH", folder("one") + ":" + folder("two"));
        for (const std::string file : files)
            place(file.substr(0, file.find('/')), file.substr(file.find('/') + 1));
        HMODULE module = p::LoadLibraryA(request);
        EXPECT_EQ(fileOf(module), fs::canonical(prefix_.scratch() + "/" + expected).string());
        EXPECT_TRUE(p::FreeLibrary(module)) << expected;
    }
}

TEST_F(ModuleSearch, TheLibrarysOwnFolderIsSearchedLast) {
    ScopedEnv path("TESSALY_MODULE_PATH", folder("empty"));
    HMODULE module = p::LoadLibraryA("Morvik.dll");
    EXPECT_EQ(fileOf(module), fs::canonical(kLibFolder + "/libMorvik.so").string());
    EXPECT_EQ(p::FindResourceData(module, p::RT_STRING, 1, nullptr), nullptr); // none at all
    // A copy in a folder of the module path comes first.
    place("empty", "Morvik.dll");
    HMODULE copy = p::LoadLibraryA("Morvik.dll");
    EXPECT_EQ(fileOf(copy), fs::canonical(prefix_.scratch() + "/empty/Morvik.dll").string());
    p::FreeLibrary(copy);
    p::FreeLibrary(module);
}

// A full path is tried as given and with the two names in its folder, nowhere else.
TEST_F(ModuleSearch, FullPathsAndErrors) {
    ScopedEnv path("TESSALY_MODULE_PATH", folder("elsewhere") + ":" + folder("mods"));
    place("elsewhere", "Probe.dll");
    const std::string dir = prefix_.scratch() + "/dir";
    for (auto [file, request] :
         {std::pair{"libProbe.so", "Probe.dll"}, {"probe.dll", "PROBE.DLL"}}) {
        fs::remove_all(dir);
        place("dir", file);
        HMODULE module = p::LoadLibraryA(WindowsPath(dir + "/" + request).c_str());
        ASSERT_NE(module, nullptr) << file;
        EXPECT_EQ(fileOf(module), fs::canonical(dir + "/" + file).string());
        p::FreeLibrary(module);
    }
    fs::remove_all(dir);
    WriteFile(prefix_.scratch() + "/mods/Broken.dll", "MZ this is not a Linux module");
    const std::string missing = WindowsPath(dir + "/Probe.dll");
    const std::pair<const char*, DWORD> cases[] = {
        {missing.c_str(), 126}, {"NoSuchModule.dll", 126}, {"Broken", 193}, {nullptr, 126}};
    for (auto [name, error] : cases) {
        p::SetLastError(0);
        EXPECT_EQ(p::LoadLibraryA(name), nullptr);
        EXPECT_EQ(p::GetLastError(), error) << (name ? name : "(null)");
    }
}

TEST_F(ModuleSearch, EntriesReferencesAndNames) {
    ScopedEnv path("TESSALY_MODULE_PATH", folder("mods"));
    place("mods", "Probe.dll");
    HMODULE first = p::LoadLibraryA("Probe.dll");
    HMODULE second = p::LoadLibraryA("probe");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second) << "the same file is the same module";

    EXPECT_NE(p::GetProcAddress(first, "TessalyResourceData"), nullptr);
    EXPECT_EQ(p::GetProcAddress(first, "NoSuchEntry"), nullptr);

    // GetModuleFileNameA gives the Windows path and its length.
    const std::string expected =
        p::ToWindowsPath(fs::canonical(prefix_.scratch() + "/mods/Probe.dll").string());
    char buffer[2048];
    EXPECT_EQ(p::GetModuleFileNameA(first, buffer, sizeof buffer), expected.size());
    EXPECT_EQ(buffer, expected);
    EXPECT_TRUE(p::FreeLibrary(first));
    EXPECT_TRUE(p::FreeLibrary(second));
    EXPECT_FALSE(p::FreeLibrary(first)); // unloaded now: the handle is stale
}

TEST_F(Resources, FilesFromTheCompiler) {
    static std::string data; // registered modules keep pointing at it
    data = CompileResourceScript(prefix_.scratch(), kScript);
    HMODULE module = p::RegisterResourceModule("Test", data.data(), data.size());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(p::RegisterResourceModule("Test", data.data(), data.size()), module);

    const std::pair<UINT, std::string> cases[] = {
        // the texts in Windows-1252
        {0, "zero"},
        {16, "Gr\374\337e zum Preis von 5 \200"},
        {31, "? is not in the code page"},
        {17, "siebzehn"}, // a block of another language holding the same block number
        {65535, "last"},
        {1, "<none>"},     // empty slot of a present block
        {32, "<none>"},    // absent block
        {65536, "<none>"}, // beyond the identifiers a table can hold
    };
    for (const auto& [id, expected] : cases)
        EXPECT_EQ(loadString(module, id), expected) << id;

    DWORD size = 0;
    const auto* found =
        static_cast<const char*>(p::FindNamedResourceData(module, 10, "optionsDlg", &size));
    EXPECT_EQ(std::string(found ? found : "", size), std::string("named\0", 6));
    size = 0;
    found = static_cast<const char*>(p::FindResourceData(module, 10, 7, &size));
    EXPECT_EQ(std::string(found ? found : "", size), std::string("numbered\0", 9));
    EXPECT_EQ(p::FindResourceData(module, 10, 8, &size), nullptr);
    EXPECT_EQ(p::FindResourceData(module, p::RT_DIALOG, 7, &size), nullptr);
}

// Damaged files: everything before the damage is read, nothing beyond, nothing crashes.
TEST_F(Resources, DamagedFiles) {
    const std::string whole = CompileResourceScript(prefix_.scratch(), kScript);
    ASSERT_GT(whole.size(), 200u);
    static std::deque<std::string> keep; // registered data must stay put
    // Cut inside the first entry's header, and inside the block of string 65535.
    const size_t last = whole.find(std::string("l\0a\0s\0t", 7));
    ASSERT_NE(last, std::string::npos);
    for (auto [cut, id] : {std::pair{size_t(40), 15u}, {last + 2, 65535u}}) {
        keep.push_back(whole.substr(0, cut));
        HMODULE module = p::RegisterResourceModule("Cut", keep.back().data(), cut);
        EXPECT_EQ(loadString(module, id), "<none>") << cut;
    }
    // A header that claims more than the file holds.
    keep.push_back(whole);
    auto& bad = keep.back();
    const DWORD huge = 0x7FFFFFF0;
    std::memcpy(bad.data() + 32, &huge, 4); // data size of the first string block
    std::memcpy(bad.data() + 36, &huge, 4); // its header size
    HMODULE module = p::RegisterResourceModule("Bad", bad.data(), bad.size());
    EXPECT_EQ(loadString(module, 15), "<none>");
    EXPECT_EQ(loadString(nullptr, 15), "<none>"); // not a module at all
}
