#pragma once
// What the word-list components share: reference counting, interface ids compared without
// regard to case, BSTR conversions, the class factory and the class's registration.
#include <strings.h>

#include <atomic>
#include <string>

#include <tessaly/word_components.h>

namespace tessaly::components {

inline bool SameId(const char* a, const char* b) {
    return a && b && strcasecmp(a, b) == 0;
}

std::u16string FromBstr(BSTR text);
BSTR ToBstr(const std::u16string& text);

// The class id's InprocServer32 key names the module holding address (its Windows path).
HRESULT RegisterClass(const char* clsid, const void* address);

// A class factory making objects with make() (returned with one reference).
template <typename Make> class ClassFactory final : public IClassFactory {
  public:
    explicit ClassFactory(Make make) : make_(make) {}
    HRESULT QueryInterface(const char* iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!SameId(iid, IID_IUNKNOWN) && !SameId(iid, IID_ICLASSFACTORY)) return E_NOINTERFACE;
        AddRef();
        *object = this;
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT CreateInstance(IUnknown* outer, const char* iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return static_cast<HRESULT>(0x80040110L); // no aggregation
        IUnknown* made = make_();
        if (!made) return E_OUTOFMEMORY;
        const HRESULT hr = made->QueryInterface(iid, object);
        made->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

  private:
    Make make_;
    std::atomic<ULONG> refs_{1};
};

} // namespace tessaly::components
