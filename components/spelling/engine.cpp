// The spelling engine's session on Hunspell: dictionaries, options, word checks, suggestions.
#include "engine.h"

#include <hunspell/hunspell.hxx>

#include <QChar>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace tessaly::spelling {

namespace pf = tessaly::platform;

namespace {

const char kOptionsKey[] = "Software\\Varnholt\\Spelling Engine";

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The folders searched for Hunspell dictionaries: DICPATH (as the hunspell command reads
// it), then the system's.
std::vector<std::string> dictionaryFolders() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("DICPATH")) {
        std::string list = env;
        size_t start = 0;
        while (start <= list.size()) {
            const size_t end = std::min(list.find(':', start), list.size());
            if (end > start) folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    folders.push_back("/usr/share/hunspell");
    folders.push_back("/usr/share/myspell/dicts");
    return folders;
}

DWORD readDword(HKEY key, const char* name, DWORD fallback) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (pf::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            0 ||
        type != REG_DWORD)
        return fallback;
    return value;
}

std::u32string toU32(const std::string& utf8) {
    const QString q = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QList<uint> ucs4 = q.toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

std::string fromU32(const std::u32string& text) {
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()))
        .toUtf8()
        .toStdString();
}

// Letter case of a suggestion made like the word's: capitalised or all capitals.
std::string matchCase(const std::string& word, const std::string& suggestion) {
    const QString w = QString::fromUtf8(word.c_str());
    QString s = QString::fromUtf8(suggestion.c_str());
    if (w.size() > 1 && w == w.toUpper()) return s.toUpper().toUtf8().toStdString();
    if (!w.isEmpty() && w[0].isUpper() && !s.isEmpty()) s[0] = s[0].toUpper();
    return s.toUtf8().toStdString();
}

} // namespace

std::string ToUtf8(const std::string& ansi) {
    return isAscii(ansi) ? ansi : pf::AnsiToUtf8(ansi);
}

std::string FromUtf8(const std::string& utf8) {
    return isAscii(utf8) ? utf8 : pf::Utf8ToAnsi(utf8);
}

Engine& TheEngine() {
    static Engine engine;
    return engine;
}

void Engine::Refresh() {
    Options read;
    HKEY key = nullptr;
    if (pf::RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, pf::KEY_READ, &key) == 0) {
        read.bits = static_cast<int>(readDword(key, "Options", SSCE_DEFAULT_OPTIONS));
        read.depth = std::clamp(static_cast<int>(readDword(key, "Suggestion Depth", 1)), 0, 2);
        char name[64] = {};
        DWORD type = 0, size = sizeof name - 1;
        if (pf::RegQueryValueExA(key, "Main Dictionary", nullptr, &type,
                                 reinterpret_cast<BYTE*>(name), &size) == 0 &&
            type == REG_SZ && name[0])
            read.language = name;
        pf::RegCloseKey(key);
    }
    options_ = read;
    optionsRead_ = true;
}

void Engine::SetOptions(const Options& options) {
    options_ = options;
    optionsRead_ = true;
    HKEY key = nullptr;
    if (pf::RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, pf::KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != 0)
        return;
    const DWORD bits = static_cast<DWORD>(options.bits), depth = static_cast<DWORD>(options.depth);
    pf::RegSetValueExA(key, "Options", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits),
                       sizeof bits);
    pf::RegSetValueExA(key, "Suggestion Depth", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&depth),
                       sizeof depth);
    pf::RegSetValueExA(key, "Main Dictionary", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(options.language.c_str()),
                       static_cast<DWORD>(options.language.size() + 1));
    pf::RegCloseKey(key);
}

std::vector<std::string> Engine::InstalledDictionaries() {
    std::vector<std::string> names;
    for (const auto& folder : dictionaryFolders()) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            const auto path = entry.path();
            if (path.extension() != ".dic") continue;
            auto aff = path;
            aff.replace_extension(".aff");
            const std::string name = path.stem().string();
            if (std::filesystem::exists(aff, ec) &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Engine::DictionaryFiles(const std::string& name) {
    std::error_code ec;
    for (const auto& folder : dictionaryFolders()) {
        const std::string aff = folder + "/" + name + ".aff", dic = folder + "/" + name + ".dic";
        if (std::filesystem::exists(aff, ec) && std::filesystem::exists(dic, ec)) return {aff, dic};
    }
    // Where it was looked for first: the files a caller reports missing.
    const std::string first = dictionaryFolders().front();
    return {first + "/" + name + ".aff", first + "/" + name + ".dic"};
}

bool Engine::EnsureLoaded() {
    if (!optionsRead_) Refresh();
    if (dictionary_ && loadedLanguage_ == options_.language) return true;
    dictionary_.reset();
    const auto files = DictionaryFiles(options_.language);
    std::error_code ec;
    if (options_.language.find('/') != std::string::npos ||
        !std::filesystem::exists(files[0], ec) || !std::filesystem::exists(files[1], ec))
        return false;
    dictionary_ = std::make_unique<Hunspell>(files[0].c_str(), files[1].c_str());
    loadedLanguage_ = options_.language;
    // The letters the dictionary's TRY line ranks, for the single-letter edits.
    tryLetters_.clear();
    std::ifstream aff(files[0]);
    for (std::string line; std::getline(aff, line);) {
        if (line.rfind("TRY ", 0) == 0) {
            tryLetters_ = toU32(line.substr(4));
            break;
        }
    }
    if (tryLetters_.empty()) tryLetters_ = U"esianrtolcdugmphbyfvkwzjxq";
    loadUserWords();
    return true;
}

const ByteClasses& Engine::Classes() {
    const unsigned cp = pf::GetACP();
    if (classes_.codePage == cp) return classes_;
    ByteClasses c;
    c.codePage = cp;
    for (int b = 0; b < 256; ++b) {
        if (pf::IsDBCSLeadByteEx(cp, static_cast<BYTE>(b))) {
            c.lead[b] = c.letter[b] = true;
            continue;
        }
        const std::u16string wide = pf::AnsiToUtf16(std::string(1, static_cast<char>(b)));
        if (wide.size() != 1) continue;
        const QChar ch(wide[0]);
        c.letter[b] = ch.isLetterOrNumber() && !(b >= 0x80 && ch.isNumber());
        c.upper[b] = ch.isUpper();
        c.lower[b] = ch.isLower();
    }
    classes_ = c;
    return classes_;
}

bool Engine::spells(const std::string& utf8) {
    return dictionary_ && dictionary_->spell(utf8);
}

WordCheck Engine::Check(const std::string& word, bool wantCorrection) {
    WordCheck result;
    if (word.empty() || !EnsureLoaded()) return result;
    const ByteClasses& cls = Classes();
    const int opt = options_.bits;
    int letters = 0, uppers = 0, digits = 0;
    bool dot = false, upperAfterFirst = false;
    for (size_t i = 0; i < word.size(); ++i) {
        const auto b = static_cast<unsigned char>(word[i]);
        if (b == '.') dot = true;
        if (b >= '0' && b <= '9') {
            ++digits;
            continue;
        }
        if (!cls.letter[b]) continue;
        ++letters;
        if (cls.upper[b]) {
            ++uppers;
            if (i > 0) upperAfterFirst = true;
        }
        if (cls.lead[b]) ++i; // its trail byte
    }
    const bool allCaps = letters > 1 && uppers == letters;
    const bool capitalised = uppers == 1 && !upperAfterFirst && letters > 0;
    if (dot && (opt & SSCE_IGNORE_DOMAIN_NAMES_OPT)) return {SSCE_IGNORED_WORD_RSLT, {}};
    if (digits > 0 && (letters == 0 || (opt & SSCE_IGNORE_MIXED_DIGITS_OPT)))
        return {SSCE_IGNORED_WORD_RSLT, {}};
    if ((allCaps && (opt & SSCE_IGNORE_ALL_CAPS_WORD_OPT)) ||
        (capitalised && (opt & SSCE_IGNORE_CAPPED_WORD_OPT)) ||
        (upperAfterFirst && !allCaps && (opt & SSCE_IGNORE_MIXED_CASE_OPT)))
        return {SSCE_IGNORED_WORD_RSLT, {}};
    const std::string utf8 = ToUtf8(word);
    if (spells(utf8)) return result;
    // Known with other letter case: a capitalisation error when case matters, else a pass.
    const QString q = QString::fromUtf8(utf8.c_str());
    QString lower = q.toLower(), capital = lower;
    if (!capital.isEmpty()) capital[0] = capital[0].toUpper();
    if (spells(lower.toUtf8().toStdString()) || spells(capital.toUtf8().toStdString()) ||
        spells(q.toUpper().toUtf8().toStdString()))
        return {(opt & SSCE_CASE_SENSITIVE_OPT) ? SSCE_CAPITALISATION_RSLT : 0, {}};
    result.flags = SSCE_MISSPELLED_WORD_RSLT;
    if (wantCorrection && (opt & SSCE_AUTO_CORRECT_OPT) && dictionary_) {
        // Only a sure correction: the dictionary's best guess is the word with two
        // neighbouring letters swapped.
        const auto guesses = dictionary_->suggest(utf8);
        if (!guesses.empty()) {
            const std::u32string w = toU32(utf8), g = toU32(guesses.front());
            if (w.size() == g.size())
                for (size_t i = 0; i + 1 < w.size(); ++i) {
                    std::u32string swapped = w;
                    std::swap(swapped[i], swapped[i + 1]);
                    if (swapped == g && w[i] != w[i + 1]) {
                        result.flags |= SSCE_AUTO_CORRECTION_RSLT;
                        result.correction = FromUtf8(guesses.front());
                        break;
                    }
                }
        }
    }
    return result;
}

// Single-letter edits that the dictionary knows: swaps, deletions, replacements, insertions.
std::vector<std::string> Engine::editCandidates(const std::string& utf8, size_t limit) {
    std::vector<std::string> found;
    const QString q = QString::fromUtf8(utf8.c_str());
    const std::u32string word = toU32(q.toLower().toUtf8().toStdString());
    auto consider = [&](const std::u32string& candidate) {
        if (found.size() >= limit || candidate.empty()) return;
        const std::string text = fromU32(candidate);
        if (std::find(found.begin(), found.end(), text) == found.end() && spells(text))
            found.push_back(text);
    };
    for (size_t i = 0; i + 1 < word.size(); ++i) {
        std::u32string c = word;
        std::swap(c[i], c[i + 1]);
        if (c != word) consider(c);
    }
    for (size_t i = 0; i < word.size(); ++i)
        consider(word.substr(0, i) + word.substr(i + 1));
    for (size_t i = 0; i < word.size(); ++i)
        for (char32_t letter : tryLetters_) {
            if (letter == word[i] || letter == U'\'' || QChar::isUpper(letter)) continue;
            std::u32string c = word;
            c[i] = letter;
            consider(c);
        }
    for (size_t i = 0; i <= word.size(); ++i)
        for (char32_t letter : tryLetters_) {
            if (letter == U'\'' || QChar::isUpper(letter)) continue;
            consider(word.substr(0, i) + letter + word.substr(i));
        }
    for (auto& s : found)
        s = matchCase(utf8, s);
    return found;
}

std::vector<std::string> Engine::Suggest(const std::string& word) {
    std::vector<std::string> out;
    if (word.empty() || !EnsureLoaded()) return out;
    const std::string utf8 = ToUtf8(word);
    const int opt = options_.bits, depth = options_.depth;
    const size_t limit = depth == SSCE_DEPTH_FAST ? 4 : depth == SSCE_DEPTH_MODERATE ? 10 : 20;
    std::vector<std::string> utf8Out;
    auto add = [&](const std::string& s) {
        if (utf8Out.size() < limit && s != utf8 &&
            std::find(utf8Out.begin(), utf8Out.end(), s) == utf8Out.end())
            utf8Out.push_back(s);
    };
    if (depth != SSCE_DEPTH_FAST && (opt & SSCE_SUGGEST_PHONETIC_OPT))
        for (const auto& s : dictionary_->suggest(utf8))
            add(s);
    if ((opt & SSCE_SUGGEST_TYPOGRAPHICAL_OPT) && (depth != SSCE_DEPTH_MODERATE || utf8Out.empty()))
        for (const auto& s : editCandidates(utf8, limit))
            add(s);
    if (depth == SSCE_DEPTH_SLOW && (opt & SSCE_SUGGEST_SPLIT_WORDS_OPT)) {
        const std::u32string w = toU32(utf8);
        for (size_t i = 1; i < w.size(); ++i) {
            const std::string left = fromU32(w.substr(0, i)), right = fromU32(w.substr(i));
            if (spells(left) && spells(right)) add(left + " " + right);
        }
    }
    for (const auto& s : utf8Out) {
        const std::string ansi = FromUtf8(s);
        // A suggestion the code page cannot hold would reach the caller as question marks.
        if (ansi.find('?') == std::string::npos || s.find('?') != std::string::npos)
            out.push_back(ansi);
    }
    return out;
}

std::string Engine::UserLexPath() const {
    char folder[260] = {};
    if (!pf::SHGetSpecialFolderPathA(nullptr, folder, pf::CSIDL_APPDATA, FALSE)) return {};
    return std::string(folder) + "\\Tessaly\\userdic.tlx";
}

void Engine::loadUserWords() {
    userWords_.clear();
    const std::string path = UserLexPath();
    if (path.empty()) return;
    std::ifstream in(pf::ToPosixPath(path), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        userWords_.insert(line);
        if (dictionary_) dictionary_->add(ToUtf8(line));
    }
}

bool Engine::IsUserWord(const std::string& word) const {
    return userWords_.count(word) != 0;
}

bool Engine::AddUserWord(const std::string& word) {
    if (word.empty() || word.find_first_of("\r\n") != std::string::npos) return false;
    EnsureLoaded();
    if (userWords_.count(word)) return true;
    const std::string path = UserLexPath();
    if (path.empty()) return false;
    const std::string posix = pf::ToPosixPath(path);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(posix).parent_path(), ec);
    std::ofstream out(posix, std::ios::binary | std::ios::app);
    out << word << "\r\n";
    if (!out) return false;
    userWords_.insert(word);
    if (dictionary_) dictionary_->add(ToUtf8(word));
    return true;
}

} // namespace tessaly::spelling
