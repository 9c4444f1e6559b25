// The registry functions against the prefix's SQLite hives: names without case, the roots
// and the classes view, error codes, sizes, enumeration, key information and deletion.
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "platform/registry.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;
using tessaly::testing::TempPrefix;
namespace fs = std::filesystem;

namespace {

class RegistryStore : public PrefixTest {};

// The code a read of the value gives: 0, or 2 when it or its key is missing.
LONG readCode(HKEY root, const char* key, const char* name) {
    LONG rc = -1;
    Get(root, key, name, &rc);
    return rc;
}

TEST_F(RegistryStore, NamesCompareWithoutCaseAndKeepTheirCase) {
    // Key and value written, key and value looked up, whether found.
    const std::tuple<const char*, const char*, const char*, const char*, bool> cases[] = {
        {"Software\\Mixed\\Case", "ValueName", "SOFTWARE\\mixed\\cASE", "valuename", true},
        {"Software\\Near", "Name1", "Software\\Nea", "Name1", false},
        {"Software\\Caf\xE9", "\xC4rger", "SOFTWARE\\CAF\xC9", "\xE4RGER", true}, // cp1252
        {"Software\\Blanks2", " x", "Software\\Blanks2", "x", false},
    };
    for (auto [key, value, lookupKey, lookupValue, found] : cases) {
        ASSERT_EQ(0, Put(HKEY_CURRENT_USER, key, value, REG_SZ, "data"));
        EXPECT_EQ(found ? "data" : "", Get(HKEY_CURRENT_USER, lookupKey, lookupValue)) << lookupKey;
    }
    // Enumeration gives the case the names were created with; a write under another case
    // of the same name keeps the first spelling.
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "SOFTWARE\\MIXED\\case", "VALUENAME", REG_SZ, "two"));
    HKEY k;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "software\\mixed", 0, KEY_READ, &k));
    EXPECT_EQ(std::vector<std::string>{"Case"}, SubKeys(k));
    RegCloseKey(k);
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Mixed\\Case", 0, KEY_READ, &k));
    EXPECT_EQ(std::vector<std::string>{"ValueName"}, ValueNames(k));
    RegCloseKey(k);
    EXPECT_EQ("two", Get(HKEY_CURRENT_USER, "Software\\Mixed\\Case", "valueNAME"));
}

TEST_F(RegistryStore, RootsAreSeparateHivesAndClassesRootIsAView) {
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, "Software\\Shared", "Where", REG_SZ, "machine"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Shared", "Where", REG_SZ, "user"));
    EXPECT_EQ("machine", Get(HKEY_LOCAL_MACHINE, "Software\\Shared", "Where"));
    EXPECT_EQ("user", Get(HKEY_CURRENT_USER, "Software\\Shared", "Where"));

    // Written through either name, seen through both.
    ASSERT_EQ(0, Put(HKEY_CLASSES_ROOT, ".txt", "", REG_SZ, "txtfile"));
    EXPECT_EQ("txtfile", Get(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", ""));
    EXPECT_EQ(2, readCode(HKEY_CURRENT_USER, "Software\\Classes\\.txt", ""));

    // The classes view survives its key being deleted under the machine root.
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes"));
    EXPECT_EQ(2, readCode(HKEY_CLASSES_ROOT, ".txt", ""));
    ASSERT_EQ(0, Put(HKEY_CLASSES_ROOT, ".doc", "", REG_SZ, "docfile"));
    EXPECT_EQ("docfile", Get(HKEY_LOCAL_MACHINE, "Software\\Classes\\.doc", ""));
}

TEST_F(RegistryStore, EachPrefixHasItsOwnStore) {
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\P", "v", REG_SZ, "first"));
    // A key opened here keeps working after many other prefixes came and went.
    HKEY kept;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\P", 0, KEY_ALL_ACCESS, &kept));
    for (int i = 0; i < 40; ++i) {
        TempPrefix other;
        EXPECT_EQ(2, readCode(HKEY_CURRENT_USER, "Software\\P", "v"));
        ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\P", "v", REG_SZ, std::to_string(i)));
        EXPECT_EQ(std::to_string(i), Get(HKEY_CURRENT_USER, "Software\\P", "v"));
    }
    EXPECT_EQ("first", Get(HKEY_CURRENT_USER, "Software\\P", "v"));
    ASSERT_EQ(0, RegSetValueExA(kept, "w", 0, REG_SZ, (const BYTE*)"late", 4));
    EXPECT_EQ("late", Get(HKEY_CURRENT_USER, "Software\\P", "w"));
    RegCloseKey(kept);
}

TEST_F(RegistryStore, ErrorCodes) {
    const HKEY user = HKEY_CURRENT_USER;
    ASSERT_EQ(0, Put(user, "Software\\E\\Child", "v", REG_SZ, "x"));
    ASSERT_EQ(0, Put(user, "Software\\E", "v", REG_SZ, "0123456789"));
    HKEY readOnly = nullptr, writeOnly = nullptr, closed = nullptr, gone = nullptr, out = nullptr;
    ASSERT_EQ(0, RegOpenKeyExA(user, "Software\\E", 0, KEY_READ, &readOnly));
    ASSERT_EQ(0, RegOpenKeyExA(user, "Software\\E", 0, KEY_WRITE, &writeOnly));
    ASSERT_EQ(0, RegOpenKeyExA(user, "Software\\E", 0, KEY_READ, &closed));
    RegCloseKey(closed);
    ASSERT_EQ(0, RegCreateKeyA(user, "Software\\Gone", &gone));
    ASSERT_EQ(0, RegDeleteKeyA(user, "Software\\Gone"));
    const BYTE data[] = "d";
    char buf[64];
    DWORD size = sizeof buf;
    const std::pair<LONG, std::function<LONG()>> cases[] = {
        {2, [&] { return RegOpenKeyExA(user, "Nope", 0, KEY_READ, &out); }},
        {2, [&] { return RegQueryValueExA(readOnly, "no", 0, 0, 0, 0); }},
        {5, [&] { return RegSetValueExA(readOnly, "v", 0, REG_SZ, data, 1); }},
        {5, [&] { return RegCreateKeyA(readOnly, "New", &out); }},
        {5, [&] { return RegQueryValueExA(writeOnly, "v", 0, 0, (BYTE*)buf, &size); }},
        {5, [&] { return RegDeleteKeyA(user, "Software\\E"); }}, // it has subkeys
        {6, [&] { return RegQueryValueExA(closed, "v", 0, 0, 0, 0); }},
        {87, [&] { return RegQueryValueExA(readOnly, "v", 0, 0, (BYTE*)buf, 0); }}, // no size
        {87, [&] { return RegCreateKeyA(user, std::string(256, 'k').c_str(), &out); }},
        {259, [&] { return RegEnumKeyExA(readOnly, 1, buf, &size, 0, 0, 0, 0); }},
        {1018, [&] { return RegQueryValueExA(gone, "v", 0, 0, 0, 0); }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        size = sizeof buf;
        EXPECT_EQ(cases[i].first, cases[i].second()) << "case " << i;
    }
    // Nothing the failures touched was changed.
    EXPECT_EQ("0123456789", Get(user, "Software\\E", "v"));
    EXPECT_EQ("x", Get(user, "Software\\E\\Child", "v"));
    EXPECT_EQ(2, readCode(user, "Software\\E\\New", ""));
}

TEST_F(RegistryStore, ValueSizesAndTerminators) {
    // Value (named for its case), type, bytes stored, buffer size; the result, the size given
    // back and the buffer's first bytes afterwards ('#' untouched).
    const std::tuple<const char*, DWORD, std::string, DWORD, LONG, DWORD, std::string> cases[] = {
        {"string without terminator, room", REG_SZ, "abc", 8, 0, 3, std::string("abc\0#", 5)},
        {"string without terminator, exact", REG_SZ, "abc", 3, 0, 3, "abc#"},
        {"string with terminator", REG_SZ, std::string("abc\0", 4), 8, 0, 4,
         std::string("abc\0\0#", 6)},
        {"binary gets no terminator", REG_BINARY, "abc", 8, 0, 3, "abc#"},
        {"dword", REG_DWORD, Dword(0x01020304), 4, 0, 4, "\x04\x03\x02\x01#"},
        {"zero-size buffer", REG_BINARY, "a", 0, 234, 1, ""},
    };
    HKEY k;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Sizes", &k));
    for (const auto& [name, type, stored, bufferSize, rc, size, buffer] : cases) {
        ASSERT_EQ(0, Put(k, "", name, type, stored));
        char bytes[16];
        std::memset(bytes, '#', sizeof bytes);
        DWORD typeRead = 99, sizeRead = bufferSize;
        EXPECT_EQ(rc, RegQueryValueExA(k, name, nullptr, &typeRead, (BYTE*)bytes, &sizeRead))
            << name;
        EXPECT_EQ(size, sizeRead) << name;
        EXPECT_EQ(type, typeRead) << name;
        EXPECT_EQ(buffer, std::string(bytes, buffer.size())) << name;
        // A null data and size only tells that the value exists.
        EXPECT_EQ(0, RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr));
    }
    RegCloseKey(k);
}

TEST_F(RegistryStore, EnumerationOrder) {
    HKEY k;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Order", &k));
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "_x", "a b"})
        ASSERT_EQ(0, Put(k, name, "", REG_SZ, ""));
    // Sorted by the upper-case form ('_' sorts after the letters, ' ' before them).
    EXPECT_EQ((std::vector<std::string>{"a b", "Alpha", "ALPHA2", "beta", "gamma", "_x"}),
              SubKeys(k));

    const BYTE one[] = "1";
    for (const char* name : {"zeta", "Alpha", "", "mid"})
        ASSERT_EQ(0, RegSetValueExA(k, name, 0, REG_SZ, one, 1));
    EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Software\\Order", nullptr)); // "" is the default
    // Values in the order written; overwriting keeps the place, deleting and writing again
    // moves to the end.
    ASSERT_EQ(0, RegSetValueExA(k, "ZETA", 0, REG_DWORD, one, 1));
    ASSERT_EQ(0, RegDeleteValueA(k, "alpha"));
    ASSERT_EQ(0, RegSetValueExA(k, "alpha", 0, REG_SZ, one, 1));
    EXPECT_EQ((std::vector<std::string>{"zeta", "", "mid", "alpha"}), ValueNames(k));
    RegCloseKey(k);
}

TEST_F(RegistryStore, KeyInformation) {
    HKEY k;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Info", &k));
    DWORD subKeys = 9, maxSub = 9, values = 9, maxName = 9, maxData = 9;
    for (const char* name : {"a\\deeper\\not counted here", "longest", "mid"})
        ASSERT_EQ(0, Put(k, name, "", REG_SZ, ""));
    ASSERT_EQ(0, RegSetValueExA(k, "v", 0, REG_BINARY, (const BYTE*)"123456789", 9));
    ASSERT_EQ(0, RegSetValueExA(k, "value name", 0, REG_SZ, (const BYTE*)"1", 1));
    ASSERT_EQ(0, RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values,
                                  &maxName, &maxData, nullptr, nullptr));
    EXPECT_EQ((std::vector<DWORD>{3, 7, 2, 10, 9}),
              (std::vector<DWORD>{subKeys, maxSub, values, maxName, maxData}));
    RegCloseKey(k);
}

TEST_F(RegistryStore, CreateOpenAndDeleteRules) {
    HKEY k;
    DWORD disposition = 0;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\D\\E\\F", 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &k, &disposition));
    EXPECT_EQ(1u, disposition);
    RegCloseKey(k);
    // Stray backslashes do not make empty keys.
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, "\\Software\\\\d\\e\\f\\", 0, nullptr, 0,
                                 KEY_READ, nullptr, &k, &disposition));
    EXPECT_EQ(2u, disposition);
    RegCloseKey(k);
    // Deleting needs no right on the parent's handle.
    HKEY readOnly;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\D", 0, KEY_READ, &readOnly));

    EXPECT_EQ(0, RegDeleteKeyA(readOnly, "E\\F"));
    EXPECT_EQ(std::vector<std::string>{"E"}, SubKeys(readOnly));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\D\\E\\G\\H", "v", REG_SZ, "1"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\D", "kept", REG_SZ, "1"));
    // A tree with no name empties the key and keeps it.
    ASSERT_EQ(0, RegDeleteTreeA(readOnly, nullptr));
    EXPECT_EQ(0u, SubKeys(readOnly).size() + ValueNames(readOnly).size());
    RegCloseKey(readOnly);

    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\D\\X\\Y", "v", REG_SZ, "1"));
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_CURRENT_USER, "software\\d"));
    EXPECT_EQ(2, readCode(HKEY_CURRENT_USER, "Software\\D\\X\\Y", "v"));
    // A key deleted and made again is a new key: old handles stay dead.
    HKEY old;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Again", &old));
    ASSERT_EQ(0, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Again"));
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Again", &k));
    EXPECT_EQ(1018, RegSetValueExA(old, "v", 0, REG_SZ, (const BYTE*)"1", 1));
    EXPECT_EQ(0, RegCloseKey(old));
    RegCloseKey(k);
}

// A program closes its hives at exit, even while another process (this one) keeps them open:
// the hive file alone then holds its writes, and a copy without the -wal file loses nothing.
TEST_F(RegistryStore, AClosedHiveFileHoldsEveryWrite) {
    const std::string copy = prefix_.scratch() + "/copy";
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Kept", "mine", REG_SZ, "1"));
    auto run = tessaly::testing::RunTessaly({"reg", "set", "HKCU\\Software\\Kept", "v", "closed"});
    ASSERT_EQ(0, run.status) << run.err;
    fs::create_directories(copy);
    fs::copy_file(prefix_.root() + "/user.reg.db", copy + "/user.reg.db");
    tessaly::testing::ScopedEnv env("TESSALY_PREFIX", copy);
    EXPECT_EQ(0u, Get(HKEY_CURRENT_USER, "Software\\Kept", "v").find("closed"));
}

} // namespace
