// REGEDIT4 text: reading every form of the syntax, writing it back, and exact round trips.
#include "registry_support.h"
#include "support/prefix.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryFile : public PrefixTest {};

TEST_F(RegistryFile, ImportReadsEveryForm) {
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n"
                             "; a comment\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Import]\r\n"
                             "\"plain\"=\"text\"\r\n"
                             "\"escaped \\\"name\\\"\"=\"C:\\\\Path\\\\\"\r\n"
                             "@=\"default\"\r\n"
                             "\"@\"=\"at sign\"\r\n"
                             "\"number\"=dword:0000000a\r\n"
                             "\"short number\"=dword:ff\r\n"
                             "\"bin\"=hex:01,02,ff\r\n"
                             "\"empty bin\"=hex:\r\n"
                             "\"expand\"=hex(2):25,41,25,00\r\n"
                             "\"multi\"=hex(7):61,00,62,00,00\r\n"
                             "\"typed\"=hex(100):de,ad\r\n"
                             "\"long\"=hex:00,01,02,\\\r\n"
                             "  03,04,\\\n"
                             "\t05\r\n"
                             "  \"indented\" = \"ok\"  \r\n"
                             "\"two\r\nlines\"=\"a\nb\"\r\n"
                             "[HKLM\\Software\\Import\\Sub]\n"
                             "[HKEY_CLASSES_ROOT\\.imp]\n"
                             "@=\"impfile\"\n";
    std::string message;
    ASSERT_EQ(0, RegImportText(text, message)) << message;

    struct Expect {
        HKEY root;
        const char* key;
        const char* name;
        DWORD type;
        std::string data;
    } expected[] = {
        {HKEY_CURRENT_USER, "Software\\Import", "plain", REG_SZ, std::string("text\0", 5)},
        {HKEY_CURRENT_USER, "Software\\Import", "escaped \"name\"", REG_SZ,
         std::string("C:\\Path\\\0", 9)},
        {HKEY_CURRENT_USER, "Software\\Import", "", REG_SZ, std::string("default\0", 8)},
        {HKEY_CURRENT_USER, "Software\\Import", "@", REG_SZ, std::string("at sign\0", 8)},
        {HKEY_CURRENT_USER, "Software\\Import", "number", REG_DWORD, Dword(10)},
        {HKEY_CURRENT_USER, "Software\\Import", "short number", REG_DWORD, Dword(255)},
        {HKEY_CURRENT_USER, "Software\\Import", "bin", REG_BINARY, "\x01\x02\xff"},
        {HKEY_CURRENT_USER, "Software\\Import", "empty bin", REG_BINARY, ""},
        {HKEY_CURRENT_USER, "Software\\Import", "expand", REG_EXPAND_SZ, std::string("%A%\0", 4)},
        {HKEY_CURRENT_USER, "Software\\Import", "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {HKEY_CURRENT_USER, "Software\\Import", "typed", 0x100, "\xde\xad"},
        {HKEY_CURRENT_USER, "Software\\Import", "long", REG_BINARY, std::string("\0\1\2\3\4\5", 6)},
        {HKEY_CURRENT_USER, "Software\\Import", "indented", REG_SZ, std::string("ok\0", 3)},
        {HKEY_CURRENT_USER, "Software\\Import", "two\r\nlines", REG_SZ, std::string("a\nb\0", 4)},
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\.imp", "", REG_SZ, std::string("impfile\0", 8)},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        LONG rc = -1;
        DWORD type = 0;
        EXPECT_EQ(e.data, Get(e.root, e.key, e.name, &rc, &type));
        EXPECT_EQ(0, rc);
        EXPECT_EQ(e.type, type);
    }
    HKEY k;
    EXPECT_EQ(0, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Import\\Sub", 0, KEY_READ, &k));
    RegCloseKey(k);
}

TEST_F(RegistryFile, ImportDeletesKeysAndValues) {
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Del\\Tree\\Deep", "v", REG_SZ, "1"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Del", "gone", REG_SZ, "1"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Del", "kept", REG_SZ, "1"));
    ASSERT_EQ(0, RegImportText("REGEDIT4\n"
                               "[-HKEY_CURRENT_USER\\Software\\Del\\Tree]\n"
                               "\"ignored\"=\"under a deleted key\"\n"
                               "[-HKEY_CURRENT_USER\\Software\\Never\\There]\n"
                               "[HKEY_CURRENT_USER\\Software\\Del]\n"
                               "\"GONE\"=-\n"
                               "\"never there\"=-\n"));
    LONG rc;
    Get(HKEY_CURRENT_USER, "Software\\Del\\Tree", "ignored", &rc);
    EXPECT_EQ(2, rc);
    Get(HKEY_CURRENT_USER, "Software\\Del", "gone", &rc);
    EXPECT_EQ(2, rc);
    EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Software\\Del", "kept"));
}

TEST_F(RegistryFile, FaultyTextChangesNothing) {
    struct Case {
        const char* text;
        const char* message; // the start of the description
    } cases[] = {
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n", "line 1:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\"=\"1\"\n\"b\"=hex:0g\n", "line 4:"},
        {"REGEDIT4\n[HKEY_USERS\\X]\n", "line 2: unknown root"},
        {"REGEDIT4\n\"a\"=\"value before key\"\n", "line 2:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\"=dword:123456789\n", "line 3:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\"=\"unterminated\n", "line 3:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F\n", "line 2:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\"=\"x\" trailing\n", "line 3:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\" \"x\"\n", "line 3:"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER]\n", "line 2:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\nstray\n", "line 3:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\F]\n\"a\"=hex(zz):00\n", "line 3:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string message;
        EXPECT_EQ(13, RegImportText(c.text, message));
        EXPECT_EQ(0u, message.find(c.message)) << message;
        HKEY k;
        EXPECT_EQ(2, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\F", 0, KEY_READ, &k));
    }
    std::string message;
    EXPECT_EQ(2, RegImportFile(prefix_.scratch() + "/missing.reg", message));
    EXPECT_NE(std::string::npos, message.find("missing.reg"));
}

TEST_F(RegistryFile, ExportWritesTheTreeInRegeditSyntax) {
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "", REG_SZ, std::string("def\0", 4)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "s", REG_SZ, std::string("a\"b\\\0", 5)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "raw", REG_SZ, "ab"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "n", REG_DWORD, Dword(0x1234abcd)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\b", "x", REG_BINARY, "\x01\xfe"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\A", "m", REG_MULTI_SZ, ""));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\A\\Deep", "t", 0x2a, "z"));
    std::string text;
    ASSERT_EQ(0, RegExportText("hkcu\\SOFTWARE\\exp", text));
    EXPECT_EQ("REGEDIT4\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp]\r\n"
              "@=\"def\"\r\n"
              "\"s\"=\"a\\\"b\\\\\"\r\n"
              "\"raw\"=hex(1):61,62\r\n"
              "\"n\"=dword:1234abcd\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\A]\r\n"
              "\"m\"=hex(7):\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\A\\Deep]\r\n"
              "\"t\"=hex(2a):7a\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\b]\r\n"
              "\"x\"=hex:01,fe\r\n"
              "\r\n",
              text);

    // Long data wrap at 80 columns with a backslash.
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Wrap", "w", REG_BINARY, std::string(60, 'A')));
    ASSERT_EQ(0, RegExportText("HKEY_CURRENT_USER\\Software\\Wrap", text));
    size_t start = text.find("\"w\"");
    ASSERT_NE(std::string::npos, start);
    int lines = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos && end > start;
         start = end + 2, ++lines) {
        std::string line = text.substr(start, end - start);
        EXPECT_LE(line.size(), 80u) << line;
        if (lines) {
            EXPECT_EQ(0u, line.find("  41")) << line;
        }
    }
    EXPECT_EQ(3, lines);

    EXPECT_EQ(2, RegExportText("HKEY_CURRENT_USER\\Software\\Missing", text));
    EXPECT_EQ(87, RegExportText("HKEY_NOWHERE\\Software", text));
}

TEST_F(RegistryFile, RoundTripIsExact) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    struct Value {
        const char* key;
        const char* name;
        DWORD type;
        std::string data;
    } values[] = {
        {"Software\\Trip", "", REG_SZ, std::string("default\0", 8)},
        {"Software\\Trip", "@", REG_SZ, std::string("named at\0", 9)},
        {"Software\\Trip", "back\\slash \"and\" quotes", REG_SZ, std::string("\\\"\\\\\0", 5)},
        {"Software\\Trip", "equals=sign ;semicolon [brackets]", REG_SZ, std::string("=\0", 2)},
        {"Software\\Trip", "  spaces around  ", REG_SZ, std::string("  x  \0", 6)},
        {"Software\\Trip", "caf\xE9 \xC4rger", REG_SZ, std::string("\xE9t\xE9\0", 4)},
        {"Software\\Trip", "line\r\nbreaks", REG_SZ, std::string("one\r\ntwo\nthree\0", 15)},
        {"Software\\Trip", "no terminator", REG_SZ, "suite text"},
        {"Software\\Trip", "zeros inside", REG_SZ, std::string("a\0b\0", 4)},
        {"Software\\Trip", "empty string", REG_SZ, ""},
        {"Software\\Trip", "just a zero", REG_SZ, std::string("\0", 1)},
        {"Software\\Trip", "all bytes", REG_BINARY, all + all},
        {"Software\\Trip", "empty", REG_BINARY, ""},
        {"Software\\Trip", "none", REG_NONE, "\x01"},
        {"Software\\Trip", "dword", REG_DWORD, Dword(0xFFFFFFFF)},
        {"Software\\Trip", "short dword", REG_DWORD, "\x01\x02"},
        {"Software\\Trip", "expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7)},
        {"Software\\Trip", "multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
        {"Software\\Trip", "odd type", 0xFFFFFFFF, "x"},
        {"Software\\Trip\\key ] with [ brackets", "v", REG_SZ, std::string("1\0", 2)},
        {"Software\\Trip\\\xC4rger\\ \"quoted\" key ", "", REG_BINARY, std::string(1, '\0')},
        {"Software\\Trip\\Empty Key\\Below", "v", REG_DWORD, Dword(7)},
    };
    for (const auto& v : values)
        ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, v.key, v.name, v.type, v.data)) << v.name;
    HKEY empty;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Trip\\Empty Key\\Leaf", &empty));
    RegCloseKey(empty);

    std::string first, second;
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Trip", first));
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Trip"));
    std::string path = tessaly::testing::WriteFile(prefix_.scratch() + "/trip.reg", first);
    std::string message;
    ASSERT_EQ(0, RegImportFile(path, message)) << message << "\n" << first;
    ASSERT_EQ(0, RegExportText("HKEY_LOCAL_MACHINE\\Software\\Trip", second));
    EXPECT_EQ(first, second);

    for (const auto& v : values) {
        SCOPED_TRACE(v.name);
        DWORD type = 0;
        LONG rc = -1;
        EXPECT_EQ(v.data, Get(HKEY_LOCAL_MACHINE, v.key, v.name, &rc, &type));
        EXPECT_EQ(0, rc);
        EXPECT_EQ(v.type, type);
    }
    HKEY k;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Trip", 0, KEY_READ, &k));
    std::vector<std::string> order;
    for (const auto& v : values)
        if (std::string(v.key) == "Software\\Trip") order.push_back(v.name);
    EXPECT_EQ(order, ValueNames(k));
    RegCloseKey(k);
    ASSERT_EQ(
        0, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Trip\\Empty Key\\Leaf", 0, KEY_READ, &k));
    RegCloseKey(k);

    // The classes view exports under its own name and comes back to the same place.
    ASSERT_EQ(0, Put(HKEY_CLASSES_ROOT, ".trip\\shell\\open\\command", "", REG_SZ,
                     std::string("prog \"%1\"\0", 10)));
    ASSERT_EQ(0, RegExportText("HKCR\\.trip", first));
    EXPECT_NE(std::string::npos, first.find("[HKEY_CLASSES_ROOT\\.trip\\shell\\open\\command]"));
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_CLASSES_ROOT, ".trip"));
    ASSERT_EQ(0, RegImportText(first));
    ASSERT_EQ(0, RegExportText("HKCR\\.trip", second));
    EXPECT_EQ(first, second);
}

} // namespace
