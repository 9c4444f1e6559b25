// Handing a message to the system's mail program: Simple MAPI from "mapi32.dll" (loaded for
// each call), a mail item built through the "Outlook.Application" automation object, and the
// test whether a MAPI mail program is configured at all.
#include <tessaly/mail.h>
#include <tessaly/simple_mapi.h>

#include <cstdlib>

#include "platform/module.h"
#include "platform/search_path.h"
#include "platform/shell.h"

namespace p = tessaly::platform;

int SendMail(char* /*unused*/, char* recipient, char* subject, char* body) {
    HMODULE module = p::LoadLibraryA("mapi32.dll");
    if (!module) return 0;
    auto logon = reinterpret_cast<LPMAPILOGON>(p::GetProcAddress(module, "MAPILogon"));
    auto send = reinterpret_cast<LPMAPISENDMAIL>(p::GetProcAddress(module, "MAPISendMail"));
    auto logoff = reinterpret_cast<LPMAPILOGOFF>(p::GetProcAddress(module, "MAPILogoff"));
    if (!logon || !send || !logoff) {
        p::FreeLibrary(module);
        return 0;
    }
    LHANDLE session = 0;
    logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session); // a failed log-on leaves 0

    MapiRecipDesc to{};
    to.ulRecipClass = MAPI_TO;
    to.lpszName = recipient;
    MapiMessage message{};
    message.lpszSubject = subject;
    message.lpszNoteText = body;
    message.nRecipCount = 1;
    message.lpRecips = &to;
    const int result = send(session, 0, &message, MAPI_DIALOG, 0) == SUCCESS_SUCCESS ? 1 : 0;

    logoff(session, 0, 0, 0);
    p::FreeLibrary(module);
    return result;
}

int CheckMailAvailable() {
    char value[32] = {};
    p::GetProfileStringA("MAIL", "MAPI", "0", value, sizeof value);
    char found[MAX_PATH] = {};
    if (std::atoi(value) != 0 &&
        p::SearchPathA(nullptr, "MAPI32.DLL", nullptr, MAX_PATH, found, nullptr) != 0)
        return 1;
    return 0;
}
