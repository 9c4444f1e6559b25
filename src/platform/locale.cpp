#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/registry.h"

namespace tessaly::platform {

namespace {

constexpr LCID kEnglishUS = 1033;

// What the system knows of a locale: its English names and its date pictures (UTF-8;
// converted to the ANSI code page on the way out). The first entry of a language is the
// one a bare language code ("de") stands for.
struct LocaleRecord {
    LCID lcid;
    const char* posix;       // language_TERRITORY
    const char* language;    // English language name
    const char* country;     // English country name
    const char* abbreviated; // three-letter language abbreviation
    const char* shortDate;
    const char* longDate;
};

const LocaleRecord kLocales[] = {
    {1033, "en_US", "English", "United States", "ENU", "M/d/yyyy", "dddd, MMMM dd, yyyy"},
    {2057, "en_GB", "English", "United Kingdom", "ENG", "dd/MM/yyyy", "dd MMMM yyyy"},
    {3081, "en_AU", "English", "Australia", "ENA", "d/MM/yyyy", "dddd, d MMMM yyyy"},
    {4105, "en_CA", "English", "Canada", "ENC", "dd/MM/yyyy", "MMMM d, yyyy"},
    {5129, "en_NZ", "English", "New Zealand", "ENZ", "d/MM/yyyy", "dddd, d MMMM yyyy"},
    {6153, "en_IE", "English", "Ireland", "ENI", "dd/MM/yyyy", "dd MMMM yyyy"},
    {7177, "en_ZA", "English", "South Africa", "ENS", "yyyy/MM/dd", "dd MMMM yyyy"},
    {1031, "de_DE", "German", "Germany", "DEU", "dd.MM.yyyy", "dddd, d. MMMM yyyy"},
    {2055, "de_CH", "German", "Switzerland", "DES", "dd.MM.yyyy", "dddd, d. MMMM yyyy"},
    {3079, "de_AT", "German", "Austria", "DEA", "dd.MM.yyyy", "dddd, dd. MMMM yyyy"},
    {4103, "de_LU", "German", "Luxembourg", "DEL", "dd.MM.yyyy", "dddd, d. MMMM yyyy"},
    {1036, "fr_FR", "French", "France", "FRA", "dd/MM/yyyy", "dddd d MMMM yyyy"},
    {3084, "fr_CA", "French", "Canada", "FRC", "yyyy-MM-dd", "d MMMM yyyy"},
    {4108, "fr_CH", "French", "Switzerland", "FRS", "dd.MM.yyyy", "dddd, d. MMMM yyyy"},
    {2060, "fr_BE", "French", "Belgium", "FRB", "d/MM/yyyy", "dddd d MMMM yyyy"},
    {1040, "it_IT", "Italian", "Italy", "ITA", "dd/MM/yyyy", "dddd d MMMM yyyy"},
    {2064, "it_CH", "Italian", "Switzerland", "ITS", "dd.MM.yyyy", "dddd, d. MMMM yyyy"},
    {3082, "es_ES", "Spanish", "Spain", "ESN", "dd/MM/yyyy", "dddd, dd' de 'MMMM' de 'yyyy"},
    {2058, "es_MX", "Spanish", "Mexico", "ESM", "dd/MM/yyyy", "dddd, dd' de 'MMMM' de 'yyyy"},
    {1046, "pt_BR", "Portuguese", "Brazil", "PTB", "d/M/yyyy", "dddd, d' de 'MMMM' de 'yyyy"},
    {2070, "pt_PT", "Portuguese", "Portugal", "PTG", "dd-MM-yyyy", "dddd, d' de 'MMMM' de 'yyyy"},
    {1043, "nl_NL", "Dutch", "Netherlands", "NLD", "d-M-yyyy", "dddd d MMMM yyyy"},
    {2067, "nl_BE", "Dutch", "Belgium", "NLB", "d/MM/yyyy", "dddd d MMMM yyyy"},
    {1053, "sv_SE", "Swedish", "Sweden", "SVE", "yyyy-MM-dd", "'den 'd MMMM yyyy"},
    {1030, "da_DK", "Danish", "Denmark", "DAN", "dd-MM-yyyy", "d. MMMM yyyy"},
    {1044, "nb_NO", "Norwegian (Bokmal)", "Norway", "NOR", "dd.MM.yyyy", "d. MMMM yyyy"},
    {1035, "fi_FI", "Finnish", "Finland", "FIN", "d.M.yyyy", "d. MMMM'ta 'yyyy"},
    {1039, "is_IS", "Icelandic", "Iceland", "ISL", "d.M.yyyy", "d. MMMM yyyy"},
    {1045, "pl_PL", "Polish", "Poland", "PLK", "yyyy-MM-dd", "d MMMM yyyy"},
    {1029, "cs_CZ", "Czech", "Czech Republic", "CSY", "d.M.yyyy", "d. MMMM yyyy"},
    {1051, "sk_SK", "Slovak", "Slovakia", "SKY", "d. M. yyyy", "d. MMMM yyyy"},
    {1060, "sl_SI", "Slovenian", "Slovenia", "SLV", "d.M.yyyy", "d. MMMM yyyy"},
    {1050, "hr_HR", "Croatian", "Croatia", "HRV", "d.M.yyyy", "d. MMMM yyyy"},
    {1038, "hu_HU", "Hungarian", "Hungary", "HUN", "yyyy. MM. dd.", "yyyy. MMMM d."},
    {1048, "ro_RO", "Romanian", "Romania", "ROM", "dd.MM.yyyy", "d MMMM yyyy"},
    {1026, "bg_BG", "Bulgarian", "Bulgaria", "BGR", "d.M.yyyy 'г.'", "dd MMMM yyyy 'г.'"},
    {1049, "ru_RU", "Russian", "Russia", "RUS", "dd.MM.yyyy", "d MMMM yyyy 'г.'"},
    {1058, "uk_UA", "Ukrainian", "Ukraine", "UKR", "dd.MM.yyyy", "d MMMM yyyy' р.'"},
    {1032, "el_GR", "Greek", "Greece", "ELL", "d/M/yyyy", "dddd, d MMMM yyyy"},
    {1055, "tr_TR", "Turkish", "Turkey", "TRK", "dd.MM.yyyy", "dd MMMM yyyy dddd"},
    {1061, "et_EE", "Estonian", "Estonia", "ETI", "d.MM.yyyy", "d. MMMM yyyy'. a.'"},
    {1062, "lv_LV", "Latvian", "Latvia", "LVI", "yyyy.MM.dd.", "dddd, yyyy'. gada 'd. MMMM"},
    {1063, "lt_LT", "Lithuanian", "Lithuania", "LTH", "yyyy.MM.dd", "yyyy 'm.' MMMM d 'd.'"},
    {1027, "ca_ES", "Catalan", "Spain", "CAT", "dd/MM/yyyy", "dddd, d' / 'MMMM' / 'yyyy"},
    {1069, "eu_ES", "Basque", "Spain", "EUQ", "yyyy/MM/dd", "dddd, yyyy.'eko' MMMM'k 'd"},
    {1041, "ja_JP", "Japanese", "Japan", "JPN", "yyyy/MM/dd", "yyyy'年'M'月'd'日'"},
    {2052, "zh_CN", "Chinese", "People's Republic of China", "CHS", "yyyy-M-d",
     "yyyy'年'M'月'd'日'"},
    {1028, "zh_TW", "Chinese", "Taiwan", "CHT", "yyyy/M/d", "yyyy'年'M'月'd'日'"},
    {3076, "zh_HK", "Chinese", "Hong Kong S.A.R.", "ZHH", "d/M/yyyy", "dddd, d MMMM, yyyy"},
    {1042, "ko_KR", "Korean", "Korea", "KOR", "yyyy-MM-dd", "yyyy'년' M'월' d'일' dddd"},
    {1054, "th_TH", "Thai", "Thailand", "THA", "d/M/yyyy", "d MMMM yyyy"},
    {1057, "id_ID", "Indonesian", "Indonesia", "IND", "dd/MM/yyyy", "dd MMMM yyyy"},
    {1037, "he_IL", "Hebrew", "Israel", "HEB", "dd/MM/yyyy", "dddd dd MMMM yyyy"},
    {1025, "ar_SA", "Arabic", "Saudi Arabia", "ARA", "dd/MM/yy", "dd/MMMM/yyyy"},
};

const LocaleRecord* findRecord(LCID lcid) {
    for (const LocaleRecord& record : kLocales)
        if (record.lcid == lcid) return &record;
    return nullptr;
}

// "de_DE.UTF-8@euro" -> 1031; "de" -> the first German entry; 0 when unknown.
LCID lcidFromPosixName(std::string name) {
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return 0;
    size_t separator = name.find_first_of("_-");
    std::string language = name.substr(0, separator);
    std::string territory = separator == std::string::npos ? "" : name.substr(separator + 1);
    for (char& ch : language)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (char& ch : territory)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (language == "no" || language == "nn") language = "nb"; // one Norwegian entry here
    const LocaleRecord* firstOfLanguage = nullptr;
    for (const LocaleRecord& record : kLocales) {
        std::string posix = record.posix;
        if (posix.compare(0, language.size() + 1, language + "_") != 0) continue;
        if (!firstOfLanguage) firstOfLanguage = &record;
        if (posix.substr(language.size() + 1) == territory) return record.lcid;
    }
    return firstOfLanguage ? firstOfLanguage->lcid : 0;
}

// The record of a locale argument: the user's and system's default stand for the user's
// locale; sort bits above the low word are ignored.
const LocaleRecord* recordOf(LCID locale) {
    LCID id = locale & 0xFFFF;
    if (id == 0x0400 || id == 0x0800 || id == 0) id = GetUserDefaultLCID();
    return findRecord(id);
}

// ---- Month and day names ----

const char* const kEnglishMonths[12] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
const char* const kEnglishShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kEnglishDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
const char* const kEnglishShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kGermanMonths[12] = {"Januar",    "Februar", "März",     "April",
                                       "Mai",       "Juni",    "Juli",     "August",
                                       "September", "Oktober", "November", "Dezember"};
const char* const kGermanShortMonths[12] = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                                            "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
const char* const kGermanDays[7] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                    "Donnerstag", "Freitag", "Samstag"};
const char* const kGermanShortDays[7] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};

enum class NameKind { Month, ShortMonth, Day, ShortDay };

// glibc's time names of a locale when that locale is installed; null otherwise.
locale_t systemLocale(const LocaleRecord& record) {
    static std::mutex mutex;
    static std::map<LCID, locale_t> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(record.lcid);
    if (it != cache.end()) return it->second;
    locale_t loc = nullptr;
    for (const char* suffix : {".UTF-8", ".utf8"}) {
        std::string name = std::string(record.posix) + suffix;
        loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name.c_str(), nullptr);
        if (loc) break;
    }
    cache[record.lcid] = loc; // kept for the life of the process
    return loc;
}

// A month (0-11) or day (0 Sunday - 6) name in UTF-8. English and German come from the
// built-in tables, which hold the system's own texts; other languages come from glibc when
// their locale is installed and are English otherwise. genitive: the month stands beside a
// day number (languages that inflect month names use the form glibc gives for that).
std::string localName(const LocaleRecord& record, NameKind kind, int index, bool genitive) {
    std::string language(record.posix, 2);
    if (language != "en" && language != "de") {
        if (locale_t loc = systemLocale(record)) {
            nl_item item = 0;
            switch (kind) {
            case NameKind::Month:
                item = (genitive ? MON_1 : ALTMON_1) + index;
                break;
            case NameKind::ShortMonth:
                item = (genitive ? ABMON_1 : _NL_ABALTMON_1) + index;
                break;
            case NameKind::Day:
                item = DAY_1 + index;
                break;
            case NameKind::ShortDay:
                item = ABDAY_1 + index;
                break;
            }
            const char* text = nl_langinfo_l(item, loc);
            if (text && *text) return text;
        }
    }
    const bool german = language == "de";
    switch (kind) {
    case NameKind::Month:
        return (german ? kGermanMonths : kEnglishMonths)[index];
    case NameKind::ShortMonth:
        return (german ? kGermanShortMonths : kEnglishShortMonths)[index];
    case NameKind::Day:
        return (german ? kGermanDays : kEnglishDays)[index];
    case NameKind::ShortDay:
        return (german ? kGermanShortDays : kEnglishShortDays)[index];
    }
    return {};
}

// Copies a result the Windows way: size 0 asks the length with its terminator.
int storeText(const std::string& text, char* buffer, int size) {
    int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (!buffer || size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), static_cast<size_t>(needed));
    return needed;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// 0 Sunday; the caller's day-of-week field is ignored, as the system does.
int dayOfWeek(int year, int month, int day) {
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) --year;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

// Expands a date picture; text between single quotes is copied ('' inside is one quote).
std::string formatPicture(const LocaleRecord& record, const std::string& picture,
                          const SYSTEMTIME& date) {
    // Whether a day number (d or dd) appears outside quoted text.
    bool hasDayNumber = false;
    bool quoted = false;
    for (size_t i = 0; i < picture.size();) {
        if (picture[i] == '\'') quoted = !quoted;
        if (quoted || picture[i] != 'd') {
            ++i;
            continue;
        }
        size_t run = 0;
        while (i + run < picture.size() && picture[i + run] == 'd')
            ++run;
        if (run <= 2) hasDayNumber = true;
        i += run;
    }

    std::string out;
    for (size_t i = 0; i < picture.size();) {
        char ch = picture[i];
        if (ch == '\'') {
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == ch)
            ++run;
        char number[16];
        switch (ch) {
        case 'd':
            if (run == 1) {
                std::snprintf(number, sizeof number, "%d", date.wDay);
                out += number;
            } else if (run == 2) {
                std::snprintf(number, sizeof number, "%02d", date.wDay);
                out += number;
            } else {
                int weekday = dayOfWeek(date.wYear, date.wMonth, date.wDay);
                out += localName(record, run == 3 ? NameKind::ShortDay : NameKind::Day, weekday,
                                 false);
            }
            break;
        case 'M':
            if (run == 1) {
                std::snprintf(number, sizeof number, "%d", date.wMonth);
                out += number;
            } else if (run == 2) {
                std::snprintf(number, sizeof number, "%02d", date.wMonth);
                out += number;
            } else {
                out += localName(record, run == 3 ? NameKind::ShortMonth : NameKind::Month,
                                 date.wMonth - 1, hasDayNumber);
            }
            break;
        case 'y':
            if (run == 1) {
                std::snprintf(number, sizeof number, "%d", date.wYear % 100);
            } else if (run == 2) {
                std::snprintf(number, sizeof number, "%02d", date.wYear % 100);
            } else {
                std::snprintf(number, sizeof number, "%d", date.wYear);
            }
            out += number;
            break;
        case 'g':
            out += "A.D."; // the era of the Gregorian calendar
            break;
        default:
            out.append(run, ch);
            break;
        }
        i += run;
    }
    return out;
}

} // namespace

LCID GetUserDefaultLCID() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        LCID lcid = lcidFromPosixName(value);
        return lcid ? lcid : kEnglishUS;
    }
    return kEnglishUS;
}

HKL GetKeyboardLayout(DWORD) {
    DWORD language = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", 0, KEY_QUERY_VALUE, &key) ==
        0) {
        char text[64] = {};
        DWORD size = sizeof text - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key, "1", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == 0 &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            char* end = nullptr;
            unsigned long layout = std::strtoul(text, &end, 16);
            if (end != text) language = layout & 0xFFFF;
        }
        RegCloseKey(key);
    }
    if (language == 0) language = GetUserDefaultLCID() & 0xFFFF;
    // The high word names the layout's device; for the standard layouts it is the language.
    return reinterpret_cast<HKL>(static_cast<std::uintptr_t>(language << 16 | language));
}

int GetLocaleInfoA(LCID locale, DWORD type, char* buffer, int size) {
    const LocaleRecord* record = recordOf(locale);
    if (!record) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    type &= ~0x80000000u; // LOCALE_NOUSEROVERRIDE: there are no user overrides here
    std::string text;
    std::string posix = record->posix;
    if (type == LOCALE_SENGLANGUAGE) {
        text = record->language;
    } else if (type == LOCALE_SENGCOUNTRY) {
        text = record->country;
    } else if (type == LOCALE_SSHORTDATE) {
        text = record->shortDate;
    } else if (type == LOCALE_SLONGDATE) {
        text = record->longDate;
    } else if (type == LOCALE_SABBREVLANGNAME) {
        text = record->abbreviated;
    } else if (type == LOCALE_ILANGUAGE) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(record->lcid));
        text = hex;
    } else if (type == LOCALE_SISO639LANGNAME) {
        text = posix.substr(0, 2);
    } else if (type == LOCALE_SISO3166CTRYNAME) {
        text = posix.substr(3, 2);
    } else if (type >= LOCALE_SDAYNAME1 && type < LOCALE_SDAYNAME1 + 7) {
        // The system counts days from Monday.
        text = localName(*record, NameKind::Day, static_cast<int>(type - LOCALE_SDAYNAME1 + 1) % 7,
                         false);
    } else if (type >= LOCALE_SABBREVDAYNAME1 && type < LOCALE_SABBREVDAYNAME1 + 7) {
        text = localName(*record, NameKind::ShortDay,
                         static_cast<int>(type - LOCALE_SABBREVDAYNAME1 + 1) % 7, false);
    } else if (type >= LOCALE_SMONTHNAME1 && type < LOCALE_SMONTHNAME1 + 12) {
        text =
            localName(*record, NameKind::Month, static_cast<int>(type - LOCALE_SMONTHNAME1), false);
    } else if (type >= LOCALE_SABBREVMONTHNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12) {
        text = localName(*record, NameKind::ShortMonth,
                         static_cast<int>(type - LOCALE_SABBREVMONTHNAME1), false);
    } else {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    return storeText(Utf8ToAnsi(text), buffer, size);
}

int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, const char* format,
                   char* buffer, int size) {
    const LocaleRecord* record = recordOf(locale);
    if (!record) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (format && (flags & (DATE_SHORTDATE | DATE_LONGDATE))) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    SYSTEMTIME when{};
    if (date) {
        when = *date;
        if (when.wMonth < 1 || when.wMonth > 12 || when.wYear < 1601 || when.wYear > 30827 ||
            when.wDay < 1 || when.wDay > daysInMonth(when.wYear, when.wMonth)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        when.wYear = static_cast<WORD>(local.tm_year + 1900);
        when.wMonth = static_cast<WORD>(local.tm_mon + 1);
        when.wDay = static_cast<WORD>(local.tm_mday);
    }
    std::string picture;
    if (format)
        picture = AnsiToUtf8(format);
    else
        picture = (flags & DATE_LONGDATE) ? record->longDate : record->shortDate;
    return storeText(Utf8ToAnsi(formatPicture(*record, picture, when)), buffer, size);
}

} // namespace tessaly::platform
