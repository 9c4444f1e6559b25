// CString members. Searches and edits step by characters of the ANSI code page (a lead byte
// and its trail form one character); case folding follows the code page's rules.
#include <tessaly/cstring.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "framework/core/strings.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace p = tessaly::platform;

namespace {

bool isSpace(char ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// The ANSI code page when it is a double-byte one, else 0.
UINT doubleByteCodePage() {
    const UINT cp = p::GetACP();
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 ? cp : 0;
}

// Walks a text by characters of the ANSI code page: the size of the character at i.
class CharWalker {
  public:
    explicit CharWalker(const std::string& text) : text_(text), cp_(doubleByteCodePage()) {}
    CharWalker(const std::string& text, UINT cp) : text_(text), cp_(cp) {}
    size_t size(size_t i) const {
        if (cp_ && i + 1 < text_.size() && text_[i + 1] != '\0' && isLead(text_[i])) return 2;
        return 1;
    }
    UINT codePage() const { return cp_; }

  private:
    bool isLead(char ch) const {
        const auto b = static_cast<unsigned char>(ch);
        if (cp_ == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        return b >= 0x81 && b <= 0xFE;
    }
    const std::string& text_;
    UINT cp_;
};

// Whether the character text[i, i + n) is one of the characters of set.
bool inSet(const std::string& text, size_t i, size_t n, const std::string& set, UINT cp) {
    CharWalker walk(set, cp);
    for (size_t j = 0; j < set.size(); j += walk.size(j))
        if (walk.size(j) == n && set.compare(j, n, text, i, n) == 0) return true;
    return false;
}

// Length of the leading run of characters that are (or are not) in set.
size_t span(const std::string& text, const std::string& set, bool including) {
    CharWalker walk(text);
    size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        const size_t n = walk.size(i);
        if (inSet(text, i, n, set, walk.codePage()) != including) break;
        i += n;
    }
    return i;
}

// Position of the first occurrence of sub at a character boundary at or after start.
size_t findAt(const std::string& text, const std::string& sub, size_t start) {
    CharWalker walk(text);
    size_t i = 0;
    while (i < start && i < text.size())
        i += walk.size(i);
    for (; i + sub.size() <= text.size(); i += walk.size(i)) {
        if (text.compare(i, sub.size(), sub) == 0) return i;
        if (i == text.size()) break;
    }
    return std::string::npos;
}

std::string cString(const char* text) {
    return text ? std::string(text) : std::string();
}

} // namespace

CString::CString(const WCHAR* wide) {
    if (!wide) return;
    std::u16string w;
    while (*wide)
        w.push_back(static_cast<char16_t>(*wide++));
    s_ = p::Utf16ToAnsi(w);
}

char CString::GetAt(int index) const {
    if (index < 0 || index > GetLength()) throw std::out_of_range("CString::GetAt");
    return s_.c_str()[index];
}

void CString::SetAt(int index, char ch) {
    if (index < 0 || index >= GetLength()) throw std::out_of_range("CString::SetAt");
    s_[static_cast<size_t>(index)] = ch;
}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) s_.resize(static_cast<size_t>(minLength), '\0');
    return s_.data();
}

char* CString::GetBufferSetLength(int length) {
    s_.resize(static_cast<size_t>(std::max(length, 0)));
    return s_.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = static_cast<int>(std::strlen(s_.c_str()));
    s_.resize(static_cast<size_t>(newLength));
}

void CString::Preallocate(int length) {
    if (length > 0) s_.reserve(static_cast<size_t>(length));
}

void CString::Truncate(int length) {
    if (length >= 0 && length < GetLength()) s_.resize(static_cast<size_t>(length));
}

void CString::SetString(const char* text) {
    s_ = cString(text);
}

void CString::SetString(const char* text, int length) {
    s_.assign(text ? text : "", text && length > 0 ? static_cast<size_t>(length) : 0);
}

CString& CString::operator=(const char* text) {
    s_ = cString(text);
    return *this;
}

CString& CString::operator=(const unsigned char* text) {
    return *this = reinterpret_cast<const char*>(text);
}

CString& CString::operator=(char ch) {
    s_.assign(1, ch);
    return *this;
}

CString& CString::operator=(const WCHAR* wide) {
    *this = CString(wide);
    return *this;
}

CString& CString::operator+=(const CString& text) {
    s_ += text.s_;
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) s_ += text;
    return *this;
}

CString& CString::operator+=(char ch) {
    s_ += ch;
    return *this;
}

void CString::Append(const char* text) {
    *this += text;
}

void CString::Append(const char* text, int length) {
    if (text && length > 0) s_.append(text, static_cast<size_t>(length));
}

int CString::Compare(const char* text) const {
    int r = std::strcmp(s_.c_str(), text ? text : "");
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CString::CompareNoCase(const char* text) const {
    std::string a = s_.c_str(), b = cString(text);
    p::AnsiLower(a);
    p::AnsiLower(b);
    int r = std::strcmp(a.c_str(), b.c_str());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(s_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const {
    return Mid(0, count);
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* set) const {
    return CString(s_.substr(0, span(s_, cString(set), true)));
}

CString CString::SpanExcluding(const char* set) const {
    return CString(s_.substr(0, span(s_, cString(set), false)));
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t p = findAt(s_, std::string(1, ch), static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = findAt(s_, sub, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const {
    CharWalker walk(s_);
    int found = -1;
    for (size_t i = 0; i < s_.size(); i += walk.size(i))
        if (walk.size(i) == 1 && s_[i] == ch) found = static_cast<int>(i);
    return found;
}

int CString::FindOneOf(const char* set) const {
    const std::string chars = cString(set);
    size_t n = span(s_, chars, false);
    return n < s_.size() && s_[n] != '\0' ? static_cast<int>(n) : -1;
}

CString& CString::MakeLower() {
    p::AnsiLower(s_);
    return *this;
}

CString& CString::MakeUpper() {
    p::AnsiUpper(s_);
    return *this;
}

CString& CString::MakeReverse() {
    // Characters are reversed; the bytes of a double-byte character keep their order.
    CharWalker walk(s_);
    std::string out(s_.size(), '\0');
    size_t end = s_.size();
    for (size_t i = 0; i < s_.size();) {
        const size_t n = walk.size(i);
        end -= n;
        out.replace(end, n, s_, i, n);
        i += n;
    }
    s_ = std::move(out);
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char ch) {
    return TrimRight(ch).TrimLeft(ch);
}
CString& CString::Trim(const char* set) {
    return TrimRight(set).TrimLeft(set);
}

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < s_.size() && isSpace(s_[n]))
        ++n;
    s_.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(char ch) {
    size_t n = 0;
    while (n < s_.size() && s_[n] == ch)
        ++n;
    s_.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const char* set) {
    const std::string chars = cString(set);
    CharWalker walk(s_);
    size_t n = 0;
    while (n < s_.size() && inSet(s_, n, walk.size(n), chars, walk.codePage()))
        n += walk.size(n);
    s_.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    // The first position from which only blanks follow, found by characters so that a
    // trail byte is never taken for one.
    CharWalker walk(s_);
    size_t keep = 0;
    for (size_t i = 0; i < s_.size(); i += walk.size(i))
        if (walk.size(i) == 2 || !isSpace(s_[i])) keep = i + walk.size(i);
    s_.resize(keep);
    return *this;
}

CString& CString::TrimRight(char ch) {
    CharWalker walk(s_);
    size_t keep = 0;
    for (size_t i = 0; i < s_.size(); i += walk.size(i))
        if (walk.size(i) == 2 || s_[i] != ch) keep = i + walk.size(i);
    s_.resize(keep);
    return *this;
}

CString& CString::TrimRight(const char* set) {
    const std::string chars = cString(set);
    CharWalker walk(s_);
    size_t keep = 0;
    for (size_t i = 0; i < s_.size(); i += walk.size(i))
        if (!inSet(s_, i, walk.size(i), chars, walk.codePage())) keep = i + walk.size(i);
    s_.resize(keep);
    return *this;
}

int CString::Replace(char from, char to) {
    CharWalker walk(s_);
    int count = 0;
    for (size_t i = 0; i < s_.size(); i += walk.size(i))
        if (walk.size(i) == 1 && s_[i] == from) s_[i] = to, ++count;
    return count;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from) return 0;
    const std::string f(from), t(cString(to));
    std::string out;
    int count = 0;
    size_t done = 0;
    for (size_t p = findAt(s_, f, 0); p != std::string::npos; p = findAt(s_, f, done)) {
        out.append(s_, done, p - done);
        out += t;
        done = p + f.size();
        ++count;
    }
    if (count) s_ = out + s_.substr(done);
    return count;
}

int CString::Remove(char ch) {
    CharWalker walk(s_);
    std::string out;
    int count = 0;
    for (size_t i = 0; i < s_.size(); i += walk.size(i)) {
        if (walk.size(i) == 1 && s_[i] == ch)
            ++count;
        else
            out.append(s_, i, walk.size(i));
    }
    s_ = std::move(out);
    return count;
}

int CString::Insert(int index, char ch) {
    index = std::clamp(index, 0, GetLength());
    s_.insert(static_cast<size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const char* text) {
    index = std::clamp(index, 0, GetLength());
    s_.insert(static_cast<size_t>(index), cString(text));
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength())
        s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

CString CString::Tokenize(const char* set, int& start) const {
    if (start < 0) {
        start = -1;
        return CString();
    }
    const std::string delims = cString(set);
    if (delims.empty()) {
        // No delimiters: the rest is the token and start stays (the framework's rule).
        if (start < GetLength()) return Mid(start);
    } else if (start < GetLength()) {
        const std::string rest = s_.substr(static_cast<size_t>(start));
        const size_t including = span(rest, delims, true);
        if (including < rest.size() && rest[including] != '\0') {
            const size_t excluding = span(rest.substr(including), delims, false);
            const int from = start + static_cast<int>(including);
            start = from + static_cast<int>(excluding) + 1;
            return Mid(from, static_cast<int>(excluding));
        }
    }
    start = -1;
    return CString();
}

void CString::FormatV(const char* format, va_list args) {
    if (!format) format = "";
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
        s_.clear();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    s_.assign(buffer.data(), static_cast<size_t>(n));
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::Format(UINT formatId, ...) {
    CString format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormatV(const char* format, va_list args) {
    CString more;
    more.FormatV(format, args);
    s_ += more.s_;
}

void CString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatMessageV(const char* format, va_list* args) {
    s_ = p::ExpandMessageInserts(format ? format : "", args, false);
}

void CString::FormatMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatMessageV(format, &args);
    va_end(args);
}

void CString::FormatMessage(UINT formatId, ...) {
    CString format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    FormatMessageV(format, &args);
    va_end(args);
}

BOOL CString::LoadString(UINT id) {
    std::string text;
    if (!tessaly::framework::LoadResourceString(id, text)) return FALSE;
    s_ = std::move(text);
    return TRUE;
}
