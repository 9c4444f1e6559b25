#pragma once
// Automation variants: VARIANT and CComVariant with scalars, text (BSTR) and safe arrays,
// and the automation helpers that create, read, copy and free them. Results are the
// system's HRESULT codes.
#include <tessaly/types.h>

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
typedef LONG SCODE;
typedef double DATE;
typedef WCHAR* BSTR;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9, // an object reference; whoever receives it releases it
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0xFFF,
};

#ifndef S_OK
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
#ifndef DISP_E_BADVARTYPE
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#endif

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

// Bounds are kept in reverse order of the dimensions (rgsabound[0] is the last dimension),
// as the system keeps them; use SafeArrayGetLBound/SafeArrayGetUBound to read them.
struct SAFEARRAY {
    unsigned short cDims;
    unsigned short fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        ULONGLONG ullVal;
        LONG lVal;
        ULONG ulVal;
        int intVal;
        unsigned int uintVal;
        short iVal;
        unsigned short uiVal;
        char cVal;
        BYTE bVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        struct IDispatch* pdispVal;
        SAFEARRAY* parray;
        void* byref;
    };
};
typedef tagVARIANT VARIANT;

// ---- text ----
// A BSTR is a length-prefixed UTF-16 text, freed with SysFreeString; null is the empty text.
TESSALY_API BSTR SysAllocString(const WCHAR* text);
TESSALY_API BSTR SysAllocStringLen(const WCHAR* text, UINT length);
TESSALY_API void SysFreeString(BSTR text);
TESSALY_API UINT SysStringLen(BSTR text);

// ---- safe arrays ----
// Element types: VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8,
// VT_UI8, VT_R4, VT_R8, VT_DATE, VT_CY, VT_BOOL, VT_ERROR, VT_BSTR and VT_VARIANT. Data are
// zero-filled when created.
TESSALY_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);
TESSALY_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
TESSALY_API HRESULT SafeArrayDestroy(SAFEARRAY* array);
TESSALY_API HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
TESSALY_API HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
TESSALY_API HRESULT SafeArrayLock(SAFEARRAY* array);
TESSALY_API HRESULT SafeArrayUnlock(SAFEARRAY* array);
// dimension counts from 1.
TESSALY_API HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound);
TESSALY_API HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound);
TESSALY_API UINT SafeArrayGetDim(SAFEARRAY* array);
TESSALY_API UINT SafeArrayGetElemsize(SAFEARRAY* array);
TESSALY_API HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
// A deep copy (texts and variants copied too); a null array copies to null.
TESSALY_API HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
// indices[0] is the last dimension's index. Get copies texts and variants out; Put copies
// them in (for VT_BSTR, value is the BSTR itself; for VT_VARIANT a VARIANT*).
TESSALY_API HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value);
TESSALY_API HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, const void* value);

// ---- variants ----
TESSALY_API void VariantInit(VARIANT* variant);
TESSALY_API HRESULT VariantClear(VARIANT* variant);
TESSALY_API HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

class TESSALY_API CComVariant : public tagVARIANT {
  public:
    CComVariant() {
        vt = VT_EMPTY;
        llVal = 0;
    }
    ~CComVariant() { Clear(); }
    CComVariant(const CComVariant& other);
    CComVariant(const VARIANT& other);
    CComVariant(bool value);
    CComVariant(int value, VARTYPE type = VT_I4);
    CComVariant(unsigned int value, VARTYPE type = VT_UI4);
    CComVariant(BYTE value);
    CComVariant(short value);
    CComVariant(LONGLONG value);
    CComVariant(ULONGLONG value);
    CComVariant(float value);
    // type VT_R8 or VT_DATE.
    CComVariant(double value, VARTYPE type = VT_R8);
    // Text: ANSI code page text is converted to UTF-16.
    CComVariant(const char* text);
    CComVariant(const WCHAR* text);
    // A copy of the array (VT_ARRAY | its element type); VT_ERROR with the failure code
    // when it cannot be copied.
    CComVariant(const SAFEARRAY* array);

    CComVariant& operator=(const CComVariant& other);
    CComVariant& operator=(const VARIANT& other);
    CComVariant& operator=(const SAFEARRAY* array);
    CComVariant& operator=(const char* text);
    CComVariant& operator=(int value);
    CComVariant& operator=(double value);
    CComVariant& operator=(bool value);

    HRESULT Clear() { return VariantClear(this); }
    HRESULT Copy(const VARIANT* source) { return VariantCopy(this, source); }
    HRESULT CopyTo(VARIANT* target) const { return VariantCopy(target, this); }
    // Takes over source (which becomes empty) / hands the value over to target.
    HRESULT Attach(VARIANT* source);
    HRESULT Detach(VARIANT* target);

    // Same type and same value (texts compared, arrays by identity).
    bool operator==(const VARIANT& other) const;
    bool operator!=(const VARIANT& other) const { return !(*this == other); }
};
