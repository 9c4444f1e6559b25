// The tessaly program's failure messages, text conversion and display check.
#include "shell.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <CLI/CLI.hpp>

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string_view>

#include "platform/codepage.h"

namespace tessaly::cli {

namespace p = tessaly::platform;

namespace {

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// UTF-8 text as UTF-16 units; false when it is not UTF-8.
bool toUtf16(const std::string& utf8, std::u16string& wide) {
    wide.clear();
    if (utf8.empty()) return true;
    const int length = static_cast<int>(utf8.size());
    const int count = p::MultiByteToWideChar(p::CP_UTF8, p::MB_ERR_INVALID_CHARS, utf8.data(),
                                             length, nullptr, 0);
    if (count <= 0) return false;
    wide.resize(static_cast<size_t>(count));
    return p::MultiByteToWideChar(p::CP_UTF8, p::MB_ERR_INVALID_CHARS, utf8.data(), length,
                                  reinterpret_cast<WCHAR*>(wide.data()), count) == count;
}

// Whether the ANSI code page holds the UTF-16 units without a default character.
bool storable(std::u16string_view wide) {
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int count =
        p::WideCharToMultiByte(p::CP_ACP, 0, reinterpret_cast<const WCHAR*>(wide.data()),
                               static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
    return count > 0 && !usedDefault;
}

// The first character of utf8 the ANSI code page has no place for ("'日' (U+65E5)"); empty
// when it holds them all, "invalid UTF-8" for text that is not UTF-8.
std::string firstUnstorable(const std::string& utf8) {
    std::u16string wide;
    if (!toUtf16(utf8, wide)) return "invalid UTF-8";
    if (storable(wide)) return {};
    // Character by character (a surrogate pair is one) to name the first one refused.
    size_t byte = 0;
    for (size_t i = 0; i < wide.size(); ++i) {
        const size_t units = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) ? 2 : 1;
        const size_t bytes = sequenceLength(static_cast<unsigned char>(utf8[byte]));
        if (!storable(std::u16string_view(wide).substr(i, units))) {
            char32_t code = wide[i];
            if (units == 2) code = 0x10000 + ((wide[i] - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            char number[16];
            std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
            return "'" + utf8.substr(byte, bytes) + "' (" + number + ")";
        }
        i += units - 1;
        byte += bytes;
    }
    return "a character";
}

} // namespace

void Fail(const std::string& command, const std::string& what, int status) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessaly: %s: %s\n", command.c_str(), what.c_str());
    throw CLI::RuntimeError(status);
}

std::string ToAnsi(const std::string& command, const std::string& utf8) {
    const std::string refused = firstUnstorable(utf8);
    if (refused == "invalid UTF-8") Fail(command, "\"" + utf8 + "\" is not UTF-8 text");
    if (!refused.empty())
        Fail(command, refused + " has no place in code page " + std::to_string(p::GetACP()) +
                          ": \"" + utf8 + "\" cannot be passed on");
    return p::Utf8ToAnsi(utf8);
}

std::string FromAnsi(const std::string& ansi) {
    return p::AnsiToUtf8(ansi);
}

std::string PadToWidth(const std::string& utf8, size_t width) {
    // The C library's character widths, under a UTF-8 character type whatever the caller's.
    static const locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    size_t columns = 0;
    if (utf8Locale) {
        const locale_t previous = uselocale(utf8Locale);
        std::mbstate_t state{};
        for (size_t i = 0; i < utf8.size();) {
            wchar_t c = 0;
            const size_t n = std::mbrtowc(&c, utf8.data() + i, utf8.size() - i, &state);
            if (n == 0 || n > utf8.size() - i) { // a stray byte counts as one column
                state = {};
                ++columns;
                ++i;
                continue;
            }
            const int w = wcwidth(c);
            columns += w < 0 ? 1 : static_cast<size_t>(w);
            i += n;
        }
        uselocale(previous);
    } else {
        columns = utf8.size();
    }
    return columns >= width ? utf8 : utf8 + std::string(width - columns, ' ');
}

bool Offscreen() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return std::string_view(platform).starts_with("offscreen") ||
               std::string_view(platform).starts_with("minimal");
    return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
}

bool DisplayAvailable(std::string& why) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && Offscreen()) return true;
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && (!platform || std::string_view(platform).starts_with("xcb"))) {
        if (std::getenv("WAYLAND_DISPLAY") && !platform) return true;
        why = "no display (DISPLAY is not set)";
        return false;
    }
    if (!display || !*display) return true; // another platform Qt checks by itself
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool open = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (!open) why = std::string("cannot open the display ") + display;
    return open;
}

namespace {

QtMessageHandler qtHandler = nullptr;

// The offscreen platform's note that it keeps no window size hints says nothing to a person at
// the shell; every other message of Qt goes on as before.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text == "This plugin does not support propagateSizeHints()") return;
    if (qtHandler) qtHandler(type, context, text);
}

} // namespace

void StartApplication(const std::string& command, bool needDisplay) {
    if (QCoreApplication::instance()) return;
    std::string why;
    const bool named =
        std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
    if ((needDisplay || named) && !DisplayAvailable(why)) Fail(command, why);
    if (!named) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Without a session's runtime folder Qt warns and uses /tmp/runtime-USER; that folder,
    // made private here, spares every command the warning (Qt still warns when it is not).
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string folder = "/tmp/runtime-" + std::to_string(getuid());
        struct stat info;
        mkdir(folder.c_str(), 0700);
        if (stat(folder.c_str(), &info) == 0 && info.st_uid == getuid() &&
            (info.st_mode & 0777) == 0700)
            setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    if (Offscreen()) qtHandler = qInstallMessageHandler(filterQtMessages);
    static int argc = 1;
    static char name[] = "tessaly";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives as long as the process
}

} // namespace tessaly::cli
