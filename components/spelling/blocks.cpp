// The spelling engine's entries: the session, blocks walked word by word in the caller's
// buffer, single words, suggestions and the user dictionary.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "engine.h"
#include "platform/codepage.h"
#include "platform/prefix.h"

using tessaly::spelling::Engine;
using tessaly::spelling::TheEngine;

namespace {

constexpr SSCE_S16 kSessionId = 1;
constexpr SSCE_S16 kUserLexId = 1;
constexpr int kMaxBlocks = 16;

struct Block {
    char* text = nullptr;
    int length = 0;
    int size = 0;
    std::vector<char> own; // the copy when the caller asked for one
    int cursor = 0;
    int wordLength = -1;  // the current word's length; -1 when none is current
    std::string previous; // the last word passed, for doubled words
    int previousEnd = -1;
};

std::map<SSCE_S16, Block>& blocks() {
    static std::map<SSCE_S16, Block> table;
    return table;
}

Block* findBlock(SSCE_S16 sid, SSCE_S16 id) {
    if (sid != kSessionId) return nullptr;
    auto it = blocks().find(id);
    return it == blocks().end() ? nullptr : &it->second;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The word starting at or after from: its start and length; false at the end.
bool nextWord(const Block& b, const tessaly::spelling::ByteClasses& cls, bool joinDots, int from,
              int& start, int& length) {
    auto letter = [&](int i) { return i < b.length && cls.letter[(unsigned char)b.text[i]]; };
    int i = from;
    while (i < b.length && !letter(i))
        ++i;
    if (i >= b.length) return false;
    start = i;
    while (i < b.length) {
        const auto c = static_cast<unsigned char>(b.text[i]);
        if (cls.lead[c]) {
            i += (i + 1 < b.length) ? 2 : 1;
        } else if (cls.letter[c]) {
            ++i;
        } else if ((c == '\'' || c == 0x92 || (joinDots && c == '.')) && letter(i + 1) &&
                   !cls.lead[c]) {
            ++i; // inside a word: an apostrophe, or a dot of a domain name
        } else {
            break;
        }
    }
    length = i - start;
    return true;
}

bool sameWord(const std::string& a, const char* b, int length) {
    if (static_cast<int>(a.size()) != length) return false;
    for (int i = 0; i < length; ++i) {
        const unsigned char x = a[i], y = b[i];
        if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y))) return false;
    }
    return true;
}

void copyOut(char* buffer, SSCE_S16 size, const std::string& text) {
    if (!buffer || size <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

} // namespace

SSCE_API SSCE_S16 SSCE_GetSid() {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    e.Refresh();
    return kSessionId;
}

SSCE_API SSCE_S16 SSCE_OpenBlock(SSCE_S16 sid, char* block, SSCE_S32 textLength, SSCE_S32 size,
                                 SSCE_S16 copyBlock) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (sid != kSessionId || !block || textLength < 0 || size <= textLength)
        return SSCE_INVALID_WORD_ERR;
    if (!e.EnsureLoaded()) return SSCE_NO_DICTIONARY_ERR;
    if (static_cast<int>(blocks().size()) >= kMaxBlocks) return SSCE_TOO_MANY_BLOCKS_ERR;
    SSCE_S16 id = 0;
    while (blocks().count(id))
        ++id;
    Block b;
    b.length = textLength;
    b.size = size;
    if (copyBlock) {
        b.own.assign(block, block + size);
        b.text = b.own.data();
    } else {
        b.text = block;
    }
    b.text[textLength] = '\0';
    blocks()[id] = std::move(b);
    return id;
}

SSCE_API SSCE_S16 SSCE_CheckBlock(SSCE_S16 sid, SSCE_S16 blockId, char* errorWord,
                                  SSCE_S16 errorWordSize, char* otherWord, SSCE_S16 otherWordSize) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    Block* b = findBlock(sid, blockId);
    if (!b) return SSCE_BAD_BLOCK_ID_ERR;
    copyOut(errorWord, errorWordSize, {});
    copyOut(otherWord, otherWordSize, {});
    if (!e.EnsureLoaded()) return SSCE_NO_DICTIONARY_ERR;
    tessaly::platform::CodePageScope scope;
    const auto& cls = e.Classes();
    const int opt = e.GetOptions().bits;
    const bool joinDots = opt & SSCE_IGNORE_DOMAIN_NAMES_OPT;
    int from = b->cursor, start = 0, length = 0;
    while (nextWord(*b, cls, joinDots, from, start, length)) {
        const std::string word(b->text + start, length);
        int flags = 0;
        std::string correction;
        if ((opt & SSCE_REPORT_DOUBLED_WORD_OPT) && b->previousEnd >= 0 &&
            b->previousEnd <= start && sameWord(b->previous, b->text + start, length) &&
            std::all_of(b->text + b->previousEnd, b->text + start, isBlank))
            flags = SSCE_DOUBLED_WORD_RSLT;
        else {
            auto check = e.Check(word, otherWord != nullptr);
            flags = check.flags;
            correction = std::move(check.correction);
        }
        constexpr int report = SSCE_MISSPELLED_WORD_RSLT | SSCE_DOUBLED_WORD_RSLT |
                               SSCE_CAPITALISATION_RSLT | SSCE_AUTO_CORRECTION_RSLT;
        if (flags & report) {
            b->cursor = start;
            b->wordLength = length;
            if (errorWordSize > 0 && length >= errorWordSize) flags |= SSCE_TOO_LONG_RSLT;
            copyOut(errorWord, errorWordSize, word);
            copyOut(otherWord, otherWordSize, correction);
            return static_cast<SSCE_S16>(flags);
        }
        b->previous = word;
        b->previousEnd = start + length;
        from = start + length;
    }
    b->cursor = b->length;
    b->wordLength = -1;
    return SSCE_END_OF_BLOCK_RSLT;
}

SSCE_API SSCE_S16 SSCE_GetBlockInfo(SSCE_S16 sid, SSCE_S16 blockId, SSCE_S32* textLength,
                                    SSCE_S32* size, SSCE_S32* cursor, SSCE_S32* wordCount) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    Block* b = findBlock(sid, blockId);
    if (!b) return SSCE_BAD_BLOCK_ID_ERR;
    if (textLength) *textLength = b->length;
    if (size) *size = b->size;
    if (cursor) *cursor = b->cursor;
    if (wordCount) {
        int count = 0, from = 0, start = 0, length = 0;
        const auto& cls = e.Classes();
        const bool joinDots = e.GetOptions().bits & SSCE_IGNORE_DOMAIN_NAMES_OPT;
        while (nextWord(*b, cls, joinDots, from, start, length)) {
            ++count;
            from = start + length;
        }
        *wordCount = count;
    }
    return 0;
}

SSCE_API SSCE_S16 SSCE_ReplaceBlockWord(SSCE_S16 sid, SSCE_S16 blockId, const char* word) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    Block* b = findBlock(sid, blockId);
    if (!b) return SSCE_BAD_BLOCK_ID_ERR;
    if (!word) return SSCE_INVALID_WORD_ERR;
    const int oldLength = std::max(b->wordLength, 0);
    const int newLength = static_cast<int>(std::strlen(word));
    const int total = b->length - oldLength + newLength;
    if (total + 1 > b->size) return SSCE_BUFFER_TOO_SMALL_ERR;
    char* at = b->text + b->cursor;
    std::memmove(at + newLength, at + oldLength, b->length - b->cursor - oldLength + 1);
    std::memcpy(at, word, newLength);
    b->length = total;
    b->wordLength = newLength;
    return 0;
}

SSCE_API SSCE_S16 SSCE_NextBlockWord(SSCE_S16 sid, SSCE_S16 blockId) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    Block* b = findBlock(sid, blockId);
    if (!b) return SSCE_BAD_BLOCK_ID_ERR;
    int start = b->cursor, length = b->wordLength;
    if (length < 0) {
        const bool joinDots = e.GetOptions().bits & SSCE_IGNORE_DOMAIN_NAMES_OPT;
        if (!nextWord(*b, e.Classes(), joinDots, b->cursor, start, length)) {
            b->cursor = b->length;
            return SSCE_END_OF_BLOCK_RSLT;
        }
    }
    b->previous.assign(b->text + start, length);
    b->previousEnd = start + length;
    b->cursor = start + length;
    b->wordLength = -1;
    return 0;
}

SSCE_API SSCE_S16 SSCE_CloseBlock(SSCE_S16 sid, SSCE_S16 blockId) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (!findBlock(sid, blockId)) return SSCE_BAD_BLOCK_ID_ERR;
    blocks().erase(blockId);
    return 0;
}

SSCE_API SSCE_S16 SSCE_CheckWord(SSCE_S16 sid, const char* word, char* otherWord,
                                 SSCE_S16 otherWordSize) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (sid != kSessionId || !word) return SSCE_INVALID_WORD_ERR;
    if (!e.EnsureLoaded()) return SSCE_NO_DICTIONARY_ERR;
    tessaly::platform::CodePageScope scope;
    auto check = e.Check(word, otherWord != nullptr);
    copyOut(otherWord, otherWordSize, check.correction);
    if (check.flags == 0 && e.IsUserWord(word)) return SSCE_USER_WORD_RSLT;
    return static_cast<SSCE_S16>(check.flags);
}

SSCE_API SSCE_S16 SSCE_Suggest(SSCE_S16 sid, const char* word, SSCE_S16 depth, char* suggestions,
                               SSCE_S32 suggestionsSize, SSCE_S16* scores, SSCE_S16 scoresSize) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (sid != kSessionId || !word || !suggestions || suggestionsSize < 1)
        return SSCE_INVALID_WORD_ERR;
    suggestions[0] = '\0';
    if (suggestionsSize > 1) suggestions[1] = '\0';
    if (!e.EnsureLoaded()) return SSCE_NO_DICTIONARY_ERR;
    tessaly::platform::CodePageScope scope;
    int used = 0;
    SSCE_S16 count = 0;
    for (const auto& s : e.Suggest(word)) {
        // A positive depth caps the count; the saved speed option has chosen its own cap already.
        if (depth > 0 && count >= depth) break;
        const int need = static_cast<int>(s.size()) + 1;
        if (s.empty() || used + need + 1 > suggestionsSize) break; // room for the final NUL
        std::memcpy(suggestions + used, s.c_str(), need);
        used += need;
        if (scores && count < scoresSize) scores[count] = static_cast<SSCE_S16>(count * 10);
        ++count;
    }
    suggestions[used] = '\0';
    return count;
}

SSCE_API SSCE_S16 SSCE_GetUserLexFiles(char* names, SSCE_S32 size) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (!names || size < 1) return SSCE_INVALID_WORD_ERR;
    const std::string path = e.UserLexPath();
    if (path.empty() || static_cast<int>(path.size()) >= size) {
        names[0] = '\0';
        return SSCE_FILE_ERR;
    }
    std::memcpy(names, path.c_str(), path.size() + 1);
    return 1;
}

SSCE_API SSCE_S16 SSCE_GetLexId(const char* fileName) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (!fileName) return SSCE_BAD_LEX_ID_ERR;
    const std::string user = e.UserLexPath();
    return !user.empty() && strcasecmp(user.c_str(), fileName) == 0 ? kUserLexId
                                                                    : SSCE_BAD_LEX_ID_ERR;
}

SSCE_API SSCE_S16 SSCE_AddToLex(SSCE_S16 sid, SSCE_S16 lexId, const char* word, SSCE_S16 action,
                                const char* /*otherWord*/) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (sid != kSessionId) return SSCE_INVALID_WORD_ERR;
    if (lexId != kUserLexId) return SSCE_BAD_LEX_ID_ERR;
    if (!word || action != SSCE_IGNORE_ACTION) return SSCE_INVALID_WORD_ERR;
    return e.AddUserWord(word) ? 0 : SSCE_FILE_ERR;
}

SSCE_API SSCE_S32 SSCE_GetOptions() {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    e.Refresh();
    return e.GetOptions().bits;
}

SSCE_API SSCE_S16 SSCE_SetOptions(SSCE_S32 options) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    e.Refresh();
    auto o = e.GetOptions();
    o.bits = options;
    e.SetOptions(o);
    return 0;
}

SSCE_API SSCE_S16 SSCE_GetSuggestionDepth() {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    e.Refresh();
    return static_cast<SSCE_S16>(e.GetOptions().depth);
}

SSCE_API SSCE_S16 SSCE_SetSuggestionDepth(SSCE_S16 depth) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (depth < SSCE_DEPTH_FAST || depth > SSCE_DEPTH_SLOW) return SSCE_INVALID_WORD_ERR;
    e.Refresh();
    auto o = e.GetOptions();
    o.depth = depth;
    e.SetOptions(o);
    return 0;
}

SSCE_API SSCE_S16 SSCE_GetMainLexName(char* name, SSCE_S32 size) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (!name || size < 1) return SSCE_INVALID_WORD_ERR;
    e.Refresh();
    copyOut(name, static_cast<SSCE_S16>(std::min(size, 32767)), e.GetOptions().language);
    return 0;
}

SSCE_API SSCE_S16 SSCE_SetMainLexName(const char* name) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    if (!name || !*name || std::strchr(name, '/') || std::strchr(name, '\\'))
        return SSCE_INVALID_WORD_ERR;
    e.Refresh();
    auto o = e.GetOptions();
    o.language = name;
    e.SetOptions(o);
    return 0;
}

namespace {

SSCE_S16 joinList(const std::vector<std::string>& items, char separator, char* out, SSCE_S32 size) {
    if (!out || size < 2) return SSCE_INVALID_WORD_ERR;
    int used = 0;
    SSCE_S16 count = 0;
    for (const auto& s : items) {
        const int need = static_cast<int>(s.size()) + 1;
        if (used + need + 1 > size) break;
        std::memcpy(out + used, s.c_str(), s.size());
        out[used + s.size()] = separator;
        used += need;
        ++count;
    }
    if (separator != '\0' && used > 0) --used; // no separator after the last
    out[used] = '\0';
    return count;
}

} // namespace

SSCE_API SSCE_S16 SSCE_GetMainLexFiles(char* names, SSCE_S32 size) {
    return joinList(Engine::InstalledDictionaries(), '\0', names, size);
}

SSCE_API SSCE_S16 SSCE_GetMainLexPaths(char* paths, SSCE_S32 size) {
    Engine& e = TheEngine();
    std::lock_guard lock(e.mutex);
    e.Refresh();
    return joinList(Engine::DictionaryFiles(e.GetOptions().language), ',', paths, size);
}
