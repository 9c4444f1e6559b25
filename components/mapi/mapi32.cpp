// Simple MAPI ("mapi32.dll") on the desktop: MAPISendMail turns the message into a mailto:
// address (recipients, subject, body, attached files) and hands it to the desktop's mail
// program through xdg-email, where the user completes and sends it. The program is started
// with an argument vector, never through a shell, and every text is percent-encoded here
// (xdg-email's own encoding echoes texts through the shell's echo, which eats backslashes).
#include <sys/wait.h>
#include <unistd.h>

#include <tessaly/simple_mapi.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/prefix.h"

#define MAPI_ENTRY extern "C" __attribute__((visibility("default")))

namespace {

namespace p = tessaly::platform;

std::mutex sessionsLock;
std::set<LHANDLE> sessions;
std::atomic<LHANDLE> nextSession{1};

// RFC 6068 percent-encoding of a UTF-8 text: unreserved characters stay, line ends become
// CR LF, everything else is %XX per byte.
std::string encoded(const std::string& utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(utf8[i]);
        if (ch == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue; // CR LF once
        if (ch == '\n' || ch == '\r') {
            out += "%0D%0A";
        } else if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                   (ch >= '0' && ch <= '9') || ch == '-' || ch == '.' || ch == '_' || ch == '~') {
            out += static_cast<char>(ch);
        } else {
            out += '%';
            out += kHex[ch >> 4];
            out += kHex[ch & 15];
        }
    }
    return out;
}

std::string text(const char* ansi) {
    return ansi ? p::AnsiToUtf8(ansi) : std::string();
}

// A recipient as the mail program should see it: the address (without an "SMTP:" type)
// when given, else the display name.
std::string recipient(const MapiRecipDesc& desc) {
    std::string address = desc.lpszAddress ? desc.lpszAddress : "";
    if (address.size() > 5 && address.compare(0, 5, "SMTP:") == 0) address.erase(0, 5);
    return address.empty() ? text(desc.lpszName) : p::AnsiToUtf8(address);
}

// The mailto: address of the message; false (with the MAPI code) for an attachment that is
// not a readable file.
bool mailtoOf(const MapiMessage& message, std::string& url, ULONG& error) {
    std::vector<std::string> fields;
    for (ULONG i = 0; i < message.nRecipCount && message.lpRecips; ++i) {
        const MapiRecipDesc& desc = message.lpRecips[i];
        const std::string who = recipient(desc);
        if (who.empty()) continue;
        const char* field = desc.ulRecipClass == MAPI_CC    ? "cc="
                            : desc.ulRecipClass == MAPI_BCC ? "bcc="
                                                            : "to=";
        fields.push_back(field + encoded(who));
    }
    if (message.lpszSubject && *message.lpszSubject)
        fields.push_back("subject=" + encoded(text(message.lpszSubject)));
    if (message.lpszNoteText && *message.lpszNoteText)
        fields.push_back("body=" + encoded(text(message.lpszNoteText)));
    for (ULONG i = 0; i < message.nFileCount && message.lpFiles; ++i) {
        const char* path = message.lpFiles[i].lpszPathName;
        const std::string posix = path ? p::ToPosixPath(path) : std::string();
        if (posix.empty() || access(posix.c_str(), R_OK) != 0) {
            error = MAPI_E_ATTACHMENT_NOT_FOUND;
            return false;
        }
        fields.push_back("attach=" + encoded(posix));
    }
    url = "mailto:";
    for (size_t i = 0; i < fields.size(); ++i)
        url += (i == 0 ? "?" : "&") + fields[i];
    return true;
}

// Runs xdg-email with the address and waits: its exit code, or -1 when it cannot run.
int handOver(const std::string& url) {
    std::vector<char*> argv{const_cast<char*>("xdg-email"), const_cast<char*>(url.c_str()),
                            nullptr};
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

MAPI_ENTRY ULONG MAPILogon(ULONG_PTR, char*, char*, FLAGS, ULONG, LHANDLE* session) {
    if (!session) return MAPI_E_FAILURE;
    std::lock_guard lock(sessionsLock);
    *session = nextSession++;
    sessions.insert(*session);
    return SUCCESS_SUCCESS;
}

MAPI_ENTRY ULONG MAPISendMail(LHANDLE session, ULONG_PTR, MapiMessage* message, FLAGS flags,
                              ULONG) {
    if (!message) return MAPI_E_FAILURE;
    if (session != 0) {
        std::lock_guard lock(sessionsLock);
        if (!sessions.count(session)) return MAPI_E_INVALID_SESSION;
    }
    // The desktop's program always lets the user see and send the message; sending without
    // showing it is not something it offers.
    if (!(flags & MAPI_DIALOG)) return MAPI_E_NOT_SUPPORTED;
    std::string url;
    ULONG error = MAPI_E_FAILURE;
    if (!mailtoOf(*message, url, error)) return error;
    return handOver(url) == 0 ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

MAPI_ENTRY ULONG MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
    std::lock_guard lock(sessionsLock);
    return sessions.erase(session) ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
}
