// tessaly spell, related and table: spelling through the engine's block walk, related words
// and two-column tables through the library, naming the file that is missing when one is.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/spelling_engine.h>
#include <tessaly/text.h>
#include <tessaly/word_components.h>

#include "commands.h"
#include "platform/codepage.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace p = tessaly::platform;

template <typename F> F engineEntry(const char* name) {
    static HMODULE module = p::LoadLibraryA("SSCE5232.dll");
    if (!module) Fail("spell", "the spelling engine module SSCE5232.dll is missing");
    auto f = reinterpret_cast<F>(p::GetProcAddress(module, name));
    if (!f) Fail("spell", std::string("the spelling engine has no entry ") + name);
    return f;
}
#define ENGINE(name) engineEntry<decltype(&::name)>(#name)

// UTF-8 text to the code page; other bytes are taken as code-page text already.
std::string toAnsi(const std::string& bytes) {
    std::u16string wide;
    const bool utf8 =
        !bytes.empty() && p::MultiByteToWideChar(p::CP_UTF8, p::MB_ERR_INVALID_CHARS, bytes.data(),
                                                 static_cast<int>(bytes.size()), nullptr, 0) > 0;
    return utf8 ? p::Utf8ToAnsi(bytes) : bytes;
}

std::string readInput(const std::string& file) {
    if (file == "-")
        return std::string(std::istreambuf_iterator<char>(std::cin),
                           std::istreambuf_iterator<char>());
    std::ifstream in(file, std::ios::binary);
    if (!in) Fail("spell", "file " + file + " is missing");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string flagsText(int flags) {
    std::string text;
    auto add = [&](int bit, const char* name) {
        if (flags & bit) text += std::string(text.empty() ? "" : ", ") + name;
    };
    add(SSCE_MISSPELLED_WORD_RSLT, "misspelled");
    add(SSCE_DOUBLED_WORD_RSLT, "doubled");
    add(SSCE_CAPITALISATION_RSLT, "capitalisation");
    add(SSCE_AUTO_CORRECTION_RSLT, "auto-correction");
    add(SSCE_TOO_LONG_RSLT, "too long");
    return text;
}

// Each reported word as "LINE: WORD (kind): suggestions"; exit status 1 when there is one.
void spell(const std::string& file) {
    const std::string text = toAnsi(readInput(file));
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const SSCE_S16 block = ENGINE(SSCE_OpenBlock)(sid, buffer.data(), static_cast<int>(text.size()),
                                                  static_cast<int>(buffer.size()), 0);
    if (block < 0) {
        char paths[1024] = {};
        ENGINE(SSCE_GetMainLexPaths)(paths, sizeof paths);
        std::string missing;
        for (std::string rest = paths; !rest.empty();) {
            const std::string one = rest.substr(0, rest.find(','));
            rest = rest.size() > one.size() ? rest.substr(one.size() + 1) : "";
            if (!std::filesystem::exists(one)) missing += (missing.empty() ? "" : ", ") + one;
        }
        Fail("spell",
             "dictionary file " + (missing.empty() ? std::string(paths) : missing) + " is missing");
    }
    int reported = 0, line = 1;
    SSCE_S32 counted = 0;
    for (;;) {
        char word[64], other[64];
        const SSCE_S16 r = ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64);
        if (r == SSCE_END_OF_BLOCK_RSLT || r < 0) break;
        SSCE_S32 cursor = 0;
        ENGINE(SSCE_GetBlockInfo)(sid, block, nullptr, nullptr, &cursor, nullptr);
        for (; counted < cursor; ++counted)
            line += buffer[counted] == '\n';
        ++reported;
        CStringArray suggestions;
        if (!(r & SSCE_DOUBLED_WORD_RSLT)) GetSuggestionWordList(word, suggestions);
        std::string list;
        for (int i = 0; i < suggestions.GetSize(); ++i)
            list += (i ? ", " : "") + FromAnsi(suggestions[i].GetString());
        std::cout << line << ": " << FromAnsi(word) << " (" << flagsText(r) << "): " << list
                  << "\n";
        ENGINE(SSCE_NextBlockWord)(sid, block);
    }
    ENGINE(SSCE_CloseBlock)(sid, block);
    if (reported) throw CLI::RuntimeError(kFailed);
}

void related(const std::string& word) {
    const std::string folder = GetInstallDir().GetString();
    if (folder.empty())
        Fail("related", "data file Vere17.dav is missing: the installation folder "
                        "(HKEY_LOCAL_MACHINE\\Software\\Varnholt\\Tessaly2001\\INSTALLDIR) is "
                        "not set");
    const std::string dataFile = folder + "\\Vere17.dav";
    const std::string posix = p::ToPosixPath(dataFile);
    if (!std::filesystem::exists(posix)) Fail("related", "data file " + dataFile + " is missing");
    // The thesaurus files the data file names.
    std::ifstream in(posix);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#') continue;
        std::string named = line.substr(eq + 1);
        if (named.size() > 1 && named[1] == ':')
            named = p::ToPosixPath(named);
        else if (!named.empty() && named[0] != '/')
            named = posix.substr(0, posix.find_last_of('/') + 1) + named;
        if (!std::filesystem::exists(named))
            Fail("related", "thesaurus file " + named + " is missing");
    }
    CStringArray list;
    try {
        GetRelatedWordList(CString(ToAnsi("related", word).c_str()), list);
    } catch (const _com_error& e) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(e.Error()));
        Fail("related", std::string("the related-word component failed (") + code + ")");
    }
    for (int i = 0; i < list.GetSize(); ++i)
        std::cout << FromAnsi(list[i].GetString()) << "\n";
}

void table(const std::string& file) {
    if (!std::filesystem::exists(file)) Fail("table", "file " + file + " is missing");
    StartApplication("table", false);
    // The library's messages go to stderr instead of waiting for a person.
    std::vector<std::string> messages;
    tessaly::automation::SetMessageBoxHandler([&](const auto& info) {
        messages.push_back(info.text);
        return IDOK;
    });
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
        messages.push_back(d.GetText(1501));
        d.Click(1785);
    });
    CStringArray first, second;
    const int read = GetDataFromFile(
        CString(p::ToWindowsPath(std::filesystem::absolute(file).string()).c_str()), first, second);
    tessaly::automation::SetDialogHandler(nullptr);
    tessaly::automation::SetMessageBoxHandler(nullptr);
    for (const auto& m : messages)
        std::cerr << "tessaly: table: " << FromAnsi(m) << "\n";
    if (!read) throw CLI::RuntimeError(kFailed);
    for (int i = 0; i < first.GetSize() && i < second.GetSize(); ++i)
        std::cout << FromAnsi(first[i].GetString()) << "\t" << FromAnsi(second[i].GetString())
                  << "\n";
}

} // namespace

void addSpellCommands(CLI::App& app) {
    static std::string spellFile, relatedWord, tableFile;
    auto* s = app.add_subcommand("spell", "Misspelled words of a text file (- for standard input) "
                                          "with their lines and suggestions; status 1 when any");
    s->add_option("FILE", spellFile, "the text, UTF-8 or the ANSI code page")->required();
    s->callback([] { spell(spellFile); });
    auto* r = app.add_subcommand("related", "Words related to WORD, from the thesaurus");
    r->add_option("WORD", relatedWord)->required();
    r->callback([] { related(relatedWord); });
    auto* t = app.add_subcommand("table", "The two columns of a .xls, .ess, .csv or tabbed file");
    t->add_option("FILE", tableFile)->required();
    t->callback([] { table(tableFile); });
}

} // namespace tessaly::cli
