#pragma once
// The automation components behind the word-list services: the related-word component and the
// spreadsheet ("F1 BookView") component. Each is a module of ours found through the prefix's
// registry (HKEY_CLASSES_ROOT\CLSID\{class id}\InprocServer32, default value: the module),
// whose DllGetClassObject entry hands out a class factory; DllRegisterServer writes that key.
#include <tessaly/types.h>
#include <tessaly/variant.h>

#ifndef DISPATCH_METHOD
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#endif
#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#endif
#ifndef DISP_E_MEMBERNOTFOUND
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#endif
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define STG_E_FILENOTFOUND ((HRESULT)0x80030002L)

#define CLSID_RELATED_WORDS "{2D4D0373-C30D-11D4-A1F1-CC6357BAA126}"
#define IID_RELATED_WORDS "{2D4D0371-C30D-11D4-A1F1-CC6357BAA126}"
#define CLSID_BOOK_VIEW "{B0475003-7740-11D1-BDC3-0020AF9F8E6E}"
#define IID_IDISPATCH "{00020400-0000-0000-C000-000000000046}"
#define IID_IUNKNOWN "{00000000-0000-0000-C000-000000000046}"
#define IID_ICLASSFACTORY "{00000001-0000-0000-C000-000000000046}"

// The related-word category every word list is read in: all related words of every sense.
#define RELATED_WORDS_CATEGORY 28

// Dispatch identifiers of the spreadsheet component.
#define BOOKVIEW_DISPID_READ 1375   // method: read a file (text path); long result
#define BOOKVIEW_DISPID_LAST_COL 87 // property: long
#define BOOKVIEW_DISPID_LAST_ROW 88 // property: long
#define BOOKVIEW_DISPID_TEXT_RC 281 // indexed property: (row, column), 1-based; text

typedef LONG DISPID;

// Interfaces are named by their identifiers' text ("{...}", letter case ignored).
struct IUnknown {
    virtual HRESULT QueryInterface(const char* iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

// Arguments of a dispatch call, first argument first.
struct DISPPARAMS {
    VARIANT* args = nullptr;
    UINT count = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** info) = 0;
    virtual HRESULT GetIDsOfNames(const char* iid, const char** names, UINT count, LCID locale,
                                  DISPID* ids) = 0;
    // result arrives empty (VT_EMPTY) and may be null when the caller wants none.
    virtual HRESULT Invoke(DISPID id, const char* iid, LCID locale, WORD flags, DISPPARAMS* params,
                           VARIANT* result, void* exception, UINT* argError) = 0;

  protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const char* iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

  protected:
    ~IClassFactory() = default;
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

using DllGetClassObjectEntry = HRESULT (*)(const char* clsid, const char* iid, void** object);
using DllRegisterServerEntry = HRESULT (*)();
