#include "resource_files.h"

#include <iconv.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform/module.h"

namespace p = tessaly::platform;

namespace tessaly::testing::res {
namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The compiled resource file registered as a module of this process (kept for its lifetime).
HMODULE Handle(const Module& module) {
    static std::map<const Module*, std::string> data;
    static std::map<const Module*, HMODULE> handles;
    if (!handles.count(&module)) {
        data[&module] = ReadWhole(module.res);
        handles[&module] = p::RegisterResourceModule(std::string("TestRes") + module.name,
                                                     data[&module].data(), data[&module].size());
    }
    return handles[&module];
}

std::optional<std::string> Convert(const std::u16string& text, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-16LE");
    if (cd == iconv_t(-1)) throw std::runtime_error(std::string("iconv cannot convert to ") + to);
    std::string in(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    std::string out(text.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    // A character that does not fit is an error, or a nonzero count of substitutions.
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc != 0 || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

const Module& EnglishModule() {
    static const Module m{"English", TESSALY_BUILD_DIR "/resources/Tessaly.res",
                          TESSALY_SOURCE_DIR "/resources/Tessaly.rc"};
    return m;
}

const Module& GermanModule() {
    static const Module m{"German", TESSALY_BUILD_DIR "/resources/TessalyGe.res",
                          TESSALY_SOURCE_DIR "/resources/lang/Ge/Tessaly.rc"};
    return m;
}

std::vector<const Module*> AllModules() {
    return {&EnglishModule(), &GermanModule()};
}

std::string HeaderPath() {
    return TESSALY_SOURCE_DIR "/resources/resource.h";
}

std::map<unsigned, p::DialogTemplate> Templates(const Module& module) {
    std::map<unsigned, p::DialogTemplate> templates;
    for (unsigned id = 1; id <= 0xFFFF; ++id) {
        DWORD size = 0;
        if (const void* data = p::FindResourceData(Handle(module), p::RT_DIALOG, WORD(id), &size))
            if (!p::ParseDialogTemplate(data, size, templates[id]))
                throw std::runtime_error(std::string(module.name) + ": bad dialog " +
                                         std::to_string(id));
    }
    return templates;
}

std::map<unsigned, std::u16string> Strings(const Module& module) {
    std::map<unsigned, std::u16string> strings;
    // Block n holds the ids (n - 1) * 16 to (n - 1) * 16 + 15, each as a counted text.
    for (unsigned block = 1; block <= 4096; ++block) {
        DWORD size = 0;
        const auto* words = static_cast<const char16_t*>(
            p::FindResourceData(Handle(module), p::RT_STRING, WORD(block), &size));
        for (DWORD at = 0, i = 0; words && i < 16 && at < size / 2; ++i) {
            if (at + 1 + words[at] > size / 2) throw std::runtime_error("cut string block");
            const std::u16string text(words + at + 1, words[at]);
            if (!text.empty()) strings[(block - 1) * 16 + i] = text;
            at += 1 + words[at];
        }
    }
    return strings;
}

std::optional<std::string> ToCp1252(const std::u16string& text) {
    return Convert(text, "WINDOWS-1252");
}

std::string ToUtf8(const std::u16string& text) {
    return Convert(text, "UTF-8").value_or("?");
}

std::map<std::string, unsigned> ReadDefines(const std::string& path) {
    std::istringstream in(ReadWhole(path));
    static const std::regex define(
        R"(^\s*#\s*define\s+([A-Za-z_]\w*)\s+(0[xX][0-9A-Fa-f]+|\d+)\s*(//.*)?$)");
    std::map<std::string, unsigned> names;
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_match(line, m, define)) names[m[1]] = unsigned(std::stoul(m[2], nullptr, 0));
    return names;
}

std::vector<ScriptEntry> ReadScriptStringEntries(const std::string& path,
                                                 const std::map<std::string, unsigned>& names) {
    std::istringstream in(ReadWhole(path));
    static const std::regex keyword(R"(^\s*(\w+|\{|\}))");
    static const std::regex entry(R"(^\s*([A-Za-z_]\w*|0[xX][0-9A-Fa-f]+|\d+)\s*,?\s*L?".*$)");
    enum { Outside, Header, Inside } state = Outside;
    std::vector<ScriptEntry> entries;
    std::string line;
    int number = 0;
    std::smatch m;
    while (std::getline(in, line)) {
        ++number;
        std::string word;
        if (std::regex_search(line, m, keyword)) word = m[1];
        if (state == Outside) {
            if (word == "STRINGTABLE") state = Header;
        } else if (state == Header) {
            if (word == "BEGIN" || word == "{") state = Inside;
        } else if (word == "END" || word == "}") {
            state = Outside;
        } else if (std::regex_match(line, m, entry)) {
            const std::string token = m[1];
            std::optional<unsigned> id;
            if (std::isdigit(static_cast<unsigned char>(token[0])))
                id = unsigned(std::stoul(token, nullptr, 0));
            else if (auto it = names.find(token); it != names.end())
                id = it->second;
            entries.push_back({token, id, number});
        }
    }
    return entries;
}

} // namespace tessaly::testing::res
