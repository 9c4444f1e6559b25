#pragma once
// The compiled English and German resource modules and the resource scripts they come from.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

namespace tessaly::testing::res {

struct Module {
    const char* name;
    std::string res;    // compiled resource file in the build folder
    std::string script; // resource script in the source tree
};

const Module& EnglishModule();
const Module& GermanModule(); // built with the TessalyGe target
std::vector<const Module*> AllModules();
std::string HeaderPath();

// Every dialog template and every non-empty string-table text of the module, by number.
std::map<unsigned, platform::DialogTemplate> Templates(const Module& module);
std::map<unsigned, std::u16string> Strings(const Module& module);

// UTF-16 text in Windows-1252 bytes, as callers get it; nothing when a character does not fit.
std::optional<std::string> ToCp1252(const std::u16string& text);
std::string ToUtf8(const std::u16string& text);

// The "#define NAME NUMBER" lines of a header.
std::map<std::string, unsigned> ReadDefines(const std::string& path);

// A STRINGTABLE entry of a script, its id resolved by the header's names, and its line.
struct ScriptEntry {
    std::string token;
    std::optional<unsigned> id;
    int line = 0;
};
std::vector<ScriptEntry> ReadScriptStringEntries(const std::string& path,
                                                 const std::map<std::string, unsigned>& names);

} // namespace tessaly::testing::res
