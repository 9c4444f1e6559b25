// Related words from the related-word component over the data file "Vere17.dav" of the
// installation folder.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/component_objects.h"

namespace {

std::u16string wide(const CString& text) {
    return tessaly::platform::AnsiToUtf16(text.GetString());
}

// A component's failure leaves as the COM error exception, the component released first.
void check(HRESULT hr, IRelatedWords* words) {
    if (SUCCEEDED(hr)) return;
    if (words) words->Release();
    tessaly::text::CoUninitializeThread();
    throw _com_error(hr);
}

} // namespace

int GetRelatedWordList(CString word, CStringArray& list) {
    namespace text = tessaly::text;
    if (word.IsEmpty()) return 0;
    const CString dataFile = GetInstallDir() + "\\Vere17.dav";
    tessaly::platform::WIN32_FIND_DATAA found{};
    HANDLE search = tessaly::platform::FindFirstFileA(dataFile, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    tessaly::platform::FindClose(search);
    if (FAILED(text::CoInitializeThread())) return 0;

    IRelatedWords* words = nullptr;
    check(text::CreateComponent(CLSID_RelatedWords, IID_RelatedWords,
                                reinterpret_cast<void**>(&words)),
          nullptr);
    std::u16string path = wide(dataFile), lookup = wide(word);
    BSTR pathText = SysAllocStringLen(reinterpret_cast<const WCHAR*>(path.c_str()),
                                      static_cast<UINT>(path.size()));
    const HRESULT opened = words->Open(pathText);
    SysFreeString(pathText);
    check(opened, words);
    BSTR wordText = SysAllocStringLen(reinterpret_cast<const WCHAR*>(lookup.c_str()),
                                      static_cast<UINT>(lookup.size()));
    const HRESULT looked = words->Lookup(wordText, -1, -1, 1, 0);
    SysFreeString(wordText);
    check(looked, words);
    short count = 0;
    check(words->Count(RELATED_WORDS_CATEGORY, &count), words);
    for (LONG i = 0; i < count; ++i) {
        BSTR item = nullptr;
        check(words->Item(RELATED_WORDS_CATEGORY, i, &item), words);
        const std::u16string itemText =
            item ? std::u16string(reinterpret_cast<const char16_t*>(item), SysStringLen(item))
                 : std::u16string();
        SysFreeString(item);
        list.Add(CString(tessaly::platform::Utf16ToAnsi(itemText).c_str()));
    }
    words->Close();
    words->Release();
    text::CoUninitializeThread();
    return static_cast<int>(list.GetSize());
}
