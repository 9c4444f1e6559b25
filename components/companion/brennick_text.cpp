// Texts of the companion library: SQL quoting, identifiers and dates.
#include <tessaly/companion.h>

#include <cmath>
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

// Days since 1 January 1970 of a proleptic Gregorian date, and back.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// An OLE date (days since 30 December 1899; for negative values the fraction still counts
// forward from midnight) as a system time; false outside the years 100 to 9999.
bool toSystemTime(const COleDateTime& date, tessaly::platform::SYSTEMTIME& st) {
    if (date.m_status != COleDateTime::valid || !std::isfinite(date.m_dt)) return false;
    if (date.m_dt < -657434.0 || date.m_dt >= 2958466.0) return false;
    const double whole = std::trunc(date.m_dt);
    const double fraction = std::fabs(date.m_dt - whole);
    long long seconds = std::llround(fraction * 86400.0);
    long long day = static_cast<long long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += date.m_dt < 0 ? -1 : 1;
    }
    long long y = 0;
    unsigned m = 0, d = 0;
    const long long epochOffset = daysFromCivil(1899, 12, 30);
    civilFromDays(day + epochOffset, y, m, d);
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    // 1 January 1970 was a Thursday (4).
    const long long unixDay = day + epochOffset;
    st.wDayOfWeek = static_cast<WORD>(((unixDay % 7) + 7 + 4) % 7);
    st.wHour = static_cast<WORD>(seconds / 3600);
    st.wMinute = static_cast<WORD>(seconds / 60 % 60);
    st.wSecond = static_cast<WORD>(seconds % 60);
    st.wMilliseconds = 0;
    return true;
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
    if (!toSystemTime(date, st)) return CString();
    char buffer[256] = {};
    if (tessaly::platform::GetDateFormatA(tessaly::platform::GetUserDefaultLCID(),
                                          tessaly::platform::DATE_LONGDATE, &st, nullptr, buffer,
                                          sizeof buffer) <= 0)
        return CString();
    return CString(buffer);
}
