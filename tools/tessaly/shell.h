#pragma once
// The tessaly program's rules at the shell: one message style for failures, exit statuses,
// and text converted between the terminal (UTF-8) and the library (ANSI code page).
#include <string>

namespace tessaly::cli {

// Exit statuses: 0 success, 1 a failure, 2 a usage error.
enum ExitStatus : int { kFailed = 1, kUsage = 2 };

// Prints "tessaly: COMMAND: WHAT" on one line of stderr and ends the command with status.
[[noreturn]] void Fail(const std::string& command, const std::string& what, int status = kFailed);

// Terminal text for the library. Text that is not UTF-8 or that the code page cannot hold is
// refused (Fail) with the character named, rather than stored as '?'.
std::string ToAnsi(const std::string& command, const std::string& utf8);
// Library text for the terminal.
std::string FromAnsi(const std::string& ansi);

// UTF-8 text followed by spaces up to width terminal columns (wide characters take two, a
// combining mark none); text already as wide is left as it is.
std::string PadToWidth(const std::string& utf8, size_t width);

// Whether a window system can be reached (Qt's offscreen platform counts as one when asked
// for); false with the reason in why.
bool DisplayAvailable(std::string& why);
// Makes the process's Qt application when it has none. With needDisplay a window system must
// answer (else Fail); without, Qt draws offscreen when there is no display, and a display
// that is named but does not answer fails rather than letting Qt abort.
void StartApplication(const std::string& command, bool needDisplay);
// Whether Qt draws into no screen (no display, or the offscreen platform).
bool Offscreen();

} // namespace tessaly::cli
