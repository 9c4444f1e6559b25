// Strings and conversions: padding, quoting, searching, splitting, hexadecimal text, code
// pages and automation variants.
#include <tessaly/foundation.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/memory.h"

namespace p = tessaly::platform;

namespace {

const char* orEmpty(const char* text) {
    return text ? text : "";
}

CString lowered(const char* text) {
    CString copy(orEmpty(text));
    copy.MakeLower();
    return copy;
}

// The missing count of a padding: how far text falls short of length (0 when it does not),
// counted wide so that a length near INT_MIN cannot wrap round to a huge count.
int missing(const CString& text, int length) {
    const long long m = static_cast<long long>(length) - text.GetLength();
    return m > 0 ? static_cast<int>(m) : 0;
}

CString repeated(const CString& fill, int times) {
    CString out;
    for (int i = 0; i < times; ++i)
        out += fill;
    return out;
}

size_t wideLength(const WCHAR* wide) {
    size_t n = 0;
    while (wide[n])
        ++n;
    return n;
}

// Whether text[i] begins a double-byte character of the ANSI code page.
bool startsDoubleByte(const CString& text, int i) {
    return i + 1 < text.GetLength() && text.GetAt(i + 1) != '\0' &&
           p::IsDBCSLeadByte(static_cast<BYTE>(text.GetAt(i)));
}

bool isDroppedPunctuation(char ch) {
    return ch && std::strchr(";',.|\\\":~`!@#$%^&*(){}-+_=", ch);
}

} // namespace

int IsUnicodeWordChar(WCHAR ch) {
    switch (ch) {
    case ' ':
    case ',':
    case '.':
    case ';':
    case '\'':
    case '"':
    case '\r':
    case '\n':
        return 0;
    default:
        return 1;
    }
}

WCHAR GetWChar(char low, char high) {
    // Both bytes count as signed, so a low byte of 0x80 or above borrows from the high one.
    const int value = static_cast<signed char>(high) * 256 + static_cast<signed char>(low);
    return static_cast<WCHAR>(value);
}

CString AppendString(CString text, CString fill, int length) {
    const int m = missing(text, length);
    return m > 0 ? text + repeated(fill, m) : text;
}

CString FillString(CString text, CString fill, int length) {
    const int m = missing(text, length);
    return m > 0 ? repeated(fill, m) + text : text;
}

void FillupString(CString& text, int length, char fill, int) {
    const int m = missing(text, length);
    if (m > 0) text = CString(fill, m) + text;
}

CString AddQuotation(CString text) {
    CString trimmed = text;
    trimmed.Trim();
    if (trimmed.IsEmpty() || trimmed.GetAt(0) == '"' || trimmed.Find(' ') < 0) return text;
    return "\"" + trimmed + "\"";
}

void AddQuotationEx(char* buffer) {
    if (!buffer) return;
    CString trimmed(buffer);
    trimmed.Trim();
    if (trimmed.IsEmpty() || trimmed.GetAt(0) == '"') return;
    if (trimmed.Find(' ') >= 0) trimmed = "\"" + trimmed + "\"";
    std::memcpy(buffer, trimmed.GetString(), static_cast<size_t>(trimmed.GetLength()) + 1);
}

void ReplaceString(CString& text, int start, int count, const char* replacement) {
    // Where the kept tail begins, counted wide: a count near INT_MAX drops the rest rather
    // than wrapping round to a position before start.
    const long long tail = static_cast<long long>(start) + count;
    const int from = tail <= 0                  ? 0
                     : tail >= text.GetLength() ? text.GetLength()
                                                : static_cast<int>(tail);
    text = text.Left(start) + orEmpty(replacement) + text.Mid(from);
}

int FindStringEx(const char* text, const char* pattern, int ignoreCase) {
    if (ignoreCase) return lowered(text).Find(lowered(pattern));
    return CString(orEmpty(text)).Find(orEmpty(pattern));
}

int FindTextString(const char* text, const char* pattern, int ignoreCase, int start) {
    if (start < 0) start = 0;
    const CString rest = CString(orEmpty(text)).Mid(start);
    const int hit = FindStringEx(rest, pattern, ignoreCase);
    return hit < 0 ? -1 : hit + start;
}

int FindRepeatNumber(const char* text, const char* pattern, int ignoreCase) {
    const CString sought = ignoreCase ? lowered(pattern) : CString(orEmpty(pattern));
    // An empty pattern would be found forever without using up the text: it occurs 0 times.
    if (sought.IsEmpty()) return 0;
    CString rest = ignoreCase ? lowered(text) : CString(orEmpty(text));
    int count = 0;
    for (int hit = rest.Find(sought); hit >= 0; hit = rest.Find(sought)) {
        ++count;
        rest = rest.Mid(hit + sought.GetLength());
    }
    return count;
}

int IsStringEqual(const char* a, const char* b, int ignoreCase) {
    const CString first(orEmpty(a));
    return (ignoreCase ? first.CompareNoCase(b) : first.Compare(b)) == 0 ? 1 : 0;
}

int IsInStringArray(CStringArray& array, CString text, int caseSensitive) {
    // The flag reads the other way round here: nonzero compares exactly.
    for (int i = 0; i < array.GetSize(); ++i) {
        const CString& item = array.GetAt(i);
        if ((caseSensitive ? item.Compare(text) : item.CompareNoCase(text)) == 0) return i;
    }
    return -1;
}

void ConvertStringToArray(CString text, CStringArray& array, CString delimiters) {
    array.RemoveAll();
    for (int p = text.FindOneOf(delimiters); p >= 0; p = text.FindOneOf(delimiters)) {
        array.Add(text.Left(p));
        text = text.Mid(p + 1);
    }
    if (!text.IsEmpty()) array.Add(text);
}

void SplitWords(CString text, CStringArray& array) {
    array.RemoveAll();
    for (int p = text.Find(' '); p >= 0; p = text.Find(' ')) {
        array.Add(text.Left(p));
        text = text.Mid(p);
        text.TrimLeft();
    }
    if (!text.IsEmpty()) array.Add(text);
}

int GetWordsFromString(CString text, CStringArray& array) {
    CString word;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char ch = text.GetAt(i);
        if (startsDoubleByte(text, i)) {
            word += ch;
            word += text.GetAt(++i);
        } else if (ch == ' ') {
            if (!word.IsEmpty()) array.Add(word);
            word.Empty();
        } else if (!isDroppedPunctuation(ch)) {
            word += ch;
        }
    }
    if (!word.IsEmpty()) array.Add(word);
    return array.GetSize();
}

DWORD HexToDword(char* text, char** end, int base) {
    if (!text) {
        if (end) *end = text;
        return 0;
    }
    char* p = text;
    if (p[0] == '0' && p[1] == 'x') {
        p += 2;
        base = 16;
    }
    DWORD value = 0;
    for (;; ++p) {
        const char c = *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 32) : *p;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base) break;
        value = value * static_cast<DWORD>(base) + static_cast<DWORD>(digit);
    }
    if (end) *end = p;
    return value;
}

CString StringToHex(CString text) {
    if (text.IsEmpty()) return CString();
    CString out("0x");
    for (int i = 0; i < text.GetLength(); ++i)
        out.AppendFormat("%x", static_cast<unsigned char>(text.GetAt(i)));
    return out;
}

CString GetByteArrayString(CByteArray& bytes) {
    int n = 0;
    while (n < bytes.GetSize() && bytes[n] != 0)
        ++n;
    CString out(reinterpret_cast<const char*>(bytes.GetData()), n);
    out += '\0'; // counted in the length
    return out;
}

int Ansi2WChar(const char* text, WCHAR* buffer, int size) {
    const int needed = p::MultiByteToWideChar(p::CP_ACP, 0, orEmpty(text), -1, nullptr, 0);
    // A buffer of no size gives 0 rather than the too-small answer (both converters).
    if (size == 0) return 0;
    if (needed > size) return -1;
    return p::MultiByteToWideChar(p::CP_ACP, 0, orEmpty(text), -1, buffer, size);
}

int WChar2Ansi(const WCHAR* wide, char* buffer, int size) {
    static const WCHAR empty[] = {0};
    if (!wide) wide = empty;
    const int needed = p::WideCharToMultiByte(p::CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size == 0) return 0;
    if (needed > size) return -1;
    // Measured in the ANSI code page, written in Simplified Chinese whatever that is.
    return p::WideCharToMultiByte(936, 0, wide, -1, buffer, size, nullptr, nullptr);
}

CString WcharToUtf8(const WCHAR* wide) {
    if (!wide) return CString();
    const int room = static_cast<int>(wideLength(wide)) * 3 + 3;
    CString out;
    char* buffer = out.GetBuffer(room);
    const int n = p::WideCharToMultiByte(p::CP_UTF8, 0, wide, -1, buffer, room, nullptr, nullptr);
    out.ReleaseBuffer(n > 0 ? -1 : 0);
    return out;
}

WCHAR* Utf8ToWchar(CString text) {
    const int units = text.GetLength() + 1;
    auto* wide = static_cast<WCHAR*>(
        p::GlobalAlloc(GMEM_ZEROINIT, static_cast<size_t>(units) * sizeof(WCHAR)));
    if (!wide) return nullptr;
    p::MultiByteToWideChar(p::CP_UTF8, 0, text, -1, wide, units);
    return wide;
}

namespace {

// The bytes of a variant's array (upper bound of dimension 1, plus one); false when the
// variant holds no readable array.
bool variantBytes(CComVariant& variant, std::string& out) {
    out.clear();
    if (variant.vt == VT_EMPTY) return false;
    if (!(variant.vt & VT_ARRAY)) return false;
    // A variant passed by reference holds a pointer to the array pointer, not the array.
    SAFEARRAY* array = !(variant.vt & VT_BYREF) ? variant.parray
                       : variant.byref          ? *static_cast<SAFEARRAY**>(variant.byref)
                                                : nullptr;
    if (!array) return false;
    LONG upper = -1;
    void* data = nullptr;
    if (FAILED(SafeArrayGetUBound(array, 1, &upper)) || FAILED(SafeArrayAccessData(array, &data)))
        return false;
    // Never read past the array's data, whatever its lower bound or element size.
    long long count = static_cast<long long>(upper) + 1;
    const long long available =
        static_cast<long long>(array->rgsabound[array->cDims - 1].cElements) * array->cbElements;
    if (count > available) count = available;
    if (count > 0) out.assign(static_cast<const char*>(data), static_cast<size_t>(count));
    SafeArrayUnaccessData(array);
    return true;
}

} // namespace

void V2ByteArray(CComVariant variant, CByteArray& bytes) {
    bytes.RemoveAll();
    std::string data;
    variantBytes(variant, data);
    bytes.SetSize(static_cast<int>(data.size()));
    if (!data.empty()) std::memcpy(bytes.GetData(), data.data(), data.size());
    variant.Clear();
}

CString V2String(CComVariant variant) {
    std::string data;
    if (!variantBytes(variant, data)) return CString();
    return CString(data.c_str()); // up to the first zero byte
}

void _getBinaryValue(CComVariant& variant, CByteArray& bytes) {
    variant.Clear();
    if (bytes.GetSize() < 1) return;
    SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.GetSize()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!array) {
        variant.vt = VT_ERROR;
        variant.scode = E_OUTOFMEMORY;
        return;
    }
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
        std::memcpy(data, bytes.GetData(), static_cast<size_t>(bytes.GetSize()));
        SafeArrayUnaccessData(array);
    }
    variant = array; // a copy; an error variant with the code when copying fails
    SafeArrayDestroy(array);
}
