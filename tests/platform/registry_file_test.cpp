// Registry files: the editor's grammar line by line, version 5 text, the writer's form, and
// round trips of whatever the store can hold.
#include <map>
#include <random>

#include "platform/codepage.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryFile : public PrefixTest {};

TEST_F(RegistryFile, ReadsWhatTheEditorReadsAndRefusesWhatItRefuses) {
    struct Case {
        const char* lines; // after the header and the line of key Software\G<row>
        int line;          // the faulty line, or 0 when the text is taken
        DWORD type = 0;
        std::string data = {};
        const char* name = "v";
    } cases[] = {
        {"\"v\"=\"text\"", 0, REG_SZ, std::string("text\0", 5)},
        {"  \"v\" = \"C:\\\\P\\\\\\\"q\\\"\"  ", 0, REG_SZ, std::string("C:\\P\\\"q\"\0", 9)},
        {"@=\"default\"", 0, REG_SZ, std::string("default\0", 8), ""},
        {"\"@\"=\"at\"", 0, REG_SZ, std::string("at\0", 3), "@"},
        {"\"v\"=dword:02040608 ;note", 0, REG_DWORD, Dword(0x02040608)},
        {"\"v\"=hex:", 0, REG_BINARY, ""},
        {"\"v\"=hex(2):25,41,25,00", 0, REG_EXPAND_SZ, std::string("%A%\0", 4)},
        {"\"v\"=hex:56,00,\\;note\r\n  57", 0, REG_BINARY, std::string("\x56\0\x57", 3)},
        {"\"v\"=hex:56, \\\r\n; own line\r\n# hash\r\n\r\n\t57,\\\r58", 0, REG_BINARY,
         "\x56\x57\x58"},
        {"# a comment line\n; another\n\"v\"=-", 0, 0, "", "gone"},
        {"\"v\"=hex:63,6\\\n f", 1},
        {"\"v\"=hex:63,\\\n\\\n6f", 2},
        {"\"v\"=hex:63,", 1},
        {"\"v\"=hex:0g", 1},
        {"\"v\"=\"\\0\"", 1},
        {"\"v\"=\"two\nlines\"", 1},
        {"\"v\"=dword:123456789", 1},
        {"\"v\"=\"x\" trailing", 1},
        {"stray", 1},
        {"[HKEY_USERS\\X]", 1},
        {"[-HKEY_CURRENT_USER]", 1},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        std::string key = "Software\\G" + std::to_string(++row);
        ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Old", "gone", REG_SZ, "1"));
        std::string message;
        LONG rc =
            RegImportText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Old]\n\"gone\"=-\n[HKCU\\" +
                              key + "]\n" + c.lines + "\n",
                          message);
        if (c.line) {
            EXPECT_EQ(13, rc);
            EXPECT_EQ(0u, message.find("line " + std::to_string(c.line + 4) + ":")) << message;
            // Nothing of a refused text is done.
            EXPECT_EQ("1", Get(HKEY_CURRENT_USER, "Software\\Old", "gone"));
            continue;
        }
        ASSERT_EQ(0, rc) << message;
        DWORD type = 0; // 0 for the value deleted
        std::string where = std::string(c.name) == "gone" ? "Software\\Old" : key;
        EXPECT_EQ(c.data, Get(HKEY_CURRENT_USER, where.c_str(), c.name, nullptr, &type));
        EXPECT_EQ(c.type, type);
    }
    // A deleted key takes its subtree, and values under it are skipped, as the editor does.
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Del\\Deep", "v", REG_SZ, "1"));
    ASSERT_EQ(0, RegImportText("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Del]\n\"v\"=\"no\"\n"
                               "[-HKEY_CURRENT_USER\\Software\\Never]\n"));
    HKEY k;
    EXPECT_EQ(2, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Del", 0, KEY_READ, &k));
    for (const char* text : {"", "REGEDIT5\n", "REGEDIT4\n\"v\"=\"before any key\"\n"})
        EXPECT_EQ(13, RegImportText(text)) << text;
}

TEST_F(RegistryFile, VersionFiveTextIsConvertedToTheCodePage) {
    const std::string body = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9]\r\n"
                             "\"n\xC3\xA4me\"=\"\xC3\xA9t\xC3\xA9\"\r\n"
                             "\"x\"=hex(2):25,00,e9,00,00,00\r\n"
                             "\"b\"=hex:e9,00\r\n";
    auto utf16 = [](const std::string& utf8) {
        std::u16string wide = AnsiToUtf16(Utf8ToAnsi(utf8));
        return std::string("\xFF\xFE") +
               std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    };
    // The text; what the message says, or null when the text is taken.
    const std::pair<std::string, const char*> cases[] = {
        {body, nullptr},
        {"\xEF\xBB\xBF" + body, nullptr},
        {utf16(body), nullptr},
        {body + "\"\xE6\x97\xA5\"=\"\"", "line 7: character U+65E5 has no place in code page 1252"},
        {std::string("\xFF\xFE\x41"), "line 1:"},
        {body + "\"bad\"=\"\xC3\"\r\n", "line 7:"},
    };
    for (const auto& [text, fault] : cases) {
        ASSERT_EQ(0, RegDeleteTreeA(HKEY_CURRENT_USER, nullptr));
        std::string message;
        ASSERT_EQ(fault ? 13 : 0, RegImportText(text, message)) << message;
        EXPECT_NE(std::string::npos, message.find(fault ? fault : "")) << message;
        // All of the text or none of it; string types converted, binary data as given.
        for (auto [name, data] : {std::pair{"n\xE4me", std::string("\xE9t\xE9\0", 4)},
                                  {"x", std::string("%\xE9\0", 3)},
                                  {"b", std::string("\xE9\0", 2)}})
            EXPECT_EQ(fault ? "" : data, Get(HKEY_CURRENT_USER, "Software\\Caf\xE9", name));
    }
}

TEST_F(RegistryFile, ExportWritesTheEditorsForm) {
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "", REG_SZ, std::string("def\0", 4)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "s", REG_SZ, std::string("a\"b\\\0", 5)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "raw", REG_SZ, "ab"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "l\r\nb", REG_SZ, std::string("\n\0", 2)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp", "n", REG_DWORD, Dword(0x1234abcd)));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\b", "x", REG_BINARY, "\x01\xfe"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\A", "m", REG_MULTI_SZ, ""));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\A\\Deep", "t", 0x2a, "z"));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\br\"\nk", "", REG_BINARY, ""));
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Exp\\w", std::string(70, 'n').c_str(),
                     REG_BINARY, std::string(27, 'A')));
    std::string row; // the first byte stays on the name's line, then 25 to a line
    for (int i = 0; i < 25; ++i)
        row += "41,";
    std::string text;
    ASSERT_EQ(0, RegExportText("hkcu\\SOFTWARE\\exp", text));
    EXPECT_EQ("REGEDIT4\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp]\r\n"
              "@=\"def\"\r\n"
              "\"s\"=\"a\\\"b\\\\\"\r\n"
              "\"raw\"=hex(1):61,62\r\n"
              "\"l\\r\\nb\"=hex(1):0a,00\r\n"
              "\"n\"=dword:1234abcd\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\A]\r\n"
              "\"m\"=hex(7):\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\A\\Deep]\r\n"
              "\"t\"=hex(2a):7a\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\b]\r\n"
              "\"x\"=hex:01,fe\r\n\r\n"
              "[\"HKEY_CURRENT_USER\\\\Software\\\\Exp\\\\br\\\"\\nk\"]\r\n"
              "@=hex:\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Exp\\w]\r\n\"" +
                  std::string(70, 'n') + "\"=hex:41,\\\r\n  " + row + "\\\r\n  41\r\n\r\n",
              text);
    EXPECT_EQ(2, RegExportText("HKEY_CURRENT_USER\\Software\\Missing", text));
    EXPECT_EQ(87, RegExportText("HKEY_NOWHERE\\Software", text));
}

// Every key and value the store can hold comes back from its export: random names of every
// byte (long ones too), every type, random data.
TEST_F(RegistryFile, EverythingStoredRoundTrips) {
    std::mt19937 random(20261206);
    auto bytes = [&](size_t length, bool name) {
        std::string s;
        while (s.size() < length) {
            char c = char(random() % 256);
            if (!name || (c != '\0' && c != '\\')) s += c;
        }
        return s;
    };
    const DWORD types[] = {REG_NONE,     REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                           REG_MULTI_SZ, 11,     0xFFFFFFFF};
    std::map<std::pair<std::string, std::string>, std::pair<DWORD, std::string>> written;
    std::string path = "Software\\Trip";
    for (int i = 0; i < 60; ++i) {
        if (i % 6 == 0) path = "Software\\Trip";
        path += "\\" + bytes(i % 10 == 0 ? 255 : 1 + random() % 12, true);
        for (int v = random() % 5; v > 0; --v) {
            DWORD type = types[random() % 8];
            std::string data = bytes(random() % 3 ? random() % 40 : 400, false);
            if (type == REG_SZ && random() % 2) data = bytes(random() % 20, true) + '\0';
            if (type == REG_DWORD && random() % 2) data = data.substr(0, 4) + "    ";
            std::string name = bytes(v == 1 && i % 7 == 0 ? 2000 : random() % 20, true);
            ASSERT_EQ(0, Put(HKEY_CURRENT_USER, path.c_str(), name.c_str(), type, data));
            written[{path, name}] = {type, data};
        }
    }
    ASSERT_GT(written.size(), 80u);
    std::string first, second, message;
    ASSERT_EQ(0, RegExportText("HKEY_CURRENT_USER\\Software\\Trip", first));
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Trip"));
    std::string file = tessaly::testing::WriteFile(prefix_.scratch() + "/trip.reg", first);
    ASSERT_EQ(0, RegImportFile(file, message)) << message;
    int changed = 0; // each value back exactly as given, with its type
    for (const auto& [where, value] : written) {
        DWORD type = 0;
        changed += Get(HKEY_CURRENT_USER, where.first.c_str(), where.second.c_str(), nullptr,
                       &type) != value.second ||
                   type != value.first;
    }
    EXPECT_EQ(0, changed) << "of " << written.size();
    // Nothing more either: the export of what was imported is the same text.
    ASSERT_EQ(0, RegExportText("HKEY_CURRENT_USER\\Software\\Trip", second));
    EXPECT_EQ(first, second);

    // The classes view exports under its own name and comes back to the same place.
    ASSERT_EQ(0, Put(HKEY_CLASSES_ROOT, ".trip\\shell", "", REG_SZ, std::string("p \"%1\"\0", 7)));
    ASSERT_EQ(0, RegExportText("HKCR\\.trip", first));
    EXPECT_NE(std::string::npos, first.find("[HKEY_CLASSES_ROOT\\.trip\\shell]"));
    ASSERT_EQ(0, RegDeleteTreeA(HKEY_CLASSES_ROOT, ".trip"));
    ASSERT_EQ(0, RegImportText(first));
    ASSERT_EQ(0, RegExportText("HKCR\\.trip", second));
    EXPECT_EQ(first, second);
}

} // namespace
