// Automation variants, texts and safe arrays with the system's rules and result codes.
#include <tessaly/variant.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/codepage.h"

namespace {

constexpr unsigned short FADF_HAVEVARTYPE = 0x80;
constexpr unsigned short FADF_BSTR = 0x100;
constexpr unsigned short FADF_VARIANT = 0x800;

// The descriptor is preceded by a header holding the element type, as the system keeps it.
struct alignas(16) ArrayHeader {
    VARTYPE vt;
};

ULONG elementSize(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
        return 8;
    case VT_BSTR:
        return sizeof(BSTR);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

ArrayHeader* headerOf(SAFEARRAY* array) {
    return reinterpret_cast<ArrayHeader*>(reinterpret_cast<char*>(array) - sizeof(ArrayHeader));
}

VARTYPE typeOf(SAFEARRAY* array) {
    return headerOf(array)->vt;
}

size_t elementCount(const SAFEARRAY* array) {
    size_t n = 1;
    for (unsigned d = 0; d < array->cDims; ++d)
        n *= array->rgsabound[d].cElements;
    return n;
}

size_t descriptorSize(UINT dims) {
    return sizeof(ArrayHeader) + sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
}

// The element an index vector names; false outside the bounds.
bool elementAt(SAFEARRAY* array, const LONG* indices, void** element) {
    size_t index = 0;
    for (int d = array->cDims - 1; d >= 0; --d) {
        const SAFEARRAYBOUND& b = array->rgsabound[d];
        const long long offset = static_cast<long long>(indices[d]) - b.lLbound;
        if (offset < 0 || offset >= static_cast<long long>(b.cElements)) return false;
        index = index * b.cElements + static_cast<size_t>(offset);
    }
    *element = static_cast<char*>(array->pvData) + index * array->cbElements;
    return true;
}

void releaseElements(SAFEARRAY* array) {
    const size_t n = elementCount(array);
    if (array->fFeatures & FADF_BSTR) {
        auto* texts = static_cast<BSTR*>(array->pvData);
        for (size_t i = 0; i < n; ++i)
            SysFreeString(texts[i]), texts[i] = nullptr;
    } else if (array->fFeatures & FADF_VARIANT) {
        auto* variants = static_cast<VARIANT*>(array->pvData);
        for (size_t i = 0; i < n; ++i)
            VariantClear(&variants[i]);
    }
}

bool isKnownVariantType(VARTYPE vt) {
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt & VT_ARRAY) return elementSize(base) != 0;
    return base == VT_EMPTY || base == VT_NULL || elementSize(base) != 0;
}

// The UTF-16 form of ANSI code page text.
std::u16string ansiToWide(const char* text) {
    return tessaly::platform::AnsiToUtf16(text ? std::string(text) : std::string());
}

} // namespace

// ---- texts ----

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
    // A 32-bit byte count before the text, a terminator after it.
    auto* block = static_cast<char*>(std::malloc(sizeof(std::uint32_t) + (length + 1) * 2));
    if (!block) return nullptr;
    const std::uint32_t bytes = length * 2;
    std::memcpy(block, &bytes, sizeof(bytes));
    auto* out = reinterpret_cast<WCHAR*>(block + sizeof(std::uint32_t));
    if (text)
        std::memcpy(out, text, bytes);
    else
        std::memset(out, 0, bytes);
    out[length] = 0;
    return out;
}

BSTR SysAllocString(const WCHAR* text) {
    if (!text) return nullptr;
    UINT n = 0;
    while (text[n])
        ++n;
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(bytes), sizeof(bytes));
    return bytes / 2;
}

// ---- safe arrays ----

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
    const ULONG size = elementSize(vt);
    if (!bounds || dims < 1 || dims > 0xFFFF || size == 0) return nullptr;
    auto* block = static_cast<char*>(std::calloc(1, descriptorSize(dims)));
    if (!block) return nullptr;
    reinterpret_cast<ArrayHeader*>(block)->vt = vt;
    auto* array = reinterpret_cast<SAFEARRAY*>(block + sizeof(ArrayHeader));
    array->cDims = static_cast<unsigned short>(dims);
    array->cbElements = size;
    array->fFeatures = FADF_HAVEVARTYPE;
    if (vt == VT_BSTR) array->fFeatures |= FADF_BSTR;
    if (vt == VT_VARIANT) array->fFeatures |= FADF_VARIANT;
    for (UINT d = 0; d < dims; ++d)
        array->rgsabound[dims - 1 - d] = bounds[d];
    const size_t count = elementCount(array);
    array->pvData = std::calloc(count ? count : 1, size);
    if (!array->pvData) {
        std::free(block);
        return nullptr;
    }
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    const SAFEARRAYBOUND bound{elements, lowerBound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array) return S_OK;
    if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    releaseElements(array);
    std::free(array->pvData);
    std::free(headerOf(array));
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    ++array->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    return SafeArrayUnlock(array);
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[array->cDims - dimension];
    *bound = static_cast<LONG>(b.lLbound + static_cast<long long>(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
    *bound = array->rgsabound[array->cDims - dimension].lLbound;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) {
    return array ? array->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* array) {
    return array ? array->cbElements : 0;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
    if (!array || !vt) return E_INVALIDARG;
    *vt = typeOf(array);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    const UINT dims = array->cDims;
    SAFEARRAYBOUND bounds[64];
    SAFEARRAYBOUND* b = dims <= 64 ? bounds : new (std::nothrow) SAFEARRAYBOUND[dims];
    if (!b) return E_OUTOFMEMORY;
    for (UINT d = 0; d < dims; ++d)
        b[d] = array->rgsabound[dims - 1 - d];
    SAFEARRAY* out = SafeArrayCreate(typeOf(array), dims, b);
    if (b != bounds) delete[] b;
    if (!out) return E_OUTOFMEMORY;
    const size_t n = elementCount(array);
    if (array->fFeatures & FADF_BSTR) {
        auto* from = static_cast<BSTR*>(array->pvData);
        auto* to = static_cast<BSTR*>(out->pvData);
        for (size_t i = 0; i < n; ++i) {
            if (!from[i]) continue;
            to[i] = SysAllocStringLen(from[i], SysStringLen(from[i]));
            if (!to[i]) {
                SafeArrayDestroy(out);
                return E_OUTOFMEMORY;
            }
        }
    } else if (array->fFeatures & FADF_VARIANT) {
        auto* from = static_cast<VARIANT*>(array->pvData);
        auto* to = static_cast<VARIANT*>(out->pvData);
        for (size_t i = 0; i < n; ++i) {
            HRESULT hr = VariantCopy(&to[i], &from[i]);
            if (FAILED(hr)) {
                SafeArrayDestroy(out);
                return hr;
            }
        }
    } else if (n) {
        std::memcpy(out->pvData, array->pvData, n * array->cbElements);
    }
    *copy = out;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value) {
    if (!array || !indices || !value) return E_INVALIDARG;
    void* element = nullptr;
    if (!elementAt(array, indices, &element)) return DISP_E_BADINDEX;
    if (array->fFeatures & FADF_BSTR) {
        BSTR text = *static_cast<BSTR*>(element);
        BSTR copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
        if (text && !copy) return E_OUTOFMEMORY;
        *static_cast<BSTR*>(value) = copy;
        return S_OK;
    }
    if (array->fFeatures & FADF_VARIANT) {
        auto* target = static_cast<VARIANT*>(value);
        VariantInit(target);
        return VariantCopy(target, static_cast<VARIANT*>(element));
    }
    std::memcpy(value, element, array->cbElements);
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, const void* value) {
    if (!array || !indices) return E_INVALIDARG;
    void* element = nullptr;
    if (!elementAt(array, indices, &element)) return DISP_E_BADINDEX;
    if (array->fFeatures & FADF_BSTR) {
        auto text = static_cast<BSTR>(const_cast<void*>(value));
        BSTR copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
        if (text && !copy) return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    if (!value) return E_INVALIDARG;
    if (array->fFeatures & FADF_VARIANT)
        return VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(value));
    std::memcpy(element, value, array->cbElements);
    return S_OK;
}

// ---- variants ----

void VariantInit(VARIANT* variant) {
    if (!variant) return;
    variant->vt = VT_EMPTY;
    variant->wReserved1 = variant->wReserved2 = variant->wReserved3 = 0;
    variant->llVal = 0;
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant) return E_INVALIDARG;
    if (!(variant->vt & VT_BYREF)) {
        if (!isKnownVariantType(variant->vt)) return DISP_E_BADVARTYPE;
        if (variant->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(variant->parray);
            if (FAILED(hr)) return hr;
        } else if (variant->vt == VT_BSTR) {
            SysFreeString(variant->bstrVal);
        }
    }
    variant->vt = VT_EMPTY;
    variant->llVal = 0;
    return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
    if (!target || !source) return E_INVALIDARG;
    if (target == source) return S_OK;
    if (!(source->vt & VT_BYREF) && !isKnownVariantType(source->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = VariantClear(target);
    if (FAILED(hr)) return hr;
    if (source->vt & VT_BYREF) {
        *target = *source;
    } else if (source->vt & VT_ARRAY) {
        SAFEARRAY* copy = nullptr;
        hr = SafeArrayCopy(source->parray, &copy);
        if (FAILED(hr)) return hr;
        target->vt = source->vt;
        target->parray = copy;
    } else if (source->vt == VT_BSTR) {
        BSTR text = source->bstrVal;
        BSTR copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
        if (text && !copy) return E_OUTOFMEMORY;
        target->vt = VT_BSTR;
        target->bstrVal = copy;
    } else {
        *target = *source;
    }
    return S_OK;
}

// ---- CComVariant ----

namespace {

// Makes the variant a text holding ANSI code page text converted to UTF-16.
void setText(CComVariant& v, const char* text) {
    v.Clear();
    const std::u16string wide = ansiToWide(text);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()),
                                  static_cast<UINT>(wide.size()));
    if (!v.bstrVal) {
        v.vt = VT_ERROR;
        v.scode = E_OUTOFMEMORY;
    }
}

// Makes the variant hold a copy of the array, or an error with the code of the failure.
void setArray(CComVariant& v, const SAFEARRAY* array) {
    v.Clear();
    SAFEARRAY* copy = nullptr;
    HRESULT hr = array ? SafeArrayCopy(const_cast<SAFEARRAY*>(array), &copy) : E_INVALIDARG;
    if (FAILED(hr)) {
        v.vt = VT_ERROR;
        v.scode = hr;
        return;
    }
    VARTYPE element = VT_EMPTY;
    SafeArrayGetVartype(copy, &element);
    v.vt = static_cast<VARTYPE>(VT_ARRAY | element);
    v.parray = copy;
}

} // namespace

CComVariant::CComVariant(const CComVariant& other) : CComVariant() {
    *this = other;
}

CComVariant::CComVariant(const VARIANT& other) : CComVariant() {
    *this = other;
}

CComVariant::CComVariant(bool value) : CComVariant() {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

CComVariant::CComVariant(int value, VARTYPE type) : CComVariant() {
    vt = type == VT_INT ? VT_INT : VT_I4;
    intVal = value;
}

CComVariant::CComVariant(unsigned int value, VARTYPE type) : CComVariant() {
    vt = type == VT_UINT ? VT_UINT : VT_UI4;
    uintVal = value;
}

CComVariant::CComVariant(BYTE value) : CComVariant() {
    vt = VT_UI1;
    bVal = value;
}

CComVariant::CComVariant(short value) : CComVariant() {
    vt = VT_I2;
    iVal = value;
}

CComVariant::CComVariant(LONGLONG value) : CComVariant() {
    vt = VT_I8;
    llVal = value;
}

CComVariant::CComVariant(ULONGLONG value) : CComVariant() {
    vt = VT_UI8;
    ullVal = value;
}

CComVariant::CComVariant(float value) : CComVariant() {
    vt = VT_R4;
    fltVal = value;
}

CComVariant::CComVariant(double value, VARTYPE type) : CComVariant() {
    vt = type == VT_DATE ? VT_DATE : VT_R8;
    dblVal = value;
}

CComVariant::CComVariant(const char* text) : CComVariant() {
    setText(*this, text);
}

CComVariant::CComVariant(const WCHAR* text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = SysAllocString(text);
    if (text && !bstrVal) {
        vt = VT_ERROR;
        scode = E_OUTOFMEMORY;
    }
}

CComVariant::CComVariant(const SAFEARRAY* array) : CComVariant() {
    setArray(*this, array);
}

CComVariant& CComVariant::operator=(const CComVariant& other) {
    return *this = static_cast<const VARIANT&>(other);
}

CComVariant& CComVariant::operator=(const VARIANT& other) {
    if (static_cast<const VARIANT*>(this) == &other) return *this;
    HRESULT hr = VariantCopy(this, &other);
    if (FAILED(hr)) {
        Clear();
        vt = VT_ERROR;
        scode = hr;
    }
    return *this;
}

CComVariant& CComVariant::operator=(const SAFEARRAY* array) {
    setArray(*this, array);
    return *this;
}

CComVariant& CComVariant::operator=(const char* text) {
    setText(*this, text);
    return *this;
}

CComVariant& CComVariant::operator=(int value) {
    Clear();
    vt = VT_I4;
    lVal = value;
    return *this;
}

CComVariant& CComVariant::operator=(double value) {
    Clear();
    vt = VT_R8;
    dblVal = value;
    return *this;
}

CComVariant& CComVariant::operator=(bool value) {
    Clear();
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
}

HRESULT CComVariant::Attach(VARIANT* source) {
    if (!source) return E_INVALIDARG;
    HRESULT hr = Clear();
    if (FAILED(hr)) return hr;
    static_cast<VARIANT&>(*this) = *source;
    source->vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::Detach(VARIANT* target) {
    if (!target) return E_POINTER;
    HRESULT hr = VariantClear(target);
    if (FAILED(hr)) return hr;
    *target = static_cast<VARIANT&>(*this);
    vt = VT_EMPTY;
    return S_OK;
}

bool CComVariant::operator==(const VARIANT& other) const {
    if (vt != other.vt) return false;
    if (vt & (VT_ARRAY | VT_BYREF)) return parray == other.parray;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_BSTR: {
        const UINT n = SysStringLen(bstrVal);
        return n == SysStringLen(other.bstrVal) &&
               (n == 0 || std::memcmp(bstrVal, other.bstrVal, n * sizeof(WCHAR)) == 0);
    }
    case VT_R4:
        return fltVal == other.fltVal;
    case VT_R8:
    case VT_DATE:
        return dblVal == other.dblVal;
    default: {
        const ULONG size = elementSize(vt);
        return std::memcmp(&llVal, &other.llVal, size ? size : sizeof(llVal)) == 0;
    }
    }
}
