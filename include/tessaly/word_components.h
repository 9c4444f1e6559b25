#pragma once
// The automation components behind the word-list services: the related-word component and the
// spreadsheet ("F1 BookView") component. Each is a module of ours found through the prefix's
// registry (HKEY_CLASSES_ROOT\CLSID\{class id}\InprocServer32, default value: the module),
// whose DllGetClassObject entry hands out a class factory; DllRegisterServer writes that key.
#include <tessaly/com.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>

#ifndef DISPATCH_METHOD
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#endif
#ifndef DISP_E_MEMBERNOTFOUND
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#endif
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define STG_E_FILENOTFOUND ((HRESULT)0x80030002L)

// {2D4D0373-C30D-11D4-A1F1-CC6357BAA126}
inline constexpr CLSID CLSID_RelatedWords = {
    0x2D4D0373, 0xC30D, 0x11D4, {0xA1, 0xF1, 0xCC, 0x63, 0x57, 0xBA, 0xA1, 0x26}};
// {2D4D0371-C30D-11D4-A1F1-CC6357BAA126}
inline constexpr IID IID_RelatedWords = {
    0x2D4D0371, 0xC30D, 0x11D4, {0xA1, 0xF1, 0xCC, 0x63, 0x57, 0xBA, 0xA1, 0x26}};
// {B0475003-7740-11D1-BDC3-0020AF9F8E6E}
inline constexpr CLSID CLSID_BookView = {
    0xB0475003, 0x7740, 0x11D1, {0xBD, 0xC3, 0x00, 0x20, 0xAF, 0x9F, 0x8E, 0x6E}};
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The related-word category every word list is read in: all related words of every sense.
#define RELATED_WORDS_CATEGORY 28

// Dispatch identifiers of the spreadsheet component.
#define BOOKVIEW_DISPID_READ 1375   // method: read a file (text path); long result
#define BOOKVIEW_DISPID_LAST_COL 87 // property: long
#define BOOKVIEW_DISPID_LAST_ROW 88 // property: long
#define BOOKVIEW_DISPID_TEXT_RC 281 // indexed property: (row, column), 1-based; text

typedef LONG DISPID;

// Arguments of a dispatch call, first argument first.
struct DISPPARAMS {
    VARIANT* args = nullptr;
    UINT count = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, const char** names, UINT count, LCID locale,
                                  DISPID* ids) = 0;
    // result arrives empty (VT_EMPTY) and may be null when the caller wants none.
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                           VARIANT* result, void* exception, UINT* argError) = 0;

  protected:
    ~IDispatch() = default;
};

// The related-word component's own methods, after the dispatch interface's seven. A word's
// related words are read by category; the texts handed out are BSTRs the caller frees.
struct IRelatedWords : IDispatch {
    virtual HRESULT Open(BSTR dataFile) = 0;
    virtual HRESULT Lookup(BSTR word, LONG start, LONG end, LONG senses, LONG flags) = 0;
    virtual HRESULT Reserved1() = 0;
    virtual HRESULT Count(LONG category, short* count) = 0;
    virtual HRESULT Item(LONG category, LONG index, BSTR* text) = 0;
    virtual HRESULT Reserved2() = 0;
    virtual HRESULT Close() = 0;

  protected:
    ~IRelatedWords() = default;
};

// A component's failure, as the framework's COM error exception carries it.
class TESSALY_API _com_error {
  public:
    explicit _com_error(HRESULT result) noexcept : result_(result) {}
    HRESULT Error() const noexcept { return result_; }

  private:
    HRESULT result_;
};

using DllRegisterServerEntry = HRESULT (*)();
