// CString members. Searching is bytewise; case folding follows the ANSI code page's rules.
#include <tessaly/cstring.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/strings.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace {

bool isSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

std::string lowerCopy(const std::string& s) {
    std::string copy = s;
    tessaly::platform::AnsiLower(copy);
    return copy;
}

} // namespace

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) {
        size_t keep = s_.size();
        s_.resize(static_cast<size_t>(minLength));
        std::fill(s_.begin() + static_cast<long>(keep), s_.end(), '\0');
    }
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

int CString::Compare(const char* text) const {
    int r = std::strcmp(s_.c_str(), text ? text : "");
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CString::CompareNoCase(const char* text) const {
    std::string a = lowerCopy(s_), b = lowerCopy(text ? text : "");
    int r = std::strcmp(a.c_str(), b.c_str());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(s_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* set) const {
    size_t n = s_.find_first_not_of(set ? set : "");
    return CString(s_.substr(0, n));
}

CString CString::SpanExcluding(const char* set) const {
    size_t n = s_.find_first_of(set ? set : "");
    return CString(s_.substr(0, n));
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    size_t p = s_.find(ch, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = s_.find(sub, static_cast<size_t>(start));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const {
    size_t p = s_.rfind(ch);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* set) const {
    size_t p = s_.find_first_of(set ? set : "");
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

CString& CString::MakeLower() {
    tessaly::platform::AnsiLower(s_);
    return *this;
}

CString& CString::MakeUpper() {
    tessaly::platform::AnsiUpper(s_);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(s_.begin(), s_.end());
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char ch) { return TrimRight(ch).TrimLeft(ch); }
CString& CString::Trim(const char* set) { return TrimRight(set).TrimLeft(set); }

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < s_.size() && isSpace(s_[n])) ++n;
    s_.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(char ch) {
    size_t n = 0;
    while (n < s_.size() && s_[n] == ch) ++n;
    s_.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const char* set) {
    size_t n = s_.find_first_not_of(set ? set : "");
    s_.erase(0, n == std::string::npos ? s_.size() : n);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = s_.size();
    while (n > 0 && isSpace(s_[n - 1])) --n;
    s_.resize(n);
    return *this;
}

CString& CString::TrimRight(char ch) {
    size_t n = s_.size();
    while (n > 0 && s_[n - 1] == ch) --n;
    s_.resize(n);
    return *this;
}

CString& CString::TrimRight(const char* set) {
    size_t n = s_.find_last_not_of(set ? set : "");
    s_.resize(n == std::string::npos ? 0 : n + 1);
    return *this;
}

int CString::Replace(char from, char to) {
    int count = 0;
    for (char& c : s_)
        if (c == from) c = to, ++count;
    return count;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from) return 0;
    std::string f(from), t(to ? to : "");
    int count = 0;
    for (size_t p = s_.find(f); p != std::string::npos; p = s_.find(f, p + t.size())) {
        s_.replace(p, f.size(), t);
        ++count;
    }
    return count;
}

int CString::Remove(char ch) {
    size_t before = s_.size();
    s_.erase(std::remove(s_.begin(), s_.end(), ch), s_.end());
    return static_cast<int>(before - s_.size());
}

int CString::Insert(int index, char ch) { return Insert(index, std::string(1, ch).c_str()); }

int CString::Insert(int index, const char* text) {
    index = std::clamp(index, 0, GetLength());
    s_.insert(static_cast<size_t>(index), text ? text : "");
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength())
        s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

CString CString::Tokenize(const char* set, int& start) const {
    std::string delims(set ? set : "");
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    size_t first = s_.find_first_not_of(delims, static_cast<size_t>(start));
    if (first == std::string::npos) {
        start = -1;
        return CString();
    }
    size_t last = s_.find_first_of(delims, first);
    if (last == std::string::npos) last = s_.size();
    start = static_cast<int>(last + (last < s_.size() ? 1 : 0));
    return CString(s_.substr(first, last - first));
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

void CString::AppendFormat(const char* format, ...) {
    CString more;
    va_list args;
    va_start(args, format);
    more.FormatV(format, args);
    va_end(args);
    s_ += more.s_;
}

void CString::FormatMessageV(const char* format, va_list* args) {
    s_ = tessaly::platform::ExpandMessageInserts(format ? format : "", args, false);
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
