// The registry helpers of the foundation services: readers and their buffer limits,
// writers and which of them create keys, deleters, and CopyKey.
#include <tessaly/foundation.h>

#include <cstring>

#include "platform/registry.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "windows_version.h"

namespace reg = tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::reg::Get;
using tessaly::testing::reg::Put;

namespace {

class Registry : public PrefixTest {};

constexpr const char* kKey = "Software\\Varnholt\\Test";
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;

bool KeyExists(HKEY root, const char* key) {
    HKEY k = nullptr;
    if (reg::RegOpenKeyExA(root, key, 0, reg::KEY_READ, &k)) return false;
    reg::RegCloseKey(k);
    return true;
}

TEST_F(Registry, Readers) {
    Put(kMachine, kKey, "with zero", REG_SZ, std::string("-7 days\0", 8));
    Put(kMachine, kKey, "ten", REG_SZ, "0123456789");
    Put(kMachine, kKey, "1024", REG_SZ, std::string(1024, 'x'));
    Put(kMachine, kKey, "1025", REG_SZ, std::string(1025, 'x'));
    Put(kMachine, kKey, "", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
    const std::string x1024(1024, 'x');
    struct Case {
        const char* key;
        const char* value;
        int number;       // GetRegistryString
        const char* text; // GetStringRegistry, GetRegistryStringValue (null: fails)
    } cases[] = {
        {kKey, "with zero", -7, "-7 days"},
        {kKey, "ten", 123456789, "0123456789"},
        {kKey, "1024", 0, x1024.c_str()},
        {kKey, "1025", 0, nullptr},
        {"Software\\Varnholt\\Missing", "ten", 0, nullptr},
        {kKey, nullptr, 0, "%TEMP%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(default)");
        EXPECT_EQ(c.number, GetRegistryString(kMachine, c.key, c.value));
        EXPECT_EQ(CString(c.text ? c.text : ""), GetStringRegistry(kMachine, c.key, c.value));
        CString text = "untouched";
        EXPECT_EQ(c.text ? 1 : 0, GetRegistryStringValue(kMachine, c.key, c.value, text));
        EXPECT_EQ(CString(c.text ? c.text : "untouched"), text);
    }
    EXPECT_FALSE(KeyExists(kMachine, "Software\\Varnholt\\Missing")); // readers never create
}

TEST_F(Registry, BufferReaders) {
    Put(kUser, kKey, "ten", REG_SZ, "0123456789");
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0, GetRegistryStringValueEx(kUser, kKey, "ten", buffer, 4));
    EXPECT_EQ(1, GetRegistryStringValueEx(kUser, kKey, "ten", buffer, 11));
    EXPECT_STREQ("0123456789", buffer);
    DWORD size = 9;
    EXPECT_EQ(0, GetRegistryStringEx(kUser, kKey, "ten", buffer, &size));
    size = sizeof buffer;
    EXPECT_EQ(1, GetRegistryStringEx(kUser, kKey, "ten", buffer, size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(0, GetRegistryStringEx(kUser, kKey, "ten", buffer, (DWORD*)nullptr));
    EXPECT_EQ(0, GetRegistryStringEx(kUser, kKey, "missing", buffer, size));
}

TEST_F(Registry, ErrorCodeReaders) {
    Put(kUser, kKey, "expand", REG_EXPAND_SZ, std::string("%APPDATA%\\x\0", 12));
    Put(kUser, kKey, "long", REG_BINARY, std::string(2000, 'b'));
    struct Case {
        const char* key;
        const char* value;
        long rc;
        const char* after; // the text afterwards, starting from "before"
        DWORD type;        // GetStringRegistry2's type (0: not checked)
    } cases[] = {
        {kKey, "expand", 0, "%APPDATA%\\x", REG_EXPAND_SZ},
        {kKey, "missing", 2, "", 0}, // emptied: the key opened
        {kKey, "long", 234, "", REG_BINARY},
        {"Software\\Nope", "expand", 2, "before", 0}, // left: the key did not open
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        CString text = "before";
        EXPECT_EQ(c.rc, GetStringRegistry1(kUser, c.key, c.value, text));
        EXPECT_EQ(CString(c.after), text);
        text = "before";
        DWORD type = 0;
        EXPECT_EQ(c.rc, GetStringRegistry2(kUser, c.key, c.value, text, type));
        EXPECT_EQ(CString(c.after), text);
        if (c.type) {
            EXPECT_EQ(c.type, type);
        }
        EXPECT_EQ(c.rc, GetStringRegistry2(kUser, c.key, c.value, text, &type));
    }
    CString text;
    EXPECT_EQ(6, GetStringRegistry1((HKEY)0x99, kKey, "expand", text));
}

// On Windows 95 any key and value "opens"; elsewhere only those that exist and fit 260 bytes.
TEST_F(Registry, CanOpenReg) {
    Put(kMachine, kKey, "260", REG_BINARY, std::string(260, 'x'));
    Put(kMachine, kKey, "261", REG_BINARY, std::string(261, 'x'));
    struct Case {
        const char* key;
        const char* value;
        int onNT;
    } cases[] = {{kKey, "", 1}, {kKey, "260", 1}, {kKey, "261", 0}, {"Software\\Nope", "", 0}};
    for (bool windows95 : {false, true}) {
        if (windows95) tessaly::testing::PresentWindows(1, 4, 0);
        for (const auto& c : cases)
            EXPECT_EQ(windows95 || c.onNT, CanOpenReg(kMachine, c.key, c.value))
                << c.key << " " << c.value << (windows95 ? " on 95" : "");
    }
}

TEST_F(Registry, StringWriters) {
    // SetRegString creates the key under the hive selected and stores no terminator.
    EXPECT_EQ(1, SetRegString("Software\\varnholt\\Tessaly2001\\Language", "Current", "1031", 1));
    EXPECT_EQ(1, SetRegString(kKey, "user", "AT&F", 0));
    EXPECT_EQ(1, SetRegString(kKey, "empty", nullptr, 7));
    DWORD type = 0;
    EXPECT_EQ("1031", Get(kMachine, "Software\\Varnholt\\Tessaly2001\\Language", "Current", nullptr,
                          &type));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ("AT&F", Get(kUser, kKey, "user"));
    LONG rc = -1; // stored empty, not missing
    EXPECT_EQ("", Get(kMachine, kKey, "empty", &rc, &type));
    EXPECT_EQ(0, rc);
    EXPECT_FALSE(KeyExists(kUser, "Software\\Varnholt\\Tessaly2001\\Language"));

    // SetStringRegistry stores the text's bytes with the type given and returns the code.
    EXPECT_EQ(0, SetStringRegistry(HKEY_CLASSES_ROOT, ".tess\\DefaultIcon", nullptr, REG_EXPAND_SZ,
                                   CString("%1,0")));
    EXPECT_EQ("%1,0", Get(kMachine, "Software\\Classes\\.tess\\DefaultIcon", "", nullptr, &type));
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), type);
    EXPECT_EQ(0, SetStringRegistry(kUser, kKey, "zeros", REG_BINARY, CString("a\0b", 3)));
    EXPECT_EQ(std::string("a\0b", 3), Get(kUser, kKey, "zeros"));
    EXPECT_EQ(6, SetStringRegistry((HKEY)0x99, kKey, "v", REG_SZ, CString("x")));
}

TEST_F(Registry, DwordReadersAndWriters) {
    Put(kUser, kKey, "one", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    Put(kMachine, kKey, "letters", REG_SZ, std::string("ab\0", 3));
    Put(kMachine, kKey, "five", REG_BINARY, "12345");
    struct Case {
        const char* value;
        int hive;
        int result;
        DWORD mask, number; // (number read & mask) == number
    } cases[] = {
        {"ONE", 0, 1, 0xFFFFFFFF, 1},
        {"one", 1, 0, 0xFFFFFFFF, 0xEEEEEEEE},
        {"letters", 3, 1, 0x00FFFFFF, 0x00006261}, // the first 3 bytes, any type
        {"five", 1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DWORD number = 0xEEEEEEEE;
        EXPECT_EQ(c.result, GetRegDWORD(kKey, c.value, number, c.hive));
        EXPECT_EQ(c.number, number & c.mask);
        number = 0xEEEEEEEE;
        EXPECT_EQ(c.result, GetRegDWORD(kKey, c.value, &number, c.hive));
    }
    EXPECT_EQ(0, GetRegDWORD(kKey, "one", (DWORD*)nullptr, 0));

    // SetRegDWORD writes 4 bytes of type 4 and never creates the key.
    EXPECT_EQ(0, SetRegDWORD(kUser, "Software\\Varnholt\\NoSuchKey", "n", 5));
    EXPECT_FALSE(KeyExists(kUser, "Software\\Varnholt\\NoSuchKey"));
    EXPECT_EQ(1, SetRegDWORD(kMachine, kKey, "n", 0xA0B0C0D0));
    DWORD type = 0;
    EXPECT_EQ(std::string("\xD0\xC0\xB0\xA0", 4), Get(kMachine, kKey, "n", nullptr, &type));
    EXPECT_EQ(DWORD(REG_DWORD), type);
}

TEST_F(Registry, Deleters) {
    Put(kUser, kKey, "v", REG_SZ, "1");
    Put(kUser, "Software\\Varnholt\\Test\\Child", "w", REG_SZ, "1");
    Put(kMachine, kKey, "v", REG_SZ, "1");
    EXPECT_EQ(1, DeleteRegValue(kKey, "V", 0));
    EXPECT_EQ(0, DeleteRegValue(kKey, "v", 0));
    EXPECT_EQ("1", Get(kMachine, kKey, "v"));

    // A key with subkeys stays; its last subkey and then the key itself go.
    EXPECT_EQ(0, DeleteRegKey(kUser, kKey));
    EXPECT_TRUE(KeyExists(kUser, "Software\\Varnholt\\Test\\Child"));
    EXPECT_EQ(1, DeleteRegKey(kUser, "software\\varnholt\\test\\child"));
    EXPECT_EQ(1, DeleteRegKey(kUser, kKey));
    EXPECT_FALSE(KeyExists(kUser, kKey));
    EXPECT_TRUE(KeyExists(kMachine, kKey));
}

TEST_F(Registry, CopyKeyCopiesTheTreeAndMerges) {
    struct Value {
        const char* key;
        const char* name;
        DWORD type;
        std::string data;
    } source[] = {
        {"Software\\Src", "text", REG_SZ, "no terminator"},
        {"Software\\Src", "bytes", REG_BINARY, std::string("\0\1\2\3", 4)},
        {"Software\\Src\\One", "", REG_DWORD, std::string("\x05\0\0\0", 4)},
        {"Software\\Src\\Two\\Deep", "longest value of all", REG_MULTI_SZ,
         std::string(300, 'm') + std::string(2, '\0')},
    };
    for (const auto& v : source)
        Put(kUser, v.key, v.name, v.type, v.data);
    Put(kMachine, "Software\\Dst", "text", REG_SZ, "old");
    Put(kMachine, "Software\\Dst", "target only", REG_SZ, "kept");

    EXPECT_EQ(0, CopyKey(kUser, kMachine, "Software\\Src", "Software\\Dst"));
    for (const auto& v : source) {
        std::string target = "Software\\Dst" + std::string(v.key).substr(12);
        DWORD type = 0;
        EXPECT_EQ(v.data, Get(kMachine, target.c_str(), v.name, nullptr, &type)) << v.name;
        EXPECT_EQ(v.type, type) << v.name;
    }
    EXPECT_EQ("kept", Get(kMachine, "Software\\Dst", "target only"));

    // A missing source fails with its code, after the target was made.
    EXPECT_EQ(2, CopyKey(kUser, kUser, "Software\\Nope", "Software\\New"));
    EXPECT_TRUE(KeyExists(kUser, "Software\\New"));
    EXPECT_EQ(6, CopyKey(kUser, (HKEY)0x99, "Software\\Src", "Software\\X"));
    // A copy into its own subtree stops at the deepest key allowed instead of looping.
    EXPECT_NE(0, CopyKey(kUser, kUser, "Software\\Src", "Software\\Src\\One"));
}

} // namespace
