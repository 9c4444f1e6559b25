// The registry helpers of the foundation services: readers and their buffer limits,
// writers and which of them create keys, deleters, and CopyKey.
#include <tessaly/foundation.h>

#include "support/prefix.h"
#include "support/registry.h"
#include "windows_version.h"

using tessaly::testing::PrefixTest;
using tessaly::testing::reg::Get;
using tessaly::testing::reg::Put;

namespace {

class Registry : public PrefixTest {};

constexpr const char* kKey = "Software\\Varnholt\\Test";
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;

bool KeyExists(HKEY root, const char* key) {
    return CanOpenReg(root, key, "") == 1;
}

TEST_F(Registry, Readers) {
    Put(kMachine, kKey, "with zero", REG_SZ, std::string("-7 days\0", 8));
    Put(kMachine, kKey, "1024", REG_SZ, std::string(1024, 'x'));
    Put(kMachine, kKey, "1025", REG_SZ, std::string(1025, 'x'));
    Put(kMachine, kKey, "", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
    const std::string x1024(1024, 'x');
    // Key, value, GetRegistryString's number, the text of the other two (null: they fail).
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {kKey, "with zero", -7, "-7 days"}, {kKey, "1024", 0, x1024.c_str()},
        {kKey, "1025", 0, nullptr},         {"Software\\Varnholt\\Missing", "ten", 0, nullptr},
        {kKey, nullptr, 0, "%TEMP%"},
    };
    for (const auto& [key, value, number, expected] : cases) {
        SCOPED_TRACE(value ? value : "(default)");
        EXPECT_EQ(number, GetRegistryString(kMachine, key, value));
        EXPECT_EQ(CString(expected ? expected : ""), GetStringRegistry(kMachine, key, value));
        CString text = "untouched";
        EXPECT_EQ(expected ? 1 : 0, GetRegistryStringValue(kMachine, key, value, text));
        EXPECT_EQ(CString(expected ? expected : "untouched"), text);
    }
    EXPECT_FALSE(KeyExists(kMachine, "Software\\Varnholt\\Missing")); // readers never create

    // The buffer readers fail when the text does not fit.
    Put(kUser, kKey, "ten", REG_SZ, "0123456789");
    char buffer[32];
    EXPECT_EQ(0, GetRegistryStringValueEx(kUser, kKey, "ten", buffer, 9));
    EXPECT_EQ(1, GetRegistryStringValueEx(kUser, kKey, "ten", buffer, 11));
    EXPECT_STREQ("0123456789", buffer);
    DWORD size = 9;
    EXPECT_EQ(0, GetRegistryStringEx(kUser, kKey, "ten", buffer, &size));
    size = sizeof buffer;
    EXPECT_EQ(1, GetRegistryStringEx(kUser, kKey, "ten", buffer, size));
    EXPECT_EQ(10u, size);
}

TEST_F(Registry, ErrorCodeReaders) {
    Put(kUser, kKey, "expand", REG_EXPAND_SZ, std::string("%APPDATA%\\x\0", 12));
    Put(kUser, kKey, "long", REG_BINARY, std::string(2000, 'b'));
    // Key, value, result, and the text afterwards, starting from "before".
    const std::tuple<const char*, const char*, long, const char*> cases[] = {
        {kKey, "expand", 0, "%APPDATA%\\x"},
        {kKey, "missing", 2, ""}, // emptied: the key opened
        {kKey, "long", 234, ""},
        {"Software\\Nope", "expand", 2, "before"}, // left: the key did not open
    };
    for (const auto& [key, value, rc, after] : cases) {
        CString text = "before", second = "before";
        DWORD type = 0;
        EXPECT_EQ(rc, GetStringRegistry1(kUser, key, value, text)) << value;
        EXPECT_EQ(rc, GetStringRegistry2(kUser, key, value, second, &type)) << value;
        EXPECT_EQ(CString(after), text) << value;
        EXPECT_EQ(CString(after), second) << value;
        if (rc == 0) {
            EXPECT_EQ(DWORD(REG_EXPAND_SZ), type);
        }
    }
}

// On Windows 95 any key and value "opens"; elsewhere only those that exist and fit 260 bytes.
TEST_F(Registry, CanOpenReg) {
    Put(kMachine, kKey, "260", REG_BINARY, std::string(260, 'x'));
    Put(kMachine, kKey, "261", REG_BINARY, std::string(261, 'x'));
    const std::tuple<const char*, const char*, int> cases[] = {
        {kKey, "", 1}, {kKey, "260", 1}, {kKey, "261", 0}, {"Software\\Nope", "", 0}};
    for (bool windows95 : {false, true}) {
        if (windows95) tessaly::testing::PresentWindows(1, 4, 0);
        for (const auto& [key, value, onNT] : cases)
            EXPECT_EQ(windows95 || onNT, CanOpenReg(kMachine, key, value))
                << key << " " << value << (windows95 ? " on 95" : "");
    }
}

TEST_F(Registry, StringWriters) {
    // SetRegString creates the key under the hive selected and stores no terminator.
    EXPECT_EQ(1, SetRegString("Software\\varnholt\\Tessaly2001\\Language", "Current", "1031", 1));
    EXPECT_EQ(1, SetRegString(kKey, "empty", nullptr, 0));
    EXPECT_EQ("1031", Get(kMachine, "Software\\Varnholt\\Tessaly2001\\Language", "Current"));
    LONG rc = -1; // stored empty, not missing
    EXPECT_EQ("", Get(kUser, kKey, "empty", &rc));
    EXPECT_EQ(0, rc);
    EXPECT_FALSE(KeyExists(kUser, "Software\\Varnholt\\Tessaly2001\\Language"));

    // SetStringRegistry stores the text's bytes with the type given and returns the code.
    EXPECT_EQ(0, SetStringRegistry(HKEY_CLASSES_ROOT, ".tess\\DefaultIcon", nullptr, REG_EXPAND_SZ,
                                   CString("%1,0")));
    DWORD type = 0;
    EXPECT_EQ("%1,0", Get(kMachine, "Software\\Classes\\.tess\\DefaultIcon", "", nullptr, &type));
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), type);
}

TEST_F(Registry, DwordReadersAndWriters) {
    Put(kUser, kKey, "one", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    Put(kMachine, kKey, "letters", REG_SZ, std::string("ab\0", 3));
    // Value, hive, result, mask and number: (number read & mask) == number.
    const std::tuple<const char*, int, int, DWORD, DWORD> cases[] = {
        {"ONE", 0, 1, 0xFFFFFFFF, 1},
        {"one", 1, 0, 0xFFFFFFFF, 0xEEEEEEEE},
        {"letters", 3, 1, 0x00FFFFFF, 0x00006261}, // the first 3 bytes, any type
    };
    for (const auto& [value, hive, result, mask, expected] : cases) {
        DWORD number = 0xEEEEEEEE;
        EXPECT_EQ(result, GetRegDWORD(kKey, value, number, hive)) << value;
        EXPECT_EQ(expected, number & mask) << value;
    }
    EXPECT_EQ(0, GetRegDWORD(kKey, "one", (DWORD*)nullptr, 0));

    // SetRegDWORD writes 4 bytes and never creates the key.
    EXPECT_EQ(0, SetRegDWORD(kUser, "Software\\Varnholt\\NoSuchKey", "n", 5));
    EXPECT_FALSE(KeyExists(kUser, "Software\\Varnholt\\NoSuchKey"));
    EXPECT_EQ(1, SetRegDWORD(kMachine, kKey, "n", 0xA0B0C0D0));
    EXPECT_EQ(std::string("\xD0\xC0\xB0\xA0", 4), Get(kMachine, kKey, "n"));
}

TEST_F(Registry, Deleters) {
    Put(kUser, kKey, "v", REG_SZ, "1");
    Put(kUser, "Software\\Varnholt\\Test\\Child", "w", REG_SZ, "1");
    EXPECT_EQ(1, DeleteRegValue(kKey, "V", 0));
    EXPECT_EQ(0, DeleteRegValue(kKey, "v", 0));
    // A key with subkeys stays; its last subkey and then the key itself go.
    EXPECT_EQ(0, DeleteRegKey(kUser, kKey));
    EXPECT_EQ(1, DeleteRegKey(kUser, "software\\varnholt\\test\\child"));
    EXPECT_EQ(1, DeleteRegKey(kUser, kKey));
    EXPECT_FALSE(KeyExists(kUser, kKey));
}

TEST_F(Registry, CopyKeyCopiesTheTreeOverTheTarget) {
    const std::tuple<const char*, const char*, DWORD, std::string> source[] = {
        {"Software\\Src", "text", REG_SZ, "no terminator"},
        {"Software\\Src\\One", "", REG_DWORD, std::string("\x05\0\0\0", 4)},
        {"Software\\Src\\Two\\Deep", "longest value of all", REG_MULTI_SZ,
         std::string(300, 'm') + std::string(2, '\0')},
    };
    for (const auto& [key, name, type, data] : source)
        Put(kUser, key, name, type, data);
    Put(kMachine, "Software\\Dst", "text", REG_SZ, "old");

    EXPECT_EQ(0, CopyKey(kUser, kMachine, "Software\\Src", "Software\\Dst"));
    for (const auto& [key, name, type, data] : source) {
        std::string target = "Software\\Dst" + std::string(key).substr(12);
        DWORD copiedType = 0;
        EXPECT_EQ(data, Get(kMachine, target.c_str(), name, nullptr, &copiedType)) << name;
        EXPECT_EQ(type, copiedType) << name;
    }
    // A missing source fails with its code, after the target was made.
    EXPECT_EQ(2, CopyKey(kUser, kUser, "Software\\Nope", "Software\\New"));
    EXPECT_TRUE(KeyExists(kUser, "Software\\New"));
    // A copy into its own subtree stops at the deepest key allowed instead of looping.
    EXPECT_NE(0, CopyKey(kUser, kUser, "Software\\Src", "Software\\Src\\One"));
}

} // namespace
