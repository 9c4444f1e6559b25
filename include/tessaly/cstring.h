#pragma once
// CString: single-byte text of the ANSI code page, with a length and value semantics.
// It may hold zero bytes (GetLength counts them); the C-string view, and with it every
// comparison, ends at the first one, as the framework's string does. Searching, trimming,
// replacing and case folding step over the text by characters of the ANSI code page, so a
// double-byte character is never split or matched by its trail byte.
#include <cstdarg>
#include <string>
#include <string_view>

#include <tessaly/types.h>

class TESSALY_API CString {
  public:
    CString() = default;
    CString(const char* text) : s_(text ? text : "") {}
    CString(const char* text, int length) : s_(text ? text : "", text && length > 0 ? length : 0) {}
    CString(const unsigned char* text) : CString(reinterpret_cast<const char*>(text)) {}
    CString(char ch, int repeat = 1) : s_(repeat > 0 ? repeat : 0, ch) {}
    CString(const std::string& text) : s_(text) {}
    CString(std::string&& text) : s_(std::move(text)) {}
    CString(std::string_view text) : s_(text) {}
    // Wide (UTF-16) text, converted to the ANSI code page ('?' where it has no place).
    explicit CString(const WCHAR* wide);

    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    // Index GetLength() reads the terminating zero; beyond it throws std::out_of_range.
    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }
    const char* GetString() const { return s_.c_str(); }
    operator const char*() const { return s_.c_str(); }
    const std::string& str() const { return s_; }
    std::string_view view() const { return s_; }

    // Buffer access: GetBuffer gives at least minLength writable bytes (and a terminator
    // after them); ReleaseBuffer(-1) takes the length from the first zero byte.
    char* GetBuffer(int minLength = 0);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);
    void Preallocate(int length);
    void FreeExtra() { s_.shrink_to_fit(); }
    void Truncate(int length);
    void SetString(const char* text);
    void SetString(const char* text, int length);

    CString& operator=(const char* text);
    CString& operator=(const unsigned char* text);
    CString& operator=(char ch);
    CString& operator=(const WCHAR* wide);
    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);
    void Append(const char* text);
    void Append(const char* text, int length);
    void Append(const CString& text) { *this += text; }
    void AppendChar(char ch) { s_ += ch; }

    // -1, 0 or 1, comparing up to the first zero byte (bytes as unsigned values).
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;
    int Collate(const char* text) const { return Compare(text); }
    int CollateNoCase(const char* text) const { return CompareNoCase(text); }

    // Byte positions and counts, clamped to the text.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;

    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    CString& MakeLower();
    CString& MakeUpper();
    CString& MakeReverse();
    CString& Trim();
    CString& Trim(char ch);
    CString& Trim(const char* set);
    CString& TrimLeft();
    CString& TrimLeft(char ch);
    CString& TrimLeft(const char* set);
    CString& TrimRight();
    CString& TrimRight(char ch);
    CString& TrimRight(const char* set);

    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);
    // The next token after start (delimiters skipped first); start moves past it, or to -1
    // when no token is left.
    CString Tokenize(const char* set, int& start) const;

    // printf-style formatting.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Format(UINT formatId, ...);
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormatV(const char* format, va_list args);
    // Message formatting with %1, %2!d! inserts (the system's message-text rules).
    void FormatMessage(const char* format, ...);
    void FormatMessage(UINT formatId, ...);
    void FormatMessageV(const char* format, va_list* args);
    // Loads a string-table text from the current resource module; FALSE (and the text left
    // as it was) when it has none.
    BOOL LoadString(UINT id);

    friend bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
    friend bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
    friend bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
    friend bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
    friend bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
    friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
    friend bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
    friend bool operator>(const char* a, const CString& b) { return b.Compare(a) < 0; }
    friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
    friend bool operator<=(const CString& a, const char* b) { return a.Compare(b) <= 0; }
    friend bool operator<=(const char* a, const CString& b) { return b.Compare(a) >= 0; }
    friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
    friend bool operator>=(const CString& a, const char* b) { return a.Compare(b) >= 0; }
    friend bool operator>=(const char* a, const CString& b) { return b.Compare(a) <= 0; }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
    friend CString operator+(const CString& a, const char* b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const char* a, const CString& b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const CString& a, char b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(char a, const CString& b) {
        CString r(a);
        r += b;
        return r;
    }

  private:
    std::string s_;
};

typedef CString CStringA;
