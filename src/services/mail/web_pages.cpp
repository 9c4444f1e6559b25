// Internet connectivity (a host name resolved within a time bound), whole web pages saved as
// MIME HTML through the mail-message component, and the maker's home page in the browser.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>
#include <tessaly/show_commands.h>
#include <tessaly/web_components.h>
#include <tessaly/wnd.h>

#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "platform/codepage.h"
#include "platform/com.h"
#include "platform/shell_open.h"
#include "resource.h"

namespace {

namespace p = tessaly::platform;

constexpr const char* kInternetKey = "Software\\Varnholt\\Tessaly2001\\Internet";
constexpr const char* kDefaultCheckHost = "www.example.com";
constexpr DWORD kDefaultCheckTimeoutMs = 10000;
constexpr const char* kHomePage = "http://www.varnholt.com/";
constexpr const char* kAccountPlaceholder = "tessaly";

DWORD machineNumber(const char* value, DWORD fallback) {
    DWORD number = 0;
    return GetRegDWORD(kInternetKey, value, number, 1) && number > 0 ? number : fallback;
}

// Whether the resolver knows the host. The lookup runs on a thread of its own so a resolver
// that never answers costs the caller the time bound and no more; the thread finishes alone.
bool resolvesWithin(const std::string& host, std::chrono::milliseconds bound) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> resolved = answer->get_future();
    std::thread([host, answer] {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (found) freeaddrinfo(found);
        answer->set_value(status == 0);
    }).detach();
    return resolved.wait_for(bound) == std::future_status::ready && resolved.get();
}

BSTR ansiBstr(const char* text) {
    const std::u16string wide = p::AnsiToUtf16(text ? text : "");
    return SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()),
                             static_cast<UINT>(wide.size()));
}

template <typename T> void release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

} // namespace

int OnCheckInternetConnection(int showSuccess, int showFailure) {
    tessaly::framework::ManageModuleState state;
    std::string host = GetStringRegistry(HKEY_LOCAL_MACHINE, kInternetKey, "Check Host").str();
    if (host.empty()) host = kDefaultCheckHost;
    const bool connected = resolvesWithin(
        p::AnsiToUtf8(host),
        std::chrono::milliseconds(machineNumber("Check Timeout", kDefaultCheckTimeoutMs)));
    if (connected && showSuccess) DisplayMessageBox(IDS_INTERNET_DETECTED, MB_OK);
    if (!connected && showFailure) DisplayMessageBox(IDS_INTERNET_NOT_FOUND, MB_OK);
    return connected ? 1 : 0;
}

int SaveWholePage(const char* url, const char* file) {
    IMessage* message = nullptr;
    IConfiguration* configuration = nullptr;
    if (FAILED(p::CoCreateInstance(CLSID_Message, nullptr, CLSCTX_INPROC_SERVER, IID_IMessage,
                                   reinterpret_cast<void**>(&message))) ||
        FAILED(p::CoCreateInstance(CLSID_Configuration, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IConfiguration, reinterpret_cast<void**>(&configuration)))) {
        release(message);
        release(configuration);
        return 1;
    }
    // The machine's bounds on the download, where set; the component's own otherwise.
    const std::pair<const char*, const char*> fields[] = {
        {"Page Timeout", MHTML_FIELD_TIMEOUT_MS}, {"Page Size Limit", MHTML_FIELD_SIZE_LIMIT}};
    for (const auto& [value, field] : fields)
        if (const DWORD number = machineNumber(value, 0))
            configuration->PutField(field, static_cast<LONG>(number));
    message->PutConfiguration(configuration);

    BSTR address = ansiBstr(url), account = ansiBstr(kAccountPlaceholder), path = ansiBstr(file);
    IMessageStream* stream = nullptr;
    // Only building the body is checked: a stream that cannot be had or saved still gives 0.
    const HRESULT hr = message->CreateMHTMLBody(address, 0, account, account);
    if (SUCCEEDED(hr) && SUCCEEDED(message->GetStream(&stream)))
        stream->SaveToFile(path, STREAM_SAVE_CREATE_OVERWRITE);
    SysFreeString(address);
    SysFreeString(account);
    SysFreeString(path);
    release(stream);
    release(message);
    release(configuration);
    if (FAILED(hr)) {
        tessaly::framework::ManageModuleState state;
        tessaly::framework::AfxMessageBox("Save E-Mail File Exception");
        return 1;
    }
    return 0;
}

void GotoWeb() {
    p::ShellExecuteA(nullptr, "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}
