// The mail program's automation object ("Outlook.Application"): CreateItem makes a mail
// item, whose attachments are files copied in at Save, which writes the item as an RFC 5322
// draft (GMime) in the prefix's drafts folder; Display hands that draft to the desktop's
// mail program through the shell's open.
#include <fcntl.h>
#include <gmime/gmime.h>

#include <tessaly/mail_components.h>
#include <tessaly/show_commands.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com_object.h"
#include "platform/codepage.h"
#include "platform/com.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shell_open.h"

namespace tc = tessaly::components;
namespace p = tessaly::platform;
namespace fs = std::filesystem;

namespace {

struct Attachment {
    std::string source; // Windows path, ANSI
    std::string name;   // display name, UTF-8
};

// What a mail item and its attachment collection share.
struct Draft {
    std::vector<Attachment> attachments;
    std::string file; // the saved draft (POSIX); empty until saved
};

std::string ansiOf(BSTR text) {
    return p::Utf16ToAnsi(tc::FromBstr(text));
}

bool textArg(const DISPPARAMS* params, UINT index, std::string& text) {
    if (!params || index >= params->count || params->args[index].vt != VT_BSTR) return false;
    text = ansiOf(params->args[index].bstrVal);
    return true;
}

HRESULT setObject(VARIANT* result, IDispatch* object) {
    if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
    } else {
        object->Release();
    }
    return S_OK;
}

// The drafts folder of the prefix (made when missing); empty when it cannot be had.
std::string draftsFolder() {
    char appData[MAX_PATH] = {};
    if (!p::SHGetSpecialFolderPathA(nullptr, appData, p::CSIDL_APPDATA, TRUE)) return {};
    const std::string folder = p::ToPosixPath(std::string(appData) + "\\Tessaly\\Drafts");
    std::error_code ec;
    fs::create_directories(folder, ec);
    return ec || folder.empty() ? std::string() : folder;
}

std::string freeDraftName(const std::string& folder) {
    for (unsigned n = 1;; ++n) {
        const std::string name = folder + "/Draft " + std::to_string(n) + ".eml";
        std::error_code ec;
        if (!fs::exists(name, ec)) return name;
    }
}

bool readWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The message with its attachments as GMime builds it; null when an attachment is gone.
GMimeMessage* buildMessage(const Draft& draft) {
    static std::once_flag ready;
    std::call_once(ready, [] { g_mime_init(); });
    GMimeMessage* message = g_mime_message_new(TRUE);
    // Mail programs open a message carrying this header as a draft to complete and send.
    g_mime_object_set_header(GMIME_OBJECT(message), "X-Unsent", "1", nullptr);
    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message, now);
    g_date_time_unref(now);
    char* id = g_mime_utils_generate_message_id("tessaly.invalid");
    g_mime_message_set_message_id(message, id);
    g_free(id);

    GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
    g_mime_text_part_set_text(text, "");
    if (draft.attachments.empty()) {
        g_mime_message_set_mime_part(message, GMIME_OBJECT(text));
        g_object_unref(text);
        return message;
    }
    GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
    g_mime_multipart_add(mixed, GMIME_OBJECT(text));
    g_object_unref(text);
    g_mime_message_set_mime_part(message, GMIME_OBJECT(mixed));
    g_object_unref(mixed);
    for (const Attachment& attachment : draft.attachments) {
        std::string bytes;
        if (!readWhole(p::ToPosixPath(attachment.source), bytes)) {
            g_object_unref(message);
            return nullptr;
        }
        GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
        g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
        g_mime_part_set_filename(part, attachment.name.c_str());
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
        GMimeDataWrapper* content =
            g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
        g_mime_part_set_content(part, content);
        g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
        g_object_unref(content);
        g_object_unref(stream);
        g_mime_multipart_add(mixed, GMIME_OBJECT(part));
        g_object_unref(part);
    }
    return message;
}

// Writes the draft (to the same file on a second save); false when it cannot.
bool saveDraft(Draft& draft) {
    if (draft.file.empty()) {
        const std::string folder = draftsFolder();
        if (folder.empty()) return false;
        draft.file = freeDraftName(folder);
    }
    GMimeMessage* message = buildMessage(draft);
    if (!message) return false;
    GError* error = nullptr;
    GMimeStream* out =
        g_mime_stream_fs_open(draft.file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600, &error);
    bool ok = out != nullptr;
    if (out) {
        ok = g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, out) >= 0 &&
             g_mime_stream_flush(out) == 0;
        g_object_unref(out);
    }
    if (error) g_error_free(error);
    g_object_unref(message);
    return ok;
}

template <typename Derived> class Dispatch : public tc::ServerObject<Derived, IDispatch> {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return this->Answer(iid, object, {IID_IUnknown, IID_IDispatch});
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const char**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

class Attachments final : public Dispatch<Attachments> {
  public:
    explicit Attachments(std::shared_ptr<Draft> draft) : draft_(std::move(draft)) {}

    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, void*,
                   UINT*) override {
        if (id != OUTLOOK_DISPID_ADD || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        const UINT count = params ? params->count : 0;
        if (count < 1 || count > 4) return DISP_E_BADPARAMCOUNT;
        Attachment attachment;
        if (!textArg(params, 0, attachment.source)) return DISP_E_TYPEMISMATCH;
        const std::string posix = p::ToPosixPath(attachment.source);
        std::error_code ec;
        if (posix.empty() || !fs::is_regular_file(posix, ec)) return DISP_E_EXCEPTION;
        std::string name;
        if (count < 4 || !textArg(params, 3, name) || name.empty())
            name = attachment.source.substr(attachment.source.find_last_of('\\') + 1);
        attachment.name = p::AnsiToUtf8(name);
        draft_->attachments.push_back(std::move(attachment));
        return S_OK;
    }

  private:
    std::shared_ptr<Draft> draft_;
};

class MailItem final : public Dispatch<MailItem> {
  public:
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, void*,
                   UINT*) override {
        switch (id) {
        case OUTLOOK_DISPID_ATTACHMENTS:
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            return setObject(result, new Attachments(draft_));
        case OUTLOOK_DISPID_SAVE:
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            return saveDraft(*draft_) ? S_OK : DISP_E_EXCEPTION;
        case OUTLOOK_DISPID_DISPLAY: {
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            if (draft_->file.empty() && !saveDraft(*draft_)) return DISP_E_EXCEPTION;
            // The item is shown without waiting (modal or not): the desktop's program owns it.
            const std::intptr_t started =
                p::ShellExecuteA(nullptr, "open", p::ToWindowsPath(draft_->file).c_str(), nullptr,
                                 nullptr, SW_SHOWNORMAL);
            return started > 32 ? S_OK : DISP_E_EXCEPTION;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    std::shared_ptr<Draft> draft_ = std::make_shared<Draft>();
};

class Application final : public Dispatch<Application> {
  public:
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, void*,
                   UINT*) override {
        if (id != OUTLOOK_DISPID_CREATE_ITEM || !(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (!params || params->count != 1) return DISP_E_BADPARAMCOUNT;
        const VARIANT& type = params->args[0];
        const LONG kind = type.vt == VT_I4 ? type.lVal : type.vt == VT_I2 ? type.iVal : -1;
        if (kind != OUTLOOK_MAIL_ITEM) return DISP_E_EXCEPTION; // only mail items are made
        return setObject(result, new MailItem);
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return tc::ServeClass(clsid, CLSID_OutlookApplication, iid, object,
                          []() -> IUnknown* { return new Application; });
}

// The class id's module and the programmatic identifier naming the class id.
extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const HRESULT hr = tc::RegisterClass(CLSID_OutlookApplication,
                                         reinterpret_cast<const void*>(&DllRegisterServer));
    if (FAILED(hr)) return hr;
    const std::string clsid = p::ClsidToString(CLSID_OutlookApplication);
    HKEY key = nullptr;
    if (p::RegCreateKeyExA(HKEY_CLASSES_ROOT, OUTLOOK_PROGID "\\CLSID", 0, nullptr, 0,
                           p::KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0)
        return E_FAIL;
    const LONG status =
        p::RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                          static_cast<DWORD>(clsid.size() + 1));
    p::RegCloseKey(key);
    return status == 0 ? S_OK : E_FAIL;
}
