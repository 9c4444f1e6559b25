// Handing a message to the system's mail program: Simple MAPI from "mapi32.dll" (loaded for
// each call), a mail item built through the "Outlook.Application" automation object, and the
// test whether a MAPI mail program is configured at all.
#include <tessaly/mail.h>
#include <tessaly/mail_components.h>
#include <tessaly/print.h>
#include <tessaly/simple_mapi.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "platform/codepage.h"
#include "platform/com.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/search_path.h"
#include "platform/shell.h"

namespace p = tessaly::platform;

namespace {

// The class id registered for a programmatic identifier (HKCR\<progid>\CLSID).
bool classOfProgId(const char* progId, CLSID& clsid) {
    char text[64] = {};
    DWORD size = sizeof text - 1;
    HKEY key = nullptr;
    if (p::RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(progId) + "\\CLSID").c_str(), 0,
                         p::KEY_READ, &key) != 0)
        return false;
    const LONG status =
        p::RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    p::RegCloseKey(key);
    if (status != 0) return false;
    unsigned int d[11];
    char end = 0;
    if (std::sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%c", &d[0], &d[1], &d[2], &d[3],
                    &d[4], &d[5], &d[6], &d[7], &d[8], &d[9], &d[10], &end) != 11)
        return false;
    clsid.Data1 = d[0];
    clsid.Data2 = static_cast<WORD>(d[1]);
    clsid.Data3 = static_cast<WORD>(d[2]);
    for (int i = 0; i < 8; ++i)
        clsid.Data4[i] = static_cast<BYTE>(d[3 + i]);
    return true;
}

// An object reference released when it goes.
struct Held {
    IDispatch* object = nullptr;
    ~Held() {
        if (object) object->Release();
    }
};

VARIANT textArg(const CString& text) {
    const std::u16string wide = p::AnsiToUtf16(text.GetString());
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()),
                                  static_cast<UINT>(wide.size()));
    return v;
}

VARIANT numberArg(VARTYPE type, LONG value) {
    VARIANT v{};
    v.vt = type;
    if (type == VT_I2)
        v.iVal = static_cast<short>(value);
    else
        v.lVal = value;
    return v;
}

// One dispatch call, as the framework's dispatch driver makes it: a failure raises the
// component's error; an object result is handed to into.
void invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args,
            Held* into = nullptr) {
    DISPPARAMS params{args.data(), static_cast<UINT>(args.size())};
    VARIANT result{};
    const HRESULT hr =
        object->Invoke(id, IID_IDispatch, 0, flags, &params, &result, nullptr, nullptr);
    for (VARIANT& arg : args)
        VariantClear(&arg);
    if (result.vt == VT_DISPATCH) {
        if (into && SUCCEEDED(hr))
            into->object = result.pdispVal;
        else if (result.pdispVal)
            result.pdispVal->Release();
    } else {
        VariantClear(&result);
    }
    if (FAILED(hr)) throw _com_error(hr);
    if (into && !into->object) throw _com_error(E_NOINTERFACE);
}

} // namespace

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

int SendMailMessage(int display, CStringArray& pairs) {
    CLSID clsid{};
    Held application;
    if (!classOfProgId(OUTLOOK_PROGID, clsid) ||
        FAILED(p::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&application.object))) ||
        !application.object)
        return 0;
    Held item, attachments;
    invoke(application.object, OUTLOOK_DISPID_CREATE_ITEM, DISPATCH_METHOD,
           {numberArg(VT_I4, OUTLOOK_MAIL_ITEM)}, &item);
    invoke(item.object, OUTLOOK_DISPID_ATTACHMENTS, DISPATCH_PROPERTYGET, {}, &attachments);
    // Element i-1 is the file and element i its name; a trailing unpaired element is skipped.
    for (int i = 1; i < pairs.GetSize(); i += 2)
        invoke(attachments.object, OUTLOOK_DISPID_ADD, DISPATCH_METHOD,
               {textArg(pairs[i - 1]), numberArg(VT_I4, OUTLOOK_BY_VALUE),
                numberArg(VT_I4, static_cast<LONG>(i + 1)), textArg(pairs[i])});
    invoke(item.object, OUTLOOK_DISPID_SAVE, DISPATCH_METHOD, {});
    if (display)
        invoke(item.object, OUTLOOK_DISPID_DISPLAY, DISPATCH_METHOD, {numberArg(VT_I2, 0)});
    return 1;
}

int CheckMailAvailable() {
    char value[32] = {};
    p::GetProfileStringA("MAIL", "MAPI", "0", value, sizeof value);
    char found[MAX_PATH] = {};
    if (std::atoi(value) != 0 &&
        p::SearchPathA(nullptr, "MAPI32.DLL", nullptr, MAX_PATH, found, nullptr) != 0)
        return 1;
    ShowOutlookHelpDlg();
    return 0;
}
