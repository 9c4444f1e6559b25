// Two-column tables from word-list data files (".ess" documents, comma-separated text, and
// whatever the spreadsheet component reads) through the spreadsheet component.
#include "text/csv_rewrite.h"

#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <strings.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "resource.h"
#include "text/component_objects.h"

namespace tessaly::text {

namespace {

namespace p = tessaly::platform;

constexpr DWORD kChunk = 10240;

// The component's dispatch calls; a failed call leaves result empty.
HRESULT call(IDispatch* book, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params{args.data(), static_cast<UINT>(args.size())};
    if (result) *result = VARIANT{};
    return book->Invoke(id, IID_IDispatch, 0, flags, &params, result, nullptr, nullptr);
}

LONG getLong(IDispatch* book, DISPID id) {
    VARIANT v{};
    if (FAILED(call(book, id, DISPATCH_PROPERTYGET, {}, &v)) || v.vt != VT_I4) return 0;
    return v.lVal;
}

CString cellText(IDispatch* book, LONG row, LONG column) {
    VARIANT r{}, c{}, v{};
    r.vt = c.vt = VT_I4;
    r.lVal = row;
    c.lVal = column;
    if (FAILED(call(book, BOOKVIEW_DISPID_TEXT_RC, DISPATCH_PROPERTYGET, {r, c}, &v)) ||
        v.vt != VT_BSTR)
        return CString();
    const std::u16string wide =
        v.bstrVal
            ? std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), SysStringLen(v.bstrVal))
            : std::u16string();
    SysFreeString(v.bstrVal);
    return CString(p::Utf16ToAnsi(wide).c_str());
}

// Lets the component read the file; false when it raised an error.
bool readInto(IDispatch* book, const CString& path) {
    const std::u16string wide = p::AnsiToUtf16(path.GetString());
    VARIANT arg{}, result{};
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()),
                                    static_cast<UINT>(wide.size()));
    const HRESULT hr = call(book, BOOKVIEW_DISPID_READ, DISPATCH_METHOD, {arg}, &result);
    SysFreeString(arg.bstrVal);
    return SUCCEEDED(hr);
}

void showOpenFailed(const CString& path) {
    CString message;
    message.FormatMessage(IDS_OPEN_FAILED, path.GetString());
    DisplayMessageBox(message, MB_OK, nullptr);
}

// The workbook part of a ".ess" document copied to a temporary file: its name, or empty when
// the document or the temporary file could not be opened.
CString extractWorkbook(const CString& path) {
    HANDLE in = p::CreateFileA(path, p::GENERIC_READ, p::FILE_SHARE_READ, nullptr, p::OPEN_EXISTING,
                               0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return CString();
    BYTE header[4] = {};
    DWORD got = 0;
    p::ReadFile(in, header, 4, &got, nullptr);
    const DWORD offset = got == 4 ? header[0] | header[1] << 8 | header[2] << 16 |
                                        static_cast<DWORD>(header[3]) << 24
                                  : 4;
    const DWORD start = offset ? offset : 4;
    p::SetFilePointer(in, static_cast<LONG>(start), nullptr, p::FILE_BEGIN);
    const DWORD size = p::GetFileSize(in, nullptr);
    int slash = path.ReverseFind('\\');
    const CString name = path.Mid(slash + 1);
    const CString temp = GetTempPathName(name, CString());
    HANDLE out = temp.IsEmpty() ? INVALID_HANDLE_VALUE
                                : p::CreateFileA(temp, p::GENERIC_WRITE, 0, nullptr,
                                                 p::CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        p::CloseHandle(in);
        return CString();
    }
    const DWORD remaining = size > start ? size - start : 0;
    const DWORD chunks = (remaining + kChunk - 1) / kChunk;
    std::vector<BYTE> buffer(kChunk);
    for (DWORD i = 0; i < chunks; ++i) {
        DWORD read = 0, written = 0;
        if (!p::ReadFile(in, buffer.data(), kChunk, &read, nullptr) || read == 0) break;
        p::WriteFile(out, buffer.data(), read, &written, nullptr);
    }
    p::CloseHandle(in);
    p::CloseHandle(out);
    return temp;
}

} // namespace

} // namespace tessaly::text

int GetDataFromFile(CString path, CStringArray& first, CStringArray& second) {
    namespace text = tessaly::text;
    namespace p = tessaly::platform;
    namespace fw = tessaly::framework;
    fw::ManageModuleState state;
    if (FAILED(text::CoInitializeThread())) {
        fw::AfxMessageBox(IDS_COINITIALIZE_FAILED, MB_OK);
        return 0;
    }
    IDispatch* book = nullptr;
    if (FAILED(text::CreateComponent(CLSID_BookView, IID_IDispatch,
                                     reinterpret_cast<void**>(&book)))) {
        text::CoUninitializeThread();
        fw::AfxMessageBox(IDS_BOOKVIEW_FAILED, MB_OK);
        return 0;
    }
    auto done = [&](int result) {
        book->Release();
        text::CoUninitializeThread();
        return result;
    };
    const int dot = path.ReverseFind('.');
    const CString extension = dot >= 0 && path.Find('\\', dot) < 0 ? path.Mid(dot) : CString();
    bool read = false;
    if (strcasecmp(extension, ".ess") == 0) {
        const CString temp = text::extractWorkbook(path);
        if (temp.IsEmpty()) {
            text::showOpenFailed(path);
            return done(0);
        }
        read = text::readInto(book, temp);
        p::DeleteFileA(temp);
        if (!read) text::showOpenFailed(path);
    } else if (strcasecmp(extension, ".csv") == 0) {
        std::ifstream in(p::ToPosixPath(path.GetString()), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        CString temp;
        if (in && MakeTempFilename(temp, "txt") == 0) {
            std::ofstream(p::ToPosixPath(temp.GetString()), std::ios::binary)
                << text::CommasToTabs(bytes);
            read = text::readInto(book, temp);
            p::DeleteFileA(temp);
        }
    } else {
        read = text::readInto(book, path);
    }
    first.RemoveAll();
    if (!read) return done(0);
    if (text::getLong(book, BOOKVIEW_DISPID_LAST_COL) < 2) {
        fw::AfxMessageBox(IDS_FILE_STRUCTURE_WRONG, MB_OK);
        return done(0);
    }
    const LONG rows = text::getLong(book, BOOKVIEW_DISPID_LAST_ROW);
    for (LONG r = 1; r <= rows; ++r) {
        first.Add(text::cellText(book, r, 1));
        second.Add(text::cellText(book, r, 2));
    }
    return done(1);
}
