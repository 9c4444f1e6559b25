// The date and time pictures a locale offers, and times written with a picture.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/locale.h"

namespace tessaly::platform {

namespace {

constexpr DWORD kInsufficientBuffer = 122;

// The user's and the system's default stand for the locale the environment names.
LCID resolved(LCID locale) {
    return locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT || locale == 0
               ? GetUserDefaultLCID()
               : locale;
}

std::string localeText(LCID locale, DWORD type) {
    char buffer[128] = {};
    return GetLocaleInfoA(locale, type, buffer, sizeof buffer) > 0 ? std::string(buffer)
                                                                   : std::string();
}

// Locales that write the time of day with a 12-hour clock and an AM/PM marker.
bool usesTwelveHours(LCID locale) {
    switch (resolved(locale) & 0xFFFF) {
    case 1033: // English (United States)
    case 3081: // English (Australia)
    case 4105: // English (Canada)
    case 5129: // English (New Zealand)
    case 3076: // Chinese (Hong Kong)
    case 1025: // Arabic (Saudi Arabia)
        return true;
    default:
        return false;
    }
}

void addOnce(std::vector<std::string>& list, const std::string& picture) {
    if (picture.empty()) return;
    for (const std::string& known : list)
        if (known == picture) return;
    list.push_back(picture);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The locale's pictures: its default first, then the usual variants of it.
std::vector<std::string> datePictures(LCID locale, bool longDate) {
    std::vector<std::string> list;
    const std::string main = localeText(locale, longDate ? LOCALE_SLONGDATE : LOCALE_SSHORTDATE);
    if (main.empty()) return list;
    addOnce(list, main);
    if ((resolved(locale) & 0xFFFF) == 1033) {
        static const char* const shortOnes[] = {"M/d/yy",   "MM/dd/yy",   "MM/dd/yyyy",
                                                "yy/MM/dd", "yyyy-MM-dd", "dd-MMM-yy"};
        static const char* const longOnes[] = {"MMMM dd, yyyy", "dddd, dd MMMM, yyyy",
                                               "dd MMMM, yyyy"};
        if (longDate)
            for (const char* picture : longOnes)
                addOnce(list, picture);
        else
            for (const char* picture : shortOnes)
                addOnce(list, picture);
        return list;
    }
    if (longDate) {
        // Without the day of the week.
        addOnce(list, replaced(main, "dddd, ", ""));
    } else {
        addOnce(list, replaced(main, "yyyy", "yy")); // two-digit year
        addOnce(list, "yyyy-MM-dd");                 // the international form
    }
    return list;
}

std::vector<std::string> timePictures(LCID locale) {
    if (usesTwelveHours(locale)) return {"h:mm:ss tt", "hh:mm:ss tt", "H:mm:ss", "HH:mm:ss"};
    return {"HH:mm:ss", "H:mm:ss"};
}

BOOL enumerate(const std::vector<std::string>& pictures, BOOL (*callback)(char*)) {
    for (const std::string& picture : pictures) {
        std::vector<char> copy(picture.begin(), picture.end());
        copy.push_back('\0');
        if (!callback(copy.data())) break;
    }
    return TRUE;
}

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

BOOL EnumDateFormatsA(DATEFMT_ENUMPROCA callback, LCID locale, DWORD flags) {
    if (!callback || (flags != DATE_SHORTDATE && flags != DATE_LONGDATE)) {
        SetLastError(callback ? ERROR_INVALID_FLAGS : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::vector<std::string> pictures = datePictures(locale, flags == DATE_LONGDATE);
    if (pictures.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return enumerate(pictures, callback);
}

BOOL EnumTimeFormatsA(TIMEFMT_ENUMPROCA callback, LCID locale, DWORD flags) {
    if (!callback || flags != 0 || localeText(locale, LOCALE_SSHORTDATE).empty()) {
        SetLastError(!callback || flags ? ERROR_INVALID_FLAGS : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return enumerate(timePictures(locale), callback);
}

int GetTimeFormatA(LCID locale, DWORD, const SYSTEMTIME* time, const char* format, char* buffer,
                   int size) {
    if (localeText(locale, LOCALE_SSHORTDATE).empty() || size < 0 || (size > 0 && !buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SYSTEMTIME when{};
    if (time) {
        when = *time;
        if (when.wHour > 23 || when.wMinute > 59 || when.wSecond > 59) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else {
        GetLocalTime(&when);
    }
    const std::string picture = format ? format : timePictures(locale).front();
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') { // quoted text; '' inside quotes is a quote
            size_t j = i + 1;
            while (j < picture.size()) {
                if (picture[j] == '\'') {
                    if (j + 1 < picture.size() && picture[j + 1] == '\'') {
                        out += '\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                out += picture[j++];
            }
            i = j + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        const bool two = run >= 2;
        switch (c) {
        case 'h': {
            const int hour = when.wHour % 12 == 0 ? 12 : when.wHour % 12;
            out += two ? twoDigits(hour) : std::to_string(hour);
            break;
        }
        case 'H':
            out += two ? twoDigits(when.wHour) : std::to_string(when.wHour);
            break;
        case 'm':
            out += two ? twoDigits(when.wMinute) : std::to_string(when.wMinute);
            break;
        case 's':
            out += two ? twoDigits(when.wSecond) : std::to_string(when.wSecond);
            break;
        case 't': {
            const char* marker = when.wHour < 12 ? "AM" : "PM";
            out += two ? std::string(marker) : std::string(1, marker[0]);
            break;
        }
        default:
            out.append(run, c);
            break;
        }
        i += run;
    }
    const int needed = static_cast<int>(out.size()) + 1;
    if (size == 0) return needed;
    if (size < needed) {
        SetLastError(kInsufficientBuffer);
        return 0;
    }
    std::memcpy(buffer, out.c_str(), static_cast<size_t>(needed));
    return needed;
}

} // namespace tessaly::platform
