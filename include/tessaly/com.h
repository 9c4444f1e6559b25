#pragma once
// The component object model as the interface uses it: class and interface identifiers, the
// base interface every object answers, and the class factory an in-process server exports
// ("DllGetClassObject"). Slots are virtual functions in declaration order, so an interface
// derived from IUnknown has its own first member in slot 3.
#include <tessaly/types.h>
#include <tessaly/variant.h>

struct CLSID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef CLSID IID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const CLSID& a, const CLSID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#endif
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x8004015FL)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define CLSCTX_INPROC_SERVER 0x1

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0; // slot 0
    virtual ULONG AddRef() = 0;                                    // slot 1
    virtual ULONG Release() = 0;                                   // slot 2

  protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

  protected:
    ~IClassFactory() = default;
};

// The factory entry of an in-process server module.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
