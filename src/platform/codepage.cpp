// The ANSI code page and the conversions between code pages and UTF-16, on glibc's iconv.
//
// The ANSI code page is read from the registry of the current prefix (HKLM
// System\CurrentControlSet\Control\Nls\CodePage, value "ACP"), Windows-1252 when absent.
// It is remembered per prefix with the machine hive's data version and this process's count
// of its own commits: a value written by another process is seen by the next call (once per
// CodePageScope), one written by this process at once.
#include "platform/codepage.h"

#include <bit>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>

#include <iconv.h>
#include <locale.h>

#include "platform/errors.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registry_store.h"

static_assert(std::endian::native == std::endian::little, "UTF-16LE is the host's wide order");

namespace tessaly::platform {

namespace {

constexpr UINT kDefaultAcp = 1252;
constexpr DWORD kMbErrInvalidChars = 0x8;
constexpr DWORD kWcErrInvalidChars = 0x80;
constexpr char16_t kReplacement = 0xFFFD;

// ---- iconv descriptors, one set per thread (a descriptor keeps shift state) ----

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

std::string iconvName(UINT cp);

// The descriptors of one code page, opened on first use, and whether its bytes below 0x80
// are ASCII both ways (then ASCII text needs no iconv at all).
struct Converters {
    iconv_t toWide = kNoIconv, fromWide = kNoIconv;
    bool toWideOpened = false, fromWideOpened = false;
    signed char ascii = -1; // -1 not yet known
};

class IconvCache {
  public:
    ~IconvCache() {
        for (auto& [cp, c] : open_) {
            if (c.toWide != kNoIconv) iconv_close(c.toWide);
            if (c.fromWide != kNoIconv) iconv_close(c.fromWide);
        }
    }
    // Null-like (-1) when iconv does not know the code page; the shift state is reset.
    iconv_t toWide(UINT cp) {
        Converters& c = entry(cp);
        if (!c.toWideOpened) {
            c.toWide = iconv_open("UTF-16LE", iconvName(cp).c_str());
            c.toWideOpened = true;
        }
        if (c.toWide != kNoIconv) iconv(c.toWide, nullptr, nullptr, nullptr, nullptr);
        return c.toWide;
    }
    iconv_t fromWide(UINT cp) {
        Converters& c = entry(cp);
        if (!c.fromWideOpened) {
            c.fromWide = iconv_open(iconvName(cp).c_str(), "UTF-16LE");
            c.fromWideOpened = true;
        }
        if (c.fromWide != kNoIconv) iconv(c.fromWide, nullptr, nullptr, nullptr, nullptr);
        return c.fromWide;
    }
    bool ascii(UINT cp) {
        Converters& c = entry(cp);
        if (c.ascii < 0) c.ascii = asciiBothWays(cp) ? 1 : 0;
        return c.ascii == 1;
    }

  private:
    Converters& entry(UINT cp) {
        if (last_ && lastCp_ == cp) return *last_;
        last_ = &open_[cp]; // map nodes stay where they are
        lastCp_ = cp;
        return *last_;
    }
    bool asciiBothWays(UINT cp) {
        for (int b = 0; b < 0x80; ++b) {
            char byte = static_cast<char>(b), back = 0;
            char16_t unit = 0;
            iconv_t in = toWide(cp), out = fromWide(cp);
            if (in == kNoIconv || out == kNoIconv) return false;
            char* inPtr = &byte;
            char* outPtr = reinterpret_cast<char*>(&unit);
            size_t inLeft = 1, outLeft = sizeof unit;
            if (iconv(in, &inPtr, &inLeft, &outPtr, &outLeft) != 0 || outLeft || unit != b)
                return false;
            char16_t wide = static_cast<char16_t>(b);
            inPtr = reinterpret_cast<char*>(&wide);
            outPtr = &back;
            inLeft = sizeof wide;
            outLeft = 1;
            if (iconv(out, &inPtr, &inLeft, &outPtr, &outLeft) != 0 || outLeft || back != byte)
                return false;
        }
        return true;
    }
    std::map<UINT, Converters> open_;
    Converters* last_ = nullptr;
    UINT lastCp_ = 0;
};

IconvCache& iconvCache() {
    thread_local IconvCache cache;
    return cache;
}

// The iconv name of a Windows code page.
std::string iconvName(UINT cp) {
    switch (cp) {
    case 65001:
        return "UTF-8";
    case 65000:
        return "UTF-7";
    case 20127:
        return "ASCII";
    case 10000:
        return "MACINTOSH";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 20932:
    case 51932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    case 50220:
        return "ISO-2022-JP";
    case 28603:
        return "ISO-8859-13";
    case 28605:
        return "ISO-8859-15";
    default:
        if (cp >= 28591 && cp <= 28599) return "ISO-8859-" + std::to_string(cp - 28590);
        return "CP" + std::to_string(cp);
    }
}

bool isKnownCodePage(UINT cp) {
    if (cp == 1200 || cp == 1201 || cp == 12000 || cp == 12001) return false; // UTF-16/32
    return iconvCache().toWide(cp) != kNoIconv;
}

bool isDoubleByteCodePage(UINT cp) {
    return cp == 932 || cp == 936 || cp == 949 || cp == 950;
}

bool isLeadByte(UINT cp, BYTE ch) {
    switch (cp) {
    case 932:
        return (ch >= 0x81 && ch <= 0x9F) || (ch >= 0xE0 && ch <= 0xFC);
    case 936:
    case 949:
    case 950:
        return ch >= 0x81 && ch <= 0xFE;
    default:
        return false;
    }
}

// Windows-1252 passes its five unassigned bytes through as the same-numbered C1 controls.
bool is1252Unassigned(unsigned v) {
    return v == 0x81 || v == 0x8D || v == 0x8F || v == 0x90 || v == 0x9D;
}

// ---- the ANSI code page of the prefix ----

struct CodePageSettings {
    UINT acp = kDefaultAcp;
    UINT oemcp = 437;
};

UINT defaultOemFor(UINT acp) {
    switch (acp) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1258:
        return acp;
    case 1250:
        return 852;
    case 1251:
        return 866;
    case 1253:
        return 737;
    case 1254:
        return 857;
    case 1255:
        return 862;
    case 1256:
        return 720;
    case 1257:
        return 775;
    default:
        return 437;
    }
}

UINT readCodePageValue(HKEY key, const char* name) {
    char data[32] = {};
    DWORD type = 0, size = sizeof(data) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != 0)
        return 0;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return 0;
    data[size < sizeof(data) ? size : sizeof(data) - 1] = '\0';
    int cp = std::atoi(data);
    return cp > 0 && isKnownCodePage(static_cast<UINT>(cp)) ? static_cast<UINT>(cp) : 0;
}

CodePageSettings readSettings() {
    CodePageSettings settings;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                      KEY_QUERY_VALUE, &key) == 0) {
        if (UINT acp = readCodePageValue(key, "ACP")) settings.acp = acp;
        UINT oem = readCodePageValue(key, "OEMCP");
        settings.oemcp = oem ? oem : defaultOemFor(settings.acp);
        RegCloseKey(key);
    }
    return settings;
}

// What was read for a prefix, and the state of its machine hive it was read from.
struct KnownSettings {
    CodePageSettings settings;
    bool hive = false;
    std::uint64_t version = 0;
    std::uint64_t local = 0;
};

std::mutex settingsMutex;
std::map<std::string, KnownSettings> settingsByPrefix;
thread_local bool readingSettings = false;

// This thread's last answer, reused without looking at the registry while the same
// outermost CodePageScope lasts and this process has written no machine hive.
struct ThreadView {
    std::string root;
    CodePageSettings settings;
    std::uint64_t local = 0;
    std::uint64_t scope = 0;
};
thread_local ThreadView threadView;
thread_local int scopeDepth = 0;
thread_local std::uint64_t scopeSerial = 0;

CodePageSettings currentSettings() {
    // The registry itself may compare names through this module: answer the default while
    // the value is being read.
    if (readingSettings) return CodePageSettings{};
    std::string root = PrefixRoot();
    ThreadView& view = threadView;
    if (scopeDepth > 0 && view.scope == scopeSerial && view.local == regstore::LocalChanges() &&
        view.root == root)
        return view.settings;
    // Another process's commit moves the hive's data version, this process's own commits
    // the local count; read in this order, nothing committed later goes unseen.
    std::uint64_t version = 0;
    const bool hive = regstore::MachineHiveVersion(version);
    const std::uint64_t local = regstore::LocalChanges();
    CodePageSettings settings;
    bool known = false;
    {
        std::lock_guard lock(settingsMutex);
        auto it = settingsByPrefix.find(root);
        if (it != settingsByPrefix.end() && it->second.hive == hive && it->second.local == local &&
            (!hive || (it->second.version == version && version != regstore::kUnknownVersion))) {
            settings = it->second.settings;
            known = true;
        }
    }
    // No machine hive yet: nothing can say otherwise, and reading would create the prefix.
    if (!known && hive) {
        readingSettings = true;
        settings = readSettings();
        readingSettings = false;
    }
    if (!known) {
        std::lock_guard lock(settingsMutex);
        settingsByPrefix[root] = {settings, hive, version, local};
    }
    view = {std::move(root), settings, local, scopeSerial};
    return settings;
}

// The code page a CP_ACP-style selector stands for; 0 when it names no code page we have.
UINT resolveCodePage(UINT cp) {
    switch (cp) {
    case 0: // CP_ACP
    case 3: // CP_THREAD_ACP
        return currentSettings().acp;
    case 1:
        return currentSettings().oemcp; // CP_OEMCP
    case 2:
        return 10000; // CP_MACCP
    default:
        return isKnownCodePage(cp) ? cp : 0;
    }
}

// ---- conversions ----

template <class Unit> bool isAscii(const Unit* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<std::make_unsigned_t<Unit>>(text[i]) >= 0x80) return false;
    return true;
}

// Bytes of code page cp to UTF-16. Invalid input: false in strict mode, otherwise one
// replacement character per byte that cannot start a character.
bool decode(UINT cp, const char* in, size_t length, std::u16string& out, bool strict) {
    out.clear();
    if (isAscii(in, length) && iconvCache().ascii(cp)) {
        out.assign(in, in + length);
        return true;
    }
    iconv_t cd = iconvCache().toWide(cp);
    if (cd == kNoIconv) return false;
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = length;
    char16_t chunk[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof(chunk);
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(chunk, (sizeof(chunk) - outLeft) / sizeof(char16_t));
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: the byte at inPtr does not start a character of the code page.
        if (strict) return false;
        const auto byte = static_cast<unsigned char>(*inPtr);
        if (cp == 1252 && is1252Unassigned(byte))
            out.push_back(static_cast<char16_t>(byte));
        else if (cp == 65001)
            out.push_back(kReplacement);
        else
            out.push_back(u'?');
        ++inPtr;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

// UTF-16 to code page cp. A unit without a place in the code page becomes the default
// character (one per UTF-16 unit); for UTF-8 a lone surrogate becomes U+FFFD.
bool encode(UINT cp, const char16_t* in, size_t length, std::string& out, char defaultChar,
            bool* usedDefault, bool strict) {
    out.clear();
    if (isAscii(in, length) && iconvCache().ascii(cp)) {
        out.assign(in, in + length);
        return true;
    }
    iconv_t cd = iconvCache().fromWide(cp);
    if (cd == kNoIconv) return false;
    char* inPtr = reinterpret_cast<char*>(const_cast<char16_t*>(in));
    size_t inLeft = length * sizeof(char16_t);
    char chunk[512];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof(chunk);
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(chunk, sizeof(chunk) - outLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        if (strict) return false;
        char16_t unit;
        std::memcpy(&unit, inPtr, sizeof(unit));
        if (cp == 65001) {
            out += "\xEF\xBF\xBD";
        } else if (cp == 1252 && is1252Unassigned(unit)) {
            out += static_cast<char>(unit);
        } else {
            out += defaultChar;
            if (usedDefault) *usedDefault = true;
        }
        inPtr += sizeof(char16_t);
        inLeft -= inLeft >= sizeof(char16_t) ? sizeof(char16_t) : inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

size_t wideLength(const WCHAR* text) {
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

// ---- case folding of single-byte code pages ----

struct CaseTables {
    unsigned char lower[256];
    unsigned char upper[256];
};

locale_t utf8Locale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
    }();
    return loc;
}

// Maps byte b of code page cp through a Unicode case mapping, keeping b when the result
// has no single-byte place in the code page.
unsigned char mapByte(UINT cp, unsigned char b, bool toUpper) {
    std::u16string wide;
    char in = static_cast<char>(b);
    if (!decode(cp, &in, 1, wide, true) || wide.size() != 1) return b;
    locale_t loc = utf8Locale();
    wint_t mapped;
    if (loc)
        mapped = toUpper ? towupper_l(wide[0], loc) : towlower_l(wide[0], loc);
    else // no UTF-8 locale: ASCII and the Latin-1 letters
        mapped = toUpper ? ((wide[0] >= 'a' && wide[0] <= 'z') ||
                                    (wide[0] >= 0xE0 && wide[0] <= 0xFE && wide[0] != 0xF7)
                                ? wide[0] - 0x20
                                : wide[0])
                         : ((wide[0] >= 'A' && wide[0] <= 'Z') ||
                                    (wide[0] >= 0xC0 && wide[0] <= 0xDE && wide[0] != 0xD7)
                                ? wide[0] + 0x20
                                : wide[0]);
    if (mapped > 0xFFFF || mapped == wide[0]) return b;
    char16_t unit = static_cast<char16_t>(mapped);
    std::string back;
    if (!encode(cp, &unit, 1, back, '?', nullptr, true) || back.size() != 1) return b;
    return static_cast<unsigned char>(back[0]);
}

const CaseTables& caseTables(UINT cp) {
    // Tables are never dropped, so this thread may keep pointing at the last one.
    thread_local UINT lastCp = 0;
    thread_local const CaseTables* last = nullptr;
    if (last && lastCp == cp) return *last;
    static std::mutex mutex;
    static std::map<UINT, CaseTables> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(cp);
    if (it != tables.end()) {
        lastCp = cp;
        return *(last = &it->second);
    }
    CaseTables t{};
    for (int b = 0; b < 256; ++b) {
        t.lower[b] = static_cast<unsigned char>(b);
        t.upper[b] = static_cast<unsigned char>(b);
    }
    for (int b = 'A'; b <= 'Z'; ++b) {
        t.lower[b] = static_cast<unsigned char>(b + 32);
        t.upper[b + 32] = static_cast<unsigned char>(b);
    }
    if (cp != 65001 && !isDoubleByteCodePage(cp)) {
        for (int b = 0x80; b < 256; ++b) {
            t.lower[b] = mapByte(cp, static_cast<unsigned char>(b), false);
            t.upper[b] = mapByte(cp, static_cast<unsigned char>(b), true);
        }
    }
    lastCp = cp;
    return *(last = &tables.emplace(cp, t).first->second);
}

void foldCase(std::string& text, bool toUpper) {
    const UINT cp = GetACP();
    const CaseTables& t = caseTables(cp);
    const unsigned char* map = toUpper ? t.upper : t.lower;
    const bool dbcs = isDoubleByteCodePage(cp);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (dbcs && isLeadByte(cp, c) && i + 1 < text.size() && text[i + 1] != '\0') {
            ++i; // a double-byte character is never folded
            continue;
        }
        text[i] = static_cast<char>(map[c]);
    }
}

} // namespace

CodePageScope::CodePageScope() {
    if (scopeDepth++ == 0) ++scopeSerial;
}

CodePageScope::~CodePageScope() {
    --scopeDepth;
}

UINT GetACP() {
    return currentSettings().acp;
}

UINT GetOEMCP() {
    return currentSettings().oemcp;
}

BOOL IsDBCSLeadByte(BYTE ch) {
    return isLeadByte(GetACP(), ch) ? TRUE : FALSE;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE ch) {
    UINT cp = resolveCodePage(codePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return isLeadByte(cp, ch) ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, WCHAR* wide,
                        int size) {
    if (!text || length == 0 || length < -1 || size < 0 || (!wide && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT cp = resolveCodePage(codePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t n = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    std::u16string out;
    if (!decode(cp, text, n, out, (flags & kMbErrInvalidChars) != 0)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    const int count = static_cast<int>(out.size());
    if (size == 0) return count;
    if (count > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(wide, out.data(), out.size() * sizeof(WCHAR));
    return count;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int length, char* text,
                        int size, const char* defaultChar, BOOL* usedDefault) {
    if (!wide || length == 0 || length < -1 || size < 0 || (!text && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT cp = resolveCodePage(codePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((cp == 65001 || cp == 65000) && (defaultChar || usedDefault)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t n = length == -1 ? wideLength(wide) + 1 : static_cast<size_t>(length);
    std::string out;
    bool used = false;
    const bool strict = cp == 65001 && (flags & kWcErrInvalidChars) != 0;
    if (!encode(cp, reinterpret_cast<const char16_t*>(wide), n, out,
                defaultChar ? *defaultChar : '?', &used, strict)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (usedDefault) *usedDefault = used ? TRUE : FALSE;
    const int count = static_cast<int>(out.size());
    if (size == 0) return count;
    if (count > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(text, out.data(), out.size());
    return count;
}

std::u16string AnsiToUtf16(const std::string& ansi) {
    std::u16string out;
    decode(GetACP(), ansi.data(), ansi.size(), out, false);
    return out;
}

std::string Utf16ToAnsi(const std::u16string& wide) {
    std::string out;
    encode(GetACP(), wide.data(), wide.size(), out, '?', nullptr, false);
    return out;
}

std::string AnsiToUtf8(const std::string& ansi) {
    const UINT cp = GetACP();
    if (cp == 65001) return ansi;
    std::u16string wide;
    decode(cp, ansi.data(), ansi.size(), wide, false);
    std::string out;
    encode(65001, wide.data(), wide.size(), out, '?', nullptr, false);
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    std::u16string wide;
    decode(65001, utf8.data(), utf8.size(), wide, false);
    return Utf16ToAnsi(wide);
}

void AnsiLower(std::string& text) {
    foldCase(text, false);
}

void AnsiUpper(std::string& text) {
    foldCase(text, true);
}

} // namespace tessaly::platform
