// The message formatter (FormatMessageA) with its inserts (%1, %2!d!) and escapes, over the
// system's and the network-management message catalogues.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/system_messages.h"

namespace tessaly::platform {

namespace {

// ---- inserts ----

// One %n!spec! insert: the printf conversion and how its argument is read.
enum class ArgKind { Pointer, Int32, Int64, IntPtr, Double, NarrowString, WideString, WideChar };

struct Spec {
    std::string printf; // "%-10s"; the conversion rewritten for this platform's printf
    ArgKind kind = ArgKind::NarrowString;
    int stars = 0; // '*' widths/precisions, each taking the next argument
};

Spec parseSpec(const std::string& spec) {
    Spec out;
    out.printf = "%";
    size_t i = 0;
    while (i < spec.size() && std::strchr("-+ #0", spec[i]))
        out.printf += spec[i++];
    auto number = [&] {
        if (i < spec.size() && spec[i] == '*') {
            ++out.stars;
            out.printf += spec[i++];
            return;
        }
        while (i < spec.size() && spec[i] >= '0' && spec[i] <= '9')
            out.printf += spec[i++];
    };
    number();
    if (i < spec.size() && spec[i] == '.') {
        out.printf += spec[i++];
        number();
    }
    // Length modifiers in the system's spelling: l is 32 bits, I64/ll 64, I pointer size,
    // h narrow, w wide.
    bool wide = false, narrow = false, big = false, pointerSized = false;
    while (i < spec.size()) {
        if (spec.compare(i, 3, "I64") == 0) {
            big = true;
            i += 3;
        } else if (spec.compare(i, 3, "I32") == 0) {
            i += 3;
        } else if (spec.compare(i, 2, "ll") == 0) {
            big = true;
            i += 2;
        } else if (spec[i] == 'I' || spec[i] == 'z' || spec[i] == 't' || spec[i] == 'j') {
            pointerSized = true;
            ++i;
        } else if (spec[i] == 'l' || spec[i] == 'w') {
            wide = true;
            ++i;
        } else if (spec[i] == 'h') {
            narrow = true;
            ++i;
        } else {
            break;
        }
    }
    const char conv = i < spec.size() ? spec[i] : 's';
    switch (conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        out.kind = big ? ArgKind::Int64 : pointerSized ? ArgKind::IntPtr : ArgKind::Int32;
        out.printf += big ? "ll" : pointerSized ? "z" : "";
        out.printf += conv;
        break;
    case 'c':
    case 'C':
        out.kind = (conv == 'C' || wide) && !narrow ? ArgKind::WideChar : ArgKind::Int32;
        out.printf += out.kind == ArgKind::WideChar ? 's' : 'c';
        break;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        out.kind = ArgKind::Double;
        out.printf += conv;
        break;
    case 'p':
        out.kind = ArgKind::Pointer;
        out.printf += 'p';
        break;
    case 'S':
        out.kind = narrow ? ArgKind::NarrowString : ArgKind::WideString;
        out.printf += 's';
        break;
    default: // 's' and anything unknown
        out.kind = wide && !narrow ? ArgKind::WideString : ArgKind::NarrowString;
        out.printf += 's';
        break;
    }
    return out;
}

// An argument as read from the caller: a machine word, or a double.
struct Value {
    std::uintptr_t word = 0;
    double real = 0;
};

struct Insert {
    size_t start = 0, end = 0; // the insert's text, from '%' to past the closing '!'
    int number = 0;
    Spec spec;
};

// Finds the insert beginning at text[i] == '%' followed by a digit.
Insert readInsert(const std::string& text, size_t i) {
    Insert ins;
    ins.start = i;
    size_t j = i + 1;
    ins.number = text[j++] - '0';
    if (j < text.size() && text[j] >= '0' && text[j] <= '9')
        ins.number = ins.number * 10 + (text[j++] - '0');
    std::string spec = "s";
    if (j < text.size() && text[j] == '!') {
        size_t close = text.find('!', j + 1);
        if (close != std::string::npos) {
            spec = text.substr(j + 1, close - j - 1);
            j = close + 1;
        }
    }
    ins.spec = parseSpec(spec);
    ins.end = j;
    return ins;
}

std::string wideToAnsi(const WCHAR* wide) {
    if (!wide) return "(null)";
    std::u16string w;
    while (*wide)
        w.push_back(static_cast<char16_t>(*wide++));
    return Utf16ToAnsi(w);
}

std::string formatValue(const Spec& spec, const std::vector<int>& stars, const Value& v) {
    std::string fmt = spec.printf;
    auto run = [&](auto arg) {
        int n = 0;
        if (stars.size() == 2)
            n = std::snprintf(nullptr, 0, fmt.c_str(), stars[0], stars[1], arg);
        else if (stars.size() == 1)
            n = std::snprintf(nullptr, 0, fmt.c_str(), stars[0], arg);
        else
            n = std::snprintf(nullptr, 0, fmt.c_str(), arg);
        if (n < 0) return std::string();
        std::string out(static_cast<size_t>(n) + 1, '\0');
        if (stars.size() == 2)
            std::snprintf(out.data(), out.size(), fmt.c_str(), stars[0], stars[1], arg);
        else if (stars.size() == 1)
            std::snprintf(out.data(), out.size(), fmt.c_str(), stars[0], arg);
        else
            std::snprintf(out.data(), out.size(), fmt.c_str(), arg);
        out.resize(static_cast<size_t>(n));
        return out;
    };
    switch (spec.kind) {
    case ArgKind::Int32:
        return run(static_cast<int>(static_cast<std::uint32_t>(v.word)));
    case ArgKind::Int64:
        return run(static_cast<long long>(v.word));
    case ArgKind::IntPtr:
        return run(static_cast<size_t>(v.word));
    case ArgKind::Pointer:
        return run(reinterpret_cast<void*>(v.word));
    case ArgKind::Double:
        return run(v.real);
    case ArgKind::WideChar: {
        const WCHAR w[2] = {static_cast<WCHAR>(v.word), 0};
        std::string s = wideToAnsi(w);
        return run(s.c_str());
    }
    case ArgKind::WideString: {
        std::string s = wideToAnsi(reinterpret_cast<const WCHAR*>(v.word));
        return run(s.c_str());
    }
    case ArgKind::NarrowString:
    default: {
        const char* s = reinterpret_cast<const char*>(v.word);
        return run(s ? s : "(null)");
    }
    }
}

// Reads the arguments the text refers to: from a va_list in order (each argument read with
// the type of its first insert, unreferenced ones as machine words), or from an array of
// machine words.
std::vector<Value> readArguments(const std::string& text, va_list* args, bool isArray) {
    std::vector<ArgKind> kinds(100, ArgKind::Pointer);
    std::vector<bool> typed(100, false);
    int highest = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] < '1' || text[i + 1] > '9') {
            ++i; // an escape such as %% or %n
            continue;
        }
        Insert ins = readInsert(text, i);
        int n = ins.number;
        for (int s = 0; s < ins.spec.stars && n < 100; ++s, ++n)
            if (!typed[n]) kinds[n] = ArgKind::Int32, typed[n] = true;
        if (n < 100 && !typed[n]) kinds[n] = ins.spec.kind, typed[n] = true;
        highest = std::max(highest, std::min(n, 99));
        i = ins.end - 1;
    }
    std::vector<Value> values(static_cast<size_t>(highest) + 1);
    if (!args) return values;
    if (isArray) {
        const auto* array = reinterpret_cast<const std::uintptr_t*>(args);
        for (int n = 1; n <= highest; ++n) {
            values[n].word = array[n - 1];
            if (kinds[n] == ArgKind::Double) std::memcpy(&values[n].real, &array[n - 1], 8);
        }
        return values;
    }
    for (int n = 1; n <= highest; ++n) {
        switch (kinds[n]) {
        case ArgKind::Int32:
        case ArgKind::WideChar:
            values[n].word = static_cast<std::uint32_t>(va_arg(*args, int));
            break;
        case ArgKind::Int64:
            values[n].word = static_cast<std::uintptr_t>(va_arg(*args, long long));
            break;
        case ArgKind::Double:
            values[n].real = va_arg(*args, double);
            break;
        default:
            values[n].word = reinterpret_cast<std::uintptr_t>(va_arg(*args, void*));
            break;
        }
    }
    return values;
}

// Expands escapes and inserts. width: 0 keeps the text's own line breaks; otherwise the
// text's line breaks become blanks, and lines are wrapped at width unless it is 0xFF.
std::string expand(const std::string& text, va_list* args, bool isArray, bool ignoreInserts,
                   unsigned width) {
    std::vector<Value> values;
    if (!ignoreInserts) values = readArguments(text, args, isArray);
    std::string out;
    bool ended = false; // by %0, which still leaves the wrapping below to do
    for (size_t i = 0; i < text.size() && !ended; ++i) {
        const char c = text[i];
        if (c != '%') {
            if (width && (c == '\r' || c == '\n')) {
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += ' ';
            } else {
                out += c;
            }
            continue;
        }
        if (i + 1 >= text.size()) break; // a lone '%' at the end
        const char next = text[i + 1];
        if (next >= '1' && next <= '9') {
            Insert ins = readInsert(text, i);
            if (ignoreInserts || !args) {
                out.append(text, ins.start, ins.end - ins.start);
            } else {
                std::vector<int> stars;
                int n = ins.number;
                for (int s = 0; s < ins.spec.stars; ++s, ++n)
                    stars.push_back(
                        n < static_cast<int>(values.size()) ? static_cast<int>(values[n].word) : 0);
                if (n < static_cast<int>(values.size()))
                    out += formatValue(ins.spec, stars, values[n]);
            }
            i = ins.end - 1;
            continue;
        }
        ++i;
        switch (next) {
        case '0':
            ended = true; // the end of the message, without a line break
            break;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += next;
            break; // %% %. %! and "% "
        }
    }
    if (width && width != 0xFF) {
        // Wrap at blanks so that no line is longer than width (a longer word is cut).
        std::string wrapped;
        size_t lineStart = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            wrapped += out[i];
            if (out[i] == '\n') lineStart = wrapped.size();
            if (wrapped.size() - lineStart > width) {
                size_t blank = wrapped.rfind(' ', wrapped.size() - 1);
                if (blank != std::string::npos && blank >= lineStart) {
                    wrapped.replace(blank, 1, "\r\n");
                    lineStart = blank + 2;
                } else {
                    wrapped.insert(wrapped.size() - 1, "\r\n");
                    lineStart = wrapped.size() - 1;
                }
            }
        }
        out = wrapped;
    }
    return out;
}

bool hasInserts(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] >= '1' && text[i + 1] <= '9') return true;
        ++i;
    }
    return false;
}

bool isEnglishOrNeutral(DWORD languageId) {
    const DWORD primary = languageId & 0x3FF;
    return primary == 0 || primary == 9;
}

} // namespace

HMODULE NetworkMessageModule() {
    static const char tag = 0; // its address is the handle: unique, never a loaded module
    return reinterpret_cast<HMODULE>(const_cast<char*>(&tag));
}

std::string SystemErrorText(DWORD code) {
    const char* text = SystemMessageText(code);
    return text ? text : "";
}

std::string ExpandMessageInserts(const char* text, va_list* args, bool ignoreInserts) {
    return expand(text ? text : "", args, false, ignoreInserts, 0);
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, va_list* args) {
    std::string text;
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (!source) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        text = static_cast<const char*>(source);
    } else {
        const bool fromModule = (flags & FORMAT_MESSAGE_FROM_HMODULE) != 0;
        const bool fromSystem = (flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0;
        if (!fromModule && !fromSystem) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (!isEnglishOrNeutral(languageId)) {
            SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
            return 0;
        }
        const char* found = nullptr;
        if (fromModule && source == NetworkMessageModule()) found = NetworkMessageText(messageId);
        // A null module means the system's own texts.
        if (!found && (fromSystem || (fromModule && !source))) found = SystemMessageText(messageId);
        if (!found) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
        text = found;
    }
    const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    if (!ignoreInserts && !args && hasInserts(text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string out = expand(text, args, (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0,
                                   ignoreInserts, flags & FORMAT_MESSAGE_MAX_WIDTH_MASK);
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char** target = reinterpret_cast<char**>(buffer);
        *target = nullptr;
        if (out.empty()) return 0;
        auto* memory =
            static_cast<char*>(LocalAlloc(GMEM_ZEROINIT, std::max<size_t>(out.size() + 1, size)));
        if (!memory) return 0;
        std::memcpy(memory, out.c_str(), out.size() + 1);
        *target = memory;
        return static_cast<DWORD>(out.size());
    }
    if (out.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<DWORD>(out.size());
}

} // namespace tessaly::platform
