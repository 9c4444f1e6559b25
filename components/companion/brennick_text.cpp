// Texts of the companion library: SQL quoting, identifiers and dates.
#include <tessaly/companion.h>

#include <string>

#include "platform/codepage.h"
#include "platform/guid.h"
#include "platform/locale.h"

namespace {

// A double-byte character of the Simplified Chinese code page: lead 0x81..0xFE, trail
// 0x40..0x7E or 0x80..0xFE. The database reads text in the connection's character set,
// which is the ANSI code page's, so such a pair is one character there and its trail byte
// (which may be 0x5C, a backslash on its own) must not be escaped.
bool isDoubleByte(const std::string& text, size_t i) {
    if (i + 1 >= text.size()) return false;
    if (!tessaly::platform::IsDBCSLeadByte(static_cast<BYTE>(text[i]))) return false;
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE);
}

} // namespace

// Escapes text for use between single quotes in a statement of the embedded database,
// with the rules of the database's own client: backslash before ' " and \, and NUL, CR,
// LF and Ctrl-Z as \0 \r \n \Z. Double-byte characters of the code page pass whole; a
// lone lead byte is escaped.
CString EscapeQuotation(CString text) {
    const std::string& in = text.str();
    std::string out;
    out.reserve(in.size() + in.size() / 8 + 2);
    for (size_t i = 0; i < in.size(); ++i) {
        if (isDoubleByte(in, i)) {
            out += in[i];
            out += in[++i];
            continue;
        }
        // A lead byte without its trail byte is escaped itself: left bare, it would join
        // the backslash of a following escape into one character and free the quote.
        if (tessaly::platform::IsDBCSLeadByte(static_cast<BYTE>(in[i]))) {
            out += '\\';
            out += in[i];
            continue;
        }
        switch (in[i]) {
        case '\0':
            out += "\\0";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\x1A':
            out += "\\Z";
            break;
        case '\'':
            out += "\\'";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += in[i];
            break;
        }
    }
    return CString(std::move(out));
}

// A new random identifier in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
CString CreateGUIDCString(int) {
    tessaly::platform::GUID guid{};
    if (tessaly::platform::CoCreateGuid(&guid) != 0) return CString();
    return CString(tessaly::platform::GuidToString(guid));
}

// The date in the user's long date format; empty for an invalid date.
CString GetDefaultLongDate(COleDateTime date) {
    tessaly::platform::SYSTEMTIME st{};
    if (!date.GetAsSystemTime(st)) return CString();
    char buffer[256] = {};
    if (tessaly::platform::GetDateFormatA(tessaly::platform::GetUserDefaultLCID(),
                                          tessaly::platform::DATE_LONGDATE, &st, nullptr, buffer,
                                          sizeof buffer) <= 0)
        return CString();
    return CString(buffer);
}
