#pragma once
// What the in-process servers share: BSTR conversions, the class factory, the factory entry
// and the class's registration.
#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <string>

#include <tessaly/word_components.h>

namespace tessaly::components {

std::u16string FromBstr(BSTR text);
BSTR ToBstr(const std::u16string& text);

// The class id's InprocServer32 key names the module holding address (its Windows path).
HRESULT RegisterClass(REFCLSID clsid, const void* address);

// Reference counting for a server object of class Derived answering Interface; the object
// starts with one reference.
template <typename Derived, typename Interface> class ServerObject : public Interface {
  public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

  protected:
    // The object, with a reference added, when iid is one of ids; else E_NOINTERFACE.
    HRESULT Answer(REFIID iid, void** object, std::initializer_list<IID> ids) {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (std::find(ids.begin(), ids.end(), iid) == ids.end()) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }

  private:
    std::atomic<ULONG> refs_{1};
};

// A class factory making objects with make() (returned with one reference).
template <typename Make>
class ClassFactory final : public ServerObject<ClassFactory<Make>, IClassFactory> {
  public:
    explicit ClassFactory(Make make) : make_(make) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return this->Answer(iid, object, {IID_IUnknown, IID_IClassFactory});
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* made = make_();
        if (!made) return E_OUTOFMEMORY;
        const HRESULT hr = made->QueryInterface(iid, object);
        made->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

  private:
    Make make_;
};

// The body of DllGetClassObject for a server of one class (served) whose objects make() makes.
template <typename Make>
HRESULT ServeClass(REFCLSID asked, REFCLSID served, REFIID iid, void** object, Make make) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(asked == served)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new ClassFactory<Make>(make);
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

} // namespace tessaly::components
