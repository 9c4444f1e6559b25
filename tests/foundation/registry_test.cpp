// The registry helpers of the foundation services: readers and their buffer limits,
// writers and which of them create keys, deleters, and CopyKey.
#include <tessaly/foundation.h>

#include <cstring>
#include <functional>

#include "platform/registry.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace reg = tessaly::platform;
using tessaly::testing::PrefixTest;

namespace {

class Registry : public PrefixTest {};

constexpr const char* kKey = "Software\\Varnholt\\Test";

void Put(HKEY root, const char* key, const char* name, DWORD type, const std::string& data) {
    tessaly::testing::PutRegValue(root, key, name, type, data.data(), DWORD(data.size()));
}

// Stored bytes and type, or rc 2 when missing.
std::string Raw(HKEY root, const char* key, const char* name, DWORD* type = nullptr,
                LONG* rc = nullptr) {
    HKEY k = nullptr;
    LONG r = reg::RegOpenKeyExA(root, key, 0, reg::KEY_READ, &k);
    std::string data(4096, '\0');
    DWORD size = DWORD(data.size());
    if (!r) r = reg::RegQueryValueExA(k, name, nullptr, type, (BYTE*)data.data(), &size);
    if (k) reg::RegCloseKey(k);
    if (rc) *rc = r;
    return r ? std::string() : data.substr(0, size);
}

bool KeyExists(HKEY root, const char* key) {
    HKEY k = nullptr;
    if (reg::RegOpenKeyExA(root, key, 0, reg::KEY_READ, &k)) return false;
    reg::RegCloseKey(k);
    return true;
}

std::string Text(const std::string& s) {
    return s + '\0';
}

TEST_F(Registry, Readers) {
    Put(HKEY_LOCAL_MACHINE, kKey, "number text", REG_SZ, "12abc");
    Put(HKEY_LOCAL_MACHINE, kKey, "with zero", REG_SZ, Text("-7 days"));
    Put(HKEY_LOCAL_MACHINE, kKey, "ten", REG_SZ, "0123456789");
    Put(HKEY_LOCAL_MACHINE, kKey, "1024", REG_SZ, std::string(1024, 'x'));
    Put(HKEY_LOCAL_MACHINE, kKey, "1025", REG_SZ, std::string(1025, 'x'));
    Put(HKEY_LOCAL_MACHINE, kKey, "", REG_EXPAND_SZ, Text("%TEMP%"));
    struct Case {
        const char* key;
        const char* value;
        int number;       // GetRegistryString
        const char* text; // GetStringRegistry, GetRegistryStringValue (null: fails)
    } cases[] = {
        {kKey, "number text", 12, "12abc"},
        {kKey, "with zero", -7, "-7 days"},
        {kKey, "ten", 123456789, "0123456789"},
        {"software\\varnholt\\TEST", "TEN", 123456789, "0123456789"},
        {kKey, "1025", 0, nullptr},
        {kKey, "missing", 0, nullptr},
        {"Software\\Varnholt\\Missing", "ten", 0, nullptr},
        {kKey, nullptr, 0, "%TEMP%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(default)");
        EXPECT_EQ(c.number, GetRegistryString(HKEY_LOCAL_MACHINE, c.key, c.value));
        EXPECT_EQ(CString(c.text ? c.text : ""),
                  GetStringRegistry(HKEY_LOCAL_MACHINE, c.key, c.value));
        CString text = "untouched";
        EXPECT_EQ(c.text ? 1 : 0, GetRegistryStringValue(HKEY_LOCAL_MACHINE, c.key, c.value, text));
        EXPECT_EQ(CString(c.text ? c.text : "untouched"), text);
    }
    EXPECT_EQ(1024, GetStringRegistry(HKEY_LOCAL_MACHINE, kKey, "1024").GetLength());
    // Readers never create keys.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Missing"));
}

TEST_F(Registry, BufferReaders) {
    Put(HKEY_CURRENT_USER, kKey, "ten", REG_SZ, "0123456789");
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0, GetRegistryStringValueEx(HKEY_CURRENT_USER, kKey, "ten", buffer, 4));
    EXPECT_EQ(1, GetRegistryStringValueEx(HKEY_CURRENT_USER, kKey, "ten", buffer, 11));
    EXPECT_STREQ("0123456789", buffer);
    EXPECT_EQ(0, GetRegistryStringValueEx(HKEY_CURRENT_USER, kKey, "ten", nullptr, 11));

    DWORD size = 9;
    EXPECT_EQ(0, GetRegistryStringEx(HKEY_CURRENT_USER, kKey, "ten", buffer, size));
    size = sizeof buffer;
    EXPECT_EQ(1, GetRegistryStringEx(HKEY_CURRENT_USER, kKey, "ten", buffer, size));
    EXPECT_EQ(10u, size);
    size = sizeof buffer;
    EXPECT_EQ(1, GetRegistryStringEx(HKEY_CURRENT_USER, kKey, "ten", buffer, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(0, GetRegistryStringEx(HKEY_CURRENT_USER, kKey, "ten", buffer, (DWORD*)nullptr));
    size = sizeof buffer;
    EXPECT_EQ(0, GetRegistryStringEx(HKEY_CURRENT_USER, kKey, "missing", buffer, size));
}

TEST_F(Registry, ErrorCodeReaders) {
    Put(HKEY_CURRENT_USER, kKey, "expand", REG_EXPAND_SZ, Text("%APPDATA%\\x"));
    Put(HKEY_CURRENT_USER, kKey, "long", REG_BINARY, std::string(2000, 'b'));
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
        EXPECT_EQ(c.rc, GetStringRegistry1(HKEY_CURRENT_USER, c.key, c.value, text));
        EXPECT_EQ(CString(c.after), text);
        text = "before";
        DWORD type = 0;
        EXPECT_EQ(c.rc, GetStringRegistry2(HKEY_CURRENT_USER, c.key, c.value, text, type));
        EXPECT_EQ(CString(c.after), text);
        if (c.type) {
            EXPECT_EQ(c.type, type);
        }
        text = "before";
        EXPECT_EQ(c.rc, GetStringRegistry2(HKEY_CURRENT_USER, c.key, c.value, text, &type));
    }
    CString text;
    EXPECT_EQ(6, GetStringRegistry1((HKEY)0x99, kKey, "expand", text));
}

TEST_F(Registry, CanOpenReg) {
    Put(HKEY_LOCAL_MACHINE, kKey, "260", REG_BINARY, std::string(260, 'x'));
    Put(HKEY_LOCAL_MACHINE, kKey, "261", REG_BINARY, std::string(261, 'x'));
    struct Case {
        const char* key;
        const char* value;
        int on95, onNT;
    } cases[] = {
        {kKey, "", 1, 1},        {kKey, "260", 1, 1},          {kKey, "261", 1, 0},
        {kKey, "missing", 1, 0}, {"Software\\Nope", "", 1, 0},
    };
    for (bool windows95 : {false, true}) {
        if (windows95) {
            const DWORD record[] = {1, 4, 0};
            const char* names[] = {"PlatformId", "MajorVersion", "MinorVersion"};
            for (int i = 0; i < 3; ++i)
                Put(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version", names[i], REG_DWORD,
                    std::string((const char*)&record[i], 4));
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.key) + " " + c.value + (windows95 ? " on 95" : ""));
            EXPECT_EQ(windows95 ? c.on95 : c.onNT, CanOpenReg(HKEY_LOCAL_MACHINE, c.key, c.value));
        }
    }
}

TEST_F(Registry, StringWriters) {
    // SetRegString creates the key under the hive selected and stores no terminator.
    EXPECT_EQ(1, SetRegString("Software\\varnholt\\Tessaly2001\\Language", "Current", "1031", 1));
    EXPECT_EQ(1, SetRegString("Software\\Varnholt\\Tessaly2001\\Options", "Fax Custom Init String",
                              "AT&F", 0));
    EXPECT_EQ(1, SetRegString(kKey, "empty", nullptr, 7));
    DWORD type = 0;
    EXPECT_EQ("1031", Raw(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\Language",
                          "Current", &type));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ("AT&F", Raw(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly2001\\Options",
                          "Fax Custom Init String"));
    LONG rc = -1;
    EXPECT_EQ("", Raw(HKEY_LOCAL_MACHINE, kKey, "empty", nullptr, &rc));
    EXPECT_EQ(0, rc);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly2001\\Language"));
    EXPECT_EQ(CString("1031"),
              GetStringRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\VARNHOLT\\TESSALY2001\\LANGUAGE",
                                "current"));

    // SetStringRegistry stores the text's bytes with the type given and returns the code.
    EXPECT_EQ(0, SetStringRegistry(HKEY_CLASSES_ROOT, ".tess\\DefaultIcon", nullptr, REG_EXPAND_SZ,
                                   CString("%1,0")));
    EXPECT_EQ("%1,0", Raw(HKEY_LOCAL_MACHINE, "Software\\Classes\\.tess\\DefaultIcon", "", &type));
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), type);
    EXPECT_EQ(0,
              SetStringRegistry(HKEY_CURRENT_USER, kKey, "zeros", REG_BINARY, CString("a\0b", 3)));
    EXPECT_EQ(std::string("a\0b", 3), Raw(HKEY_CURRENT_USER, kKey, "zeros"));
    EXPECT_EQ(6, SetStringRegistry((HKEY)0x99, kKey, "v", REG_SZ, CString("x")));
}

TEST_F(Registry, DwordReadersAndWriters) {
    Put(HKEY_CURRENT_USER, "Software\\varnholt\\Lintor\\Options", "To Save Log", REG_DWORD,
        std::string("\x01\x00\x00\x00", 4));
    Put(HKEY_LOCAL_MACHINE, kKey, "letters", REG_SZ, Text("ab"));
    Put(HKEY_LOCAL_MACHINE, kKey, "five", REG_BINARY, "12345");
    Put(HKEY_LOCAL_MACHINE, kKey, "big", REG_DWORD, "\xff\xff\xff\x7f");
    struct Case {
        const char* key;
        const char* value;
        int hive;
        int result;
        DWORD mask, number; // (number read & mask) == number
    } cases[] = {
        {"Software\\Varnholt\\Lintor\\Options", "to save log", 0, 1, 0xFFFFFFFF, 1},
        {"Software\\Varnholt\\Lintor\\Options", "To Save Log", 1, 0, 0xFFFFFFFF, 0xEEEEEEEE},
        {kKey, "letters", 3, 1, 0x00FFFFFF, 0x00006261}, // the first 3 bytes, any type
        {kKey, "five", 1, 0, 0, 0},
        {kKey, "big", 1, 1, 0xFFFFFFFF, 0x7FFFFFFF},
        {kKey, "missing", 1, 0, 0xFFFFFFFF, 0xEEEEEEEE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DWORD number = 0xEEEEEEEE;
        EXPECT_EQ(c.result, GetRegDWORD(c.key, c.value, number, c.hive));
        EXPECT_EQ(c.number, number & c.mask);
        number = 0xEEEEEEEE;
        EXPECT_EQ(c.result, GetRegDWORD(c.key, c.value, &number, c.hive));
    }
    EXPECT_EQ(0, GetRegDWORD(kKey, "big", (DWORD*)nullptr, 1));

    // SetRegDWORD writes 4 bytes of type 4 and never creates the key.
    EXPECT_EQ(0, SetRegDWORD(HKEY_CURRENT_USER, "Software\\Varnholt\\NoSuchKey", "n", 5));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Varnholt\\NoSuchKey"));
    EXPECT_EQ(1, SetRegDWORD(HKEY_LOCAL_MACHINE, kKey, "n", 0xA0B0C0D0));
    DWORD type = 0;
    EXPECT_EQ(std::string("\xD0\xC0\xB0\xA0", 4), Raw(HKEY_LOCAL_MACHINE, kKey, "n", &type));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    DWORD number = 0;
    EXPECT_EQ(1, GetRegDWORD(kKey, "N", number, 1));
    EXPECT_EQ(0xA0B0C0D0u, number);
}

TEST_F(Registry, Deleters) {
    Put(HKEY_CURRENT_USER, kKey, "v", REG_SZ, "1");
    Put(HKEY_CURRENT_USER, "Software\\Varnholt\\Test\\Child", "w", REG_SZ, "1");
    Put(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, "1");
    EXPECT_EQ(1, DeleteRegValue(kKey, "V", 0));
    EXPECT_EQ(0, DeleteRegValue(kKey, "v", 0));
    EXPECT_EQ(0, DeleteRegValue("Software\\Nope", "v", 0));
    EXPECT_EQ("1", Raw(HKEY_LOCAL_MACHINE, kKey, "v"));

    // A key with subkeys stays; its last subkey and then the key itself go.
    EXPECT_EQ(0, DeleteRegKey(HKEY_CURRENT_USER, kKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Varnholt\\Test\\Child"));
    EXPECT_EQ(1, DeleteRegKey(HKEY_CURRENT_USER, "software\\varnholt\\test\\child"));
    EXPECT_EQ(1, DeleteRegKey(HKEY_CURRENT_USER, kKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(0, DeleteRegKey(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(0, DeleteRegKey(HKEY_CURRENT_USER, nullptr));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(Registry, CopyKeyCopiesTheTreeAndMerges) {
    struct Value {
        const char* key;
        const char* name;
        DWORD type;
        std::string data;
    } source[] = {
        {"Software\\Src", "text", REG_SZ, "no terminator"},
        {"Software\\Src", "", REG_SZ, Text("default")},
        {"Software\\Src", "bytes", REG_BINARY, std::string("\0\1\2\3", 4)},
        {"Software\\Src\\One", "n", REG_DWORD, std::string("\x05\0\0\0", 4)},
        {"Software\\Src\\Two\\Deep", "longest value of all", REG_MULTI_SZ,
         std::string(300, 'm') + std::string(2, '\0')},
    };
    for (const auto& v : source)
        Put(HKEY_CURRENT_USER, v.key, v.name, v.type, v.data);
    Put(HKEY_LOCAL_MACHINE, "Software\\Dst", "text", REG_SZ, "old");
    Put(HKEY_LOCAL_MACHINE, "Software\\Dst", "target only", REG_SZ, "kept");

    EXPECT_EQ(0, CopyKey(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "Software\\Src", "Software\\Dst"));
    for (const auto& v : source) {
        SCOPED_TRACE(v.name);
        std::string target = "Software\\Dst" + std::string(v.key).substr(12);
        DWORD type = 0;
        EXPECT_EQ(v.data, Raw(HKEY_LOCAL_MACHINE, target.c_str(), v.name, &type));
        EXPECT_EQ(v.type, type);
    }
    EXPECT_EQ("kept", Raw(HKEY_LOCAL_MACHINE, "Software\\Dst", "target only"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Dst\\Two"));

    // A missing source fails with its code, after the target was made.
    EXPECT_EQ(2, CopyKey(HKEY_CURRENT_USER, HKEY_CURRENT_USER, "Software\\Nope", "Software\\New"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\New"));
    EXPECT_EQ(6, CopyKey(HKEY_CURRENT_USER, (HKEY)0x99, "Software\\Src", "Software\\X"));
    // A copy into its own subtree stops at the deepest key allowed instead of looping.
    EXPECT_NE(0,
              CopyKey(HKEY_CURRENT_USER, HKEY_CURRENT_USER, "Software\\Src", "Software\\Src\\One"));
}

} // namespace
