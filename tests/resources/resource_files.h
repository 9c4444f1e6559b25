#pragma once
// Readers for the compiled resource files (.res) and the resource scripts, so the tests can
// check what windres actually produced from the scripts.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::testing::res {

// A type or name of a resource: a number or a text.
struct ResId {
    bool numeric = true;
    std::uint16_t number = 0;
    std::u16string text;
};

struct Resource {
    ResId type;
    ResId name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

// Every resource of a .res file, in file order (the leading empty entry left out).
// Throws std::runtime_error when the file is missing or malformed.
std::vector<Resource> ReadResFile(const std::string& path);

// One string of a string table: its id, the language of its block and its UTF-16 text.
struct StringEntry {
    unsigned id = 0;
    std::uint16_t language = 0;
    std::u16string text;
};

// The non-empty strings of all string-table blocks, in file order; an id stored twice
// (in two blocks) appears twice. Throws std::runtime_error on a malformed block.
std::vector<StringEntry> StringTableEntries(const std::vector<Resource>& resources);

// One node of a version resource (VS_VERSIONINFO, StringFileInfo, a string table, a string,
// VarFileInfo, a Var).
struct VersionNode {
    std::u16string key;
    std::uint16_t type = 0; // 1 text, 0 binary
    std::vector<std::uint8_t> value;
    std::vector<VersionNode> children;

    const VersionNode* Child(const std::u16string& childKey) const;
    // The value as text, up to its terminating zero.
    std::u16string Text() const;
};

// Parses the data of a version resource; throws std::runtime_error when malformed.
VersionNode ParseVersionInfo(const std::vector<std::uint8_t>& data);

// UTF-16 text in Windows-1252 bytes, as the library hands strings to its callers; nothing when
// a character has no place in that code page.
std::optional<std::string> ToCp1252(const std::u16string& text);
std::string ToUtf8(const std::u16string& text);

// The "#define NAME NUMBER" lines of a header.
std::map<std::string, unsigned> ReadDefines(const std::string& path);

// An entry of a STRINGTABLE block in a resource script, with its id resolved through the
// header's names (nothing when the name is unknown) and its line number.
struct ScriptEntry {
    std::string token;
    std::optional<unsigned> id;
    int line = 0;
};
std::vector<ScriptEntry> ReadScriptStringEntries(const std::string& path,
                                                 const std::map<std::string, unsigned>& names);

} // namespace tessaly::testing::res
